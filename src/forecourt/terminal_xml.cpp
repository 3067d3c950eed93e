#include "terminal_xml.h"
#include "terminal_xml_commands.h"

#include "reader_terminals.h"

#include "server/records.h"
#include "server/terminal_vocabulary.h"

#include <map>
#include <set>
#include <string>
#include <vector>

// The terminal's command table and the handling of one packet: the document
// read, its envelope and command found, the command run through its handler
// (terminal_xml_display.cpp, terminal_xml_devices.cpp), the response queued
// ahead of what the command queued, and what the vocabulary does not know noted.

namespace vantrel::forecourt {

using namespace vantrel::xml;
using namespace packet;

namespace {

// The attributes each element inside a command takes (the commands' own
// attributes stand in their rows of the command table).
struct ElementRow {
    std::string_view name;
    std::vector<std::string_view> attributes;
};
const std::vector<ElementRow>& innerElements()
{
    static const std::vector<ElementRow> rows = {
    {MessageWindowProperties, {ForeColor, BackColor, VerticalAlignment, HorizontalAlignment}},
    {xml::SoftKeyProperties, {ForeColor, PixelsFromEdge, SoftKeyWidth, SoftKeyHeight, SoftKeyAlignment}},
    {DataEntryWindowProperties, {ForeColor}},
    {PromptDetails, {PromptId, PromptText, Description, HorizontalAlignment, VerticalAlignment}},
    {AdditionalTexts, {}},
    {AdditionalText, {Id, PromptText, HorizontalAlignment, VerticalAlignment}},
    {PrintBarCode, {Characters, Symbology}},
    {CutPaper, {}},
    {Location, {Top, Left}},
    {Size, {Width, Height}},
    {Font, {Name, Size, Style}},
    };
    return rows;
}

using KnownAttributes = std::map<std::string_view, std::set<std::string_view>>;
const KnownAttributes& knownAttributes();

// Notes every attribute and element outside the vocabulary.
void noteUnknown(const Element& e, std::vector<std::string>& notes)
{
    const auto& table = knownAttributes();
    const auto known = table.find(e.name);
    std::string where = e.name;
    if (const std::string* id = e.attribute(Id))
        where += " " + std::string(Id) + "=" + *id;
    if (known == table.end()) {
        notes.push_back("unknown element " + e.name);
    } else {
        for (const auto& [key, value] : e.attributes)
            if (!known->second.count(key))
                notes.push_back(where + ": unknown attribute " + key);
    }
    for (const auto& c : e.children)
        noteUnknown(c, notes);
}

// One row per command: its name, the envelope it travels in (none for the
// commands that are the root of their document), the attributes it takes,
// and what carrying it out does.
struct CommandRow {
    std::string_view name;
    std::string_view envelope;
    std::vector<std::string_view> attributes;
    CommandHandler apply;
};

const std::vector<CommandRow>& commands()
{
    static const std::vector<CommandRow> rows = {
        {SetMessageWindowPropertiesCommand, DisplayCommand, {SequenceNumber}, &packet::setMessageWindowProperties},
        {SetSoftKeyPropertiesCommand, DisplayCommand, {SequenceNumber}, &packet::setSoftKeyProperties},
        {SetDataEntryWindowPropertiesCommand, DisplayCommand, {SequenceNumber}, &packet::setDataEntryWindowProperties},
        {SetPromptDetailsCommand, DisplayCommand, {SequenceNumber, Language}, &packet::setPromptDetails},
        {DisplayPromptCommand, DisplayCommand, {SequenceNumber, Id, Language}, &packet::displayPrompt},
        {SetImageDetailsCommand, DisplayCommand, {SequenceNumber, ImageId, Filename, Language}, &packet::setImageDetails},
        {GetPackageVersionCommand, {}, {SequenceNumber}, &packet::getPackageVersion},
        {InitiateTransactionCommand, EMVModuleCommand, {SequenceNumber}, &packet::initiateTransaction},
        {PrintCommand, PrinterCommand, {SequenceNumber}, &packet::print},
        {DisplaySecurePromptCommand, {},
         {SequenceNumber, PromptId, Language, SecurityLevel, MaxLength, AutoTerminate, Hidden, PINSupportData},
         &packet::displaySecurePrompt},
    };
    return rows;
}

const CommandRow* findCommand(std::string_view name)
{
    for (const auto& row : commands())
        if (row.name == name)
            return &row;
    return nullptr;
}

bool isEnvelope(std::string_view name)
{
    for (const auto& row : commands())
        if (!row.envelope.empty() && row.envelope == name)
            return true;
    return false;
}

const KnownAttributes& knownAttributes()
{
    static const KnownAttributes table = [] {
        KnownAttributes t;
        for (const auto& row : commands()) {
            t[row.name].insert(row.attributes.begin(), row.attributes.end());
            if (!row.envelope.empty())
                t[row.envelope]; // an envelope takes no attributes
        }
        for (const auto& row : innerElements())
            t[row.name].insert(row.attributes.begin(), row.attributes.end());
        return t;
    }();
    return table;
}

class PacketHandler {
public:
    PacketHandler(Reader& reader, int position, const TerminalCondition& condition)
        : m_reader(reader), m_position(rec::positionText(position)), m_number(position), m_condition(condition)
    {
    }

