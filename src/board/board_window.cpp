#include "board_window.h"
#include "board_painter.h"
#include "site_canvas.h"

#include "forecourt/fueling_positions.h"
#include "session/session.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace vantrel::board {

namespace {
QString q(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
const char* const kHint = "Click a pump to select it";
} // namespace

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
    m_canvas->menuAsked = [this](const CanvasSpot& spot, const QPoint& at) { showFaultMenu(spot, at); };
    m_canvas->options.hint = kHint;
    m_canvas->setToolTip(m_session ? QString(kHint) + " in the main window"
                                   : QString(kHint) + ": the board shows its reader, and the customer acts there");
    layout->addWidget(m_canvas, 1);

    buildCustomerBar(*layout);

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

// The room for `w` inside its screen's available area, once its frame is taken off.
QSize roomOnScreen(const QWidget& w)
{
    return availableArea(w).size().shrunkBy(frameOf(w));
}
} // namespace

void BoardWindow::fitToScreen()
{
    const QSize room = roomOnScreen(*this);
    const WindowLayout fit = windowLayout({room.width(), room.height()}, barNeeds());
    resize(fit.window.width, fit.window.height);
    keepOnScreen();
}

void BoardWindow::keepOnScreen()
{
    const QRect area = availableArea(*this);
    const QMargins frame = frameOf(*this);
    const QSize room = roomOnScreen(*this);
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
    if (!m_session) {
        m_startPick = StartPick::Done; // the technician's choice stands
        selectPosition(position);
    }
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

void BoardWindow::startAt(int position)
{
    if (m_session)
        return;
    if (position >= 1 && position <= forecourt::FuelingPositions::kPositions) {
        m_startPick = StartPick::Asked;
        selectPosition(position);
    } else {
        m_startPick = StartPick::FirstInstalled;
    }
}

bool BoardWindow::pickStart(const forecourt::SiteState& state)
{
    const StartPick pick = std::exchange(m_startPick, StartPick::Done);
    const auto installed = [&](int position) { return state.positions[static_cast<std::size_t>(position - 1)].installed; };
    if (pick == StartPick::Asked && !installed(m_selected)) {
        // Said once, not on every redraw; the position stays selected, as asked.
        m_answer->setText(QString("\u26A0 --position %1: the site has no pump at %2; click an installed pump to act as the customer there")
                              .arg(m_selected)
                              .arg(m_selected, 2, 10, QChar('0')));
    } else if (pick == StartPick::FirstInstalled && !installed(m_selected)) {
        for (const auto& p : state.positions)
            if (p.installed) {
                m_selected = p.number;
                return true;
            }
    }
    return false;
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

void BoardWindow::send(const std::string& text, UserAction::Kind kind)
{
    auto answered = [this](CustomerAnswer answer) {
        m_answer->setText(answer.done ? q(answer.text) : "\u26A0 " + q(answer.text));
        refresh();
    };
    auto go = [&] {
        if (kind == UserAction::Kind::Fault)
            m_source->fault(text, answered);
        else
            m_source->act(text, answered);
    };
    if (!m_session) {
        m_answer->setText(q(text) + " \u2026");
        go();
        return;
    }
    // An action of the session, so that a saved session acts as the customer (or sets the fault) too.
    const Session::ActionScope doing(*m_session, {kind, {}, {}, 0, text});
    go();
}

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

void BoardWindow::keyPressEvent(QKeyEvent* event)
{
    if (m_session && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
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
    if (m_startPick != StartPick::Done && pickStart(*reading.state))
        return refresh(); // the reader of the pump chosen, before anything is drawn
    m_status->setText(q(m_source->describe()));
    m_offline = false;
    m_canvas->options.offline.clear();
    m_view = boardView(*reading.state, selectedPosition());
    m_traffic->setText(q(m_view.traffic));
    m_traffic->setVisible(!m_view.traffic.empty());
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
