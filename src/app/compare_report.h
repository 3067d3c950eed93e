// Comparing the calls of two runs of the same scripts: against two servers,
// or this run against a saved trace. The i-th call of one side is paired
// with the i-th call of the other, script by script; a pair differs when the
// call is not the same (access, member, the value sent) or its answer is not
// (a value, or error N: the error's number counts, its wording does not).
// Each difference is told with the script line that made the call, both
// answers as marked text (control bytes as <CR>, <LF>, <NUL> ...) and a caret
// under the first byte that differs:
//
//   tour.vts:11: get FuelingPositionInformation(7): the answers differ at byte 25: 0x49 vs 0x42
//     A: …"uelingPosition=7<CR><LF>State=Idle"
//     B: …"uelingPosition=7<CR><LF>State=Busy"
//                                        ^
#pragma once

#include "script_result.h"

#include "server/automation_object.h"

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantrel::journal {
class CardMasker;
}

namespace vantrel::compare {

// The most of a string a comparison keeps of each value sent and each
// answer. A longer one keeps its first kKeptBytes, its whole length and a
// digest of all its bytes, so that a run against a server that answers
// 50 MB to every read stays small, and two values are still compared whole.
inline constexpr std::size_t kKeptBytes = std::size_t(256) << 10;
struct Whole {
    std::size_t size = 0;
    std::string digest; // SHA-256 of every byte
    bool operator==(const Whole&) const = default;
};

// One call as a comparison sees it: what was asked and what came back.
struct SeenCall {
    int line = 0; // the script line that made it; 0: none (start-up, a trace that names no lines)
    Access access = Access::Get;
    std::string member;
    std::optional<Value> argument; // put: the value; get and call: the argument, if any
    std::optional<Value> result;   // get and call, when the call returned
    std::optional<int> error;      // the call failed with this number ...
    std::string description;       // ... and this description
    // Set where the string kept above is only the start of the value (keptBounded).
    std::optional<Whole> argumentWhole, resultWhole;
};

// The call as a comparison keeps it: its answer with the lines of the keys
// in `ignore` left out (withoutKeys), and each string longer than kKeptBytes
// cut, with its Whole. An answer cut here has its lines left out already.
SeenCall keptBounded(SeenCall call, const std::vector<std::string>& ignore);

// The calls one script made on one side.
struct ScriptCalls {
    std::string script;
    std::vector<SeenCall> calls;
    // The same calls with cardholder data masked, for a report; empty: the
    // calls are masked already (a masked trace) or the run is unmasked.
    std::vector<SeenCall> masked;
    std::string verdict; // "script passed", ...; empty where not known (a trace)
    std::string notRun;  // why the script could not run on this side at all; empty when it ran
    bool stopped = false; // the run stopped before the script's end (a control that is not there ...)
};

// The call with cardholder data masked as a trace masks it, the masker told
// first of the value sent.
SeenCall maskedCall(SeenCall call, journal::CardMasker& masker);
// Fills each script's `masked` with its calls, cardholder data masked as a
// trace masks them: one masker over the scripts in turn, told every value sent.
void maskCalls(std::vector<ScriptCalls>& scripts);

// The answer with every line of each key in `keys` left out: "KEY=" at the
// start of a line, up to and with its end (CR LF, LF, or the end of the answer).
std::string withoutKeys(std::string_view answer, const std::vector<std::string>& keys);

// Where two byte strings first differ; nothing when they are the same. Where
// one is the start of the other, the length of the shorter.
std::optional<std::size_t> firstDifference(std::string_view a, std::string_view b);

// The bytes as one line of the inspector's marked text: each control byte as
// its mark name in angle brackets ("<CR><LF>"), every other byte as its
// Latin-1 character (UTF-8).
std::string markedLine(std::string_view bytes);

// The outcome of comparing one script's calls.
struct ScriptComparison {
    std::size_t compared = 0;         // the pairs, and the calls one side made alone
    std::vector<std::string> printed; // each difference as printed, over several lines
    // Each difference on one line, for a report: as it came, and masked.
    std::vector<ScriptFailure> differences;
    double seconds = 0; // how long the script ran against A (a report's time of it)
};

struct CompareSettings {
    std::vector<std::string> ignore; // keys whose lines are left out of both answers
    std::string nameA = "A", nameB = "B";
};

ScriptComparison compareScript(const ScriptCalls& a, const ScriptCalls& b, const CompareSettings& settings);

// Prints the script's heading ("== tour.vts: A script passed, B script
// passed"), then each difference.
void printScript(std::ostream& out, const ScriptCalls& a, const ScriptCalls& b, const ScriptComparison& outcome,
                 const CompareSettings& settings);

// "12 calls compared, 1 differs".
std::string summaryLine(std::size_t compared, std::size_t differ);

// The JUnit XML report of a comparison: a test case per script, a failure
// per difference. False, with the system's reason, when it cannot be written whole.
bool writeCompareJunit(const std::string& path, const std::vector<std::pair<std::string, ScriptComparison>>& scripts,
                       bool masked, std::string& reason);

} // namespace vantrel::compare
