#include "recording_window_host.h"

#include "session.h"

namespace vantrel {

void RecordingWindowHost::showWindow(std::string_view window)
{
    m_shown.insert(std::string(window));
    m_history.emplace_back(std::string(window), true);
    if (m_session)
        m_session->notifyWindow(window, true);
}

void RecordingWindowHost::hideWindow(std::string_view window)
{
    m_shown.erase(std::string(window));
    m_history.emplace_back(std::string(window), false);
    if (m_session)
        m_session->notifyWindow(window, false);
}

void RecordingWindowHost::setControlColour(std::string_view window, std::string_view control, Bgr colour)
{
    m_colours[{std::string(window), std::string(control)}] = colour;
}

void RecordingWindowHost::setButtonEnabled(std::string_view window, std::string_view control, bool enabled)
{
    const std::pair<std::string, std::string> key{std::string(window), std::string(control)};
    if (enabled)
        m_disabled.erase(key);
    else
        m_disabled.insert(key);
}

void RecordingWindowHost::setBusy(bool busy) { m_busy.push_back(busy); }

std::optional<Bgr> RecordingWindowHost::colour(const std::string& window, const std::string& control) const
{
    const auto it = m_colours.find({window, control});
    if (it == m_colours.end())
        return std::nullopt;
    return it->second;
}

bool RecordingWindowHost::isEnabled(const std::string& window, const std::string& control) const
{
    return m_disabled.count({window, control}) == 0;
}

void ImmediateWaiter::wait(std::int16_t& counter, int ticks)
{
    m_total += ticks;
    counter = 0;
}

} // namespace vantrel
