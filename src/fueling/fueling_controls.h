// The fueling position buttons of the main window: authorisation and sale
// control, dispenser information and prices.
#pragma once

#include "session/button_spec.h"

#include <vector>

namespace vantrel::fueling {

std::vector<ButtonSpec> mainWindowButtons();

} // namespace vantrel::fueling
