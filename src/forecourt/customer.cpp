#include "customer.h"
#include "customer_command.h"

#include "forecourt_server.h"
#include "site_bounds.h"
#include "text_helpers.h"

#include "server/records.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace vantrel::forecourt {

namespace {

constexpr std::array<TestCard, kTestCardCount> kTestCards = {{
    {"Visa", "4111111111111111", "2812"},
    {"MasterCard", "5555555555554444", "2708"},
    {"Amex", "378282246310005", "2906"},
    {"Discover", "6011111111111117", "2711"},
}};

constexpr std::array<const char*, 4> kFunctionKeys = {"Enter", "Cancel", "Clear", "Help"};

[[noreturn]] void refuse(const std::string& reason) { throw CustomerError(reason); }

int checkedPosition(const ForecourtServer& server, int position)
{
    if (position < 1 || position > FuelingPositions::kPositions)
        refuse("a position is 1 to 32, not " + std::to_string(position));
    if (!server.fueling().installed(position))
        refuse("the site has no pump at " + rec::positionText(position));
    return position;
}

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool allOf(std::string_view keys, bool (*ok)(char)) { return !keys.empty() && std::all_of(keys.begin(), keys.end(), ok); }
bool digitKey(char c) { return isAsciiDigit(c); }
bool letterKey(char c) { return isLetter(c); }
bool alphaNumericKey(char c) { return isAsciiDigit(c) || isLetter(c); }

const char* functionKey(std::string_view keys)
{
    for (const char* k : kFunctionKeys)
        if (equalsIgnoreCase(keys, k))
            return k;
    return nullptr;
}

// The key lines a waiting request in `mode` gets from `keys`.
std::string answerFor(const Reader& reader, int position, const std::string& mode, std::string_view keys, int entry)
{
    if (const char* fk = functionKey(keys))
        return std::string("FunctionKey=") + fk;
    const std::string k(keys);
    auto need = [&](bool (*ok)(char), const char* what) {
        if (!allOf(keys, ok))
            refuse("the reader waits for " + std::string(what) + " (" + mode + "), not \"" + k + "\"");
    };
    if (startsWithIgnoreCase(mode, "SecurePrompt")) {
        need(digitKey, "digits");
        const auto dot = mode.find('.');
        const std::string number = dot == std::string::npos ? std::string() : mode.substr(dot + 1);
        if (reader.screen.securePrompt && reader.screen.securePrompt->maxLength > 0 &&
            k.size() > static_cast<std::size_t>(reader.screen.securePrompt->maxLength))
            refuse("the secure prompt takes at most " + std::to_string(reader.screen.securePrompt->maxLength) + " digits");
        return "MessageNumber=" + number + "\r\nKeyData=" + k;
    }
    if (startsWithIgnoreCase(mode, "DESEncryption")) {
        need(digitKey, "a PIN");
        return "PINBlock=" + KeyEntrySimulator::pinBlock(position, entry, k);
    }
    if (equalsIgnoreCase(mode, "AnyKey")) {
        if (k.size() != 1 || !alphaNumericKey(k[0]))
            refuse("the reader waits for one key (AnyKey), not \"" + k + "\"");
        return "KeyData=" + k;
    }
    if (equalsIgnoreCase(mode, "AlphaOnly"))
        need(letterKey, "letters");
    else if (equalsIgnoreCase(mode, "AlphaAndNumeric"))
        need(alphaNumericKey, "letters and digits");
    else
        need(digitKey, "digits"); // the numeric modes and AlphaWithNumericOnly
    return "KeyData=" + k;
}

} // namespace

std::span<const TestCard> testCards() { return kTestCards; }
std::span<const char* const> functionKeys() { return kFunctionKeys; }

void liftNozzle(ForecourtServer& server, int position)
{
    server.fueling().liftNozzle(checkedPosition(server, position));
    server.noteChange();
}

void hangNozzle(ForecourtServer& server, int position)
{
    server.fueling().hangNozzle(checkedPosition(server, position));
    server.noteChange();
}

