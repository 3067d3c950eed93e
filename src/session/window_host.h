// What handlers may ask of the windows: open or hide one by object name,
// recolour or enable a button, show a busy cursor. The Qt shell carries it
// out; tests record it.
#pragma once

#include "button_spec.h"

#include <exception>
#include <string>
#include <string_view>

namespace vantrel {

// The object name of the main window: the owner of the secondary windows,
// and the window of its own controls in every action and script line.
inline constexpr const char* kMainWindow = "VantrelTest";

class WindowHost {
public:
    virtual ~WindowHost() = default;
    // Creates the window on first use, then shows it modal over its owner.
    virtual void showWindow(std::string_view window) = 0;
    virtual void hideWindow(std::string_view window) = 0;
    virtual void setControlColour(std::string_view window, std::string_view control, Bgr colour) = 0;
    virtual void setButtonEnabled(std::string_view window, std::string_view control, bool enabled) = 0;
    virtual void setBusy(bool busy) = 0;
};

// Waits a number of timer ticks of a window timer that counts `counter`
// down. The window shell processes events until the counter is 0; a script
// run counts the ticks without waiting for them.
class Waiter {
public:
    virtual ~Waiter() = default;
    virtual void wait(std::int16_t& counter, int ticks) = 0;
};

// An end of a running handler that is no error: it passes every error trap
// of the handlers (which catch it first and throw it on) up to the runner.
struct Unwinding : std::exception {};

// Thrown by a long run at a step's end when a stop was asked for: the
// handler runner says where the run stopped.
struct RunStopped : Unwinding {
    explicit RunStopped(std::string text) : message(std::move(text)) {}
    const char* what() const noexcept override { return message.c_str(); }
    std::string message;
};

// Thrown out of a wait when the main window is closing: the running handler
// unwinds without a message and the program ends.
struct SessionClosing : Unwinding {
    const char* what() const noexcept override { return "the main window is closing"; }
};

} // namespace vantrel
