// The XML command vocabulary of the iX CAT terminal: element and attribute
// names as the terminal spells them, and the canned packets that more than
// one window sends. Packets are built from these names so that a reader can
// hold them against the vocabulary.
#pragma once

#include <string>
#include <string_view>

namespace vantrel::xml {

// Elements.
inline constexpr std::string_view EMVModuleCommand = "EMVModuleCommand";
inline constexpr std::string_view InitiateTransactionCommand = "InitiateTransactionCommand";
inline constexpr std::string_view PrinterCommand = "PrinterCommand";
inline constexpr std::string_view PrintCommand = "PrintCommand";
inline constexpr std::string_view PrintBarCode = "PrintBarCode";
inline constexpr std::string_view CutPaper = "CutPaper";

// Attributes.
inline constexpr std::string_view SequenceNumber = "SequenceNumber";
inline constexpr std::string_view Characters = "Characters";
inline constexpr std::string_view Symbology = "Symbology";

// <name>, </name>, <name/>, name="value"
std::string open(std::string_view element);
std::string close(std::string_view element);
std::string attribute(std::string_view name, std::string_view value);

// The EMV transaction start: an EMVModuleCommand holding an empty
// InitiateTransactionCommand with sequence number 0, written with an end tag.
std::string emvInitiatePacket();
// The bar code print: a PrinterCommand holding PrintCommand 1600 with a
// self-closed PrintBarCode (73513537, EAN_8) and a self-closed CutPaper.
std::string barCodePrintPacket();

} // namespace vantrel::xml
