// The call journal in the utility: a session saved as a script repeats its
// calls; traces start with the run and mask card data; the journal window
// holds many rows and shows one in the inspector.
#include "embedded_script.h"
#include "support/running_utility.h"

#include "app/main_window.h"
#include "app/output_file.h"
#include "app/script_runner.h"
#include "app/trace_writer.h"
#include "server/conversions.h"
#include "inspector/record_inspector.h"
#include "journal/journal_model.h"
#include "journal/journal_window.h"

#include <QDir>
#include <QPushButton>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTreeView>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

using namespace vantrel;

namespace {

// Every call and failure of a run, as bytes: what went out and what came back.
struct CallLog : SessionObserver {
    std::vector<std::string> calls;
    void callMade(const CallEvent& e) override
    {
        std::string line = std::string(accessName(e.access)) + " " + e.member;
        if (e.argument)
            line += " <" + toText(*e.argument) + ">";
        if (e.result)
            line += " -> <" + toText(*e.result) + ">";
        calls.push_back(line);
    }
    void callFailed(std::string_view member, int number, std::string_view) override
    {
        calls.push_back("error " + std::to_string(number) + " from " + std::string(member));
    }
};

// Runs a script against the embedded server on virtual time, as --script has it.
ScriptResult runWith(const std::string& name, const std::string& content, ScriptRunOptions options,
                     std::string* output = nullptr)
{
    AutomationRegistry registry;
    std::ostringstream out;
    ScriptResult r = runScriptText(name, content, registry, test::onEmbeddedServer(registry, options), out);
    if (output)
        *output = out.str();
    return r;
}

ScriptRunOptions traced(SessionObserver* trace, const std::string& saveSession = {})
{
    ScriptRunOptions options;
    options.trace = trace;
    options.saveSession = saveSession;
    return options;
}

std::string readAll(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll().toStdString();
}

class RoundTrip : public ::testing::TestWithParam<std::string> {};

// Run through the paths a click takes, saved, replayed: the same calls, byte for byte.
TEST_P(RoundTrip, TheSavedSessionRepeatsEveryCall)
{
    QTemporaryDir dir;
    const QString saved = dir.filePath("saved.vts");
    const std::string script = readAll(QStringLiteral(VANTREL_EXAMPLES "/") + QString::fromStdString(GetParam()));
    CallLog first, replayed;
    std::string output;
    ASSERT_EQ(runWith("example", script, traced(&first, saved.toStdString()), &output).status, 0) << output;
    ASSERT_EQ(runWith("saved", readAll(saved), traced(&replayed), &output).status, 0) << output << readAll(saved);
    ASSERT_FALSE(first.calls.empty());
    EXPECT_EQ(replayed.calls, first.calls);
}

std::vector<std::string> examples()
{
    std::vector<std::string> names;
    for (const QString& name : QDir(VANTREL_EXAMPLES).entryList({"*.vts"}, QDir::Files, QDir::Name))
        names.push_back(name.toStdString());
    return names;
}

INSTANTIATE_TEST_SUITE_P(Examples, RoundTrip, ::testing::ValuesIn(examples()),
                         [](const auto& info) { return info.param.substr(0, info.param.find('.')); });

std::vector<QJsonObject> traceOf(const std::string& script, bool masked)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("trace.jsonl");
    {
        TraceWriter trace(path.toStdString(), masked);
        trace.writeStart(traceStart("Vantrel.Application (embedded)", masked));
        ScriptRunOptions options = traced(&trace);
        options.onClock = [&trace](std::function<long long()> clock) { trace.setClock(std::move(clock)); };
        std::string output;
        EXPECT_EQ(runWith("t", script, options, &output).status, 0) << output;
    }
    std::vector<QJsonObject> events;
    for (const QByteArray& line : QByteArray::fromStdString(readAll(path)).split('\n'))
        if (!line.isEmpty())
            events.push_back(QJsonDocument::fromJson(line).object());
    return events;
}

TEST(JournalTrace, StartsWithTheRunAndTimesEveryEventOnTheScriptsClock)
{
    const auto events = traceOf("select 3\ntick VantrelTest.Timer1 2\npress CardQue\n", true);
    ASSERT_GT(events.size(), 3u);
    EXPECT_EQ(events[0]["event"].toString(), "start");
    EXPECT_EQ(events[0]["server"].toString(), "Vantrel.Application (embedded)");
    EXPECT_EQ(events[0]["version"].toString(), VANTREL_VERSION);
    EXPECT_TRUE(events[0]["masked"].toBool());
    EXPECT_FALSE(events[0]["date"].toString().isEmpty());
    std::vector<qint64> callTimes;
    for (std::size_t i = 1; i < events.size(); ++i) {
        ASSERT_TRUE(events[i].contains("time_ms")) << i;
        if (events[i]["event"] == "call") {
            callTimes.push_back(events[i]["time_ms"].toInteger());
            EXPECT_EQ(events[i]["duration_ms"].toInteger(), 0); // no call takes virtual time
        }
    }
    // Two ticks of the 1000 ms timer lie between the selection and the card read.
    ASSERT_EQ(callTimes.size(), 2u);
    EXPECT_EQ(callTimes[0], 0);
    EXPECT_EQ(callTimes[1], 2000);
}

