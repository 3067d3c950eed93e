// The pieces the XML command handlers share: a command document read whole
// into elements, and the readers that turn an element's attributes and
// children into the screen model's values, refusing what does not fit.
#pragma once

#include "screen_model.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantrel::forecourt {

struct Reader;
struct TerminalCondition; // terminal_xml.h

namespace packet {

// One element of a command document, read whole before anything is applied.
struct Element {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<Element> children;
    std::string text;

    const std::string* attribute(std::string_view key) const;
    std::string value(std::string_view key) const;
    const Element* child(std::string_view childName) const;
};

// Reads the document; on a fault returns nothing and says what is wrong.
std::optional<Element> parseDocument(std::string_view xml, std::string& fault);

// A command that cannot be carried out; it changes nothing.
struct Refusal {
    std::string fault;
};

// What a command handler works on: the reader the packet was sent to, its
// fueling position, and what faults do to its devices.
struct CommandTarget {
    Reader& reader;
    int position;
    const TerminalCondition& condition;
};

// The readers below throw Refusal when the text does not fit.
int number(const Element& e, std::string_view key);
bool flag(const Element& e, std::string_view key);
std::string colour(const Element& e, std::string_view key);
const Element& required(const Element& parent, std::string_view childName);
std::string requiredValue(const Element& e, std::string_view key);
Geometry geometry(const Element& e);
FontSpec font(const Element& e);
WindowProperties windowProperties(const Element& command, const Element& properties);
PromptLine promptLine(const Element& e, std::string_view idKey);

} // namespace packet
} // namespace vantrel::forecourt
