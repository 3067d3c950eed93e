// Calls another client made, as the site tap hands them to the journal:
// added waiting, updated when the reply comes, their clients listed, kept
// within the journal's bounds; and the script line of a row.
#include "journal/call_journal.h"

#include "support/case_names.h"

#include <gtest/gtest.h>

namespace vantrel::journal {
namespace {

using namespace std::string_literals;

TappedCall tapped(std::string client, Access access, std::string member, std::optional<Value> argument)
{
    TappedCall call;
    call.call = CallEvent{access, std::move(member), std::move(argument), std::nullopt};
    call.call.client = std::move(client);
    return call;
}

TEST(TappedRows, AddedWaitingThenUpdatedByTheReply)
{
    CallJournal journal;
    journal.callMade({Access::Get, "QueCountQuery", std::nullopt, Value::string("Card=0")});
    TappedCall call = tapped(":1.7 (pid 42, busctl)", Access::Get, "DispenserInformation", Value::int16(7));
    const long long row = journal.addTapped(call);
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_EQ(journal.at(1).tapped, Tapped::Waiting);
    EXPECT_EQ(journal.at(1).call.client, ":1.7 (pid 42, busctl)");
    EXPECT_EQ(journal.at(0).tapped, Tapped::None);
    EXPECT_EQ(tappedText(journal.at(1).tapped, {}), "waiting for its reply");

    call.state = Tapped::Done;
    call.call.result = Value::string("Dispenser=7\r\n");
    call.call.durationMs = 3;
    const std::size_t before = journal.bytes();
    ASSERT_TRUE(journal.updateTapped(row, call));
    EXPECT_EQ(journal.at(1).tapped, Tapped::Done);
    EXPECT_EQ(journal.at(1).call.result->asString(), "Dispenser=7\r\n");
    EXPECT_EQ(journal.bytes(), before + std::string("Dispenser=7\r\n").size());
    EXPECT_FALSE(journal.updateTapped(row + 1, call)); // no such row
}

TEST(TappedRows, ClientsListedOnceInTheOrderTheyCame)
{
    CallJournal journal;
    journal.addTapped(tapped(":1.9", Access::Call, "ClearTopCardQue", std::nullopt));
    journal.addTapped(tapped(":1.8", Access::Call, "ClearTopCardQue", std::nullopt));
    journal.addTapped(tapped(":1.9", Access::Get, "QueCountQuery", std::nullopt));
    journal.callMade({Access::Get, "QueCountQuery", std::nullopt, std::nullopt}); // the utility's own: no client
    EXPECT_EQ(journal.clients(), (std::deque<std::string>{":1.9", ":1.8"}));
    journal.clear();
    EXPECT_TRUE(journal.clients().empty());
}

TEST(TappedRows, AReplyToADroppedRowIsRefusedAndTheBoundHolds)
{
    CallJournal journal(2);
    const long long first = journal.addTapped(tapped(":1.1", Access::Get, "A", std::nullopt));
    journal.addTapped(tapped(":1.1", Access::Get, "B", std::nullopt));
    journal.addTapped(tapped(":1.1", Access::Get, "C", std::nullopt));
    EXPECT_EQ(journal.size(), 2u);
    EXPECT_FALSE(journal.updateTapped(first, tapped(":1.1", Access::Get, "A", std::nullopt)));
}

TEST(TappedRows, ALostReplySaysWhy)
{
    CallJournal journal;
    TappedCall call = tapped(":1.1", Access::Get, "A", std::nullopt);
    call.state = Tapped::ReplyLost;
    call.lostReason = "the server left the bus";
    journal.addTapped(call);
    EXPECT_EQ(tappedText(journal.at(0).tapped, journal.at(0).lostReason), "reply lost: the server left the bus");
}

TEST(ScriptLine, IsTheRawCallLineOfTheRowExactly)
{
    CallJournal journal;
    journal.addTapped(tapped(":1.1", Access::Put, "Authorize", Value::string("FuelingPosition=07\r\nHose=1\r\n\0"s)));
    std::string problem;
    EXPECT_EQ(scriptLineOf(journal.at(0), problem), "put Authorize string FuelingPosition=07\\r\\nHose=1\\r\\n\\0");
    EXPECT_EQ(problem, "");
}

struct Refusal {
    std::string name;
    TappedCall call;
    std::size_t valueLimit;
    std::string problem;
};

class ScriptLineRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(ScriptLineRefusal, SaysWhyAndGivesNoLine)
{
    CallJournal journal(10, CallJournal::kByteLimit, GetParam().valueLimit);
    journal.addTapped(GetParam().call);
    std::string problem;
    EXPECT_EQ(scriptLineOf(journal.at(0), problem), std::nullopt);
    EXPECT_EQ(problem, GetParam().problem);
}

TappedCall withNote()
{
    TappedCall call = tapped(":1.1", Access::Get, "DispenserInformation", std::nullopt);
    call.argumentNote = "a value of D-Bus type 'u'";
    return call;
}

INSTANTIATE_TEST_SUITE_P(
    TappedRows, ScriptLineRefusal,
    ::testing::Values(
        Refusal{"value_kept_in_part", tapped(":1.1", Access::Put, "Display", Value::string(std::string(10, 'x'))), 4,
                "only the first bytes of the value sent were kept (6 more bytes not kept): no script line made from "
                "them sends the same"},
        Refusal{"argument_no_contract_value", withNote(), CallJournal::kValueLimit,
                "what the client sent is no value a script line sends: a value of D-Bus type 'u'"},
        Refusal{"put_without_value", tapped(":1.1", Access::Put, "Price", std::nullopt), CallJournal::kValueLimit,
                "put needs a type and a value: put MEMBER TYPE VALUE"}),
    test_names::ByName{});

} // namespace
} // namespace vantrel::journal
