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
// customer action is an action of the session (a saved session repeats it);
// a click on a pump tile (or Enter or Space on the tile with the keyboard's
// focus) tells its owner through positionChosen, which selects there. On its
// own (vantrel-board) the same choice selects the board's own position.
//
// It opens whole on the screen it opens on, and keeps its sections whole
// when resized: they reflow, and below the smallest readable arrangement the
// painting is scaled down; the customer bar folds onto two rows rather than
// leave the window. While its site cannot be read the board is drawn grey
// with the reason over it.
//
// A device's faults show on it, a red mark and their words; its context
// menu (a right click on a pump, the reader, a tank, the wash or the sign,
// or the menu key on the pump with the focus) sets and clears them, in the
// words of a script's fault line, as an action of the session too.
#pragma once

#include "board_faults.h"
#include "board_layout.h"
#include "board_view.h"
#include "site_source.h"

#include "forecourt/customer_command.h"

#include "session/session_observer.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class QBoxLayout;
class QComboBox;
class QLabel;
class QLineEdit;
class QVBoxLayout;

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
    // Where a board of its own starts: at `position` (1..32) when one was
    // asked for, kept even where the site has no pump, which the answer line
    // then says once; with 0, at the site's first installed pump, chosen
    // when the site's state first arrives (until then it reads position 1).
    void startAt(int position);
    bool listening() const { return m_source->listening(); }
    // Runs a customer action at the selected position ("card 1", "nozzle lift"
    // ...) as the buttons do; the answer line shows what happened.
    void act(const std::string& action);
    // Runs a customer command; one at position 0 acts at the selected position.
    void act(forecourt::CustomerCommand command);
    // Sets a fault of the site, or clears ("position 3 offline", "clear"), as
    // the fault menus do; the answer line shows what happened.
    void setFault(const std::string& fault);
    // The fault menu of what `spot` is on, as a right click there shows it:
    // for the sign, one part per member it has.
    std::vector<std::vector<FaultMenuItem>> faultMenus(const CanvasSpot& spot) const;
    QString answer() const;
    // Where the site is read from, or why the last read failed (marked with a warning sign).
    QString siteStatus() const;
    // The traffic line ("Traffic: 2 customers a minute · 37 served"); empty, and hidden, without traffic.
    QString trafficLine() const;
    // Reads the site now (what a change or the running timer does).
    void refresh();
    // True while the site cannot be read: the board is drawn grey with the reason.
    bool offline() const { return m_offline; }
    // How the canvas is laid out now, and what the widgets under it need.
    const CanvasLayout& sections() const;
    BarNeeds barNeeds() const;
    bool barFolded() const { return m_barFolded; }
    // Chooses a position as a click on its tile does.
    void choosePosition(int position);
    // Sizes and moves the window so that it lies whole, frame and all, in its
    // screen's available area (what it does itself when first shown).
    void fitToScreen();

signals:
    // A position was chosen on the board (a click, or Enter or Space on a tile).
    void positionChosen(int position);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Esc closes the board when it is a window of the utility, as it closes
    // the utility's other windows; vantrel-board's own window stays.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The customer bar and the line under it, added to the window's `layout`.
    void buildCustomerBar(QVBoxLayout& layout);
    // Sends the text of a customer action (or a fault) to the site; the answer line shows the outcome.
    void send(const std::string& text, UserAction::Kind kind = UserAction::Kind::Customer);
    void showFaultMenu(const CanvasSpot& spot, const QPoint& at);
    // Sets the fault of a menu item, asking for its value first where it has one.
    void chooseFault(const FaultMenuItem& item);
    void boxChanged(Box box, std::string_view text) override;
    void scheduleRefresh();
    void display(SiteReading reading);
    // Makes the start's pick on the first reading; true when it moved the
    // selection, so that the site is read again for the pump chosen.
    bool pickStart(const forecourt::SiteState& state);
    void foldBar(bool folded);
    void keepOnScreen();

    std::unique_ptr<SiteSource> m_source;
    Session* m_session = nullptr;
    int m_selected = 1; // without a session
    // The first reading of the site still to come picks the first installed
    // pump (FirstInstalled), or says that the position asked for has none (Asked).
    enum class StartPick { Done, FirstInstalled, Asked } m_startPick = StartPick::Done;
    SiteCanvas* m_canvas = nullptr;
    QComboBox* m_card = nullptr;
    QLineEdit* m_keys = nullptr;
    QLineEdit* m_cash = nullptr;
    QLabel* m_answer = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_traffic = nullptr;
    QWidget* m_bar = nullptr;
    QWidget* m_barRows[2] = {nullptr, nullptr};
    QBoxLayout* m_barLayout = nullptr;
    QWidget* m_said = nullptr;
    bool m_barFolded = false;
    bool m_offline = false;
    bool m_sized = false; // the first showing fitted the window to its screen
    bool m_observing = false;
    bool m_closed = false; // hidden after being shown: readings still out are not shown
    QTimer m_coalesce; // one redraw for a burst of changes
    QTimer m_running;  // redraws while something moves with the clock
    QTimer m_retry;    // reads again a while after a read failed
    BoardView m_view;
};

} // namespace vantrel::board
