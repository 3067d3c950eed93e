#include "devices_windows.h"

#include "widgets/window_catalog.h"

namespace vantrel::devices {

void registerWindows(WindowCatalog&) {}

} // namespace vantrel::devices
