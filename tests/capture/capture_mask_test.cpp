#include "capture_fixtures.h"

#include "capture/dbus_bytes.h"
#include "journal/card_mask.h"

#include <gtest/gtest.h>

#include <tuple>

namespace vantrel::capture::test {
namespace {

using namespace std::string_literals;
using Texts = std::vector<std::string>;
const std::string kPan = "4761739001010010";

std::string big32(const ByteOrder& order, std::size_t value)
{
    std::string out;
    order.append(out, value, 4);
    return out;
}

// Masked, still a valid message with its header; in the host's byte order
// the header's bytes are kept too (all but the body length).
std::string maskedKeepingHeader(const std::string& message)
{
    journal::CardMasker masker;
    const std::string masked = maskedMessage(message, masker);
    EXPECT_EQ(describe(masked), describe(message));
    if (message[0] == signalWith("")[0]) {
        const std::size_t header = headerLength(message);
        EXPECT_EQ(masked.substr(0, 4), message.substr(0, 4));
        EXPECT_EQ(masked.substr(8, header - 8), message.substr(8, header - 8));
    }
    return masked;
}

// busctl's capture holds a put of a track in "ay" in a variant, a string
// reply and an error that carry a card number; nothing else changes.
TEST(CaptureMask, BusctlCaptureKeepsNoCardNumber)
{
    Texts changed;
    for (const tap::TapMessage& message : readCaptureFile(VANTREL_CAPTURE_TEST_DATA "/busctl_calls.pcapng").messages) {
        const std::string masked = maskedKeepingHeader(message.bytes);
        if (masked != message.bytes)
            for (const std::string& text : textsOf(masked))
                changed.push_back(text);
    }
    EXPECT_EQ(changed, (Texts{"Vantrel.Application", "PacketQueOutput",
                              "ReaderPosition=07\r\nT2=476173******0010D2212201F\r\n\0"s,
                              "ReaderPosition=07\r\nCardNumber=476173******0010\r\n",
                              "Position outside 01 to 32: 40 (card 476173******0010)"}));
}

// a{sv} {"card": v((s ay))}: texts deep inside containers.
TEST(CaptureMask, TextsInDictionariesVariantsAndStructsAreMasked)
{
    DBusMessage* message = dbus_message_new_signal("/Vantrel/Application", "Vantrel.Simulator", "Changed");
    DBusMessageIter iter, dict, entry, variant, record, bytes;
    const char* key = "card";
    const char* text = "PAN 4761739001010010";
    const char* data = text;
    dbus_message_iter_init_append(message, &iter);
    dbus_message_iter_open_container(&iter, DBUS_TYPE_ARRAY, "{sv}", &dict);
    dbus_message_iter_open_container(&dict, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
    dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
    dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "(say)", &variant);
    dbus_message_iter_open_container(&variant, DBUS_TYPE_STRUCT, nullptr, &record);
    dbus_message_iter_append_basic(&record, DBUS_TYPE_STRING, &text);
    dbus_message_iter_open_container(&record, DBUS_TYPE_ARRAY, "y", &bytes);
    dbus_message_iter_append_fixed_array(&bytes, DBUS_TYPE_BYTE, &data, 20);
    for (auto [outer, inner] :
         {std::pair{&record, &bytes}, {&variant, &record}, {&entry, &variant}, {&dict, &entry}, {&iter, &dict}})
        dbus_message_iter_close_container(outer, inner);
    EXPECT_EQ(textsOf(maskedKeepingHeader(marshalled(message))),
              (Texts{"card", "PAN 476173******0010", "PAN 476173******0010"}));
}

TEST(CaptureMask, BigEndianMessageKeepsItsHeaderInTheHostsOrder)
{
    const std::string text = "T2=4761739001010010D221220111438044F \xc3\xbc";
    const ByteOrder big{true};
    std::string m = "B\x04\x00\x01"s + big32(big, 4 + text.size() + 1) + big32(big, 9) + big32(big, 0);
    for (const auto& [code, type, value] :
         {std::tuple{'\x01', 'o', "/a"s}, {'\x02', 's', "a.b"s}, {'\x03', 's', "c"s}}) {
        m.resize(padded(m.size(), 8), '\0');
        m += {code, '\x01', type, '\0'};
        m += big32(big, value.size()) + value + '\0';
    }
    m.resize(padded(m.size(), 8), '\0');
    m += "\x08\x01g\0\x01s\0"s; // the signature field
    big.put32(m, 12, static_cast<std::uint32_t>(m.size() - 16));
    m.resize(padded(m.size(), 8), '\0');
    m += big32(big, text.size()) + text + '\0';
    ASSERT_EQ(textsOf(m), Texts{text});
    EXPECT_EQ(textsOf(maskedKeepingHeader(m)), Texts{"T2=476173******0010D2212201F \xc3\xbc"});
}

TEST(CaptureMask, WhatHoldsNoCardDataOrIsNoMessageStaysAsItIs)
{
    journal::CardMasker masker;
    for (const std::string& bytes : {signalWith("ReaderPosition=07"), "Card=4761739001010010\r\n"s})
        EXPECT_EQ(maskedMessage(bytes, masker), bytes);
}

// libdbus cannot build a file descriptor again: the raw bytes are masked.
TEST(CaptureMask, MessageWithAFileDescriptorIsMaskedAsBytes)
{
    DBusMessage* message = dbus_message_new_signal("/Vantrel/Application", "Vantrel.Simulator", "Changed");
    const char* text = "Card=4761739001010010";
    const dbus_uint32_t index = 0;
    dbus_message_append_args(message, DBUS_TYPE_STRING, &text, DBUS_TYPE_UINT32, &index, DBUS_TYPE_INVALID);
    std::string bytes = marshalled(message);
    bytes.replace(bytes.find("\x02su"), 3, "\x02sh");
    ASSERT_EQ(textsOf(bytes), Texts{text});
    journal::CardMasker masker;
    const std::string masked = maskedMessage(bytes, masker);
    EXPECT_EQ(masked.find(kPan), std::string::npos);
    EXPECT_NE(masked.find("Card=476173******0010"), std::string::npos);
}

} // namespace
} // namespace vantrel::capture::test
