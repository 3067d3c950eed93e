#include "site_tap.h"

#include "client_names.h"

#include <QDateTime>

#include <algorithm>

namespace vantrel::tap {

std::int64_t SiteTap::nowUsec() { return QDateTime::currentMSecsSinceEpoch() * 1000; }

SiteTap::SiteTap(const dbus::Endpoint& endpoint)
    : m_monitor(std::make_unique<BusMonitor>(endpoint)), m_decoder(endpoint.busName)
{
}

SiteTap::SiteTap(std::string serverName) : m_decoder(std::move(serverName)) {}

SiteTap::~SiteTap() = default;

bool SiteTap::start()
{
    if (!m_monitor || m_running)
        return m_running;
    if (!m_monitor->start())
        return false;
    m_names = std::make_unique<ClientNames>(m_monitor->endpoint());
    m_decoder.setServerOwner(m_monitor->initialOwner());
    m_names->onKnown([this](const std::string&) { flush(false); });
    m_monitor->onMessages([this](std::vector<TapMessage>&& batch) { take(batch); });
    m_monitor->onEnded([this](const std::string& reason) {
        if (m_listener.busEnded)
            m_listener.busEnded(reason);
    });
    QObject::connect(&m_expiry, &QTimer::timeout, [this] {
        m_decoder.expire(nowUsec());
        take({});
    });
    m_expiry.start(kExpireMs);
    m_running = true;
    return true;
}

BusMonitor::Failure SiteTap::failure() const { return m_monitor ? m_monitor->failure() : BusMonitor::Failure::None; }
std::string SiteTap::error() const { return m_monitor ? m_monitor->error() : std::string(); }

const std::string& SiteTap::initialOwner() const
{
    static const std::string none;
    return m_monitor ? m_monitor->initialOwner() : none;
}

void SiteTap::feed(const std::vector<TapMessage>& batch) { take(batch); }

void SiteTap::finish(std::int64_t nowUsec)
{
    m_expiry.stop();
    if (m_monitor)
        m_monitor->stop(); // what was read before the end still counts
    m_decoder.finish(nowUsec);
    take({});
    flush(true);
    m_running = false;
}

std::string SiteTap::label(const std::string& unique) const { return m_names ? m_names->label(unique) : unique; }

bool SiteTap::matches(const std::string& unique, const std::string& filter) const
{
    return m_names ? m_names->matches(unique, filter) : unique == filter;
}

// An exchange that ended is told first when the tap had not told it yet;
// a call held as a placeholder that ended in the same batch is told once,
// ended, where it ended.
void SiteTap::collectFinished()
{
    for (auto& e : m_decoder.takeFinished()) {
        bool first = e.number > m_seen;
        if (first) {
            m_seen = e.number;
        } else if (m_placeholders > 0) {
            for (auto it = m_ready.rbegin(); it != m_ready.rend(); ++it)
                if (it->placeholder && it->exchange.number == e.number) {
                    it->placeholder = false;
                    --m_placeholders;
                    it->exchange.number = 0; // told where it ended instead
                    first = true;
                    break;
                }
        }
        m_ready.push_back({std::move(e), first, false});
    }
}

void SiteTap::take(const std::vector<TapMessage>& batch)
{
    // Placeholders still waiting get their content from the decoder; those it no longer holds are dropped.
    const auto settle = [&] {
        if (m_placeholders == 0)
            return;
        m_placeholders = 0;
        const std::vector<Exchange> waiting = m_decoder.waiting();
        for (auto& told : m_ready) {
            if (!told.placeholder)
                continue;
            told.placeholder = false;
            const auto it = std::lower_bound(waiting.begin(), waiting.end(), told.exchange.number,
                                             [](const Exchange& e, std::uint64_t n) { return e.number < n; });
            if (it != waiting.end() && it->number == told.exchange.number)
                told.exchange = *it;
            else
                told.exchange.number = 0;
        }
    };
    for (const auto& message : batch) {
        if (m_listener.message)
            m_listener.message(message);
        m_decoder.feed(message);
        collectFinished();
        if (m_decoder.callCount() > m_seen) { // a call went out and waits for its reply
            m_seen = m_decoder.callCount();
            Told told;
            told.exchange.number = m_seen;
            told.first = told.placeholder = true;
            m_ready.push_back(std::move(told));
            ++m_placeholders;
        }
        auto changes = m_decoder.takeOwnerChanges();
        if (!changes.empty()) {
            settle();
            flush(true); // what came before the change is told before it
            for (const auto& change : changes)
                if (m_listener.ownerChanged)
                    m_listener.ownerChanged(change.owner);
        }
    }
    collectFinished(); // given up by expire() or finish()
    settle();
    if (m_names)
        for (const auto& client : m_decoder.takeNewClients())
            m_names->lookUp(client);
    else
        m_decoder.takeNewClients();
    flush(m_ready.size() > kReadyLimit);
}

// Exchanges are told in order, each once the bus has told who its client is (or cannot).
void SiteTap::flush(bool all)
{
    while (!m_ready.empty() &&
           (all || !m_names || m_ready.front().exchange.number == 0 || m_names->known(m_ready.front().exchange.client))) {
        const Told told = std::move(m_ready.front());
        m_ready.pop_front();
        if (told.exchange.number != 0 && m_listener.exchange)
            m_listener.exchange(told.exchange, label(told.exchange.client), told.first);
    }
}

} // namespace vantrel::tap
