// Start-up and the wiring of one run: the window catalog, the server created
// by programmatic identifier, the session, the main window. The windowed run
// and the script runner both start here, with their own prompter and waiter.
#pragma once

#include "main_window.h"
#include "qt_window_host.h"

#include "journal/call_journal.h"
#include "journal/session_recorder.h"
#include "server/automation_object.h"
#include "session/session.h"

#include <functional>
#include <memory>
#include <string>

namespace vantrel {

class AutomationRegistry;
class TimedServer;
class Prompter;
class Waiter;

class Application {
public:
    // Start-up in order: the title with today's date, the current position
    // 1 ("01"), the server created by its identifier, the position display,
    // the stress flag cleared. When the server cannot be created the error
    // is reported through `prompter` (and `early`, if given) and nullptr
    // comes back; no window is left open. With `virtualTime` (a script run)
    // no window timer runs on its own; with `offScreen` (a script run inside
    // the windowed utility) no window of this run appears on the screen.
    static std::unique_ptr<Application> start(const AutomationRegistry& registry, const std::string& progId,
                                              Prompter& prompter, Waiter& waiter,
                                              SessionObserver* early = nullptr, bool virtualTime = false,
                                              bool offScreen = false);
    ~Application();

    Session& session() { return *m_session; }
    MainWindow& mainWindow() { return *m_main; }
    QtWindowHost& windows() { return *m_windows; }
    AutomationObject& server() { return *m_server; }
    // Every call of the run, and the run as a script that repeats it.
    journal::CallJournal& journal() { return m_journal; }
    journal::SessionRecorder& recorder() { return m_recorder; }
    // Acts as the customer at the server's simulated site ("card 7 1") and
    // says what was done; empty when the server has none. Decided once, when
    // the server is created: the embedded forecourt, or a D-Bus server whose
    // introspection offers Vantrel.Simulator.Customer. It throws
    // forecourt::CustomerError or AutomationError when the site refuses.
    using CustomerAct = std::function<std::string(const std::string& action)>;
    const CustomerAct& customer() const { return m_customer; }

private:
    Application() = default;

    WindowCatalog m_catalog;
    std::unique_ptr<QtWindowHost> m_windows;
    std::unique_ptr<AutomationObject> m_server;
    // The session calls the server through it, so that each call's duration is known to the microsecond.
    std::unique_ptr<TimedServer> m_timed;
    // They observe the session, so they outlive it.
    journal::CallJournal m_journal;
    journal::SessionRecorder m_recorder;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<MainWindow> m_main;
    CustomerAct m_customer;
};

} // namespace vantrel
