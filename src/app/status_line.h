// The line below the main window's client area: which server the utility
// talks to, what the last call sent or got back (or its error), and, while
// a call is out, that the utility waits for it.
#pragma once

#include "session/session_observer.h"

#include <QLabel>
#include <QTimer>

namespace vantrel {

class Session;

class StatusLine : public QLabel, public SessionObserver {
public:
    StatusLine(Session& session, QWidget* parent);
    ~StatusLine() override;

    void setServer(const QString& description);
    void setWaiting(bool waiting, const QString& member);
    // A note on what the technician just did (a file saved), shown until the next call.
    void setNote(const QString& note);

    void callMade(const CallEvent& event) override;
    void callFailed(std::string_view member, int number, std::string_view description) override;
    void errorRaised(int number, std::string_view description) override;

private:
    void refresh();

    Session& m_session;
    QString m_server, m_last, m_waitingFor, m_note;
    QString m_text; // the whole line; the label shows it cut to its width
    QTimer m_draw; // draws the line once the event loop turns
    long m_calls = 0;
};

} // namespace vantrel
