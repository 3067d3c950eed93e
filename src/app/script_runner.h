// Headless session scripts: the commands of a script run against the same
// windows and handlers a click reaches, offscreen, with answers to prompts
// queued by the script, in virtual time. Each event is printed as a readable line. Exit
// status 0 when every expectation held, 1 when one failed or a server call
// failed that the script did not expect, 2 when the script cannot be run.
#pragma once

#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>

namespace vantrel {

class AutomationRegistry;
class SessionObserver;

// A script run keeps virtual time: it moves only when the script fires a
// window timer (by the timer's interval for each tick) or a wait step passes
// (one millisecond a tick, the interval of the timer that counts waits).
// The runner tells the server's clock through this callback.
using AdvanceClock = std::function<void(std::chrono::milliseconds)>;

int runScriptFile(const std::string& path, const AutomationRegistry& registry, const std::string& progId,
                  SessionObserver* trace, std::ostream& out, AdvanceClock advance = {},
                  const std::string& screenshot = {});
// As runScriptFile, with the script's text; `name` is used in messages.
// With `screenshot`, a picture of the window in front is saved there when the script ends.
int runScript(const std::string& name, const std::string& content, const AutomationRegistry& registry,
              const std::string& progId, SessionObserver* trace, std::ostream& out, AdvanceClock advance = {},
              const std::string& screenshot = {});

} // namespace vantrel
