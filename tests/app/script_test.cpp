// Session scripts run headless, compared by their traces (parsed JSON).
#include "embedded_script.h"
#include "support/running_utility.h"
#include "support/session_rig.h"

#include "session/script.h"
#include "app/script_printer.h"
#include "app/script_runner.h"
#include "app/output_file.h"
#include "app/trace_writer.h"
#include "forecourt/forecourt_server.h"
#include "server/automation_registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <QTemporaryDir>

#include "support/case_names.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>

#include <sys/stat.h>
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
        ScriptRunOptions options;
        options.progId = progId;
        options.trace = &trace;
        options.advance = advance;
        run.status = runScriptText("test.vts", script, registry, options, out).status;
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
    const char* name;
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
    ::testing::Values(BadLine{"UnknownCommand", "press HELP_BUTTON\njump 3\n", 2, "unknown command"},
                      BadLine{"PositionOutOfRange", "# c\nselect 33\n", 2, "1 to 32"}, BadLine{"PositionNotANumber", "select x\n", 1, "1 to 32"},
                      BadLine{"ReplyNotYesOrNo", "reply maybe\n", 1, "yes or no"}, BadLine{"UnknownEscape", "answer \\q\n", 1, "unknown escape"},
                      BadLine{"ShortHexEscape", "answer \\x4\n", 1, "two hexadecimal"}, BadLine{"TickOfZero", "tick Timer1 0\n", 1, "at least 1"},
                      BadLine{"ExpectWithoutIs", "expect InBox holds x\n", 1, "expect BOX is TEXT"},
                      BadLine{"NoSuchButton", "press NoSuchButton\n", 1, "no button NoSuchButton"},
                      BadLine{"NoSuchWindow", "press Other.Button\n", 1, "no window Other"},
                      BadLine{"OutsideLatin1", "answer \xE2\x82\xAC\n", 1, "U+20AC"}, BadLine{"CutUtf8AfterCrLf", "# ok\r\nanswer \xC3\n", 2, "not UTF-8"},
                      BadLine{"OverlongUtf8", "answer \xC0\xAF\n", 1, "not UTF-8"},
                      BadLine{"Latin1AfterCr", "select 1\ranswer \xFF\n", 2, "not UTF-8"}),
                         vantrel::test_names::ByName{});

TEST(Script, AnEntryLongerThanTheLimitIsRefusedNotCut)
{
    const auto run = runText("answer " + std::string(kEntryLimit + 1, 'x') + "\n");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("test.vts:1: the text is 32768 bytes long; an entry holds at most 32767"), std::string::npos)
        << run.output.substr(0, 200);
    EXPECT_EQ(parseScript("type CodeBox " + std::string(kEntryLimit, 'x')).at(0).text.size(), kEntryLimit);
}

TEST(ScriptText, CharactersAreTheirByteAsTypedWhateverTheLineEnds)
{
    const auto commands = parseScript("\xEF\xBB\xBF" "answer \xC3\xBC\r\nanswer b\rcancel\nanswer \\xfc");
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[0].text, "\xFC");
    EXPECT_EQ(commands[0].line, 1);
    EXPECT_EQ(commands[1].text, "b");
    EXPECT_EQ(commands[2].kind, ScriptCommand::Kind::Cancel);
    EXPECT_EQ(commands[2].line, 3);
    EXPECT_EQ(commands[3].text, "\xFC");
}

// A script and the reason its run gives.
struct ScriptCase {
    const char* name;
    const char* script;
    const char* reason;
};
void PrintTo(const ScriptCase& c, std::ostream* os) { *os << c.name; }
std::string caseName(const ::testing::TestParamInfo<ScriptCase>& info) { return info.param.name; }

