// The canvas of the board window: the site drawn by a BoardPainter. The
// pump tiles take clicks and, with the keyboard's focus, the arrow keys,
// Enter and Space; a screen reader hears the tile with the focus. A right
// click on a device (or the menu key, on the tile with the focus) asks for
// its fault menu.
#pragma once

#include "board_layout.h"
#include "board_painter.h"
#include "board_view.h"

#include <QWidget>

#include <functional>

namespace vantrel::board {

class SiteCanvas : public QWidget {
public:
    explicit SiteCanvas(QWidget* parent);

    const BoardView* view = nullptr;            // what to draw; nothing drawn over an empty board when null
    std::function<void(int position)> chosen;   // a tile was clicked, or chosen with Enter or Space
    std::function<void(const CanvasSpot& spot, const QPoint& global)> menuAsked; // a device's menu, shown at `global`
    CanvasLayout layout;
    PaintOptions options;
    int focusTile = 1;

    // The board's selection moved: the focus follows it unless the canvas has the focus.
    void follow(int selected);

protected:
    // Over a tank, the tooltip is all its words, its product whole (a narrow
    // gauge may shorten it); elsewhere the canvas's own.
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // What a screen reader says of the tile with the focus.
    void describeFocus();
};

} // namespace vantrel::board
