#include "bus_channel.h"

#include <QDBusPendingCallWatcher>
#include <QTimer>

#include <atomic>

namespace vantrel::dbus {

namespace {
QString nextConnectionName(const char* kind)
{
    static std::atomic<int> counter{0};
    return QStringLiteral("%1-%2").arg(QLatin1String(kind)).arg(++counter);
}

// The bus enforces the call's timeout; this guard, a second later, only
// keeps a reply that never comes from holding a caller for ever.
constexpr int kGuardMs = 1000;

// One call out: its callback runs once, from the reply or from the guard.
struct Call {
    BusChannel::Done done;
    bool ended = false;
    void end(const QDBusMessage& reply)
    {
        if (ended)
            return;
        ended = true;
        BusChannel::Done finish = std::move(done);
        finish(reply);
    }
};
} // namespace

std::string busDescription(const Endpoint& e)
{
    switch (e.bus) {
    case Endpoint::Bus::Session: return "the session bus";
    case Endpoint::Bus::System: return "the system bus";
    case Endpoint::Bus::Address: break;
    }
    return "the bus at " + e.address;
}

QDBusConnection connectToBus(const Endpoint& endpoint, const QString& connectionName)
{
    switch (endpoint.bus) {
    case Endpoint::Bus::Session: return QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
    case Endpoint::Bus::System: return QDBusConnection::connectToBus(QDBusConnection::SystemBus, connectionName);
    case Endpoint::Bus::Address: break;
    }
    // The address itself, or for a bus reached over ssh its local relay's socket.
    return QDBusConnection::connectToBus(QString::fromStdString(localAddress(endpoint)), connectionName);
}

BusChannel::BusChannel(Endpoint endpoint, std::chrono::milliseconds timeout, const char* kind)
    : m_endpoint(std::move(endpoint)),
      m_timeout(timeout),
      m_connectionName(nextConnectionName(kind)),
      m_connection(connectToBus(m_endpoint, m_connectionName))
{
    m_owner.setConnection(m_connection);
    m_owner.addWatchedService(QString::fromStdString(m_endpoint.busName));
    m_owner.setWatchMode(QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(&m_owner, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        if (m_ownerChanged)
            m_ownerChanged(true);
    });
    QObject::connect(&m_owner, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        if (m_ownerChanged)
            m_ownerChanged(false);
    });
}

BusChannel::~BusChannel() { QDBusConnection::disconnectFromBus(m_connectionName); }

std::string BusChannel::connectError() const
{
    return "cannot reach " + busDescription(m_endpoint) + ": " + m_connection.lastError().message().toStdString();
}

QDBusMessage BusChannel::methodCall(const char* interface, const QString& member) const
{
    return QDBusMessage::createMethodCall(QString::fromStdString(m_endpoint.busName), QLatin1String(kObjectPath),
                                          QLatin1String(interface), member);
}

bool BusChannel::reconnect()
{
    // The bus went away (a forwarded socket dropped); try once to come back.
    QDBusConnection::disconnectFromBus(m_connectionName);
    m_connection = connectToBus(m_endpoint, m_connectionName);
    if (!m_connection.isConnected())
        return false;
    m_owner.setConnection(m_connection);
    if (m_reconnected)
        m_reconnected();
    return true;
}

void BusChannel::watchOwner(std::function<void(bool owned)> changed) { m_ownerChanged = std::move(changed); }

void BusChannel::send(const QDBusMessage& message, Done done)
{
    if (!m_connection.isConnected() && !reconnect()) {
        done(message.createErrorReply(QDBusError::Disconnected, QString::fromStdString(connectError())));
        return;
    }
    auto call = std::make_shared<Call>();
    call->done = std::move(done);
    // Owned by this channel: a channel that goes away takes its calls with it, and calls no one back.
    auto* watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(message, static_cast<int>(m_timeout.count())), this);
    auto* guard = new QTimer(watcher);
    guard->setSingleShot(true);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, call] {
        watcher->deleteLater();
        call->end(watcher->reply());
    });
    const QString member = message.member();
    QObject::connect(guard, &QTimer::timeout, this, [this, watcher, call, message, member] {
        watcher->deleteLater();
        call->end(message.createErrorReply(QDBusError::NoReply, QStringLiteral("no answer to '%1' within %2 ms")
                                                                    .arg(member)
                                                                    .arg(m_timeout.count())));
    });
    guard->start(static_cast<int>(m_timeout.count()) + kGuardMs);
}

} // namespace vantrel::dbus
