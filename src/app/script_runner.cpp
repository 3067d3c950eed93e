#include "script_runner.h"

#include <ostream>

namespace vantrel {

int runScriptFile(const std::string&, const AutomationRegistry&, const std::string&, TraceWriter*, std::ostream& out)
{
    out << "scripts are not available yet\n";
    return 2;
}

} // namespace vantrel
