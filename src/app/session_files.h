// The files a technician saves from a run: the session as a script that
// repeats it, and the journal as a trace. Both mask cardholder data unless
// the run was started with --trace-unmasked.
#pragma once

#include <string>

namespace vantrel {

namespace journal {
class SessionRecorder;
}

// The comment lines a saved script starts with: what saved it, when, against which server.
std::string sessionHeader(const std::string& server);

// Writes the script whole (to a temporary file renamed into place), so that
// a failed save leaves an earlier file as it was. False, with the reason,
// when it cannot.
bool saveSessionScript(const std::string& path, const journal::SessionRecorder& recorder, const std::string& header,
                       bool masked, std::string& reason);

} // namespace vantrel
