// Track data: track 2 (the card number, '=' or 'D', expiry and service
// code, discretionary digits) and track 1 ('B', the number, '^' name '^',
// expiry and service code, discretionary data). The number is masked, the
// expiry and service code stay, the discretionary data go.
#include "card_mask_parts.h"

namespace vantrel::journal::masking {

namespace {

// The longest cardholder name of track 1.
constexpr std::size_t kLongestName = 26;

// Where track 1's second '^' is, after the name that follows the first.
std::size_t secondCaret(std::string_view s, std::size_t firstCaret)
{
    for (std::size_t i = firstCaret + 1; i < s.size() && i <= firstCaret + 1 + kLongestName; ++i) {
        if (s[i] == '^')
            return i;
        if (endsLine(s[i]) || s[i] == '?' || isDigit(s[i]))
            break;
    }
    return npos;
}

} // namespace

// A month 01 to 12 in the YYMM at `at`, followed by a three-digit service code.
bool expiryAndService(std::string_view s, std::size_t at)
{
    if (s.size() - std::min(at, s.size()) < kExpiryAndService)
        return false;
    for (std::size_t k = 0; k < kExpiryAndService; ++k)
        if (!isDigit(s[at + k]))
            return false;
    const int month = (s[at + 2] - '0') * 10 + (s[at + 3] - '0');
    return month >= 1 && month <= 12;
}

// A letter before a number makes it part of a word or a hex dump, except
// the format code 'B' that begins track 1 (itself after no letter or digit).
bool trackOneStart(std::string_view s, std::size_t digitStart)
{
    return digitStart > 0 && (s[digitStart - 1] == 'B' || s[digitStart - 1] == 'b') &&
           (digitStart == 1 || !isAlnum(s[digitStart - 2]));
}

std::optional<std::size_t> maskTrack(std::string& out, std::string_view s, std::size_t start, std::size_t end)
{
    const std::size_t n = end - start;
    if (n < kShortestCard || n > kLongestCard || end >= s.size())
        return std::nullopt;
    const char sep = s[end];
    const bool trackOne = trackOneStart(s, start);
    if ((sep == '=' || sep == 'D' || sep == 'd') && (start == 0 || !isAlnum(s[start - 1]) || trackOne) &&
        expiryAndService(s, end + 1)) {
        appendMasked(out, s, start, end, n);
        out += sep;
        std::size_t i = end + 1;
        out.append(s.substr(i, kExpiryAndService));
        i += kExpiryAndService;
        // The discretionary data: digits (and field separators after '=').
        while (i < s.size() && (isDigit(s[i]) || (sep == '=' && (s[i] == '=' || s[i] == ':'))))
            ++i;
        return i;
    }
    if (sep == '^' && trackOne) {
        const std::size_t caret = secondCaret(s, end);
        if (caret == npos || !expiryAndService(s, caret + 1))
            return std::nullopt;
        appendMasked(out, s, start, end, n);
        out.append(s.substr(end, caret + 1 + kExpiryAndService - end));
        std::size_t i = caret + 1 + kExpiryAndService;
        while (i < s.size() && s[i] != '?' && s[i] != '<' && s[i] != '"' && !endsLine(s[i]))
            ++i;
        return i;
    }
    return std::nullopt;
}

} // namespace vantrel::journal::masking
