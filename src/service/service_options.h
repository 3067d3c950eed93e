// The command line of vantrel-forecourt: which bus to serve on, whether to
// take the name over, whether the forecourt runs on a virtual clock, and
// how much it logs. Parsed with Qt Core's QCommandLineParser, before any
// application object exists, so it can be checked on its own.
#pragma once

#include "forecourt/site_file.h"
#include "forecourt/traffic.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::service {

struct ServiceOptions {
    enum class Bus { Default, Session, System, Address };

    Bus bus = Bus::Default; // Default: the bus that started us, else the session bus
    std::string address;
    bool replace = false;
    bool virtualClock = false;
    bool quiet = false;
    bool board = false; // show the forecourt board (vantrel-board) beside the service
    double traffic = 0; // simulated customers a minute sent to the site; 0: none
    std::uint64_t seed = forecourt::kDefaultTrafficSeed; // of the traffic's choices
    std::string siteFile;                   // --site: the site file, as given; empty: the usual site
    std::optional<forecourt::SiteConfig> site; // what main read from it
    bool help = false;
    bool version = false;
};

// How vantrel-forecourt ends. A clean end is 0; every end the service did
// not choose is another number, so that a supervisor (systemd's
// Restart=on-failure) starts it again.
enum ExitStatus : int {
    kExitClean = 0,       // SIGINT, SIGTERM, or another server took the name over (--replace)
    kExitCannotStart = 1, // the bus cannot be reached, the name has another owner, --board cannot start
    kExitUsage = 2,       // the command line cannot be used
    kExitBusLost = 3,     // the bus dropped the service or its connection broke
};

// The options; nothing, with the reason, when the command line cannot be used.
std::optional<ServiceOptions> parseServiceOptions(const std::vector<std::string>& args, std::string& reason);

// Every option on one line, then the exit statuses.
std::string usageText();

} // namespace vantrel::service
