// Raw call lines: what the script reader takes and refuses, the one
// formatter read back to the same call, and the one entry point on a session.
#include "support/case_names.h"
#include "support/session_rig.h"

#include "session/handler_runner.h"
#include "session/raw_call.h"
#include "session/script.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

using namespace vantrel;
using namespace vantrel::test;
using namespace std::string_literals;

namespace {

// The same value to the bit: a double's sign of zero and NaN count.
bool same(const std::optional<Value>& a, const std::optional<Value>& b)
{
    if (!a || !b || a->type() != Value::Type::Double || b->type() != Value::Type::Double)
        return a == b;
    const double x = a->asDouble(), y = b->asDouble();
    return std::memcmp(&x, &y, sizeof x) == 0;
}

std::string described(const std::optional<Value>& v)
{
    if (!v)
        return "(no value)";
    return std::string(typeName(v->type())) + " " + rawCallLine(Access::Put, "M", v);
}

struct GoodLine {
    const char* name;
    std::string line;
    Access access;
    const char* member;
    std::optional<Value> value;
};

class RawCallReads : public ::testing::TestWithParam<GoodLine> {};

TEST_P(RawCallReads, AsTheCallItWrites)
{
    const auto& c = GetParam();
    const auto commands = parseScript("# first\n" + c.line + "\n");
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].kind, ScriptCommand::Kind::RawCall);
    EXPECT_EQ(commands[0].line, 2);
    EXPECT_EQ(commands[0].access, c.access);
    EXPECT_EQ(commands[0].target, c.member);
    EXPECT_TRUE(same(commands[0].value, c.value)) << described(commands[0].value) << " / " << described(c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RawCallReads,
    ::testing::Values(
        GoodLine{"put_record", "put Price string P=07\\r\\n\\0", Access::Put, "Price", Value::string("P=07\r\n\0"s)},
        GoodLine{"put_int16", "put TankMonitorStartReport int16 1", Access::Put, "TankMonitorStartReport", Value::int16(1)},
        GoodLine{"get_without_argument", "get FuelingPositionInformation", Access::Get, "FuelingPositionInformation", {}},
        GoodLine{"get_double", "get Info double 7", Access::Get, "Info", Value::real(7)},
        GoodLine{"call_int16_smallest", "call M int16 -32768", Access::Call, "M", Value::int16(-32768)},
        GoodLine{"int32_smallest", "call M int32 -2147483648", Access::Call, "M", Value::int32(-2147483647 - 1)},
        GoodLine{"double_exponent", "get M double -1.25e-3", Access::Get, "M", Value::real(-1.25e-3)},
        GoodLine{"double_infinity", "get M double -Infinity", Access::Get, "M", Value::real(-HUGE_VAL)},
        GoodLine{"bool_true", "put M bool true", Access::Put, "M", Value::boolean(true)},
        GoodLine{"bool_zero", "put M bool 0", Access::Put, "M", Value::boolean(false)},
        GoodLine{"empty_string", "put M string", Access::Put, "M", Value::string("")},
        GoodLine{"string_keeps_its_blanks", "put M string  a b ", Access::Put, "M", Value::string(" a b ")},
        GoodLine{"latin1_character_and_byte", "put M string \xC3\xBC\\xFF", Access::Put, "M", Value::string("\xFC\xFF")},
        GoodLine{"underscores_and_digits", "get _Member_2", Access::Get, "_Member_2", {}}),
    test_names::ByName());

struct BadLine {
    const char* name;
    std::string script;
    int line;
    const char* reason; // a part of the reason
};

class RawCallRefused : public ::testing::TestWithParam<BadLine> {};

