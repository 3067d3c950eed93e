#include "site_faults.h"

#include <algorithm>
#include <tuple>

namespace vantrel::forecourt {

namespace {
// Where a fault stands in the table: by device, number or member, then its kind.
auto orderOf(const FaultCommand& f) { return std::tie(f.device, f.number, f.member, f.kind); }

bool sameDevice(const FaultCommand& a, const FaultCommand& b)
{
    return a.device == b.device && a.number == b.number && a.member == b.member;
}
} // namespace

const SiteFaults& SiteFaults::none()
{
    static const SiteFaults empty;
    return empty;
}

void SiteFaults::set(const FaultCommand& fault)
{
    if (fault.kind == FaultKind::Clear)
        return;
    const auto at = std::lower_bound(m_faults.begin(), m_faults.end(), fault,
                                     [](const FaultCommand& a, const FaultCommand& b) { return orderOf(a) < orderOf(b); });
    if (at != m_faults.end() && orderOf(*at) == orderOf(fault))
        *at = fault;
    else
        m_faults.insert(at, fault);
}

std::size_t SiteFaults::clear(const FaultCommand& clear)
{
    const std::size_t before = m_faults.size();
    if (clear.device == FaultDevice::Site)
        m_faults.clear();
    else
        std::erase_if(m_faults, [&](const FaultCommand& f) { return sameDevice(f, clear); });
    return before - m_faults.size();
}

const FaultCommand* SiteFaults::find(FaultDevice device, int number, FaultKind kind) const
{
    for (const auto& f : m_faults)
        if (f.device == device && f.number == number && f.kind == kind)
            return &f;
    return nullptr;
}

const FaultCommand* SiteFaults::findMember(std::string_view member, FaultKind kind) const
{
    for (const auto& f : m_faults)
        if (f.device == FaultDevice::Member && f.kind == kind && f.member == member)
            return &f;
    return nullptr;
}

std::optional<long long> SiteFaults::takeMemberError(std::string_view member)
{
    const auto it = std::find_if(m_faults.begin(), m_faults.end(), [&](const FaultCommand& f) {
        return f.device == FaultDevice::Member && f.kind == FaultKind::Error && f.member == member;
    });
    if (it == m_faults.end())
        return std::nullopt;
    const long long number = it->value;
    if (it->count > 0 && --it->count == 0)
        m_faults.erase(it);
    return number;
}

std::vector<std::string> SiteFaults::lines() const
{
    std::vector<std::string> out;
    out.reserve(m_faults.size());
    for (const auto& f : m_faults)
        out.push_back(faultCommandText(f));
    return out;
}

} // namespace vantrel::forecourt
