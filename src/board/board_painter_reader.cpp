// The reader terminal on the board: its screen with the soft keys, the
// keypad, the receipt strip leaving the printer, and the queues.
#include "board_painter.h"
#include "board_paint_kit.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace vantrel::board {

using namespace painting;

namespace {

// A screen font at the display's size and style, scaled to the drawn screen.
QFont screenFont(const ScreenFont& font, double scale)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(font.bold);
    f.setItalic(font.italic);
    const int size = font.size > 0 ? font.size : 11;
    f.setPixelSize(std::max(7, static_cast<int>(size * scale)));
    return f;
}

} // namespace

void BoardPainter::paintScreen(QPainter& p, const QRect& r, const ScreenView& s)
{
    p.setPen(QPen(QColor(20, 20, 20), 3));
    p.setBrush(colour(s.background));
    p.drawRect(r);
    p.save();
    p.setClipRect(r.adjusted(2, 2, -2, -2));
    const double sx = s.graphics ? r.width() / static_cast<double>(std::max(1, s.width)) : 1.0;
    const double sy = s.graphics ? r.height() / static_cast<double>(std::max(1, s.height)) : 1.0;
    for (const auto& w : s.windows) {
        const QRect wr(r.left() + static_cast<int>(w.x * sx), r.top() + static_cast<int>(w.y * sy),
                       static_cast<int>(w.width * sx), static_cast<int>(w.height * sy));
        p.setPen(QPen(colour(w.fore), 1, Qt::DotLine));
        p.setBrush(colour(w.back));
        p.drawRect(wr);
    }
    const int lineHeight = s.graphics ? std::max(12, static_cast<int>(24 * sy)) : r.height() / std::max(4, s.height);
    for (const auto& item : s.items) {
        p.setPen(colour(item.colour));
        if (item.line >= 0) {
            if (s.graphics) {
                p.setFont(screenFont(item.font, sy));
            } else {
                // Character cells: the widest line of the display fits across.
                QFont mono = boardFont(10, false, true);
                mono.setPixelSize(std::max(8, std::min(lineHeight * 6 / 10, (r.width() - 12) * 16 / (std::max(1, s.width) * 10))));
                p.setFont(mono);
            }
            p.drawText(QRect(r.left() + 6, r.top() + 4 + item.line * lineHeight, r.width() - 12, lineHeight),
                       Qt::AlignLeft | Qt::AlignVCenter, q(item.text));
            continue;
        }
        p.setFont(screenFont(item.font, sy));
        const QRect box(r.left() + static_cast<int>(item.x * sx), r.top() + static_cast<int>(item.y * sy),
                        item.width ? static_cast<int>(item.width * sx) : r.width(),
                        item.height ? static_cast<int>(item.height * sy) : lineHeight);
        int flags = Qt::AlignVCenter | Qt::TextWordWrap;
        flags |= item.align.rfind("Center", 0) == 0 ? Qt::AlignHCenter : item.align.rfind("Right", 0) == 0 ? Qt::AlignRight : Qt::AlignLeft;
        p.drawText(box, flags, q(item.text));
    }
    p.restore();
    // Soft keys beside the screen: odd ones on the left, even ones on the right.
    p.setFont(boardFont(7));
    for (std::size_t i = 0; i < s.softKeys.size(); ++i) {
        const bool left = i % 2 == 0;
        const int row = static_cast<int>(i / 2);
        const QRect key(left ? r.left() - 52 : r.right() + 6, r.top() + 4 + row * 26, 46, 22);
        p.setPen(QColor(200, 200, 200));
        p.setBrush(QColor(80, 84, 90));
        p.drawRoundedRect(key, 4, 4);
        p.setPen(Qt::white);
        p.drawText(key, Qt::AlignCenter, q(s.softKeys[i].label));
    }
    int y = r.bottom() + 4;
    p.setFont(boardFont(7));
    p.setPen(QColor(255, 230, 140));
    for (const std::string& note : {s.scrolling.empty() ? std::string() : "\u27A4 " + s.scrolling, s.securePrompt,
                                    s.signature.empty() ? std::string() : "signed " + s.signature}) {
        if (note.empty())
            continue;
        p.drawText(QRect(r.left(), y, r.width(), 12), Qt::AlignLeft, q(note));
        y += 12;
    }
    for (const auto& u : s.unknown) {
        p.setPen(QColor(255, 120, 120));
        p.drawText(QRect(r.left(), y, r.width(), 12), Qt::AlignLeft, "unknown " + q(u));
        y += 12;
    }
    p.setPen(QColor(200, 200, 200));
    for (const auto& d : s.dropped) {
        p.drawText(QRect(r.left(), y, r.width(), 12), Qt::AlignLeft, q(d));
        y += 12;
    }
}


