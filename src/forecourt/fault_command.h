// The words of a fault of the simulated site, read and written in one place:
//   position P offline|stall|stop-at AMOUNT|error NUMBER
//   reader P offline|paper-out|jam|decline
//   tank T low|water
//   wash out-of-order
//   member MEMBER error NUMBER [COUNT]|slow MS
//   clear [position P|reader P|tank T|wash|member MEMBER]
// Scripts check a fault line with parseFaultCommand before they run, the
// simulated site reads its faults with it (and says which member it has),
// the board builds its menus with faultCommandText and reads back what
// ReadSite lists. The parser checks the shape: the device word, a position
// 1 to 32 or a tank 1 to kMostTanks, the fault words each device takes and
// their numbers. Plain C++ and header only, like customer_command.h.
#pragma once

#include "customer_command.h"
#include "site_bounds.h"

#include "server/ascii_text.h"

#include <array>
#include <charconv>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vantrel::forecourt {

// The site refused a fault; what() says why.
class FaultError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The tanks of the site when no site file says otherwise (tank_monitor.cpp
// lists them); whether a site has a tank is the site's to say.
inline constexpr int kTankCount = 3;
// The bounds of a fault's numbers.
inline constexpr long long kHighestFaultError = 99999;   // error NUMBER
inline constexpr long long kMostFailingCalls = 1000000;  // member ... error NUMBER COUNT
inline constexpr long long kSlowestAnswerMs = 60000;     // member ... slow MS

// Site: what `clear` alone clears, every fault.
enum class FaultDevice { Position, Reader, Tank, Wash, Member, Site };

struct FaultDeviceInfo {
    FaultDevice device;
    const char* word;
    int highest; // numbered 1..highest; 0: no number; -1: a member name
};
inline constexpr std::array<FaultDeviceInfo, 5> kFaultDevices = {{
    {FaultDevice::Position, "position", 32},
    {FaultDevice::Reader, "reader", 32},
    {FaultDevice::Tank, "tank", kMostTanks},
    {FaultDevice::Wash, "wash", 0},
    {FaultDevice::Member, "member", -1},
}};

enum class FaultKind { Offline, Stall, StopAt, Error, PaperOut, Jam, Decline, Low, Water, OutOfOrder, Slow, Clear };

// What follows a fault's word.
enum class FaultValue { None, Amount, Number, NumberAndCount, Milliseconds };

struct FaultKindInfo {
    FaultDevice device;
    FaultKind kind;
    const char* word;
    FaultValue value;
};
// Every fault a device can have, in the order the site lists them.
inline constexpr std::array<FaultKindInfo, 13> kFaultKinds = {{
    {FaultDevice::Position, FaultKind::Offline, "offline", FaultValue::None},
    {FaultDevice::Position, FaultKind::Stall, "stall", FaultValue::None},
    {FaultDevice::Position, FaultKind::StopAt, "stop-at", FaultValue::Amount},
    {FaultDevice::Position, FaultKind::Error, "error", FaultValue::Number},
    {FaultDevice::Reader, FaultKind::Offline, "offline", FaultValue::None},
    {FaultDevice::Reader, FaultKind::PaperOut, "paper-out", FaultValue::None},
    {FaultDevice::Reader, FaultKind::Jam, "jam", FaultValue::None},
    {FaultDevice::Reader, FaultKind::Decline, "decline", FaultValue::None},
    {FaultDevice::Tank, FaultKind::Low, "low", FaultValue::None},
    {FaultDevice::Tank, FaultKind::Water, "water", FaultValue::None},
    {FaultDevice::Wash, FaultKind::OutOfOrder, "out-of-order", FaultValue::None},
    {FaultDevice::Member, FaultKind::Error, "error", FaultValue::NumberAndCount},
    {FaultDevice::Member, FaultKind::Slow, "slow", FaultValue::Milliseconds},
}};

inline const FaultDeviceInfo* faultDeviceInfo(FaultDevice device)
{
    for (const auto& d : kFaultDevices)
        if (d.device == device)
            return &d;
    return nullptr;
}

inline const FaultKindInfo* faultKindInfo(FaultDevice device, FaultKind kind)
{
    for (const auto& k : kFaultKinds)
        if (k.device == device && k.kind == kind)
            return &k;
    return nullptr;
}

struct FaultCommand {
    FaultKind kind = FaultKind::Clear;
    FaultDevice device = FaultDevice::Site;
    int number = 0;       // position, reader or tank; 0 for the others
    std::string member;   // member faults, and clear member
    long long value = 0;  // stop-at: hundredths; error: its number; slow: milliseconds
    long long count = 0;  // member error: the calls that fail, 0 for every one
    bool operator==(const FaultCommand&) const = default;
};

struct FaultParse {
    std::optional<FaultCommand> command; // set when the text reads
    std::string reason;                  // why it does not
};

namespace fault_detail {
using customer_detail::digitsOnly;
using customer_detail::nextWord;

// A whole number 1..highest, or nothing.
inline std::optional<long long> wholeNumber(std::string_view word, long long highest)
{
    long long n = 0;
    if (!digitsOnly(word) || word.size() > 12)
        return std::nullopt;
    std::from_chars(word.data(), word.data() + word.size(), n);
    return n >= 1 && n <= highest ? std::optional<long long>(n) : std::nullopt;
}

inline std::string quoted(std::string_view word) { return "\"" + std::string(word) + "\""; }

// "position takes offline, stall, stop-at AMOUNT or error NUMBER"
inline std::string wordsOf(FaultDevice device)
{
    std::string list;
    std::size_t left = 0;
    for (const auto& k : kFaultKinds)
        left += k.device == device;
    for (const auto& k : kFaultKinds) {
        if (k.device != device)
            continue;
        --left;
        list += k.word;
        switch (k.value) {
        case FaultValue::None: break;
        case FaultValue::Amount: list += " AMOUNT"; break;
        case FaultValue::Number: list += " NUMBER"; break;
        case FaultValue::NumberAndCount: list += " NUMBER [COUNT]"; break;
        case FaultValue::Milliseconds: list += " MS"; break;
        }
        list += left == 0 ? "" : left == 1 ? " or " : ", ";
    }
    return std::string(faultDeviceInfo(device)->word) + " takes " + list;
}

// Reads the device and its number or member name; the reason when they do not read.
inline std::optional<std::string> readTarget(std::string_view word, std::string_view& rest, FaultCommand& c)
{
    const FaultDeviceInfo* info = nullptr;
    for (const auto& d : kFaultDevices)
        if (word == d.word)
            info = &d;
    if (!info)
        return "a fault is set on position, reader, tank, wash or member, or cleared with clear; not " + quoted(word);
    c.device = info->device;
    if (info->highest == 0)
        return std::nullopt;
    const std::string_view which = nextWord(rest);
    if (info->highest < 0) {
        if (!isMemberName(which))
            return "a member name (letters, digits and _) is needed, not " + quoted(which);
        c.member = std::string(which);
        return std::nullopt;
    }
    const auto n = which.size() <= 2 ? wholeNumber(which, info->highest) : std::nullopt;
    if (!n)
        return "a " + std::string(info->word) + " 1 to " + std::to_string(info->highest) + " is needed, not " + quoted(which);
    c.number = static_cast<int>(*n);
    return std::nullopt;
}

// Reads what follows the fault's word; the reason when it does not read.
inline std::optional<std::string> readValue(const FaultKindInfo& k, std::string_view& rest, FaultCommand& c)
{
    const std::string word = k.word;
    if (k.value == FaultValue::None)
        return std::nullopt;
    const std::string_view given = nextWord(rest);
    switch (k.value) {
    case FaultValue::None: break;
    case FaultValue::Amount: {
        const auto hundredths = customer_detail::moneyHundredths(given);
        if (!hundredths)
            return word + " takes an amount above 0 such as 5 or 12.50, not " + quoted(given);
        c.value = *hundredths;
        return std::nullopt;
    }
    case FaultValue::Number:
    case FaultValue::NumberAndCount: {
        const auto number = wholeNumber(given, kHighestFaultError);
        if (!number)
            return word + " takes an error number 1 to " + std::to_string(kHighestFaultError) + ", not " + quoted(given);
        c.value = *number;
        if (k.value == FaultValue::Number)
            return std::nullopt;
        const std::string_view count = nextWord(rest);
        if (count.empty())
            return std::nullopt;
        const auto calls = wholeNumber(count, kMostFailingCalls);
        if (!calls)
            return "the count is a number of calls 1 to " + std::to_string(kMostFailingCalls) + ", not " + quoted(count);
        c.count = *calls;
        return std::nullopt;
    }
    case FaultValue::Milliseconds: {
        const auto ms = wholeNumber(given, kSlowestAnswerMs);
        if (!ms)
            return word + " takes milliseconds 1 to " + std::to_string(kSlowestAnswerMs) + ", not " + quoted(given);
        c.value = *ms;
        return std::nullopt;
    }
    }
    return std::nullopt;
}
} // namespace fault_detail

inline FaultParse parseFaultCommand(std::string_view text)
{
    using fault_detail::nextWord;
    using fault_detail::quoted;
    FaultParse result;
    FaultCommand c;
    std::string_view rest = text;
    const std::string_view first = nextWord(rest);
    auto fail = [&](std::string reason) {
        result.reason = std::move(reason);
        return result;
    };
    if (first == "clear") {
        const std::string_view device = nextWord(rest);
        if (!device.empty())
            if (auto why = fault_detail::readTarget(device, rest, c))
                return fail("clear takes position P, reader P, tank T, wash or member MEMBER, or nothing; " + *why);
    } else {
        if (auto why = fault_detail::readTarget(first, rest, c))
            return fail(*why);
        const std::string_view word = nextWord(rest);
        const FaultKindInfo* kind = nullptr;
        for (const auto& k : kFaultKinds)
            if (k.device == c.device && word == k.word)
                kind = &k;
        if (!kind)
            return fail(fault_detail::wordsOf(c.device) + "; not " + quoted(word));
        c.kind = kind->kind;
        if (auto why = fault_detail::readValue(*kind, rest, c))
            return fail(*why);
    }
    if (const std::string_view more = nextWord(rest); !more.empty())
        return fail("too much: " + quoted(more) + " follows the fault");
    result.command = std::move(c);
    return result;
}

// "position 3", "wash", "member CardQue": the device as the fault lines name it.
inline std::string faultTargetText(const FaultCommand& c)
{
    const FaultDeviceInfo* info = faultDeviceInfo(c.device);
    if (!info)
        return {};
    std::string text = info->word;
    if (info->highest > 0)
        text += " " + std::to_string(c.number);
    else if (info->highest < 0)
        text += " " + c.member;
    return text;
}

// "offline", "stop-at 5.00", "error 1201 2": the fault's own words.
inline std::string faultWords(const FaultCommand& c)
{
    const FaultKindInfo* info = faultKindInfo(c.device, c.kind);
    if (!info)
        return {};
    std::string text = info->word;
    switch (info->value) {
    case FaultValue::None: break;
    case FaultValue::Amount: text += " " + customer_detail::moneyText(c.value); break;
    case FaultValue::Number:
    case FaultValue::Milliseconds: text += " " + std::to_string(c.value); break;
    case FaultValue::NumberAndCount:
        text += " " + std::to_string(c.value) + (c.count > 0 ? " " + std::to_string(c.count) : std::string());
        break;
    }
    return text;
}

// The text of a fault, as parseFaultCommand reads it: "position 3 stop-at 5.00", "clear tank 2".
inline std::string faultCommandText(const FaultCommand& c)
{
    if (c.kind == FaultKind::Clear)
        return c.device == FaultDevice::Site ? std::string("clear") : "clear " + faultTargetText(c);
    return faultTargetText(c) + " " + faultWords(c);
}

} // namespace vantrel::forecourt
