// The forecourt board: the simulated site drawn as a site. Pump tiles in
// their islands coloured by state, the reader terminal at the selected
// position (its screen, receipt strip, keypad and queues), the tanks, the
// car wash and the price sign, and buttons that act as the customer.
//
// It reads the site from a SiteSource: the embedded forecourt, or a
// simulator on D-Bus. It redraws when the simulator says its state changed,
// and while a sale or another timed thing runs, a few times a second;
// hidden, it listens to nothing and costs nothing.
//
// Inside the utility it follows the main window's selected position, and a
// customer action is an action of the session (a saved session repeats it).
// On its own (vantrel-board) a click on a pump tile selects the position.
#pragma once

#include "board_view.h"
#include "site_source.h"

#include "session/session_observer.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;

namespace vantrel {
class Session;
}
namespace vantrel::forecourt {
class ForecourtServer;
}

namespace vantrel::board {

class SiteCanvas;

class BoardWindow : public QWidget, private SessionObserver {
    Q_OBJECT
public:
    // `session`, when given, gives the selected position (and tells when it
    // changes) and records the customer's actions.
    BoardWindow(std::unique_ptr<SiteSource> source, Session* session, QWidget* parent = nullptr);
    // The embedded forecourt, inside the utility.
    BoardWindow(forecourt::ForecourtServer& server, Session& session, QWidget* parent = nullptr);
    ~BoardWindow() override;

    // What the board shows now (read when it last redrew).
    const BoardView& view() const { return m_view; }
    int selectedPosition() const;
    // Selects a position on a board of its own (one without a session).
    void selectPosition(int position);
    bool listening() const { return m_source->listening(); }
    // Runs a customer action at the selected position ("card 1", "nozzle lift"
    // ...) as the buttons do; the answer line shows what happened.
    void act(const std::string& action);
    QString answer() const;
    // Where the site is read from, or why the last read failed (marked with a warning sign).
    QString siteStatus() const;
    // Reads the site now (what a change or the running timer does).
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void boxChanged(Box box, std::string_view text) override;
    void scheduleRefresh();
    void display(SiteReading reading);

    std::unique_ptr<SiteSource> m_source;
    Session* m_session = nullptr;
    int m_selected = 1; // without a session
    SiteCanvas* m_canvas = nullptr;
    QComboBox* m_card = nullptr;
    QLineEdit* m_keys = nullptr;
    QLineEdit* m_cash = nullptr;
    QLabel* m_answer = nullptr;
    QLabel* m_status = nullptr;
    bool m_observing = false;
    QTimer m_coalesce; // one redraw for a burst of changes
    QTimer m_running;  // redraws while something moves with the clock
    QTimer m_retry;    // reads again a while after a read failed
    BoardView m_view;
};

} // namespace vantrel::board
