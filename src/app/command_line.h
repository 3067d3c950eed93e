// The command line of vantrel-test: every option, the usage text and the
// checks made before anything runs (which server, which scripts, and that no
// file the run writes is one it reads).
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

struct CommandLine {
    bool help = false, version = false;
    bool scriptGiven = false;           // --script was given, even with an empty name
    std::vector<std::string> scripts;   // files and folders, as given
    std::string trace, junit, screenshot;
    std::string saveSession;            // the session saved as a script when the run ends
    bool traceUnmasked = false;         // cardholder data written as it came, for lab use
    std::string server;                 // empty: VANTREL_SERVER, else the embedded server
    std::string site;                   // --site: the embedded simulator's site file (site_file.h)
    std::chrono::milliseconds timeout{5000};
    bool timeoutGiven = false;          // --timeout was given: it beats a saved site's
    bool quitWhenIdle = false;
    // --tap SERVER: watch the calls other clients make to a server on D-Bus, headless (tap_run.h).
    std::string tap;
    double durationSeconds = 0; // --duration: the tap ends after this long (0: at SIGINT or SIGTERM)
    std::string client;         // --client: only this client's calls (its unique name or command name)
    std::string capture;        // --capture: with --tap, every message it saw, as pcapng
    std::string openCapture;    // --open-capture: a pcapng capture converted (--trace, --save-session)
    // --conformance SERVER: the shipped conformance suite run against a server
    // (conformance_run.h); --report FILE: its HTML page.
    std::string conformance;
    std::string report;
    // --compare SERVER: the scripts run against --server and then against this
    // one, and every call whose answer differs is reported (compare_run.h).
    std::string compare;
    std::string compareTrace;        // --compare-trace: this run's calls against a saved trace's
    std::vector<std::string> ignore; // --ignore KEY: KEY= lines left out of both answers before comparing
};

// Nothing, with the reason, for a command line that cannot be read.
std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& args, std::string& reason);

// Whether --tap or --open-capture opens the window rather than running
// headless: nothing asked of the headless run (--trace, --save-session,
// --capture, --duration, --client) and a display to show the window on.
// The windowed --tap makes the utility's own calls to the same server.
bool tapInWindow(const CommandLine& options, bool display);
// DISPLAY or WAYLAND_DISPLAY set, and QT_QPA_PLATFORM not offscreen or minimal.
bool hasDisplay();

// The usage line, and the whole help: every option one line each, and the exit statuses.
const char* usageText();
std::string helpText();

// True when the two paths name the same file (the same file reached by
// another name included, or a file neither of them names yet but both would).
bool sameFile(const std::string& a, const std::string& b);

// A reason when an output of the run (trace, report, picture) is one of its
// inputs or another output; empty when they are all apart.
std::string clashingPaths(const std::vector<std::string>& inputs,
                          const std::vector<std::pair<const char*, std::string>>& outputs);

} // namespace vantrel
