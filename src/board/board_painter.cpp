// The BoardPainter's frame: the canvas, the forecourt's canopy and islands,
// the grey of a board that cannot read its site, and what the painter's
// parts share. The tiles are painted in board_painter_tile.cpp, the reader
// terminal in board_painter_reader.cpp, the devices in
// board_painter_devices.cpp.
#include "board_painter.h"
#include "board_paint_kit.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>

namespace vantrel::board {

namespace painting {

// The ink for text on a background the board painted itself.
QColor inkFor(const QColor& background)
{
    return qColour(inkOn({static_cast<std::uint8_t>(background.red()), static_cast<std::uint8_t>(background.green()),
                          static_cast<std::uint8_t>(background.blue())}));
}

QFont boardFont(int points, bool bold, bool mono)
{
    QFont f(mono ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("DejaVu Sans"));
    f.setPointSize(points);
    f.setBold(bold);
    if (mono)
        f.setStyleHint(QFont::Monospace);
    return f;
}

void line(QPainter& p, const QRect& r, int align, const QString& text, std::vector<DrawnText>* drawn)
{
    const QString shown = p.fontMetrics().elidedText(text, Qt::ElideRight, r.width());
    QRect used;
    p.drawText(r, align | Qt::TextSingleLine, shown, &used);
    if (drawn && !shown.isEmpty())
        drawn->push_back({used, shown});
}

// The height drawText gives one line in the painter's font, so that lines stacked at it never touch.
int lineHeightOf(QPainter& p)
{
    return p.boundingRect(QRect(0, 0, 1000, 1000), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, QStringLiteral("AgÉ")).height();
}

void faultBand(QPainter& p, const QRect& r, const std::string& words, std::vector<DrawnText>* drawn)
{
    p.save();
    // Red on a white edge inside a dark one: the pair stands out from any
    // ground (a red Stopped tile, a pale one, the dark wells), the white on
    // the dark ones and the dark on the light ones.
    const QRectF band = QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(kFaultOuterEdge, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(band.adjusted(-1, -1, 1, 1), 4, 4);
    p.setPen(QPen(kFaultInnerEdge, 1));
    p.setBrush(kFault);
    p.drawRoundedRect(band, 3, 3);
    p.setPen(inkFor(kFault));
    line(p, r.adjusted(3, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter, "\u26A0 " + q(words), drawn);
    p.restore();
}

} // namespace painting

using namespace painting;

QColor qColour(Rgb c) { return QColor(c.r, c.g, c.b); }

void BoardPainter::paint(QPainter& p, const QSize& canvas, const CanvasLayout& layout, const BoardView& view,
                         const PaintOptions& options)
{
    if (!options.offline.isEmpty()) {
        // A board whose site cannot be read shows its last picture without colour, and why.
        const qreal ratio = p.device()->devicePixelRatioF();
        QImage live(canvas * ratio, QImage::Format_ARGB32_Premultiplied);
        live.setDevicePixelRatio(ratio);
        {
            QPainter lp(&live);
            PaintOptions live_options = options;
            live_options.offline.clear();
            paint(lp, canvas, layout, view, live_options);
        }
        QImage grey = live.convertToFormat(QImage::Format_Grayscale8);
        grey.setDevicePixelRatio(ratio);
        p.drawImage(QPoint(0, 0), grey);
        paintOffline(p, canvas, options.offline);
        return;
    }
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRect(QPoint(0, 0), canvas), kAsphalt);
    p.save();
    p.scale(layout.scale, layout.scale);
    paintForecourt(p, layout, view, options);
    paintReader(p, qRect(layout.reader), view.reader);
    paintDevices(p, qRect(layout.devices), view);
    p.restore();
}

void BoardPainter::paintOffline(QPainter& p, const QSize& canvas, const QString& reason)
{
    p.fillRect(QRect(QPoint(0, 0), canvas), QColor(0, 0, 0, 90));
    const QColor back(40, 40, 44);
    p.setFont(boardFont(11, true));
    const int width = std::min(canvas.width() - 40, 640);
    const QRect text = p.fontMetrics().boundingRect(QRect(0, 0, width - 32, canvas.height()), Qt::TextWordWrap, reason);
    QRect box(0, 0, width, text.height() + 28);
    box.moveCenter(QRect(QPoint(0, 0), canvas).center());
    p.setPen(QPen(QColor(200, 200, 200), 2));
    p.setBrush(back);
    p.drawRoundedRect(box, 10, 10);
    p.setPen(inkFor(back));
    p.drawText(box.adjusted(16, 14, -16, -14), Qt::AlignCenter | Qt::TextWordWrap, reason);
}

void BoardPainter::paintForecourt(QPainter& p, const CanvasLayout& layout, const BoardView& view, const PaintOptions& options)
{
    const QRect area = qRect(layout.forecourt);
    p.setPen(Qt::NoPen);
    p.setBrush(kCanopy);
    p.drawRoundedRect(area, 10, 10);
    p.setPen(inkFor(kCanopy));
    p.setFont(boardFont(11, true));
    const QRect heading = area.adjusted(12, 6, -12, 0);
    QRect used;
    p.drawText(heading, Qt::AlignLeft | Qt::AlignTop, "FORECOURT", &used);
    const QRect beside(used.right() + 16, heading.top(), heading.right() - used.right() - 16, used.height());
    if (!view.memberFaults.empty()) {
        // Faults of members no device shows, in place of the hint.
        std::string words;
        for (const std::string& f : view.memberFaults)
            words += (words.empty() ? "" : "; ") + f;
        p.setFont(boardFont(8, true));
        faultBand(p, beside, words);
    } else if (!options.hint.isEmpty()) {
        p.setFont(boardFont(8));
        line(p, beside, Qt::AlignRight | Qt::AlignVCenter, options.hint);
    }
    // The islands: a concrete strip under each row of pumps.
    for (int first = 0; first < static_cast<int>(layout.tiles.size()); first += layout.columns) {
        const QRect tile = qRect(layout.tiles[static_cast<std::size_t>(first)]);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(190, 194, 200));
        p.drawRoundedRect(QRect(area.left() + 6, tile.center().y() - 10, area.width() - 12, 20), 8, 8);
    }
    for (std::size_t i = 0; i < layout.tiles.size() && i < view.tiles.size(); ++i)
        paintTile(p, qRect(layout.tiles[i]), view.tiles[i], options.focused == static_cast<int>(i) + 1);
}

} // namespace vantrel::board
