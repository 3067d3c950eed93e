#include "support/session_rig.h"

#include "session/handler_runner.h"

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::test;

TEST(HandlerRunner, FailingCallIsReportedAndLeavesBoxes)
{
    SessionRig rig;
    rig.session.setInBox("before");
    rig.server.fail("Authorize", 1101, "The fueling position cannot do that in its present state");
    const bool finished = runHandler(rig.session, [](Session& s) {
        s.setTextBox("<Object>.Authorize (data)");
        s.server().put("Authorize", Value::string("x"));
        s.setInBox("after");
    });
    EXPECT_FALSE(finished);
    EXPECT_EQ(rig.session.textBox(), "<Object>.Authorize (data)");
    EXPECT_EQ(rig.session.inBox(), "before");
    ASSERT_EQ(rig.prompter.messages().size(), 1u);
    EXPECT_EQ(rig.prompter.messages()[0], "Error 1101: The fueling position cannot do that in its present state");
    EXPECT_EQ(rig.prompter.shown()[0].title, "VantrelTest");
    // The session goes on: the next handler runs normally.
    EXPECT_TRUE(runHandler(rig.session, [](Session& s) { s.setInBox("next"); }));
    EXPECT_EQ(rig.session.inBox(), "next");
}

TEST(HandlerRunner, ConversionFailureIsReported)
{
    SessionRig rig;
    EXPECT_FALSE(runHandler(rig.session, [](Session&) { throw AutomationError(ErrorCode::TypeMismatch, "'abc'"); }));
    EXPECT_EQ(rig.prompter.messages().at(0), "Error 13: Type mismatch: 'abc'");
}

namespace {
struct Log : SessionObserver {
    std::vector<std::string> events;
    void callMade(const CallEvent& e) override { events.push_back(std::string("call ") + e.member + (e.result ? " result" : "")); }
    void callFailed(std::string_view m, int n, std::string_view) override { events.push_back("error " + std::string(m) + " " + std::to_string(n)); }
    void boxChanged(Box b, std::string_view t) override { events.push_back(std::string(boxName(b)) + "=" + std::string(t)); }
    void inputAnswered(std::string_view, std::string_view p, std::string_view a) override { events.push_back("input " + std::string(p) + "=" + std::string(a)); }
};
} // namespace

TEST(Session, ObserversSeeEventsInOrder)
{
    SessionRig rig;
    Log log;
    rig.session.addObserver(&log);
    rig.prompter.queueAnswer("7");
    rig.server.fail("Bad", 438, "no");
    runHandler(rig.session, [](Session& s) {
        s.setTextBox("T");
        s.prompter().input("P", "Title");
        s.server().get("Good", Value::int16(1));
        s.server().put("Bad", Value::string("v"));
    });
    const std::vector<std::string> expected = {"TextBox=T", "input P=7", "call Good result", "call Bad", "error Bad 438"};
    EXPECT_EQ(log.events, expected);
    rig.session.removeObserver(&log);
}

TEST(QueuedPrompter, NothingQueuedThrows)
{
    QueuedPrompter p;
    EXPECT_THROW(p.input("Enter", "T"), QueuedPrompter::NothingQueued);
    EXPECT_THROW(p.question("Sure?", "T"), QueuedPrompter::NothingQueued);
    p.queueCancel();
    EXPECT_EQ(p.input("Enter", "T"), "");
}

namespace {
struct Appends : SessionObserver {
    std::size_t appendedBytes = 0, wholeResets = 0;
    void boxAppended(Box, std::string_view appended, std::string_view) override { appendedBytes += appended.size(); }
    void boxChanged(Box, std::string_view) override { ++wholeResets; }
    void errorRaised(int n, std::string_view) override { errors.push_back(n); }
    std::vector<int> errors;
};
} // namespace

TEST(Session, AppendsPassOnlyWhatIsAddedAndTheBoxStaysBounded)
{
    SessionRig rig;
    Appends seen;
    rig.session.addObserver(&seen);
    const std::string line(1000, 'x');
    rig.session.appendInBox("start\r\n");
    std::size_t total = 7;
    while (total <= Session::kBoxLimit) {
        rig.session.appendInBox(line + "\r\n");
        total += line.size() + 2;
    }
    // Past the limit the oldest part goes, whole lines kept, and the views get the box anew once.
    EXPECT_EQ(seen.wholeResets, 1u);
    EXPECT_LE(rig.session.inBox().size(), Session::kBoxLimit);
    EXPECT_GE(rig.session.inBox().size(), Session::kBoxLimit / 2);
    EXPECT_EQ(rig.session.inBox().size() + rig.session.droppedBytes(Box::InBox), total);
    EXPECT_EQ(rig.session.inBox().substr(0, line.size()), line);
    EXPECT_EQ(seen.appendedBytes, total - (line.size() + 2));
    // Setting the box starts its count again.
    rig.session.setInBox("new");
    EXPECT_EQ(rig.session.droppedBytes(Box::InBox), 0u);
    rig.session.removeObserver(&seen);
}

TEST(HandlerRunner, AnErrorTheUtilityRaisesReachesTheObserversOnce)
{
    SessionRig rig;
    Appends seen;
    rig.session.addObserver(&seen);
    rig.server.fail("Bad", 438, "no");
    runHandler(rig.session, [](Session&) { throw AutomationError(ErrorCode::ImageFileUnreadable, "x"); });
    runHandler(rig.session, [](Session& s) { s.server().put("Bad", Value::string("v")); });
    runHandler(rig.session, [](Session&) { throw std::runtime_error("broken"); });
    // The server's error is reported by the call itself, not a second time.
    EXPECT_EQ(seen.errors, (std::vector<int>{1601, 9001}));
    EXPECT_EQ(rig.prompter.messages().size(), 3u);
    rig.session.removeObserver(&seen);
}
