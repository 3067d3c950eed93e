// A window host without windows: it remembers which windows are shown,
// the colours and enabled states handlers set, and the busy state. Used by
// tests of handlers and by anything that runs handlers without a display.
#pragma once

#include "window_host.h"

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace vantrel {

class Session;

class RecordingWindowHost : public WindowHost {
public:
    void showWindow(std::string_view window) override;
    void hideWindow(std::string_view window) override;
    void setControlColour(std::string_view window, std::string_view control, Bgr colour) override;
    void setButtonEnabled(std::string_view window, std::string_view control, bool enabled) override;
    void setBusy(bool busy) override;

    bool isShown(const std::string& window) const { return m_shown.count(window) != 0; }
    std::optional<Bgr> colour(const std::string& window, const std::string& control) const;
    bool isEnabled(const std::string& window, const std::string& control) const;
    const std::vector<std::pair<std::string, bool>>& history() const { return m_history; }
    const std::vector<bool>& busyHistory() const { return m_busy; }
    // Tells the session of each show and hide, as the real shell does.
    void attach(Session* session) { m_session = session; }

private:
    Session* m_session = nullptr;
    std::set<std::string> m_shown;
    std::map<std::pair<std::string, std::string>, Bgr> m_colours;
    std::set<std::pair<std::string, std::string>> m_disabled;
    std::vector<std::pair<std::string, bool>> m_history;
    std::vector<bool> m_busy;
};

// A waiter that returns at once, as if the ticks had passed.
class ImmediateWaiter : public Waiter {
public:
    void wait(std::int16_t& counter, int ticks) override;
    long long totalTicks() const { return m_total; }

private:
    long long m_total = 0;
};

} // namespace vantrel
