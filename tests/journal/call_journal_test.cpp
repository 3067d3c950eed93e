#include "journal/call_journal.h"

#include <gtest/gtest.h>

namespace vantrel::journal {
namespace {

CallEvent put(std::string member, std::string bytes, long long at = 0)
{
    return {Access::Put, std::move(member), Value::string(std::move(bytes)), std::nullopt, "VantrelTest", "Authorize", at, 2};
}

struct Counts : CallJournal::Listener {
    std::size_t added = 0, dropped = 0, changed = 0, clears = 0;
    void rowsAdded(std::size_t, std::size_t count) override { added += count; }
    void rowsDropped(std::size_t count) override { dropped += count; }
    void rowChanged(std::size_t) override { ++changed; }
    void cleared() override { ++clears; }
};

TEST(CallJournal, KeepsTheNewestCallsAndSaysHowManyWentAndTellsItsView)
{
    CallJournal journal(3);
    Counts view;
    journal.setListener(&view);
    for (int i = 1; i <= 5; ++i)
        journal.callMade(put("Authorize", "record " + std::to_string(i), i * 10));
    ASSERT_EQ(journal.size(), 3u);
    EXPECT_EQ(journal.at(0).number, 3);
    EXPECT_EQ(journal.at(2).call.argument->asString(), "record 5");
    EXPECT_EQ(journal.at(2).call.atMs, 50);
    EXPECT_EQ(journal.total(), 5);
    EXPECT_EQ(journal.dropped(), 2);
    EXPECT_EQ(view.added, 5u);
    EXPECT_EQ(view.dropped, 2u);

    journal.clear();
    EXPECT_EQ(journal.size(), 0u);
    EXPECT_EQ(journal.bytes(), 0u);
    EXPECT_EQ(view.clears, 1u);
}

TEST(CallJournal, StaysWithinItsByteBoundButKeepsTheNewestCallWhateverItsSize)
{
    CallJournal journal(1000, 10000, 100000);
    for (int i = 0; i < 100; ++i)
        journal.callMade(put("DisplayData", std::string(1000, 'x')));
    EXPECT_LE(journal.bytes(), 10000u);
    EXPECT_LT(journal.size(), 10u);
    journal.callMade(put("DisplayData", std::string(50000, 'y')));
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_EQ(journal.at(0).call.argument->asString().size(), 50000u);
}

TEST(CallJournal, KeepsTheFirstBytesOfAHugeValueAndCountsTheRest)
{
    CallJournal journal(1000, 20000, 4096);
    CallEvent read{Access::Get, "CardQue", Value::string(std::string(5000, 'a')), Value::string(""), "VantrelTest", "CardQue", 0, 1};
    std::string answer(4096, 'r');
    answer += std::string(1000000, 's');
    read.result = Value::string(answer);
    journal.callMade(read);
    journal.callFailed("CardQue", 440, std::string(4097, 'e'));
    ASSERT_EQ(journal.size(), 1u);
    const JournalEntry& row = journal.at(0);
    EXPECT_EQ(row.call.argument->asString(), std::string(4096, 'a'));
    EXPECT_EQ(row.call.result->asString(), std::string(4096, 'r'));
    EXPECT_EQ(row.argumentOmitted, 904u);
    EXPECT_EQ(row.resultOmitted, 1000000u);
    EXPECT_EQ(row.errorDescription, std::string(4096, 'e'));
    EXPECT_EQ(row.errorOmitted, 1u);
    EXPECT_EQ(row.call.member, "CardQue");
    EXPECT_EQ(row.call.control, "CardQue");
    // Three values of at most 4096 bytes: what the row holds, whatever came.
    EXPECT_EQ(journal.bytes(), row.bytes);
    EXPECT_LE(journal.bytes(), 3 * 4096 + sizeof(JournalEntry) + 64);
    // A value at the limit is kept whole.
    journal.callMade(put("DisplayData", std::string(4096, 'x')));
    EXPECT_EQ(journal.at(journal.size() - 1).argumentOmitted, 0u);
    EXPECT_EQ(journal.at(journal.size() - 1).call.argument->asString().size(), 4096u);
}

TEST(CallJournal, AFailureBelongsToTheCallJustMadeAndMembersAreListedOnce)
{
    CallJournal journal;
    Counts view;
    journal.setListener(&view);
    journal.callMade(put("Authorize", "a"));
    journal.callMade({Access::Get, "CardQue", std::nullopt, std::nullopt, "VantrelTest", "CardQue", 5, 1});
    journal.callFailed("CardQue", 1101, "No such position");
    journal.callMade(put("Authorize", "b"));
    ASSERT_EQ(journal.size(), 3u);
    EXPECT_FALSE(journal.at(0).errorNumber);
    EXPECT_EQ(journal.at(1).errorNumber, 1101);
    EXPECT_EQ(journal.at(1).errorDescription, "No such position");
    EXPECT_EQ(view.changed, 1u);
    EXPECT_EQ(journal.members(), (std::vector<std::string>{"Authorize", "CardQue"}));
}

// The bytes a failed call holds are its call's and the kept part of its
// error's description, counted once, and all of them go when it is dropped.
TEST(CallJournal, AFailedCallCountsTheDescriptionItKeepsAndGivesItBackWhenDropped)
{
    CallJournal journal(2, CallJournal::kByteLimit, 8);
    journal.callMade(put("Authorize", "abc"));
    const std::size_t oneCall = journal.bytes();
    ASSERT_EQ(journal.at(0).bytes, oneCall);
    journal.callFailed("Authorize", 1101, "No such position"); // 16 bytes, 8 kept
    EXPECT_EQ(journal.at(0).errorDescription, "No such ");
    EXPECT_EQ(journal.at(0).errorOmitted, 8u);
    EXPECT_EQ(journal.at(0).bytes, oneCall + 8);
    EXPECT_EQ(journal.bytes(), oneCall + 8);
    journal.callMade(put("Authorize", "abc"));
    EXPECT_EQ(journal.bytes(), 2 * oneCall + 8);
    journal.callMade(put("Authorize", "abc")); // the failed call goes
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_FALSE(journal.at(0).errorNumber);
    EXPECT_EQ(journal.bytes(), 2 * oneCall);
}

} // namespace
} // namespace vantrel::journal
