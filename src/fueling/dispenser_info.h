// The dispenser information read for the current fueling position.
#pragma once

namespace vantrel {
class Session;
}

namespace vantrel::fueling {

void dispenserInfo(Session& session);

} // namespace vantrel::fueling
