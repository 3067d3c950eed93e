// Session scripts run headless, compared by their traces (parsed JSON).
#include "support/session_rig.h"

#include "session/script.h"
#include "app/script_runner.h"
#include "app/trace_writer.h"
#include "forecourt/forecourt_server.h"
#include "server/automation_registry.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sstream>

using namespace vantrel;

namespace {

// The embedded server, except that the position information is made of
// awkward bytes and the help file can be made to fail.
class AwkwardServer : public forecourt::ForecourtServer {
public:
    Value get(std::string_view member, const std::optional<Value>& argument) override
    {
        if (member == "FuelingPositionInformation")
            return Value::string(std::string("\0\x1b\x7f\x80\xff", 5));
        if (member == "InvokeHelpFile")
            throw AutomationError(ErrorCode::InvalidValue, "no help file");
        return ForecourtServer::get(member, argument);
    }
};

struct Run {
    int status = -1;
    std::string output;
    std::vector<QJsonObject> events;
};

Run runText(const std::string& script, const std::string& progId = forecourt::kProgId, AdvanceClock advance = {})
{
    AutomationRegistry registry;
    forecourt::registerForecourtServer(registry);
    registry.add("Test.Awkward", [] { return std::make_unique<AwkwardServer>(); });
    QTemporaryDir dir;
    const std::string path = dir.filePath("trace.jsonl").toStdString();
    Run run;
    {
        TraceWriter trace(path);
        std::ostringstream out;
        run.status = runScript("test.vts", script, registry, progId, &trace, out, advance);
        run.output = out.str();
    }
    QFile file(QString::fromStdString(path));
    file.open(QIODevice::ReadOnly);
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.isEmpty())
            run.events.push_back(QJsonDocument::fromJson(line).object());
    return run;
}

std::vector<QJsonObject> eventsOf(const Run& run, const QString& kind)
{
    std::vector<QJsonObject> found;
    for (const auto& e : run.events)
        if (e["event"].toString() == kind)
            found.push_back(e);
    return found;
}

QJsonObject str(const std::string& bytes) { return encodeValue(Value::string(bytes)); }

} // namespace

struct ReplyCase {
    const char* reply;
    const char* record;
    std::size_t size;
};
class ScriptWindowControl : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ScriptWindowControl, TraceShowsQuestionAndRecord)
{
    const auto run = runText(std::string("reply ") + GetParam().reply + "\npress WindowControl\n");
    ASSERT_EQ(run.status, 0) << run.output;
    const auto questions = eventsOf(run, "question");
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0]["reply"].toString(), GetParam().reply);
    EXPECT_EQ(questions[0]["title"].toString(), "WindowControl Select");
    EXPECT_EQ(questions[0]["text"].toString(), "Do you want Vantrel visible?");
    const auto calls = eventsOf(run, "call");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0]["access"].toString(), "put");
    EXPECT_EQ(calls[0]["member"].toString(), "WindowControl");
    EXPECT_EQ(calls[0]["value"].toObject(), str(std::string(GetParam().record, GetParam().size)));
}
INSTANTIATE_TEST_SUITE_P(Replies, ScriptWindowControl,
                         ::testing::Values(ReplyCase{"yes", "Visible\r\n\0", 10}, ReplyCase{"no", "Hide\r\n\0", 7}),
                         [](const auto& info) { return std::string(info.param.reply); });

TEST(Script, HelpButtonIsACallWithNoArguments)
{
    const auto run = runText("press HELP_BUTTON\n");
    ASSERT_EQ(run.status, 0) << run.output;
    const auto calls = eventsOf(run, "call");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0]["access"].toString(), "call");
    EXPECT_EQ(calls[0]["member"].toString(), "InvokeHelpFile");
    EXPECT_TRUE(calls[0]["args"].toArray().isEmpty());
    EXPECT_EQ(calls[0]["result"].toObject()["type"].toString(), "int16");
}

