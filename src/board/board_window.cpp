#include "board_window.h"

#include "forecourt/customer.h"
#include "forecourt/fueling_positions.h"
#include "session/session.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace vantrel::board {

namespace {

QColor colour(Rgb c) { return QColor(c.r, c.g, c.b); }
QString q(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

const QColor kAsphalt(58, 62, 68);
const QColor kCanopy(226, 230, 236);
const QColor kInk(30, 34, 40);

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

} // namespace

// Draws the whole site from a BoardView.
class SiteCanvas : public QWidget {
public:
    explicit SiteCanvas(QWidget* parent) : QWidget(parent) { setMinimumSize(1180, 700); }
    const BoardView* view = nullptr;
    std::function<void(int position)> tileClicked; // set when a click selects

    // Four islands of eight pumps.
    static constexpr int kColumns = 8, kRows = 4, kGap = 8;
    QRect forecourtArea() const { return QRect(10, 10, width() - 440, 440); }
    static QRect tileRect(const QRect& area, int index)
    {
        const int tileW = (area.width() - 24 - kGap * (kColumns - 1)) / kColumns;
        const int tileH = (area.height() - 40 - kGap * (kRows - 1)) / kRows;
        const int r = index / kColumns, c = index % kColumns;
        return QRect(area.left() + 12 + c * (tileW + kGap), area.top() + 30 + r * (tileH + kGap), tileW, tileH);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (tileClicked && event->button() == Qt::LeftButton)
            for (int i = 0; i < kColumns * kRows; ++i)
                if (tileRect(forecourtArea(), i).contains(event->position().toPoint())) {
                    tileClicked(i + 1);
                    return;
                }
        QWidget::mousePressEvent(event);
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(rect(), kAsphalt);
        if (!view)
            return;
        const int readerLeft = width() - 420;
        paintForecourt(p, forecourtArea());
        paintReader(p, QRect(readerLeft, 10, 410, height() - 20));
        paintDevices(p, QRect(10, 460, readerLeft - 20, height() - 470));
    }

private:
    void paintForecourt(QPainter& p, const QRect& area)
    {
        p.setPen(Qt::NoPen);
        p.setBrush(kCanopy);
        p.drawRoundedRect(area, 10, 10);
        p.setPen(kInk);
        p.setFont(boardFont(11, true));
        p.drawText(area.adjusted(12, 6, 0, 0), Qt::AlignLeft | Qt::AlignTop, "FORECOURT");
        // Four islands of eight pumps, the island a concrete strip under them.
        for (int r = 0; r < kRows; ++r) {
            const QRect first = tileRect(area, r * kColumns);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(190, 194, 200));
            p.drawRoundedRect(QRect(area.left() + 6, first.center().y() - 10, area.width() - 12, 20), 8, 8);
            for (int c = 0; c < kColumns; ++c) {
                const std::size_t index = static_cast<std::size_t>(r * kColumns + c);
                if (index < view->tiles.size())
                    paintTile(p, tileRect(area, static_cast<int>(index)), view->tiles[index]);
            }
        }
    }

