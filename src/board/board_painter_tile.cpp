// A pump tile on the board: its number and state, the pump's display, the
// sale's hose and payment or a price, the progress bar and the selection; a
// position the site does not have, pale with its number and "Not installed".
#include "board_painter.h"
#include "board_paint_kit.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace vantrel::board {

using namespace painting;

std::vector<DrawnText> BoardPainter::paintTile(QPainter& p, const QRect& r, const TileView& t, bool focused)
{
    std::vector<DrawnText> drawn;
    const QRect body = r.adjusted(2, 2, -2, -2);
    const QColor fill = colour(t.fill);
    const QColor ink = inkFor(fill);
    // A fault's red mark: the tile's edge, unless the selection has it, and its words under the number.
    // A position the site does not have: a dashed outline.
    p.setPen(t.selected            ? QPen(kSelection, 4)
             : !t.installed        ? QPen(QColor(150, 154, 160), 1, Qt::DashLine)
             : !t.fault.empty()    ? QPen(kFault, 3)
                                   : QPen(QColor(70, 74, 80), 1));
    p.setBrush(fill);
    p.drawRoundedRect(body, 8, 8);
    if (focused) {
        // The keyboard's place: a dashed ring in the gap around the tile.
        p.setPen(QPen(QColor(255, 255, 255), 2, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(-2, -2, 1, 1), 9, 9);
        p.setPen(QPen(QColor(0, 0, 0), 1, Qt::DotLine));
        p.drawRoundedRect(r.adjusted(-2, -2, 1, 1), 9, 9);
    }
    const QRect inner = body.adjusted(5, 3, -5, -4);
    if (!t.installed) {
        // No pump there: its number and the words alone.
        p.setPen(inkFor(fill));
        p.setFont(boardFont(13, true));
        const QRect numberRect(inner.left(), inner.top(), inner.width(), lineHeightOf(p));
        line(p, numberRect, Qt::AlignLeft | Qt::AlignVCenter, q(t.caption), &drawn);
        p.setFont(boardFont(6, true));
        line(p, QRect(inner.left(), numberRect.bottom() + 1, inner.width(), lineHeightOf(p)), Qt::AlignLeft | Qt::AlignVCenter,
             q(t.state), &drawn);
        return drawn;
    }

    // The number, and its state beside it where both fit, else under it.
    // Each text gets the height of a line of its font, so none reaches into the next.
    p.setPen(ink);
    p.setFont(boardFont(13, true));
    const QFontMetrics number = p.fontMetrics();
    const QString caption = q(t.caption);
    const QRect numberRect(inner.left(), inner.top(), std::min(inner.width(), number.horizontalAdvance(caption) + 1),
                           lineHeightOf(p));
    line(p, numberRect, Qt::AlignLeft | Qt::AlignVCenter, caption, &drawn);
    int y = numberRect.bottom() + 1;
    p.setFont(boardFont(6, true));
    const QFontMetrics small = p.fontMetrics();
    const int smallHeight = lineHeightOf(p);
    const QString state = q(t.state);
    const int stateWidth = small.horizontalAdvance(state) + 1;
    // The state beside the number where both fit, else on a line of its own.
    QRect stateSlot(numberRect.right() + 4, numberRect.top() + (numberRect.height() - smallHeight) / 2,
                    inner.right() - numberRect.right() - 4, smallHeight);
    const bool stateBeside = numberRect.right() + 4 + stateWidth <= inner.right();
    if (!stateBeside) {
        stateSlot = QRect(inner.left(), y, inner.width(), smallHeight);
        y += smallHeight;
    }

    // The progress bar at the foot, the selection mark at its end.
    const QRect bar(inner.left(), inner.bottom() - 4, inner.width() - (t.selected ? 14 : 0), 5);
    // The pump's own display: amount and volume on a dark face.
    const QFont amountFont = boardFont(9, true, true), volumeFont = boardFont(7, false, true);
    p.setFont(amountFont);
    const int amountHeight = lineHeightOf(p);
    p.setFont(volumeFont);
    const int volumeHeight = lineHeightOf(p);
    // The lines under the face: the sale's payment (its limit first of all),
    // the fault's words on their red band, and the hose or the price of hose
    // 1. A fault needs a line of its own beside the payment: where the face
    // leaves none, the face shows the amount without the volume, or, on a
    // smaller tile still and without a sale to show, no face is drawn. Only
    // where even that leaves no line does the band take the state's place
    // (the tile's colour still tells the state).
    p.setFont(boardFont(6));
    const int lineHeight = lineHeightOf(p);
    enum class Face { Whole, AmountOnly, None };
    const auto faceFor = [&](Face shown) {
        const int height = shown == Face::Whole ? amountHeight + volumeHeight + 2 : amountHeight + 2;
        return shown == Face::None ? QRect() : QRect(inner.left(), y + 1, inner.width(), height);
    };
    // The lines left under the face; -1 where the face does not fit.
    const auto roomUnder = [&](Face shown) {
        const QRect r = faceFor(shown);
        if (!r.isNull() && r.bottom() >= bar.top() - 1)
            return -1;
        return std::max(0, (bar.top() - 1 - (r.isNull() ? y : r.bottom() + 1)) / lineHeight);
    };
    const int faultNeeds = t.payment.empty() ? 1 : 2;
    Face shown = roomUnder(Face::Whole) >= 0 ? Face::Whole : Face::None;
    if (!t.fault.empty() && roomUnder(shown) < faultNeeds) {
        for (const Face smaller : {Face::AmountOnly, Face::None})
            if ((smaller != Face::None || t.amount.empty()) && roomUnder(smaller) >= faultNeeds) {
                shown = smaller;
                break;
            }
    }
    const QRect face = faceFor(shown);
    const bool faceFits = shown != Face::None;
    const int room = std::max(0, roomUnder(shown));
    const bool faultOnState = !t.fault.empty() && room < faultNeeds;
    p.setFont(boardFont(6, true));
    p.setPen(ink);
    if (faultOnState)
        faultBand(p, stateSlot, t.fault, &drawn);
    else
        line(p, stateSlot, (stateBeside ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, state, &drawn);
    if (faceFits) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(24, 28, 24));
        p.drawRoundedRect(face, 3, 3);
        p.setPen(QColor(120, 255, 140));
        p.setFont(amountFont);
        line(p, QRect(face.left() + 3, face.top() + 1, face.width() - 6, amountHeight), Qt::AlignRight | Qt::AlignVCenter,
             t.amount.empty() ? "0.00" : q(t.amount), &drawn);
        if (shown == Face::Whole) {
            p.setFont(volumeFont);
            line(p, QRect(face.left() + 3, face.top() + 1 + amountHeight, face.width() - 6, volumeHeight),
                 Qt::AlignRight | Qt::AlignVCenter, t.volume.empty() ? "0.000 l" : q(t.volume), &drawn);
        }
        y = face.bottom() + 1;
    }
    // As many of the lines as there is room for above the bar.
    p.setPen(ink);
    p.setFont(boardFont(6));
    const QFontMetrics lineMetrics = p.fontMetrics();
    QString payment = q(t.payment);
    if (lineMetrics.horizontalAdvance(payment) > inner.width() && !t.paymentNarrow.empty())
        payment = q(t.paymentNarrow); // "MOP 2 15.00": the limit whole where the word does not fit
    std::vector<QString> lines; // most wanted first
    if (!payment.isEmpty())
        lines.push_back(payment);
    if (!t.hose.empty())
        lines.push_back(q(t.hose));
    if (t.hose.empty() && !t.prices.empty())
        lines.push_back(QString("Hose %1  %2").arg(t.prices.front().hose).arg(q(t.prices.front().tier1)));
    const bool fault = !t.fault.empty() && !faultOnState;
    if (fault && lines.size() >= static_cast<std::size_t>(room))
        lines.resize(static_cast<std::size_t>(room - 1)); // the fault's words before the hose
    lines.resize(std::min<std::size_t>(lines.size(), static_cast<std::size_t>(room)));
    if (lines.size() == 2 && !t.hose.empty())
        std::swap(lines[0], lines[1]); // the hose over its payment
    if (fault) {
        faultBand(p, QRect(inner.left(), y, inner.width(), lineHeight), t.fault, &drawn);
        y += lineHeight;
    }
    for (const QString& l : lines) {
        line(p, QRect(inner.left(), y, inner.width(), lineHeight), Qt::AlignLeft | Qt::AlignVCenter, l, &drawn);
        y += lineHeight;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawRect(bar);
    p.setBrush(ink);
    p.drawRect(QRect(bar.left(), bar.top(), static_cast<int>(bar.width() * t.progress), bar.height()));
    if (t.selected) {
        // A mark, not a letter: it takes no text's room.
        const QPoint tip(inner.right(), bar.center().y());
        const QPoint marks[] = {tip + QPoint(-10, -5), tip + QPoint(-10, 5), tip};
        p.setPen(QPen(QColor(70, 60, 0), 1));
        p.setBrush(kSelection);
        p.drawPolygon(marks, 3);
    }
    return drawn;
}

} // namespace vantrel::board
