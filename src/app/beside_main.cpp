#include "beside_main.h"

#include "widgets/window_placement.h"

#include <QLayout>
#include <QScreen>
#include <QVariant>
#include <QWidget>

#include <algorithm>

namespace vantrel {

namespace {

// Once only: a window the user has moved stays where it was left.
bool placeOnce(QWidget& window)
{
    if (window.property("vantrelPlaced").toBool())
        return false;
    window.setProperty("vantrelPlaced", true);
    return true;
}

} // namespace

void placeBesideMain(QWidget& window, const QWidget& mainWindow)
{
    if (!placeOnce(window))
        return;
    // A window not shown yet knows its minimum size only once its layout has run.
    if (QLayout* layout = window.layout())
        layout->activate();
    window.resize(window.width(), mainWindow.frameGeometry().height());
    // It may be made narrower or lower to find room beside the boxes, not below a usable size.
    placeOffTheBoxes(window, mainWindow, &mainWindow, false, window.minimumSizeHint().expandedTo(QSize(480, 320)));
}

void placeInspectorBesideMain(QWidget& inspector, const QWidget& mainWindow)
{
    if (!inspector.property("vantrelPlaced").toBool()) {
        const QRect screen = mainWindow.screen()->availableGeometry();
        inspector.resize(std::min(640, screen.width() / 2), mainWindow.frameGeometry().height());
    }
    placeBesideMain(inspector, mainWindow);
}

void placeBoardBesideMain(QWidget& board, const QWidget& mainWindow)
{
    if (!placeOnce(board))
        return;
    // The board opens at the size it chose for this screen. To find room
    // off the main window's boxes it may give up a third of it, no more:
    // smaller, its text can no longer be read. Where there is no such
    // room, it hides as little of the boxes as it can.
    const QSize fitted = board.size();
    placeOffTheBoxes(board, mainWindow, &mainWindow, false, QSize(fitted.width() * 2 / 3, fitted.height() * 2 / 3));
}

} // namespace vantrel
