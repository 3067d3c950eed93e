// The tap's decoder, fed messages built by libdbus as the bus passes them:
// each kind of exchange, each error as the client numbers it, replies
// nobody waits for, clients and servers that go, and the bounds.
#include "wire_builder.h"

#include "support/case_names.h"
#include "tap/tap_decoder.h"

#include <gtest/gtest.h>

namespace vantrel::tap {
namespace {

using test::Arg;
constexpr const char* kClient = ":1.7";
constexpr const char* kOwner = ":1.1";
const std::string kRecord = std::string("FuelingPosition=07\r\nHose=1\r\n") + '\0' + "\xFF\x80";

struct DecoderTest : ::testing::Test {
    TapDecoder decoder{"Vantrel.Application"};
    std::vector<Exchange> ended;

    DecoderTest() { decoder.setServerOwner(kOwner); }
    void feed(const TapMessage& m)
    {
        decoder.feed(m);
        for (auto& e : decoder.takeFinished())
            ended.push_back(std::move(e));
    }
    // The server's answer to the client's call with `serial`.
    test::Wire answer(std::uint32_t serial) { return std::move(test::reply(serial).from(kOwner).to(kClient)); }
};

TEST_F(DecoderTest, PutIsPairedWithItsReplyAndKeepsTheExactBytes)
{
    feed(test::put("Authorize", Value::string(kRecord)).from(kClient).to(test::kServer).serial(5).at(1000));
    EXPECT_TRUE(ended.empty());
    EXPECT_EQ(decoder.waitingCount(), 1u);
    feed(answer(5).at(1500));
    ASSERT_EQ(ended.size(), 1u);
    const Exchange& e = ended[0];
    EXPECT_EQ(e.access, Access::Put);
    EXPECT_EQ(e.member, "Authorize");
    EXPECT_EQ(e.argument, Value::string(kRecord));
    EXPECT_EQ(e.state, ExchangeState::Answered);
    EXPECT_EQ(e.client, kClient);
    EXPECT_EQ(e.server, kOwner);
    EXPECT_EQ(e.callUsec, 1000);
    EXPECT_EQ(e.durationUsec(), 500);
    EXPECT_FALSE(e.result);
    EXPECT_EQ(decoder.otherCount(), 0u);
}

struct GetCase {
    std::string name;
    std::optional<Value> argument;
    Value result;
};

class GetTest : public DecoderTest, public ::testing::WithParamInterface<GetCase> {};

TEST_P(GetTest, ResultComesBackAsTheClientTakesIt)
{
    const GetCase& c = GetParam();
    auto request = test::call("DispenserInformation");
    request.from(kClient).to(test::kServer).serial(9);
    if (c.argument)
        request.arg(*c.argument);
    feed(request.at(10));
    feed(answer(9).arg(c.result).at(20));
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].access, Access::Get);
    EXPECT_EQ(ended[0].argument, c.argument);
    EXPECT_EQ(ended[0].state, ExchangeState::Answered) << ended[0].errorDescription;
    EXPECT_EQ(ended[0].result, c.result);
}

INSTANTIATE_TEST_SUITE_P(Decoder, GetTest,
                         ::testing::Values(GetCase{"no_argument_bytes", std::nullopt, Value::string(kRecord)},
                                           GetCase{"int16_argument", Value::int16(7), Value::string("Dispenser=7\r\n")},
                                           GetCase{"int32_result", Value::int32(-70000), Value::int32(123456)},
                                           GetCase{"double_result", Value::real(2.5), Value::real(-0.125)},
                                           GetCase{"bool_result", Value::boolean(true), Value::boolean(false)},
                                           GetCase{"int16_result", Value::string("x"), Value::int16(-3)}),
                         test_names::ByName{});

TEST_F(DecoderTest, CallWithoutReplyEndsAsItIsSent)
{
    feed(test::call("ClearTopCardQue").from(kClient).to(test::kServer).serial(3).noReply().at(50));
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].access, Access::Call);
    EXPECT_EQ(ended[0].state, ExchangeState::NoReplyExpected);
    EXPECT_EQ(decoder.waitingCount(), 0u);
}

