// The line below the main window's client area: which server the utility
// talks to, what the last call sent or got back (or its error) and how long
// it took, and, while a call is out, that the utility waits for it. During
// the stress test it shows a summary instead, redrawn at most once a second
// so that a technician can read it.
#pragma once

#include "session/session_observer.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

namespace vantrel {

class Session;
class TimedServer;

// When a line that changes often may be drawn again: at once the first time,
// then not sooner than `gapMs` after the last drawing. Times in milliseconds
// of any steady clock.
class LinePacer {
public:
    explicit LinePacer(long long gapMs) : m_gap(gapMs) {}
    // How long to wait before drawing at `nowMs`; 0: draw now.
    long long delayAt(long long nowMs) const;
    void drawnAt(long long nowMs) { m_last = nowMs; }

private:
    long long m_gap;
    long long m_last = -1;
};

class StatusLine : public QLabel, public SessionObserver {
public:
    StatusLine(Session& session, QWidget* parent);
    ~StatusLine() override;

    void setServer(const QString& description);
    void setWaiting(bool waiting, const QString& member);
    // A note on what the technician just did (a file saved), shown until the next call.
    void setNote(const QString& note);
    // Where the durations of the calls come from; without one, the session's whole milliseconds.
    void setStopwatch(const TimedServer* stopwatch) { m_stopwatch = stopwatch; }
    // The whole line, as the tooltip shows it (the label shows it cut to its width).
    const QString& wholeText() const { return m_text; }

    void callMade(const CallEvent& event) override;
    void callFailed(std::string_view member, int number, std::string_view description) override;
    void errorRaised(int number, std::string_view description) override;
    // A press may switch the stress test on or off without a call: the line follows.
    void actionEnded(const UserAction&) override { refresh(); }

    static constexpr int kStressRedrawMs = 1000;

private:
    void refresh();
    void draw();

    Session& m_session;
    const TimedServer* m_stopwatch = nullptr;
    QString m_server, m_last, m_waitingFor, m_note, m_duration;
    QString m_text; // the whole line; the label shows it cut to its width
    QTimer m_draw;  // draws the line once the event loop turns (during stress: once a second)
    QElapsedTimer m_clock;
    LinePacer m_pacer{kStressRedrawMs};
    long m_calls = 0;
    long m_stressCalls = 0; // calls of the stress timer since the test was switched on
    bool m_stressOn = false;
};

} // namespace vantrel