TEST(JournalTrace, CardDataIsMaskedInTheTraceUnlessAskedOtherwise)
{
    for (const bool masked : {true, false}) {
        const auto events = traceOf("press CardQue\nexpect InBox contains 4111111111111111=2812101000\n", masked);
        std::string result, box;
        for (const auto& e : events) {
            if (e["event"] == "call")
                result = decodeBytes(e["result"].toObject()["value"].toString());
            if (e["event"] == "box" && e["box"] == "InBox")
                box = decodeBytes(e["text"].toString());
        }
        const std::string expected = masked ? "Track2=;411111******1111=2812101?" : "Track2=;4111111111111111=28121010000000000000?";
        EXPECT_NE(result.find(expected), std::string::npos) << result;
        EXPECT_NE(box.find(expected), std::string::npos) << box;
    }
}

TEST(JournalWindow, HoldsAHundredThousandRowsFiltersThemAndShowsTheChosenOneInTheInspector)
{
    test::RunningUtility u;
    MainWindow& main = u.app->mainWindow();
    journal::CallJournal& calls = u.app->journal();
    for (int i = 0; i < 100000; ++i)
        calls.callMade({Access::Put, i % 2 ? "DisplayData" : "Authorize", Value::string("record " + std::to_string(i)),
                        std::nullopt, "VantrelTest", "Preset", i, 0});
    main.show();
    main.showJournal();
    journal::JournalWindow* window = main.journalWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->model()->rowCount(), 100000);

    window->setFilter("DisplayData", {});
    EXPECT_EQ(window->shownRows(), 50000);
    window->setFilter("DisplayData", "record 99999");
    ASSERT_EQ(window->shownRows(), 1);
    window->view()->setCurrentIndex(window->view()->model()->index(0, 0));
    EXPECT_EQ(main.inspector()->bytes(), "record 99999");
    EXPECT_TRUE(main.inspector()->isVisible());
    window->setFilter({}, {});
    EXPECT_EQ(window->shownRows(), 100000);

    // One call more drops the oldest; the view follows.
    calls.callMade({Access::Get, "CardQue", std::nullopt, Value::string("x"), "VantrelTest", "CardQue", 0, 0});
    EXPECT_EQ(window->model()->rowCount(), 100000);
    EXPECT_EQ(window->model()->entry(0).call.argument->asString(), "record 1");
}

TEST(JournalWindow, ASaveThatFailsSaysTheSystemsReasonAndKeepsTheEarlierFile)
{
    QTemporaryDir dir;
    test::RunningUtility u;
    MainWindow& main = u.app->mainWindow();
    main.button("HELP_BUTTON")->click();
    for (const QString name : {"session.vts", "journal.jsonl"}) {
        const QString path = dir.filePath(name);
        ASSERT_TRUE(test::writeEarlier(path));
        test_hooks::setOutputFault([](std::string_view step) { return step == "write" ? ENOSPC : 0; });
        QString reason;
        const bool saved = name.endsWith(".vts") ? main.saveSessionAs(path, reason) : main.saveJournalAs(path, reason);
        test_hooks::setOutputFault({});
        EXPECT_FALSE(saved) << name.toStdString();
        EXPECT_EQ(reason, "No space left on device");
        EXPECT_EQ(readAll(path), "earlier\n");
        // Saved once the disk has room.
        EXPECT_TRUE(name.endsWith(".vts") ? main.saveSessionAs(path, reason) : main.saveJournalAs(path, reason));
        EXPECT_NE(readAll(path), "earlier\n");
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST(JournalCommandLine, SaveSessionTakesOneScriptAndUnmaskedTracesSaySo)
{
    QTemporaryDir dir;
    const QString script = dir.filePath("a.vts");
    {
        QFile f(script);
        f.open(QIODevice::WriteOnly);
        f.write("press CardQue\n");
    }
    auto run = [](const QStringList& args) {
        QProcess p;
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.start(VANTREL_EXE, args);
        p.waitForFinished(60000);
        return std::make_pair(p.exitCode(), p.readAllStandardError());
    };
    const auto two = run({"--script", script, script, "--save-session", dir.filePath("s.vts")});
    EXPECT_EQ(two.first, 2);
    EXPECT_TRUE(two.second.contains("--save-session saves one session")) << two.second.toStdString();

    const QString trace = dir.filePath("t.jsonl");
    const auto unmasked = run({"--script", script, "--trace", trace, "--trace-unmasked", "--save-session", dir.filePath("s.vts")});
    EXPECT_EQ(unmasked.first, 0);
    EXPECT_TRUE(unmasked.second.contains("--trace-unmasked")) << unmasked.second.toStdString();
    const std::string content = readAll(trace);
    EXPECT_NE(content.find("\"masked\":false"), std::string::npos);
    EXPECT_NE(content.find("4111111111111111=28121010000000000000?"), std::string::npos);
    EXPECT_NE(readAll(dir.filePath("s.vts")).find("\npress CardQue\n"), std::string::npos);
}

} // namespace
