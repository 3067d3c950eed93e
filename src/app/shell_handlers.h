// The main window's own handlers: the server window's visibility, the help
// file, the fueling position selector, and the buttons that open windows.
// Plain functions on a Session, so they run the same from a click, a script
// or a test.
#pragma once

#include "session/button_spec.h"
#include "session/window_host.h"

#include <utility>
#include <vector>

namespace vantrel::shell {

void sendWindowControl(Session& session);
void invokeHelpFile(Session& session);

// The selector: click, got focus, lost focus and double click on button n (1..32).
void selectorClick(Session& session, int n);
void selectorGotFocus(Session& session, int n);
void selectorLostFocus(Session& session, int n);
void selectorDoubleClick(Session& session, int n);

// WindowControl, HELP_BUTTON and the four buttons that open windows.
std::vector<ButtonSpec> mainWindowButtons();

using vantrel::kMainWindow;

// The buttons that open windows, with the window each opens.
inline constexpr std::pair<const char*, const char*> kNavigation[] = {
    {"OTHERDEVICESBUTTON", "OtherDevicesForm"},
    {"TEST_FUNCTION_BUTTON", "TestFunctionForm"},
    {"KeyEntryTypeButton", "KeyEntryForm"},
    {"InfoDisplay", "GraphicsDisplay"},
};

} // namespace vantrel::shell
