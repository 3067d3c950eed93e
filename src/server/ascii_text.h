// Plain ASCII text checks every layer shares: the comparison without case
// of keys, modes and member names (ASCII letters only, so it never depends
// on the locale), and the Luhn check of card numbers. Header only: the
// layers without Qt and those above them use the same code.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace vantrel {

constexpr char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

// True when `text` holds `word` at `at`, in any case.
constexpr bool equalsIgnoreCaseAt(std::string_view text, std::size_t at, std::string_view word)
{
    return at <= text.size() && text.size() - at >= word.size() && equalsIgnoreCase(text.substr(at, word.size()), word);
}

constexpr bool startsWithIgnoreCase(std::string_view text, std::string_view prefix)
{
    return equalsIgnoreCaseAt(text, 0, prefix);
}

// True when `text` holds `word` anywhere, in any case.
constexpr bool containsIgnoreCase(std::string_view text, std::string_view word)
{
    for (std::size_t at = 0; at + word.size() <= text.size(); ++at)
        if (equalsIgnoreCaseAt(text, at, word))
            return true;
    return false;
}

// True for a run of digits (nothing else, at least one) that passes the Luhn check.
constexpr bool luhnValid(std::string_view digits)
{
    if (digits.empty())
        return false;
    int sum = 0;
    bool twice = false;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it, twice = !twice) {
        if (*it < '0' || *it > '9')
            return false;
        int d = *it - '0';
        if (twice && (d *= 2) > 9)
            d -= 9;
        sum += d;
    }
    return sum % 10 == 0;
}

// A D-Bus member name: 1 to 255 ASCII letters, digits and underscores, not
// beginning with a digit.
inline bool isMemberName(std::string_view member)
{
    if (member.empty() || member.size() > 255 || (member.front() >= '0' && member.front() <= '9'))
        return false;
    for (const char c : member)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    return true;
}

} // namespace vantrel
