// Who a client on the bus is: its process id, from the bus
// (GetConnectionCredentials, asked on an ordinary connection of its own,
// without waiting), and its command name from /proc/PID/comm where that can
// be read. Asked once per unique name and kept (the newest few thousand), so
// a tap names each client as ":1.42 (pid 1234, pos-client)". A client that
// left before the answer keeps its bare unique name.
#pragma once

#include "dbus/endpoint.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <map>
#include <string>

namespace vantrel::tap {

struct ClientInfo {
    bool known = false; // the bus answered (or could not): nothing more will come
    long pid = 0;       // 0: not told
    std::string command;
};

// ":1.42 (pid 1234, pos-client)", ":1.42 (pid 1234)", ":1.42".
std::string clientLabel(const std::string& unique, const ClientInfo& info);

// The command name of a process ("pos-client"), "" when it cannot be read.
std::string commandOf(long pid);

class ClientNames : public QObject {
public:
    static constexpr std::size_t kKept = 4096;

    explicit ClientNames(const dbus::Endpoint& endpoint);
    ~ClientNames() override;

    ClientNames(const ClientNames&) = delete;
    ClientNames& operator=(const ClientNames&) = delete;

    // Asks the bus about `unique`, unless it was asked already.
    void lookUp(const std::string& unique);
    // True once the bus answered about `unique` (or cannot): its label will not change.
    bool known(const std::string& unique) const;
    ClientInfo info(const std::string& unique) const;
    std::string label(const std::string& unique) const { return clientLabel(unique, info(unique)); }
    // True when `filter` is the client's unique name or its command name.
    bool matches(const std::string& unique, const std::string& filter) const;
    // Called when the bus answered about a client.
    void onKnown(std::function<void(const std::string& unique)> known) { m_onKnown = std::move(known); }

private:
    void learnt(const std::string& unique, long pid);

    QString m_connectionName;
    QDBusConnection m_connection;
    std::map<std::string, ClientInfo> m_clients;
    std::deque<std::string> m_order; // oldest first, for the bound
    std::function<void(const std::string&)> m_onKnown;
};

} // namespace vantrel::tap
