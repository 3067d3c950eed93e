// Headless session scripts: the commands of a script run against the same
// windows and handlers a click reaches, offscreen, with answers to prompts
// queued by the script, in virtual time. Each event is printed as a readable
// line. Exit status 0 when every expectation held, 1 when one failed, a
// server call failed that the script did not expect, or answers were left
// unasked; 2 when the script cannot be run. Several scripts run one after
// the other, each against a newly created server, and the run ends with
// "N passed, M failed" (and a JUnit report when one is asked for).
#pragma once

#include "script_files.h"
#include "script_result.h"

#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace vantrel {

class AutomationRegistry;
class SessionObserver;

// A script run keeps virtual time: it moves only when the script fires a
// window timer (by the timer's interval for each tick) or a wait step passes
// (one millisecond a tick, the interval of the timer that counts waits).
// The runner tells the server's clock through this callback.
using AdvanceClock = std::function<void(std::chrono::milliseconds)>;

struct ScriptRunOptions {
    std::string progId;
    std::string serverDescription; // printed first: which server the run talks to
    SessionObserver* trace = nullptr;
    AdvanceClock advance;
    std::string screenshot; // a picture of the window in front when the (last) script ends
    std::string junit;      // a JUnit XML report of the run
    // The session saved as a script when the (one) script ends, masked unless told otherwise.
    std::string saveSession;
    bool masked = true;
    // Told the clock of each script's session (its virtual time), for the trace's times.
    std::function<void(std::function<long long()>)> onClock;
    // Told where the run stands: the script's name with line 0 as it starts, then
    // the line of each command before it runs, so that a call is known by its line.
    std::function<void(const std::string& script, int line)> onLine;
    // The script's windows never appear on the screen (a run inside the windowed utility).
    bool offScreen = false;
};

// Runs every script in turn; the worst status of them.
int runScripts(const std::vector<std::string>& paths, const AutomationRegistry& registry,
               const ScriptRunOptions& options, std::ostream& out);

// One script's text; `name` is used in messages. With `options.screenshot`,
// a picture of the window in front is saved there when the script ends.
ScriptResult runScriptText(const std::string& name, const std::string& content, const AutomationRegistry& registry,
                           const ScriptRunOptions& options, std::ostream& out);

} // namespace vantrel
