// Cardholder data kept out of the files the utility writes. Readers return
// card data (a card queue entry holds track data with the full card number),
// and a trace, a saved journal or a saved script is shared. What lands in a
// file is masked:
// - a card number (13 to 19 digits that pass the Luhn check, in one run or
//   split by single blanks or dashes) keeps its first six and last four
//   digits, every other digit becomes '*';
// - the discretionary data of a track (after the expiry date and service
//   code that follow the separator: '=' on track 2, the second '^' on
//   track 1) is removed, up to the end sentinel '?' or the end of the line;
// - the value of a PINBlock= line is removed, and so is the KeyData= of a
//   key entry made in a PIN mode (no echo, DES encryption, secure prompt).
// Nothing else in the bytes changes.
#pragma once

#include <string>
#include <string_view>

namespace vantrel::journal {

// True for a run of digits (nothing else) that passes the Luhn check.
bool luhnValid(std::string_view digits);

// The bytes with their cardholder data masked as above.
std::string maskCardData(std::string_view bytes);

// True when the bytes hold something maskCardData would change.
bool holdsCardData(std::string_view bytes);

// Masks what one run writes into a file. Some card data can only be told
// from what was sent before it (digits keyed after a PIN entry or an
// encrypted secure prompt was asked for at that reader), so a writer notes
// every value it sends and masks every text through one CardMasker.
class CardMasker {
public:
    // A value sent to a member of the server.
    void noteSent(std::string_view member, std::string_view bytes);
    // The bytes masked, with what was sent so far.
    std::string mask(std::string_view bytes) const;
};

} // namespace vantrel::journal
