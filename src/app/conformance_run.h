// The conformance suite: scripts that ship with the utility and check, against
// any server --server takes, what every caller of the utility relies on and
// no more: each member it uses is offered with its kind of access, each
// record shape a button sends is taken, each read answers a value its callers
// can show or convert, a bad position or record is a numbered error, and
// every answer comes within the call timeout.
//
// A conformance script is a session script made of raw calls and their
// expectations only (put, get, call, expect error, expect result, expect
// member); each check is a call with the expectations around it, or one
// "expect member" line, labelled by the comment line just before it. Every
// script (one part of the contract) runs against a newly created server, and
// a check that fails, times out or finds the server gone is told and the
// suite goes on.
//
//   folder/*.vts -> parts -> checks -> server calls (timed) -> Result -> summary, HTML page, JUnit
#pragma once

#include "conformance_members.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

class AutomationRegistry;
struct ScriptCommand;

namespace conformance {

// The most of an answer any output of the suite shows (the printed line,
// the page, the JUnit file), and the most a check keeps: a little more, so
// that a card number or track that runs over the shown part is still masked
// whole. A server that answers 50 MB to every read costs a suite a few
// kilobytes a check.
inline constexpr std::size_t kShownAnswer = 4096;
inline constexpr std::size_t kKeptAnswer = kShownAnswer + 1024;

struct Check {
    int line = 0;         // the script line the check begins on
    std::string label;    // the comment line before it
    std::string member;   // the member called or looked for
    std::string checked;  // what was checked, in words
    bool passed = false;
    std::string answer;   // what came back, or why it failed: bytes as they came (reports mask them),
                          // at most kKeptAnswer of them
    long long ms = 0;     // how long its call took
    std::size_t answerSize = 0; // the whole answer's length, where `answer` keeps only its start
    std::string maskedStart;    // where `answer` keeps only its start: the whole answer masked, kept as far
};


// One script of the suite: one part of the contract.
struct Part {
    std::string name;     // the script's file name without .vts ("01-fueling")
    std::vector<Check> checks;
    double seconds = 0;
    int failed() const;
};

struct Result {
    std::vector<Part> parts;
    int checks() const;
    int failed() const;
};

struct Options {
    std::chrono::milliseconds timeout{5000}; // an answer later than this fails its check
    // Told each check as it ends (the printed line; a test may act on the server between checks).
    std::function<void(const Part& part, const Check& check)> onCheck;
};

// The suite shipped with the utility: conformance/ of the sources it was
// built from, else the installed share/vantrel-test/conformance; empty when
// neither is there. Its scripts are found as --script finds a folder's
// (expandScriptPaths).
std::string shippedSuite();

// Why the commands cannot be a conformance script ("" when they can): a
// command that is no raw call or expectation, or an "expect result" that
// does not follow its get, with its line.
std::string notConformance(const std::vector<ScriptCommand>& commands);

// Runs one part against a server created from `progId`. A script that cannot
// be read or is no conformance script is one failed check that says why.
Part runPart(const std::string& name, const std::string& content, const AutomationRegistry& registry,
             const std::string& progId, const Options& options);
// Runs every script in turn, printing a line per check and the summary line.
Result runSuite(const std::vector<std::string>& scripts, const AutomationRegistry& registry,
                const std::string& progId, const Options& options, std::ostream& out);

// "118 checks, 0 failed", or with the parts that failed:
// "118 checks, 3 failed (01-fueling: 1 of 14, 06-beeper-packets: 2 of 12)".
std::string summaryLine(const Result& result);

} // namespace conformance
} // namespace vantrel
