// Finding and reading the scripts a run is given: files, and folders of them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

// The largest script file read, in bytes.
inline constexpr std::size_t kScriptLimit = std::size_t(16) << 20;

// Reads one script file: a regular file of at most kScriptLimit bytes, read
// whole, that holds at least one command. Nothing and a reason when it
// cannot be.
std::optional<std::string> readScriptFile(const std::string& path, std::string& reason);
// The scripts named on the command line: files as given, each folder's .vts
// files in name order. Empty, with a reason, when a name yields no script.
std::vector<std::string> expandScriptPaths(const std::vector<std::string>& names, std::string& reason);

} // namespace vantrel
