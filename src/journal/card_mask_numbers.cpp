// Card numbers: the issuer table, the lengths each scheme issues, the
// groupings cards are printed in, and the scan that masks every card
// number (and, through card_mask_track.cpp, every track) of a text.
#include "card_mask_parts.h"

#include <array>
#include <cstdint>

namespace vantrel::journal {

namespace masking {

namespace {

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
            if (const auto next = maskTrack(m_out, s, i, end)) {
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

} // namespace

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

std::string maskCardNumbers(std::string_view s) { return PanScanner(s).run(); }

} // namespace masking

bool cardNumber(std::string_view digits)
{
    using namespace masking;
    return digits.size() >= kShortestCard && digits.size() <= kLongestCard && luhnValid(digits) && issued(digits);
}

} // namespace vantrel::journal
