// The canned records of the OTHER DEVICES window: car wash requests and
// their two price tables, the price sign commands, the chip reader control
// and the output packets of the chip reader group. Pure functions, so the
// handlers and their tests build every record the same way.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace vantrel::devices::records {

// The seven data lines of a code request (program 01 with options 01 and
// 03, all at price level 01), each ended by CR LF.
std::string codeRequestLines();

// The 26 lines of price table A (which == 0) or B (which == 1).
const std::array<std::string_view, 26>& priceTable(int which);
// The lines of a price table, each ended by CR LF.
std::string priceTableLines(int which);

// A car wash request: the bare request word, CR LF, the data lines as
// given (already ended by CR LF), `emptyLines` further CR LF, then NUL.
std::string carWashRequest(std::string_view word, std::string_view dataLines = {}, int emptyLines = 0);
// A request about one code: the word, then "CarWashCode=" and the code.
std::string codeRequest(std::string_view word, std::string_view code);

// The price sign's display control and its canned prices.
std::string priceSignControl();
std::string priceSignPrices();

// "ReaderPosition=" + position, "ChipReaderControl=Enable" or "=Disable".
std::string chipReaderControl(std::string_view position, bool enable);

// An output packet record: the count is the packet's length in
// characters, at least three digits.
std::string outputPacket(std::string_view position, std::string_view packet);

} // namespace vantrel::devices::records
