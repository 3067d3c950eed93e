#include "card_mask.h"

#include <algorithm>
#include <functional>
#include <optional>

namespace vantrel::journal {

namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr std::size_t kShortestCard = 12, kLongestCard = 19;
constexpr std::size_t kKeptFirst = 6, kKeptLast = 4;
// Expiry date (YYMM) and service code: kept after a track's separator.
constexpr std::size_t kExpiryAndService = 7;
// The longest cardholder name of track 1.
constexpr std::size_t kLongestName = 26;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isAlnum(char c) { return isDigit(c) || isLetter(c); }
bool isHex(char c) { return isDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool endsLine(char c) { return c == '\r' || c == '\n' || c == '\0'; }
constexpr auto lower = asciiLower;
int hexValue(char c) { return isDigit(c) ? c - '0' : lower(c) - 'a' + 10; }

// True when `s` holds `word` at `at`, in any case.
constexpr auto iequalsAt = equalsIgnoreCaseAt;

bool icontains(std::string_view text, std::string_view word)
{
    for (std::size_t i = 0; i + word.size() <= text.size(); ++i)
        if (iequalsAt(text, i, word))
            return true;
    return false;
}

bool startsLine(std::string_view s, std::size_t at) { return at == 0 || endsLine(s[at - 1]); }

std::size_t lineEnd(std::string_view s, std::size_t from)
{
    while (from < s.size() && !endsLine(s[from]))
        ++from;
    return from;
}

std::size_t skipBlanks(std::string_view s, std::size_t from)
{
    while (from < s.size() && isBlank(s[from]))
        ++from;
    return from;
}

// ---------------------------------------------------------------- card numbers

constexpr std::uint32_t lengths(std::size_t shortest, std::size_t longest)
{
    std::uint32_t mask = 0;
    for (std::size_t n = shortest; n <= longest; ++n)
        mask |= 1u << n;
    return mask;
}
constexpr std::uint32_t length(std::size_t n) { return 1u << n; }

// Issuer prefixes: a card number whose first digits lie in [low, high] (as
// many digits as `low` has) and whose length is one of `lengths`.
struct IssuerRange {
    std::string_view low, high;
    std::uint32_t lengths;
};
constexpr IssuerRange kIssuers[] = {
    {"4", "4", length(13) | length(16) | length(19)},                                  // Visa
    {"51", "55", length(16)},          {"2221", "2720", length(16)},                   // Mastercard
    {"34", "34", length(15)},          {"37", "37", length(15)},                       // American Express
    {"6011", "6011", lengths(16, 19)}, {"644", "649", lengths(16, 19)}, {"65", "65", lengths(16, 19)}, // Discover
    {"3528", "3589", lengths(16, 19)},                                                 // JCB
    {"300", "305", lengths(14, 19)},   {"3095", "3095", lengths(14, 19)},              // Diners Club
    {"36", "36", lengths(14, 19)},     {"38", "39", lengths(14, 19)},
    {"50", "50", lengths(12, 19)},     {"56", "58", lengths(12, 19)},                  // Maestro
    {"6304", "6304", lengths(12, 19)}, {"6759", "6759", lengths(12, 19)}, {"6761", "6763", lengths(12, 19)},
    {"62", "62", lengths(16, 19)},     {"8100", "8171", lengths(16, 19)},              // UnionPay
    {"2200", "2204", lengths(16, 19)},                                                 // Mir
    {"60", "60", length(16)},          {"6521", "6522", length(16)},                   // RuPay
    {"7", "7", lengths(16, 19)},       {"690046", "690046", lengths(16, 19)},          // petroleum and fleet cards
};

// The groupings cards are printed in, with one kind of separator between the groups.
constexpr std::array<std::array<unsigned char, 5>, 12> kGroupings = {{
    {4, 4, 4, 4}, {4, 6, 5}, {4, 6, 4}, {4, 4, 5}, {4, 4, 4, 4, 3}, {4, 4, 4},
    {4, 4, 4, 1}, {4, 4, 4, 2}, {4, 4, 4, 3}, {4, 4, 4, 4, 1}, {4, 4, 4, 4, 2}, {5, 5, 5, 4},
}};
constexpr std::size_t kMostGroups = 5;

bool issued(std::string_view digits)
{
    for (const auto& r : kIssuers) {
        if (!(r.lengths & length(digits.size())))
            continue;
        const std::string_view prefix = digits.substr(0, r.low.size());
        if (prefix >= r.low && prefix <= r.high)
            return true;
    }
    return false;
}

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

// Appends the card number's digits from `s[from, to)` masked: the first six
// and the last four digits stay, the others become '*', separators stay.
void appendMasked(std::string& out, std::string_view s, std::size_t from, std::size_t to, std::size_t digits)
{
    std::size_t k = 0;
    for (std::size_t i = from; i < to; ++i) {
        if (!isDigit(s[i])) {
            out += s[i];
            continue;
        }
        out += k >= kKeptFirst && k + kKeptLast < digits ? '*' : s[i];
        ++k;
    }
}

// A letter before a number makes it part of a word or a hex dump, except
// the format code 'B' that begins track 1 (itself after no letter or digit).
bool trackOneStart(std::string_view s, std::size_t digitStart)
{
    return digitStart > 0 && (s[digitStart - 1] == 'B' || s[digitStart - 1] == 'b') &&
           (digitStart == 1 || !isAlnum(s[digitStart - 2]));
}

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

struct Group {
    std::size_t start, end; // digits [start, end)
};

// Masks the card numbers and track data of `s`.
class PanScanner {
public:
    explicit PanScanner(std::string_view s) : m_s(s) { m_out.reserve(s.size()); }

    std::string run()
    {
        const std::string_view s = m_s;
        std::size_t i = 0;
        while (i < s.size()) {
            if (!isDigit(s[i]) || (i > 0 && isDigit(s[i - 1]))) {
                m_out += s[i++];
                continue;
            }
            std::size_t end = i;
            while (end < s.size() && isDigit(s[end]))
                ++end;
            if (const auto next = track(i, end)) {
                i = *next;
                continue;
            }
            if (const auto next = grouped(i)) {
                i = *next;
                continue;
            }
            m_out.append(s.substr(i, end - i));
            i = end;
        }
        return std::move(m_out);
    }

private:
    // Track data whose card number is the digits [start, end): where scanning goes on.
    std::optional<std::size_t> track(std::size_t start, std::size_t end)
    {
        const std::string_view s = m_s;
        const std::size_t n = end - start;
        if (n < kShortestCard || n > kLongestCard || end >= s.size())
            return std::nullopt;
        const char sep = s[end];
        const bool trackOne = trackOneStart(s, start);
        if ((sep == '=' || sep == 'D' || sep == 'd') && (start == 0 || !isAlnum(s[start - 1]) || trackOne) &&
            expiryAndService(s, end + 1)) {
            appendMasked(m_out, s, start, end, n);
            m_out += sep;
            std::size_t i = end + 1;
            m_out.append(s.substr(i, kExpiryAndService));
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
            appendMasked(m_out, s, start, end, n);
            m_out.append(s.substr(end, caret + 1 + kExpiryAndService - end));
            std::size_t i = caret + 1 + kExpiryAndService;
            while (i < s.size() && s[i] != '?' && s[i] != '<' && s[i] != '"' && !endsLine(s[i]))
                ++i;
            return i;
        }
        return std::nullopt;
    }

    // Up to kMostGroups digit groups from `start`, split by one kind of
    // separator; a group longer than a card number ends the list.
    std::size_t groupsFrom(std::size_t start, std::array<Group, kMostGroups>& groups) const
    {
        const std::string_view s = m_s;
        std::size_t count = 0;
        char separator = 0;
        std::size_t i = start;
        while (count < kMostGroups) {
            std::size_t end = i;
            while (end < s.size() && isDigit(s[end]) && end - i <= kLongestCard)
                ++end;
            if (end - i > kLongestCard)
                break;
            groups[count++] = {i, end};
            if (end + 1 >= s.size() || !(s[end] == ' ' || s[end] == '-') || !isDigit(s[end + 1]) ||
                (separator && s[end] != separator))
                break;
            separator = s[end];
            i = end + 1;
        }
        return count;
    }

    // A card number from the digit group at `start`, in one run or in
    // groups: where scanning goes on. The longest that fits is taken.
    std::optional<std::size_t> grouped(std::size_t start)
    {
        const std::string_view s = m_s;
        if (start > 0 && isLetter(s[start - 1]) && !trackOneStart(s, start))
            return std::nullopt;
        // A card number begins with a group of four or five digits, or is one run.
        std::size_t first = start;
        while (first < s.size() && isDigit(s[first]) && first - start <= kLongestCard)
            ++first;
        const std::size_t firstSize = first - start;
        if (firstSize != 4 && firstSize != 5 && (firstSize < kShortestCard || firstSize > kLongestCard))
            return std::nullopt;
        std::array<Group, kMostGroups> groups{};
        const std::size_t count = groupsFrom(start, groups);
        std::array<char, kLongestCard> buffer{};
        std::size_t size = 0;
        std::optional<std::size_t> found; // the last group of the card number
        for (std::size_t g = 0; g < count; ++g) {
            const std::size_t n = groups[g].end - groups[g].start;
            if (size + n > kLongestCard)
                break;
            s.copy(buffer.data() + size, n, groups[g].start);
            size += n;
            const std::string_view digits(buffer.data(), size);
            if (!fitsGrouping(groups, g + 1))
                continue;
            const std::size_t after = groups[g].end;
            if (after < s.size() && isLetter(s[after]))
                continue;
            if (cardNumber(digits))
                found = g;
        }
        if (!found)
            return std::nullopt;
        const std::size_t end = groups[*found].end;
        std::size_t n = 0;
        for (std::size_t g = 0; g <= *found; ++g)
            n += groups[g].end - groups[g].start;
        appendMasked(m_out, s, start, end, n);
        return end;
    }

    // One group is a number in one run; more must be printed as cards are.
    static bool fitsGrouping(const std::array<Group, kMostGroups>& groups, std::size_t count)
    {
        if (count == 1)
            return true;
        for (const auto& grouping : kGroupings) {
            std::size_t g = 0;
            while (g < count && grouping[g] == groups[g].end - groups[g].start)
                ++g;
            if (g == count && (count == grouping.size() || grouping[count] == 0))
                return true;
        }
        return false;
    }

    std::string_view m_s;
    std::string m_out;
};

// ---------------------------------------------------------------- EMV data in hex text

// Reads bytes written as hex text, compact or with one blank before each byte.
struct HexBytes {
    std::string_view s;
    bool spaced;
    std::size_t at;
    // The positions of the byte's two hex digits, or nothing.
    bool next(std::size_t& high)
    {
        std::size_t i = at;
        if (spaced) {
            if (i >= s.size() || s[i] != ' ')
                return false;
            ++i;
        }
        if (i + 1 >= s.size() || !isHex(s[i]) || !isHex(s[i + 1]))
            return false;
        high = i;
        at = i + 2;
        return true;
    }
};

enum class TagKind { Pan, Track2 };

// The EMV tag at `i`, if one is: its kind, where it ends, whether its bytes are spaced.
bool emvTag(std::string_view s, std::size_t i, TagKind& kind, std::size_t& end, bool& spaced)
{
    if (iequalsAt(s, i, "5A")) {
        kind = TagKind::Pan;
        end = i + 2;
    } else if (iequalsAt(s, i, "57")) {
        kind = TagKind::Track2;
        end = i + 2;
    } else if (iequalsAt(s, i, "9F6B")) {
        kind = TagKind::Track2;
        end = i + 4;
    } else if (iequalsAt(s, i, "9F 6B")) {
        kind = TagKind::Track2;
        end = i + 5;
    } else {
        return false;
    }
    spaced = end < s.size() && s[end] == ' ';
    if (end - i == 5 && !spaced)
        return false;
    // Spaced bytes stand between blanks: a tag inside a longer hex word is none.
    return !spaced || i == 0 || !isHex(s[i - 1]);
}

// Masks, in place, the card data of the EMV tag at `i`: where scanning goes on.
std::size_t maskEmvTag(std::string& s, std::size_t i)
{
    TagKind kind{};
    std::size_t tagEnd = 0;
    bool spaced = false;
    if (!emvTag(s, i, kind, tagEnd, spaced))
        return i + 1;
    HexBytes bytes{s, spaced, tagEnd};
    std::size_t high = 0;
    if (!bytes.next(high))
        return i + 1;
    const int size = hexValue(s[high]) * 16 + hexValue(s[high + 1]);
    const int smallest = kind == TagKind::Pan ? 6 : 8, largest = kind == TagKind::Pan ? 10 : 19;
    if (size < smallest || size > largest)
        return i + 1;
    std::array<std::size_t, 2 * 19> nibbles{};
    const std::size_t count = static_cast<std::size_t>(2 * size);
    for (std::size_t k = 0; k < count; k += 2) {
        if (!bytes.next(high))
            return i + 1;
        nibbles[k] = high;
        nibbles[k + 1] = high + 1;
    }
    if (spaced && bytes.at < s.size() && isHex(s[bytes.at]))
        return i + 1;
    // The card number's digits, then (track 2 equivalent data) 'D', expiry,
    // service code and discretionary digits, padded with one 'F'.
    std::size_t k = 0;
    while (k < count && isDigit(s[nibbles[k]]))
        ++k;
    const std::size_t panDigits = k;
    std::size_t discretionary = count, discretionaryEnd = count;
    if (kind == TagKind::Pan) {
        if (k + 1 == count && lower(s[nibbles[k]]) == 'f')
            ++k;
        if (k != count)
            return i + 1;
        std::string pan;
        for (std::size_t d = 0; d < panDigits; ++d)
            pan += s[nibbles[d]];
        if (pan.size() < kShortestCard || pan.size() > kLongestCard || !luhnValid(pan))
            return i + 1;
    } else {
        if (k < kShortestCard || k > kLongestCard || k >= count || lower(s[nibbles[k]]) != 'd' ||
            count - k - 1 < kExpiryAndService)
            return i + 1;
        std::string rest;
        for (std::size_t d = k + 1; d < count; ++d)
            rest += s[nibbles[d]];
        if (!expiryAndService(rest, 0))
            return i + 1;
        discretionary = k + 1 + kExpiryAndService;
        discretionaryEnd = discretionary;
        while (discretionaryEnd < count && isDigit(s[nibbles[discretionaryEnd]]))
            ++discretionaryEnd;
        if (discretionaryEnd + 1 == count && lower(s[nibbles[discretionaryEnd]]) == 'f')
            ; // the pad
        else if (discretionaryEnd != count)
            return i + 1;
    }
    for (std::size_t d = kKeptFirst; d + kKeptLast < panDigits; ++d)
        s[nibbles[d]] = '*';
    for (std::size_t d = discretionary; d < discretionaryEnd; ++d)
        s[nibbles[d]] = '*';
    return nibbles[count - 1] + 1;
}

std::string maskEmvData(std::string s)
{
    for (std::size_t i = 0; i < s.size();)
        i = (s[i] == '5' || s[i] == '9') ? maskEmvTag(s, i) : i + 1;
    return s;
}

// ---------------------------------------------------------------- PIN blocks and PIN entries

// Where a PIN block key ("pin", maybe '_', '-' or a blank, "block") that
// begins at `i` ends; npos when none begins there or the word goes on
// (PINBlockFormat names something else).
std::size_t pinBlockKeyEnd(std::string_view s, std::size_t i)
{
    if (!iequalsAt(s, i, "pin"))
        return npos;
    std::size_t k = i + 3;
    if (k < s.size() && (s[k] == '_' || s[k] == '-' || s[k] == ' '))
        ++k;
    if (!iequalsAt(s, k, "block"))
        return npos;
    k += 5;
    return k < s.size() && (isAlnum(s[k]) || s[k] == '_') ? npos : k;
}

// Where the value of the key that ends at `keyEnd` begins and ends, or
// nothing: '=' or ':' (the key may be quoted, the value too), or the
// content of an element whose start tag the key names.
bool pinBlockValue(std::string_view s, std::size_t keyStart, std::size_t keyEnd, std::size_t& from, std::size_t& to)
{
    if (keyStart > 0 && s[keyStart - 1] == '<') {
        std::size_t close = keyEnd;
        while (close < s.size() && s[close] != '>' && s[close] != '<')
            ++close;
        if (close >= s.size() || s[close] != '>' || s[close - 1] == '/')
            return false;
        from = close + 1;
        to = from;
        while (to < s.size() && s[to] != '<')
            ++to;
        return true;
    }
    std::size_t k = keyEnd;
    if (k < s.size() && (s[k] == '"' || s[k] == '\''))
        ++k;
    k = skipBlanks(s, k);
    if (k >= s.size() || (s[k] != '=' && s[k] != ':'))
        return false;
    k = skipBlanks(s, k + 1);
    if (k < s.size() && (s[k] == '"' || s[k] == '\'')) {
        const char quote = s[k];
        from = k + 1;
        to = from;
        while (to < s.size() && s[to] != quote && !endsLine(s[to]))
            ++to;
        return true;
    }
    from = k;
    to = k;
    while (to < s.size() && !endsLine(s[to]) && s[to] != '<')
        ++to;
    return true;
}

// The value of the line "KEY=..." (blanks allowed around both), if the line at `at` is one.
bool keyLine(std::string_view s, std::size_t at, std::string_view key, std::size_t& from, std::size_t& to)
{
    std::size_t k = skipBlanks(s, at);
    if (!iequalsAt(s, k, key))
        return false;
    k = skipBlanks(s, k + key.size());
    if (k >= s.size() || s[k] != '=')
        return false;
    from = skipBlanks(s, k + 1);
    to = lineEnd(s, from);
    return true;
}

bool pinMode(std::string_view mode)
{
    return icontains(mode, "WithOutEcho") || icontains(mode, "Encrypt") || iequalsAt(mode, 0, "SecurePrompt") ||
           iequalsAt(mode, 0, "PIN");
}

// The entries of the bytes: from one ReaderPosition= line to the next.
// Calls `each(from, to)` for each, in order, and covers all the bytes.
template <typename Each>
void forEachEntry(std::string_view s, Each each)
{
    std::size_t from = 0;
    for (std::size_t i = 0; i < s.size(); i = lineEnd(s, i) + 1) {
        std::size_t a = 0, b = 0;
        if (i > from && keyLine(s, i, "ReaderPosition", a, b)) {
            each(from, i);
            from = i;
        }
    }
    each(from, s.size());
}

// Removes PIN block values, and the KeyData= of an entry made in a PIN mode.
std::string dropPins(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    forEachEntry(s, [&](std::size_t from, std::size_t to) {
        const std::string_view entry = s.substr(0, to);
        bool pin = false;
        for (std::size_t i = from; i < to && !pin; i = lineEnd(entry, i) + 1) {
            std::size_t a = 0, b = 0;
            pin = keyLine(entry, i, "EntryMode", a, b) && pinMode(entry.substr(a, b - a));
        }
        std::size_t i = from;
        while (i < to) {
            std::size_t a = 0, b = 0;
            if (pin && startsLine(entry, i) && keyLine(entry, i, "KeyData", a, b)) {
                out.append(entry.substr(i, a - i));
                i = b;
                continue;
            }
            const std::size_t keyEnd = (entry[i] == 'p' || entry[i] == 'P') ? pinBlockKeyEnd(entry, i) : npos;
            if (keyEnd != npos && pinBlockValue(entry, i, keyEnd, a, b)) {
                out.append(entry.substr(i, a - i));
                i = b;
                continue;
            }
            out += entry[i++];
        }
    });
    return out;
}

// ---------------------------------------------------------------- answers to a PIN entry

// The reader an entry names, or -1.
int entryPosition(std::string_view s, std::size_t from, std::size_t to)
{
    for (std::size_t i = from; i < to; i = lineEnd(s, i) + 1) {
        std::size_t a = 0, b = 0;
        if (!keyLine(s.substr(0, to), i, "ReaderPosition", a, b))
            continue;
        int n = 0;
        std::size_t k = a;
        for (; k < b && isDigit(s[k]) && k - a < 3; ++k)
            n = n * 10 + (s[k] - '0');
        return k > a ? n : -1;
    }
    return -1;
}

bool keptAttribute(std::string_view name)
{
    for (std::string_view kept : {"SequenceNumber", "Result", "Fault", "PromptId", "Language", "Command", "Id"})
        if (name == kept)
            return true;
    return false;
}

// Copies the tag at `s[k]` ('<' to '>') into `out`, without the values of
// the attributes that are not kept. Returns where the tag ends; `selfClosed`
// tells a tag that ends with "/>".
std::size_t copyTag(std::string& out, std::string_view s, std::size_t k, bool& selfClosed)
{
    auto attrChar = [](char c) { return isAlnum(c) || c == '_' || c == ':' || c == '-' || c == '.'; };
    out += s[k++]; // '<'
    selfClosed = false;
    while (k < s.size() && s[k] != '>') {
        if (!attrChar(s[k])) {
            selfClosed = s[k] == '/';
            out += s[k++];
            continue;
        }
        const std::size_t nameStart = k;
        while (k < s.size() && attrChar(s[k]))
            ++k;
        const bool kept = keptAttribute(s.substr(nameStart, k - nameStart));
        out.append(s.substr(nameStart, k - nameStart));
        selfClosed = false;
        std::size_t eq = skipBlanks(s, k);
        if (eq >= s.size() || s[eq] != '=')
            continue; // the element's name, or an attribute without a value
        out.append(s.substr(k, eq + 1 - k));
        k = skipBlanks(s, eq + 1);
        out.append(s.substr(eq + 1, k - eq - 1));
        if (k < s.size() && (s[k] == '"' || s[k] == '\'')) {
            const char quote = s[k];
            std::size_t end = k + 1;
            while (end < s.size() && s[end] != quote && s[end] != '>')
                ++end;
            out += quote;
            if (kept)
                out.append(s.substr(k + 1, end - k - 1));
            k = end;
            if (k < s.size() && s[k] == quote)
                out += s[k++];
        } else {
            const std::size_t start = k;
            while (k < s.size() && !isBlank(s[k]) && s[k] != '>' && s[k] != '/')
                ++k;
            if (kept)
                out.append(s.substr(start, k - start));
        }
    }
    if (k < s.size())
        out += s[k++];
    return k;
}

// Appends the bytes with the keyed data of secure prompt responses removed:
// the text inside them, and the values of their attributes but those kept.
void appendWithoutSecurePromptData(std::string& out, std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t nameEnd = i + 1;
        while (nameEnd < s.size() && (isAlnum(s[nameEnd]) || s[nameEnd] == '_' || s[nameEnd] == ':' || s[nameEnd] == '-'))
            ++nameEnd;
        const std::string_view name = s.substr(std::min(i + 1, s.size()), nameEnd - i - 1);
        if (s[i] != '<' || !icontains(name, "SecurePrompt") ||
            (name.size() >= 7 && iequalsAt(name, name.size() - 7, "Command"))) {
            out += s[i++];
            continue;
        }
        // The element, to its end tag (or its own end when it closes itself).
        int depth = 0;
        std::size_t k = i;
        while (k < s.size()) {
            if (s[k] != '<') {
                while (k < s.size() && s[k] != '<')
                    ++k; // text: keyed data
                continue;
            }
            const bool closing = k + 1 < s.size() && s[k + 1] == '/';
            bool selfClosed = false;
            k = copyTag(out, s, k, selfClosed);
            if (closing)
                --depth;
            else if (!selfClosed)
                ++depth;
            if (depth <= 0)
                break;
        }
        i = k;
    }
}

} // namespace

