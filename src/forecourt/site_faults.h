// The faults set on the simulated site, the one table every device
// consults: a pump that does not answer, a printer out of paper, a tank
// alarm, a member that fails or answers late. Each device has at most one
// fault of each kind; setting one again replaces it. The table stays small:
// at most one entry per device and kind (and per member of the site's table).
#pragma once

#include "fault_command.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::forecourt {

class SiteFaults {
public:
    // The table of a device that belongs to no site: always empty.
    static const SiteFaults& none();

    // Sets `fault`, replacing the fault of its kind on its device.
    void set(const FaultCommand& fault);
    // Clears the faults of the device `clear` names, or every fault; how many went.
    std::size_t clear(const FaultCommand& clear);

    // The fault of `kind` on that device (a position, reader or tank by its
    // number, the wash with 0), or nullptr.
    const FaultCommand* find(FaultDevice device, int number, FaultKind kind) const;
    bool has(FaultDevice device, int number, FaultKind kind) const { return find(device, number, kind) != nullptr; }
    const FaultCommand* findMember(std::string_view member, FaultKind kind) const;

    // A call of `member`, which has an error fault: the error's number.
    // A fault with a count counts the call, and goes after its last one.
    std::optional<long long> takeMemberError(std::string_view member);

    // One line per fault, in the text form, device by device.
    std::vector<std::string> lines() const;
    bool empty() const { return m_faults.empty(); }

private:
    std::vector<FaultCommand> m_faults; // in the order lines() gives
};

} // namespace vantrel::forecourt