void insertCard(ForecourtServer& server, int position, int card)
{
    Reader& reader = server.readers().reader(checkedPosition(server, position));
    if (card == kChipCard) {
        if (!reader.emv.chipReaderEnabled)
            refuse("the chip reader at " + rec::positionText(position) + " is disabled (ReaderControl enables it)");
        insertChipCard(reader, position, server.readers().declinesCards(position));
    } else {
        if (card < 1 || card > static_cast<int>(kTestCards.size()))
            refuse("the test cards are 1 to " + std::to_string(kTestCards.size()) + " and chip");
        const TestCard& c = kTestCards[static_cast<std::size_t>(card - 1)];
        std::string entry;
        addLine(entry, "ReaderPosition", rec::positionText(position));
        addLine(entry, "CardType", c.type);
        addLine(entry, "Track2", std::string(";") + c.pan + "=" + c.expiry + "1010000000000000?");
        if (server.readers().declinesCards(position))
            addLine(entry, "CardStatus", "Declined"); // read, but declined (a fault)
        reader.enqueue(QueueKind::Card, std::move(entry));
    }
    server.noteChange();
}

void pressKeys(ForecourtServer& server, int position, std::string_view keys)
{
    ReaderTerminals& readers = server.readers();
    readers.catchUpNow(); // a request whose time has come was answered already
    Reader& reader = readers.reader(checkedPosition(server, position));
    if (!functionKey(keys) && !allOf(keys, alphaNumericKey))
        refuse("keys are digits and letters, or one of Enter, Cancel, Clear, Help; not \"" + std::string(keys) + "\"");
    std::string entry = "ReaderPosition=" + rec::positionText(position) + "\r\n";
    if (readers.keyEntries().pendingAt(position)) {
        entry += "EntryMode=" + reader.entryMode + "\r\n" + answerFor(reader, position, reader.entryMode, keys, reader.keyEntries + 1);
        readers.keyEntries().withdraw(position);
        ++reader.keyEntries;
    } else if (const char* fk = functionKey(keys)) {
        entry += std::string("FunctionKey=") + fk;
    } else {
        entry += "KeyData=" + std::string(keys);
    }
    reader.enqueue(QueueKind::Key, std::move(entry));
    server.noteChange();
}

void insertCash(ForecourtServer& server, int position, std::string_view amount)
{
    Reader& reader = server.readers().reader(checkedPosition(server, position));
    const auto hundredths = customer_detail::moneyHundredths(amount);
    if (!hundredths)
        refuse("cash is an amount above 0 such as 20 or 5.50, not \"" + std::string(amount) + "\"");
    reader.enqueue(QueueKind::Cash, "ReaderPosition=" + rec::positionText(position) + "\r\nCashAmount=" + customer_detail::moneyText(*hundredths));
    server.noteChange();
}

std::string enterWashCode(ForecourtServer& server, std::string_view code)
{
    CarWash& wash = server.carWash();
    if (wash.outOfOrder())
        refuse("the car wash is out of order");
    const std::string chosen = code.empty() ? wash.firstUnusedCode() : std::string(code);
    if (chosen.empty())
        refuse("the car wash has issued no unused code");
    if (wash.isWashing())
        refuse("the bay is still washing");
    if (!wash.enterCode(chosen))
        refuse("the bay does not take the code " + chosen + " (unknown, used or cancelled)");
    server.noteChange();
    return chosen;
}

std::string actAsCustomer(ForecourtServer& server, std::string_view action)
{
    if (action.size() > kLongestCustomerAction)
        refuse("an action is at most " + groupedNumber(kLongestCustomerAction) + " characters, not " +
               groupedNumber(action.size()));
    const CustomerParse parsed = parseCustomerCommand(action);
    if (!parsed.command)
        refuse(parsed.reason);
    const CustomerCommand& c = *parsed.command;
    const std::string where = " at " + rec::positionText(c.position);
    switch (c.verb) {
    case CustomerVerb::Wash: return "wash code " + enterWashCode(server, c.argument) + " entered";
    case CustomerVerb::Nozzle:
        if (c.argument == "lift")
            liftNozzle(server, c.position);
        else
            hangNozzle(server, c.position);
        return "nozzle " + c.argument + where;
    case CustomerVerb::Card: {
        const int card = c.argument == "chip" ? kChipCard : c.argument.empty() ? 1 : std::stoi(c.argument);
        insertCard(server, c.position, card);
        return std::string("card ") + (card == kChipCard ? "chip" : kTestCards[static_cast<std::size_t>(card - 1)].type) + where;
    }
    case CustomerVerb::Key: pressKeys(server, c.position, c.argument); return "keys " + c.argument + where;
    case CustomerVerb::Cash: insertCash(server, c.position, c.argument); return "cash " + c.argument + where;
    }
    refuse("the customer can: nozzle, card, key, cash, wash");
}

} // namespace vantrel::forecourt
