#include "terminal_vocabulary.h"

namespace vantrel::xml {

std::string open(std::string_view element) { return "<" + std::string(element) + ">"; }
std::string close(std::string_view element) { return "</" + std::string(element) + ">"; }
std::string attribute(std::string_view name, std::string_view value)
{
    return std::string(name) + "=\"" + std::string(value) + "\"";
}

std::string emvInitiatePacket()
{
    return open(EMVModuleCommand) + "<" + std::string(InitiateTransactionCommand) + " " +
           attribute(SequenceNumber, "0") + ">" + close(InitiateTransactionCommand) + close(EMVModuleCommand);
}

std::string barCodePrintPacket()
{
    return open(PrinterCommand) + "<" + std::string(PrintCommand) + " " + attribute(SequenceNumber, "1600") + ">" + "<" +
           std::string(PrintBarCode) + " " + attribute(Characters, "73513537") + " " + attribute(Symbology, "EAN_8") +
           "/>" + "<" + std::string(CutPaper) + "/>" + close(PrintCommand) + close(PrinterCommand);
}

} // namespace vantrel::xml
