// Paints the forecourt board from a BoardView into the sections a
// CanvasLayout gives: onto the window's canvas, or into a QImage for the
// tests and the documentation. Every text it writes on a colour of its own
// is written in the ink chosen for that colour (inkOn), so the board reads
// the same under a light or a dark desktop theme.
#pragma once

#include "board_layout.h"
#include "board_view.h"

#include <QColor>
#include <QRect>
#include <QString>

#include <vector>

class QPainter;

namespace vantrel::board {

// A text the painter wrote and the rectangle it took.
struct DrawnText {
    QRect rect;
    QString text;
};

struct PaintOptions {
    int focused = 0;      // the tile with the keyboard focus (1..32), 0 for none
    QString hint;         // written beside the forecourt's heading
    QString offline;      // when not empty, the board is drawn grey with this reason over it
};

class BoardPainter {
public:
    // The whole board on a canvas of `canvas` pixels laid out as `layout`.
    void paint(QPainter& p, const QSize& canvas, const CanvasLayout& layout, const BoardView& view,
               const PaintOptions& options);
    // One pump tile in `r` (design units); returns every text it wrote.
    std::vector<DrawnText> paintTile(QPainter& p, const QRect& r, const TileView& t, bool focused = false);
    // The tanks' gauges in the devices' section `area` (design units), each
    // with its words under it; returns every text they wrote.
    std::vector<DrawnText> paintGauges(QPainter& p, const QRect& area, const std::vector<GaugeView>& gauges);

private:
    void paintForecourt(QPainter& p, const CanvasLayout& layout, const BoardView& view, const PaintOptions& options);
    void paintReader(QPainter& p, const QRect& area, const ReaderView& rv);
    void paintScreen(QPainter& p, const QRect& r, const ScreenView& s);
    void paintPaper(QPainter& p, const QRect& r, const std::vector<PaperLine>& paper, const std::string& dropped);
    void paintDevices(QPainter& p, const QRect& area, const BoardView& view);
    void paintOffline(QPainter& p, const QSize& canvas, const QString& reason);
};

QColor qColour(Rgb c);
inline QRect qRect(const Rect& r) { return QRect(r.x, r.y, r.width, r.height); }

} // namespace vantrel::board