void BoardPainter::paintPaper(QPainter& p, const QRect& r, const std::vector<PaperLine>& paper, const std::string& dropped)
{
    // The newest printing at the bottom, where the strip leaves the printer.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(252, 252, 246));
    QPainterPath strip;
    strip.moveTo(r.topLeft());
    strip.lineTo(r.topRight());
    strip.lineTo(r.right(), r.bottom());
    for (int x = r.right(); x > r.left(); x -= 8) {
        strip.lineTo(x - 4, r.bottom() - 5);
        strip.lineTo(x - 8, r.bottom());
    }
    strip.closeSubpath();
    p.drawPath(strip);
    p.setFont(boardFont(7, false, true));
    const int lineHeight = 11;
    int needed = 0;
    for (const auto& l : paper)
        needed += l.kind == PaperLine::Kind::BarCode ? 34 : l.kind == PaperLine::Kind::Signature ? 24 : lineHeight;
    int y = r.top() + 4 + std::min(0, r.height() - 14 - needed); // older lines scroll off the top
    p.save();
    p.setClipRect(r.adjusted(0, 2, 0, -6));
    for (const auto& l : paper) {
        switch (l.kind) {
        case PaperLine::Kind::Text:
            p.setPen(kInk);
            p.drawText(QRect(r.left() + 6, y, r.width() - 12, lineHeight), Qt::AlignLeft | Qt::AlignVCenter, q(l.text));
            y += lineHeight;
            break;
        case PaperLine::Kind::Feed: y += lineHeight; break;
        case PaperLine::Kind::Signature:
            p.setPen(QPen(kInk, 1, Qt::DashLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRect(r.left() + 6, y + 2, r.width() - 12, 18));
            p.setPen(kInk);
            p.drawText(QRect(r.left() + 10, y + 2, r.width() - 20, 18), Qt::AlignLeft | Qt::AlignBottom, "\u2715 " + q(l.text));
            y += 24;
            break;
        case PaperLine::Kind::BarCode: {
            const int modules = static_cast<int>(l.bars.size());
            const double w = std::min(2.0, (r.width() - 16) / static_cast<double>(std::max(1, modules)));
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::black);
            for (int i = 0; i < modules; ++i)
                if (l.bars[static_cast<std::size_t>(i)])
                    p.drawRect(QRectF(r.left() + 8 + i * w, y + 2, w, 20));
            p.setPen(kInk);
            p.drawText(QRect(r.left() + 6, y + 22, r.width() - 12, 11), Qt::AlignHCenter, q(l.text));
            y += 34;
            break;
        }
        case PaperLine::Kind::Cut:
            p.setPen(QPen(QColor(150, 150, 150), 1, Qt::DashLine));
            p.drawLine(r.left(), y + 5, r.right(), y + 5);
            p.setPen(kInk);
            p.drawText(QRect(r.left() + 2, y - 1, 14, 12), Qt::AlignCenter, "\u2702");
            y += lineHeight;
            break;
        }
    }
    p.restore();
    if (!dropped.empty()) {
        // Over the top of the strip, where the oldest printing scrolled off.
        const QRect band(r.left(), r.top(), r.width(), lineHeight + 4);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(236, 232, 214));
        p.drawRect(band);
        p.setPen(QColor(120, 110, 90));
        p.drawText(band.adjusted(6, 0, -6, 0), Qt::AlignLeft | Qt::AlignVCenter, q(dropped));
    }
}