    void paintTile(QPainter& p, const QRect& r, const TileView& t)
    {
        p.setPen(t.selected ? QPen(QColor(255, 214, 0), 4) : QPen(QColor(70, 74, 80), 1));
        p.setBrush(colour(t.fill));
        p.drawRoundedRect(r.adjusted(2, 2, -2, -2), 8, 8);
        p.setPen(Qt::white);
        p.setFont(boardFont(15, true));
        p.drawText(QRect(r.left() + 8, r.top() + 4, 40, 24), Qt::AlignLeft | Qt::AlignVCenter, q(t.caption));
        p.setFont(boardFont(6, true));
        p.drawText(QRect(r.left() + 6, r.top() + 6, r.width() - 12, 14), Qt::AlignRight | Qt::AlignTop, q(t.state).toUpper());
        // The pump's own display: amount and volume on a dark face.
        const QRect face(r.left() + 8, r.top() + 30, r.width() - 16, 34);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(24, 28, 24));
        p.drawRoundedRect(face, 3, 3);
        p.setPen(QColor(120, 255, 140));
        p.setFont(boardFont(9, true, true));
        p.drawText(face.adjusted(4, 1, -4, -16), Qt::AlignRight | Qt::AlignVCenter, t.amount.empty() ? "0.00" : q(t.amount));
        p.setFont(boardFont(7, false, true));
        p.drawText(face.adjusted(4, 17, -4, -1), Qt::AlignRight | Qt::AlignVCenter, t.volume.empty() ? "0.000 l" : q(t.volume));
        p.setPen(Qt::white);
        p.setFont(boardFont(6));
        int y = face.bottom() + 3;
        for (const std::string& line : {t.hose, t.payment}) {
            if (!line.empty()) {
                p.drawText(QRect(r.left() + 8, y, r.width() - 16, 11), Qt::AlignLeft, q(line));
                y += 10;
            }
        }
        if (t.hose.empty() && !t.prices.empty()) {
            p.drawText(QRect(r.left() + 8, y, r.width() - 16, 11), Qt::AlignLeft, "Hose " + q(t.prices.front()).section(" / ", 0, 0));
            y += 10;
        }
        // How far the sale has run towards its limit.
        const QRect bar(r.left() + 8, r.bottom() - 10, r.width() - 16, 5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 70));
        p.drawRect(bar);
        p.setBrush(Qt::white);
        p.drawRect(QRect(bar.left(), bar.top(), static_cast<int>(bar.width() * t.progress), bar.height()));
        if (t.selected) {
            p.setPen(QColor(255, 214, 0));
            p.setFont(boardFont(8, true));
            p.drawText(QRect(r.left(), r.bottom() - 24, r.width() - 8, 12), Qt::AlignRight, "\u25C6");
        }
    }

    void paintScreen(QPainter& p, const QRect& r, const ScreenView& s)
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

    void paintPaper(QPainter& p, const QRect& r, const std::vector<PaperLine>& paper, const std::string& dropped)
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

    void paintReader(QPainter& p, const QRect& area)
    {
        const ReaderView& rv = view->reader;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(44, 48, 56));
        p.drawRoundedRect(area, 14, 14);
        p.setPen(Qt::white);
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
                p.setPen(QColor(20, 20, 20));
                p.setBrush(c == 3 ? fk[r] : QColor(210, 212, 216));
                p.drawRoundedRect(key, 4, 4);
                p.setPen(c == 3 ? Qt::white : kInk);
                p.setFont(boardFont(c == 3 ? 6 : 9, true));
                p.drawText(key, Qt::AlignCenter, keys[r][c]);
            }
        p.setPen(QColor(220, 220, 220));
        p.setFont(boardFont(7));
        int y = below + 124;
        for (const std::string& line : {rv.keypad, rv.entry, "\u266A " + rv.beeps}) {
            p.drawText(QRect(area.left() + 14, y, 190, 12), Qt::AlignLeft, q(line));
            y += 13;
        }
        paintPaper(p, QRect(area.left() + 214, below - 6, area.width() - 228, 170), rv.paper, rv.paperDropped);
        // The queues with their entries.
        y = std::max(y + 6, below + 172);
        p.setFont(boardFont(7, true));
        for (const auto& queue : rv.queues) {
            if (y > area.bottom() - 14)
                break;
            p.setPen(QColor(255, 214, 0));
            p.drawText(QRect(area.left() + 14, y, area.width() - 28, 12), Qt::AlignLeft, q(queue.caption));
            y += 12;
            p.setFont(boardFont(6, false, true));
            p.setPen(QColor(220, 220, 220));
            for (std::size_t i = 0; i < queue.entries.size() && i < 3 && y <= area.bottom() - 12; ++i, y += 11)
                p.drawText(QRect(area.left() + 22, y, area.width() - 36, 11), Qt::AlignLeft,
                           p.fontMetrics().elidedText(q(queue.entries[i]), Qt::ElideRight, area.width() - 36));
            p.setFont(boardFont(7, true));
        }
    }

    void paintDevices(QPainter& p, const QRect& area)
    {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(70, 76, 84));
        p.drawRoundedRect(area, 10, 10);
        // Tanks: cylinders with their level.
        p.setPen(Qt::white);
        p.setFont(boardFont(9, true));
        p.drawText(area.adjusted(12, 6, 0, 0), Qt::AlignLeft | Qt::AlignTop, "TANKS  \u2013 " + q(view->tankReport));
        const int tankW = 92, tankH = area.height() - 80;
        for (std::size_t i = 0; i < view->gauges.size(); ++i) {
            const GaugeView& g = view->gauges[i];
            const QRect t(area.left() + 16 + static_cast<int>(i) * (tankW + 16), area.top() + 30, tankW, tankH);
            p.setPen(QPen(QColor(200, 200, 200), 2));
            p.setBrush(QColor(40, 44, 50));
            p.drawRoundedRect(t, 12, 12);
            const int level = static_cast<int>((t.height() - 4) * g.fraction);
            p.setPen(Qt::NoPen);
            p.setBrush(colour(g.colour));
            p.drawRoundedRect(QRect(t.left() + 2, t.bottom() - 2 - level, t.width() - 4, level), 10, 10);
            p.setPen(Qt::white);
            p.setFont(boardFont(8, true));
            p.drawText(t.adjusted(0, 6, 0, 0), Qt::AlignHCenter | Qt::AlignTop, q(g.caption));
            p.drawText(t, Qt::AlignCenter, QString::number(static_cast<int>(g.fraction * 100 + 0.5)) + " %");
            p.setFont(boardFont(6));
            p.drawText(QRect(t.left() - 6, t.bottom() + 2, t.width() + 12, 12), Qt::AlignHCenter, q(g.volume));
            p.drawText(QRect(t.left() - 6, t.bottom() + 14, t.width() + 12, 12), Qt::AlignHCenter, q(g.detail));
        }
        // The car wash bay.
        const int washLeft = area.left() + 16 + 3 * (tankW + 16) + 10;
        const QRect bay(washLeft, area.top() + 30, 220, tankH);
        p.setPen(QPen(QColor(200, 200, 200), 2));
        p.setBrush(view->wash.washing ? QColor(40, 110, 170) : QColor(40, 44, 50));
        p.drawRoundedRect(bay, 8, 8);
        p.setPen(Qt::white);
        p.setFont(boardFont(9, true));
        p.drawText(bay.adjusted(8, 6, -8, 0), Qt::AlignLeft | Qt::AlignTop, "CAR WASH");
        p.setFont(boardFont(7));
        p.drawText(bay.adjusted(8, 24, -8, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, q(view->wash.status));
        int y = bay.top() + 56;
        p.setFont(boardFont(7, false, true));
        for (auto it = view->wash.codes.rbegin(); it != view->wash.codes.rend() && y < bay.bottom() - 24; ++it, y += 12)
            p.drawText(QRect(bay.left() + 8, y, bay.width() - 16, 12), Qt::AlignLeft, q(*it));
        if (!view->wash.dropped.empty())
            p.drawText(QRect(bay.left() + 8, std::min(y, bay.bottom() - 24), bay.width() - 16, 12), Qt::AlignLeft,
                       q(view->wash.dropped));
        // The price sign: a tall black board with lit digits.
        const QRect sign(bay.right() + 20, area.top() + 16, std::max(120, area.right() - bay.right() - 36), area.height() - 32);
        p.setPen(QPen(QColor(150, 150, 150), 2));
        p.setBrush(QColor(12, 12, 12));
        p.drawRoundedRect(sign, 6, 6);
        p.setPen(Qt::white);
        p.setFont(boardFont(8, true));
        p.drawText(sign.adjusted(0, 6, 0, 0), Qt::AlignHCenter | Qt::AlignTop, "PRICES");
        p.setFont(boardFont(14, true, true));
        const int step = (sign.height() - 44) / 5;
        for (std::size_t i = 0; i < view->sign.digits.size(); ++i) {
            p.setPen(view->sign.digits[i] == "------" ? QColor(90, 40, 0) : QColor(255, 150, 20));
            p.drawText(QRect(sign.left(), sign.top() + 26 + static_cast<int>(i) * step, sign.width(), step), Qt::AlignCenter,
                       q(view->sign.digits[i]));
        }
        p.setPen(QColor(160, 160, 160));
        p.setFont(boardFont(6));
        p.drawText(sign.adjusted(0, 0, 0, -4), Qt::AlignHCenter | Qt::AlignBottom, q(view->sign.intensity));
    }
};

