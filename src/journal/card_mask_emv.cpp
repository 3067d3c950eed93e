// EMV data in hex text, compact ("5A084761...") or one blank between the
// bytes ("5A 08 47 61 ..."): the card number of tag 5A, and the track 2
// equivalent data of tags 57 and 9F6B. Masked in place, so the TLV keeps
// its length.
#include "card_mask_parts.h"

#include <array>

namespace vantrel::journal::masking {

namespace {

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

} // namespace

std::string maskEmvData(std::string s)
{
    for (std::size_t i = 0; i < s.size();)
        i = (s[i] == '5' || s[i] == '9') ? maskEmvTag(s, i) : i + 1;
    return s;
}

} // namespace vantrel::journal::masking
