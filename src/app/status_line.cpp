#include "status_line.h"
#include "dbus/latin1.h"

#include "call_timing.h"
#include "shell_handlers.h"

#include "inspector/call_summary.h"
#include "session/session.h"
#include "widgets/display_form.h"

namespace vantrel {

namespace {
QString member(std::string_view name) { return fromBytes(name); }
constexpr QChar kDot(0x00b7);
} // namespace

long long LinePacer::delayAt(long long nowMs) const
{
    if (m_last < 0 || nowMs - m_last >= m_gap)
        return 0;
    return m_gap - (nowMs - m_last);
}

StatusLine::StatusLine(Session& session, QWidget* parent) : QLabel(parent), m_session(session)
{
    setObjectName("StatusLine");
    setAccessibleName("Status line");
    setTextFormat(Qt::PlainText);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setContentsMargins(4, 0, 4, 0);
    m_clock.start();
    m_draw.setSingleShot(true);
    m_draw.setInterval(0);
    connect(&m_draw, &QTimer::timeout, this, [this] { draw(); });
    m_session.addObserver(this);
}

StatusLine::~StatusLine() { m_session.removeObserver(this); }

void StatusLine::setServer(const QString& description)
{
    m_server = description;
    refresh();
}

void StatusLine::setWaiting(bool waiting, const QString& member)
{
    m_waitingFor = waiting ? member : QString();
    refresh();
}

void StatusLine::setNote(const QString& note)
{
    m_note = note;
    refresh();
}

// Every call is numbered, so that a press that repeats the last call's
// bytes still shows that it happened; its duration stands at the end.
void StatusLine::callMade(const CallEvent& event)
{
    ++m_calls;
    m_note.clear();
    const auto took = m_stopwatch ? m_stopwatch->lastDuration() : std::chrono::milliseconds(event.durationMs);
    m_duration = QString::fromStdString(formatDuration(took));
    if (m_session.stressActive == 1 && event.window == shell::kMainWindow && event.control == "Timer1")
        ++m_stressCalls;
    if (event.access == Access::Put || event.result)
        m_last = QStringLiteral("#%1 ").arg(m_calls) + QString::fromStdString(inspector::describeCall(event)) +
                 (event.access == Access::Put ? QStringLiteral(" \u00b7 ok") : QString()) + " " + kDot + " " + m_duration;
    refresh();
}

void StatusLine::callFailed(std::string_view name, int number, std::string_view description)
{
    m_last = QStringLiteral("#%1 ").arg(m_calls) + member(name) + ": Error " + QString::number(number) + ": " +
             toDisplayForm(description, false) + " " + kDot + " " + m_duration;
    refresh();
}

void StatusLine::errorRaised(int number, std::string_view description)
{
    m_last = "Error " + QString::number(number) + ": " + toDisplayForm(description, false);
    refresh();
}

void StatusLine::refresh()
{
    const bool stress = m_session.stressActive == 1;
    if (stress && !m_stressOn)
        m_stressCalls = 0;
    m_stressOn = stress;
    QStringList parts;
    // A note first: it says what just happened, and a long server name would cut it off.
    if (!m_note.isEmpty())
        parts << m_note;
    if (stress) {
        // One readable summary; the server stays in the tooltip.
        QString summary = QStringLiteral("stress: %1 calls").arg(m_stressCalls);
        if (!m_waitingFor.isEmpty())
            summary += ", waiting for " + m_waitingFor + "\u2026";
        else if (!m_last.isEmpty())
            summary += ", last " + m_last;
        parts << summary;
    } else {
        if (!m_server.isEmpty())
            parts << "Server: " + m_server;
        if (!m_waitingFor.isEmpty())
            parts << "waiting for " + m_waitingFor + "\u2026";
        else if (!m_last.isEmpty())
            parts << m_last;
    }
    m_text = parts.join("   |   ");
    setToolTip(stress && !m_server.isEmpty() ? "Server: " + m_server + "   |   " + m_text : m_text);
    // Fitting the text to the line lays it out: once per turn of the event
    // loop, however many calls come meanwhile; during the stress test at most
    // once a second, so that each text stays long enough to be read.
    const long long delay = stress ? m_pacer.delayAt(m_clock.elapsed()) : 0;
    if (m_draw.isActive() && m_draw.remainingTime() <= delay)
        return;
    m_draw.start(static_cast<int>(delay));
}

void StatusLine::draw()
{
    m_pacer.drawnAt(m_clock.elapsed());
    setText(fontMetrics().elidedText(m_text, Qt::ElideRight, width() - 10));
}

} // namespace vantrel
