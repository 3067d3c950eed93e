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

TEST(CallSummary, FailureLeadsWithTheError)
{
    const CallEvent put{Access::Put, "Authorize", Value::string("A=1\r\n\0"s), std::nullopt};
    EXPECT_EQ(describeFailure(put, 1101, "No such position"), "error 1101: No such position · put Authorize · 6 bytes");
    EXPECT_EQ(describeFailure(put, 5, ""), "error 5 · put Authorize · 6 bytes");
}

} // namespace
} // namespace vantrel::inspector
