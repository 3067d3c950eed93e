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
    CallJournal journal(1000, 10000);
    for (int i = 0; i < 100; ++i)
        journal.callMade(put("DisplayData", std::string(1000, 'x')));
    EXPECT_LE(journal.bytes(), 10000u);
    EXPECT_LT(journal.size(), 10u);
    journal.callMade(put("DisplayData", std::string(50000, 'y')));
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_EQ(journal.at(0).call.argument->asString().size(), 50000u);
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

} // namespace
} // namespace vantrel::journal
