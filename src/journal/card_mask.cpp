#include "card_mask.h"

#include <algorithm>
#include <array>
#include <vector>

namespace vantrel::journal {

namespace {

constexpr std::size_t kShortestCard = 13, kLongestCard = 19;
constexpr std::size_t kKeptFirst = 6, kKeptLast = 4;
// Expiry date (YYMM) and service code: kept after a track's separator.
constexpr std::size_t kExpiryAndService = 7;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool endsLine(char c) { return c == '\r' || c == '\n' || c == '\0'; }

// A run of digits with single blanks or dashes between them, from `start`.
struct DigitRun {
    std::size_t start = 0, end = 0; // bytes [start, end)
    std::vector<std::size_t> digits; // where each digit is
};

DigitRun runAt(std::string_view s, std::size_t start)
{
    DigitRun run{start, start, {}};
    std::size_t i = start;
    while (i < s.size() && isDigit(s[i])) {
        run.digits.push_back(i);
        run.end = ++i;
        if (i + 1 < s.size() && (s[i] == ' ' || s[i] == '-') && isDigit(s[i + 1]))
            ++i;
    }
    return run;
}

// The card numbers in a run, into `masked` (the run's bytes). A run is
// groups of digits split by a blank or a dash; a card number is one or more
// whole groups in a row, so that a number written beside another ("01
// 4111111111111111") is found as well as one written in groups. True when a
// card number ends the run.
bool maskCards(std::string_view s, const DigitRun& run, std::string& masked)
{
    std::vector<std::pair<std::size_t, std::size_t>> groups; // [first, last] digit indexes
    for (std::size_t k = 0; k < run.digits.size(); ++k) {
        if (k == 0 || run.digits[k] != run.digits[k - 1] + 1)
            groups.emplace_back(k, k);
        else
            groups.back().second = k;
    }
    bool atEnd = false;
    for (std::size_t a = 0; a < groups.size();) {
        std::size_t found = groups.size();
        std::string digits;
        for (std::size_t b = a; b < groups.size(); ++b) {
            for (std::size_t k = groups[b].first; k <= groups[b].second; ++k)
                digits += s[run.digits[k]];
            if (digits.size() > kLongestCard)
                break;
            // No card number begins with 0; zero-filled fields are no card numbers.
            if (digits.size() >= kShortestCard && digits.front() != '0' && luhnValid(digits))
                found = b; // the longest card number from group a on
        }
        if (found == groups.size()) {
            ++a;
            continue;
        }
        const std::size_t first = groups[a].first, last = groups[found].second;
        for (std::size_t k = first + kKeptFirst; k + kKeptLast <= last; ++k)
            masked[run.digits[k] - run.start] = '*';
        atEnd = found + 1 == groups.size();
        a = found + 1;
    }
    return atEnd;
}

// Removes a track's discretionary data that starts after `separator`:
// the expiry date and service code stay, the rest up to '?' or the line's
// end goes. Returns where scanning goes on.
std::size_t dropDiscretionary(std::string& out, std::string_view s, std::size_t separator)
{
    std::size_t i = separator + 1;
    std::size_t kept = 0;
    while (i < s.size() && kept < kExpiryAndService && isDigit(s[i])) {
        out += s[i++];
        ++kept;
    }
    while (i < s.size() && s[i] != '?' && !endsLine(s[i]))
        ++i;
    return i;
}

// Track 1 after the card number: '^' name '^' then the expiry date. The
// name holds at most 26 characters and no digit; anything else is no track,
// and its bytes are scanned like any others.
std::size_t secondCaret(std::string_view s, std::size_t firstCaret)
{
    constexpr std::size_t kLongestName = 26;
    for (std::size_t i = firstCaret + 1; i < s.size() && i <= firstCaret + 1 + kLongestName; ++i) {
        if (s[i] == '^')
            return i;
        if (endsLine(s[i]) || s[i] == '?' || isDigit(s[i]))
            break;
    }
    return std::string_view::npos;
}

std::string_view lineValue(std::string_view s, std::size_t valueStart)
{
    std::size_t end = valueStart;
    while (end < s.size() && !endsLine(s[end]))
        ++end;
    return s.substr(valueStart, end - valueStart);
}

bool startsLine(std::string_view s, std::size_t at) { return at == 0 || endsLine(s[at - 1]); }

bool iequalsPrefix(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

bool icontains(std::string_view text, std::string_view word)
{
    for (std::size_t i = 0; i + word.size() <= text.size(); ++i)
        if (iequalsPrefix(text.substr(i), word))
            return true;
    return false;
}

// A key entry in a mode whose keys are a PIN: no echo, encrypted, or a secure prompt.
bool pinEntry(std::string_view bytes)
{
    for (std::size_t at = bytes.find("EntryMode="); at != std::string_view::npos; at = bytes.find("EntryMode=", at + 1)) {
        if (!startsLine(bytes, at))
            continue;
        const std::string_view mode = lineValue(bytes, at + 10);
        if (icontains(mode, "WithOutEcho") || icontains(mode, "DESEncryption") || iequalsPrefix(mode, "SecurePrompt"))
            return true;
    }
    return false;
}

// Removes the values of PINBlock= lines, and of KeyData= lines in a PIN entry.
std::string dropPins(std::string_view bytes)
{
    const bool pin = pinEntry(bytes);
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (startsLine(bytes, i)) {
            for (std::string_view key : {std::string_view("PINBlock="), std::string_view("KeyData=")}) {
                if (bytes.substr(i, key.size()) != key || (key == "KeyData=" && !pin))
                    continue;
                out += key;
                i += key.size();
                while (i < bytes.size() && !endsLine(bytes[i]))
                    ++i;
                break;
            }
            if (i >= bytes.size())
                break;
        }
        out += bytes[i++];
    }
    return out;
}

} // namespace

bool luhnValid(std::string_view digits)
{
    if (digits.empty())
        return false;
    int sum = 0;
    bool twice = false;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (!isDigit(*it))
            return false;
        int d = *it - '0';
        if (twice && (d *= 2) > 9)
            d -= 9;
        sum += d;
        twice = !twice;
    }
    return sum % 10 == 0;
}

std::string maskCardData(std::string_view input)
{
    const std::string pinless = dropPins(input);
    const std::string_view s = pinless;
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        // A digit run starts only where no digit stands before it.
        if (!isDigit(s[i]) || (i > 0 && isDigit(s[i - 1]))) {
            out += s[i++];
            continue;
        }
        const DigitRun run = runAt(s, i);
        std::string masked(s.substr(run.start, run.end - run.start));
        const bool cardAtEnd = maskCards(s, run, masked);
        out += masked;
        i = run.end;
        if (!cardAtEnd)
            continue;
        // Track 2: card number '=' expiry, service code, discretionary data.
        if (i < s.size() && s[i] == '=') {
            out += '=';
            i = dropDiscretionary(out, s, i);
            continue;
        }
        // Track 1: 'B' card number '^' name '^' expiry, service code, discretionary data.
        if (i < s.size() && s[i] == '^' && run.start > 0 && s[run.start - 1] == 'B') {
            const auto caret = secondCaret(s, i);
            if (caret != std::string_view::npos) {
                out.append(s.substr(i, caret + 1 - i));
                i = dropDiscretionary(out, s, caret);
            }
        }
    }
    return out;
}

bool holdsCardData(std::string_view bytes) { return maskCardData(bytes) != bytes; }

void CardMasker::noteSent(std::string_view, std::string_view) {}

std::string CardMasker::mask(std::string_view bytes) const { return maskCardData(bytes); }

} // namespace vantrel::journal