BoardWindow::BoardWindow(forecourt::ForecourtServer& server, Session& session, QWidget* parent)
    : BoardWindow(std::make_unique<EmbeddedSite>(server), &session, parent)
{
}

BoardWindow::BoardWindow(std::unique_ptr<SiteSource> source, Session* session, QWidget* parent)
    : QWidget(parent, Qt::Window), m_source(std::move(source)), m_session(session)
{
    setObjectName("ForecourtBoard");
    setWindowTitle("Forecourt");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_canvas = new SiteCanvas(this);
    m_canvas->view = &m_view;
    if (!m_session) {
        m_canvas->tileClicked = [this](int position) { selectPosition(position); };
        m_canvas->setToolTip("Click a pump to show its reader and act there as the customer");
    }
    layout->addWidget(m_canvas, 1);

    // The customer's side, at the selected position.
    auto* bar = new QWidget(this);
    bar->setObjectName("customerBar");
    auto* row = new QHBoxLayout(bar);
    row->addWidget(new QLabel("Customer:", bar));
    auto button = [&](const char* name, const QString& caption, std::function<std::string()> action) {
        auto* b = new QPushButton(caption, bar);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, [this, action] { act(action()); });
        row->addWidget(b);
        return b;
    };
    button("liftNozzle", "Lift nozzle", [] { return std::string("nozzle lift"); });
    button("hangNozzle", "Hang up", [] { return std::string("nozzle hang"); });
    m_card = new QComboBox(bar);
    m_card->setObjectName("testCard");
    for (std::size_t i = 0; i < forecourt::testCards().size(); ++i)
        m_card->addItem(QString("%1 %2").arg(i + 1).arg(forecourt::testCards()[i].type), QString::number(i + 1));
    m_card->addItem("Chip card", "chip");
    row->addWidget(m_card);
    button("insertCard", "Insert card", [this] { return "card " + m_card->currentData().toString().toStdString(); });
    m_keys = new QLineEdit(bar);
    m_keys->setObjectName("keys");
    m_keys->setPlaceholderText("1234 or Enter");
    m_keys->setMaximumWidth(110);
    row->addWidget(m_keys);
    button("pressKeys", "Press keys", [this] { return "key " + m_keys->text().trimmed().toStdString(); });
    m_cash = new QLineEdit("20", bar);
    m_cash->setObjectName("cash");
    m_cash->setMaximumWidth(60);
    row->addWidget(m_cash);
    button("insertCash", "Insert cash", [this] { return "cash " + m_cash->text().trimmed().toStdString(); });
    button("takeWash", "Enter wash code", [] { return std::string("wash"); });
    row->addStretch(1);
    // What the last action did, and where the site is read (or why it cannot
    // be), on a line of their own: long messages wrap instead of widening the window.
    auto* said = new QWidget(this);
    auto* saidRow = new QHBoxLayout(said);
    saidRow->setContentsMargins(row->contentsMargins().left(), 0, row->contentsMargins().right(), 4);
    m_answer = new QLabel(said);
    m_answer->setObjectName("answer");
    m_answer->setWordWrap(true);
    m_answer->setTextInteractionFlags(Qt::TextSelectableByMouse);
    saidRow->addWidget(m_answer, 1);
    m_status = new QLabel(said);
    m_status->setObjectName("siteStatus");
    m_status->setWordWrap(true);
    m_status->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status->setText(q(m_source->describe()));
    saidRow->addWidget(m_status, 1);
    layout->addWidget(bar);
    layout->addWidget(said);

    m_coalesce.setSingleShot(true);
    m_coalesce.setInterval(0);
    connect(&m_coalesce, &QTimer::timeout, this, &BoardWindow::refresh);
    m_running.setInterval(200);
    connect(&m_running, &QTimer::timeout, this, &BoardWindow::refresh);
    m_retry.setSingleShot(true);
    m_retry.setInterval(1000);
    connect(&m_retry, &QTimer::timeout, this, &BoardWindow::refresh);
    resize(1200, 800);
}

