#include "site_state.h"

namespace vantrel::forecourt {

const char* positionStateName(PositionState state)
{
    switch (state) {
    case PositionState::Idle: return "Idle";
    case PositionState::Calling: return "Calling";
    case PositionState::Authorised: return "Authorised";
    case PositionState::Fueling: return "Fueling";
    case PositionState::Stopped: return "Stopped";
    case PositionState::Completed: return "Completed";
    case PositionState::Paid: return "Paid";
    }
    return "?";
}

} // namespace vantrel::forecourt
