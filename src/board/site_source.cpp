#include "site_source.h"

#include "forecourt/customer.h"
#include "forecourt/forecourt_server.h"

namespace vantrel::board {

EmbeddedSite::~EmbeddedSite() { stopListening(); }

void EmbeddedSite::read(int position, std::function<void(SiteReading)> done)
{
    done({m_server.siteState(position), {}});
}

namespace {
// What the site did, or why it did not.
CustomerAnswer answerOf(const std::function<std::string()>& doing)
{
    try {
        return {true, doing()};
    } catch (const std::exception& e) {
        return {false, e.what()};
    }
}
} // namespace

void EmbeddedSite::act(const std::string& action, std::function<void(CustomerAnswer)> done)
{
    done(answerOf([&] { return forecourt::actAsCustomer(m_server, action); }));
}

void EmbeddedSite::fault(const std::string& fault, std::function<void(CustomerAnswer)> done)
{
    done(answerOf([&] { return m_server.setFault(fault); }));
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
