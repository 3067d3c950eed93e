// Runs one handler to completion. A failing server call, or a value that
// cannot be converted as the handler needs, ends the handler at that point
// and is reported in a message box with its number and description; the
// utility keeps running. No handler repeats this code.
#pragma once

#include "button_spec.h"

#include <string>

namespace vantrel {

class AutomationError;
class Session;

// "Error 438: The server has no such property or method: 'Foo'"
std::string errorMessage(const AutomationError& error);

// Returns true when the handler ran to its end.
bool runHandler(Session& session, const Handler& handler);

} // namespace vantrel