// A script is a user's presses: what a modal window in front hides cannot be pressed.
class ScriptUnreachable : public ::testing::TestWithParam<ScriptCase> {};
TEST_P(ScriptUnreachable, StopsWithTwoAndSendsNothing)
{
    const auto run = runText(GetParam().script);
    EXPECT_EQ(run.status, 2) << run.output;
    EXPECT_NE(run.output.find(GetParam().reason), std::string::npos) << run.output;
    for (const auto& call : eventsOf(run, "call"))
        EXPECT_NE(call["member"].toString(), "Authorize");
}
INSTANTIATE_TEST_SUITE_P(
    Controls, ScriptUnreachable,
    ::testing::Values(
        ScriptCase{"BareNameBehindModal", "press OTHERDEVICESBUTTON\npress Fillup\n", "in front of the main window"},
        ScriptCase{"QualifiedNameBehindModal", "press OTHERDEVICESBUTTON\npress VantrelTest.Fillup\n", "is in front of it"},
        ScriptCase{"SecondModalWindow", "press OTHERDEVICESBUTTON\npress TEST_FUNCTION_BUTTON\n", "in front of the main window"},
        ScriptCase{"SelectorBehindModal", "press TEST_FUNCTION_BUTTON\nselect 3\n", "selector cannot be reached"},
        ScriptCase{"TypeIntoHiddenWindow", "press OTHERDEVICESBUTTON\npress OtherDevicesForm.EXIT_CMD\ntype OtherDevicesForm.CodeBox 1\n",
                    "is not shown"}),
    caseName);

class ScriptLeftover : public ::testing::TestWithParam<ScriptCase> {};
TEST_P(ScriptLeftover, FailsTheRunAndSaysWhere)
{
    const auto run = runText(GetParam().script);
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find(GetParam().reason), std::string::npos) << run.output;
}
INSTANTIATE_TEST_SUITE_P(
    Queues, ScriptLeftover,
    ::testing::Values(ScriptCase{"Answer", "select 2\nanswer 3\n", "line 2: 1 answer queued by the script was never asked"},
                      ScriptCase{"CancelAndAnswer", "cancel\nanswer 1\nselect 2\n", "line 1: 2 answers queued"},
                      ScriptCase{"ReplyAfterItsQuestion", "reply no\npress WindowControl\nreply yes\n",
                               "line 3: 1 reply queued"},
                      ScriptCase{"TwoReplies", "reply yes\nreply no\nselect 2\n",
                                 "FAILED line 1: 2 replies queued by the script were never asked for by the end of the script"},
                      ScriptCase{"ExpectedErrorNeverCame", "expect error 1006\nselect 2\n",
                                 "FAILED line 1: expected error 1006, but no error came"}),
    caseName);

TEST(Script, AnErrorOfTheUtilityFailsTheRunUnlessExpectedAndIsTraced)
{
    // No sample image lies beside the test program or in the data folder.
    const std::string press = "press TEST_FUNCTION_BUTTON\npress SET_IMAGE_BUTTON\n";
    const auto failed = runText(press);
    EXPECT_EQ(failed.status, 1) << failed.output;
    const auto errors = eventsOf(failed, "error");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0]["source"].toString(), "utility");
    EXPECT_EQ(errors[0]["number"].toInt(), 1601);
    EXPECT_EQ(runText("expect error 1601\n" + press).status, 0);
}

TEST(Script, WindowTimersDoNotRunOnTheirOwnInVirtualTime)
{
    for (const bool virtualTime : {false, true}) {
        AutomationRegistry registry;
        forecourt::registerForecourtServer(registry);
        QueuedPrompter prompter;
        ImmediateWaiter waiter;
        auto app = Application::start(registry, forecourt::kProgId, prompter, waiter, nullptr, virtualTime);
        ASSERT_NE(app, nullptr);
        auto* timer = app->mainWindow().findChild<QTimer*>("Timer1");
        ASSERT_NE(timer, nullptr);
        EXPECT_EQ(timer->isActive(), !virtualTime);
    }
}

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

namespace {
// The embedded server, except that the position information is an answer of
// 128 KiB with a card number across byte 4096, and the help file fails with
// as many words.
class HugeAnswerServer : public forecourt::ForecourtServer {
public:
    static std::string answer()
    {
        return std::string(4085, 'x') + " 4111111111111111 " + std::string(std::size_t(1) << 17, 'y');
    }
    Value get(std::string_view member, const std::optional<Value>& argument) override
    {
        if (member == "FuelingPositionInformation")
            return Value::string(answer());
        if (member == "InvokeHelpFile")
            throw AutomationError(1006, answer()); // words of the server's own, as they came
        return ForecourtServer::get(member, argument);
    }
};

struct HugeFailureCase {
    const char* name;
    const char* script;
    const char* closing;  // what ends the quote: a quote mark, or nothing (an error's words)
    bool quotesTheAnswer; // the report's words quote the answer, masked
};
} // namespace