TEST_F(DecoderTest, TextResultAsLatin1AndAboveLatin1IsATypeMismatch)
{
    for (const auto& [serial, text] : {std::pair{1u, std::string("caf\xC3\xA9")}, std::pair{2u, std::string("\xE2\x82\xAC")}}) {
        feed(test::call("CardQue").from(kClient).to(test::kServer).serial(serial).at(1));
        DBusMessage* m = dbus_message_new(DBUS_MESSAGE_TYPE_METHOD_RETURN);
        dbus_message_set_reply_serial(m, serial);
        DBusMessageIter top, variant;
        dbus_message_iter_init_append(m, &top);
        dbus_message_iter_open_container(&top, DBUS_TYPE_VARIANT, "s", &variant);
        const char* c = text.c_str();
        dbus_message_iter_append_basic(&variant, DBUS_TYPE_STRING, &c);
        dbus_message_iter_close_container(&top, &variant);
        feed(test::Wire(m).from(kOwner).to(kClient).at(2));
    }
    ASSERT_EQ(ended.size(), 2u);
    EXPECT_EQ(ended[0].result, Value::string("caf\xE9"));
    EXPECT_EQ(ended[1].state, ExchangeState::Failed);
    EXPECT_EQ(ended[1].errorNumber, 13);
    EXPECT_EQ(ended[1].errorDescription, "Type mismatch: the text holds the character U+20AC, outside the codes 0 to 255");
}

struct ErrorCase {
    std::string name;
    const char* errorName;
    std::string message;
    int number;
    std::string description;
};

class ErrorTest : public DecoderTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(ErrorTest, ErrorIsNumberedAsTheClientNumbersIt)
{
    const ErrorCase& c = GetParam();
    feed(test::call("PresetSale").from(kClient).to(test::kServer).serial(4).arg(Value::int16(40)).at(5));
    feed(test::error(4, c.errorName, c.message).from(kOwner).to(kClient).at(8));
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].state, ExchangeState::Failed);
    EXPECT_EQ(ended[0].errorNumber, c.number);
    EXPECT_EQ(ended[0].errorDescription, c.description);
    EXPECT_FALSE(ended[0].result);
}

INSTANTIATE_TEST_SUITE_P(
    Decoder, ErrorTest,
    ::testing::Values(
        ErrorCase{"server_error_number", "Vantrel.Error.E1003", "Position outside 01 to 32: 40", 1003,
                  "Position outside 01 to 32: 40"},
        ErrorCase{"unknown_method", "org.freedesktop.DBus.Error.UnknownMethod", "No such method", 438,
                  "The server has no such property or method: No such method (org.freedesktop.DBus.Error.UnknownMethod)"},
        ErrorCase{"invalid_args", "org.freedesktop.DBus.Error.InvalidArgs", "bad", 450,
                  "Wrong kind of access or wrong number of arguments for this member: bad "
                  "(org.freedesktop.DBus.Error.InvalidArgs)"},
        ErrorCase{"customer_refused", "Vantrel.Error.CustomerRefused", "chip reader off", 450,
                  "Wrong kind of access or wrong number of arguments for this member: chip reader off "
                  "(Vantrel.Error.CustomerRefused)"},
        ErrorCase{"access_denied", "org.freedesktop.DBus.Error.AccessDenied", "policy", 70,
                  "Permission denied: policy (org.freedesktop.DBus.Error.AccessDenied)"},
        ErrorCase{"no_reply", "org.freedesktop.DBus.Error.NoReply", "gone", 462,
                  "The server is not available: it went away or does not answer: gone "
                  "(org.freedesktop.DBus.Error.NoReply)"},
        ErrorCase{"service_unknown_in_a_call", "org.freedesktop.DBus.Error.ServiceUnknown", "none", 462,
                  "The server is not available: it went away or does not answer: none "
                  "(org.freedesktop.DBus.Error.ServiceUnknown)"},
        ErrorCase{"any_other_name", "com.example.Oops", "odd", 440,
                  "The server reported an error: odd (com.example.Oops)"}),
    test_names::ByName{});

struct BadAnswerCase {
    std::string name;
    Arg result;
    std::string description;
};

class BadAnswerTest : public DecoderTest, public ::testing::WithParamInterface<BadAnswerCase> {};

TEST_P(BadAnswerTest, AnswerTheClientRefusesIsATypeMismatch)
{
    feed(test::call("CardQue").from(kClient).to(test::kServer).serial(6).at(1));
    auto response = answer(6);
    if (GetParam().result.value || GetParam().result.raw)
        response.arg(GetParam().result);
    feed(response.at(2));
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].state, ExchangeState::Failed);
    EXPECT_EQ(ended[0].errorNumber, 13);
    EXPECT_EQ(ended[0].errorDescription, GetParam().description);
}

