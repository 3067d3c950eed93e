// The base of every window: built from control tables, one button per row,
// with the row's object name, caption, place (twips at 15 per pixel) and
// colour, its click running the row's handler through the handler runner.
// A form tells the session when it is shown or hidden, and keeps its timers
// by name so that a script can fire them.
#pragma once

#include "form_button.h"
#include "session/button_spec.h"
#include "session/session_observer.h"

#include <QWidget>

#include <map>
#include <string>
#include <vector>

class QKeyEvent;
class QLabel;
class QPushButton;
class QTimer;

namespace vantrel {

class Session;

QRect toPixels(const Twips& twips);
// Enter and Return press the focused button of `window` as Space does; true
// when the key pressed one.
bool pressFocusedButtonOnEnter(QWidget* window, QKeyEvent* event);
// Sets the widget's face smaller, down to 6 points, until `text` fits `width`.
void fitText(QWidget* widget, const QString& text, int width, bool mayWrap);
// Gives the widget's face the family where it is installed; elsewhere the
// widget keeps the face it has.
void useFamilyWhereInstalled(QWidget* widget, const QString& family);

class Form : public QWidget {
    Q_OBJECT
public:
    // A secondary window (owner given) is a dialog, modal over its owner.
    Form(Session& session, const QString& objectName, const QString& caption, Twips clientSize, QWidget* owner);

    Session& session() { return m_session; }
    const std::vector<ButtonSpec>& controls() const { return m_controls; }
    QPushButton* button(const std::string& name) const;
    QLabel* addLabel(const LabelSpec& spec);
    void addButtons(std::vector<ButtonSpec> specs);

    // A window timer: `handler` runs through the handler runner on every tick.
    // It starts running at once, except in virtual time (a script run), where
    // it fires only when fireTimer() is called. A tick that comes while a
    // handler runs is skipped, unless the timer only `countsWaits` (it counts
    // down the wait the running handler is in, and calls no server).
    QTimer* addTimer(const std::string& name, int intervalMs, Handler handler, bool countsWaits = false);
    std::vector<std::string> timerNames() const;
    // The interval of the named timer in milliseconds, 0 if there is none.
    int timerInterval(const std::string& name) const;
    // Runs one tick of the named timer now; false if there is no such timer.
    bool fireTimer(const std::string& name);

    // Runs a handler of this window as a click would, as the doing of
    // `action` (the journal and the session recorder see it).
    void run(const Handler& handler, const UserAction& action);
    // Presses the button `name` as its click does (the click runs this);
    // false if there is no such button or it is disabled.
    bool press(const std::string& name);
    // Replaces the text of the editable text box `name` as typing does; false
    // if the window has no such box or it takes no typing.
    bool typeInto(const std::string& name, const QString& text);

    // The order Tab takes through the named controls (object names); the
    // controls not named keep their place after them.
    void setTabStops(const std::vector<QString>& names);

    // The actions of the main window that every secondary window carries
    // too, with their shortcuts: the windows that have no owner open from
    // anywhere (the record inspector, the call journal).
    static constexpr const char* kActionsEverywhere[] = {"actionRecordInspector", "actionJournal"};

    // The widget the controls of the control tables are placed on: the form
    // itself, or a client area below a menu bar.
    QWidget* client() const { return m_client; }

protected:
    // Puts the controls on a client area of the table's size, with `above`
    // (a menu bar) over it and `below` (a status line) under it; the window
    // grows by their heights. Call before adding controls.
    void useClientArea(QWidget* above, QWidget* below, int belowHeight);

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Closing a secondary window (its title-bar button, or Esc) while one of
    // the session's runs is in progress stops the run after its step.
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void watchTyping();
    void nameControls();
    void carryShortcutsOf(QWidget* owner);
    void typed(const std::string& box, const QString& text);

    Session& m_session;
    std::vector<ButtonSpec> m_controls;
    std::map<std::string, QPushButton*> m_buttons;
    struct Timer {
        QTimer* timer;
        Handler handler;
        bool countsWaits;
    };
    std::map<std::string, Timer> m_timers;
    bool m_reportedShown = false;
    bool m_watchingTyping = false;
    QWidget* m_client = this;
};

} // namespace vantrel
