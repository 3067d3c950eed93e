#include "site_state.h"

namespace vantrel::forecourt {

namespace {
const PositionStateName* entryOf(PositionState state)
{
    for (const auto& entry : kPositionStates)
        if (entry.state == state)
            return &entry;
    return nullptr;
}
} // namespace

const char* positionStateName(PositionState state)
{
    const auto* entry = entryOf(state);
    return entry ? entry->name : "?";
}

const char* positionStateCaption(PositionState state)
{
    const auto* entry = entryOf(state);
    return entry ? entry->caption : "?";
}

std::optional<PositionState> positionStateNamed(std::string_view name)
{
    for (const auto& entry : kPositionStates)
        if (name == entry.name)
            return entry.state;
    return std::nullopt;
}

} // namespace vantrel::forecourt
