// Headless session scripts: one command per line, run against the same
// windows and handlers a click reaches, with answers to prompts queued by
// the script. Exit status 0 when every expectation held, 1 when one failed
// or a server call failed unexpectedly, 2 when the script cannot be run.
#pragma once

#include <iosfwd>
#include <string>

namespace vantrel {

class AutomationRegistry;
class TraceWriter;

int runScriptFile(const std::string& path, const AutomationRegistry& registry, const std::string& progId,
                  TraceWriter* trace, std::ostream& out);

} // namespace vantrel