class ScriptHugeAnswer : public ::testing::TestWithParam<HugeFailureCase> {};

// A failure quotes the start of a huge answer and says its length; what a
// report keeps is masked before the cut, so the card number across the cut
// is not half shown.
TEST_P(ScriptHugeAnswer, FailureQuotesItsStartAndLengthMaskedBeforeTheCut)
{
    AutomationRegistry registry;
    registry.add("Test.Huge", [] { return std::make_unique<HugeAnswerServer>(); });
    ScriptRunOptions options;
    options.progId = "Test.Huge";
    std::ostringstream out;
    const ScriptResult result = runScriptText("huge.vts", GetParam().script, registry, options, out);
    EXPECT_EQ(result.status, 1);
    ASSERT_EQ(result.failures.size(), 1u) << out.str().substr(0, 2000);
    const ScriptFailure& failure = result.failures.front();
    const std::string cut = " \u2026 (" + std::to_string(HugeAnswerServer::answer().size()) + " bytes, the first 4096 shown)";
    EXPECT_LT(failure.text.size(), 4096u + 300u);
    EXPECT_NE(failure.text.find("4111111111" + std::string(GetParam().closing) + cut), std::string::npos)
        << failure.text.substr(4000);
    EXPECT_LT(failure.report.size(), 4096u + 300u);
    EXPECT_EQ(failure.report.find("4111111111"), std::string::npos) << failure.report.substr(4000);
    if (GetParam().quotesTheAnswer) {
        EXPECT_NE(failure.report.find("411111****" + std::string(GetParam().closing) + cut), std::string::npos)
            << failure.report.substr(4000);
    }
    EXPECT_NE(out.str().find("FAILED " + failure.text + "\n"), std::string::npos);
}
INSTANTIATE_TEST_SUITE_P(
    Expectations, ScriptHugeAnswer,
    ::testing::Values(
        HugeFailureCase{"ResultIs", "get FuelingPositionInformation int16 7\nexpect result is nothing\n", "\"", true},
        HugeFailureCase{"ResultContains", "get FuelingPositionInformation int16 7\nexpect result contains nothing\n", "\"",
                        true},
        HugeFailureCase{"ResultType", "get FuelingPositionInformation int16 7\nexpect result type int16\n", "\"", false},
        HugeFailureCase{"BoxIs", "select 7\nexpect InBox is nothing\n", "\"", true},
        HugeFailureCase{"ErrorWords", "call InvokeHelpFile\n", "", true}),
    [](const auto& info) { return std::string(info.param.name); });

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

