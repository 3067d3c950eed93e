// What the capture tests build: D-Bus messages marshalled by libdbus, the
// texts of their arguments, and pcapng files block by block in either byte
// order, well formed or not.
#pragma once

#include "capture/byte_order.h"
#include "capture/capture.h"

#include <dbus/dbus.h>

#include <string>
#include <vector>

namespace vantrel::capture::test {

// The message marshalled with `serial`; the message is released.
inline std::string marshalled(DBusMessage* message, std::uint32_t serial = 7)
{
    dbus_message_set_serial(message, serial);
    char* data = nullptr;
    int size = 0;
    dbus_message_marshal(message, &data, &size);
    std::string bytes(data, static_cast<std::size_t>(size));
    dbus_free(data);
    dbus_message_unref(message);
    return bytes;
}

inline std::string signalWith(const char* text, std::uint32_t serial = 7)
{
    DBusMessage* message = dbus_message_new_signal("/Vantrel/Application", "Vantrel.Simulator", "Changed");
    dbus_message_append_args(message, DBUS_TYPE_STRING, &text, DBUS_TYPE_INVALID);
    return marshalled(message, serial);
}

// Every string and byte array among the arguments, nested ones too, in order.
inline void collectTexts(DBusMessageIter& iter, std::vector<std::string>& texts)
{
    for (int type; (type = dbus_message_iter_get_arg_type(&iter)) != DBUS_TYPE_INVALID; dbus_message_iter_next(&iter)) {
        DBusMessageIter inner;
        if (type == DBUS_TYPE_STRING) {
            const char* text = nullptr;
            dbus_message_iter_get_basic(&iter, &text);
            texts.emplace_back(text);
        } else if (type == DBUS_TYPE_ARRAY && dbus_message_iter_get_element_type(&iter) == DBUS_TYPE_BYTE) {
            dbus_message_iter_recurse(&iter, &inner);
            const char* bytes = nullptr;
            int count = 0;
            dbus_message_iter_get_fixed_array(&inner, &bytes, &count);
            texts.emplace_back(bytes, static_cast<std::size_t>(count));
        } else if (dbus_type_is_container(type)) {
            dbus_message_iter_recurse(&iter, &inner);
            collectTexts(inner, texts);
        }
    }
}

// The texts of a message; {"invalid"} when the bytes are no message.
inline std::vector<std::string> textsOf(const std::string& bytes)
{
    DBusMessage* message = dbus_message_demarshal(bytes.data(), static_cast<int>(bytes.size()), nullptr);
    if (!message)
        return {"invalid"};
    std::vector<std::string> texts;
    DBusMessageIter iter;
    if (dbus_message_iter_init(message, &iter))
        collectTexts(iter, texts);
    dbus_message_unref(message);
    return texts;
}

// A message's header in one line: kind, serial, flags and fields.
inline std::string describe(const std::string& bytes)
{
    DBusMessage* m = dbus_message_demarshal(bytes.data(), static_cast<int>(bytes.size()), nullptr);
    if (!m)
        return "invalid";
    std::string line = dbus_message_type_to_string(dbus_message_get_type(m));
    const auto field = [&](const char* name, const std::string& value) { line += ' ' + (name + ('=' + value)); };
    const auto text = [](const char* value) { return std::string(value ? value : ""); };
    field("serial", std::to_string(dbus_message_get_serial(m)));
    field("reply", std::to_string(dbus_message_get_reply_serial(m)));
    field("flags", std::to_string(dbus_message_get_no_reply(m)) + std::to_string(dbus_message_get_auto_start(m)));
    field("path", text(dbus_message_get_path(m)));
    field("interface", text(dbus_message_get_interface(m)));
    field("member", text(dbus_message_get_member(m)));
    field("error", text(dbus_message_get_error_name(m)));
    field("from", text(dbus_message_get_sender(m)));
    field("to", text(dbus_message_get_destination(m)));
    field("signature", dbus_message_get_signature(m));
    dbus_message_unref(m);
    return line;
}

// A pcapng file written block by block; every number in the file's byte order.
struct PcapngFile {
    ByteOrder order;
    std::string bytes;

    std::string numbers(std::initializer_list<std::pair<std::uint64_t, int>> fields) const
    {
        std::string out;
        for (const auto& [value, width] : fields)
            order.append(out, value, width);
        return out;
    }
    // A block around `body`; `length` and `trailer` 0: its true length.
    PcapngFile& block(std::uint32_t type, const std::string& body, std::uint32_t length = 0, std::uint32_t trailer = 0)
    {
        const auto whole = static_cast<std::uint32_t>(12 + padded(body.size(), 4));
        length = length ? length : whole;
        bytes += numbers({{type, 4}, {length, 4}}) + body + std::string(padded(body.size(), 4) - body.size(), '\0');
        bytes += numbers({{trailer ? trailer : length, 4}});
        return *this;
    }
    PcapngFile& section(std::uint16_t major = 1)
    {
        return block(0x0A0D0D0A, numbers({{0x1A2B3C4D, 4}, {major, 2}, {0, 2}, {~std::uint64_t{0}, 8}}));
    }
    PcapngFile& interface(std::uint16_t linkType = kLinkTypeDBus, const std::string& options = {})
    {
        return block(1, numbers({{linkType, 2}, {0, 2}, {0, 4}}) + options);
    }
    std::string option(std::uint16_t code, const std::string& value) const
    {
        const std::string padding(padded(value.size(), 4) - value.size(), '\0');
        return numbers({{code, 2}, {value.size(), 2}}) + value + padding;
    }
    // An enhanced packet; `captured` and `original` the data's size unless given.
    PcapngFile& packet(const std::string& data, std::uint64_t stamp = 0, std::uint32_t interface = 0,
                       std::uint32_t captured = 0, std::uint32_t original = 0)
    {
        const std::uint64_t size = data.size();
        return block(6, numbers({{interface, 4}, {stamp >> 32, 4}, {stamp & 0xFFFFFFFF, 4},
                                 {captured ? captured : size, 4}, {original ? original : size, 4}})
                            + data);
    }
    PcapngFile& simplePacket(const std::string& data) { return block(3, numbers({{data.size(), 4}}) + data); }
};

} // namespace vantrel::capture::test
