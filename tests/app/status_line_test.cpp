// The status line: each call's duration beside its size or error, and the
// stress test's summary, redrawn at most once a second.
#include "support/running_utility.h"

#include "app/call_timing.h"
#include "app/status_line.h"

#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::test;
using std::chrono::microseconds;

namespace {

struct DurationCase {
    const char* name;
    long long us;
    const char* text;
};
void PrintTo(const DurationCase& c, std::ostream* os) { *os << c.name; }
class Durations : public ::testing::TestWithParam<DurationCase> {};
TEST_P(Durations, ReadAsATechnicianWants)
{
    EXPECT_EQ(formatDuration(microseconds(GetParam().us)), GetParam().text);
}
INSTANTIATE_TEST_SUITE_P(
    Bounds, Durations,
    ::testing::Values(DurationCase{"Zero", 0, "0.0 ms"}, DurationCase{"Negative", -5, "0.0 ms"},
                      DurationCase{"FourTenths", 420, "0.4 ms"}, DurationCase{"RoundsHalfUp", 450, "0.5 ms"},
                      DurationCase{"JustBelowTen", 9'949, "9.9 ms"}, DurationCase{"RoundsToTen", 9'960, "10 ms"},
                      DurationCase{"WholeMs", 52'400, "52 ms"}, DurationCase{"OneSecond", 1'000'000, "1000 ms"},
                      DurationCase{"AboveASecond", 1'000'600, "1.0 s"}, DurationCase{"Seconds", 12'345'678, "12.3 s"}),
    [](const auto& info) { return std::string(info.param.name); });

struct PaceCase {
    const char* name;
    std::vector<long long> drawnAt;
    long long now;
    long long delay;
};
void PrintTo(const PaceCase& c, std::ostream* os) { *os << c.name; }
class Pacing : public ::testing::TestWithParam<PaceCase> {};
TEST_P(Pacing, NotSoonerThanASecondAfterTheLastDrawing)
{
    LinePacer pacer(1000);
    for (long long t : GetParam().drawnAt)
        pacer.drawnAt(t);
    EXPECT_EQ(pacer.delayAt(GetParam().now), GetParam().delay);
}
INSTANTIATE_TEST_SUITE_P(
    Gaps, Pacing,
    ::testing::Values(PaceCase{"FirstDrawingAtOnce", {}, 0, 0}, PaceCase{"SoonAfterWaits", {5000}, 5200, 800},
                      PaceCase{"RightAfterWaitsTheWholeGap", {5000}, 5000, 1000},
                      PaceCase{"AfterTheGapAtOnce", {5000}, 6000, 0}, PaceCase{"TheLastDrawingCounts", {0, 5000}, 5999, 1}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

TEST(StatusLineText, EachCallEndsWithItsDuration)
{
    RunningUtility s;
    MainWindow& w = s.app->mainWindow();
    w.setServerDescription("Vantrel.Application (embedded)");
    w.button("DispenserInfo")->click();
    const QString text = w.statusLine()->wholeText();
    const QRegularExpression got(QString::fromUtf8("^Server: Vantrel\\.Application \\(embedded\\)   \\|   #1 get "
                                                   "DispenserInformation\\(1\\) \u2192 \\d+ bytes \u00b7 "
                                                   "(\\d\\.\\d ms|\\d+ ms|\\d+\\.\\d s)$"));
    EXPECT_TRUE(got.match(text).hasMatch()) << text.toStdString();
    s.prompter.queueReply(true); // WindowControl: visible
    w.button("WindowControl")->click();
    const QRegularExpression put(QString::fromUtf8("#2 put WindowControl \u00b7 10 bytes \u00b7 ok \u00b7 \\d"));
    EXPECT_TRUE(put.match(w.statusLine()->wholeText()).hasMatch()) << w.statusLine()->wholeText().toStdString();
}

TEST(StatusLineText, AFailedCallShowsItsErrorAndDuration)
{
    RunningUtility s;
    MainWindow& w = s.app->mainWindow();
    s.app->session().setFp(40); // no such position: the server refuses
    w.button("DispenserInfo")->click();
    const QString text = w.statusLine()->wholeText();
    EXPECT_TRUE(QRegularExpression(QString::fromUtf8("#1 DispenserInformation: Error \\d+: .+ \u00b7 \\d"))
                    .match(text)
                    .hasMatch())
        << text.toStdString();
}

TEST(StatusLineText, TheStressTestShowsOneSummaryOfItsOwnCalls)
{
    RunningUtility s;
    MainWindow& w = s.app->mainWindow();
    w.setServerDescription("Vantrel.Application (embedded)");
    w.button("DispenserInfo")->click(); // before the test: not one of its calls
    w.button("STRESS_BUTTON")->click();
    for (int i = 0; i < 3; ++i)
        w.fireTimer("Timer1");
    const QString text = w.statusLine()->wholeText();
    EXPECT_TRUE(QRegularExpression(QString::fromUtf8("^stress: 6 calls, last #7 put KeyPadConfiguration \u00b7 \\d+ bytes "
                                                     "\u00b7 ok \u00b7 \\d"))
                    .match(text)
                    .hasMatch())
        << text.toStdString();
    EXPECT_TRUE(w.statusLine()->toolTip().startsWith("Server: Vantrel.Application (embedded)"));
    // Switched off and on again, it counts afresh.
    w.button("STRESS_BUTTON")->click();
    EXPECT_TRUE(w.statusLine()->wholeText().startsWith("Server: "));
    w.button("STRESS_BUTTON")->click();
    w.fireTimer("Timer1");
    EXPECT_TRUE(w.statusLine()->wholeText().startsWith("stress: 2 calls, last #9 ")) << w.statusLine()->wholeText().toStdString();
}
