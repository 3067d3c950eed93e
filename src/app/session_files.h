// The files a technician saves from a run: the session as a script that
// repeats it, and the journal as a trace. Both mask cardholder data unless
// the run was started with --trace-unmasked (and are then readable by their
// owner alone). A picture of a window. Each is written as every output file
// is (output_file.h).
#pragma once

#include <string>

class QWidget;

namespace vantrel {

namespace journal {
class SessionRecorder;
}

// The comment lines a saved script starts with: what saved it, when, against which server.
std::string sessionHeader(const std::string& server);

// Writes the script whole (to a temporary file renamed into place), so that
// a failed save leaves an earlier file as it was. False, with the system's
// reason, when it cannot.
bool saveSessionScript(const std::string& path, const journal::SessionRecorder& recorder, const std::string& header,
                       bool masked, std::string& reason);

// Saves a picture of the widget, in the format its name's suffix gives (PNG
// when none is known). False, with the reason, when it cannot.
bool saveScreenshot(QWidget& widget, const std::string& path, std::string& reason);

} // namespace vantrel