// A call's line quotes a long value by its start and says how long it was.
// A call's answer, a box's text and an error's words: each line prints its
// start and says its length.
TEST(Script, ALineOfALongTextPrintsItsStartAndLength)
{
    std::ostringstream out;
    script_run::ScriptPrinter printer(out);
    const std::size_t length = script_run::kPrintedBytes + 10;
    const std::string text(length, 'x'), start(script_run::kPrintedBytes, 'x');
    const std::string note = "\u2026 (" + std::to_string(length) + " bytes, the first " +
                             std::to_string(script_run::kPrintedBytes) + " shown)\n";
    printer.callMade({Access::Get, "CardQue", std::nullopt, Value::string(text)});
    printer.boxChanged(Box::InBox, text);
    printer.boxAppended(Box::InBox, text, {});
    printer.callFailed("CardQue", 440, text);
    EXPECT_EQ(out.str(), "get CardQue() -> \"" + start + "\"" + note + "InBox = \"" + start + "\"" + note +
                             "InBox += \"" + start + "\"" + note + "error 440 from CardQue: " + start + note);
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

TEST(Script, PressesAndCustomerActionsAreTraceEventsAndAPinIsLeftOut)
{
    const auto run = runText("press KeyEntryTypeButton\npress DES_BUTTON\ncustomer key 1 1234\ncustomer card 1 1\n"
                             "press CardQue\n");
    ASSERT_EQ(run.status, 0) << run.output;
    std::vector<std::string> order;
    for (const auto& e : run.events) {
        const QString kind = e["event"].toString();
        if (kind == "press")
            order.push_back("press " + e["window"].toString().toStdString() + "." + e["control"].toString().toStdString());
        else if (kind == "customer")
            order.push_back("customer " + e["action"].toString().toStdString());
        else if (kind == "call")
            order.push_back("call " + e["member"].toString().toStdString());
    }
    EXPECT_EQ(order, (std::vector<std::string>{"press VantrelTest.KeyEntryTypeButton", "press KeyEntryForm.DES_BUTTON",
                                               "call KeyEntryType", "customer key 1", "customer card 1 1",
                                               "press VantrelTest.CardQue", "call CardQue"}));
}

TEST(Script, ATickThatDoesNothingWritesNoLine)
{
    const auto run = runText("tick VantrelTest.Timer1 2\npress STRESS_BUTTON\ntick VantrelTest.Timer1\n");
    ASSERT_EQ(run.status, 0) << run.output;
    const auto ticks = eventsOf(run, "tick");
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_EQ(ticks[0]["control"].toString(), "Timer1");
    EXPECT_EQ(eventsOf(run, "call").size(), 2u); // the stress test's two records
}

struct EmptyScript {
    const char* name;
    const char* script;
};
void PrintTo(const EmptyScript& c, std::ostream* os) { *os << c.name; }
class ScriptWithNothingToRun : public ::testing::TestWithParam<EmptyScript> {};
TEST_P(ScriptWithNothingToRun, StopsWithTwoSayingSo)
{
    const auto run = runText(GetParam().script);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("test.vts:0: the script holds no command"), std::string::npos) << run.output;
    EXPECT_TRUE(eventsOf(run, "window").empty());
}
INSTANTIATE_TEST_SUITE_P(Texts, ScriptWithNothingToRun,
                         ::testing::Values(EmptyScript{"Empty", ""}, EmptyScript{"ByteOrderMarkOnly", "\xEF\xBB\xBF"},
                                           EmptyScript{"CommentsAndBlanks", "# a\n\n   \n\t# b\r\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Script, ASuiteWithALinkToNothingNamesThatFile)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("suite");
    {
        QFile f(dir.filePath("suite/a.vts"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("select 2\n");
    }
    QFile::link("gone.vts", dir.filePath("suite/b.vts"));
    std::string reason;
    const auto paths = expandScriptPaths({dir.filePath("suite").toStdString()}, reason);
    ASSERT_EQ(paths.size(), 2u) << reason;
    EXPECT_TRUE(readScriptFile(paths[0], reason));
    EXPECT_FALSE(readScriptFile(paths[1], reason));
    EXPECT_EQ(reason, "a link to gone.vts, which does not exist");
}

namespace {
// What the code under test writes to std::cerr while it lives.
class StandardErrorCapture {
public:
    StandardErrorCapture() : m_old(std::cerr.rdbuf(m_text.rdbuf())) {}
    ~StandardErrorCapture() { std::cerr.rdbuf(m_old); }
    std::string text() const { return m_text.str(); }

private:
    std::ostringstream m_text;
    std::streambuf* m_old;
};

// A run of script files against the embedded forecourt on virtual time, as --script has it.
int runFiles(const std::vector<std::string>& paths, ScriptRunOptions options, std::string& output)
{
    AutomationRegistry registry;
    std::ostringstream out;
    const int status = runScripts(paths, registry, test::onEmbeddedServer(registry, options), out);
    output = out.str();
    return status;
}
} // namespace

TEST(ScriptReport, MasksThePinBlockAndTheCardNumberOfAFailureAndIsUtf8Once)
{
    QTemporaryDir dir;
    const std::string script = dir.filePath("pin.vts").toStdString();
    std::ofstream(script) << "press KeyEntryTypeButton\npress DES_BUTTON\ncustomer key 1 1234\npress KeyQue\n"
                             "expect InBox is nothing\ncustomer card 1 1\npress CardQue\nexpect InBox is nothing\n";
    for (const bool masked : {true, false}) {
        ScriptRunOptions options;
        options.junit = dir.filePath("report.xml").toStdString();
        options.masked = masked;
        std::string output;
        ASSERT_EQ(runFiles({script}, options, output), 1) << output;
        // The output shows what the boxes held.
        ASSERT_NE(output.find("PINBlock=0"), std::string::npos) << output;
        QFile file(QString::fromStdString(options.junit));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray xml = file.readAll();
        EXPECT_EQ(QString::fromUtf8(xml).toUtf8(), xml); // valid UTF-8
        EXPECT_TRUE(xml.contains("EntryMode=DESEncryption\xE2\x90\x8D\xE2\x90\x8A")) << xml.toStdString(); // U+240D U+240A
        EXPECT_FALSE(xml.contains("\xC3\xA2")) << xml.toStdString(); // not encoded twice
        EXPECT_EQ(xml.contains("4111111111111111"), !masked) << xml.toStdString();
        EXPECT_EQ(xml.contains("PINBlock=&quot;"), masked) << xml.toStdString();
        if (masked) {
            EXPECT_TRUE(xml.contains("Track2=;411111******1111=2812101?")) << xml.toStdString();
        }
    }
}

TEST(Script, ASessionThatCannotBeSavedFailsTheScriptAndKeepsTheEarlierFile)
{
    QTemporaryDir dir;
    const QString saved = dir.filePath("saved.vts");
    ASSERT_TRUE(test::writeEarlier(saved));
    test_hooks::setOutputFault([](std::string_view step) { return step == "write" ? ENOSPC : 0; });
    const std::string script = dir.filePath("s.vts").toStdString();
    std::ofstream(script) << "select 2\n";
    ScriptRunOptions options;
    options.saveSession = saved.toStdString();
    std::string output, errors;
    int status = 0;
    {
        const StandardErrorCapture captured;
        status = runFiles({script}, options, output);
        errors = captured.text();
    }
    test_hooks::setOutputFault({});
    EXPECT_EQ(status, 1);
    const std::string said = "cannot save the session " + saved.toStdString() + ": No space left on device";
    EXPECT_NE(errors.find("vantrel-test: " + said + "\n"), std::string::npos) << errors;
    EXPECT_EQ(output.find(said), std::string::npos) << output; // said on standard error only
    EXPECT_NE(output.find("script failed\n"), std::string::npos) << output;
    QFile f(saved);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "earlier\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2); // no temporary file left
}

namespace {
QProcess* startUtility(const QStringList& args)
{
    auto* p = new QProcess;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    // Settings of the tests' own: a windowed run never reads the user's server used last.
    static const QTemporaryDir config;
    env.insert("XDG_CONFIG_HOME", config.path());
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
    // The window is up once the start-up events are in the trace, which
    // goes to a temporary file beside it until the run ends.
    QByteArray content;
    for (int i = 0; i < 100 && !content.contains("\"shown\":true"); ++i) {
        p->waitForFinished(100);
        for (const QString& name : QDir(dir.path()).entryList({".windowed.jsonl.*"}, QDir::Files | QDir::Hidden)) {
            QFile file(dir.filePath(name));
            if (file.open(QIODevice::ReadOnly))
                content = file.readAll();
        }
    }
    p->kill();
    p->waitForFinished();
    EXPECT_FALSE(QFile::exists(path)); // killed: never renamed into place
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

namespace {
struct Finished {
    int status;
    QByteArray out, err;
};
Finished runUtility(const QStringList& args)
{
    std::unique_ptr<QProcess> p(startUtility(args));
    p->waitForFinished(60000);
    return {p->exitCode(), p->readAllStandardOutput(), p->readAllStandardError()};
}
QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content)
{
    QFile f(dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return f.fileName();
}
} // namespace

TEST(Executable, HelpAndVersionEndAtOnceWithZero)
{
    const auto help = runUtility({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"--script", "--trace", "--server", "--timeout", "--junit", "--screenshot", "Exit status"})
        EXPECT_TRUE(help.out.contains(option)) << option;
    const auto version = runUtility({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "vantrel-test " VANTREL_VERSION "\n");
}

// Command lines that name nothing to run, or an output that is an input, are refused before anything is written.
TEST(Executable, RefusesWhatItCannotRunBeforeWritingAnything)
{
    QTemporaryDir dir;
    const QByteArray script = "select 2\n";
    const QString path = writeFile(dir, "s.vts", script);
    QDir(dir.path()).mkdir("empty");
    struct Case {
        QStringList args;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {{"--script", ""}, "an empty script name"},
        {{"--script", dir.filePath("empty")}, "holds no .vts script"},
        {{"--script", path, "--trace", path}, "it would be overwritten"},
        {{"--script", path, "--trace", dir.path() + "/./s.vts"}, "it would be overwritten"},
        {{"--script", path, "--trace", dir.filePath("t"), "--junit", dir.filePath("t")}, "name the same file"},
        {{"--script", path, "--timeout", "soon"}, "whole number of milliseconds"},
        {{"--junit", dir.filePath("j.xml")}, "give --script too"},
    };
    for (const auto& c : cases) {
        const auto run = runUtility(c.args);
        EXPECT_EQ(run.status, 2) << c.args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(c.reason)) << run.err.toStdString();
    }
    QFile kept(path);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), script);
}

// An output that is no regular file is refused before anything runs, and
// left as it is (the kinds themselves: output_file_test).
TEST(Executable, AnOutputThatIsNoRegularFileIsRefusedForEveryOption)
{
    QTemporaryDir dir;
    const QString script = writeFile(dir, "s.vts", "select 2\n");
    const QString fifo = dir.filePath("f");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    for (const char* option : {"--trace", "--junit", "--save-session", "--screenshot"})
        for (const auto& [path, reason] : {std::pair{QString("/dev/full"), "a character device, not a regular file"},
                                           std::pair{fifo, "a FIFO, not a regular file"}}) {
            const auto run = runUtility({"--script", script, option, path});
            EXPECT_EQ(run.status, 2) << option;
            EXPECT_TRUE(run.err.contains(reason)) << option << ": " << run.err.toStdString();
            EXPECT_TRUE(run.out.isEmpty()) << option; // nothing ran
        }
    EXPECT_TRUE(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
}

// On a full disk every output fails aloud with the system's reason, the run
// exits 1 and the file that was there stays as it was. A 64 KiB tmpfs of a
// mount namespace of its own; skipped where none can be made.
struct FullDiskCase {
    const char* name;
    const char* option;
};
void PrintTo(const FullDiskCase& c, std::ostream* os) { *os << c.name; }
class ExecutableFullDisk : public ::testing::TestWithParam<FullDiskCase> {};
TEST_P(ExecutableFullDisk, FailsTheRunAndKeepsTheEarlierFile)
{
    QTemporaryDir dir;
    const QString shell = R"sh(d="$1"; shift
mount -t tmpfs -o size=64k vantrel-full "$d" 2>/dev/null || exit 99
cd "$d" && printf 'select 2\n' > s.vts && printf 'earlier\n' > out && dd if=/dev/zero of=fill bs=1k 2>/dev/null
"$@" --script s.vts; echo "status=$?"; ls -A; echo "out=$(cat out)")sh";
    QProcess p;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start("unshare", {"--user", "--map-root-user", "--mount", "sh", "-c", shell, "sh", dir.path(), VANTREL_EXE,
                        GetParam().option, "out"});
    p.waitForFinished(60000);
    const QByteArray out = p.readAllStandardOutput() + p.readAllStandardError();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0 || !out.contains("status="))
        GTEST_SKIP() << "no small file system can be mounted here: " << out.toStdString();
    EXPECT_TRUE(out.contains("status=1")) << out.toStdString();
    EXPECT_TRUE(out.contains("No space left on device")) << out.toStdString();
    EXPECT_TRUE(out.contains("\nfill\nout\ns.vts\nout=earlier")) << out.toStdString(); // nothing else beside it
}
INSTANTIATE_TEST_SUITE_P(Options, ExecutableFullDisk,
                         ::testing::Values(FullDiskCase{"SaveSession", "--save-session"}, FullDiskCase{"Trace", "--trace"},
                                           FullDiskCase{"Junit", "--junit"}, FullDiskCase{"Screenshot", "--screenshot"}),
                         [](const auto& info) { return std::string(info.param.name); });

// An output whose folder is not there, or is a file, is refused before
// anything runs, in the words the writer would have failed with at the end
// of the run, by every kind of run that writes it.
TEST(Executable, AnOutputWhoseFolderCannotTakeItIsRefusedBeforeTheRun)
{
    QTemporaryDir dir;
    const QString script = writeFile(dir, "s.vts", "select 2\n");
    const QString file = writeFile(dir, "file", "a file\n");
    struct Case {
        QStringList run;
        const char* option;
    };
    const std::vector<Case> cases = {
        {{"--script", script}, "--trace"},
        {{"--script", script}, "--junit"},
        {{"--script", script}, "--save-session"},
        {{"--script", script}, "--screenshot"},
        {{"--script", script, "--compare", "Vantrel.Application"}, "--junit"},
        {{"--conformance", "Vantrel.Application"}, "--junit"},
        {{"--conformance", "Vantrel.Application"}, "--report"},
    };
    for (const auto& [path, reason] : {std::pair{dir.filePath("gone/out"), "No such file or directory"},
                                       std::pair{file + "/out", "Not a directory"}})
        for (const auto& c : cases) {
            const auto run = runUtility(c.run + QStringList{c.option, path});
            const std::string what = c.run.join(' ').toStdString() + " " + c.option + " " + path.toStdString();
            EXPECT_EQ(run.status, 2) << what;
            EXPECT_EQ(run.err, QByteArray("vantrel-test: ") + c.option + " " + path.toUtf8() + ": " + reason + "\n")
                << what;
            EXPECT_TRUE(run.out.isEmpty()) << what << ": " << run.out.toStdString(); // nothing ran
        }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("gone")));
}

// A file the run cannot write at its end (here: no byte may be written, a
// file size limit of 0) is said on standard error with the system's reason,
// never among the printed lines, and the run ends with 1.
TEST(Executable, AFileTheRunCannotWriteIsSaidOnStandardErrorAndFailsIt)
{
    QTemporaryDir dir;
    const QString script = writeFile(dir, "s.vts", "select 2\n");
    const QString out = dir.filePath("out");
    struct Case {
        QStringList args;
        const char* said;
    };
    const std::vector<Case> cases = {
        {{"--script", script, "--junit", out}, "cannot write the JUnit report "},
        {{"--script", script, "--save-session", out}, "cannot save the session "},
        {{"--script", script, "--screenshot", out}, "cannot save the screenshot "},
        {{"--script", script, "--trace", out}, "the trace "},
        {{"--script", script, "--compare", "Vantrel.Application", "--junit", out}, "cannot write the JUnit report "},
        {{"--conformance", "Vantrel.Application", "--junit", out}, "cannot write the JUnit report "},
        {{"--conformance", "Vantrel.Application", "--report", out}, "cannot write the report "},
    };
    for (const auto& c : cases) {
        QProcess p;
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        // SIGXFSZ ignored, so that a write past the limit fails with EFBIG rather than ending the run.
        p.start("sh", QStringList{"-c", "trap '' XFSZ; ulimit -f 0 && exec \"$@\"", "sh", VANTREL_EXE} + c.args);
        ASSERT_TRUE(p.waitForFinished(120000));
        const QByteArray printed = p.readAllStandardOutput(), errors = p.readAllStandardError();
        const std::string what = c.args.join(' ').toStdString();
        EXPECT_EQ(p.exitCode(), 1) << what << "\n" << printed.toStdString() << errors.toStdString();
        EXPECT_TRUE(errors.contains(QByteArray("vantrel-test: ") + c.said + out.toUtf8()))
            << what << ": " << errors.toStdString();
        EXPECT_TRUE(errors.contains(std::strerror(EFBIG))) << what << ": " << errors.toStdString();
        EXPECT_FALSE(printed.contains(c.said + out.toUtf8())) << what;
        EXPECT_FALSE(QFileInfo::exists(out)) << what;
    }
}

TEST(Executable, SavingAScriptedSessionWarnsOfATypedCardNumber)
{
    QTemporaryDir dir;
    const QString script = writeFile(dir, "s.vts", "reply yes\nanswer 4111111111111111\npress KeyPad\n");
    const auto run = runUtility({"--script", script, "--save-session", dir.filePath("saved.vts")});
    EXPECT_EQ(run.status, 0) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains("looks like a card number")) << run.err.toStdString();
    const auto quiet = runUtility({"--script", writeFile(dir, "q.vts", "select 2\n"), "--save-session", dir.filePath("q2.vts")});
    EXPECT_FALSE(quiet.err.contains("card number")) << quiet.err.toStdString();
}

