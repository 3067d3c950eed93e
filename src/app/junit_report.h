// The JUnit XML report of a run of scripts.
#pragma once

#include "script_result.h"

#include <string>
#include <utility>
#include <vector>

namespace vantrel {

// Writes the JUnit XML report of the scripts' results. False, with the
// system's reason, when it cannot be written whole.
bool writeJunitReport(const std::string& path, const std::vector<std::pair<std::string, ScriptResult>>& results,
                      bool masked, std::string& reason);

} // namespace vantrel
