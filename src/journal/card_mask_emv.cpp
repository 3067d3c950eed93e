// EMV data: the card number of tag 5A, and the track 2 equivalent data of
// tags 57 and 9F6B, written in hex text, compact ("5A084761...") or with one
// blank between the bytes ("5A 08 47 61 ..."), or as the bytes themselves
// (an answer that holds the TLV in binary). Both forms pass the same rules
// and are masked in place, so the TLV keeps its length.
#include "card_mask_parts.h"

#include <array>
#include <optional>

namespace vantrel::journal::masking {

namespace {

enum class TagKind { Pan, Track2 };

// The longest value of a card tag, in nibbles.
constexpr std::size_t kMostNibbles = 2 * 19;
using Nibbles = std::array<unsigned char, kMostNibbles>;

constexpr unsigned char kSeparator = 0xD, kPad = 0xF;

// A value length (in bytes) a card tag has: a card number of 12 to 19 digits
// (with its pad), or that and an expiry, a service code and discretionary data.
bool valueSizeFits(TagKind kind, std::size_t size)
{
    return kind == TagKind::Pan ? size >= 6 && size <= 10 : size >= 8 && size <= 19;
}

// Where the card data lie among the nibbles of a card tag's value.
struct CardNibbles {
    std::size_t panDigits;                        // the card number: [0, panDigits)
    std::size_t discretionary, discretionaryEnd;  // track 2 equivalent data's discretionary digits
};

// The card data of a card tag whose value is `nibbles[0, count)`, or nothing.
// 5A: the card number's digits (Luhn check), one pad F when their count is odd.
// 57, 9F6B: the card number's digits, the separator D, expiry YYMM and
// service code, discretionary digits, one pad F when their count is odd.
std::optional<CardNibbles> cardNibbles(TagKind kind, const Nibbles& nibbles, std::size_t count)
{
    std::size_t k = 0;
    while (k < count && nibbles[k] <= 9)
        ++k;
    const std::size_t panDigits = k;
    if (panDigits < kShortestCard || panDigits > kLongestCard)
        return std::nullopt;
    if (kind == TagKind::Pan) {
        if (k + 1 == count && nibbles[k] == kPad)
            ++k;
        if (k != count)
            return std::nullopt;
        std::array<char, kLongestCard> pan{};
        for (std::size_t d = 0; d < panDigits; ++d)
            pan[d] = static_cast<char>('0' + nibbles[d]);
        if (!luhnValid(std::string_view(pan.data(), panDigits)))
            return std::nullopt;
        return CardNibbles{panDigits, count, count};
    }
    if (k >= count || nibbles[k] != kSeparator || count - k - 1 < kExpiryAndService)
        return std::nullopt;
    std::array<char, kExpiryAndService> expiry{};
    for (std::size_t d = 0; d < kExpiryAndService; ++d) {
        const unsigned char n = nibbles[k + 1 + d];
        expiry[d] = n <= 9 ? static_cast<char>('0' + n) : 'x';
    }
    if (!expiryAndService(std::string_view(expiry.data(), expiry.size()), 0))
        return std::nullopt;
    const std::size_t discretionary = k + 1 + kExpiryAndService;
    std::size_t end = discretionary;
    while (end < count && nibbles[end] <= 9)
        ++end;
    if (end != count && !(end + 1 == count && nibbles[end] == kPad))
        return std::nullopt;
    return CardNibbles{panDigits, discretionary, end};
}

// Calls `mask(nibble)` for each nibble of the card data that is masked: the
// card number's digits but its first six and last four, and the
// discretionary digits.
template <typename Mask>
void forEachMasked(const CardNibbles& card, Mask mask)
{
    for (std::size_t d = kKeptFirst; d + kKeptLast < card.panDigits; ++d)
        mask(d);
    for (std::size_t d = card.discretionary; d < card.discretionaryEnd; ++d)
        mask(d);
}

// ---- hex text

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

// Masks, in place, the card data of the EMV tag in hex text at `i`: where scanning goes on.
std::size_t maskHexTag(std::string& s, std::size_t i)
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
    const std::size_t size = static_cast<std::size_t>(hexValue(s[high]) * 16 + hexValue(s[high + 1]));
    if (!valueSizeFits(kind, size))
        return i + 1;
    std::array<std::size_t, kMostNibbles> at{}; // where each nibble's hex digit is
    Nibbles nibbles{};
    const std::size_t count = 2 * size;
    for (std::size_t k = 0; k < count; k += 2) {
        if (!bytes.next(high))
            return i + 1;
        at[k] = high;
        at[k + 1] = high + 1;
    }
    if (spaced && bytes.at < s.size() && isHex(s[bytes.at]))
        return i + 1;
    for (std::size_t k = 0; k < count; ++k)
        nibbles[k] = static_cast<unsigned char>(hexValue(s[at[k]]));
    const auto card = cardNibbles(kind, nibbles, count);
    if (!card)
        return i + 1;
    forEachMasked(*card, [&](std::size_t d) { s[at[d]] = '*'; });
    return at[count - 1] + 1;
}

// ---- binary

// The most bytes a binary card tag spans: a two-byte tag, the length, 19 bytes of value.
constexpr std::size_t kLongestBinaryTag = 2 + 1 + 19;

// Masks, in place, the card data of the binary EMV tag at `i`: true when there is one.
bool maskBinaryTag(std::string& s, std::size_t i)
{
    const auto byte = [&s](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    TagKind kind{};
    std::size_t sizeAt = i + 1;
    if (byte(i) == 0x5A) {
        kind = TagKind::Pan;
    } else if (byte(i) == 0x57) {
        kind = TagKind::Track2;
    } else if (byte(i) == 0x9F && i + 1 < s.size() && byte(i + 1) == 0x6B) {
        kind = TagKind::Track2;
        sizeAt = i + 2;
    } else {
        return false;
    }
    if (sizeAt >= s.size())
        return false;
    const std::size_t size = byte(sizeAt), value = sizeAt + 1;
    // A value cut short by the end of the bytes is left as it is.
    if (!valueSizeFits(kind, size) || s.size() - value < size)
        return false;
    Nibbles nibbles{};
    const std::size_t count = 2 * size;
    for (std::size_t k = 0; k < size; ++k) {
        nibbles[2 * k] = byte(value + k) >> 4;
        nibbles[2 * k + 1] = byte(value + k) & 0xF;
    }
    const auto card = cardNibbles(kind, nibbles, count);
    if (!card)
        return false;
    // A masked digit becomes F, which stands in a number only as its last
    // nibble's pad: a value with an F inside is plainly masked.
    forEachMasked(*card, [&](std::size_t d) {
        char& b = s[value + d / 2];
        b = static_cast<char>(d % 2 == 0 ? (static_cast<unsigned char>(b) | 0xF0) : (static_cast<unsigned char>(b) | 0x0F));
    });
    return true;
}

} // namespace

std::string maskEmvData(std::string s)
{
    for (std::size_t i = 0; i < s.size();)
        i = (s[i] == '5' || s[i] == '9') ? maskHexTag(s, i) : i + 1;
    return s;
}

std::string maskEmvBinary(std::string s)
{
    // Masking a tag changes nibbles that an earlier tag may hold too (a digit
    // that becomes F can pad the end of another value), so after each tag
    // masked the scan goes back over every tag that could reach into it:
    // what comes out holds no card data left to mask.
    for (std::size_t i = 0; i < s.size();)
        i = !maskBinaryTag(s, i) ? i + 1 : i > kLongestBinaryTag ? i - kLongestBinaryTag : 0;
    return s;
}

} // namespace vantrel::journal::masking