TEST(Script, UnexpectedFailingCallFailsTheRunButGoesOn)
{
    const auto run = runText("press HELP_BUTTON\nreply yes\npress WindowControl\n", "Test.Awkward");
    EXPECT_EQ(run.status, 1) << run.output;
    const auto errors = eventsOf(run, "error");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0]["member"].toString(), "InvokeHelpFile");
    EXPECT_EQ(errors[0]["number"].toInt(), 1006);
    EXPECT_TRUE(errors[0]["description"].toString().contains("no help file"));
    // The call event comes first, without a result; then the error; then the message.
    std::vector<QString> order;
    for (const auto& e : run.events)
        order.push_back(e["event"].toString());
    const auto call = std::find(order.begin(), order.end(), "call");
    ASSERT_NE(call, order.end());
    EXPECT_EQ(*(call + 1), "error");
    EXPECT_EQ(*(call + 2), "message");
    EXPECT_FALSE(run.events[static_cast<std::size_t>(call - order.begin())].contains("result"));
    EXPECT_EQ(eventsOf(run, "message")[0]["text"].toString().toStdString(), "Error 1006: A value in the record is not valid: no help file");
    // The run went on to the next press.
    EXPECT_EQ(eventsOf(run, "call").size(), 2u);
}

TEST(Script, ExpectedErrorKeepsTheRunGreen)
{
    EXPECT_EQ(runText("expect error 1006\npress HELP_BUTTON\n", "Test.Awkward").status, 0);
    const auto wrong = runText("expect error 438\npress HELP_BUTTON\n", "Test.Awkward");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.output.find("line 1: expected error 438"), std::string::npos) << wrong.output;
    EXPECT_EQ(runText("expect error 1006\n").status, 1);
}

TEST(Script, MissingAnswerStopsWithTwoAndNamesThePrompt)
{
    const auto run = runText("press WindowControl\nreply yes\n");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("test.vts:1:"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Do you want Vantrel visible?"), std::string::npos) << run.output;
    EXPECT_TRUE(eventsOf(run, "call").empty());
}

struct BadLine {
    const char* script;
    int line;
    const char* reason;
};
class ScriptBadLine : public ::testing::TestWithParam<BadLine> {};
TEST_P(ScriptBadLine, RunsNothingAndSaysWhere)
{
    const auto run = runText(GetParam().script);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("test.vts:" + std::to_string(GetParam().line) + ": "), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(GetParam().reason), std::string::npos) << run.output;
    EXPECT_TRUE(eventsOf(run, "call").empty());
}
INSTANTIATE_TEST_SUITE_P(
    Lines, ScriptBadLine,
    ::testing::Values(BadLine{"press HELP_BUTTON\njump 3\n", 2, "unknown command"},
                      BadLine{"# c\nselect 33\n", 2, "1 to 32"}, BadLine{"select x\n", 1, "1 to 32"},
                      BadLine{"reply maybe\n", 1, "yes or no"}, BadLine{"answer \\q\n", 1, "unknown escape"},
                      BadLine{"answer \\x4\n", 1, "two hexadecimal"}, BadLine{"tick Timer1 0\n", 1, "at least 1"},
                      BadLine{"expect InBox holds x\n", 1, "expect BOX is TEXT"},
                      BadLine{"press NoSuchButton\n", 1, "no button NoSuchButton"},
                      BadLine{"press Other.Button\n", 1, "no window Other"}));

TEST(Script, EscapesAndAwkwardBytesSurviveTheTrace)
{
    const std::string awkward("\0\x1b\x7f\x80\xff", 5);
    const auto run = runText("select 3\nexpect InBox is \\0\\x1b\\x7f\\x80\\xFF\nexpect InBox contains \\x7f\\x80\n",
                             "Test.Awkward");
    ASSERT_EQ(run.status, 0) << run.output;
    const auto calls = eventsOf(run, "call");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0]["result"].toObject(), str(awkward));
    EXPECT_EQ(decodeBytes(calls[0]["result"].toObject()["value"].toString()), awkward);
    bool seen = false;
    for (const auto& box : eventsOf(run, "box"))
        if (box["box"].toString() == "InBox") {
            EXPECT_EQ(decodeBytes(box["text"].toString()), awkward);
            seen = true;
        }
    EXPECT_TRUE(seen);
    // The readable output shows control pictures.
    EXPECT_NE(run.output.find("\u2400\u241b\u2421"), std::string::npos) << run.output;
}