BoardWindow::~BoardWindow()
{
    m_source->stopListening();
    if (m_observing)
        m_session->removeObserver(this);
}

int BoardWindow::selectedPosition() const
{
    return std::clamp<int>(m_session ? m_session->fp() : m_selected, 1, forecourt::FuelingPositions::kPositions);
}

void BoardWindow::selectPosition(int position)
{
    if (m_session || position == m_selected)
        return;
    m_selected = std::clamp(position, 1, forecourt::FuelingPositions::kPositions);
    refresh();
}

void BoardWindow::act(const std::string& action)
{
    // The actions of a position ("card 1") go to the selected one; the wash has none.
    std::string text = action;
    if (action != "wash") {
        const auto blank = action.find(' ');
        text = action.substr(0, blank) + " " + std::to_string(selectedPosition()) +
               (blank == std::string::npos ? "" : action.substr(blank));
    }
    auto answered = [this](CustomerAnswer answer) {
        m_answer->setText(answer.done ? q(answer.text) : "\u26A0 " + q(answer.text));
        refresh();
    };
    if (!m_session) {
        m_answer->setText(q(text) + " \u2026");
        m_source->act(text, answered);
        return;
    }
    // An action of the session, so that a saved session acts as the customer too.
    const Session::ActionScope doing(*m_session, {UserAction::Kind::Customer, {}, {}, 0, text});
    m_source->act(text, answered);
}