bool cardNumber(std::string_view digits)
{
    return digits.size() >= kShortestCard && digits.size() <= kLongestCard && luhnValid(digits) && issued(digits);
}

std::string maskCardData(std::string_view input)
{
    const std::string emv = maskEmvData(dropPins(input));
    return PanScanner(emv).run();
}

bool holdsCardData(std::string_view bytes) { return maskCardData(bytes) != bytes; }

void CardMasker::noteSent(std::string_view member, std::string_view bytes)
{
    m_recentSent[m_sentCount++ % kRecentSent] = std::hash<std::string_view>{}(bytes);
    const bool keyEntry = member.size() == 12 && iequalsAt(member, 0, "KeyEntryType");
    const bool packet = member.size() == 15 && iequalsAt(member, 0, "PacketQueOutput");
    if (!keyEntry && !packet)
        return;
    forEachEntry(bytes, [&](std::size_t from, std::size_t to) {
        const int position = entryPosition(bytes, from, to);
        if (position < 0)
            return;
        const std::string_view entry = bytes.substr(from, to - from);
        if (keyEntry) {
            std::size_t a = 0, b = 0;
            for (std::size_t i = 0; i < entry.size(); i = lineEnd(entry, i) + 1)
                if (keyLine(entry, i, "EntryMode", a, b)) {
                    if (pinMode(entry.substr(a, b - a)))
                        m_entries[position] = Entry::Pin;
                    else
                        m_entries.erase(position);
                    return;
                }
            return;
        }
        const std::size_t command = entry.find("DisplaySecurePromptCommand");
        if (command == npos)
            return;
        bool encrypted = false;
        const std::size_t level = entry.find("SecurityLevel", command);
        if (level != npos && entry.substr(command, level - command).find('>') == npos) {
            std::size_t k = skipBlanks(entry, level + 13);
            if (k < entry.size() && entry[k] == '=') {
                k = skipBlanks(entry, k + 1);
                if (k < entry.size() && (entry[k] == '"' || entry[k] == '\''))
                    ++k;
                encrypted = iequalsAt(entry, k, "Encrypted");
            }
        }
        if (encrypted)
            m_entries[position] = Entry::EncryptedPrompt;
        else
            m_entries.erase(position);
    });
}

