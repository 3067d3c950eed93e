#include "board_layout.h"

#include <algorithm>
#include <cmath>

namespace vantrel::board {

namespace {

constexpr int kMargin = 10; // around the canvas and between sections
// The forecourt: four islands of eight pumps, a heading above them.
constexpr int kColumns = 8, kRows = 4, kTileGap = 8, kSidePad = 12, kHeading = 30, kFoot = 10;
constexpr int kTileMinWidth = 92, kTileMinHeight = 84;
constexpr int kForecourtMinWidth = 2 * kSidePad + kColumns * kTileMinWidth + (kColumns - 1) * kTileGap;
constexpr int kForecourtMinHeight = kHeading + kFoot + kRows * kTileMinHeight + (kRows - 1) * kTileGap;
constexpr int kForecourtMaxHeight = 520;
// The reader terminal: its screen, keypad, paper strip and queues.
constexpr int kReaderMinWidth = 360, kReaderMaxWidth = 440, kReaderMinHeight = 440;
// Tanks, car wash and price sign.
constexpr int kDevicesMinWidth = 560, kDevicesMinHeight = 140, kDevicesPreferredHeight = 230;

constexpr Size kPreferredWindow{1240, 800};

Size minimumFor(Arrangement a)
{
    if (a == Arrangement::ReaderBeside)
        return {3 * kMargin + kForecourtMinWidth + kReaderMinWidth,
                std::max(3 * kMargin + kForecourtMinHeight + kDevicesMinHeight, 2 * kMargin + kReaderMinHeight)};
    return {std::max(2 * kMargin + kForecourtMinWidth, 3 * kMargin + kDevicesMinWidth + kReaderMinWidth),
            3 * kMargin + kForecourtMinHeight + kReaderMinHeight};
}

double scaleFor(Arrangement a, Size canvas)
{
    const Size least = minimumFor(a);
    return std::min({1.0, canvas.width / static_cast<double>(least.width), canvas.height / static_cast<double>(least.height)});
}

void placeTiles(CanvasLayout& l)
{
    const Rect& f = l.forecourt;
    const int w = (f.width - 2 * kSidePad - (kColumns - 1) * kTileGap) / kColumns;
    const int h = (f.height - kHeading - kFoot - (kRows - 1) * kTileGap) / kRows;
    l.columns = kColumns;
    l.tiles.clear();
    for (int i = 0; i < kColumns * kRows; ++i) {
        const int r = i / kColumns, c = i % kColumns;
        l.tiles.push_back({f.x + kSidePad + c * (w + kTileGap), f.y + kHeading + r * (h + kTileGap), w, h});
    }
}

} // namespace

Size preferredWindowSize() { return kPreferredWindow; }

CanvasLayout canvasLayout(Size canvas)
{
    canvas.width = std::max(1, canvas.width);
    canvas.height = std::max(1, canvas.height);
    CanvasLayout l;
    // The arrangement drawn largest; beside when both fit whole.
    const double beside = scaleFor(Arrangement::ReaderBeside, canvas);
    const double below = scaleFor(Arrangement::ReaderBelow, canvas);
    l.arrangement = below > beside ? Arrangement::ReaderBelow : Arrangement::ReaderBeside;
    l.scale = std::max(beside, below);
    const Size least = minimumFor(l.arrangement);
    // Rounding may not take the design below the arrangement's least size.
    l.design = {std::max(least.width, static_cast<int>(std::floor(canvas.width / l.scale))),
                std::max(least.height, static_cast<int>(std::floor(canvas.height / l.scale)))};
    const int dw = l.design.width, dh = l.design.height;

    if (l.arrangement == Arrangement::ReaderBeside) {
        int reader = std::clamp(static_cast<int>(dw * 0.30), kReaderMinWidth, kReaderMaxWidth);
        reader = std::min(reader, dw - 3 * kMargin - kForecourtMinWidth);
        const int left = dw - 3 * kMargin - reader;
        int fh = std::clamp(dh - 3 * kMargin - kDevicesPreferredHeight, kForecourtMinHeight, kForecourtMaxHeight);
        fh = std::min(fh, dh - 3 * kMargin - kDevicesMinHeight);
        l.forecourt = {kMargin, kMargin, left, fh};
        l.devices = {kMargin, 2 * kMargin + fh, left, dh - 3 * kMargin - fh};
        l.reader = {2 * kMargin + left, kMargin, reader, dh - 2 * kMargin};
    } else {
        const int fh = std::clamp(dh - 3 * kMargin - kReaderMinHeight - 60, kForecourtMinHeight, kForecourtMaxHeight);
        const int under = dh - 3 * kMargin - fh;
        int reader = std::clamp(static_cast<int>(dw * 0.4), kReaderMinWidth, kReaderMaxWidth);
        reader = std::min(reader, dw - 3 * kMargin - kDevicesMinWidth);
        l.forecourt = {kMargin, kMargin, dw - 2 * kMargin, fh};
        l.devices = {kMargin, 2 * kMargin + fh, dw - 3 * kMargin - reader, under};
        l.reader = {dw - kMargin - reader, 2 * kMargin + fh, reader, under};
    }
    placeTiles(l);
    return l;
}

int tileAt(const CanvasLayout& layout, double x, double y)
{
    const double dx = x / layout.scale, dy = y / layout.scale;
    for (std::size_t i = 0; i < layout.tiles.size(); ++i)
        if (layout.tiles[i].containsPoint(static_cast<int>(std::floor(dx)), static_cast<int>(std::floor(dy))))
            return static_cast<int>(i) + 1;
    return 0;
}

DeviceSpots deviceSpots(const Rect& area, int tanks)
{
    const int columns = std::max(3, tanks);
    constexpr int kLeastTank = 40, kLeastWash = 170, kLeastSign = 100;
    if (16 + columns * (kLeastTank + 16) + 10 + kLeastWash + 20 + kLeastSign + 16 > area.width &&
        area.height >= 2 * kDevicesMinHeight) {
        // Too narrow for them all in a row, and tall enough: the tanks across
        // the top, the wash bay and the price sign side by side under them.
        DeviceSpots spots;
        const int rowHeight = area.height / 2;
        spots.tankRow = {area.x, area.y, area.width, rowHeight};
        const int tankWidth = std::clamp((area.width - 32) / columns - 16, kLeastTank, 110);
        for (int i = 0; i < tanks; ++i)
            spots.tanks.push_back({area.x + 16 + i * (tankWidth + 16), area.y + 30, tankWidth, std::max(30, rowHeight - 80)});
        const int under = area.y + rowHeight;
        const int washWidth = std::max(kLeastWash, (area.width - 32 - 20) * 62 / 100);
        spots.wash = {area.x + 16, under + 16, washWidth, area.bottom() - under - 32};
        const int signLeft = spots.wash.right() - 1 + 20;
        spots.sign = {signLeft, under + 16, std::max(kLeastSign, area.right() - 1 - 16 - signLeft), area.bottom() - under - 32};
        return spots;
    }
    // Tanks, wash bay and price sign share the width.
    const int signWidth = std::clamp(area.width * 17 / 100, 110, 160);
    int washWidth = std::clamp(area.width * 30 / 100, 170, 260);
    const auto tankWidthBeside = [&](int wash) { return (area.width - 32 - signWidth - wash - 30) / columns - 16; };
    // With many tanks the wash bay gives up room, down to its least, so that
    // the words under each gauge fit.
    constexpr int kRoomyTank = 64;
    if (const int shortBy = kRoomyTank - tankWidthBeside(washWidth); shortBy > 0)
        washWidth = std::max(170, washWidth - shortBy * columns);
    const int tankWidth = std::clamp(tankWidthBeside(washWidth), 40, 110);
    const int tankHeight = std::max(30, area.height - 80);
    DeviceSpots spots;
    spots.tankRow = area;
    for (int i = 0; i < tanks; ++i)
        spots.tanks.push_back({area.x + 16 + i * (tankWidth + 16), area.y + 30, tankWidth, tankHeight});
    spots.wash = {area.x + 16 + columns * (tankWidth + 16) + 10, area.y + 30, washWidth, tankHeight};
    // Its last column, as the painter counts it, is one before right().
    const int signLeft = spots.wash.right() - 1 + 20;
    spots.sign = {signLeft, area.y + 16, std::max(100, area.right() - 1 - 16 - signLeft), area.height - 32};
    return spots;
}

CanvasSpot spotAt(const CanvasLayout& layout, int tanks, double x, double y)
{
    if (const int tile = tileAt(layout, x, y))
        return {CanvasSpot::Kind::Pump, tile};
    const int dx = static_cast<int>(std::floor(x / layout.scale)), dy = static_cast<int>(std::floor(y / layout.scale));
    if (layout.reader.containsPoint(dx, dy))
        return {CanvasSpot::Kind::Reader, 0};
    if (!layout.devices.containsPoint(dx, dy))
        return {};
    const DeviceSpots spots = deviceSpots(layout.devices, tanks);
    for (std::size_t i = 0; i < spots.tanks.size(); ++i)
        if (spots.tanks[i].containsPoint(dx, dy))
            return {CanvasSpot::Kind::Tank, static_cast<int>(i) + 1};
    if (spots.wash.containsPoint(dx, dy))
        return {CanvasSpot::Kind::Wash, 0};
    if (spots.sign.containsPoint(dx, dy))
        return {CanvasSpot::Kind::Sign, 0};
    return {};
}

WindowLayout windowLayoutFor(Size window, const BarNeeds& bar)
{
    WindowLayout l;
    l.window = window;
    l.barFolded = window.width < bar.oneRow.width;
    const int barHeight = l.barFolded ? bar.twoRows.height : bar.oneRow.height;
    const int canvasHeight = std::max(1, window.height - barHeight - bar.statusHeight);
    l.canvas = {0, 0, window.width, canvasHeight};
    l.customerBar = {0, canvasHeight, window.width, barHeight};
    l.statusLine = {0, canvasHeight + barHeight, window.width, bar.statusHeight};
    l.sections = canvasLayout({l.canvas.width, l.canvas.height});
    return l;
}

WindowLayout windowLayout(Size available, const BarNeeds& bar)
{
    // Never narrower than the folded bar, nor lower than the bar and the status line with a strip of canvas.
    const Size least{bar.twoRows.width, bar.twoRows.height + bar.statusHeight + 120};
    const Size window{std::max(least.width, std::min(available.width, kPreferredWindow.width)),
                      std::max(least.height, std::min(available.height, kPreferredWindow.height))};
    return windowLayoutFor(window, bar);
}

std::string describe(const Rect& r)
{
    return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) + "x" + std::to_string(r.height);
}

} // namespace vantrel::board
