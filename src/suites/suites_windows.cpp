#include "suites_windows.h"

#include "widgets/window_catalog.h"

namespace vantrel::suites {

void registerWindows(WindowCatalog&) {}

} // namespace vantrel::suites
