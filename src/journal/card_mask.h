// Cardholder data kept out of the files the utility writes. Readers return
// card data (a card queue entry holds track data with the full card number),
// and a trace, a saved journal, a saved script or a report is shared. What
// lands in a file is masked; nothing else in the bytes changes, so a record
// the utility sends from its canned data is written exactly as it went out.
//
// Masked without any context:
// - a card number keeps its first six and last four digits, every other
//   digit becomes '*'. A card number is 12 to 19 digits that begin with the
//   issuer prefix of a payment card scheme (Visa, Mastercard, Amex,
//   Discover, JCB, Diners, Maestro, UnionPay, Mir, RuPay, petroleum fleet
//   cards 7...), have a length that scheme issues, and pass the Luhn check;
//   written in one run, or in the groups cards are printed in (4-4-4-4,
//   4-6-5, 4-6-4, 4-4-5, 4-4-4-4-3 and their like) with one kind of
//   separator, a blank or a dash. A number that touches a letter (a hex
//   dump) or another digit is no card number;
// - track data, whatever the check digit or prefix of its card number:
//   track 2 (12 to 19 digits, '=' or 'D', expiry YYMM and service code)
//   and track 1 ('B', the number, '^' name '^', expiry and service code).
//   The number is masked as above, the expiry and service code stay, and
//   the discretionary data after them are removed (track 2: the digits,
//   track 1: up to the end sentinel '?', the line's end, '<' or '"');
// - EMV data in hex text, compact ("5A084761...") or one blank between the
//   bytes ("5A 08 47 61 ..."): the card number of tag 5A (when it passes the
//   Luhn check), and of the track 2 equivalent data of tags 57 and 9F6B,
//   whose discretionary digits become '*' as well; the TLV keeps its length;
// - the same EMV data in binary, as an answer's bytes hold them: the tag
//   byte 5A or 57 or the bytes 9F 6B, a length byte (5A: 6 to 10, 57 and
//   9F6B: 8 to 19) and that many bytes whose nibbles pass the rules of the
//   hex text: a card number of 12 to 19 BCD digits, an F only as the pad of
//   the last nibble; 5A: the Luhn check; 57 and 9F6B: the separator D, then
//   expiry YYMM, service code and discretionary digits. A masked digit
//   becomes the nibble F. F stands in a number only as the pad at its end,
//   so a number with an F inside is plainly masked: the hex display shows
//   "47 61 73 FF FF FF 00 10", a reader that stops at the first F gets six
//   digits (no card number), and masking again finds nothing to mask. The
//   discretionary digits run into the pad, so their count goes too. The
//   length byte and every other nibble stay; a value cut short by the end
//   of the bytes is left alone;
// - the value of a PIN block however its key is spelled (PINBlock, PinBlock,
//   PIN_BLOCK, pin-block, "PIN Block", in any case): after '=' or ':' on a
//   line, in an XML element <PINBlock>...</PINBlock> or an attribute
//   PINBlock="..."; the key and quotes stay, the value goes (but for the
//   line breaks of an element that spans lines);
// - the KeyData= of a key entry whose EntryMode= (in the same entry: from
//   one ReaderPosition= line to the next) is a PIN mode: no echo, DES
//   encryption, a secure prompt.
//
// Masked with what was sent before (CardMasker): digits keyed at a reader
// that was last asked for a PIN entry (KeyEntryType in a PIN mode) or shown
// an encrypted secure prompt (DisplaySecurePromptCommand with
// SecurityLevel="Encrypted" in a PacketQueOutput): an all-digit KeyData= in
// an answer from that reader, and the keyed data of a secure prompt
// response (<...SecurePrompt...> elements: text and attribute values other
// than sequence number, result, fault, prompt id, language) in its packet
// answers.
#pragma once

#include "server/ascii_text.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace vantrel::journal {

// True for a run of digits (nothing else) that passes the Luhn check.
using vantrel::luhnValid;

// True for digits (nothing else) that make a card number: an issuer prefix
// of a payment card scheme, a length that scheme issues, the Luhn check.
bool cardNumber(std::string_view digits);

// The bytes with their cardholder data masked as above.
std::string maskCardData(std::string_view bytes);

// True when the bytes hold something maskCardData would change.
bool holdsCardData(std::string_view bytes);

// Masks what one run writes into a file. Some card data can only be told
// from what was sent before it (digits keyed after a PIN entry or an
// encrypted secure prompt was asked for at that reader), so a writer notes
// every value it sends and masks every text through one CardMasker. A value
// is noted before it is masked: a text that is one of the values sent last
// is what the utility sent, and only masked without context.
class CardMasker {
public:
    // A value sent to a member of the server.
    void noteSent(std::string_view member, std::string_view bytes);
    // The bytes masked, with what was sent so far.
    std::string mask(std::string_view bytes) const;
    // True while the entry last asked for at reader `position` is a PIN
    // entry or an encrypted secure prompt.
    bool pinEntryAt(int position) const;

private:
    enum class Entry : unsigned char { Pin, EncryptedPrompt };
    std::map<int, Entry> m_entries; // readers waiting for a PIN; the others are absent
    static constexpr std::size_t kRecentSent = 16;
    std::array<std::size_t, kRecentSent> m_recentSent{}; // hashes of the values sent last
    std::size_t m_sentCount = 0;
};

} // namespace vantrel::journal
