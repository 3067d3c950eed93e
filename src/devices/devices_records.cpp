#include "devices_records.h"

#include "server/records.h"

namespace vantrel::devices::records {

namespace {

constexpr std::array<std::string_view, 7> kCodeRequestLines = {
    "ProgramNumber=01", "PriceLevel=01", "OptionCount=2", "OptionNumber=01",
    "PriceLevel=01",    "OptionNumber=03", "PriceLevel=01",
};

// Table B is table A with every price one higher; both are written out
// because they are sent exactly as they stand.
constexpr std::array<std::string_view, 26> kPriceTableA = {
    "ProgramCount=03",      "ProgramNumber=01",     "FullPrice=00500",      "Discount1Price=00400",
    "Discount2Price=00300", "ProgramNumber=02",     "FullPrice=00600",      "Discount1Price=00500",
    "Discount2Price=00400", "ProgramNumber=03",     "FullPrice=00700",      "Discount1Price=00600",
    "Discount2Price=00500", "OptionCount=03",       "OptionNumber=01",      "FullPrice=00025",
    "Discount1Price=00020", "Discount2Price=00015", "OptionNumber=02",      "FullPrice=00030",
    "Discount1Price=00025", "Discount2Price=00020", "OptionNumber=03",      "FullPrice=00035",
    "Discount1Price=00030", "Discount2Price=00025",
};

constexpr std::array<std::string_view, 26> kPriceTableB = {
    "ProgramCount=03",      "ProgramNumber=01",     "FullPrice=00501",      "Discount1Price=00401",
    "Discount2Price=00301", "ProgramNumber=02",     "FullPrice=00601",      "Discount1Price=00501",
    "Discount2Price=00401", "ProgramNumber=03",     "FullPrice=00701",      "Discount1Price=00601",
    "Discount2Price=00501", "OptionCount=03",       "OptionNumber=01",      "FullPrice=00026",
    "Discount1Price=00021", "Discount2Price=00016", "OptionNumber=02",      "FullPrice=00031",
    "Discount1Price=00026", "Discount2Price=00021", "OptionNumber=03",      "FullPrice=00036",
    "Discount1Price=00031", "Discount2Price=00026",
};

template <std::size_t N>
std::string joinLines(const std::array<std::string_view, N>& lines)
{
    std::string text;
    for (const auto line : lines)
        rec::appendLine(text, line);
    return text;
}

} // namespace

std::string codeRequestLines() { return joinLines(kCodeRequestLines); }

const std::array<std::string_view, 26>& priceTable(int which) { return which == 0 ? kPriceTableA : kPriceTableB; }

std::string priceTableLines(int which) { return joinLines(priceTable(which)); }

std::string carWashRequest(std::string_view word, std::string_view dataLines, int emptyLines)
{
    std::string record;
    rec::appendLine(record, word);
    record += dataLines;
    for (int i = 0; i < emptyLines; ++i)
        rec::appendLine(record, "");
    rec::appendNul(record);
    return record;
}

std::string codeRequest(std::string_view word, std::string_view code)
{
    std::string lines;
    rec::appendLine(lines, "CarWashCode=", code);
    return carWashRequest(word, lines);
}

std::string priceSignControl()
{
    std::string record;
    rec::appendLine(record, "Command=DisplayControl");
    rec::appendLine(record, "Intensity=M08");
    rec::appendNul(record);
    return record;
}

std::string priceSignPrices()
{
    std::string record;
    rec::appendLine(record, "Command=SendPrices");
    rec::appendLine(record, "Line1=001000");
    rec::appendLine(record, "Line2=002000");
    rec::appendLine(record, "Line3=003000");
    rec::appendLine(record, "Line4=004000");
    rec::appendLine(record, "Line5=005000");
    rec::appendNul(record);
    return record;
}

std::string chipReaderControl(std::string_view position, bool enable)
{
    std::string record;
    rec::appendLine(record, "ReaderPosition=", position);
    rec::appendLine(record, enable ? "ChipReaderControl=Enable" : "ChipReaderControl=Disable");
    rec::appendNul(record);
    return record;
}

std::string outputPacket(std::string_view position, std::string_view packet)
{
    return rec::packetRecord(position, packet, 3);
}

} // namespace vantrel::devices::records
