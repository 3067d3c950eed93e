// Where a window opens beside the main window: on the screen, and off the
// main window's description box, result box and position selector, which
// show what the technician does. The choice is pure geometry
// (choosePlace), so that it is tested without a display; placeOffTheBoxes
// gathers the rectangles from the live windows and moves the window.
#pragma once

#include <QRect>
#include <QSize>

#include <vector>

class QWidget;

namespace vantrel {

struct PlacementRequest {
    QRect screen;    // the screen's available area
    QRect mainFrame; // the main window, frame included, where the user put it
    QRect ownerFrame; // the window that opens this one (the main window, or a secondary window)
    // Boxes the window's own runs write into: hidden only when no place on
    // the screen keeps them clear, and then as little as can be.
    std::vector<QRect> mustStayVisible;
    // The other boxes to keep in sight (the selector, a box the window does not write).
    std::vector<QRect> keepVisible;
    QSize frame; // the window's frame size
    // The smallest frame a resizable window may be given to find room; empty
    // (or equal to `frame`) for a window of fixed size.
    QSize minimumFrame;
};

// The frame rectangle for the window, on the screen wherever it fits. In
// order of weight: it hides as little as possible of mustStayVisible, then
// of keepVisible, then of the main window and of the owner; a resizable
// window is made no smaller than it must; last, it lies nearest its owner.
QRect choosePlace(const PlacementRequest& request);

// The area of `rects` that `window` covers (overlaps counted once per rect).
long long coveredArea(const QRect& window, const std::vector<QRect>& rects);

// The rectangles of the main window's description box, result box and
// selector (its buttons, labels, heading and position line) on the screen;
// null rectangles for those it lacks.
struct MainBoxes {
    QRect description;
    QRect result;
    QRect selector;
};
MainBoxes mainBoxesOnScreen(const QWidget& mainWindow);

// Places `window` (a top-level window) by choosePlace, with `owner` as the
// window that opens it. `writesMainBoxes`: its runs write the description
// and result boxes, so those must stay in sight. `minimumSize` (client
// size): a resizable window may be shrunk down to it to find room; empty
// for a window of fixed size. Before the first show the window's frame is
// unknown; the main window's frame margins stand in for it.
void placeOffTheBoxes(QWidget& window, const QWidget& mainWindow, const QWidget* owner, bool writesMainBoxes,
                      QSize minimumSize = {});

} // namespace vantrel
