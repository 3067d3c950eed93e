// The board's layout on the screens a field laptop has: the whole window in
// the screen's available area, every section inside it and none over
// another, the customer bar whole, and the pumps drawn unscaled.
#include "board/board_layout.h"
#include "board/board_view.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vantrel::board;

namespace {

struct Screen {
    const char* name;
    int width, height;
    double scale; // QT_SCALE_FACTOR or the desktop's scaling
};

// A task bar and a window frame, as a desktop takes them from the screen.
constexpr int kTaskBar = 40;
constexpr int kFrameWidth = 8, kFrameHeight = 36;

Size availableOn(const Screen& s)
{
    return {static_cast<int>(s.width / s.scale) - kFrameWidth, static_cast<int>(s.height / s.scale) - kTaskBar - kFrameHeight};
}

void expectInside(const Rect& outer, const Rect& inner, const std::string& what)
{
    EXPECT_FALSE(inner.empty()) << what << " is empty: " << describe(inner);
    EXPECT_TRUE(outer.contains(inner)) << what << " " << describe(inner) << " is not inside " << describe(outer);
}

void expectApart(const std::vector<std::pair<std::string, Rect>>& rects)
{
    for (std::size_t i = 0; i < rects.size(); ++i)
        for (std::size_t j = i + 1; j < rects.size(); ++j)
            EXPECT_FALSE(rects[i].second.intersects(rects[j].second))
                << rects[i].first << " " << describe(rects[i].second) << " overlaps " << rects[j].first << " "
                << describe(rects[j].second);
}

void expectSectionsWhole(const CanvasLayout& l, const Rect& canvas)
{
    const Rect design{0, 0, l.design.width, l.design.height};
    // The design, drawn at its scale, covers no more than the canvas.
    EXPECT_LE(std::floor(l.design.width * l.scale), canvas.width);
    EXPECT_LE(std::floor(l.design.height * l.scale), canvas.height);
    expectInside(design, l.forecourt, "forecourt");
    expectInside(design, l.reader, "reader");
    expectInside(design, l.devices, "devices");
    expectApart({{"forecourt", l.forecourt}, {"reader", l.reader}, {"devices", l.devices}});
    ASSERT_EQ(l.tiles.size(), 32u);
    std::vector<std::pair<std::string, Rect>> tiles;
    for (std::size_t i = 0; i < l.tiles.size(); ++i) {
        expectInside(l.forecourt, l.tiles[i], "tile " + std::to_string(i + 1));
        EXPECT_GE(l.tiles[i].width, 92) << "tile " << i + 1;
        EXPECT_GE(l.tiles[i].height, 84) << "tile " << i + 1;
        tiles.push_back({"tile " + std::to_string(i + 1), l.tiles[i]});
    }
    expectApart(tiles);
    // The tanks (one to the eight a site can have), the wash bay and the price sign, inside their section.
    for (int tanks = 1; tanks <= 8; ++tanks) {
        const DeviceSpots spots = deviceSpots(l.devices, tanks);
        std::vector<std::pair<std::string, Rect>> devices{{"wash", spots.wash}, {"sign", spots.sign}};
        for (std::size_t i = 0; i < spots.tanks.size(); ++i)
            devices.push_back({"tank " + std::to_string(i + 1), spots.tanks[i]});
        for (const auto& [name, r] : devices)
            expectInside(l.devices, r, name + " of " + std::to_string(tanks));
        expectApart(devices);
    }
}

class BoardOnScreen : public ::testing::TestWithParam<Screen> {};

TEST_P(BoardOnScreen, OpensWholeWithEverySectionInside)
{
    const Size available = availableOn(GetParam());
    const BarNeeds bar;
    const WindowLayout w = windowLayout(available, bar);
    EXPECT_LE(w.window.width, available.width);
    EXPECT_LE(w.window.height, available.height);
    const Rect window{0, 0, w.window.width, w.window.height};
    expectInside(window, w.canvas, "canvas");
    expectInside(window, w.customerBar, "customer bar");
    expectInside(window, w.statusLine, "status line");
    expectApart({{"canvas", w.canvas}, {"customer bar", w.customerBar}, {"status line", w.statusLine}});
    // The bar whole: as wide and as high as its controls need.
    const Size need = w.barFolded ? bar.twoRows : bar.oneRow;
    EXPECT_GE(w.customerBar.width, need.width);
    EXPECT_EQ(w.customerBar.height, need.height);
    EXPECT_EQ(w.statusLine.height, bar.statusHeight);
    expectSectionsWhole(w.sections, w.canvas);
    // Every one of these screens has room for the board unscaled.
    EXPECT_DOUBLE_EQ(w.sections.scale, 1.0);
    EXPECT_FALSE(w.barFolded);
}

INSTANTIATE_TEST_SUITE_P(Screens, BoardOnScreen,
                         ::testing::Values(Screen{"Hd1280x720", 1280, 720, 1}, Screen{"Laptop1366x768", 1366, 768, 1},
                                           Screen{"FullHd", 1920, 1080, 1}, Screen{"FullHdAt125", 1920, 1080, 1.25},
                                           Screen{"FullHdAt150", 1920, 1080, 1.5}, Screen{"UhdAt200", 3840, 2160, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

struct WindowCase {
    const char* name;
    Size window;
    bool scaled;
    Arrangement arrangement;
    bool folded;
};

class BoardResized : public ::testing::TestWithParam<WindowCase> {};

// A window made smaller (or taller) than the board likes keeps every
// section whole: the sections reflow, and below the least readable size the
// drawing is scaled down; the bar folds rather than leave the window.
TEST_P(BoardResized, KeepsEverySectionWhole)
{
    const BarNeeds bar;
    const WindowLayout w = windowLayoutFor(GetParam().window, bar);
    EXPECT_EQ(w.sections.scale < 1.0, GetParam().scaled) << w.sections.scale;
    EXPECT_EQ(w.sections.arrangement, GetParam().arrangement);
    EXPECT_EQ(w.barFolded, GetParam().folded);
    const Rect window{0, 0, w.window.width, w.window.height};
    expectInside(window, w.customerBar, "customer bar");
    expectInside(window, w.statusLine, "status line");
    EXPECT_GE(w.customerBar.width, (w.barFolded ? bar.twoRows : bar.oneRow).width);
    expectSectionsWhole(w.sections, w.canvas);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, BoardResized,
    ::testing::Values(WindowCase{"preferred", preferredWindowSize(), false, Arrangement::ReaderBeside, false},
                      WindowCase{"besideTheMainWindow", {750, 600}, true, Arrangement::ReaderBeside, true},
                      WindowCase{"portrait", {1080, 1800}, false, Arrangement::ReaderBelow, false},
                      WindowCase{"tiny", {600, 420}, true, Arrangement::ReaderBeside, true},
                      WindowCase{"wide", {2400, 700}, false, Arrangement::ReaderBeside, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BoardLayout, APointFindsItsTileAtAnyScale)
{
    for (const Size canvas : {Size{1240, 700}, Size{700, 400}}) {
        const CanvasLayout l = canvasLayout(canvas);
        for (std::size_t i = 0; i < l.tiles.size(); ++i) {
            const Rect& t = l.tiles[i];
            EXPECT_EQ(tileAt(l, (t.x + t.width / 2) * l.scale, (t.y + t.height / 2) * l.scale), static_cast<int>(i) + 1);
            EXPECT_EQ(tileAt(l, (t.right() - 1) * l.scale, (t.bottom() - 1) * l.scale), static_cast<int>(i) + 1);
        }
        // Between two tiles, and on the reader: no position.
        EXPECT_EQ(tileAt(l, (l.tiles[0].right() + 2) * l.scale, (l.tiles[0].y + 5) * l.scale), 0);
        EXPECT_EQ(tileAt(l, (l.reader.x + 5) * l.scale, (l.reader.y + 5) * l.scale), 0);
    }
}

struct ColourCase {
    const char* name;
    Rgb background;
};

class InkOnColour : public ::testing::TestWithParam<ColourCase> {};

// Text on what the board paints itself stands out as WCAG asks of small text.
TEST_P(InkOnColour, IsReadable)
{
    EXPECT_GE(contrastRatio(inkOn(GetParam().background), GetParam().background), 4.5);
}

INSTANTIATE_TEST_SUITE_P(
    Backgrounds, InkOnColour,
    ::testing::Values(ColourCase{"idle", stateColour(vantrel::forecourt::PositionState::Idle)},
                      ColourCase{"calling", stateColour(vantrel::forecourt::PositionState::Calling)},
                      ColourCase{"authorised", stateColour(vantrel::forecourt::PositionState::Authorised)},
                      ColourCase{"fueling", stateColour(vantrel::forecourt::PositionState::Fueling)},
                      ColourCase{"stopped", stateColour(vantrel::forecourt::PositionState::Stopped)},
                      ColourCase{"completed", stateColour(vantrel::forecourt::PositionState::Completed)},
                      ColourCase{"paid", stateColour(vantrel::forecourt::PositionState::Paid)},
                      ColourCase{"canopy", {226, 230, 236}}, ColourCase{"readerPanel", {44, 48, 56}},
                      ColourCase{"devicesPanel", {70, 76, 84}}, ColourCase{"tankWell", {40, 44, 50}},
                      ColourCase{"washing", {40, 110, 170}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Contrast, RunsFromOneToTwentyOne)
{
    EXPECT_DOUBLE_EQ(contrastRatio({0, 0, 0}, {0, 0, 0}), 1.0);
    EXPECT_NEAR(contrastRatio({0, 0, 0}, {255, 255, 255}), 21.0, 1e-9);
    EXPECT_EQ(inkOn({255, 255, 255}), kDarkInk);
    EXPECT_EQ(inkOn({0, 0, 0}), kLightInk);
}

} // namespace