    void handle(std::string_view xml)
    {
        std::string fault;
        const auto root = parseDocument(xml, fault);
        if (!root) {
            respondError({}, fault);
            return;
        }
        const Element* command = &*root;
        const CommandRow* row = nullptr;
        if (isEnvelope(root->name)) {
            // An envelope holds exactly one command.
            if (root->children.size() != 1) {
                respondError(root->name, root->name + " holds " + std::to_string(root->children.size()) +
                                             " commands; it takes exactly one");
                return;
            }
            command = &root->children.front();
            row = findCommand(command->name);
            if (!row || row->envelope != root->name) {
                respondError(command->name, "unknown command " + command->name + " in " + root->name);
                return;
            }
        } else {
            row = findCommand(root->name);
            if (!row || !row->envelope.empty()) {
                respondError(root->name, "unknown command " + root->name);
                return;
            }
        }
        run(*row, *command);
        noteUnknown(*root, m_reader.screen.notes);
    }

private:
    void run(const CommandRow& row, const Element& command)
    {
        const std::string sequence = command.value(SequenceNumber);
        const std::size_t queued = m_reader.packetQueue.size();
        std::string inner;
        try {
            if (command.attribute(SequenceNumber) == nullptr)
                throw Refusal{command.name + " has no " + std::string(SequenceNumber)};
            CommandTarget target{m_reader, m_number, m_condition};
            inner = row.apply(target, command, sequence);
        } catch (const Refusal& r) {
            respond(empty(responseName(command.name),
                          {{SequenceNumber, escaped(sequence)}, {Result, std::string(Failure)}, {Fault, escaped(r.fault)}}),
                    queued);
            return;
        }
        const std::string name = responseName(command.name);
        const std::string head = start(name, {{SequenceNumber, escaped(sequence)}, {Result, std::string(Success)}});
        respond(inner.empty() ? empty(name, {{SequenceNumber, escaped(sequence)}, {Result, std::string(Success)}})
                              : head + inner + close(name),
                queued);
    }

    void respondError(const std::string& command, const std::string& fault)
    {
        if (!command.empty())
            respond(empty(ErrorResponse, {{Command, escaped(command)}, {Fault, escaped(fault)}}), m_reader.packetQueue.size());
        else
            respond(empty(ErrorResponse, {{Fault, escaped(fault)}}), m_reader.packetQueue.size());
    }

    // The response goes ahead of anything the command itself queued.
    void respond(const std::string& xml, std::size_t at)
    {
        m_reader.enqueue(QueueKind::Packet, rec::packetRecord(m_position, xml), at);
    }

    Reader& m_reader;
    std::string m_position;
    int m_number;
    const TerminalCondition& m_condition;
};

} // namespace

void handleXmlPacket(Reader& reader, int position, std::string_view xml, const Clock&, const TerminalCondition& condition)
{
    reader.lastXml = std::string(xml);
    PacketHandler(reader, position, condition).handle(xml);
    reader.screen.keepXmlWithinBounds();
}

} // namespace vantrel::forecourt