TEST(Script, FailedExpectationExitsOne)
{
    const auto run = runText("select 4\nexpect TextBoxPumpNumber is Fueling Position -> 5\nselect 5\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("line 2: expected TextBoxPumpNumber to be"), std::string::npos) << run.output;
}

TEST(Script, SelectRaisesFocusEventsInPlatformOrder)
{
    const auto run = runText("select 4\nselect 9\ndoubleclick 9\nfocus 2\n");
    ASSERT_EQ(run.status, 0) << run.output;
    std::vector<int> reads;
    for (const auto& c : eventsOf(run, "call"))
        reads.push_back(c["args"].toArray()[0].toObject()["value"].toInt());
    EXPECT_EQ(reads, (std::vector<int>{4, 9, 9, 2}));
}

TEST(Script, TimerTicksMoveVirtualTime)
{
    std::chrono::milliseconds total{0};
    const auto run = runText("tick VantrelTest.Timer1 3\ntick Timer1\n", forecourt::kProgId,
                             [&](std::chrono::milliseconds by) { total += by; });
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(total, std::chrono::milliseconds(4000));
    EXPECT_EQ(runText("tick NoTimer\n").status, 2);
}

TEST(ScriptText, Escapes)
{
    EXPECT_EQ(unescapeText("a\\r\\n\\t\\0\\\\\\x41\\xff"), std::string("a\r\n\t\0\\A\xff", 8));
    EXPECT_THROW(unescapeText("\\"), ScriptError);
    EXPECT_THROW(unescapeText("\\xZZ"), ScriptError);
}

TEST(ScriptText, TextIsTheRestAfterOneBlank)
{
    const auto commands = parseScript("answer  two\nanswer\ntype CodeBox a b \nexpect VantrelTest.InBox is \n");
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[0].text, " two");
    EXPECT_EQ(commands[1].text, "");
    EXPECT_EQ(commands[2].target, "CodeBox");
    EXPECT_EQ(commands[2].text, "a b ");
    EXPECT_EQ(commands[3].target, "VantrelTest.InBox");
    EXPECT_EQ(commands[3].text, "");
}

namespace {
QProcess* startUtility(const QStringList& args)
{
    auto* p = new QProcess;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p->setProcessEnvironment(env);
    p->start(VANTREL_EXE, args);
    return p;
}
} // namespace

TEST(Executable, WindowedRunWritesTheTrace)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("windowed.jsonl");
    std::unique_ptr<QProcess> p(startUtility({"--trace", path}));
    ASSERT_TRUE(p->waitForStarted());
    // The window is up once the start-up events are in the trace.
    QFile file(path);
    QByteArray content;
    for (int i = 0; i < 100 && !content.contains("\"shown\":true"); ++i) {
        p->waitForFinished(100);
        if (file.open(QIODevice::ReadOnly)) {
            content = file.readAll();
            file.close();
        }
    }
    p->kill();
    p->waitForFinished();
    EXPECT_TRUE(content.contains("Fueling Position -> 1")) << content.toStdString();
    EXPECT_TRUE(content.contains("\"window\":\"VantrelTest\"")) << content.toStdString();
}

TEST(Executable, UnknownServerExitsNonZeroAfterTheMessage)
{
    QTemporaryDir dir;
    QFile script(dir.filePath("s.vts"));
    script.open(QIODevice::WriteOnly);
    script.write("press HELP_BUTTON\n");
    script.close();
    std::unique_ptr<QProcess> p(startUtility({"--script", script.fileName(), "--server", "No.Such.Server"}));
    ASSERT_TRUE(p->waitForFinished(30000));
    EXPECT_NE(p->exitCode(), 0);
    EXPECT_TRUE(p->readAllStandardOutput().contains("Error 429"));
}

TEST(Executable, BadCommandLineExitsTwo)
{
    std::unique_ptr<QProcess> p(startUtility({"--bogus"}));
    ASSERT_TRUE(p->waitForFinished(30000));
    EXPECT_EQ(p->exitCode(), 2);
    EXPECT_TRUE(p->readAllStandardError().contains("usage"));
}
