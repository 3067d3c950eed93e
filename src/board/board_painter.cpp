#include "board_painter.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace vantrel::board {

namespace {

QString q(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
QColor colour(Rgb c) { return qColour(c); }

const QColor kAsphalt(58, 62, 68);
const QColor kCanopy(226, 230, 236);
const QColor kInk = QColor(kDarkInk.r, kDarkInk.g, kDarkInk.b);
const QColor kSelection(255, 214, 0);

// The ink for text on a background the board painted itself.
QColor inkFor(const QColor& background)
{
    return qColour(inkOn({static_cast<std::uint8_t>(background.red()), static_cast<std::uint8_t>(background.green()),
                          static_cast<std::uint8_t>(background.blue())}));
}

QFont boardFont(int points, bool bold = false, bool mono = false)
{
    QFont f(mono ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("DejaVu Sans"));
    f.setPointSize(points);
    f.setBold(bold);
    if (mono)
        f.setStyleHint(QFont::Monospace);
    return f;
}

// A screen font from the display's name and size ("Tahoma 12 bold"), scaled to the drawn screen.
QFont screenFont(const std::string& spec, double scale)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    int size = 11;
    const QStringList words = q(spec).split(' ', Qt::SkipEmptyParts);
    for (const QString& w : words) {
        bool ok = false;
        const int n = w.toInt(&ok);
        if (ok && n > 0)
            size = n;
        else if (w == "bold")
            f.setBold(true);
        else if (w == "italic")
            f.setItalic(true);
    }
    f.setPixelSize(std::max(7, static_cast<int>(size * scale)));
    return f;
}

// Writes `text` in one line into `r`, cut with an ellipsis where it is wider, and tells where it went.
void line(QPainter& p, const QRect& r, int align, const QString& text, std::vector<DrawnText>* drawn = nullptr)
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

} // namespace

