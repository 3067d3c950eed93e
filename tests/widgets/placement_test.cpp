// Where a window opens beside the main window, over the screens a
// technician's desktop has, for every window the utility opens beside it.
#include "widgets/window_placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

namespace vantrel {
namespace {

// The main window's frame under a window manager: 577 by 562 client (menu bar
// and status line included), a 21-pixel title bar and 1-pixel borders.
constexpr QSize kMainFrame{579, 584};
constexpr QPoint kClientInFrame{1, 21 + 22}; // title bar, then the menu bar

// The boxes at their places in the main window's client area, moved with its frame.
std::vector<QRect> boxesOf(const QRect& mainFrame)
{
    const QPoint client = mainFrame.topLeft() + kClientInFrame;
    return {QRect(120, 32, 329, 25).translated(client),   // TextBox
            QRect(264, 88, 177, 217).translated(client),  // InBox
            QRect(448, 40, 113, 425).translated(client)}; // FPLabel, position line, selector
}

struct WindowKind {
    const char* name;
    QSize frame;
    QSize minimum; // empty: fixed size
    bool writesBoxes;
    bool ownedByTestFunctions;
};

const WindowKind kTestFunctions{"TestFunctions", {376, 471}, {}, true, false};
const WindowKind kWindows[] = {
    {"OtherDevices", {730, 453}, {}, true, false},
    {"KeyEntry", {212, 351}, {}, true, false},
    kTestFunctions,
    {"GraphicsDisplay", {282, 273}, {}, true, false},
    {"IxCatTest", {290, 173}, {}, true, true},
    {"RecordInspector", {642, 605}, {482, 342}, false, false},
    {"CallJournal", {1002, 522}, {482, 342}, false, false},
    {"ScriptRun", {762, 605}, {482, 342}, false, false},
    {"Help", {902, 584}, {482, 342}, false, false},
};

struct Screen {
    const char* name;
    QSize logical; // the screen at its scale, in device-independent pixels
};
const Screen kScreens[] = {
    {"Screen1366x768", {1366, 768}},
    {"Screen1920x1080", {1920, 1080}},
    {"Screen1920x1080At125", {1536, 864}},
    {"Screen1920x1080At150", {1280, 720}},
};

enum class MainAt { Centre, TopLeft, RightEdge };
const std::pair<MainAt, const char*> kMainPlaces[] = {
    {MainAt::Centre, "MainCentred"}, {MainAt::TopLeft, "MainTopLeft"}, {MainAt::RightEdge, "MainAtRightEdge"}};

QRect mainFrameOn(const QRect& screen, MainAt at)
{
    switch (at) {
    case MainAt::Centre: return QRect(QPoint(), kMainFrame).translated(screen.center() - QRect(QPoint(), kMainFrame).center());
    case MainAt::TopLeft: return QRect(screen.topLeft(), kMainFrame);
    case MainAt::RightEdge: return QRect(QPoint(screen.right() + 1 - kMainFrame.width(), screen.top()), kMainFrame);
    }
    return {};
}

PlacementRequest requestFor(const WindowKind& kind, const QRect& screen, const QRect& mainFrame, const QRect& owner)
{
    const auto boxes = boxesOf(mainFrame);
    PlacementRequest r;
    r.screen = screen;
    r.mainFrame = mainFrame;
    r.ownerFrame = owner;
    if (kind.writesBoxes)
        r.mustStayVisible = {boxes[0], boxes[1]};
    else
        r.keepVisible = {boxes[0], boxes[1]};
    r.keepVisible.push_back(boxes[2]);
    r.frame = kind.frame;
    r.minimumFrame = kind.minimum;
    return r;
}

// What a search of every place (4-pixel steps), at the window's full and
// its smallest size, hides at best: of the boxes it writes, then of the rest.
std::pair<long long, long long> leastHidden(const PlacementRequest& r)
{
    std::pair<long long, long long> least{-1, -1};
    std::vector<QSize> sizes{r.frame.boundedTo(r.screen.size())};
    if (!r.minimumFrame.isEmpty())
        sizes.push_back(r.minimumFrame.boundedTo(r.screen.size()));
    for (const QSize& size : sizes)
        for (int y = r.screen.top(); y + size.height() <= r.screen.bottom() + 1; y += 4)
            for (int x = r.screen.left(); x + size.width() <= r.screen.right() + 1; x += 4) {
                const QRect at(QPoint(x, y), size);
                const std::pair<long long, long long> hidden{coveredArea(at, r.mustStayVisible),
                                                             coveredArea(at, r.keepVisible)};
                if (least.first < 0 || hidden < least)
                    least = hidden;
            }
    return least;
}

struct PlacementCase {
    std::string name;
    Screen screen;
    MainAt mainAt;
    WindowKind window;
};

class PlacementOnScreens : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(PlacementOnScreens, HidesNoBoxWhereThereIsRoomAndAsLittleAsCanBeWhereThereIsNot)
{
    const auto& c = GetParam();
    const QRect screen(QPoint(0, 0), c.screen.logical);
    const QRect mainFrame = mainFrameOn(screen, c.mainAt);
    QRect owner = mainFrame;
    if (c.window.ownedByTestFunctions)
        owner = choosePlace(requestFor(kTestFunctions, screen, mainFrame, mainFrame));
    const PlacementRequest request = requestFor(c.window, screen, mainFrame, owner);