INSTANTIATE_TEST_SUITE_P(
    Decoder, BadAnswerTest,
    ::testing::Values(BadAnswerCase{"unsigned_in_variant", Arg{std::nullopt, 'u'},
                                    "Type mismatch: a value of D-Bus type 'u' cannot be taken"},
                      BadAnswerCase{"bytes_without_variant", Arg{Value::string("x"), 0, false},
                                    "Type mismatch: 'CardQue' answered with signature 'ay', not one variant"},
                      BadAnswerCase{"nothing", Arg{}, "Type mismatch: 'CardQue' answered with signature '', not one variant"}),
    test_names::ByName{});

TEST_F(DecoderTest, ReplyToAnUnknownSerialIsOther)
{
    feed(answer(77).at(1));
    EXPECT_TRUE(ended.empty());
    ASSERT_EQ(decoder.others().size(), 1u);
    EXPECT_EQ(decoder.others()[0].kind, "reply");
    EXPECT_EQ(decoder.others()[0].destination, kClient);
}

TEST_F(DecoderTest, RepliesArePairedByCallerAndSerial)
{
    feed(test::call("CardQue").from(":1.7").to(test::kServer).serial(2).at(1));
    feed(test::call("KeyQue").from(":1.8").to(test::kServer).serial(2).at(2));
    feed(test::reply(2).from(kOwner).to(":1.8").arg(Value::string("key")).at(3));
    feed(test::reply(2).from(kOwner).to(":1.7").arg(Value::string("card")).at(4));
    ASSERT_EQ(ended.size(), 2u);
    EXPECT_EQ(ended[0].member, "KeyQue");
    EXPECT_EQ(ended[0].result, Value::string("key"));
    EXPECT_EQ(ended[1].member, "CardQue");
    EXPECT_EQ(ended[1].result, Value::string("card"));
}

TEST_F(DecoderTest, ClientThatLeavesBeforeItsReplyWentAway)
{
    feed(test::call("CardQue").from(kClient).to(test::kServer).serial(2).at(1));
    feed(test::ownerChanged(kClient, kClient, "").at(5));
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].state, ExchangeState::ClientGone);
    EXPECT_FALSE(ended[0].errorNumber);
    EXPECT_EQ(decoder.waitingCount(), 0u);
}

TEST_F(DecoderTest, MessagesOutsideTheContractAreKeptApart)
{
    feed(test::Wire(dbus_message_new_method_call(test::kServer, test::kPath, "org.freedesktop.DBus.Introspectable", "Introspect"))
             .from(kClient).to(test::kServer).serial(1).at(1));
    feed(test::Wire(dbus_message_new_method_call(test::kServer, test::kPath, "Vantrel.Simulator", "Advance"))
             .from(kClient).to(test::kServer).serial(2).at(2));
    feed(test::Wire(dbus_message_new_signal(test::kPath, "Vantrel.Simulator", "Changed")).from(kOwner).serial(3).at(3));
    test::Wire simulatorSet(dbus_message_new_method_call(test::kServer, test::kPath, "org.freedesktop.DBus.Properties", "Set"));
    feed(simulatorSet.text("Vantrel.Simulator").text("Clock").arg(Value::int16(1)).from(kClient).to(test::kServer).serial(4).at(4));
    test::Wire get(dbus_message_new_method_call(test::kServer, test::kPath, "org.freedesktop.DBus.Properties", "Get"));
    feed(get.text(test::kServer).text("Authorize").from(kClient).to(test::kServer).serial(5).at(5));
    feed(test::ownerChanged(":1.30", "", ":1.30").at(6));
    feed(TapMessage{7, "not a message"});
    EXPECT_TRUE(ended.empty());
    EXPECT_EQ(decoder.waitingCount(), 0u);
    EXPECT_EQ(decoder.callCount(), 0u);
    ASSERT_EQ(decoder.otherCount(), 7u);
    EXPECT_EQ(decoder.others()[0].interface, "org.freedesktop.DBus.Introspectable");
    EXPECT_EQ(decoder.others()[2].kind, "signal");
    EXPECT_EQ(decoder.others()[5].member, "NameOwnerChanged");
    EXPECT_EQ(decoder.others()[6].kind, "undecodable");
    EXPECT_EQ(decoder.takeNewClients(), std::vector<std::string>{":1.30"});
}

