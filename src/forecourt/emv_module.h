// The chip (EMV) reader of the iX CAT terminals: switched on and off by
// ReaderControl records; a transaction start simulates a card inserted.
#pragma once

#include <string>

namespace vantrel::forecourt {

class ReaderTerminals;
struct Reader;

struct EmvState {
    bool chipReaderEnabled = false;
    int transactions = 0;
};

// The ReaderControl member: "ReaderPosition=" and "ChipReaderControl=Enable|Disable".
void readerControl(ReaderTerminals& readers, const std::string& record);
// An InitiateTransactionCommand arrived for this reader.
void initiateEmvTransaction(Reader& reader, int position, const std::string& sequenceNumber);

} // namespace vantrel::forecourt
