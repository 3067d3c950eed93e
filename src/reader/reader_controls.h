// The reader terminal buttons of the main window (queues, display, printer,
// keypad, stress test, beeper, packets, information, diagnostics), the
// stress timer's tick, and the reader's own window.
#pragma once

#include "session/button_spec.h"

#include <vector>

namespace vantrel {
class WindowCatalog;
}

namespace vantrel::reader {

std::vector<ButtonSpec> mainWindowButtons();
// The main window's Timer1 tick (every 1000 ms).
void stressTick(Session& session);
// Adds KeyEntryForm.
void registerWindows(WindowCatalog& catalog);

} // namespace vantrel::reader
