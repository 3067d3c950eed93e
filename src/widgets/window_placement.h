// Where a secondary window opens: beside its owner, on the screen, and off
// the boxes where the results it produces appear (the main window's
// description and result boxes). Pure geometry, so that it is tested
// without a window manager.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace vantrel {

// The top left corner of a window frame of `size`: right of `owner`, else
// left of it, below or above, whichever lies whole on `screen`; when none
// does, the place on the screen that covers the least of `keepVisible`.
QPoint placeBeside(const QRect& owner, const QSize& size, const QRect& screen, const QRect& keepVisible);

// Where the main window's description and result boxes (TextBox, InBox) lie on the screen.
QRect resultBoxesOnScreen(const QWidget& mainWindow);

} // namespace vantrel