TEST_F(DecoderTest, ServerRestartLosesTheRepliesOfTheOldOneAndFollowsTheNew)
{
    feed(test::call("CardQue").from(kClient).to(test::kServer).serial(2).at(1));
    feed(test::ownerChanged(test::kServer, kOwner, "").at(2));
    feed(test::ownerChanged(test::kServer, "", ":1.9").at(3));
    feed(test::call("KeyQue").from(kClient).to(test::kServer).serial(3).at(4));
    feed(test::reply(3).from(":1.9").to(kClient).arg(Value::string("k")).at(5));
    ASSERT_EQ(ended.size(), 2u);
    EXPECT_EQ(ended[0].state, ExchangeState::ReplyLost);
    EXPECT_EQ(ended[0].lostReason, "the server left the bus");
    EXPECT_EQ(ended[0].errorNumber, 462);
    EXPECT_EQ(ended[1].state, ExchangeState::Answered);
    EXPECT_EQ(ended[1].server, ":1.9");
    EXPECT_EQ(decoder.serverOwner(), ":1.9");
    const auto changes = decoder.takeOwnerChanges();
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[1].previous, "");
    EXPECT_EQ(changes[1].owner, ":1.9");
}

TEST_F(DecoderTest, NameTakenOverLosesTheWaitingCalls)
{
    feed(test::put("Price", Value::string("P")).from(kClient).to(test::kServer).serial(2).at(1));
    feed(test::ownerChanged(test::kServer, kOwner, ":1.12").at(2));
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].lostReason, "the server's owner changed");
    EXPECT_EQ(ended[0].errorDescription, "The server is not available: it went away or does not answer: no reply was "
                                         "seen: the server's owner changed (org.freedesktop.DBus.Error.NoReply)");
}

TEST(DecoderBounds, UnansweredCallsAreGivenUpAfterTheWait)
{
    TapDecoder decoder("Vantrel.Application");
    decoder.feed(test::call("CardQue").from(kClient).to(test::kServer).serial(2).at(0));
    decoder.expire(30000000);
    EXPECT_TRUE(decoder.takeFinished().empty());
    decoder.feed(test::ownerChanged(":1.40", "", ":1.40").at(30000001));
    const auto ended = decoder.takeFinished();
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].lostReason, "no reply within 30 s");
    EXPECT_EQ(ended[0].errorNumber, 462);
}

TEST(DecoderBounds, TooManyWaitingGivesUpTheOldestAndTheEndGivesUpTheRest)
{
    TapDecoder::Limits limits;
    limits.waiting = 2;
    TapDecoder decoder("Vantrel.Application", limits);
    for (std::uint32_t serial = 1; serial <= 3; ++serial)
        decoder.feed(test::call("CardQue").from(kClient).to(test::kServer).serial(serial).at(serial));
    auto ended = decoder.takeFinished();
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].serial, 1u);
    EXPECT_EQ(ended[0].lostReason, "more than 2 calls were waiting; the oldest was given up");
    EXPECT_EQ(decoder.waiting().front().serial, 2u);
    decoder.finish(10);
    ended = decoder.takeFinished();
    ASSERT_EQ(ended.size(), 2u);
    EXPECT_EQ(ended[1].lostReason, "the tap ended");
    EXPECT_FALSE(ended[1].errorNumber);
}

TEST(DecoderBounds, StringsAndOthersKeepTheirBound)
{
    TapDecoder::Limits limits;
    limits.value = 4;
    limits.others = 3;
    TapDecoder decoder("Vantrel.Application", limits);
    decoder.feed(test::put("DisplayData", Value::string("0123456789")).from(kClient).to(test::kServer).serial(1).at(1));
    decoder.feed(test::reply(1).from(kOwner).to(kClient).at(2));
    for (int i = 0; i < 5; ++i)
        decoder.feed(test::reply(100).from(kOwner).to(kClient).at(3));
    const auto ended = decoder.takeFinished();
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].argument, Value::string("0123"));
    EXPECT_EQ(ended[0].argumentOmitted, 6u);
    EXPECT_EQ(decoder.others().size(), 3u);
    EXPECT_EQ(decoder.otherCount(), 5u);
}

} // namespace
} // namespace vantrel::tap
