// Which server a run talks to, from --server (or VANTREL_SERVER): the
// embedded forecourt, another registered identifier, or a server on a D-Bus
// bus. The choice is registered under its own name, so that start-up creates
// it by that name as it creates any server; a script run also gets the way
// to move the server's virtual clock, and each creation starts the simulated
// site afresh.
#pragma once

#include "script_runner.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

class AutomationRegistry;
namespace forecourt {
struct SiteConfig;
}

// Told when a call has been out for a while (waiting) and when it returns.
using WaitHook = std::function<void(bool waiting, std::string_view member)>;

struct ServerChoice {
    std::string progId;      // what start-up creates
    std::string description; // for the status line and the script output
    AdvanceClock advance;    // moves the virtual clock of the server last created (script runs)
    // Set by the window once it exists: shows that a call is out.
    std::shared_ptr<WaitHook> onWait = std::make_shared<WaitHook>();
};

// Nothing, with the reason, for a server name that cannot be used. With a
// site (--site), every embedded server created is made on that site; another
// server is refused, since its site is its own.
std::optional<ServerChoice> chooseServer(AutomationRegistry& registry, const std::string& spec,
                                         std::chrono::milliseconds timeout, bool virtualTime, std::string& reason,
                                         const forecourt::SiteConfig* site = nullptr);

} // namespace vantrel
