// Everything that happens in a session, as events: server calls, prompts,
// box changes, windows and waits. The trace writer and the script runner's
// printer listen here; nothing in a handler knows they exist.
#pragma once

#include "server/automation_object.h"

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

enum class Box { TextBox, InBox, TextBoxPumpNumber, DeviceData };
const char* boxName(Box box);

struct CallEvent {
    Access access;
    std::string member;
    std::optional<Value> argument; // put: the value; get and call: the argument, if any
    std::optional<Value> result;   // get and call, when the call returned
    // Where and when: the window and control whose action made the call
    // (empty when none), the time since the start of the run and how long
    // the call took, in milliseconds of the session's clock.
    std::string window = {};
    std::string control = {};
    long long atMs = 0;
    long long durationMs = 0;
    // A call another client made, watched by the site tap: the client as the
    // tap names it (unique bus name, process id, command); empty for this
    // utility's own calls.
    std::string client = {};
};

// What the technician did: the input that ran a handler (or, for typing,
// changed a text box). A script of these repeats the session.
struct UserAction {
    enum class Kind {
        Press,       // a button of `window` named `control`
        Click,       // selector button `number` clicked
        Focus,       // selector button `number` got the focus
        LostFocus,   // selector button `number` lost the focus
        DoubleClick, // selector button `number` double-clicked
        Type,        // `text` typed into the text box `control` of `window`
        Tick,        // the timer `control` of `window` fired
        Customer,    // the customer did `text` on the simulated site ("card 7 1")
        Call,        // a raw call of the member `control`, `text` its access ("put", "get", "call"),
                     // made from `window` (empty: a script); its one call event follows (raw_call.h)
        Fault,       // the fault `text` was set on the simulated site, or cleared ("position 3 offline")
    };
    Kind kind = Kind::Press;
    std::string window;
    std::string control;
    int number = 0;   // the selector button; for Type, 1 when the text cannot be sent as bytes
    std::string text;
};

// Where a long run (a multi-packet sequence, a 1K display test) stands.
struct Progress {
    std::string run;     // the run's name, as its button says
    int step = 0;        // 1..steps while it runs
    int steps = 0;
    std::string label;   // what the step does
    long msLeft = 0;     // the waits still ahead, in milliseconds
    bool running = true; // false once: the run ended (or stopped)
    std::string outcome; // when it ended: "done", or where it stopped
};

class SessionObserver {
public:
    virtual ~SessionObserver() = default;
    virtual void callMade(const CallEvent&) {}
    virtual void callFailed(std::string_view /*member*/, int /*number*/, std::string_view /*description*/) {}
    virtual void messageShown(std::string_view /*title*/, std::string_view /*text*/) {}
    virtual void questionAnswered(std::string_view /*title*/, std::string_view /*text*/, bool /*yes*/) {}
    virtual void inputAnswered(std::string_view /*title*/, std::string_view /*prompt*/, std::string_view /*answer*/) {}
    virtual void boxChanged(Box, std::string_view /*text*/) {}
    // Text was added at the end of a box; `whole` is the box after it. An
    // observer that shows the box can add just `appended`.
    virtual void boxAppended(Box box, std::string_view /*appended*/, std::string_view whole) { boxChanged(box, whole); }
    // An error that the utility raised itself (no server call failed): it is
    // shown to the user like a server error and counts like one.
    virtual void errorRaised(int /*number*/, std::string_view /*description*/) {}
    virtual void windowShown(std::string_view /*window*/, bool /*shown*/) {}
    virtual void waitStarted(int /*ticks*/) {}
    virtual void progressed(const Progress&) {}
    // An action starts and ends; the events between them are its doing.
    virtual void actionStarted(const UserAction&) {}
    virtual void actionEnded(const UserAction&) {}
};

} // namespace vantrel
