// The window that shows a long run while it runs: its name, step N of M and
// the step's label, a bar, the time its waits still take, and a Stop button
// that ends the run after the step in progress. It opens at the first step
// and closes when the run ends. It has no owner, so the modal window the
// run belongs to does not block its Stop button.
#pragma once

#include "session/session_observer.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace vantrel {

class Session;

// "Step 3 of 37: Status queries 3 of 25 · about 59 s left"
QString progressText(const Progress& progress);

class ProgressWindow : public QWidget, public SessionObserver {
public:
    explicit ProgressWindow(Session& session);
    ~ProgressWindow() override;

    void progressed(const Progress& progress) override;

private:
    Session& m_session;
    QLabel* m_title;
    QLabel* m_step;
    QProgressBar* m_bar;
    QPushButton* m_stop;
};

} // namespace vantrel