QColor qColour(Rgb c) { return QColor(c.r, c.g, c.b); }

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
        const QString label = q(s.softKeys[i]).section(' ', 1);
        p.drawText(key, Qt::AlignCenter, label);
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
    if (!options.hint.isEmpty()) {
        p.setFont(boardFont(8));
        line(p, QRect(used.right() + 16, heading.top(), heading.right() - used.right() - 16, used.height()),
             Qt::AlignRight | Qt::AlignVCenter, options.hint);
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

std::vector<DrawnText> BoardPainter::paintTile(QPainter& p, const QRect& r, const TileView& t, bool focused)
{
    std::vector<DrawnText> drawn;
    const QRect body = r.adjusted(2, 2, -2, -2);
    const QColor fill = colour(t.fill);
    const QColor ink = inkFor(fill);
    p.setPen(t.selected ? QPen(kSelection, 4) : QPen(QColor(70, 74, 80), 1));
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
    if (numberRect.right() + 4 + stateWidth <= inner.right()) {
        line(p, QRect(inner.right() + 1 - stateWidth, numberRect.top() + (numberRect.height() - smallHeight) / 2,
                      stateWidth, smallHeight),
             Qt::AlignRight | Qt::AlignVCenter, state, &drawn);
    } else {
        line(p, QRect(inner.left(), y, inner.width(), smallHeight), Qt::AlignLeft | Qt::AlignVCenter, state, &drawn);
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
    const QRect face(inner.left(), y + 1, inner.width(), amountHeight + volumeHeight + 2);
    if (face.bottom() < bar.top() - 1) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(24, 28, 24));
        p.drawRoundedRect(face, 3, 3);
        p.setPen(QColor(120, 255, 140));
        p.setFont(amountFont);
        line(p, QRect(face.left() + 3, face.top() + 1, face.width() - 6, amountHeight), Qt::AlignRight | Qt::AlignVCenter,
             t.amount.empty() ? "0.00" : q(t.amount), &drawn);
        p.setFont(volumeFont);
        line(p, QRect(face.left() + 3, face.top() + 1 + amountHeight, face.width() - 6, volumeHeight),
             Qt::AlignRight | Qt::AlignVCenter, t.volume.empty() ? "0.000 l" : q(t.volume), &drawn);
        y = face.bottom() + 1;
    }
    // The sale's hose and payment (its limit first of all), or the price of
    // hose 1: as many lines as there is room for above the bar.
    p.setPen(ink);
    p.setFont(boardFont(6));
    const QFontMetrics lineMetrics = p.fontMetrics();
    const int lineHeight = lineHeightOf(p);
    QString payment = q(t.payment);
    if (lineMetrics.horizontalAdvance(payment) > inner.width())
        payment.replace("  limit ", " "); // "MOP 2 1500.00": the limit whole where the word does not fit
    std::vector<QString> lines; // most wanted first
    if (!payment.isEmpty())
        lines.push_back(payment);
    if (!t.hose.empty())
        lines.push_back(q(t.hose));
    if (t.hose.empty() && !t.prices.empty())
        lines.push_back("Hose " + q(t.prices.front()).section(" / ", 0, 0));
    const int room = std::max(0, (bar.top() - 1 - y) / lineHeight);
    lines.resize(std::min<std::size_t>(lines.size(), static_cast<std::size_t>(room)));
    if (lines.size() == 2 && !t.hose.empty())
        std::swap(lines[0], lines[1]); // the hose over its payment
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

void BoardPainter::paintDevices(QPainter& p, const QRect& area, const BoardView& view)
{
    const QColor panel(70, 76, 84), well(40, 44, 50);
    p.setPen(Qt::NoPen);
    p.setBrush(panel);
    p.drawRoundedRect(area, 10, 10);
    p.setPen(inkFor(panel));
    p.setFont(boardFont(9, true));
    line(p, area.adjusted(12, 6, -12, 0).adjusted(0, 0, 0, -(area.height() - 22)), Qt::AlignLeft | Qt::AlignTop,
         "TANKS  \u2013 " + q(view.tankReport));
    // Tanks, wash bay and price sign share the width.
    const int tanks = std::max<int>(3, static_cast<int>(view.gauges.size()));
    const int signWidth = std::clamp(area.width() * 17 / 100, 110, 160);
    const int washWidth = std::clamp(area.width() * 30 / 100, 170, 260);
    const int tankWidth = std::clamp((area.width() - 32 - signWidth - washWidth - 30) / tanks - 16, 40, 110);
    const int tankHeight = std::max(30, area.height() - 80);
    for (std::size_t i = 0; i < view.gauges.size(); ++i) {
        const GaugeView& g = view.gauges[i];
        const QRect t(area.left() + 16 + static_cast<int>(i) * (tankWidth + 16), area.top() + 30, tankWidth, tankHeight);
        p.setPen(QPen(QColor(200, 200, 200), 2));
        p.setBrush(well);
        p.drawRoundedRect(t, 12, 12);
        const int level = static_cast<int>((t.height() - 4) * g.fraction);
        p.setPen(Qt::NoPen);
        p.setBrush(colour(g.colour));
        p.drawRoundedRect(QRect(t.left() + 2, t.bottom() - 2 - level, t.width() - 4, level), 10, 10);
        p.setFont(boardFont(8, true));
        p.setPen(inkFor(well));
        line(p, QRect(t.left() + 4, t.top() + 6, t.width() - 8, 14), Qt::AlignHCenter | Qt::AlignTop, q(g.caption));
        // The percentage sits on the fuel where the level reaches it, else on the empty well.
        const QRect middle(t.left() + 2, t.center().y() - 8, t.width() - 4, 16);
        p.setPen(inkFor(t.bottom() - 2 - level <= middle.top() ? colour(g.colour) : well));
        line(p, middle, Qt::AlignCenter, QString::number(static_cast<int>(g.fraction * 100 + 0.5)) + " %");
        p.setPen(inkFor(panel));
        p.setFont(boardFont(6));
        line(p, QRect(t.left() - 6, t.bottom() + 2, t.width() + 12, 12), Qt::AlignHCenter, q(g.volume));
        line(p, QRect(t.left() - 6, t.bottom() + 14, t.width() + 12, 12), Qt::AlignHCenter, q(g.detail));
    }
    // The car wash bay.
    const int washLeft = area.left() + 16 + tanks * (tankWidth + 16) + 10;
    const QRect bay(washLeft, area.top() + 30, washWidth, tankHeight);
    const QColor bayColour = view.wash.washing ? QColor(40, 110, 170) : well;
    p.setPen(QPen(QColor(200, 200, 200), 2));
    p.setBrush(bayColour);
    p.drawRoundedRect(bay, 8, 8);
    p.setPen(inkFor(bayColour));
    p.setFont(boardFont(9, true));
    p.drawText(bay.adjusted(8, 6, -8, 0), Qt::AlignLeft | Qt::AlignTop, "CAR WASH");
    p.setFont(boardFont(7));
    p.drawText(bay.adjusted(8, 24, -8, -(bay.height() - 56)), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, q(view.wash.status));
    int y = bay.top() + 56;
    p.setFont(boardFont(7, false, true));
    for (auto it = view.wash.codes.rbegin(); it != view.wash.codes.rend() && y < bay.bottom() - 24; ++it, y += 12)
        line(p, QRect(bay.left() + 8, y, bay.width() - 16, 12), Qt::AlignLeft, q(*it));
    if (!view.wash.dropped.empty())
        line(p, QRect(bay.left() + 8, std::min(y, bay.bottom() - 24), bay.width() - 16, 12), Qt::AlignLeft, q(view.wash.dropped));
    // The price sign: a tall black board with lit digits.
    const QRect sign(bay.right() + 20, area.top() + 16, std::max(100, area.right() - 16 - bay.right() - 20), area.height() - 32);
    p.setPen(QPen(QColor(150, 150, 150), 2));
    p.setBrush(QColor(12, 12, 12));
    p.drawRoundedRect(sign, 6, 6);
    p.setPen(Qt::white);
    p.setFont(boardFont(8, true));
    p.drawText(sign.adjusted(0, 6, 0, 0), Qt::AlignHCenter | Qt::AlignTop, "PRICES");
    p.setFont(boardFont(14, true, true));
    const int step = std::max(1, (sign.height() - 44) / 5);
    if (step < p.fontMetrics().height())
        p.setFont(boardFont(std::max(7, 14 * step / p.fontMetrics().height()), true, true));
    for (std::size_t i = 0; i < view.sign.digits.size(); ++i) {
        p.setPen(view.sign.digits[i] == "------" ? QColor(120, 60, 10) : QColor(255, 150, 20));
        p.drawText(QRect(sign.left(), sign.top() + 26 + static_cast<int>(i) * step, sign.width(), step), Qt::AlignCenter,
                   q(view.sign.digits[i]));
    }
    p.setPen(QColor(170, 170, 170));
    p.setFont(boardFont(6));
    p.drawText(sign.adjusted(0, 0, 0, -4), Qt::AlignHCenter | Qt::AlignBottom, q(view.sign.intensity));
}

} // namespace vantrel::board
