#include "bus_site.h"

#include "dbus/site_state_codec.h"
#include "dbus/wire_contract.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <atomic>

namespace vantrel::board {

namespace {
QString nextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("vantrel-board-%1").arg(++counter);
}
} // namespace

BusSite::BusSite(dbus::Endpoint endpoint, std::chrono::milliseconds timeout)
    : m_endpoint(std::move(endpoint)),
      m_timeout(timeout),
      m_connectionName(nextConnectionName()),
      m_connection(dbus::connectToBus(m_endpoint, m_connectionName))
{
    m_owner.setConnection(m_connection);
    m_owner.addWatchedService(QString::fromStdString(m_endpoint.busName));
    m_owner.setWatchMode(QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration);
    // A server that came (back) under the name, or left it: what the board
    // shows is old, and the read that follows says which.
    for (auto signal : {&QDBusServiceWatcher::serviceRegistered, &QDBusServiceWatcher::serviceUnregistered})
        connect(&m_owner, signal, this, [this] {
            if (m_changed)
                m_changed();
        });
}

BusSite::~BusSite()
{
    stopListening();
    QDBusConnection::disconnectFromBus(m_connectionName);
}

std::string BusSite::describe() const { return dbus::describe(m_endpoint); }

QDBusMessage BusSite::simulatorCall(const char* member) const
{
    return QDBusMessage::createMethodCall(QString::fromStdString(m_endpoint.busName), dbus::kObjectPath,
                                          dbus::kSimulatorInterface, QLatin1String(member));
}

std::string BusSite::failure(const QDBusMessage& reply) const
{
    return describe() + ": " + reply.errorMessage().toStdString() + " (" + reply.errorName().toStdString() + ")";
}

void BusSite::send(const QDBusMessage& message, std::function<void(const QDBusMessage&)> done)
{
    if (!m_connection.isConnected()) {
        // The bus went away (a forwarded socket dropped); try once to come back.
        QDBusConnection::disconnectFromBus(m_connectionName);
        m_connection = dbus::connectToBus(m_endpoint, m_connectionName);
        if (!m_connection.isConnected()) {
            done(message.createErrorReply(QDBusError::Disconnected,
                                          QStringLiteral("cannot reach the bus: ") + m_connection.lastError().message()));
            return;
        }
        m_owner.setConnection(m_connection);
        if (m_changed)
            listen(std::move(m_changed));
    }
    auto* watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(message, static_cast<int>(m_timeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, done = std::move(done)] {
        watcher->deleteLater();
        done(watcher->reply());
    });
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
    QDBusMessage message = simulatorCall("ReadSite");
    message << QVariant::fromValue(static_cast<short>(position));
    send(message, [this, done = std::move(done)](const QDBusMessage& reply) {
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

void BusSite::act(const std::string& action, std::function<void(CustomerAnswer)> done)
{
    QDBusMessage message = simulatorCall("Customer");
    message << QString::fromStdString(action);
    send(message, [this, done = std::move(done)](const QDBusMessage& reply) {
        if (reply.type() == QDBusMessage::ErrorMessage) {
            // The site's own refusal reads as the embedded one's; anything else says where it failed.
            const bool refused = reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.InvalidArgs");
            done({false, refused ? reply.errorMessage().toStdString() : failure(reply)});
            return;
        }
        done({true, reply.arguments().value(0).toString().toStdString()});
    });
}

void BusSite::listen(std::function<void()> changed)
{
    stopListening();
    m_changed = std::move(changed);
    m_connection.connect(QString::fromStdString(m_endpoint.busName), dbus::kObjectPath, dbus::kSimulatorInterface,
                         QStringLiteral("Changed"), this, SLOT(onChanged(qulonglong)));
}

void BusSite::stopListening()
{
    if (!m_changed)
        return;
    m_connection.disconnect(QString::fromStdString(m_endpoint.busName), dbus::kObjectPath, dbus::kSimulatorInterface,
                            QStringLiteral("Changed"), this, SLOT(onChanged(qulonglong)));
    m_changed = nullptr;
}

void BusSite::onChanged(qulonglong)
{
    if (m_changed)
        m_changed();
}

} // namespace vantrel::board
