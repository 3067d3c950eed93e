#include "bus_site.h"

#include "dbus/site_state_codec.h"
#include "dbus/wire_contract.h"

namespace vantrel::board {

BusSite::BusSite(dbus::Endpoint endpoint, std::chrono::milliseconds timeout)
    : m_channel(std::move(endpoint), timeout, "vantrel-board")
{
    // A server that came (back) under the name, or left it: what the board
    // shows is old, and the read that follows says which.
    m_channel.watchOwner([this](bool) {
        if (m_changed)
            m_changed();
    });
    m_channel.onReconnect([this] {
        if (m_changed)
            connectChanged();
    });
}

BusSite::~BusSite() { stopListening(); }

std::string BusSite::describe() const { return dbus::describe(m_channel.endpoint()); }

QDBusMessage BusSite::simulatorCall(const char* member) const
{
    return m_channel.methodCall(dbus::kSimulatorInterface, QString::fromLatin1(member));
}

std::string BusSite::failure(const QDBusMessage& reply) const
{
    // Numbered by the one table, as the utility's own calls are.
    const AutomationError e = dbus::toAutomationError(reply.errorName(), reply.errorMessage(), dbus::Phase::Call);
    return describe() + ": error " + std::to_string(e.number()) + ": " + e.description();
}

void BusSite::read(int position, std::function<void(SiteReading)> done)
{
    if (m_reading) {
        m_nextRead = WaitingRead{position, std::move(done)};
        return;
    }
    startRead(position, std::move(done));
}

void BusSite::startRead(int position, std::function<void(SiteReading)> done)
{
    m_reading = true;
    QDBusMessage message = simulatorCall(dbus::kReadSite.name);
    message << QVariant::fromValue(static_cast<short>(position));
    m_channel.send(message, [this, done = std::move(done)](const QDBusMessage& reply) {
        SiteReading reading;
        if (reply.type() == QDBusMessage::ErrorMessage) {
            reading.error = failure(reply);
        } else if (reply.signature() != QLatin1String("s")) {
            reading.error = describe() + ": ReadSite answered with signature '" + reply.signature().toStdString() +
                            "', not a string";
        } else {
            std::string why;
            reading.state = dbus::decodeSiteState(reply.arguments().front().toString().toUtf8(), why);
            if (!reading.state)
                reading.error = describe() + ": the site's state cannot be read: " + why;
        }
        m_reading = false;
        done(std::move(reading));
        if (m_nextRead && !m_reading) {
            WaitingRead next = std::move(*m_nextRead);
            m_nextRead.reset();
            startRead(next.position, std::move(next.done));
        }
    });
}

void BusSite::sendText(const dbus::SimulatorMember& member, const char* refusal, const std::string& text,
                       std::function<void(CustomerAnswer)> done)
{
    QDBusMessage message = simulatorCall(member.name);
    message << QString::fromStdString(text);
    m_channel.send(message, [this, refusal, done = std::move(done)](const QDBusMessage& reply) {
        if (reply.type() == QDBusMessage::ErrorMessage) {
            // The site's own refusal reads as the embedded one's; anything else says where it failed.
            const bool refused = reply.errorName() == QLatin1String(refusal);
            done({false, refused ? reply.errorMessage().toStdString() : failure(reply)});
            return;
        }
        done({true, reply.arguments().value(0).toString().toStdString()});
    });
}

void BusSite::act(const std::string& action, std::function<void(CustomerAnswer)> done)
{
    sendText(dbus::kCustomer, dbus::kCustomerRefused, action, std::move(done));
}

void BusSite::fault(const std::string& fault, std::function<void(CustomerAnswer)> done)
{
    sendText(dbus::kFault, dbus::kFaultRefused, fault, std::move(done));
}

void BusSite::listen(std::function<void()> changed)
{
    stopListening();
    m_changed = std::move(changed);
    connectChanged();
}

void BusSite::connectChanged()
{
    m_channel.connection().connect(QString::fromStdString(m_channel.endpoint().busName), dbus::kObjectPath,
                                   dbus::kSimulatorInterface, QLatin1String(dbus::kChanged.name), this,
                                   SLOT(onChanged(qulonglong)));
}

void BusSite::stopListening()
{
    if (!m_changed)
        return;
    m_channel.connection().disconnect(QString::fromStdString(m_channel.endpoint().busName), dbus::kObjectPath,
                                      dbus::kSimulatorInterface, QLatin1String(dbus::kChanged.name), this,
                                      SLOT(onChanged(qulonglong)));
    m_changed = nullptr;
}

void BusSite::onChanged(qulonglong)
{
    if (m_changed)
        m_changed();
}

} // namespace vantrel::board
