// The handlers of the terminal's XML commands, one per command, grouped by
// family: the display (windows, soft keys, prompts and images) and the
// devices behind it (secure prompt and key entry, packages, the chip reader
// and the printer). Each applies its command to the target and returns what
// the response holds beyond its attributes; a command it cannot carry out
// throws packet::Refusal and changes nothing.
#pragma once

#include "terminal_xml_document.h"

#include <string>

namespace vantrel::forecourt::packet {

using CommandHandler = std::string (*)(CommandTarget& target, const Element& command, const std::string& sequence);

// Display family (terminal_xml_display.cpp).
std::string setMessageWindowProperties(CommandTarget& target, const Element& c, const std::string& sequence);
std::string setDataEntryWindowProperties(CommandTarget& target, const Element& c, const std::string& sequence);
std::string setSoftKeyProperties(CommandTarget& target, const Element& c, const std::string& sequence);
std::string setPromptDetails(CommandTarget& target, const Element& c, const std::string& sequence);
std::string displayPrompt(CommandTarget& target, const Element& c, const std::string& sequence);
std::string setImageDetails(CommandTarget& target, const Element& c, const std::string& sequence);

// Device family (terminal_xml_devices.cpp).
std::string displaySecurePrompt(CommandTarget& target, const Element& c, const std::string& sequence);
std::string getPackageVersion(CommandTarget& target, const Element& c, const std::string& sequence);
std::string initiateTransaction(CommandTarget& target, const Element& c, const std::string& sequence);
std::string print(CommandTarget& target, const Element& c, const std::string& sequence);

} // namespace vantrel::forecourt::packet
