// The words of a customer action, read and written in one place:
//   nozzle P lift|hang     card P [N|chip]     key P KEYS
//   cash P AMOUNT          wash [CODE]
// Scripts check a customer line with parseCustomerCommand before they run,
// the simulated site reads its actions with it, and the board builds the
// text of its buttons with customerCommandText. The parser checks the shape
// (the verb, a position 1 to 32, the words each verb takes); what the site
// takes of them (which test card, which keys an entry allows, an amount) is
// the site's to say when it acts. Plain C++ and header only, so the layers
// without Qt or the simulator use it too.
#pragma once

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel::forecourt {

enum class CustomerVerb { Nozzle, Card, Key, Cash, Wash };

// The magnetic stripe test cards the site has (customer.h lists them).
inline constexpr int kTestCardCount = 4;

struct CustomerVerbInfo {
    CustomerVerb verb;
    const char* word;
    bool atPosition;        // takes a position 1 to 32 after the word
    bool argumentRequired;  // a word after the position it cannot do without
};
inline constexpr std::array<CustomerVerbInfo, 5> kCustomerVerbs = {{
    {CustomerVerb::Nozzle, "nozzle", true, true},
    {CustomerVerb::Card, "card", true, false},
    {CustomerVerb::Key, "key", true, true},
    {CustomerVerb::Cash, "cash", true, true},
    {CustomerVerb::Wash, "wash", false, false},
}};

inline const CustomerVerbInfo& customerVerbInfo(CustomerVerb verb)
{
    return kCustomerVerbs[static_cast<std::size_t>(verb)];
}

inline std::optional<CustomerVerb> customerVerbNamed(std::string_view word)
{
    for (const auto& v : kCustomerVerbs)
        if (word == v.word)
            return v.verb;
    return std::nullopt;
}

struct CustomerCommand {
    CustomerVerb verb = CustomerVerb::Wash;
    int position = 0;     // 1..32; 0 for the wash, which has none
    std::string argument; // lift|hang; ""|N|chip; KEYS; AMOUNT; ""|CODE
    bool operator==(const CustomerCommand&) const = default;
};

struct CustomerParse {
    enum class Fault { None, Verb, Position, Argument };
    std::optional<CustomerCommand> command; // set when the text reads
    Fault fault = Fault::None;
    std::optional<CustomerVerb> verb;       // the verb read, when it was one
    std::string reason;                     // why the text does not read
    CustomerCommand partial;                // what was read before the fault (the position, the first word after it)
};

namespace customer_detail {
// The next word, split at spaces; empty at the end.
inline std::string_view nextWord(std::string_view& rest)
{
    const auto start = rest.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(start);
    const auto end = rest.find(' ');
    const std::string_view word = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
    return word;
}

inline bool digitsOnly(std::string_view word)
{
    return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A money amount as the customer and the faults write it, "20", "5.5" or
// "005.50": at most six whole digits and two of cents, above 0; in hundredths.
inline std::optional<long long> moneyHundredths(std::string_view text)
{
    const auto dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view cents = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    if (!digitsOnly(whole) || whole.size() > 6 || (dot != std::string_view::npos && (cents.size() > 2 || !digitsOnly(cents))))
        return std::nullopt;
    long long hundredths = 0;
    for (const char c : whole)
        hundredths = hundredths * 10 + (c - '0');
    hundredths *= 100;
    if (!cents.empty())
        hundredths += (cents[0] - '0') * 10 + (cents.size() > 1 ? cents[1] - '0' : 0);
    return hundredths > 0 ? std::optional<long long>(hundredths) : std::nullopt;
}

// 550 -> "5.50"
inline std::string moneyText(long long hundredths)
{
    const long long cents = hundredths % 100;
    return std::to_string(hundredths / 100) + (cents < 10 ? ".0" : ".") + std::to_string(cents);
}

// "7" or "07" -> 7; 0 for anything that is not a position 1 to 32.
inline int positionOf(std::string_view word)
{
    if (!digitsOnly(word) || word.size() > 2)
        return 0;
    const int n = word.size() == 1 ? word[0] - '0' : (word[0] - '0') * 10 + (word[1] - '0');
    return n >= 1 && n <= 32 ? n : 0;
}
} // namespace customer_detail

inline CustomerParse parseCustomerCommand(std::string_view text)
{
    using customer_detail::nextWord;
    using Fault = CustomerParse::Fault;
    CustomerParse result;
    CustomerCommand command;
    auto fail = [&](Fault fault, std::string reason) {
        result.partial = command;
        result.fault = fault;
        result.reason = std::move(reason);
        return result;
    };
    std::string_view rest = text;
    const std::string_view word = nextWord(rest);
    const auto verb = customerVerbNamed(word);
    if (!verb)
        return fail(Fault::Verb, "the customer can: nozzle, card, key, cash, wash; not \"" + std::string(word) + "\"");
    result.verb = verb;
    const CustomerVerbInfo& info = customerVerbInfo(*verb);
    command.verb = *verb;
    if (info.atPosition) {
        const std::string_view where = nextWord(rest);
        command.position = customer_detail::positionOf(where);
        if (command.position == 0)
            return fail(Fault::Position, "a position 1 to 32 is needed, not \"" + std::string(where) + "\"");
    }
    command.argument = std::string(nextWord(rest));
    if (!nextWord(rest).empty())
        return fail(Fault::Argument, "too much after \"" + std::string(word) + "\"");
    const std::string& argument = command.argument;
    switch (*verb) {
    case CustomerVerb::Nozzle:
        if (argument != "lift" && argument != "hang")
            return fail(Fault::Argument, "nozzle takes lift or hang");
        break;
    case CustomerVerb::Card:
        if (!argument.empty() && argument != "chip" &&
            (!customer_detail::digitsOnly(argument) || argument.size() > 2 || argument == "0" || argument == "00"))
            return fail(Fault::Argument,
                        "card takes a test card number 1 to " + std::to_string(kTestCardCount) + " or chip");
        break;
    case CustomerVerb::Key:
        if (argument.empty())
            return fail(Fault::Argument, "keys are digits and letters, or one of Enter, Cancel, Clear, Help; not \"\"");
        break;
    case CustomerVerb::Cash:
        if (argument.empty())
            return fail(Fault::Argument, "cash is an amount above 0 such as 20 or 5.50, not \"\"");
        break;
    case CustomerVerb::Wash: break;
    }
    result.command = std::move(command);
    return result;
}

// The text of a command: "card 7 chip", "wash", "key 7 1234".
inline std::string customerCommandText(const CustomerCommand& command)
{
    const CustomerVerbInfo& info = customerVerbInfo(command.verb);
    std::string text = info.word;
    if (info.atPosition)
        text += " " + std::to_string(command.position);
    if (!command.argument.empty())
        text += " " + command.argument;
    return text;
}

} // namespace vantrel::forecourt
