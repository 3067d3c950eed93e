// Windows shown beside the main window: placed off its boxes the first time
// they are shown, then left where the user leaves them.
#pragma once

class QWidget;

namespace vantrel {

// Beside the main window, off its boxes, as tall as the main window; it may
// be made narrower or lower to find room, not below a usable size.
void placeBesideMain(QWidget& window, const QWidget& mainWindow);
// The record inspector: first made half the screen wide at most (640 pixels), then placed beside.
void placeInspectorBesideMain(QWidget& inspector, const QWidget& mainWindow);
// The forecourt board keeps the size it chose for the screen where it can.
void placeBoardBesideMain(QWidget& board, const QWidget& mainWindow);

} // namespace vantrel
