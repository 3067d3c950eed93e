// D-Bus messages for the tap's tests, built and marshalled by libdbus as a
// bus passes them on: with a sender, a destination and a serial.
#pragma once

#include "server/value.h"
#include "tap/tap_message.h"

#include <dbus/dbus.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace vantrel::tap::test {

// A value in a variant, as the contract sends it; `raw` a D-Bus basic type
// the contract does not carry ('u', 'y', 'x'), sent as the number 1.
struct Arg {
    std::optional<Value> value;
    char raw = 0;
    bool inVariant = true;
};

class Wire {
public:
    explicit Wire(DBusMessage* message) : m_message(message) {}
    Wire(Wire&& other) noexcept : m_message(std::exchange(other.m_message, nullptr)), m_serial(other.m_serial) {}
    ~Wire()
    {
        if (m_message)
            dbus_message_unref(m_message);
    }
    Wire(const Wire&) = delete;
    Wire& operator=(const Wire&) = delete;

    Wire& from(const char* sender) { dbus_message_set_sender(m_message, sender); return *this; }
    Wire& to(const char* destination) { dbus_message_set_destination(m_message, destination); return *this; }
    Wire& serial(std::uint32_t serial) { m_serial = serial; return *this; }
    Wire& noReply() { dbus_message_set_no_reply(m_message, TRUE); return *this; }
    Wire& text(const std::string& s)
    {
        const char* c = s.c_str();
        dbus_message_append_args(m_message, DBUS_TYPE_STRING, &c, DBUS_TYPE_INVALID);
        return *this;
    }
    Wire& arg(const Arg& a)
    {
        DBusMessageIter top;
        dbus_message_iter_init_append(m_message, &top);
        if (!a.inVariant) {
            append(top, a);
            return *this;
        }
        DBusMessageIter variant;
        dbus_message_iter_open_container(&top, DBUS_TYPE_VARIANT, signature(a).c_str(), &variant);
        append(variant, a);
        dbus_message_iter_close_container(&top, &variant);
        return *this;
    }
    Wire& arg(const Value& v) { return arg(Arg{v}); }

    TapMessage at(std::int64_t usec)
    {
        dbus_message_set_serial(m_message, m_serial);
        char* data = nullptr;
        int size = 0;
        dbus_message_marshal(m_message, &data, &size);
        TapMessage m{usec, std::string(data, static_cast<std::size_t>(size))};
        dbus_free(data);
        return m;
    }

private:
    static std::string signature(const Arg& a)
    {
        if (a.raw)
            return std::string(1, a.raw);
        switch (a.value->type()) {
        case Value::Type::Int16: return "n";
        case Value::Type::Int32: return "i";
        case Value::Type::Double: return "d";
        case Value::Type::Bool: return "b";
        default: return "ay";
        }
    }
    static void append(DBusMessageIter& iter, const Arg& a)
    {
        if (a.raw) {
            const dbus_uint64_t one = 1; // little-endian: the first bytes hold 1 whatever the width
            dbus_message_iter_append_basic(&iter, a.raw, &one);
            return;
        }
        const Value& v = *a.value;
        switch (v.type()) {
        case Value::Type::Int16: { const dbus_int16_t n = v.asInt16(); dbus_message_iter_append_basic(&iter, 'n', &n); return; }
        case Value::Type::Int32: { const dbus_int32_t n = v.asInt32(); dbus_message_iter_append_basic(&iter, 'i', &n); return; }
        case Value::Type::Double: { const double d = v.asDouble(); dbus_message_iter_append_basic(&iter, 'd', &d); return; }
        case Value::Type::Bool: { const dbus_bool_t b = v.asBool(); dbus_message_iter_append_basic(&iter, 'b', &b); return; }
        default: break;
        }
        const std::string bytes = v.type() == Value::Type::String ? v.asString() : std::string();
        const char* data = bytes.data();
        DBusMessageIter array;
        dbus_message_iter_open_container(&iter, DBUS_TYPE_ARRAY, "y", &array);
        dbus_message_iter_append_fixed_array(&array, DBUS_TYPE_BYTE, &data, static_cast<int>(bytes.size()));
        dbus_message_iter_close_container(&iter, &array);
    }

    DBusMessage* m_message;
    std::uint32_t m_serial = 1;
};

inline constexpr const char* kServer = "Vantrel.Application";
inline constexpr const char* kPath = "/Vantrel/Application";

// A client's call of a member of Vantrel.Application.
inline Wire call(const char* member)
{
    return Wire(dbus_message_new_method_call(kServer, kPath, kServer, member));
}
// A client's put: Properties.Set("Vantrel.Application", member, value).
inline Wire put(const char* member, const Value& value)
{
    Wire w(dbus_message_new_method_call(kServer, kPath, "org.freedesktop.DBus.Properties", "Set"));
    w.text(kServer).text(member).arg(value);
    return w;
}
inline Wire reply(std::uint32_t replySerial)
{
    DBusMessage* m = dbus_message_new(DBUS_MESSAGE_TYPE_METHOD_RETURN);
    dbus_message_set_reply_serial(m, replySerial);
    return Wire(m);
}
inline Wire error(std::uint32_t replySerial, const char* name, const std::string& text)
{
    DBusMessage* m = dbus_message_new(DBUS_MESSAGE_TYPE_ERROR);
    dbus_message_set_error_name(m, name);
    dbus_message_set_reply_serial(m, replySerial);
    Wire w(m);
    w.text(text);
    return w;
}
inline Wire ownerChanged(const std::string& name, const std::string& before, const std::string& after)
{
    Wire w(dbus_message_new_signal("/org/freedesktop/DBus", "org.freedesktop.DBus", "NameOwnerChanged"));
    w.from("org.freedesktop.DBus").text(name).text(before).text(after);
    return w;
}

} // namespace vantrel::tap::test
