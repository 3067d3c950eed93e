#include "site_source.h"

#include "forecourt/customer.h"
#include "forecourt/forecourt_server.h"

namespace vantrel::board {

EmbeddedSite::~EmbeddedSite() { stopListening(); }

void EmbeddedSite::read(int position, std::function<void(SiteReading)> done)
{
    done({m_server.siteState(position), {}});
}

void EmbeddedSite::act(const std::string& action, std::function<void(CustomerAnswer)> done)
{
    CustomerAnswer answer;
    try {
        answer = {true, forecourt::actAsCustomer(m_server, action)};
    } catch (const std::exception& e) {
        answer = {false, e.what()};
    }
    done(std::move(answer));
}

void EmbeddedSite::listen(std::function<void()> changed)
{
    stopListening();
    m_listener = m_server.subscribe(std::move(changed));
}

void EmbeddedSite::stopListening()
{
    if (m_listener)
        m_server.unsubscribe(m_listener);
    m_listener = 0;
}

} // namespace vantrel::board
