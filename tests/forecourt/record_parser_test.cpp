#include "forecourt/record_parser.h"
#include "server/automation_error.h"

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::forecourt;

TEST(RecordParser, ToleratesLineEndsAndBlanks)
{
    const auto r = parseRecord(std::string("ReaderPosition = 05\nPacketCount=003\r\nRequestWord\r\n\0", 51), true);
    ASSERT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(r.require("ReaderPosition"), "05");
    EXPECT_EQ(r.require("packetcount"), "003");
    EXPECT_FALSE(r.lines[2].hasKey);
    EXPECT_EQ(r.lines[2].value, "RequestWord");
    EXPECT_TRUE(r.terminated);
}

TEST(RecordParser, RefusesMissingTerminatorAndTrailingBytes)
{
    EXPECT_THROW(parseRecord("A=1\r\n", true), AutomationError);
    EXPECT_NO_THROW(parseRecord("A=1\r\n", false));
    EXPECT_THROW(parseRecord(std::string("A=1\0B", 5), false), AutomationError);
}

TEST(RecordParser, MissingKeyRaisesNumberedError)
{
    const auto r = parseRecord(std::string("A=1\r\n\0", 6), true);
    try {
        r.require("B");
        FAIL();
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), static_cast<int>(ErrorCode::MissingKey));
    }
}

TEST(RecordParser, Positions)
{
    EXPECT_EQ(parsePosition("01"), 1);
    EXPECT_EQ(parsePosition("32"), 32);
    EXPECT_EQ(parsePosition("0", true), 0);
    for (const char* bad : {"0", "33", "1", "", "x1", "001", "-1"})
        EXPECT_THROW(parsePosition(bad), AutomationError) << bad;
}