TEST_P(RawCallRefused, BeforeAnythingRunsWithItsLine)
{
    const auto& c = GetParam();
    try {
        parseScript(c.script);
        FAIL() << "read without a fault";
    } catch (const ScriptError& e) {
        EXPECT_EQ(e.line, c.line);
        EXPECT_NE(e.reason.find(c.reason), std::string::npos) << e.reason;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RawCallRefused,
    ::testing::Values(
        BadLine{"put_without_member", "put", 1, "put needs a member name"},
        BadLine{"get_without_member", "select 1\nget\n", 2, "get needs a member name"},
        BadLine{"member_with_a_dash", "call Foo-Bar", 1, "\"Foo-Bar\" is not a member name"},
        BadLine{"member_beginning_with_a_digit", "get 7Up", 1, "\"7Up\" is not a member name"},
        BadLine{"member_too_long", "get " + std::string(256, 'M'), 1, "is not a member name"},
        BadLine{"put_without_value", "put Price", 1, "put needs a type and a value: put MEMBER TYPE VALUE"},
        BadLine{"type_left_out", "put Price ", 1, "after the member write TYPE VALUE"},
        BadLine{"unknown_type", "put P text a", 1, "unknown type \"text\": write string, int16, int32, double or bool"},
        BadLine{"int16_too_large", "put M int16 32768", 1, "int16 takes a whole number from -32768 to 32767, not \"32768\""},
        BadLine{"int16_not_a_number", "put M int16 7 ", 1, "int16 takes a whole number"},
        BadLine{"int16_without_value", "get M int16", 1, "int16 needs a value after it"},
        BadLine{"int32_too_large", "put M int32 2147483648", 1, "int32 takes a whole number"},
        BadLine{"double_with_a_comma", "put M double 1,5", 1, "double takes a decimal number"},
        BadLine{"double_beyond_range", "put M double 1e400", 1, "double takes a decimal number"},
        BadLine{"double_inf_spelled_short", "put M double inf", 1, "double takes a decimal number"},
        BadLine{"bool_yes", "put M bool yes", 1, "bool takes true, false, 1 or 0, not \"yes\""},
        BadLine{"bad_escape", "put M string a\\q", 1, "unknown escape \\q"},
        BadLine{"expect_result_without_get", "call M\nexpect result is 1\n", 2,
                "expect result checks the result of a get, and no get comes before it"},
        BadLine{"expect_result_how_unknown", "get M\nexpect result equals 1\n", 2,
                "write expect result is TEXT or expect result contains TEXT"}),
    test_names::ByName());

TEST(RawCallLine, WritesTheLinesOfTheScriptLanguage)
{
    EXPECT_EQ(rawCallLine(Access::Put, "Price", Value::string("P=07\r\n\0 "s)), "put Price string P=07\\r\\n\\0\\x20");
    EXPECT_EQ(rawCallLine(Access::Get, "Info", Value::real(-0.0)), "get Info double -0");
    EXPECT_EQ(rawCallLine(Access::Call, "InvokeHelpFile", std::nullopt), "call InvokeHelpFile");
}

TEST(RawCallLine, ReadsBackAsTheSameCall)
{
    std::string every;
    for (int c = 0; c < 256; ++c)
        every += static_cast<char>(c);
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::optional<Value>> values = {
        Value::string(every), Value::string("\0\r\n\\"s), Value::string("trailing blank "), Value::string(" "),
        Value::string(""), Value::string("\\x41 \\0"), Value::int16(32767), Value::int32(2147483647),
        Value::real(-0.0), Value::real(1e300), Value::real(5e-324), Value::real(0.1 + 0.2), Value::real(std::nan("")),
        Value::real(inf), Value::boolean(false), std::nullopt};
    for (const Access access : {Access::Put, Access::Get, Access::Call})
        for (const auto& value : values) {
            if (access == Access::Put && !value)
                continue;
            const std::string line = rawCallLine(access, "Member_1", value);
            const auto commands = parseScript(line + "\r\n");
            ASSERT_EQ(commands.size(), 1u) << line;
            EXPECT_EQ(commands[0].access, access) << line;
            EXPECT_EQ(commands[0].target, "Member_1") << line;
            EXPECT_TRUE(same(commands[0].value, value)) << line;
        }
}

TEST(RawCallLine, RefusesWhatCannotBeSent)
{
    EXPECT_THROW(rawCallLine(Access::Put, "M", std::nullopt), std::invalid_argument);
    EXPECT_THROW(rawCallLine(Access::Get, "", std::nullopt), std::invalid_argument);
    EXPECT_THROW(rawCallLine(Access::Get, "M", Value()), std::invalid_argument);
    EXPECT_EQ(rawCallProblem(Access::Get, "M", Value()),
              "an empty value cannot be sent: give it a type, string, int16, int32, double or bool");
    const std::optional<Value> huge = Value::string(std::string(kRawValueLimit + 1, 'x'));
    EXPECT_EQ(rawCallProblem(Access::Put, "M", huge),
              "the value is 67108865 bytes long; a call sends at most 67108864 bytes in one value");
    EXPECT_EQ(rawCallProblem(Access::Put, "M", Value::string(std::string(kRawValueLimit, 'x'))), "");
}

// The actions and calls a raw call shows the observers.
struct ActionLog : SessionObserver {
    std::vector<std::string> events;
    void actionStarted(const UserAction& a) override { events.push_back(a.window + "/" + a.control + " " + a.text); }
    void callMade(const CallEvent& e) override { events.push_back("call by " + e.window + "/" + e.control); }
    void boxChanged(Box b, std::string_view) override { events.push_back(boxName(b)); }
};

TEST(RawCall, GoesThroughTheSessionAsAnActionOfItsOwnAndWritesNoBox)
{
    SessionRig rig;
    ActionLog log;
    rig.session.addObserver(&log);
    rig.server.answer("Info", Value::string("FuelingPosition=7\r\n"));
    rig.server.fail("Bad", 1003, "Position out of range");
    EXPECT_EQ(rawCall(rig.session, Access::Put, "Price", Value::string("P=1\r\n\0"s), "ComposeCall"), std::nullopt);
    EXPECT_EQ(rawCall(rig.session, Access::Get, "Info", Value::int16(7)), Value::string("FuelingPosition=7\r\n"));
    EXPECT_EQ(rawCall(rig.session, Access::Get, "Bad", Value::int16(40)), std::nullopt);
    rig.session.removeObserver(&log);
    EXPECT_EQ(rig.server.calls()[0].value, Value::string("P=1\r\n\0"s));
    EXPECT_EQ(rig.server.calls()[1].value, Value::int16(7));
    EXPECT_EQ(log.events, (std::vector<std::string>{"ComposeCall/Price put", "call by ComposeCall/Price", "/Info get",
                                                    "call by /Info", "/Bad get", "call by /Bad"}));
    EXPECT_EQ(rig.prompter.messages(), std::vector<std::string>{"Error 1003: Position out of range"});
}

TEST(RawCall, DoesNothingWhileAnotherCommandRunsNorForACallThatCannotBeSent)
{
    SessionRig rig;
    std::optional<Value> inside = Value::int16(0);
    runHandler(rig.session, [&](Session& s) { inside = rawCall(s, Access::Get, "Busy", std::nullopt); });
    EXPECT_EQ(inside, std::nullopt);
    EXPECT_THROW(rawCall(rig.session, Access::Put, "Price", std::nullopt), std::invalid_argument);
    EXPECT_THROW(rawCall(rig.session, Access::Get, "Not-a-member", std::nullopt), std::invalid_argument);
    EXPECT_TRUE(rig.server.calls().empty());
}

} // namespace
