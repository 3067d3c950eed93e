#include "terminal_vocabulary.h"

namespace vantrel::xml {

std::string open(std::string_view element) { return "<" + std::string(element) + ">"; }
std::string close(std::string_view element) { return "</" + std::string(element) + ">"; }
std::string attribute(std::string_view name, std::string_view value)
{
    return std::string(name) + "=\"" + std::string(value) + "\"";
}

static std::string tagBody(std::string_view element, Attributes attributes)
{
    std::string tag = "<" + std::string(element);
    for (const auto& a : attributes)
        tag += " " + attribute(a.name, a.value);
    return tag;
}

std::string start(std::string_view element, Attributes attributes) { return tagBody(element, attributes) + ">"; }
std::string empty(std::string_view element, Attributes attributes) { return tagBody(element, attributes) + "/>"; }

std::string escaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string responseName(std::string_view command)
{
    if (command.size() > CommandSuffix.size() && command.ends_with(CommandSuffix))
        command.remove_suffix(CommandSuffix.size());
    return std::string(command) + std::string(ResponseSuffix);
}

std::string emvInitiatePacket()
{
    return open(EMVModuleCommand) + start(InitiateTransactionCommand, {{SequenceNumber, "0"}}) +
           close(InitiateTransactionCommand) + close(EMVModuleCommand);
}

std::string barCodePrintPacket()
{
    return open(PrinterCommand) + start(PrintCommand, {{SequenceNumber, "1600"}}) +
           empty(PrintBarCode, {{Characters, "73513537"}, {Symbology, "EAN_8"}}) + empty(CutPaper, {}) +
           close(PrintCommand) + close(PrinterCommand);
}

} // namespace vantrel::xml
