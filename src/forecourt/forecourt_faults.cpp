// The faults of the simulated site as the server takes them: setting and
// clearing them in their text form, and what a member's faults do to a call.
#include "forecourt_server.h"

#include "server/automation_error.h"

#include <algorithm>

namespace vantrel::forecourt {

namespace {
// The error a member's error fault raises: its number, and the table's
// description where the number is one of the utility's.
AutomationError memberFailure(long long number, const char* member)
{
    const auto table = errorTable();
    const auto known = std::find_if(table.begin(), table.end(),
                                    [number](const ErrorInfo& e) { return static_cast<long long>(e.code) == number; });
    if (known != table.end())
        return AutomationError(known->code, "a fault makes " + std::string(member) + " fail");
    return AutomationError(static_cast<int>(number),
                           "A fault makes " + std::string(member) + " fail with error " + std::to_string(number));
}
} // namespace

std::string ForecourtServer::setFault(std::string_view text)
{
    if (text.size() > kLongestFaultLine)
        throw FaultError("a fault is at most " + groupedNumber(kLongestFaultLine) + " characters, not " +
                         groupedNumber(text.size()));
    const FaultParse parsed = parseFaultCommand(text);
    if (!parsed.command)
        throw FaultError(parsed.reason);
    FaultCommand fault = *parsed.command;
    if (fault.device == FaultDevice::Member) {
        const MemberInfo* info = memberNamed(fault.member);
        if (!info)
            throw FaultError("the site has no member \"" + fault.member + "\"");
        fault.member = info->name; // as the site spells it
    }
    // A device the site does not have takes no fault (clearing one is harmless).
    if (fault.kind != FaultKind::Clear) {
        if (fault.device == FaultDevice::Tank && fault.number > static_cast<int>(m_tankMonitor.tankCount()))
            throw FaultError("the site has no tank " + std::to_string(fault.number));
        if ((fault.device == FaultDevice::Position || fault.device == FaultDevice::Reader) &&
            !m_fueling.installed(fault.number))
            throw FaultError("the site has no position " + std::to_string(fault.number) + " (not installed)");
    }
    std::string done;
    if (fault.kind == FaultKind::Clear) {
        const std::size_t cleared = m_faults.clear(fault);
        done = faultCommandText(fault) + ": " + (cleared == 1 ? std::string("1 fault") : std::to_string(cleared) + " faults") +
               " cleared";
    } else {
        m_faults.set(fault);
        done = faultCommandText(fault);
    }
    // A sale follows its position's faults from this moment on.
    for (int p = 1; p <= FuelingPositions::kPositions; ++p)
        if (fault.device == FaultDevice::Site || (fault.device == FaultDevice::Position && fault.number == p))
            m_fueling.applyFaults(p);
    noteChange();
    return done;
}

Millis ForecourtServer::answerDelay(std::string_view member) const
{
    const MemberInfo* info = m_faults.empty() ? nullptr : memberNamed(member);
    const FaultCommand* slow = info ? m_faults.findMember(info->name, FaultKind::Slow) : nullptr;
    return Millis(slow ? slow->value : 0);
}

void ForecourtServer::answerFaults(const char* member)
{
    if (m_faults.empty())
        return;
    if (const FaultCommand* slow = m_faults.findMember(member, FaultKind::Slow); slow && m_slowMovesClock)
        m_clock->pass(Millis(slow->value));
    if (const auto number = m_faults.takeMemberError(member))
        throw memberFailure(*number, member);
}

} // namespace vantrel::forecourt
