// The window host of the Qt shell: creates secondary windows from the
// catalog on first use, shows them modal over their owner, hides them, and
// remembers the order they were opened in, so that a script's bare control
// name reaches the window in front first.
#pragma once

#include "session/window_host.h"
#include "widgets/window_catalog.h"

#include <map>
#include <string>
#include <vector>

namespace vantrel {

class Form;
class Session;

class QtWindowHost : public WindowHost {
public:
    explicit QtWindowHost(const WindowCatalog& catalog);

    void setSession(Session* session) { m_session = session; }
    void setMainWindow(Form* main) { m_main = main; }
    // Windows that are shown to the program only, never on the screen (a
    // script run inside the windowed utility).
    void setOffScreen(bool offScreen) { m_offScreen = offScreen; }

    void showWindow(std::string_view window) override;
    void hideWindow(std::string_view window) override;
    void setControlColour(std::string_view window, std::string_view control, Bgr colour) override;
    void setButtonEnabled(std::string_view window, std::string_view control, bool enabled) override;
    void setBusy(bool busy) override;

    bool canOpen(const std::string& window) const { return m_catalog.find(window) != nullptr; }
    // The named window if it exists (created), the main window included.
    Form* window(const std::string& name) const;
    // Shown windows, the one in front last; the main window first.
    std::vector<Form*> shownWindows() const;
    Form* front() const;

private:
    Form* ensure(const std::string& name);
    void place(Form& form);

    const WindowCatalog& m_catalog;
    Session* m_session = nullptr;
    Form* m_main = nullptr;
    std::map<std::string, Form*> m_windows;
    std::vector<std::string> m_order; // shown secondary windows, front last
    bool m_busy = false;
    bool m_offScreen = false;
};

// Waits by processing window events until the window timer has counted the
// counter down; ends the wait with SessionClosing if the main window closes.
class QtWaiter : public Waiter {
public:
    void wait(std::int16_t& counter, int ticks) override;
    void setClosing() { m_closing = true; }

private:
    bool m_closing = false;
};

} // namespace vantrel