void BoardPainter::paintReader(QPainter& p, const QRect& area, const ReaderView& rv)
{
    const QColor panel(44, 48, 56);
    p.setPen(Qt::NoPen);
    p.setBrush(panel);
    p.drawRoundedRect(area, 14, 14);
    p.setPen(inkFor(panel));
    p.setFont(boardFont(11, true));
    p.drawText(area.adjusted(14, 8, -14, 0), Qt::AlignLeft | Qt::AlignTop, q(rv.caption));
    p.setFont(boardFont(7));
    p.drawText(area.adjusted(14, 10, -14, 0), Qt::AlignRight | Qt::AlignTop, q(rv.chip));
    // The terminal's screen, 4:3, with room for soft keys on both sides.
    const QRect screen(area.left() + 62, area.top() + 34, area.width() - 124, (area.width() - 124) * 3 / 4);
    paintScreen(p, screen, rv.screen);
    if (!rv.fault.empty()) {
        p.setFont(boardFont(8, true));
        faultBand(p, QRect(area.left() + 14, screen.bottom() + 10, area.width() - 28, 18), rv.fault);
    }
    // Keypad, and beside it the printer's paper strip.
    const int below = screen.bottom() + 40;
    const char* keys[4][4] = {{"1", "2", "3", "Cancel"}, {"4", "5", "6", "Clear"}, {"7", "8", "9", "Help"}, {"*", "0", "#", "Enter"}};
    const QColor fk[4] = {QColor(200, 60, 60), QColor(230, 190, 40), QColor(90, 90, 200), QColor(50, 160, 80)};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            const QRect key(area.left() + 14 + c * 38, below + r * 30, c == 3 ? 50 : 34, 26);
            const QColor face = c == 3 ? fk[r] : QColor(210, 212, 216);
            p.setPen(QColor(20, 20, 20));
            p.setBrush(face);
            p.drawRoundedRect(key, 4, 4);
            p.setPen(inkFor(face));
            p.setFont(boardFont(c == 3 ? 6 : 9, true));
            p.drawText(key, Qt::AlignCenter, keys[r][c]);
        }
    p.setPen(QColor(220, 220, 220));
    p.setFont(boardFont(7));
    int y = below + 124;
    const int paperLeft = area.left() + 214;
    for (const std::string& l : {rv.keypad, rv.entry, "\u266A " + rv.beeps}) {
        line(p, QRect(area.left() + 14, y, paperLeft - 8 - area.left() - 14, 12), Qt::AlignLeft, q(l));
        y += 13;
    }
    paintPaper(p, QRect(paperLeft, below - 6, area.right() - 14 - paperLeft, 170), rv.paper, rv.paperDropped);
    // The queues with their entries.
    y = std::max(y + 6, below + 172);
    for (const auto& queue : rv.queues) {
        if (y > area.bottom() - 14)
            break;
        p.setFont(boardFont(7, true));
        p.setPen(kSelection);
        line(p, QRect(area.left() + 14, y, area.width() - 28, 12), Qt::AlignLeft, q(queue.caption));
        y += 12;
        p.setFont(boardFont(6, false, true));
        p.setPen(QColor(220, 220, 220));
        for (std::size_t i = 0; i < queue.entries.size() && i < 3 && y <= area.bottom() - 12; ++i, y += 11)
            line(p, QRect(area.left() + 22, y, area.width() - 36, 11), Qt::AlignLeft, q(queue.entries[i]));
    }
}

} // namespace vantrel::board