bool CardMasker::pinEntryAt(int position) const { return m_entries.count(position) != 0; }

std::string CardMasker::mask(std::string_view bytes) const
{
    std::string masked = maskCardData(bytes);
    if (m_entries.empty())
        return masked;
    const std::size_t hash = std::hash<std::string_view>{}(bytes);
    for (std::size_t k = 0; k < std::min(m_sentCount, kRecentSent); ++k)
        if (m_recentSent[k] == hash)
            return masked; // what the utility sent: no answer of a reader
    // An entry that names no reader is taken as the answer of any reader that waits for a PIN.
    std::optional<Entry> anyReader;
    for (const auto& [position, entry] : m_entries)
        if (!anyReader || entry == Entry::EncryptedPrompt)
            anyReader = entry;
    const std::string_view s = masked;
    std::string out;
    out.reserve(s.size());
    forEachEntry(s, [&](std::size_t from, std::size_t to) {
        const int position = entryPosition(s, from, to);
        std::optional<Entry> entry = anyReader;
        if (position >= 0) {
            const auto it = m_entries.find(position);
            entry = it == m_entries.end() ? std::nullopt : std::optional<Entry>(it->second);
        }
        if (!entry) {
            out.append(s.substr(from, to - from));
            return;
        }
        // Digits keyed: an all-digit KeyData= line.
        std::string keyless;
        std::size_t i = from;
        while (i < to) {
            std::size_t a = 0, b = 0;
            if (startsLine(s, i) && keyLine(s.substr(0, to), i, "KeyData", a, b) && a < b &&
                std::all_of(s.begin() + static_cast<std::ptrdiff_t>(a), s.begin() + static_cast<std::ptrdiff_t>(b), isDigit)) {
                keyless.append(s.substr(i, a - i));
                i = b;
                continue;
            }
            keyless += s[i++];
        }
        if (*entry == Entry::EncryptedPrompt)
            appendWithoutSecurePromptData(out, keyless);
        else
            out += keyless;
    });
    return out;
}

} // namespace vantrel::journal
