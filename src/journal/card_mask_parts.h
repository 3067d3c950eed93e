// What the parts of the card data masker share: the character classes and
// line scanning they all use, the lengths of card data, and each part's
// entry point. Internal to the journal: the interface is card_mask.h.
#pragma once

#include "card_mask.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel::journal::masking {

inline constexpr std::size_t npos = std::string_view::npos;
inline constexpr std::size_t kShortestCard = 12, kLongestCard = 19;
inline constexpr std::size_t kKeptFirst = 6, kKeptLast = 4;
// Expiry date (YYMM) and service code: kept after a track's separator.
inline constexpr std::size_t kExpiryAndService = 7;

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }
inline bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool isAlnum(char c) { return isDigit(c) || isLetter(c); }
inline bool isHex(char c) { return isDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
inline bool isBlank(char c) { return c == ' ' || c == '\t'; }
inline bool endsLine(char c) { return c == '\r' || c == '\n' || c == '\0'; }
inline constexpr auto lower = asciiLower;
inline int hexValue(char c) { return isDigit(c) ? c - '0' : lower(c) - 'a' + 10; }

// True when `s` holds `word` at `at`, in any case.
inline constexpr auto iequalsAt = equalsIgnoreCaseAt;

inline constexpr auto icontains = containsIgnoreCase;

inline bool startsLine(std::string_view s, std::size_t at) { return at == 0 || endsLine(s[at - 1]); }

inline std::size_t lineEnd(std::string_view s, std::size_t from)
{
    while (from < s.size() && !endsLine(s[from]))
        ++from;
    return from;
}

inline std::size_t skipBlanks(std::string_view s, std::size_t from)
{
    while (from < s.size() && isBlank(s[from]))
        ++from;
    return from;
}

// ---- card numbers and track data (card_mask_numbers.cpp, card_mask_track.cpp)

// A month 01 to 12 in the YYMM at `at`, followed by a three-digit service code.
bool expiryAndService(std::string_view s, std::size_t at);

// Appends the card number's digits from `s[from, to)` masked: the first six
// and the last four digits stay, the others become '*', separators stay.
void appendMasked(std::string& out, std::string_view s, std::size_t from, std::size_t to, std::size_t digits);

// A letter before a number makes it part of a word or a hex dump, except
// the format code 'B' that begins track 1 (itself after no letter or digit).
bool trackOneStart(std::string_view s, std::size_t digitStart);

// Track data whose card number is the digits `s[start, end)`: appends it
// masked to `out` and returns where scanning goes on, or nothing (and
// appends nothing) when no track begins there.
std::optional<std::size_t> maskTrack(std::string& out, std::string_view s, std::size_t start, std::size_t end);

// The bytes with their card numbers and track data masked.
std::string maskCardNumbers(std::string_view s);

// ---- EMV data (card_mask_emv.cpp)

// The bytes with the card data of their EMV tags in hex text masked; the length stays.
std::string maskEmvData(std::string s);

// The bytes with the card data of their binary EMV tags masked; the length stays.
std::string maskEmvBinary(std::string s);

// ---- PIN blocks and PIN entries (card_mask_pin.cpp)

// The value of the line "KEY=..." (blanks allowed around both), if the line at `at` is one.
bool keyLine(std::string_view s, std::size_t at, std::string_view key, std::size_t& from, std::size_t& to);

// True for an EntryMode that keys a PIN: no echo, encryption, a secure prompt.
bool pinMode(std::string_view mode);

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
std::string dropPins(std::string_view s);

} // namespace vantrel::journal::masking
