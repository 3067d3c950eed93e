// Card data masked inside a D-Bus message. libdbus takes the message apart
// and builds its body again, argument by argument, with every string and
// byte array masked; the new body goes behind the message's own header
// (only the body length changes), so serial, flags and every header field
// stay as they were. libdbus reads and builds messages in the host's byte
// order, so a message from a host of the other order is written in this
// one's, with the same values.
#include "capture.h"

#include "dbus_bytes.h"
#include "journal/card_mask.h"

#include <cstring>
#include <utility>

namespace vantrel::capture {

namespace {

struct Freed {
    void operator()(char* text) const { dbus_free(text); }
};
using Signature = std::unique_ptr<char, Freed>;

// Copies the arguments from one iterator to the other, masking texts.
// False where libdbus cannot append one (a file descriptor, which a message
// taken from bytes does not hold, or a text the bus would refuse).
class BodyCopy {
public:
    explicit BodyCopy(journal::CardMasker& masker) : m_masker(masker) {}
    bool changed() const { return m_changed; }

    bool all(DBusMessageIter& from, DBusMessageIter& to)
    {
        for (int type; (type = dbus_message_iter_get_arg_type(&from)) != DBUS_TYPE_INVALID;
             dbus_message_iter_next(&from))
            if (!one(type, from, to))
                return false;
        return true;
    }

private:
    bool one(int type, DBusMessageIter& from, DBusMessageIter& to)
    {
        if (type == DBUS_TYPE_UNIX_FD)
            return false;
        if (type == DBUS_TYPE_STRING) {
            const char* text = nullptr;
            dbus_message_iter_get_basic(&from, &text);
            const std::string masked = mask(text);
            const char* maskedText = masked.c_str();
            return masked.find('\0') == std::string::npos && dbus_validate_utf8(maskedText, nullptr)
                && dbus_message_iter_append_basic(&to, type, &maskedText);
        }
        if (dbus_type_is_basic(type)) {
            DBusBasicValue value;
            dbus_message_iter_get_basic(&from, &value);
            return dbus_message_iter_append_basic(&to, type, &value);
        }
        DBusMessageIter fromInner;
        dbus_message_iter_recurse(&from, &fromInner);
        Signature signature;
        const char* contained = nullptr;
        if (type == DBUS_TYPE_ARRAY) {
            signature.reset(dbus_message_iter_get_signature(&from));
            contained = signature.get() + 1; // the element's, after the 'a'
        } else if (type == DBUS_TYPE_VARIANT) {
            signature.reset(dbus_message_iter_get_signature(&fromInner));
            contained = signature.get();
        }
        DBusMessageIter toInner;
        if (!dbus_message_iter_open_container(&to, type, contained, &toInner))
            return false;
        const bool copied = type == DBUS_TYPE_ARRAY ? array(from, fromInner, toInner) : all(fromInner, toInner);
        if (!copied) {
            dbus_message_iter_abandon_container(&to, &toInner);
            return false;
        }
        return dbus_message_iter_close_container(&to, &toInner);
    }

    // An array's elements; one of fixed size at once, bytes masked as a text.
    bool array(DBusMessageIter& from, DBusMessageIter& fromInner, DBusMessageIter& toInner)
    {
        const int element = dbus_message_iter_get_element_type(&from);
        if (element == DBUS_TYPE_UNIX_FD)
            return false;
        if (!dbus_type_is_fixed(element))
            return all(fromInner, toInner);
        const void* values = nullptr;
        int count = 0;
        dbus_message_iter_get_fixed_array(&fromInner, &values, &count);
        std::string masked;
        if (element == DBUS_TYPE_BYTE) {
            masked = mask(std::string_view(static_cast<const char*>(values), static_cast<std::size_t>(count)));
            values = masked.data();
            count = static_cast<int>(masked.size());
        }
        return dbus_message_iter_append_fixed_array(&toInner, element, &values, count);
    }

    std::string mask(std::string_view text)
    {
        std::string masked = m_masker.mask(text);
        if (masked != text)
            m_changed = true;
        return masked;
    }

    journal::CardMasker& m_masker;
    bool m_changed = false;
};

// The message as libdbus marshals it, split at the start of the body;
// nothing when it cannot.
std::pair<std::string, std::string> marshalledParts(DBusMessage* message)
{
    char* data = nullptr;
    int size = 0;
    if (!dbus_message_marshal(message, &data, &size))
        return {};
    const std::string_view whole(data, static_cast<std::size_t>(size));
    const std::size_t header = headerLength(whole);
    std::pair<std::string, std::string> parts(whole.substr(0, header), whole.substr(header));
    dbus_free(data);
    return parts;
}

} // namespace

std::string maskedMessage(const std::string& bytes, journal::CardMasker& masker)
{
    std::string problem;
    const MessagePtr message = demarshal(bytes, problem);
    if (!message)
        return bytes;
    DBusMessageIter from;
    if (!dbus_message_iter_init(message.get(), &from))
        return bytes; // no arguments
    const MessagePtr body(dbus_message_new_signal("/", "a.b", "c"));
    if (!body)
        return masker.mask(bytes);
    DBusMessageIter to;
    dbus_message_iter_init_append(body.get(), &to);
    BodyCopy copy(masker);
    const bool copied = copy.all(from, to);
    if (copied && !copy.changed())
        return bytes;
    if (copied && std::strcmp(dbus_message_get_signature(body.get()), dbus_message_get_signature(message.get())) == 0) {
        std::string masked = marshalledParts(message.get()).first;
        const std::string newBody = marshalledParts(body.get()).second;
        if (!masked.empty()) {
            messageOrder(masked).put32(masked, 4, static_cast<std::uint32_t>(newBody.size()));
            masked += newBody;
            if (demarshal(masked, problem))
                return masked;
        }
    }
    // Not built again: the raw bytes masked, so that no card data is left.
    return masker.mask(bytes);
}

} // namespace vantrel::capture
