// Comparing two runs of the same scripts: the pairing and what a difference
// says (the line, both answers marked, the first byte that differs), the
// lines --ignore leaves out, the saved trace read back, the command lines
// refused, and whole runs against a server that changes one answer.
#include "embedded_script.h"
#include "support/case_names.h"

#include "app/command_line.h"
#include "app/compare_run.h"
#include "app/trace_writer.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sstream>

using namespace vantrel;
using namespace vantrel::compare;

namespace {

const std::string kInfo7 = "FuelingPosition=7\r\nState=Idle\r\n";

SeenCall get(int line, std::string answer)
{
    return {line, Access::Get, "FuelingPositionInformation", Value::int16(7), Value::string(std::move(answer)), {}, {}, {}, {}};
}
SeenCall failed(int line, int number)
{
    return {line, Access::Get, "FuelingPositionInformation", Value::int16(7), std::nullopt, number, "No such position", {}, {}};
}
SeenCall put(int line, std::string value)
{
    return {line, Access::Put, "Authorize", Value::string(std::move(value)), std::nullopt, {}, {}, {}, {}};
}

struct PairCase {
    const char* name;
    std::vector<SeenCall> a, b;
    std::string printed; // every difference as printed, one after the other; empty: none
};
void PrintTo(const PairCase& c, std::ostream* os) { *os << c.name; }

class ComparedCalls : public ::testing::TestWithParam<PairCase> {};

TEST_P(ComparedCalls, ReportTheLineAndTheFirstDifferingByte)
{
    const auto& c = GetParam();
    const ScriptComparison outcome = compareScript({"s.vts", c.a, {}, {}, {}}, {"s.vts", c.b, {}, {}, {}}, {});
    std::string printed;
    for (const auto& text : outcome.printed)
        printed += text + "\n";
    EXPECT_EQ(printed, c.printed);
    EXPECT_EQ(outcome.differences.size(), outcome.printed.size());
    EXPECT_EQ(outcome.compared, std::max(c.a.size(), c.b.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, ComparedCalls,
    ::testing::Values(
        PairCase{"Same", {get(3, kInfo7), failed(4, 1003)}, {get(3, kInfo7), failed(4, 1003)}, ""},
        PairCase{"ByteAtStart", {get(3, "A=1")}, {get(3, "B=1")},
                 "s.vts:3: get FuelingPositionInformation(7): the answers differ at byte 0: 0x41 vs 0x42\n"
                 "  A: \"A=1\"\n  B: \"B=1\"\n      ^\n"},
        PairCase{"ByteInTheMiddle", {get(3, kInfo7)}, {get(3, "FuelingPosition=7\r\nState=Busy\r\n")},
                 "s.vts:3: get FuelingPositionInformation(7): the answers differ at byte 25: 0x49 vs 0x42\n"
                 "  A: …\"uelingPosition=7<CR><LF>State=Idle<CR><LF>\"\n"
                 "  B: …\"uelingPosition=7<CR><LF>State=Busy<CR><LF>\"\n"
                 "                                     ^\n"},
        PairCase{"OneEndsEarlier", {get(3, "A=1\r\n")}, {get(3, std::string("A=1\r\n\0", 6))},
                 "s.vts:3: get FuelingPositionInformation(7): the answers differ at byte 5: the end of A's vs 0x00\n"
                 "  A: \"A=1<CR><LF>\"\n  B: \"A=1<CR><LF><NUL>\"\n                 ^\n"},
        PairCase{"ErrorAgainstValue", {failed(9, 1003)}, {get(9, "A=1")},
                 "s.vts:9: get FuelingPositionInformation(7): A answered error 1003, B a value\n"
                 "  A: error 1003: No such position\n  B: \"A=1\"\n"},
        PairCase{"OtherErrorNumber", {failed(9, 1003)}, {failed(9, 1101)},
                 "s.vts:9: get FuelingPositionInformation(7): the errors differ: 1003 vs 1101\n"
                 "  A: error 1003: No such position\n  B: error 1101: No such position\n"},
        PairCase{"PutTakenAgainstRefused", {put(5, "X=1")}, {{5, Access::Put, "Authorize", Value::string("X=1"), {}, 1007, "Too long", {}, {}}},
                 "s.vts:5: put Authorize: A answered nothing, B error 1007\n"
                 "  A: nothing came back\n  B: error 1007: Too long\n"},
        PairCase{"OtherValueSent", {put(5, "X=1")}, {put(5, "X=2")},
                 "s.vts:5: put Authorize: the values sent differ at byte 2: 0x31 vs 0x32\n"
                 "  A: \"X=1\"\n  B: \"X=2\"\n        ^\n"},
        PairCase{"OtherMemberAtTheSameIndex", {put(5, "X=1")}, {get(6, "A=1")},
                 "s.vts:5 (B: line 6): A called put Authorize, B called get FuelingPositionInformation(7)\n"
                 "  A: nothing came back\n  B: \"A=1\"\n"},
        PairCase{"OnlyAWasAsked", {get(3, "A=1"), failed(4, 1003)}, {get(3, "A=1")},
                 "s.vts:4: only A was asked: get FuelingPositionInformation(7)\n"
                 "  A: error 1003: No such position\n"},
        PairCase{"OnlyBWasAsked", {}, {get(0, "A=1")},
                 "s.vts (start-up): only B was asked: get FuelingPositionInformation(7)\n  B: \"A=1\"\n"},
        PairCase{"OtherType", {{2, Access::Get, "QueCountQuery", {}, Value::int16(3), {}, {}, {}, {}}},
                 {{2, Access::Get, "QueCountQuery", {}, Value::int32(3), {}, {}, {}, {}}},
                 "s.vts:2: get QueCountQuery(): the answers differ in type: int16 vs int32\n"
                 "  A: 3 (int16)\n  B: 3 (int32)\n"},
        PairCase{"OtherNumberSent", {get(4, "A=1")}, {{4, Access::Get, "FuelingPositionInformation", Value::int16(8), Value::string("A=1"), {}, {}, {}, {}}},
                 "s.vts:4: get FuelingPositionInformation(7): the values sent differ: 7 vs 8\n"
                 "  A: 7 (int16)\n  B: 8 (int16)\n"}),
    test_names::ByName());

struct IgnoreCase {
    const char* name;
    std::string answer, kept;
};
void PrintTo(const IgnoreCase& c, std::ostream* os) { *os << c.name; }

class IgnoredLines : public ::testing::TestWithParam<IgnoreCase> {};

TEST_P(IgnoredLines, LeaveTheKeysLinesOutWithTheirEnds)
{
    EXPECT_EQ(withoutKeys(GetParam().answer, {"JobNumber", "Date"}), GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, IgnoredLines,
    ::testing::Values(IgnoreCase{"CrLf", "A=1\r\nJobNumber=17\r\nB=2\r\n", "A=1\r\nB=2\r\n"},
                      IgnoreCase{"LfAlone", "JobNumber=17\nA=1\nDate=2026-12-09\n", "A=1\n"},
                      IgnoreCase{"NoEnd", "A=1\r\nDate=2026-12-09", "A=1\r\n"},
                      IgnoreCase{"BeforeTheClosingNul", std::string("A=1\r\nJobNumber=9\0", 17), std::string("A=1\r\n\0", 6)},
                      IgnoreCase{"KeyOnlyAtTheStartOfALine", "XJobNumber=1\r\nA=JobNumber=2\r\n", "XJobNumber=1\r\nA=JobNumber=2\r\n"},
                      IgnoreCase{"LongerKeyKept", "JobNumbers=1\r\n", "JobNumbers=1\r\n"}),
    test_names::ByName());

TEST(IgnoredLines, MakeAnswersThatDifferOnlyThereTheSame)
{
    CompareSettings settings;
    settings.ignore = {"JobNumber"};
    const auto outcome = compareScript({"s.vts", {get(3, "JobNumber=1\r\nA=1\r\n")}, {}, {}, {}},
                                       {"s.vts", {get(3, "JobNumber=2\nA=1\r\n")}, {}, {}, {}}, settings);
    EXPECT_TRUE(outcome.differences.empty());
}

TEST(ComparedCalls, ReportCardDataMasked)
{
    std::vector<ScriptCalls> a{{"s.vts", {get(3, "Track2=4761739001010010=25122011234567890?\r\n")}, {}, {}, {}}};
    std::vector<ScriptCalls> b{{"s.vts", {get(3, "Track2=4761739001010010=25122019999999999?\r\n")}, {}, {}, {}}};
    maskCalls(a);
    maskCalls(b);
    const auto outcome = compareScript(a.front(), b.front(), {});
    ASSERT_EQ(outcome.differences.size(), 1u);
    EXPECT_NE(outcome.differences.front().text.find("4761739001010010"), std::string::npos);
    EXPECT_EQ(outcome.differences.front().report.find("4761739001010010"), std::string::npos);
    EXPECT_NE(outcome.differences.front().report.find("cardholder data"), std::string::npos);
}

// Answers longer than a comparison keeps are kept by their start, and still
// compared whole: by their length and digest, their ignored lines left out first.
TEST(ComparedCalls, LongAnswersAreKeptInPartAndComparedWhole)
{
    const std::string answer(std::size_t(1) << 20, 'x');
    std::string later = answer;
    later[900000] = 'y';
    auto kept = [](const std::string& text) { return keptBounded(get(3, text), {"JobNumber"}); };
    CompareSettings settings;
    settings.ignore = {"JobNumber"};
    auto differences = [&settings](const SeenCall& a, const SeenCall& b) {
        return compareScript({"s.vts", {a}, {}, {}, {}}, {"s.vts", {b}, {}, {}, {}}, settings).printed;
    };
    const SeenCall a = kept(answer);
    EXPECT_EQ(a.result->asString().size(), kKeptBytes);
    EXPECT_TRUE(differences(a, kept(answer)).empty());
    EXPECT_TRUE(differences(kept("JobNumber=1\r\n" + answer), kept("JobNumber=2\r\n" + answer)).empty());
    const auto printed = differences(a, kept(later));
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0].substr(0, printed[0].find('\n')),
              "s.vts:3: get FuelingPositionInformation(7): the answers differ after their first 262144 bytes, which "
              "are alike (1048576 vs 1048576 bytes)");
    const auto shorter = differences(a, kept(answer.substr(1)));
    ASSERT_EQ(shorter.size(), 1u);
    EXPECT_NE(shorter[0].find("(1048576 vs 1048575 bytes)"), std::string::npos) << shorter[0];
}

struct TraceCase {
    const char* name;
    std::string text;
    std::string reason; // empty: read
};
void PrintTo(const TraceCase& c, std::ostream* os) { *os << c.name; }

const std::string kStart = R"({"event":"start","masked":true,"server":"S","date":"D"})" "\n";

class SavedTraces : public ::testing::TestWithParam<TraceCase> {};

TEST_P(SavedTraces, AreReadOrRefusedWithTheLine)
{
    std::string reason;
    const auto trace = parseTrace(GetParam().text, reason);
    EXPECT_EQ(trace.has_value(), GetParam().reason.empty()) << reason;
    EXPECT_EQ(reason, GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SavedTraces,
    ::testing::Values(
        TraceCase{"Empty", "", "0: the trace is empty"},
        TraceCase{"NoStart", R"({"event":"press"})", "1: the first event is no \"start\": not a trace of vantrel-test"},
        TraceCase{"NoJson", kStart + "\n{\"event\":", "3: no JSON: unterminated object"},
        TraceCase{"NoEvent", kStart + "[1]", "2: no trace event (a JSON object with an \"event\")"},
        TraceCase{"BadAccess", kStart + R"({"event":"call","access":"set","member":"M"})",
                  "2: a call whose \"access\" is none of put, get, call"},
        TraceCase{"Int16OutOfRange", kStart + R"({"event":"call","access":"get","member":"M","args":[{"type":"int16","value":40000}]})",
                  "2: the argument is no whole number from -32768 to 32767"},
        TraceCase{"CharacterAbove255", kStart + R"({"event":"call","access":"put","member":"M","value":{"type":"string","value":"€"}})",
                  "2: the put's \"value\" holds a character above 255, which no byte gives"},
        TraceCase{"ErrorWithoutItsCall", kStart + R"({"event":"error","member":"M","number":1003,"description":"x"})",
                  "2: an error of M that follows no call of it"},
        TraceCase{"UtilityErrorPassedOver", kStart + R"({"event":"error","source":"utility","number":1,"description":"x"})", ""}),
    test_names::ByName());

TEST(SavedTraces, ThatAreNoFileAreRefusedWithTheReason)
{
    QTemporaryDir dir;
    std::string reason;
    EXPECT_FALSE(readTrace(dir.path().toStdString(), reason));
    EXPECT_EQ(reason, "0: cannot read the trace: a folder, not a trace");
}

TEST(SavedTraces, GiveEachScriptsCallsWithTheirLinesAndErrors)
{
    std::string reason;
    const auto trace = parseTrace(
        kStart + R"({"event":"script","script":"a.vts"})" "\n"
                 R"({"event":"call","access":"get","member":"M","args":[{"type":"int16","value":40}],"line":4})" "\n"
                 R"({"event":"error","member":"M","number":1003,"description":"No such position"})" "\n"
                 R"({"event":"script","script":"b.vts"})" "\n"
                 R"({"event":"call","access":"put","member":"P","value":{"type":"string","value":"A=1\r\n\u0000"}})" "\n",
        reason);
    ASSERT_TRUE(trace) << reason;
    EXPECT_TRUE(trace->masked && trace->namesScripts);
    ASSERT_EQ(trace->scripts.size(), 2u);
    const SeenCall& failedCall = trace->scripts[0].calls.at(0);
    EXPECT_EQ(failedCall.line, 4);
    EXPECT_EQ(failedCall.argument, Value::int16(40));
    EXPECT_EQ(failedCall.error, 1003);
    EXPECT_EQ(trace->scripts[1].script, "b.vts");
    EXPECT_EQ(trace->scripts[1].calls.at(0).argument, Value::string(std::string("A=1\r\n\0", 6)));
}

struct LineCase {
    const char* name;
    std::vector<std::string> args;
    std::string reason;
};
void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class CompareCommandLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(CompareCommandLines, AreRefusedWithTheReason)
{
    std::string reason;
    EXPECT_FALSE(parseCommandLine(GetParam().args, reason));
    EXPECT_EQ(reason, GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Refused, CompareCommandLines,
    ::testing::Values(
        LineCase{"CompareWithoutScript", {"--compare", "dbus"}, "--compare compares the calls of scripts: give --script too"},
        LineCase{"TraceWithoutScript", {"--compare-trace", "t.jsonl"},
                 "--compare-trace compares the calls of scripts: give --script too"},
        LineCase{"BothComparisons", {"--script", "s.vts", "--compare", "dbus", "--compare-trace", "t.jsonl"},
                 "--compare and --compare-trace: give one of them, a second server or a saved trace"},
        LineCase{"IgnoreAlone", {"--script", "s.vts", "--ignore", "JobNumber"},
                 "--ignore leaves lines out of a comparison: give --compare or --compare-trace too"},
        LineCase{"IgnoreWithEquals", {"--script", "s.vts", "--compare", "dbus", "--ignore", "Job=1"},
                 "--ignore takes the key of a key=value line, without \"=\" or a line end, not \"Job=1\""},
        LineCase{"TraceOverTheComparedTrace", {"--script", "s.vts", "--compare-trace", "t.jsonl", "--trace", "./t.jsonl"},
                 "--trace ./t.jsonl is the trace --compare-trace reads: it would be overwritten"},
        LineCase{"SaveSession", {"--script", "s.vts", "--compare", "dbus", "--save-session", "x.vts"},
                 "--save-session saves one session: a comparison runs each script twice"}),
    test_names::ByName());

// The embedded forecourt, but position 7's information says Busy where it says Idle.
class ChangedServer : public forecourt::ForecourtServer {
public:
    using ForecourtServer::ForecourtServer;
    Value get(std::string_view member, const std::optional<Value>& argument) override
    {
        Value answer = ForecourtServer::get(member, argument);
        if (member != "FuelingPositionInformation" || argument != std::optional<Value>(Value::int16(7)))
            return answer;
        std::string text = answer.asString();
        if (const auto at = text.find("State=Idle"); at != std::string::npos)
            text.replace(at, 10, "State=Busy");
        return Value::string(text);
    }
};

// The embedded forecourt, but its card queue answers 2 MiB whose last byte is `last`.
class LongCardQueue : public forecourt::ForecourtServer {
public:
    explicit LongCardQueue(char last) : m_last(last) {}
    Value get(std::string_view member, const std::optional<Value>& argument) override
    {
        if (member != "CardQue")
            return ForecourtServer::get(member, argument);
        return Value::string(std::string((std::size_t(2) << 20) - 1, 'c') + m_last);
    }

private:
    char m_last;
};

constexpr const char* kScript = "select 3\nselect 7\nput TankMonitorStartReport int16 1\n";

struct Compared {
    int status = -1;
    std::string output;
};

class WholeRuns : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        script = dir.filePath("s.vts").toStdString();
        QFile file(QString::fromStdString(script));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kScript);
    }
    // A side on the embedded forecourt on virtual time, or on the changed one.
    Side side(AutomationRegistry& registry, bool changed)
    {
        std::string reason;
        if (!changed)
            return {registry, *chooseServer(registry, forecourt::kProgId, std::chrono::seconds(5), true, reason)};
        registry.add("Test.Changed", [] { return std::make_unique<ChangedServer>(); });
        return {registry, ServerChoice{"Test.Changed", "the changed server", {}}};
    }
    Compared servers(bool changed, const std::string& junit = {})
    {
        AutomationRegistry a, b;
        std::ostringstream out;
        const int status = compareServers(side(a, false), side(b, changed), {{script}, {}, junit, true, nullptr}, out);
        return {status, out.str()};
    }
    QTemporaryDir dir;
    std::string script;
};

TEST_F(WholeRuns, AgainstTheSameServerNothingDiffers)
{
    const Compared run = servers(false);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("== " + script + ": A script passed, B script passed\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("calls compared, 0 differ\n"), std::string::npos) << run.output;
}

TEST_F(WholeRuns, AChangedAnswerIsReportedWithItsLineAndByte)
{
    const std::string junit = dir.filePath("r.xml").toStdString();
    const Compared run = servers(true, junit);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find(script + ":2: get FuelingPositionInformation(7): the answers differ at byte 25: "
                                       "0x49 vs 0x42\n"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find(", 1 differs\n"), std::string::npos) << run.output;
    QFile report(QString::fromStdString(junit));
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_EQ(report.readAll().count("<failure message=\"" + QByteArray::fromStdString(script) + ":2: "), 1);
}

TEST_F(WholeRuns, ATraceOfTheSameRunMatchesMaskedAndAnotherDoesNot)
{
    const std::string path = dir.filePath("t.jsonl").toStdString();
    {
        AutomationRegistry registry;
        TraceWriter trace(path);
        trace.writeStart(traceStart("S", true));
        std::ostringstream out;
        ASSERT_EQ(compareServers(side(registry, false), side(registry, false), {{script}, {}, {}, true, &trace}, out), 0);
        ASSERT_TRUE(trace.finish());
    }
    std::string reason;
    const auto saved = readTrace(path, reason);
    ASSERT_TRUE(saved) << reason;
    for (const bool changed : {false, true}) {
        AutomationRegistry registry;
        std::ostringstream out;
        const int status = compareWithTrace(side(registry, changed), *saved, path, {{script}, {}, {}, true, nullptr}, out);
        EXPECT_EQ(status, changed ? 1 : 0) << out.str();
        EXPECT_NE(out.str().find("the trace is masked"), std::string::npos);
        EXPECT_EQ(out.str().find(script + ":2: get FuelingPositionInformation(7)") != std::string::npos, changed)
            << out.str();
    }
}

TEST_F(WholeRuns, AServerThatCannotBeCreatedIsADifferenceAndAStopAlikeNoSuccess)
{
    QFile file(QString::fromStdString(script));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("select 7\npress NoSuchButton\n");
    file.close();
    AutomationRegistry a, b;
    std::ostringstream missing, alike;
    EXPECT_EQ(compareServers(side(a, false), {b, ServerChoice{"Test.Missing", "none", {}}},
                             {{script}, {}, {}, true, nullptr}, missing),
              1);
    EXPECT_NE(missing.str().find(script + ": B did not run it: the server Test.Missing cannot be created"),
              std::string::npos)
        << missing.str();
    EXPECT_EQ(compareServers(side(a, false), side(b, false), {{script}, {}, {}, true, nullptr}, alike), 2);
    EXPECT_NE(alike.str().find(script + ": the script stopped alike on both sides"), std::string::npos) << alike.str();
}

TEST_F(WholeRuns, LongAnswersAreComparedWholeFromTheStartKept)
{
    QFile file(QString::fromStdString(script));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("get CardQue\nget CardQue\n");
    file.close();
    for (const char last : {'A', 'B'}) {
        AutomationRegistry a, b;
        a.add("Test.LongA", [] { return std::make_unique<LongCardQueue>('A'); });
        b.add("Test.LongB", [last] { return std::make_unique<LongCardQueue>(last); });
        std::ostringstream out;
        const int status = compareServers({a, ServerChoice{"Test.LongA", "A", {}}}, {b, ServerChoice{"Test.LongB", "B", {}}},
                                          {{script}, {}, {}, true, nullptr}, out);
        EXPECT_EQ(status, last == 'A' ? 0 : 1) << out.str();
        EXPECT_EQ(out.str().find(script + ":2: get CardQue(): the answers differ after their first 262144 bytes") !=
                      std::string::npos,
                  last == 'B')
            << out.str();
    }
}

TEST_F(WholeRuns, AScriptThatCannotBeReadStopsTheComparison)
{
    AutomationRegistry a, b;
    std::ostringstream out;
    const std::string missing = dir.filePath("missing.vts").toStdString();
    EXPECT_EQ(compareServers(side(a, false), side(b, false), {{missing}, {}, {}, true, nullptr}, out), 2);
    EXPECT_EQ(out.str(), missing + ":0: cannot read the script: no such file\n");
}

} // namespace
