#include "board_window.h"
#include "board_painter.h"

#include "forecourt/customer.h"
#include "forecourt/customer_command.h"
#include "forecourt/fueling_positions.h"
#include "session/session.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace vantrel::board {

namespace {
// A button's action, at the position the board has selected when it is pressed.
forecourt::CustomerCommand customerCommand(forecourt::CustomerVerb verb, std::string argument)
{
    return {verb, 0, std::move(argument)};
}
QString q(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
const char* const kHint = "Click a pump to select it";
} // namespace

// The site drawn by a BoardPainter; the pump tiles take clicks and, with
// the keyboard's focus, the arrow keys, Enter and Space.
class SiteCanvas : public QWidget {
public:
    explicit SiteCanvas(QWidget* parent) : QWidget(parent)
    {
        setObjectName("siteCanvas");
        setMinimumSize(320, 160);
        setFocusPolicy(Qt::StrongFocus);
        setAccessibleName("Fueling positions");
        layout = board::canvasLayout({width(), height()});
    }
    const BoardView* view = nullptr;
    std::function<void(int position)> chosen;
    CanvasLayout layout;
    PaintOptions options;
    int focusTile = 1;

    void follow(int selected)
    {
        if (!hasFocus())
            focusTile = selected;
        describeFocus();
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        layout = board::canvasLayout({width(), height()});
        QWidget::resizeEvent(event);
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        const int position = event->button() == Qt::LeftButton ? tileAt(layout, event->position().x(), event->position().y()) : 0;
        if (position == 0)
            return QWidget::mousePressEvent(event);
        focusTile = position;
        if (chosen)
            chosen(position);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        const int columns = layout.columns, count = static_cast<int>(layout.tiles.size());
        int to = focusTile;
        switch (event->key()) {
        case Qt::Key_Left: to -= 1; break;
        case Qt::Key_Right: to += 1; break;
        case Qt::Key_Up: to -= columns; break;
        case Qt::Key_Down: to += columns; break;
        case Qt::Key_Home: to = 1; break;
        case Qt::Key_End: to = count; break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
        case Qt::Key_Select:
            if (chosen)
                chosen(focusTile);
            return;
        default: return QWidget::keyPressEvent(event);
        }
        if (to >= 1 && to <= count && to != focusTile) {
            focusTile = to;
            describeFocus();
            update();
        }
    }

