// Adds this subsystem's windows to the catalog the shell opens them from.
#pragma once

namespace vantrel {
class WindowCatalog;
}

namespace vantrel::suites {

void registerWindows(WindowCatalog& catalog);

} // namespace vantrel::suites