QString BoardWindow::answer() const { return m_answer->text(); }

QString BoardWindow::siteStatus() const { return m_status->text(); }

void BoardWindow::showEvent(QShowEvent* event)
{
    if (!m_source->listening()) {
        m_source->listen([this] { scheduleRefresh(); });
        if (m_session && !m_observing) {
            m_session->addObserver(this);
            m_observing = true;
        }
    }
    refresh();
    QWidget::showEvent(event);
}

void BoardWindow::hideEvent(QHideEvent* event)
{
    m_source->stopListening();
    if (m_observing) {
        m_session->removeObserver(this);
        m_observing = false;
    }
    m_running.stop();
    m_coalesce.stop();
    m_retry.stop();
    QWidget::hideEvent(event);
}

void BoardWindow::boxChanged(Box box, std::string_view)
{
    if (box == Box::TextBoxPumpNumber) // the selection moved
        scheduleRefresh();
}

void BoardWindow::scheduleRefresh()
{
    if (!m_coalesce.isActive())
        m_coalesce.start();
}

void BoardWindow::refresh()
{
    const int position = selectedPosition();
    m_source->read(position, [this, position](SiteReading reading) {
        // A reading for a position no longer selected is read again for the one that is.
        if (reading.state && position != selectedPosition())
            return scheduleRefresh();
        display(std::move(reading));
    });
}

void BoardWindow::display(SiteReading reading)
{
    if (!reading.state) {
        // The last picture stays, the line says why it is old, and the site is asked again while shown.
        m_status->setText("\u26A0 " + q(reading.error));
        m_running.stop();
        if (isVisible())
            m_retry.start();
        return;
    }
    m_status->setText(q(m_source->describe()));
    m_view = boardView(*reading.state, selectedPosition());
    if (reading.state->timeDriven && isVisible()) {
        if (!m_running.isActive())
            m_running.start();
    } else {
        m_running.stop();
    }
    m_canvas->update();
}

} // namespace vantrel::board
