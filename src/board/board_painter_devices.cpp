// The devices on the board: the tanks with their gauges, the car wash bay
// and the price sign.
#include "board_painter.h"
#include "board_paint_kit.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStringList>

#include <algorithm>

namespace vantrel::board {

using namespace painting;

namespace {
QRect captionIn(const QRect& well) { return QRect(well.left() + 4, well.top() + 6, well.width() - 8, 14); }

// The least a well gives up to its words: its caption, a fault's band and
// the percentage, one under the other.
constexpr int kLeastWell = 54;
// How far a gauge's words reach past its well either side: a gap of a few
// pixels is left between them and the words of the next (the wells stand 16 apart).
constexpr int kColumnOver = 5;

// `text` broken at its plain spaces into lines no wider than `width` (a
// no-break space holds a number to its unit); a word wider than that alone
// is cut with an ellipsis.
QStringList wrapped(const QFontMetrics& metrics, const QString& text, int width)
{
    QStringList lines;
    QString current;
    for (const QString& word : text.split(QChar(' '), Qt::SkipEmptyParts)) {
        const QString joined = current.isEmpty() ? word : current + ' ' + word;
        if (current.isEmpty() || metrics.elidedText(joined, Qt::ElideRight, width) == joined) {
            current = joined;
        } else {
            lines << current;
            current = word;
        }
    }
    if (!current.isEmpty())
        lines << current;
    for (QString& l : lines)
        l = metrics.elidedText(l, Qt::ElideRight, width);
    return lines;
}

// The lines under a gauge's well: the volume and the water and temperature
// where they fit its column; else the short lines, each wrapped, with the
// product first when the well has no room for it.
struct GaugeLines {
    QStringList lines;
    int productLines = 0; // the first lines, the product's
};

GaugeLines gaugeLines(const QFontMetrics& metrics, const GaugeView& g, int width, bool captionInWell)
{
    const auto fits = [&](const std::string& words) { return metrics.elidedText(q(words), Qt::ElideRight, width) == q(words); };
    if (g.narrow.empty() || (captionInWell && fits(g.volume) && fits(g.detail)))
        return {{q(g.volume), q(g.detail)}, 0};
    GaugeLines out;
    if (!captionInWell) {
        out.lines = wrapped(metrics, q(g.product), width);
        out.productLines = static_cast<int>(out.lines.size());
    }
    for (const std::string& n : g.narrow)
        out.lines << wrapped(metrics, q(n), width);
    return out;
}

// At most `most` lines: the product gives up its last lines first (the
// line it keeps last ends with an ellipsis; the tooltip has the whole
// name), then the lines at the foot go.
void keepLines(GaugeLines& g, int most, const QFontMetrics& metrics, int width)
{
    const int over = static_cast<int>(g.lines.size()) - most;
    if (over > 0 && g.productLines > 1) {
        const int keep = std::max(1, g.productLines - over);
        const QString rest = QStringList(g.lines.mid(keep - 1, g.productLines - keep + 1)).join(' ');
        g.lines[keep - 1] = metrics.elidedText(rest + QChar(0x2026), Qt::ElideRight, width);
        g.lines.remove(keep, g.productLines - keep);
        g.productLines = keep;
    }
    if (static_cast<int>(g.lines.size()) > most)
        g.lines = g.lines.mid(0, std::max(0, most));
}

// One tank's gauge in the well `t`, its lines under it (`lineHeight` apart).
// `numberAlone`: the well shows the tank's number without the product.
void paintGauge(QPainter& p, const QRect& t, const GaugeView& g, bool numberAlone, const QFont& face, const QStringList& lines,
                int lineHeight, std::vector<DrawnText>& drawn)
{
    const QColor panel = kDevicePanel, well = kDeviceWell;
    p.setPen(g.fault.empty() ? QPen(QColor(200, 200, 200), 2) : QPen(kFault, 3));
    p.setBrush(well);
    p.drawRoundedRect(t, 12, 12);
    const int level = static_cast<int>((t.height() - 4) * g.fraction);
    p.setPen(Qt::NoPen);
    p.setBrush(colour(g.colour));
    p.drawRoundedRect(QRect(t.left() + 2, t.bottom() - 2 - level, t.width() - 4, level), 10, 10);
    // The number and the product in the well where both fit, else the number alone.
    p.setFont(boardFont(8, true));
    p.setPen(inkFor(well));
    const QRect captionRect = captionIn(t);
    const bool captionFits = !numberAlone && p.fontMetrics().horizontalAdvance(q(g.caption)) <= captionRect.width();
    line(p, captionRect, Qt::AlignHCenter | Qt::AlignTop, q(captionFits || g.number.empty() ? g.caption : g.number), &drawn);
    // A fault's band under the caption; the percentage in the middle, below
    // both in a short well. It sits on the fuel where the level reaches it,
    // else on the empty well.
    const QRect band(t.left() + 3, t.top() + 22, t.width() - 6, 14);
    const int middleTop = std::max(t.center().y() - 8, g.fault.empty() ? captionRect.bottom() + 2 : band.bottom() + 2);
    const QRect middle(t.left() + 2, middleTop, t.width() - 4, 16);
    p.setPen(inkFor(t.bottom() - 2 - level <= middle.top() ? colour(g.colour) : well));
    line(p, middle, Qt::AlignCenter, QString::number(static_cast<int>(g.fraction * 100 + 0.5)) + " %", &drawn);
    // Under the well, between it and its neighbours, a line each.
    p.setPen(inkFor(panel));
    p.setFont(face);
    int y = t.bottom() + 2;
    for (const QString& l : lines) {
        line(p, QRect(t.left() - kColumnOver, y, t.width() + 2 * kColumnOver, lineHeight), Qt::AlignHCenter, l, &drawn);
        y += lineHeight;
    }
    if (!g.fault.empty()) {
        p.setFont(boardFont(6, true));
        faultBand(p, band, g.fault, &drawn);
    }
}
} // namespace

std::vector<DrawnText> BoardPainter::paintGauges(QPainter& p, const QRect& area, const std::vector<GaugeView>& gauges)
{
    // Tanks, wash bay and price sign share the width (board_layout.h).
    const DeviceSpots spots = deviceSpots({area.left(), area.top(), area.width(), area.height()}, static_cast<int>(gauges.size()));
    std::vector<DrawnText> drawn;
    if (gauges.empty())
        return drawn;
    // The products in the wells where every one fits, else the numbers alone, the products under them.
    p.setFont(boardFont(8, true));
    bool numbersAlone = false;
    for (std::size_t i = 0; i < gauges.size(); ++i)
        numbersAlone |= p.fontMetrics().horizontalAdvance(q(gauges[i].caption)) > captionIn(qRect(spots.tanks[i])).width();
    // The words under each well, wrapped to its column, in the first face
    // in which every gauge's lines fit whole under wells that give up height
    // for them, down to their least: the board's small face, then the same
    // narrower (semi-condensed, then condensed: as tall and as easy to read,
    // not smaller). Where none does, the narrowest, and what still does not
    // fit is shortened.
    const QRect spot = qRect(spots.tanks.front());
    const int bottom = qRect(spots.tankRow).bottom(); // the words' last row
    const int column = spot.width() + 2 * kColumnOver;
    QFont face;
    std::vector<GaugeLines> lines;
    int lineHeight = 0, wellHeight = 0, room = 0;
    for (const int stretch : {QFont::Unstretched, QFont::SemiCondensed, QFont::Condensed}) {
        face = boardFont(6);
        face.setStretch(stretch);
        p.setFont(face);
        const QFontMetrics metrics = p.fontMetrics();
        lineHeight = lineHeightOf(p);
        lines.clear();
        int most = 0;
        bool cut = false;
        for (const GaugeView& g : gauges) {
            lines.push_back(gaugeLines(metrics, g, column, !numbersAlone));
            most = std::max(most, static_cast<int>(lines.back().lines.size()));
            for (const QString& l : lines.back().lines)
                cut |= l.contains(QChar(0x2026));
        }
        // The wells, all of one height, give up height for the words.
        wellHeight = std::clamp(bottom - 1 - most * lineHeight - spot.top(), std::min(kLeastWell, spot.height()), spot.height());
        room = std::max(0, (bottom + 1 - (spot.top() + wellHeight + 1)) / lineHeight);
        if (most <= room && !cut)
            break;
    }
    const QFontMetrics metrics(face, p.device());
    for (std::size_t i = 0; i < gauges.size(); ++i) {
        keepLines(lines[i], room, metrics, column);
        QRect well = qRect(spots.tanks[i]);
        well.setHeight(wellHeight);
        paintGauge(p, well, gauges[i], numbersAlone, face, lines[i].lines, lineHeight, drawn);
    }
    return drawn;
}

void BoardPainter::paintDevices(QPainter& p, const QRect& area, const BoardView& view)
{
    const QColor panel = kDevicePanel, well = kDeviceWell;
    p.setPen(Qt::NoPen);
    p.setBrush(panel);
    p.drawRoundedRect(area, 10, 10);
    p.setPen(inkFor(panel));
    p.setFont(boardFont(9, true));
    line(p, area.adjusted(12, 6, -12, 0).adjusted(0, 0, 0, -(area.height() - 22)), Qt::AlignLeft | Qt::AlignTop,
         "TANKS  \u2013 " + q(view.tankReport));
    // Tanks, wash bay and price sign share the width (board_layout.h).
    const DeviceSpots spots =
        deviceSpots({area.left(), area.top(), area.width(), area.height()}, static_cast<int>(view.gauges.size()));
    paintGauges(p, area, view.gauges);
    // The car wash bay.
    const QRect bay = qRect(spots.wash);
    const QColor bayColour = view.wash.washing ? QColor(40, 110, 170) : well;
    p.setPen(view.wash.fault.empty() ? QPen(QColor(200, 200, 200), 2) : QPen(kFault, 3));
    p.setBrush(bayColour);
    p.drawRoundedRect(bay, 8, 8);
    p.setPen(inkFor(bayColour));
    p.setFont(boardFont(9, true));
    p.drawText(bay.adjusted(8, 6, -8, 0), Qt::AlignLeft | Qt::AlignTop, "CAR WASH");
    p.setFont(boardFont(7));
    // A fault's band under the heading moves the status and the codes down.
    const int under = view.wash.fault.empty() ? 0 : 20;
    if (under > 0) {
        p.setFont(boardFont(7, true));
        faultBand(p, QRect(bay.left() + 6, bay.top() + 23, bay.width() - 12, 16), view.wash.fault);
        p.setPen(inkFor(bayColour));
        p.setFont(boardFont(7));
    }
    p.drawText(bay.adjusted(8, 24 + under, -8, -(bay.height() - 56 - under)), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               q(view.wash.status));
    int y = bay.top() + 56 + under;
    p.setFont(boardFont(7, false, true));
    for (auto it = view.wash.codes.rbegin(); it != view.wash.codes.rend() && y < bay.bottom() - 24; ++it, y += 12)
        line(p, QRect(bay.left() + 8, y, bay.width() - 16, 12), Qt::AlignLeft, q(*it));
    if (!view.wash.dropped.empty())
        line(p, QRect(bay.left() + 8, std::min(y, bay.bottom() - 24), bay.width() - 16, 12), Qt::AlignLeft, q(view.wash.dropped));
    // The price sign: a tall black board with lit digits.
    const QRect sign = qRect(spots.sign);
    p.setPen(view.sign.fault.empty() ? QPen(QColor(150, 150, 150), 2) : QPen(kFault, 3));
    p.setBrush(QColor(12, 12, 12));
    p.drawRoundedRect(sign, 6, 6);
    p.setPen(Qt::white);
    p.setFont(boardFont(8, true));
    p.drawText(sign.adjusted(0, 6, 0, 0), Qt::AlignHCenter | Qt::AlignTop, "PRICES");
    // A fault's band under the heading moves the lines down.
    const int bandUnder = view.sign.fault.empty() ? 0 : 20;
    if (bandUnder > 0) {
        p.setFont(boardFont(7, true));
        faultBand(p, QRect(sign.left() + 4, sign.top() + 24, sign.width() - 8, 16), view.sign.fault);
        p.setPen(Qt::white);
    }
    p.setFont(boardFont(14, true, true));
    const int step = std::max(1, (sign.height() - 44 - bandUnder) / 5);
    if (step < p.fontMetrics().height())
        p.setFont(boardFont(std::max(7, 14 * step / p.fontMetrics().height()), true, true));
    for (std::size_t i = 0; i < view.sign.lines.size(); ++i) {
        const SignLine& l = view.sign.lines[i];
        p.setPen(l.sent ? QColor(255, 150, 20) : QColor(120, 60, 10));
        p.drawText(QRect(sign.left(), sign.top() + 26 + bandUnder + static_cast<int>(i) * step, sign.width(), step), Qt::AlignCenter,
                   q(l.digits));
    }
    p.setPen(QColor(170, 170, 170));
    p.setFont(boardFont(6));
    p.drawText(sign.adjusted(0, 0, 0, -4), Qt::AlignHCenter | Qt::AlignBottom, q(view.sign.intensity));
}

} // namespace vantrel::board
