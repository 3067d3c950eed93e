#include "wire_message.h"

#include "dbus/wire_contract.h"

#include <dbus/dbus.h>

#include <QVariant>

#include <algorithm>

namespace vantrel::tap {

namespace {

std::string text(const char* s) { return s ? std::string(s) : std::string(); }

WireHeader::Kind kindOf(int type)
{
    switch (type) {
    case DBUS_MESSAGE_TYPE_METHOD_RETURN: return WireHeader::Kind::Reply;
    case DBUS_MESSAGE_TYPE_ERROR: return WireHeader::Kind::Error;
    case DBUS_MESSAGE_TYPE_SIGNAL: return WireHeader::Kind::Signal;
    default: return WireHeader::Kind::MethodCall;
    }
}

// The iterator moved to argument `index`; false when the body is shorter.
bool seek(DBusMessage* message, DBusMessageIter& iter, std::size_t index)
{
    if (!dbus_message_iter_init(message, &iter))
        return false;
    for (std::size_t i = 0; i < index; ++i)
        if (!dbus_message_iter_next(&iter))
            return false;
    return true;
}

std::string signatureAt(DBusMessageIter& iter)
{
    char* signature = dbus_message_iter_get_signature(&iter);
    std::string s = text(signature);
    dbus_free(signature);
    return s;
}

void refuse(TakenValue& taken, const AutomationError& error)
{
    taken.value.reset();
    taken.problemNumber = error.number();
    taken.problem = error.description();
}

// The value at the iterator, as the client's fromVariant takes it.
void take(DBusMessageIter& iter, std::size_t limit, TakenValue& taken)
{
    switch (dbus_message_iter_get_arg_type(&iter)) {
    case DBUS_TYPE_ARRAY:
        if (dbus_message_iter_get_element_type(&iter) == DBUS_TYPE_BYTE) {
            DBusMessageIter bytes;
            dbus_message_iter_recurse(&iter, &bytes);
            const char* data = nullptr;
            int length = 0;
            dbus_message_iter_get_fixed_array(&bytes, &data, &length);
            taken.bytes = static_cast<std::size_t>(std::max(length, 0));
            const std::size_t kept = std::min(taken.bytes, limit);
            taken.omitted = taken.bytes - kept;
            taken.value = Value::string(std::string(data ? data : "", kept));
            return;
        }
        break;
    case DBUS_TYPE_STRING: {
        const char* utf8 = nullptr;
        dbus_message_iter_get_basic(&iter, &utf8);
        try {
            // Characters above 255 are a type mismatch, as the client finds them.
            const Value whole = dbus::fromVariant(QVariant(QString::fromUtf8(utf8 ? utf8 : "")));
            const std::string& s = whole.asString();
            taken.bytes = s.size();
            const std::size_t kept = std::min(taken.bytes, limit);
            taken.omitted = taken.bytes - kept;
            taken.value = Value::string(s.substr(0, kept));
        } catch (const AutomationError& e) {
            refuse(taken, e);
        }
        return;
    }
    case DBUS_TYPE_INT16: {
        dbus_int16_t v = 0;
        dbus_message_iter_get_basic(&iter, &v);
        taken.value = Value::int16(v);
        return;
    }
    case DBUS_TYPE_INT32: {
        dbus_int32_t v = 0;
        dbus_message_iter_get_basic(&iter, &v);
        taken.value = Value::int32(v);
        return;
    }
    case DBUS_TYPE_DOUBLE: {
        double v = 0;
        dbus_message_iter_get_basic(&iter, &v);
        taken.value = Value::real(v);
        return;
    }
    case DBUS_TYPE_BOOLEAN: {
        dbus_bool_t v = FALSE;
        dbus_message_iter_get_basic(&iter, &v);
        taken.value = Value::boolean(v != FALSE);
        return;
    }
    default: break;
    }
    refuse(taken, dbus::unknownValueType(signatureAt(iter)));
}

} // namespace

const char* kindName(WireHeader::Kind kind)
{
    switch (kind) {
    case WireHeader::Kind::MethodCall: return "call";
    case WireHeader::Kind::Reply: return "reply";
    case WireHeader::Kind::Error: return "error";
    case WireHeader::Kind::Signal: return "signal";
    }
    return "call";
}

WireMessage::WireMessage(std::string_view bytes)
{
    DBusError error;
    dbus_error_init(&error);
    m_message = bytes.size() > static_cast<std::size_t>(DBUS_MAXIMUM_MESSAGE_LENGTH)
                    ? nullptr
                    : dbus_message_demarshal(bytes.data(), static_cast<int>(bytes.size()), &error);
    if (!m_message) {
        m_error = dbus_error_is_set(&error) ? text(error.message) : "larger than a D-Bus message can be";
        dbus_error_free(&error);
        return;
    }
    m_header.kind = kindOf(dbus_message_get_type(m_message));
    m_header.noReplyExpected = dbus_message_get_no_reply(m_message) != FALSE;
    m_header.serial = dbus_message_get_serial(m_message);
    m_header.replySerial = dbus_message_get_reply_serial(m_message);
    m_header.sender = text(dbus_message_get_sender(m_message));
    m_header.destination = text(dbus_message_get_destination(m_message));
    m_header.path = text(dbus_message_get_path(m_message));
    m_header.interface = text(dbus_message_get_interface(m_message));
    m_header.member = text(dbus_message_get_member(m_message));
    m_header.errorName = text(dbus_message_get_error_name(m_message));
    m_header.signature = text(dbus_message_get_signature(m_message));
}

WireMessage::~WireMessage()
{
    if (m_message)
        dbus_message_unref(m_message);
}

std::size_t WireMessage::argumentCount() const
{
    DBusMessageIter iter;
    if (!m_message || !dbus_message_iter_init(m_message, &iter))
        return 0;
    std::size_t count = 1;
    while (dbus_message_iter_next(&iter))
        ++count;
    return count;
}

std::vector<std::string> WireMessage::leadingStrings(std::size_t count) const
{
    std::vector<std::string> strings;
    DBusMessageIter iter;
    if (!m_message || !dbus_message_iter_init(m_message, &iter))
        return strings;
    do {
        if (dbus_message_iter_get_arg_type(&iter) != DBUS_TYPE_STRING)
            break;
        const char* s = nullptr;
        dbus_message_iter_get_basic(&iter, &s);
        strings.push_back(text(s));
    } while (strings.size() < count && dbus_message_iter_next(&iter));
    return strings;
}

TakenValue WireMessage::argument(std::size_t index, std::size_t limit) const
{
    TakenValue taken;
    DBusMessageIter iter;
    if (!m_message || !seek(m_message, iter, index)) {
        taken.problem = "no argument";
        return taken;
    }
    if (dbus_message_iter_get_arg_type(&iter) == DBUS_TYPE_VARIANT) {
        DBusMessageIter inner;
        dbus_message_iter_recurse(&iter, &inner);
        taken.inVariant = true;
        take(inner, limit, taken);
    } else {
        take(iter, limit, taken);
    }
    return taken;
}

} // namespace vantrel::tap
