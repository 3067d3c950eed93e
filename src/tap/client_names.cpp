#include "client_names.h"

#include "dbus/bus_channel.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include <atomic>
#include <fstream>

namespace vantrel::tap {

namespace {
// The bus answers at once; a client that is gone gets an error just as fast.
constexpr int kLookUpTimeoutMs = 5000;

QString nextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("vantrel-tap-names-%1").arg(++counter);
}
} // namespace

std::string clientLabel(const std::string& unique, const ClientInfo& info)
{
    if (info.pid <= 0)
        return unique;
    std::string label = unique + " (pid " + std::to_string(info.pid);
    if (!info.command.empty())
        label += ", " + info.command;
    return label + ")";
}

std::string commandOf(long pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/comm");
    std::string command;
    std::getline(file, command);
    return command;
}

ClientNames::ClientNames(const dbus::Endpoint& endpoint)
    : m_connectionName(nextConnectionName()), m_connection(dbus::connectToBus(endpoint, m_connectionName))
{
}

ClientNames::~ClientNames() { QDBusConnection::disconnectFromBus(m_connectionName); }

void ClientNames::lookUp(const std::string& unique)
{
    if (unique.empty() || m_clients.count(unique))
        return;
    m_clients.emplace(unique, ClientInfo{});
    m_order.push_back(unique);
    while (m_order.size() > kKept) {
        m_clients.erase(m_order.front());
        m_order.pop_front();
    }
    if (!m_connection.isConnected()) {
        learnt(unique, 0);
        return;
    }
    QDBusMessage ask = QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                      "org.freedesktop.DBus", "GetConnectionCredentials");
    ask << QString::fromStdString(unique);
    auto* watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(ask, kLookUpTimeoutMs), this);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, unique] {
        watcher->deleteLater();
        const QDBusPendingReply<QVariantMap> reply = *watcher;
        long pid = 0;
        if (!reply.isError())
            pid = static_cast<long>(reply.value().value(QStringLiteral("ProcessID")).toUInt());
        learnt(unique, pid);
    });
}

void ClientNames::learnt(const std::string& unique, long pid)
{
    const auto it = m_clients.find(unique);
    if (it == m_clients.end())
        return;
    it->second.known = true;
    it->second.pid = pid;
    if (pid > 0)
        it->second.command = commandOf(pid);
    if (m_onKnown)
        m_onKnown(unique);
}

bool ClientNames::known(const std::string& unique) const
{
    const auto it = m_clients.find(unique);
    return it == m_clients.end() || it->second.known;
}

ClientInfo ClientNames::info(const std::string& unique) const
{
    const auto it = m_clients.find(unique);
    return it == m_clients.end() ? ClientInfo{} : it->second;
}

bool ClientNames::matches(const std::string& unique, const std::string& filter) const
{
    return filter == unique || (!filter.empty() && info(unique).command == filter);
}

} // namespace vantrel::tap
