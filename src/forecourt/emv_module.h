// The chip (EMV) reader of the iX CAT terminals: switched on and off by
// ReaderControl records. A transaction start with the chip reader off is
// answered with an error response; with it on, a simulated customer
// inserts a card: the EMV response goes to the reader's packet input queue
// (as an output packet record) and the card's data to its card queue.
#pragma once

#include <string>

namespace vantrel::forecourt {

class ReaderTerminals;
struct Reader;

struct EmvState {
    bool chipReaderEnabled = false;
    int transactions = 0; // transaction starts received, refused ones included
    int cardsRead = 0;    // simulated cards inserted
};

// The ReaderControl member: "ReaderPosition=" and "ChipReaderControl=Enable|Disable".
void readerControl(ReaderTerminals& readers, const std::string& record);
// An InitiateTransactionCommand arrived for this reader. A reader that
// declines cards (a fault) queues the card's data with CardStatus=Declined.
void initiateEmvTransaction(Reader& reader, int position, const std::string& sequenceNumber, bool declines = false);
// A customer inserts the next of the simulated chip cards: its data go to
// the card queue. The chip reader must be enabled (the caller checks).
void insertChipCard(Reader& reader, int position, bool declines = false);

} // namespace vantrel::forecourt
