// The XML command vocabulary of the iX CAT terminal, in one place: element
// and attribute names as the terminal spells them, the names of the
// responses the terminal sends back, a few writing helpers, and the canned
// packets that more than one window sends. Packets are built from these
// names so that a reader can hold them against the vocabulary, and the
// embedded server reads packets with the same names.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace vantrel::xml {

// Command elements. Display commands travel inside a DisplayCommand; the
// others are the root of their document.
inline constexpr std::string_view DisplayCommand = "DisplayCommand";
inline constexpr std::string_view SetMessageWindowPropertiesCommand = "SetMessageWindowPropertiesCommand";
inline constexpr std::string_view SetSoftKeyPropertiesCommand = "SetSoftKeyPropertiesCommand";
inline constexpr std::string_view SetDataEntryWindowPropertiesCommand = "SetDataEntryWindowPropertiesCommand";
inline constexpr std::string_view SetPromptDetailsCommand = "SetPromptDetailsCommand";
inline constexpr std::string_view DisplayPromptCommand = "DisplayPromptCommand";
inline constexpr std::string_view SetImageDetailsCommand = "SetImageDetailsCommand";
inline constexpr std::string_view GetPackageVersionCommand = "GetPackageVersionCommand";
inline constexpr std::string_view EMVModuleCommand = "EMVModuleCommand";
inline constexpr std::string_view InitiateTransactionCommand = "InitiateTransactionCommand";
inline constexpr std::string_view PrinterCommand = "PrinterCommand";
inline constexpr std::string_view PrintCommand = "PrintCommand";
inline constexpr std::string_view DisplaySecurePromptCommand = "DisplaySecurePromptCommand";

// Elements inside the commands.
inline constexpr std::string_view MessageWindowProperties = "MessageWindowProperties";
inline constexpr std::string_view SoftKeyProperties = "SoftKeyProperties";
inline constexpr std::string_view DataEntryWindowProperties = "DataEntryWindowProperties";
inline constexpr std::string_view PromptDetails = "PromptDetails";
inline constexpr std::string_view AdditionalTexts = "AdditionalTexts";
inline constexpr std::string_view AdditionalText = "AdditionalText";
inline constexpr std::string_view PrintBarCode = "PrintBarCode";
inline constexpr std::string_view CutPaper = "CutPaper";
inline constexpr std::string_view Location = "Location";
inline constexpr std::string_view Size = "Size"; // the element, and the font size attribute
inline constexpr std::string_view Font = "Font";

// Attributes.
inline constexpr std::string_view SequenceNumber = "SequenceNumber";
inline constexpr std::string_view ForeColor = "ForeColor";
inline constexpr std::string_view BackColor = "BackColor";
inline constexpr std::string_view VerticalAlignment = "VerticalAlignment";
inline constexpr std::string_view HorizontalAlignment = "HorizontalAlignment";
inline constexpr std::string_view PixelsFromEdge = "PixelsFromEdge";
inline constexpr std::string_view SoftKeyWidth = "SoftKeyWidth";
inline constexpr std::string_view SoftKeyHeight = "SoftKeyHeight";
inline constexpr std::string_view SoftKeyAlignment = "SoftKeyAlignment";
inline constexpr std::string_view Language = "Language";
inline constexpr std::string_view PromptId = "PromptId";
inline constexpr std::string_view PromptText = "PromptText";
inline constexpr std::string_view Description = "Description";
inline constexpr std::string_view Id = "Id";
inline constexpr std::string_view ImageId = "ImageId";
inline constexpr std::string_view Filename = "Filename";
inline constexpr std::string_view Characters = "Characters";
inline constexpr std::string_view Symbology = "Symbology";
inline constexpr std::string_view SecurityLevel = "SecurityLevel";
inline constexpr std::string_view MaxLength = "MaxLength";
inline constexpr std::string_view AutoTerminate = "AutoTerminate";
inline constexpr std::string_view Hidden = "Hidden";
inline constexpr std::string_view PINSupportData = "PINSupportData";
inline constexpr std::string_view Top = "Top";
inline constexpr std::string_view Left = "Left";
inline constexpr std::string_view Width = "Width";
inline constexpr std::string_view Height = "Height";
inline constexpr std::string_view Name = "Name";
inline constexpr std::string_view Style = "Style";

// Responses: each command is answered by an element named after it with
// "Response" in place of "Command" (SetSoftKeyPropertiesResponse), carrying
// its sequence number and the result; a packet that names no command it can
// act on is answered by an ErrorResponse naming the fault.
inline constexpr std::string_view CommandSuffix = "Command";
inline constexpr std::string_view ResponseSuffix = "Response";
inline constexpr std::string_view ErrorResponse = "ErrorResponse";
inline constexpr std::string_view Result = "Result";
inline constexpr std::string_view Success = "Success";
inline constexpr std::string_view Failure = "Failure";
inline constexpr std::string_view Fault = "Fault";
inline constexpr std::string_view Command = "Command";
inline constexpr std::string_view Package = "Package";
inline constexpr std::string_view Version = "Version";

struct Attribute {
    std::string_view name;
    std::string value;
};
using Attributes = std::initializer_list<Attribute>;

// <name>, </name>, name="value" (the value is written as given)
std::string open(std::string_view element);
std::string close(std::string_view element);
std::string attribute(std::string_view name, std::string_view value);
// <name a="1" b="2">, and the self-closed <name a="1" b="2"/>
std::string start(std::string_view element, Attributes attributes);
std::string empty(std::string_view element, Attributes attributes);
// The text with &, <, > and " written as entities, for values that come from outside.
std::string escaped(std::string_view text);
// "SetSoftKeyPropertiesCommand" gives "SetSoftKeyPropertiesResponse"; other names get "Response" appended.
std::string responseName(std::string_view command);

// The EMV transaction start: an EMVModuleCommand holding an empty
// InitiateTransactionCommand with sequence number 0, written with an end tag.
std::string emvInitiatePacket();
// The bar code print: a PrinterCommand holding PrintCommand 1600 with a
// self-closed PrintBarCode (73513537, EAN_8) and a self-closed CutPaper.
std::string barCodePrintPacket();

} // namespace vantrel::xml
