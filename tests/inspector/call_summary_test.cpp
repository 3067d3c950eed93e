#include "inspector/call_summary.h"

#include <gtest/gtest.h>

namespace vantrel::inspector {
namespace {

using namespace std::string_literals;

struct SummaryCase {
    const char* name;
    CallEvent event;
    std::string header;
    std::string bytes;
};
void PrintTo(const SummaryCase& c, std::ostream* os) { *os << c.name; }


class CallSummaryTest : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(CallSummaryTest, SaysWhichCallTheBytesBelongTo)
{
    EXPECT_EQ(describeCall(GetParam().event), GetParam().header);
    EXPECT_EQ(shownBytes(GetParam().event), GetParam().bytes);
}

const std::string kLong(50, 'x');

INSTANTIATE_TEST_SUITE_P(
    Calls, CallSummaryTest,
    ::testing::Values(
        SummaryCase{"PutRecord", {Access::Put, "Authorize", Value::string("A=1\r\n\0"s), std::nullopt},
                    "put Authorize · 6 bytes", "A=1\r\n\0"s},
        SummaryCase{"PutOneByte", {Access::Put, "Stop", Value::string("0"), std::nullopt}, "put Stop · 1 byte", "0"},
        SummaryCase{"PutNumber", {Access::Put, "TankMonitorStartReport", Value::int16(1), std::nullopt},
                    "put TankMonitorStartReport · int16 1", "1"},
        SummaryCase{"GetWithNumber",
                    {Access::Get, "FuelingPositionInformation", Value::int16(7), Value::string(std::string(210, 'a'))},
                    "get FuelingPositionInformation(7) → 210 bytes", std::string(210, 'a')},
        SummaryCase{"CallNumber", {Access::Call, "QueCountQuery", std::nullopt, Value::real(2.5)},
                    "call QueCountQuery → double 2.5", "2.5"},
        SummaryCase{"CallEmpty", {Access::Call, "ClearTopCardQue", std::nullopt, Value()}, "call ClearTopCardQue → empty", ""},
        SummaryCase{"StringArgument", {Access::Get, "Echo", Value::string("a\r\n\xe9"), Value::boolean(true)},
                    "get Echo(\"a<CR><LF>é\") → bool True", "True"},
        SummaryCase{"LongArgument", {Access::Get, "Echo", Value::string(kLong), Value::string("")},
                    "get Echo(\"" + kLong.substr(0, 40) + "\"…) → 0 bytes", ""},
        SummaryCase{"FailedRead", {Access::Get, "Echo", Value::string("ab"), std::nullopt}, "get Echo(\"ab\")", "ab"}),
    [](const auto& info) { return std::string(info.param.name); });

struct KeptCase {
    const char* name;
    CallEvent event;
    Omitted omitted;
    std::string argument; // what stays of each ("-": none)
    std::string result;
    std::string header;
};
void PrintTo(const KeptCase& c, std::ostream* os) { *os << c.name; }

class KeptCopy : public ::testing::TestWithParam<KeptCase> {};

std::string keptText(const std::optional<Value>& v) { return v ? shownBytes({Access::Put, "", v, std::nullopt}) : "-"; }

TEST_P(KeptCopy, KeepsTheFirstBytesAndCountsTheRest)
{
    const KeptCase& c = GetParam();
    Omitted omitted{99, 99};
    const CallEvent kept = keepBounded(c.event, 4, omitted);
    EXPECT_EQ(omitted, c.omitted);
    EXPECT_EQ(keptText(kept.argument), c.argument);
    EXPECT_EQ(keptText(kept.result), c.result);
    EXPECT_EQ(kept.member, c.event.member);
    EXPECT_EQ(kept.window, c.event.window);
    EXPECT_EQ(kept.atMs, c.event.atMs);
    EXPECT_EQ(kept.durationMs, c.event.durationMs);
    EXPECT_EQ(describeCall(kept, omitted), c.header);
}

INSTANTIATE_TEST_SUITE_P(
    Values, KeptCopy,
    ::testing::Values(
        KeptCase{"ShortStaysWhole", {Access::Get, "CardQue", std::nullopt, Value::string("abcd"), "W", "C", 5, 7},
                 {0, 0}, "-", "abcd", "get CardQue → 4 bytes"},
        KeptCase{"LongResultIsCut", {Access::Get, "CardQue", std::nullopt, Value::string("abcdefghij"), "W", "C", 5, 7},
                 {0, 6}, "-", "abcd", "get CardQue → 10 bytes, the first 4 kept"},
        KeptCase{"LongPutIsCut", {Access::Put, "DisplayData", Value::string("A=1\r\n\0"s), std::nullopt, "W", "C", 1, 2},
                 {2, 0}, "A=1\r", "-", "put DisplayData · 6 bytes, the first 4 kept"},
        KeptCase{"BothCut", {Access::Get, "Echo", Value::string("12345"), Value::string("123456"), "", "", 0, 0},
                 {1, 2}, "1234", "1234", "get Echo(\"1234\") → 6 bytes, the first 4 kept"},
        KeptCase{"NumbersStay", {Access::Get, "Info", Value::int16(12345), Value::real(123456.5), "", "", 0, 0},
                 {0, 0}, "12345", "123456.5", "get Info(12345) → double 123456.5"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CallSummary, TheNoteOfWhatWasLeftOutGroupsItsDigits)
{
    EXPECT_EQ(omittedNote(1), "1 more byte not kept");
    EXPECT_EQ(omittedNote(999), "999 more bytes not kept");
    EXPECT_EQ(omittedNote(1000), "1,000 more bytes not kept");
    EXPECT_EQ(omittedNote(49737856), "49,737,856 more bytes not kept");
    const CallEvent read{Access::Get, "CardQue", Value::string("ab"), Value::string("xy")};
    EXPECT_EQ(shownOmitted(read, {3, 5}), 5u);
    EXPECT_EQ(shownOmitted({Access::Get, "CardQue", Value::string("ab"), std::nullopt}, {3, 5}), 3u);
    EXPECT_EQ(shownOmitted({Access::Put, "Stop", Value::string("ab"), std::nullopt}, {3, 5}), 3u);
    EXPECT_EQ(describeFailure(read, 463, "too large", {0, 5}), "error 463: too large · get CardQue(\"ab\") → 7 bytes, the first 2 kept");
}

TEST(CallSummary, FailureLeadsWithTheError)
{
    const CallEvent put{Access::Put, "Authorize", Value::string("A=1\r\n\0"s), std::nullopt};
    EXPECT_EQ(describeFailure(put, 1101, "No such position"), "error 1101: No such position · put Authorize · 6 bytes");
    EXPECT_EQ(describeFailure(put, 5, ""), "error 5 · put Authorize · 6 bytes");
}

} // namespace
} // namespace vantrel::inspector