    void focusInEvent(QFocusEvent* event) override
    {
        describeFocus();
        update();
        QWidget::focusInEvent(event);
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        update();
        QWidget::focusOutEvent(event);
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        static const BoardView none;
        PaintOptions now = options;
        now.focused = hasFocus() ? focusTile : 0;
        BoardPainter().paint(p, size(), layout, view ? *view : none, now);
    }

private:
    // What a screen reader says of the tile with the focus.
    void describeFocus()
    {
        QString text = QString("Position %1").arg(focusTile);
        if (view && focusTile >= 1 && static_cast<std::size_t>(focusTile) <= view->tiles.size()) {
            const TileView& t = view->tiles[static_cast<std::size_t>(focusTile - 1)];
            text += ", " + q(t.state) + (t.selected ? ", selected" : "");
        }
        setAccessibleDescription(text + ". Arrow keys move, Enter or Space selects.");
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
    m_canvas->chosen = [this](int position) { choosePosition(position); };
    m_canvas->options.hint = kHint;
    m_canvas->setToolTip(m_session ? QString(kHint) + " in the main window"
                                   : QString(kHint) + ": the board shows its reader, and the customer acts there");
    layout->addWidget(m_canvas, 1);

    // The customer's side, at the selected position: two rows of controls,
    // side by side, or one over the other when the window is narrow.
    m_bar = new QWidget(this);
    m_bar->setObjectName("customerBar");
    m_barLayout = new QBoxLayout(QBoxLayout::LeftToRight, m_bar);
    QHBoxLayout* rows[2];
    for (int i = 0; i < 2; ++i) {
        m_barRows[i] = new QWidget(m_bar);
        rows[i] = new QHBoxLayout(m_barRows[i]);
        rows[i]->setContentsMargins(0, 0, 0, 0);
        m_barLayout->addWidget(m_barRows[i]);
    }
    m_barLayout->addStretch(1);
    QList<QWidget*> order{m_canvas};
    auto button = [&](QHBoxLayout* row, const char* name, const QString& caption, const QString& spoken,
                      std::function<forecourt::CustomerCommand()> action) {
        auto* b = new QPushButton(caption, m_bar);
        b->setObjectName(name);
        b->setAccessibleName(spoken);
        b->setAutoDefault(true); // Enter presses it, as Space does
        connect(b, &QPushButton::clicked, this, [this, action] { act(action()); });
        row->addWidget(b);
        order << b;
        return b;
    };
    auto* customer = new QLabel("Customer:", m_bar);
    rows[0]->addWidget(customer);
    button(rows[0], "liftNozzle", "Lift nozzle", "Lift the nozzle", [] { return customerCommand(forecourt::CustomerVerb::Nozzle, "lift"); });
    button(rows[0], "hangNozzle", "Hang up", "Hang up the nozzle", [] { return customerCommand(forecourt::CustomerVerb::Nozzle, "hang"); });
    m_card = new QComboBox(m_bar);
    m_card->setObjectName("testCard");
    m_card->setAccessibleName("Test card");
    for (std::size_t i = 0; i < forecourt::testCards().size(); ++i)
        m_card->addItem(QString("%1 %2").arg(i + 1).arg(forecourt::testCards()[i].type), QString::number(i + 1));
    m_card->addItem("Chip card", "chip");
    rows[0]->addWidget(m_card);
    order << m_card;
    button(rows[0], "insertCard", "Insert card", "Insert the test card",
           [this] { return customerCommand(forecourt::CustomerVerb::Card, m_card->currentData().toString().toStdString()); });
    m_keys = new QLineEdit(m_bar);
    m_keys->setObjectName("keys");
    m_keys->setAccessibleName("Keys to press");
    m_keys->setPlaceholderText("1234 or Enter");
    m_keys->setMaximumWidth(110);
    rows[1]->addWidget(m_keys);
    order << m_keys;
    auto* press = button(rows[1], "pressKeys", "Press keys", "Press the keys",
                         [this] { return customerCommand(forecourt::CustomerVerb::Key, m_keys->text().trimmed().toStdString()); });
    m_cash = new QLineEdit("20", m_bar);
    m_cash->setObjectName("cash");
    m_cash->setAccessibleName("Cash amount");
    m_cash->setMaximumWidth(60);
    rows[1]->addWidget(m_cash);
    order << m_cash;
    auto* cash = button(rows[1], "insertCash", "Insert cash", "Insert the cash",
                        [this] { return customerCommand(forecourt::CustomerVerb::Cash, m_cash->text().trimmed().toStdString()); });
    button(rows[1], "takeWash", "Enter wash code", "Enter the wash code", [] { return customerCommand(forecourt::CustomerVerb::Wash, {}); });
    // Enter in a field presses the button beside it.
    connect(m_keys, &QLineEdit::returnPressed, press, &QPushButton::click);
    connect(m_cash, &QLineEdit::returnPressed, cash, &QPushButton::click);
    customer->setBuddy(order[1]);
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    // The bar is never narrower than its folded form, whatever one row would want.
    m_bar->setMinimumWidth(barNeeds().twoRows.width);

    // What the last action did, and where the site is read (or why it cannot
    // be), on a line of their own: long messages wrap instead of widening the window.
    m_said = new QWidget(this);
    auto* saidRow = new QHBoxLayout(m_said);
    saidRow->setContentsMargins(m_barLayout->contentsMargins().left(), 0, m_barLayout->contentsMargins().right(), 4);
    m_answer = new QLabel(m_said);
    m_answer->setObjectName("answer");
    m_answer->setWordWrap(true);
    m_answer->setTextInteractionFlags(Qt::TextSelectableByMouse);
    saidRow->addWidget(m_answer, 1);
    m_status = new QLabel(m_said);
    m_status->setObjectName("siteStatus");
    m_status->setWordWrap(true);
    m_status->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status->setText(q(m_source->describe()));
    saidRow->addWidget(m_status, 1);
    layout->addWidget(m_bar);
    layout->addWidget(m_said);

    m_coalesce.setSingleShot(true);
    m_coalesce.setInterval(0);
    connect(&m_coalesce, &QTimer::timeout, this, &BoardWindow::refresh);
    m_running.setInterval(200);
    connect(&m_running, &QTimer::timeout, this, &BoardWindow::refresh);
    m_retry.setSingleShot(true);
    m_retry.setInterval(1000);
    connect(&m_retry, &QTimer::timeout, this, &BoardWindow::refresh);
    fitToScreen();
}

const CanvasLayout& BoardWindow::sections() const { return m_canvas->layout; }

BarNeeds BoardWindow::barNeeds() const
{
    const QMargins m = m_barLayout->contentsMargins();
    const int spacing = std::max(0, m_barLayout->spacing());
    const QSize a = m_barRows[0]->sizeHint(), b = m_barRows[1]->sizeHint();
    BarNeeds needs;
    needs.oneRow = {a.width() + spacing + b.width() + m.left() + m.right(), std::max(a.height(), b.height()) + m.top() + m.bottom()};
    needs.twoRows = {std::max(a.width(), b.width()) + m.left() + m.right(), a.height() + spacing + b.height() + m.top() + m.bottom()};
    needs.statusHeight = m_said ? m_said->sizeHint().height() : 24;
    return needs;
}

void BoardWindow::foldBar(bool folded)
{
    if (folded == m_barFolded)
        return;
    m_barFolded = folded;
    m_barLayout->setDirection(folded ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
}

void BoardWindow::resizeEvent(QResizeEvent* event)
{
    foldBar(width() < barNeeds().oneRow.width);
    QWidget::resizeEvent(event);
}

namespace {
// The window manager's frame around `w`, once it has framed it; before, a usual title bar and border.
QMargins frameOf(const QWidget& w)
{
    const QRect outer = w.frameGeometry(), inner = w.geometry();
    if (outer == inner)
        return w.isWindow() && !w.testAttribute(Qt::WA_DontShowOnScreen) ? QMargins(4, 32, 4, 4) : QMargins();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(), outer.bottom() - inner.bottom()};
}

QRect availableArea(const QWidget& w)
{
    const QScreen* s = w.screen() ? w.screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1280, 720);
}
} // namespace

void BoardWindow::fitToScreen()
{
    const QRect area = availableArea(*this);
    const QMargins frame = frameOf(*this);
    const WindowLayout fit = windowLayout({area.width() - frame.left() - frame.right(), area.height() - frame.top() - frame.bottom()},
                                          barNeeds());
    resize(fit.window.width, fit.window.height);
    keepOnScreen();
}

void BoardWindow::keepOnScreen()
{
    const QRect area = availableArea(*this);
    const QMargins frame = frameOf(*this);
    const QSize room(area.width() - frame.left() - frame.right(), area.height() - frame.top() - frame.bottom());
    if (width() > room.width() || height() > room.height())
        resize(std::max(minimumWidth(), std::min(width(), room.width())), std::max(minimumHeight(), std::min(height(), room.height())));
    // The frame's top left corner, moved so that the whole frame lies on the screen's available area.
    const QSize outer = size().grownBy(frame);
    QPoint at = pos(); // a top-level widget's pos() is its frame's corner
    at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - outer.width())));
    at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height())));
    if (at != pos())
        move(at);
}

