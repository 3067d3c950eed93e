// The forecourt board: the simulated site drawn as a site. Pump tiles in
// their islands coloured by state, the reader terminal at the selected
// position (its screen, receipt strip, keypad and queues), the tanks, the
// car wash and the price sign, and buttons that act as the customer.
//
// It redraws when the simulator says its state changed, and while a sale or
// another timed thing runs, a few times a second; hidden, it listens to
// nothing and costs nothing.
#pragma once

#include "board_view.h"

#include "session/session_observer.h"

#include <QTimer>
#include <QWidget>

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
    // `session` gives the selected position (and tells when it changes).
    BoardWindow(forecourt::ForecourtServer& server, Session& session, QWidget* parent = nullptr);
    ~BoardWindow() override;

    // What the board shows now (read when it last redrew).
    const BoardView& view() const { return m_view; }
    int selectedPosition() const;
    bool listening() const { return m_listener != 0; }
    // Runs a customer action at the selected position ("card 1", "nozzle lift"
    // ...) as the buttons do; the answer line shows what happened.
    void act(const std::string& action);
    QString answer() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void boxChanged(Box box, std::string_view text) override;
    void scheduleRefresh();
    void refresh();

    forecourt::ForecourtServer& m_server;
    Session& m_session;
    SiteCanvas* m_canvas = nullptr;
    QComboBox* m_card = nullptr;
    QLineEdit* m_keys = nullptr;
    QLineEdit* m_cash = nullptr;
    QLabel* m_answer = nullptr;
    QTimer m_coalesce; // one redraw for a burst of changes
    QTimer m_running;  // redraws while something moves with the clock
    int m_listener = 0;
    BoardView m_view;
};

} // namespace vantrel::board
