// Where the board puts its sections, worked out from the room it has, so
// that the whole board fits any screen from 1280x720 up: the pump tiles,
// the reader terminal and the site's devices (tanks, wash, sign) on the
// canvas, and under it the customer bar and the status line. Plain C++ and
// pure geometry, so the tests can lay out any screen without one.
//
// The canvas is laid out in design units: when it is smaller than the
// smallest arrangement that keeps the text readable, the painting is drawn
// scaled down (`scale` < 1) instead of cutting anything off.
#pragma once

#include <string>
#include <vector>

namespace vantrel::board {

struct Size {
    int width = 0, height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    int right() const { return x + width; } // one past the last column
    int bottom() const { return y + height; }
    bool empty() const { return width <= 0 || height <= 0; }
    bool contains(const Rect& r) const { return r.x >= x && r.y >= y && r.right() <= right() && r.bottom() <= bottom(); }
    bool containsPoint(int px, int py) const { return px >= x && py >= y && px < right() && py < bottom(); }
    bool intersects(const Rect& r) const { return r.x < right() && x < r.right() && r.y < bottom() && y < r.bottom(); }
    bool operator==(const Rect&) const = default;
};

// How the canvas is divided.
enum class Arrangement {
    ReaderBeside, // the reader at the right, full height; the forecourt over the devices at the left
    ReaderBelow,  // the forecourt across the top; the devices and the reader under it
};

struct CanvasLayout {
    Arrangement arrangement = Arrangement::ReaderBeside;
    double scale = 1;  // canvas pixels per design unit (at most 1)
    Size design;       // the canvas in design units
    Rect forecourt, reader, devices; // in design units
    int columns = 8;
    std::vector<Rect> tiles; // the 32 pump tiles, inside the forecourt
};

// The sections of a canvas of `canvas` pixels.
CanvasLayout canvasLayout(Size canvas);

// The position (1..32) whose tile holds the canvas pixel x, y; 0 for none.
int tileAt(const CanvasLayout& layout, double x, double y);

// Where the devices stand in their section (design units): a well per tank,
// the car wash bay and the price sign; the painter draws them there.
struct DeviceSpots {
    std::vector<Rect> tanks;
    Rect wash, sign;
    // The band the tanks and the words under them take: the whole section
    // where the wash and the sign stand beside the tanks, its upper part
    // where a section too narrow for them all in a row (a tall window with
    // many tanks) puts the wash and the sign under the tanks.
    Rect tankRow;
};
DeviceSpots deviceSpots(const Rect& devices, int tanks);

// What the canvas pixel x, y is on: a pump (its position), the reader, a
// tank (its number, counting from 1), the car wash or the price sign.
struct CanvasSpot {
    enum class Kind { None, Pump, Reader, Tank, Wash, Sign };
    Kind kind = Kind::None;
    int number = 0;
    bool operator==(const CanvasSpot&) const = default;
};
CanvasSpot spotAt(const CanvasLayout& layout, int tanks, double x, double y);

// What the widgets under the canvas need: the customer bar in one row (its
// width and height), the bar folded onto two rows when the window is
// narrower than one row (the wider row's width, the height of both), and
// the status line.
struct BarNeeds {
    Size oneRow{1040, 40};
    Size twoRows{560, 76};
    int statusHeight = 24;
};

struct WindowLayout {
    Size window; // the client area
    Rect canvas, customerBar, statusLine; // in window pixels
    bool barFolded = false;
    CanvasLayout sections; // in the canvas's design units
};

// The window that fits `available` (the screen's available area less the
// window frame, in device-independent pixels): the preferred size where
// there is room, else the room there is, never less than the bar needs.
WindowLayout windowLayout(Size available, const BarNeeds& bar);

// The window for a client area of `window` pixels (what it is when the
// user resizes it): the bar whole, the canvas takes the rest.
WindowLayout windowLayoutFor(Size window, const BarNeeds& bar);

// The size the board opens at where the screen has room.
Size preferredWindowSize();

std::string describe(const Rect& r); // "10,10 760x440"

} // namespace vantrel::board
