// What one script's run came to: its status, why it did not pass, how long it took.
#pragma once

#include <string>
#include <vector>

namespace vantrel {

// A failed expectation or the reason a script stopped: as printed, and as a
// report holds it (cardholder data masked before the bytes took their
// display form, unless the run is unmasked).
struct ScriptFailure {
    std::string text;
    std::string report;
};

struct ScriptResult {
    int status = 0;
    std::vector<ScriptFailure> failures; // each failed expectation or the reason the script stopped
    double seconds = 0;
};

} // namespace vantrel
