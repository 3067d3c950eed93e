// The faults on the board: what each device shows of the faults the site
// lists (their words, under a red mark), and the menu of the faults a
// device can be given, in the one text form of forecourt/fault_command.h.
#pragma once

#include "forecourt/fault_command.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::board {

// The members whose faults the price sign shows and offers.
inline constexpr std::array<const char*, 2> kSignMembers = {"PriceSignDataSend", "PriceSignDataRead"};
bool isSignMember(std::string_view member);

// The words of the faults the site lists (`faults`, its lines) on one
// device: "offline, stop-at 5.00"; empty when it has none.
std::string faultWordsOn(const std::vector<std::string>& faults, forecourt::FaultDevice device, int number);
// The faults of the members `which` keeps, each as "CardQue error 1201 2".
std::vector<std::string> memberFaults(const std::vector<std::string>& faults,
                                      const std::function<bool(std::string_view member)>& which);

struct FaultMenuItem {
    std::string caption; // "Stop at an amount…"
    std::string fault;   // the fault line; its start when `ask` is set ("position 3 stop-at")
    std::string ask;     // what its value is asked as; empty when the line is whole
    bool set = false;    // the device has this fault now
};
// The faults `device` (a fault naming it: its device, number or member) can
// be given, one item each, then the item that clears its faults.
std::vector<FaultMenuItem> faultMenu(const forecourt::FaultCommand& device, const std::vector<std::string>& faults);

} // namespace vantrel::board