void BoardWindow::choosePosition(int position)
{
    if (position < 1 || position > forecourt::FuelingPositions::kPositions)
        return;
    emit positionChosen(position);
    if (!m_session)
        selectPosition(position);
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
    // "card 1": the verb and what follows, at the selected position.
    const auto blank = action.find(' ');
    const std::string word = action.substr(0, blank);
    const std::string argument = blank == std::string::npos ? std::string() : action.substr(blank + 1);
    if (const auto verb = forecourt::customerVerbNamed(word)) {
        act(forecourt::CustomerCommand{*verb, 0, argument});
        return;
    }
    send(action); // not a customer's verb: the site says so
}

void BoardWindow::act(forecourt::CustomerCommand command)
{
    if (forecourt::customerVerbInfo(command.verb).atPosition && command.position == 0)
        command.position = selectedPosition();
    send(forecourt::customerCommandText(command));
}

void BoardWindow::send(const std::string& text)
{
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
    m_closed = false;
    if (!m_source->listening()) {
        m_source->listen([this] { scheduleRefresh(); });
        if (m_session && !m_observing) {
            m_session->addObserver(this);
            m_observing = true;
        }
    }
    refresh();
    QWidget::showEvent(event);
    if (!m_sized) {
        // Placed by its owner or by the window manager: whole on the screen all the same, once framed.
        m_sized = true;
        keepOnScreen();
        QTimer::singleShot(250, this, [this] { keepOnScreen(); });
    }
}

void BoardWindow::hideEvent(QHideEvent* event)
{
    m_closed = true;
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
        // A reading that comes back after the board was closed (a read over
        // the bus still out then) is not shown: a closed board keeps its last
        // picture, and reads afresh when it opens.
        if (m_closed)
            return;
        // A reading for a position no longer selected is read again for the one that is.
        if (reading.state && position != selectedPosition())
            return scheduleRefresh();
        display(std::move(reading));
    });
}

void BoardWindow::display(SiteReading reading)
{
    if (!reading.state) {
        // The last picture stays, grey and with the reason over it; the line says why too, and the
        // site is asked again while shown.
        m_status->setText("\u26A0 " + q(reading.error));
        m_offline = true;
        m_canvas->options.offline = "Not live: the site cannot be read.\n" + q(reading.error);
        m_canvas->update();
        m_running.stop();
        if (isVisible())
            m_retry.start();
        return;
    }
    m_status->setText(q(m_source->describe()));
    m_offline = false;
    m_canvas->options.offline.clear();
    m_view = boardView(*reading.state, selectedPosition());
    m_canvas->follow(selectedPosition());
    if (reading.state->timeDriven && isVisible()) {
        if (!m_running.isActive())
            m_running.start();
    } else {
        m_running.stop();
    }
    m_canvas->update();
}

} // namespace vantrel::board
