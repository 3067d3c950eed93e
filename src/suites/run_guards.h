// Scoped window states for long runs: a busy cursor, and buttons disabled
// while a sequence runs. Both are undone when the run ends, whether it ends
// normally, by a failing server call or by the program closing in a wait.
// They act through the window host, never on widgets.
#pragma once

#include "session/window_host.h"

#include <string>
#include <utility>
#include <vector>

namespace vantrel::suites {

class BusyCursor {
public:
    explicit BusyCursor(WindowHost& windows) : m_windows(windows) { m_windows.setBusy(true); }
    ~BusyCursor() { m_windows.setBusy(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    WindowHost& m_windows;
};

class DisabledButtons {
public:
    DisabledButtons(WindowHost& windows, std::string window, std::vector<std::string> buttons)
        : m_windows(windows), m_window(std::move(window)), m_buttons(std::move(buttons))
    {
        for (const auto& b : m_buttons)
            m_windows.setButtonEnabled(m_window, b, false);
    }
    ~DisabledButtons()
    {
        for (const auto& b : m_buttons)
            m_windows.setButtonEnabled(m_window, b, true);
    }
    DisabledButtons(const DisabledButtons&) = delete;
    DisabledButtons& operator=(const DisabledButtons&) = delete;

private:
    WindowHost& m_windows;
    std::string m_window;
    std::vector<std::string> m_buttons;
};

} // namespace vantrel::suites