    const QRect chosen = choosePlace(request);
    EXPECT_TRUE(screen.contains(chosen)) << "chosen " << chosen.x() << "," << chosen.y();
    if (c.window.minimum.isEmpty())
        EXPECT_EQ(chosen.size(), c.window.frame.boundedTo(screen.size()));
    else
        EXPECT_TRUE(chosen.width() >= c.window.minimum.width() && chosen.height() >= c.window.minimum.height() &&
                    chosen.width() <= c.window.frame.width() && chosen.height() <= c.window.frame.height())
            << chosen.width() << "x" << chosen.height();
    const std::pair<long long, long long> hidden{coveredArea(chosen, request.mustStayVisible),
                                                 coveredArea(chosen, request.keepVisible)};
    const auto least = leastHidden(request);
    EXPECT_LE(hidden, least) << "hides " << hidden.first << "+" << hidden.second << " px where " << least.first
                             << "+" << least.second << " would do";
}

std::vector<PlacementCase> everyCase()
{
    std::vector<PlacementCase> cases;
    for (const Screen& screen : kScreens)
        for (const auto& [at, where] : kMainPlaces)
            for (const WindowKind& window : kWindows)
                cases.push_back({std::string(screen.name) + "_" + where + "_" + window.name, screen, at, window});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Desktops, PlacementOnScreens, ::testing::ValuesIn(everyCase()),
                         [](const auto& info) { return info.param.name; });

// The cases a technician meets most, with the place they get.
TEST(Placement, TheIxCatWindowOpensLeftOfTheCentredMainWindowOnAWideScreen)
{
    const QRect screen(0, 0, 1920, 1080);
    const QRect mainFrame = mainFrameOn(screen, MainAt::Centre);
    const QRect owner = choosePlace(requestFor(kTestFunctions, screen, mainFrame, mainFrame));
    EXPECT_EQ(owner, QRect(QPoint(mainFrame.right() + 5, mainFrame.top()), kTestFunctions.frame));
    const QRect ixcat = choosePlace(requestFor(kWindows[4], screen, mainFrame, owner));
    // Right of Test Functions there is room too: it goes there, clear of the main window.
    EXPECT_FALSE(ixcat.intersects(mainFrame));
    EXPECT_FALSE(ixcat.intersects(owner));
    EXPECT_TRUE(screen.contains(ixcat));
}

TEST(Placement, AResizableWindowIsNarrowedToTheRoomBesideTheMainWindow)
{
    const QRect screen(0, 0, 1920, 1080);
    const QRect mainFrame = mainFrameOn(screen, MainAt::Centre);
    const QRect journal = choosePlace(requestFor(kWindows[6], screen, mainFrame, mainFrame));
    EXPECT_FALSE(journal.intersects(mainFrame));
    EXPECT_EQ(journal.left(), mainFrame.right() + 5);
    EXPECT_EQ(journal.right(), screen.right());
    EXPECT_EQ(journal.height(), kWindows[6].frame.height());
}

TEST(Placement, WithoutRoomTheBoxesTheWindowWritesStayClearBeforeTheSelector)
{
    // Other Devices at 1366 by 768 cannot miss every box: it keeps off the
    // description and result boxes, which its runs write.
    const QRect screen(0, 0, 1366, 768);
    const QRect mainFrame(0, 0, 579, 584);
    const PlacementRequest request = requestFor(kWindows[0], screen, mainFrame, mainFrame);
    const QRect chosen = choosePlace(request);
    EXPECT_EQ(coveredArea(chosen, request.mustStayVisible), 0);
}

TEST(Placement, AWindowLargerThanTheScreenStartsAtItsTopLeft)
{
    PlacementRequest r;
    r.screen = QRect(10, 20, 300, 200);
    r.mainFrame = QRect(10, 20, 100, 100);
    r.frame = QSize(400, 300);
    EXPECT_EQ(choosePlace(r), QRect(10, 20, 300, 200));
}

} // namespace
} // namespace vantrel
