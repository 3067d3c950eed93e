#include "bus_monitor.h"

#include "dbus/bus_channel.h"

#include <dbus/dbus.h>

#include <QMetaObject>

#include <chrono>
#include <memory>

namespace vantrel::tap {

namespace {
constexpr const char* kBus = "org.freedesktop.DBus";
constexpr const char* kBusPath = "/org/freedesktop/DBus";
constexpr int kCallTimeoutMs = 5000;
// How long one read waits before it looks whether the tap is stopping.
constexpr int kReadMs = 100;
// The bytes that may wait for the Qt thread before the reading waits for it.
constexpr std::size_t kQueueLimit = std::size_t(64) << 20;

std::int64_t nowUsec()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

struct ErrorScope {
    DBusError error;
    ErrorScope() { dbus_error_init(&error); }
    ~ErrorScope() { dbus_error_free(&error); }
    bool set() const { return dbus_error_is_set(&error) != FALSE; }
    std::string text() const { return error.message ? error.message : ""; }
    std::string name() const { return error.name ? error.name : ""; }
};

using MessagePtr = std::unique_ptr<DBusMessage, decltype(&dbus_message_unref)>;

MessagePtr busCall(const char* interface, const char* member)
{
    return {dbus_message_new_method_call(kBus, kBusPath, interface, member), &dbus_message_unref};
}
} // namespace

struct MonitorFilter {
    static DBusHandlerResult take(DBusConnection*, DBusMessage* message, void* data)
    {
        auto* self = static_cast<BusMonitor*>(data);
        if (dbus_message_is_signal(message, DBUS_INTERFACE_LOCAL, "Disconnected")) {
            self->m_disconnected = true;
            return DBUS_HANDLER_RESULT_HANDLED;
        }
        // What the bus tells the monitor itself (its name going) is no traffic of the server's.
        const char* destination = dbus_message_get_destination(message);
        if (destination && self->m_ownName == destination)
            return DBUS_HANDLER_RESULT_HANDLED;
        char* bytes = nullptr;
        int length = 0;
        if (dbus_message_marshal(message, &bytes, &length)) {
            TapMessage tapped{nowUsec(), std::string(bytes, static_cast<std::size_t>(length))};
            dbus_free(bytes);
            self->push(std::move(tapped));
        }
        return DBUS_HANDLER_RESULT_HANDLED;
    }
};

BusMonitor::BusMonitor(dbus::Endpoint endpoint) : m_endpoint(std::move(endpoint)) { dbus_threads_init_default(); }

BusMonitor::~BusMonitor()
{
    // Nobody is told any more: the listeners may be gone already.
    m_messages = nullptr;
    m_ended = nullptr;
    halt();
}

std::vector<std::string> BusMonitor::matchRules(const std::string& busName)
{
    return {"sender='" + busName + "'", "destination='" + busName + "'",
            "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',member='NameOwnerChanged'"};
}

bool BusMonitor::fail(Failure failure, std::string why)
{
    m_failure = failure;
    m_error = std::move(why);
    if (m_connection) {
        dbus_connection_close(m_connection);
        dbus_connection_unref(m_connection);
        m_connection = nullptr;
    }
    return false;
}

bool BusMonitor::start()
{
    if (m_connection)
        return true;
    ErrorScope e;
    switch (m_endpoint.bus) {
    case dbus::Endpoint::Bus::Session: m_connection = dbus_bus_get_private(DBUS_BUS_SESSION, &e.error); break;
    case dbus::Endpoint::Bus::System: m_connection = dbus_bus_get_private(DBUS_BUS_SYSTEM, &e.error); break;
    case dbus::Endpoint::Bus::Address:
        // The address itself, or for a bus reached over ssh its local relay's socket.
        m_connection = dbus_connection_open_private(dbus::localAddress(m_endpoint).c_str(), &e.error);
        if (m_connection && !dbus_bus_register(m_connection, &e.error))
            return fail(Failure::Unreachable, "cannot reach " + dbus::busDescription(m_endpoint) + ": " + e.text());
        break;
    }
    if (!m_connection)
        return fail(Failure::Unreachable, "cannot reach " + dbus::busDescription(m_endpoint) + ": " + e.text());
    // The tap ends itself when the bus goes; libdbus must not end the process.
    dbus_connection_set_exit_on_disconnect(m_connection, FALSE);
    m_ownName = dbus_bus_get_unique_name(m_connection);

    MessagePtr owner = busCall(kBus, "GetNameOwner");
    const char* name = m_endpoint.busName.c_str();
    dbus_message_append_args(owner.get(), DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID);
    if (DBusMessage* reply = dbus_connection_send_with_reply_and_block(m_connection, owner.get(), kCallTimeoutMs, &e.error)) {
        const char* unique = nullptr;
        if (dbus_message_get_args(reply, nullptr, DBUS_TYPE_STRING, &unique, DBUS_TYPE_INVALID) && unique)
            m_initialOwner = unique;
        dbus_message_unref(reply);
    }
    dbus_error_free(&e.error); // NameHasNoOwner: the name is waited for

    const std::vector<std::string> rules = matchRules(m_endpoint.busName);
    std::vector<const char*> texts;
    for (const auto& rule : rules)
        texts.push_back(rule.c_str());
    MessagePtr become = busCall(DBUS_INTERFACE_MONITORING, "BecomeMonitor");
    const char** array = texts.data();
    const dbus_uint32_t flags = 0;
    dbus_message_append_args(become.get(), DBUS_TYPE_ARRAY, DBUS_TYPE_STRING, &array, static_cast<int>(texts.size()),
                             DBUS_TYPE_UINT32, &flags, DBUS_TYPE_INVALID);
    // Installed first: nothing that comes after the bus agrees is missed.
    dbus_connection_add_filter(m_connection, &MonitorFilter::take, this, nullptr);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(m_connection, become.get(), kCallTimeoutMs, &e.error);
    if (!reply) {
        dbus_connection_remove_filter(m_connection, &MonitorFilter::take, this);
        std::string why = dbus::busDescription(m_endpoint) + " does not let the tap monitor it: " + e.text() + " (" +
                          e.name() + ")";
        const std::string_view ssh = dbus::sshTarget(m_endpoint);
        if (m_endpoint.bus == dbus::Endpoint::Bus::System)
            why += "; on the system bus only root may monitor: run it as root: sudo vantrel-test --tap dbus:" +
                   m_endpoint.busName + "@system";
        else if (!ssh.empty())
            why += "; on the system bus only root may monitor: reach it as root: vantrel-test --tap dbus:" +
                   m_endpoint.busName + "@ssh:root@" + std::string(ssh.substr(ssh.find('@') + 1));
        else
            why += "; only the bus's own user and root may monitor it, unless its policy allows others";
        return fail(Failure::Refused, why);
    }
    dbus_message_unref(reply);
    m_thread = std::thread([this] { run(); });
    return true;
}

void BusMonitor::run()
{
    while (!m_stopping && !m_disconnected)
        if (!dbus_connection_read_write_dispatch(m_connection, kReadMs))
            break;
    // Whatever was read before the end is dispatched, then the end is told.
    while (!m_stopping && dbus_connection_dispatch(m_connection) == DBUS_DISPATCH_DATA_REMAINS) {
    }
    if (m_stopping)
        return;
    QMetaObject::invokeMethod(this, [this] {
        deliver();
        if (m_ended)
            m_ended("the bus closed the connection");
    }, Qt::QueuedConnection);
}

void BusMonitor::push(TapMessage&& message)
{
    ++m_received;
    std::unique_lock lock(m_lock);
    m_drained.wait(lock, [this] { return m_queuedBytes < kQueueLimit || m_stopping; });
    m_queuedBytes += message.bytes.size();
    m_queue.push_back(std::move(message));
    if (m_posted)
        return;
    m_posted = true;
    // One delivery at a time: what comes meanwhile joins the batch.
    QMetaObject::invokeMethod(this, [this] { deliver(); }, Qt::QueuedConnection);
}

void BusMonitor::deliver()
{
    std::vector<TapMessage> batch;
    {
        std::lock_guard lock(m_lock);
        batch.swap(m_queue);
        m_queuedBytes = 0;
        m_posted = false;
    }
    m_drained.notify_all();
    if (!batch.empty() && m_messages)
        m_messages(std::move(batch));
}

void BusMonitor::stop()
{
    halt();
    // What was read before the stop still counts.
    deliver();
}

void BusMonitor::halt()
{
    m_stopping = true;
    m_drained.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    if (m_connection) {
        dbus_connection_remove_filter(m_connection, &MonitorFilter::take, this);
        dbus_connection_close(m_connection);
        dbus_connection_unref(m_connection);
        m_connection = nullptr;
    }
}

} // namespace vantrel::tap
