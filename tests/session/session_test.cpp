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
