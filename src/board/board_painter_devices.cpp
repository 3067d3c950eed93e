// The devices on the board: the tanks with their gauges, the car wash bay
// and the price sign.
#include "board_painter.h"
#include "board_paint_kit.h"

#include <QPainter>

#include <algorithm>

namespace vantrel::board {

using namespace painting;

namespace {
QRect captionIn(const QRect& well) { return QRect(well.left() + 4, well.top() + 6, well.width() - 8, 14); }

// One tank's gauge in the well `t`, its words under it down to `bottom`.
// `numberAlone`: the well shows the tank's number without the product.
void paintGauge(QPainter& p, const QRect& t, int bottom, const GaugeView& g, bool numberAlone, std::vector<DrawnText>& drawn)
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
    // The percentage sits on the fuel where the level reaches it, else on the empty well.
    const QRect middle(t.left() + 2, t.center().y() - 8, t.width() - 4, 16);
    p.setPen(inkFor(t.bottom() - 2 - level <= middle.top() ? colour(g.colour) : well));
    line(p, middle, Qt::AlignCenter, QString::number(static_cast<int>(g.fraction * 100 + 0.5)) + " %", &drawn);
    // Under the well, between it and its neighbours: the volume and the
    // water and temperature, a line each; where they are wider, the short
    // lines, with the product first when the well has no room for it; as
    // many as there is room for down to `bottom`.
    p.setPen(inkFor(panel));
    p.setFont(boardFont(6));
    const QFontMetrics metrics = p.fontMetrics();
    const int width = t.width() + 14;
    const auto fits = [&](const std::string& words) { return metrics.horizontalAdvance(q(words)) <= width; };
    std::vector<std::string> words{g.volume, g.detail};
    if (!g.narrow.empty() && (!captionFits || !fits(g.volume) || !fits(g.detail))) {
        words = g.narrow;
        if (!captionFits)
            words.insert(words.begin(), g.product);
    }
    int y = t.bottom() + 2;
    for (const std::string& w : words) {
        if (y + 12 > bottom + 1)
            break;
        line(p, QRect(t.left() - 7, y, width, 12), Qt::AlignHCenter, q(w), &drawn);
        y += 12;
    }
    if (!g.fault.empty()) {
        p.setFont(boardFont(6, true));
        faultBand(p, QRect(t.left() + 3, t.top() + 22, t.width() - 6, 14), g.fault, &drawn);
    }
}
} // namespace

std::vector<DrawnText> BoardPainter::paintGauges(QPainter& p, const QRect& area, const std::vector<GaugeView>& gauges)
{
    // Tanks, wash bay and price sign share the width (board_layout.h).
    const DeviceSpots spots = deviceSpots({area.left(), area.top(), area.width(), area.height()}, static_cast<int>(gauges.size()));
    // The products in the wells where every one fits, else the numbers alone, the products under them.
    p.setFont(boardFont(8, true));
    bool numbersAlone = false;
    for (std::size_t i = 0; i < gauges.size(); ++i)
        numbersAlone |= p.fontMetrics().horizontalAdvance(q(gauges[i].caption)) > captionIn(qRect(spots.tanks[i])).width();
    std::vector<DrawnText> drawn;
    for (std::size_t i = 0; i < gauges.size(); ++i)
        paintGauge(p, qRect(spots.tanks[i]), area.bottom(), gauges[i], numbersAlone, drawn);
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
