#include "capture_fixtures.h"

#include "inspector/copy_forms.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

namespace vantrel::capture::test {
namespace {

using inspector::copyAsHex;

TEST(CaptureWriter, HeaderIsOneSectionAndOneDBusInterfaceInMicroseconds)
{
    EXPECT_EQ(copyAsHex(pcapngHeader()),
              "0A 0D 0D 0A 1C 00 00 00 4D 3C 2B 1A 01 00 00 00 FF FF FF FF FF FF FF FF 1C 00 00 00 "
              "01 00 00 00 20 00 00 00 E7 00 00 00 00 00 00 00 09 00 01 00 06 00 00 00 00 00 00 00 20 00 00 00");
}

TEST(CaptureWriter, PacketIsAnEnhancedPacketBlockPaddedToFour)
{
    EXPECT_EQ(copyAsHex(pcapngPacket({0x0000000100000002, "hello"})),
              "06 00 00 00 28 00 00 00 00 00 00 00 01 00 00 00 02 00 00 00 05 00 00 00 05 00 00 00 "
              "68 65 6C 6C 6F 00 00 00 28 00 00 00");
}

// Our own messages (each padding to four) and busctl's, written and read back.
TEST(CaptureWriter, WhatItWritesReadsBackEqual)
{
    std::vector<tap::TapMessage> messages = readCaptureFile(VANTREL_CAPTURE_TEST_DATA "/busctl_calls.pcapng").messages;
    ASSERT_FALSE(messages.empty());
    for (const auto& [usec, text] : {std::pair<std::int64_t, const char*>{0, ""}, {1, "a"}, {2, "ab"},
                                     {std::numeric_limits<std::int64_t>::max(), "abc"}})
        messages.push_back({usec, signalWith(text)});
    std::string file = pcapngHeader();
    for (const tap::TapMessage& message : messages)
        file += pcapngPacket(message);
    file += pcapngPacket({-5, signalWith("before 1970")});
    const CaptureRead read = readCapture(file);
    EXPECT_EQ(read.error, "");
    EXPECT_TRUE(read.skipped.empty());
    ASSERT_EQ(read.messages.size(), messages.size() + 1);
    for (std::size_t i = 0; i < messages.size(); ++i) {
        EXPECT_EQ(read.messages[i].usec, messages[i].usec);
        EXPECT_EQ(read.messages[i].bytes, messages[i].bytes);
    }
    EXPECT_EQ(read.messages.back().usec, 0); // a time before 1970 is written as 0
}

TEST(CaptureWriter, RefusesWhatNoDBusMessageCanBe)
{
    EXPECT_THROW(pcapngPacket({0, std::string(kMaxMessage + 1, 'l')}), std::length_error);
}

} // namespace
} // namespace vantrel::capture::test
