// vantrel-test --script SUITE --server A --compare B: each script runs against
// A and then against B, each time on a server created afresh (as --script
// runs it), and every call whose answer differs is reported (compare_report.h).
// --compare-trace FILE compares the calls of the run against A with those a
// saved trace holds instead. The run prints the two sides, each script with
// its differences, and "N calls compared, M differ"; its status is 0 when
// nothing differs, 1 when something does (or a report cannot be written), 2
// when a script cannot be read or the trace does not fit the scripts.
#pragma once

#include "compare_report.h"
#include "compare_trace.h"
#include "server_choice.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace vantrel {

class AutomationRegistry;
class TraceWriter;

namespace compare {

// A server to run the scripts against, chosen in its own registry.
struct Side {
    const AutomationRegistry& registry;
    ServerChoice server;
};

struct CompareOptions {
    std::vector<std::string> scripts;
    std::vector<std::string> ignore; // keys whose lines are left out of both answers
    std::string junit;               // a JUnit XML report: a failure per difference
    bool masked = true;              // reports mask cardholder data
    TraceWriter* trace = nullptr;    // --trace: the run against A, its calls with their lines
};

// Runs every script against `a` and then `b`.
int compareServers(const Side& a, const Side& b, const CompareOptions& options, std::ostream& out);

// Runs every script against `a` and compares its calls with those of the
// trace read from `tracePath`, script by script in order; a masked trace is
// met with the calls of this run masked the same way.
int compareWithTrace(const Side& a, const SavedTrace& trace, const std::string& tracePath,
                     const CompareOptions& options, std::ostream& out);

} // namespace compare

struct CommandLine;

// --compare or --compare-trace as the command line asks, A being the server
// already chosen in `registry`: B chosen in a registry of its own, or the
// trace read. A B that cannot be chosen, or a trace that cannot be read, is
// said on standard error with the reason (status 2). An embedded B is made
// on `site` (the --site file's), as A is.
int runComparison(const CommandLine& options, const std::vector<std::string>& scripts,
                  const AutomationRegistry& registry, const ServerChoice& a, TraceWriter* trace, std::ostream& out,
                  const forecourt::SiteConfig* site = nullptr);

} // namespace vantrel
