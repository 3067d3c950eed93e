#include "emv_module.h"

#include "reader_terminals.h"
#include "record_parser.h"

namespace vantrel::forecourt {

void readerControl(ReaderTerminals& readers, const std::string& record)
{
    const auto parsed = parseRecord(record, true);
    Reader& reader = readers.reader(parsePosition(parsed.require("ReaderPosition")));
    reader.emv.chipReaderEnabled = equalsIgnoreCase(parsed.require("ChipReaderControl"), "Enable");
}

void initiateEmvTransaction(Reader& reader, int, const std::string&)
{
    ++reader.emv.transactions;
}

} // namespace vantrel::forecourt
