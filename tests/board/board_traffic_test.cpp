// The traffic line of the board: its words for each state of the site's
// traffic, and the window showing it under the customer bar only while the
// site has traffic.
#include "board/board_view.h"
#include "board/board_window.h"
#include "board/site_source.h"
#include "forecourt/forecourt_server.h"
#include "forecourt/traffic.h"

#include "support/case_names.h"

#include <QLabel>
#include <QLayout>

#include <gtest/gtest.h>

using namespace vantrel;

namespace {

struct LineCase {
    const char* name;
    forecourt::TrafficSnapshot traffic;
    const char* line;
};

class TrafficLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(TrafficLine, SaysTheRateAndTheCustomers)
{
    EXPECT_EQ(board::trafficLine(GetParam().traffic), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(Lines, TrafficLine, ::testing::Values(
    LineCase{"never", {0, 1, 0, 0, 0}, ""},
    LineCase{"justStarted", {2, 1, 0, 0, 0}, "Traffic: 2 customers a minute \u00B7 0 served"},
    LineCase{"busy", {2, 1, 37, 0, 3}, "Traffic: 2 customers a minute \u00B7 37 served \u00B7 3 at the pumps"},
    LineCase{"oneAMinute", {1, 1, 5, 0, 1}, "Traffic: 1 customer a minute \u00B7 5 served \u00B7 1 at the pumps"},
    LineCase{"someLeft", {0.5, 9, 12, 4, 0}, "Traffic: 0.5 customers a minute \u00B7 12 served \u00B7 4 left without fuel"},
    LineCase{"stoppedFinishing", {0, 1, 37, 0, 2}, "Traffic: stopped \u00B7 37 served \u00B7 2 at the pumps"},
    LineCase{"stoppedDone", {0, 1, 37, 1, 0}, "Traffic: stopped \u00B7 37 served \u00B7 1 left without fuel"}
), test_names::ByName());

TEST(BoardTraffic, TheLineShowsOnlyWithTraffic)
{
    auto clock = std::make_shared<forecourt::ManualClock>();
    forecourt::ForecourtServer server(clock);
    board::BoardWindow window(std::make_unique<board::EmbeddedSite>(server), nullptr);
    window.show();
    window.refresh();
    EXPECT_TRUE(window.trafficLine().isEmpty());
    EXPECT_FALSE(window.findChild<QWidget*>("traffic")->isVisible());
    server.traffic().setRate(60);
    server.traffic().advance(*clock, std::chrono::minutes(5));
    window.refresh();
    EXPECT_TRUE(window.findChild<QWidget*>("traffic")->isVisible());
    EXPECT_EQ(window.trafficLine().toStdString(), board::trafficLine(server.siteState(1).traffic));
    EXPECT_TRUE(window.trafficLine().startsWith("Traffic: 60 customers a minute \u00B7 "));
    // On the smallest screen the board is made for, the line is whole and inside the window.
    window.resize(1280, 720);
    window.layout()->activate();
    const auto* line = window.findChild<QLabel*>("traffic");
    const QRect shown(line->mapTo(&window, QPoint(0, 0)), line->size());
    EXPECT_TRUE(window.rect().contains(shown));
    EXPECT_GE(line->height(), line->heightForWidth(line->width()));
}

} // namespace