TEST(Executable, FilesOfAnUnmaskedRunAreTheOwnersAlone)
{
    QTemporaryDir dir;
    const QString script = writeFile(dir, "s.vts", "press CardQue\nexpect InBox is x\n");
    const QStringList outputs = {dir.filePath("t.jsonl"), dir.filePath("j.xml"), dir.filePath("saved.vts")};
    const auto run = runUtility({"--script", script, "--trace-unmasked", "--trace", outputs[0], "--junit", outputs[1],
                                 "--save-session", outputs[2]});
    EXPECT_EQ(run.status, 1) << run.out.toStdString();
    for (const QString& path : outputs) {
        ASSERT_TRUE(QFile::exists(path)) << path.toStdString();
        EXPECT_EQ(QFile::permissions(path) & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
                  QFileDevice::Permissions()) << path.toStdString();
    }
}

TEST(Executable, SeveralScriptsRunInNameOrderWithAJUnitReport)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("suite");
    writeFile(dir, "suite/b.vts", "select 2\nexpect TextBoxPumpNumber is Fueling Position -> 3\n");
    writeFile(dir, "suite/a.vts", "select 2\n");
    writeFile(dir, "suite/notes.txt", "not a script\n");
    const QString junit = dir.filePath("report.xml");
    const auto run = runUtility({"--script", dir.filePath("suite"), "--junit", junit});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.startsWith("server: Vantrel.Application (embedded)\n")) << run.out.toStdString();
    EXPECT_LT(run.out.indexOf("a.vts"), run.out.indexOf("b.vts"));
    EXPECT_TRUE(run.out.endsWith("1 passed, 1 failed\n")) << run.out.toStdString();
    QFile report(junit);
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    const QByteArray xml = report.readAll();
    EXPECT_TRUE(xml.contains("tests=\"2\" failures=\"1\"")) << xml.toStdString();
    EXPECT_TRUE(xml.contains("<failure message=\"line 2: expected TextBoxPumpNumber")) << xml.toStdString();
}

// A comparison's report gives each script the time of its run against A, as
// a script run's report gives each script's.
TEST(Executable, AComparisonsJUnitReportTimesEachScript)
{
    QTemporaryDir dir;
    const QString junit = dir.filePath("compare.xml");
    const auto run = runUtility({"--script", VANTREL_EXAMPLES "/tour.vts", VANTREL_EXAMPLES "/preset_sale.vts",
                                 "--compare", "Vantrel.Application", "--junit", junit});
    ASSERT_EQ(run.status, 0) << run.out.toStdString() << run.err.toStdString();
    QFile report(junit);
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    const QString xml = QString::fromUtf8(report.readAll());
    const QRegularExpression testcase(R"re(<testcase classname="scripts" name="[^"]*" time="([0-9.]+)")re");
    int cases = 0;
    for (auto it = testcase.globalMatch(xml); it.hasNext(); ++cases)
        EXPECT_GT(it.next().captured(1).toDouble(), 0.0) << xml.toStdString();
    EXPECT_EQ(cases, 2) << xml.toStdString();
}
