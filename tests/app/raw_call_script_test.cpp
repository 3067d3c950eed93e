// Raw call lines in scripts, run against the embedded forecourt: the bytes
// the server is given, "expect result", "expect error" before a raw call
// that fails, and the trace. (The saved session that repeats them is tried
// with every example, examples/raw_calls.vts among them, in journal_test.)
#include "embedded_script.h"
#include "support/case_names.h"
#include "support/running_utility.h"

#include "app/script_runner.h"
#include "app/trace_writer.h"
#include "forecourt/forecourt_server.h"
#include "server/automation_registry.h"
#include "server/conversions.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <sstream>

using namespace vantrel;
using namespace std::string_literals;

namespace {

struct Sent {
    Access access;
    std::string member;
    std::optional<Value> value;
    bool operator==(const Sent&) const = default;
};

void PrintTo(const Sent& s, std::ostream* out)
{
    *out << accessName(s.access) << " " << s.member;
    if (s.value)
        *out << " " << typeName(s.value->type()) << " <" << toText(*s.value) << ">";
}

// The embedded forecourt, noting every call it is given as it came.
class NotingServer : public forecourt::ForecourtServer {
public:
    explicit NotingServer(std::vector<Sent>& sent) : m_sent(sent) {}
    void put(std::string_view member, const Value& value) override
    {
        m_sent.push_back({Access::Put, std::string(member), value});
        ForecourtServer::put(member, value);
    }
    Value get(std::string_view member, const std::optional<Value>& argument) override
    {
        if (!m_inCall)
            m_sent.push_back({Access::Get, std::string(member), argument});
        return ForecourtServer::get(member, argument);
    }
    Value call(std::string_view member, const std::optional<Value>& argument) override
    {
        m_sent.push_back({Access::Call, std::string(member), argument});
        m_inCall = true; // the forecourt answers a call as a get
        struct Reset {
            bool& flag;
            ~Reset() { flag = false; }
        } reset{m_inCall};
        return ForecourtServer::call(member, argument);
    }

private:
    std::vector<Sent>& m_sent;
    bool m_inCall = false;
};

struct RawRun {
    int status = -1;
    std::string output;
    std::vector<Sent> sent;
    std::vector<QJsonObject> events; // the trace
};

RawRun runRaw(const std::string& script)
{
    RawRun run;
    AutomationRegistry registry;
    registry.add("Test.Noting", [&run] { return std::make_unique<NotingServer>(run.sent); });
    QTemporaryDir dir;
    const QString tracePath = dir.filePath("trace.jsonl");
    {
        TraceWriter trace(tracePath.toStdString());
        ScriptRunOptions options;
        options.progId = "Test.Noting";
        options.trace = &trace;
        std::ostringstream out;
        run.status = runScriptText("raw.vts", script, registry, options, out).status;
        run.output = out.str();
    }
    QFile traceFile(tracePath);
    if (traceFile.open(QIODevice::ReadOnly))
        for (const QByteArray& line : traceFile.readAll().split('\n'))
            if (!line.isEmpty())
                run.events.push_back(QJsonDocument::fromJson(line).object());
    return run;
}

const std::string kCalls = "put WindowControl string Visible\\r\\n\\0\n"
                           "put TankMonitorStartReport int16 1\n"
                           "get FuelingPositionInformation int16 7\n"
                           "expect result contains FuelingPosition=7\\r\\n\n"
                           "expect result is FuelingPosition=7\\r\\nState=Idle\n"
                           "call InvokeHelpFile\n"
                           "expect result is FuelingPosition=7\\r\\nState=Idle\n"
                           "get FuelingPositionInformation double 7\n"
                           "expect result contains State=Idle\n";

TEST(RawCallScript, SendsTheBytesAsWrittenAndChecksTheLastGetsResult)
{
    const RawRun run = runRaw(kCalls);
    ASSERT_EQ(run.status, 0) << run.output;
    const std::vector<Sent> expected = {
        {Access::Put, "WindowControl", Value::string("Visible\r\n\0"s)},
        {Access::Put, "TankMonitorStartReport", Value::int16(1)},
        {Access::Get, "FuelingPositionInformation", Value::int16(7)},
        {Access::Call, "InvokeHelpFile", std::nullopt},
        {Access::Get, "FuelingPositionInformation", Value::real(7)}};
    EXPECT_EQ(run.sent, expected);
    EXPECT_NE(run.output.find("ok: result is \"FuelingPosition=7␍␊State=Idle\"\n"), std::string::npos) << run.output;
}

TEST(RawCallScript, IsARawcallEventThenItsCallInTheTraceAndWritesNoBox)
{
    const RawRun run = runRaw("put WindowControl string Hide\\r\\n\\0\nget FuelingPositionInformation int16 3\n");
    ASSERT_EQ(run.status, 0) << run.output;
    std::vector<QJsonObject> after;
    for (const auto& e : run.events)
        if (!after.empty() || e["event"].toString() == "rawcall")
            after.push_back(e);
    ASSERT_EQ(after.size(), 4u) << run.output;
    EXPECT_EQ(after[0], (QJsonObject{{"event", "rawcall"}, {"access", "put"}, {"member", "WindowControl"}}));
    EXPECT_EQ(after[1]["event"].toString(), "call");
    EXPECT_EQ(after[1]["value"].toObject(), encodeValue(Value::string("Hide\r\n\0"s)));
    EXPECT_EQ(after[2], (QJsonObject{{"event", "rawcall"}, {"access", "get"}, {"member", "FuelingPositionInformation"}}));
    EXPECT_EQ(after[3]["args"].toArray().at(0).toObject(), encodeValue(Value::int16(3)));
    EXPECT_TRUE(after[3].contains("result"));
}

struct FailingCase {
    const char* name;
    std::string script;
    int status;
    const char* said; // a part of what the run prints
};

class RawCallScriptFails : public ::testing::TestWithParam<FailingCase> {};

TEST_P(RawCallScriptFails, AsItsVerdictSays)
{
    const auto& c = GetParam();
    const RawRun run = runRaw(c.script);
    EXPECT_EQ(run.status, c.status) << run.output;
    EXPECT_NE(run.output.find(c.said), std::string::npos) << run.output;
    if (c.status == 2) { // a bad line: nothing ran
        EXPECT_TRUE(run.sent.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, RawCallScriptFails,
    ::testing::Values(
        FailingCase{"expected_error_keeps_it_green", "expect error 1003\nget FuelingPositionInformation int16 40\n", 0,
                    "message [VantrelTest] Error 1003: Position outside 01 to 32: 40 -> OK\nscript passed\n"},
        FailingCase{"unexpected_error_fails", "get FuelingPositionInformation int16 40\n", 1,
                    "FAILED unexpected error 1003 (FuelingPositionInformation failed)"},
        FailingCase{"another_error_expected_fails", "expect error 438\nput TankMonitorStartReport int16 -5\n", 1,
                    "line 1: expected error 438, but TankMonitorStartReport failed 1402"},
        FailingCase{"result_of_a_failed_get_fails",
                    "get FuelingPositionInformation int16 7\nexpect error 1003\n"
                    "get FuelingPositionInformation int16 40\nexpect result contains Fueling\n",
                    1, "FAILED line 4: expected result to contain \"Fueling\", but the get on line 3 failed and "
                       "returned no result\n"},
        FailingCase{"result_not_held_fails", "get FuelingPositionInformation int16 7\nexpect result is State=Idle\n", 1,
                    "FAILED line 2: expected result to be \"State=Idle\", but it holds \"FuelingPosition=7␍␊State=Idle\""},
        FailingCase{"bad_line_runs_nothing", "put TankMonitorStartReport int16 1\nget Fueling-Information\n", 2,
                    "raw.vts:2: \"Fueling-Information\" is not a member name"}),
    test_names::ByName());

} // namespace
