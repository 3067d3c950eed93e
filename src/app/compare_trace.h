// Reads the calls of a saved trace (trace.md) back for --compare-trace: its
// first line (which server, when, masked or not), its "script" events, which
// part the calls of a run of several scripts, and each call event with the
// error event that follows a failed one. Every other event is passed over.
// A trace written before calls carried their script line, or saved from the
// journal, is read too: its calls have no line and it names no script.
#pragma once

#include "compare_report.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::compare {

struct SavedTrace {
    std::string server; // as its first line names it
    std::string date;
    bool masked = true;
    bool namesScripts = false;        // it has "script" events
    std::vector<ScriptCalls> scripts; // in the order they ran; one without a name when it names none
};

// Nothing, with the reason, for a trace that cannot be used: "LINE: reason"
// for a line that is no trace event of the form trace.md gives.
std::optional<SavedTrace> parseTrace(std::string_view text, std::string& reason);

// The trace in the file at `path`: a regular file, or a link to one. Nothing,
// with the reason ("cannot be read: ...", or parseTrace's), when it cannot be used.
std::optional<SavedTrace> readTrace(const std::string& path, std::string& reason);

} // namespace vantrel::compare
