#include "status_line.h"

#include "inspector/call_summary.h"
#include "session/session.h"
#include "widgets/display_form.h"



namespace vantrel {

namespace {
QString member(std::string_view name) { return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())); }
} // namespace

StatusLine::StatusLine(Session& session, QWidget* parent) : QLabel(parent), m_session(session)
{
    setObjectName("StatusLine");
    setTextFormat(Qt::PlainText);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setContentsMargins(4, 0, 4, 0);
    m_draw.setSingleShot(true);
    m_draw.setInterval(0);
    connect(&m_draw, &QTimer::timeout, this,
            [this] { setText(fontMetrics().elidedText(m_text, Qt::ElideRight, width() - 10)); });
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
// bytes still shows that it happened.
void StatusLine::callMade(const CallEvent& event)
{
    ++m_calls;
    m_note.clear();
    if (event.access == Access::Put || event.result)
        m_last = QStringLiteral("#%1 ").arg(m_calls) + QString::fromStdString(inspector::describeCall(event)) +
                 (event.access == Access::Put ? QStringLiteral(" \u00b7 ok") : QString());
    refresh();
}

void StatusLine::callFailed(std::string_view name, int number, std::string_view description)
{
    m_last = QStringLiteral("#%1 ").arg(m_calls) + member(name) + ": Error " + QString::number(number) + ": " +
             toDisplayForm(description, false);
    refresh();
}

void StatusLine::errorRaised(int number, std::string_view description)
{
    m_last = "Error " + QString::number(number) + ": " + toDisplayForm(description, false);
    refresh();
}

void StatusLine::refresh()
{
    QStringList parts;
    if (!m_server.isEmpty())
        parts << "Server: " + m_server;
    if (m_session.stressActive == 1)
        parts << QStringLiteral("stress: %1 ticks, %2 records").arg(m_session.stressTicks).arg(2 * m_session.stressTicks);
    if (!m_waitingFor.isEmpty())
        parts << "waiting for " + m_waitingFor + "\u2026";
    else if (!m_last.isEmpty())
        parts << m_last;
    if (!m_note.isEmpty())
        parts << m_note;
    m_text = parts.join("   |   ");
    setToolTip(m_text);
    // Fitting the text to the line lays it out: once per turn of the event
    // loop, however many calls a stress run makes meanwhile.
    if (!m_draw.isActive())
        m_draw.start();
}

} // namespace vantrel
