#include "board_faults.h"

#include <algorithm>

namespace vantrel::board {

using forecourt::FaultCommand;
using forecourt::FaultDevice;
using forecourt::FaultKind;

namespace {

// The faults the site lists, read back by the one parser; a line it does not read is passed over.
std::vector<FaultCommand> readFaults(const std::vector<std::string>& faults)
{
    std::vector<FaultCommand> read;
    for (const std::string& line : faults)
        if (auto parsed = forecourt::parseFaultCommand(line); parsed.command && parsed.command->kind != FaultKind::Clear)
            read.push_back(std::move(*parsed.command));
    return read;
}

struct MenuCaption {
    FaultDevice device;
    FaultKind kind;
    const char* caption;
    const char* ask; // nullptr: the fault takes no value
};
constexpr MenuCaption kCaptions[] = {
    {FaultDevice::Position, FaultKind::Offline, "Offline: answers no call", nullptr},
    {FaultDevice::Position, FaultKind::Stall, "Stall: draws no fuel", nullptr},
    {FaultDevice::Position, FaultKind::StopAt, "Stop at an amount\u2026", "Amount the sale stops at (such as 5 or 12.50)"},
    {FaultDevice::Position, FaultKind::Error, "Device error\u2026", "Error number the pump reports (1 to 99999)"},
    {FaultDevice::Reader, FaultKind::Offline, "Offline: answers no call", nullptr},
    {FaultDevice::Reader, FaultKind::PaperOut, "Printer out of paper", nullptr},
    {FaultDevice::Reader, FaultKind::Jam, "Printer jammed", nullptr},
    {FaultDevice::Reader, FaultKind::Decline, "Declines cards", nullptr},
    {FaultDevice::Tank, FaultKind::Low, "Low-level alarm", nullptr},
    {FaultDevice::Tank, FaultKind::Water, "High-water alarm", nullptr},
    {FaultDevice::Wash, FaultKind::OutOfOrder, "Out of order", nullptr},
    {FaultDevice::Member, FaultKind::Error, "fails with an error\u2026", "Error number, then how many calls fail (all when left out)"},
    {FaultDevice::Member, FaultKind::Slow, "answers slowly\u2026", "Milliseconds each answer takes (1 to 60000)"},
};

bool onDevice(const FaultCommand& fault, const FaultCommand& device)
{
    return fault.device == device.device && fault.number == device.number && fault.member == device.member;
}

} // namespace

std::string faultWordsOn(const std::vector<std::string>& faults, FaultDevice device, int number)
{
    std::string words;
    for (const FaultCommand& f : readFaults(faults))
        if (f.device == device && f.number == number)
            words += (words.empty() ? "" : ", ") + forecourt::faultWords(f);
    return words;
}

bool isSignMember(std::string_view member)
{
    return std::find(kSignMembers.begin(), kSignMembers.end(), member) != kSignMembers.end();
}

std::vector<std::string> memberFaults(const std::vector<std::string>& faults,
                                      const std::function<bool(std::string_view member)>& which)
{
    std::vector<std::string> out;
    for (const FaultCommand& f : readFaults(faults))
        if (f.device == FaultDevice::Member && which(f.member))
            out.push_back(f.member + " " + forecourt::faultWords(f));
    return out;
}

std::vector<FaultMenuItem> faultMenu(const FaultCommand& device, const std::vector<std::string>& faults)
{
    const std::vector<FaultCommand> set = readFaults(faults);
    const std::string target = forecourt::faultTargetText(device);
    std::vector<FaultMenuItem> items;
    for (const MenuCaption& c : kCaptions) {
        if (c.device != device.device)
            continue;
        const forecourt::FaultKindInfo* info = forecourt::faultKindInfo(c.device, c.kind);
        FaultMenuItem item;
        // A member's items name the member, as the sign offers two of them.
        item.caption = c.device == FaultDevice::Member ? device.member + " " + c.caption : c.caption;
        item.fault = target + " " + info->word;
        item.ask = c.ask ? c.ask : "";
        item.set = std::any_of(set.begin(), set.end(), [&](const FaultCommand& f) { return onDevice(f, device) && f.kind == c.kind; });
        items.push_back(std::move(item));
    }
    const bool any = std::any_of(set.begin(), set.end(), [&](const FaultCommand& f) { return onDevice(f, device); });
    items.push_back({"Clear the faults of " + target, "clear " + target, {}, any});
    return items;
}

} // namespace vantrel::board
