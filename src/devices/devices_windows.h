// Adds this subsystem's windows to the catalog the shell opens them from.
#pragma once

namespace vantrel {
class WindowCatalog;
}

namespace vantrel::devices {

void registerWindows(WindowCatalog& catalog);

} // namespace vantrel::devices
