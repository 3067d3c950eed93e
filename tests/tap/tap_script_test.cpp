// The tapped conversation as a script: the line of each kind of exchange,
// and the answers masked as a saved session masks them.
#include "support/case_names.h"
#include "tap/tap_script.h"

#include <gtest/gtest.h>

namespace vantrel::tap {
namespace {

const std::string kTrack = "Track2=;4111111111111111=28121010000000000000?";

Exchange exchange(Access access, const char* member, std::optional<Value> argument, ExchangeState state)
{
    Exchange e;
    e.client = ":1.7";
    e.access = access;
    e.member = member;
    e.argument = std::move(argument);
    e.state = state;
    return e;
}

struct LineCase {
    std::string name;
    Exchange exchange;
    std::string lines;
};

Exchange answered(Access access, const char* member, std::optional<Value> argument, std::optional<Value> result)
{
    Exchange e = exchange(access, member, std::move(argument), ExchangeState::Answered);
    e.result = std::move(result);
    return e;
}

Exchange failed(Exchange e, int number)
{
    e.state = ExchangeState::Failed;
    e.errorNumber = number;
    e.errorDescription = "Position outside 01 to 32: 40";
    return e;
}

Exchange lost(Exchange e, ExchangeState state, const char* reason)
{
    e.state = state;
    e.lostReason = reason;
    return e;
}

Exchange withOmitted(Exchange e, std::size_t argument, std::size_t result)
{
    e.argumentOmitted = argument;
    e.resultOmitted = result;
    return e;
}

class LineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineTest, ExchangeBecomesTheLinesThatRepeatIt)
{
    TapScript script;
    EXPECT_EQ(script.lines(GetParam().exchange), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    TapScript, LineTest,
    ::testing::Values(
        LineCase{"put", answered(Access::Put, "Authorize", Value::string(std::string("P=07\r\n") + '\0'), std::nullopt),
                 "put Authorize string P=07\\r\\n\\0\n"},
        LineCase{"get_with_argument", answered(Access::Get, "DispenserInformation", Value::int16(7), Value::string("D=7\r\n")),
                 "get DispenserInformation int16 7\nexpect result is D=7\\r\\n\n"},
        LineCase{"get_number", answered(Access::Get, "QueCountQuery", std::nullopt, Value::int16(3)),
                 "get QueCountQuery\nexpect result is 3\n"},
        LineCase{"failed", failed(answered(Access::Put, "Stop", Value::string("P=40"), std::nullopt), 1003),
                 "expect error 1003\nput Stop string P=40\n"},
        LineCase{"no_reply_expected", exchange(Access::Call, "ClearTopCardQue", std::nullopt, ExchangeState::NoReplyExpected),
                 "call ClearTopCardQue\n"},
        LineCase{"reply_lost", lost(exchange(Access::Get, "CardQue", std::nullopt, {}), ExchangeState::ReplyLost, "the tap ended"),
                 "# no reply was seen: the tap ended\nget CardQue\n"},
        LineCase{"client_gone", lost(exchange(Access::Get, "CardQue", std::nullopt, {}), ExchangeState::ClientGone, ""),
                 "# the client went away before its reply\nget CardQue\n"},
        LineCase{"card_data_answer", answered(Access::Get, "CardQue", std::nullopt, Value::string("A=1\r\n" + kTrack)),
                 "get CardQue\nexpect result contains A=1\\r\\nTrack2=;411111\n"},
        LineCase{"cut_answer", withOmitted(answered(Access::Get, "ReadErrorQue", std::nullopt, Value::string("abc")), 0, 9),
                 "get ReadErrorQue\nexpect result contains abc\n"},
        LineCase{"cut_value", withOmitted(answered(Access::Put, "DisplayData", Value::string("0123"), std::nullopt), 6, 0),
                 "# put DisplayData by :1.7 is not repeated: its value of 10 bytes was not kept whole\n"},
        LineCase{"member_no_script_can_call", answered(Access::Get, "Not-a-member", std::nullopt, Value::int16(1)),
                 "# get Not-a-member by :1.7 is not repeated: \"Not-a-member\" is not a member name (ASCII letters, "
                 "digits and _, not beginning with a digit, at most 255)\n"}),
    test_names::ByName{});

TEST(TapScript, LongAnswerIsCheckedByItsLastBytes)
{
    TapScript script;
    const std::string answer = std::string(4000, 'a') + std::string(600, 'b');
    EXPECT_EQ(script.lines(answered(Access::Get, "PrintStatus", std::nullopt, Value::string(answer))),
              "get PrintStatus\nexpect result contains " + std::string(512, 'b') + "\n");
}

TEST(TapScript, UnmaskedKeepsTheWholeAnswerAndSentCardDataIsNoted)
{
    TapScript script(false);
    EXPECT_EQ(script.lines(answered(Access::Get, "CardQue", std::nullopt, Value::string(kTrack))),
              "get CardQue\nexpect result is " + kTrack + "\n");
    EXPECT_FALSE(script.sentCardData());
    script.lines(answered(Access::Put, "DisplayData", Value::string(kTrack), std::nullopt));
    EXPECT_TRUE(script.sentCardData());
}

TEST(TapScript, KeysAfterAPinEntryAreMaskedInTheAnswer)
{
    TapScript script;
    script.lines(answered(Access::Put, "KeyEntryType", Value::string("ReaderPosition=07\r\nEntryMode=PIN\r\n"), std::nullopt));
    const std::string keyed = "ReaderPosition=07\r\nKeyData=1234\r\n";
    const std::string lines = script.lines(answered(Access::Get, "KeyQue", std::nullopt, Value::string(keyed)));
    EXPECT_EQ(lines.find("1234"), std::string::npos) << lines;
    EXPECT_EQ(lines, "get KeyQue\nexpect result contains ReaderPosition=07\\r\\nKeyData=\n");
}

} // namespace
} // namespace vantrel::tap
