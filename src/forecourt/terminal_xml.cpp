#include "terminal_xml.h"

#include "reader_terminals.h"

#include "server/automation_error.h"
#include "server/records.h"
#include "server/terminal_vocabulary.h"

#include <QString>
#include <QXmlStreamReader>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace vantrel::forecourt {

using namespace vantrel::xml;

namespace {

constexpr std::array kPackages = {
    PackageVersion{"Display", "2.4.1"},
    PackageVersion{"EMVModule", "1.7.0"},
    PackageVersion{"Printer", "1.2.3"},
    PackageVersion{"SecurePrompt", "3.0.2"},
};

// The job under which XML print commands reach the paper.
constexpr const char* kPacketJob = "Packet";

// No command of the vocabulary nests deeper than a few levels; a packet
// nested far deeper is refused rather than read.
constexpr std::size_t kDeepestNesting = 32;

// One element of a command document, read whole before anything is applied.
struct Element {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<Element> children;
    std::string text;

    const std::string* attribute(std::string_view key) const
    {
        for (const auto& [k, v] : attributes)
            if (k == key)
                return &v;
        return nullptr;
    }
    std::string value(std::string_view key) const
    {
        const std::string* v = attribute(key);
        return v ? *v : std::string();
    }
    const Element* child(std::string_view childName) const
    {
        for (const auto& c : children)
            if (c.name == childName)
                return &c;
        return nullptr;
    }
};

std::string latin1(QStringView text) { return text.toString().toLatin1().toStdString(); }

// Reads the document; on a fault returns nothing and says what is wrong.
std::optional<Element> parseDocument(std::string_view xml, std::string& fault)
{
    QXmlStreamReader reader(QString::fromLatin1(xml.data(), static_cast<qsizetype>(xml.size())));
    std::vector<Element> open;
    std::optional<Element> root;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            if (open.size() >= kDeepestNesting) {
                fault = "Elements nested deeper than " + std::to_string(kDeepestNesting) + " levels";
                return std::nullopt;
            }
            Element e;
            e.name = latin1(reader.name());
            for (const auto& a : reader.attributes())
                e.attributes.emplace_back(latin1(a.qualifiedName()), latin1(a.value()));
            open.push_back(std::move(e));
            break;
        }
        case QXmlStreamReader::EndElement: {
            Element done = std::move(open.back());
            open.pop_back();
            if (open.empty())
                root = std::move(done);
            else
                open.back().children.push_back(std::move(done));
            break;
        }
        case QXmlStreamReader::Characters:
            if (!open.empty())
                open.back().text += latin1(reader.text());
            break;
        default: break;
        }
    }
    if (reader.hasError()) {
        fault = "Malformed XML: " + reader.errorString().toStdString() + " (line " + std::to_string(reader.lineNumber()) +
                ", column " + std::to_string(reader.columnNumber()) + ")";
        return std::nullopt;
    }
    if (!root) {
        fault = "The packet holds no XML element";
        return std::nullopt;
    }
    return root;
}

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

// A command that cannot be carried out; it changes nothing.
struct Refusal {
    std::string fault;
};

int number(const Element& e, std::string_view key)
{
    const std::string* text = e.attribute(key);
    if (!text)
        return 0;
    int n = 0;
    const char* first = text->data();
    const char* last = first + text->size();
    const auto [end, ec] = std::from_chars(first, last, n);
    if (text->empty() || ec != std::errc() || end != last)
        throw Refusal{e.name + " " + std::string(key) + " is not a whole number: \"" + *text + "\""};
    return n;
}

bool flag(const Element& e, std::string_view key)
{
    const std::string text = e.value(key);
    if (text.empty() || text == "false")
        return false;
    if (text == "true")
        return true;
    throw Refusal{e.name + " " + std::string(key) + " is neither true nor false: \"" + text + "\""};
}

std::string colour(const Element& e, std::string_view key)
{
    const std::string text = e.value(key);
    const bool hex = std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
    if (!text.empty() && (text.size() != 8 || !hex))
        throw Refusal{e.name + " " + std::string(key) + " is not eight hexadecimal digits: \"" + text + "\""};
    return text;
}

const Element& required(const Element& parent, std::string_view childName)
{
    const Element* c = parent.child(childName);
    if (!c)
        throw Refusal{parent.name + " holds no " + std::string(childName)};
    return *c;
}

std::string requiredValue(const Element& e, std::string_view key)
{
    const std::string* v = e.attribute(key);
    if (!v || v->empty())
        throw Refusal{e.name + " has no " + std::string(key)};
    return *v;
}

Geometry geometry(const Element& e)
{
    Geometry g;
    if (const Element* l = e.child(Location)) {
        g.top = number(*l, Top);
        g.left = number(*l, Left);
    }
    if (const Element* s = e.child(Size)) {
        g.width = number(*s, Width);
        g.height = number(*s, Height);
    }
    return g;
}

FontSpec font(const Element& e)
{
    FontSpec f;
    if (const Element* font = e.child(Font)) {
        f.name = font->value(Name);
        f.size = number(*font, Size);
        f.style = number(*font, Style);
    }
    return f;
}

WindowProperties windowProperties(const Element& command, const Element& properties)
{
    WindowProperties w;
    w.sequenceNumber = command.value(SequenceNumber);
    w.foreColor = colour(properties, ForeColor);
    w.backColor = colour(properties, BackColor);
    w.verticalAlignment = properties.value(VerticalAlignment);
    w.horizontalAlignment = properties.value(HorizontalAlignment);
    w.area = geometry(properties);
    w.font = font(properties);
    return w;
}

PromptLine promptLine(const Element& e, std::string_view idKey)
{
    PromptLine line;
    line.id = e.value(idKey);
    line.text = e.value(PromptText);
    line.horizontalAlignment = e.value(HorizontalAlignment);
    line.verticalAlignment = e.value(VerticalAlignment);
    line.font = font(e);
    line.area = geometry(e);
    return line;
}

class PacketHandler;

// One row per command: its name, the envelope it travels in (none for the
// commands that are the root of their document), the attributes it takes,
// and what carrying it out does.
struct CommandRow {
    std::string_view name;
    std::string_view envelope;
    std::vector<std::string_view> attributes;
    // Returns what the response holds beyond its attributes.
    std::string (PacketHandler::*apply)(const Element& command, const std::string& sequence);
};

const std::vector<CommandRow>& commands();

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
    PacketHandler(Reader& reader, int position) : m_reader(reader), m_position(rec::positionText(position)), m_number(position) {}

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

    std::string setMessageWindowProperties(const Element& c, const std::string&)
    {
        m_reader.screen.messageWindow = windowProperties(c, required(c, MessageWindowProperties));
        return {};
    }

    std::string setDataEntryWindowProperties(const Element& c, const std::string&)
    {
        m_reader.screen.dataEntryWindow = windowProperties(c, required(c, DataEntryWindowProperties));
        return {};
    }

    std::string setSoftKeyProperties(const Element& c, const std::string& sequence)
    {
        const Element& p = required(c, xml::SoftKeyProperties);
        SoftKeyProperties k;
        k.sequenceNumber = sequence;
        k.foreColor = colour(p, ForeColor);
        k.pixelsFromEdge = number(p, PixelsFromEdge);
        k.width = number(p, SoftKeyWidth);
        k.height = number(p, SoftKeyHeight);
        k.alignment = p.value(SoftKeyAlignment);
        k.font = font(p);
        m_reader.screen.softKeyProperties = k;
        return {};
    }

    std::string setPromptDetails(const Element& c, const std::string&)
    {
        const Element& d = required(c, PromptDetails);
        Prompt p;
        p.language = c.value(Language);
        p.description = d.value(Description);
        p.main = promptLine(d, PromptId);
        if (p.main.id.empty())
            throw Refusal{std::string(PromptDetails) + " has no " + std::string(PromptId)};
        if (const Element* texts = d.child(AdditionalTexts))
            for (const auto& t : texts->children)
                if (t.name == AdditionalText)
                    p.additional.push_back(promptLine(t, Id));
        m_reader.screen.prompts[p.main.id] = std::move(p);
        return {};
    }

    std::string displayPrompt(const Element& c, const std::string&)
    {
        const std::string id = requiredValue(c, Id);
        if (!m_reader.screen.prompts.count(id))
            throw Refusal{"prompt " + id + " is not defined"};
        m_reader.screen.shownPromptId = id;
        return {};
    }

    std::string setImageDetails(const Element& c, const std::string&)
    {
        const std::string id = requiredValue(c, ImageId);
        m_reader.screen.images[id] = ImageDetails{c.value(Filename), c.value(Language), c.text};
        return {};
    }

    std::string displaySecurePrompt(const Element& c, const std::string&)
    {
        SecurePrompt s;
        s.promptId = requiredValue(c, PromptId);
        s.language = c.value(Language);
        s.securityLevel = c.value(SecurityLevel);
        s.maxLength = number(c, MaxLength);
        s.autoTerminate = flag(c, AutoTerminate);
        s.hidden = flag(c, Hidden);
        s.pinSupportData = c.value(PINSupportData);
        m_reader.screen.securePrompt = s;
        return {};
    }

    std::string getPackageVersion(const Element&, const std::string&)
    {
        std::string packages;
        for (const auto& p : kPackages)
            packages += empty(Package, {{Name, p.name}, {Version, p.version}});
        return packages;
    }

    std::string initiateTransaction(const Element&, const std::string& sequence)
    {
        try {
            initiateEmvTransaction(m_reader, m_number, sequence);
        } catch (const AutomationError& e) {
            throw Refusal{e.description()};
        }
        return {};
    }

    // Bar codes and cuts go to the paper in the order the command lists them.
    std::string print(const Element& c, const std::string&)
    {
        for (const auto& item : c.children)
            if (item.name == PrintBarCode)
                requiredValue(item, Characters);
        for (const auto& item : c.children) {
            if (item.name == PrintBarCode)
                m_reader.paper.addBarCode(kPacketJob, item.value(Characters), item.value(Symbology));
            else if (item.name == CutPaper)
                m_reader.paper.addCut(kPacketJob);
        }
        return {};
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
            inner = (this->*row.apply)(command, sequence);
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
};

const std::vector<CommandRow>& commands()
{
    using H = PacketHandler;
    static const std::vector<CommandRow> rows = {
        {SetMessageWindowPropertiesCommand, DisplayCommand, {SequenceNumber}, &H::setMessageWindowProperties},
        {SetSoftKeyPropertiesCommand, DisplayCommand, {SequenceNumber}, &H::setSoftKeyProperties},
        {SetDataEntryWindowPropertiesCommand, DisplayCommand, {SequenceNumber}, &H::setDataEntryWindowProperties},
        {SetPromptDetailsCommand, DisplayCommand, {SequenceNumber, Language}, &H::setPromptDetails},
        {DisplayPromptCommand, DisplayCommand, {SequenceNumber, Id, Language}, &H::displayPrompt},
        {SetImageDetailsCommand, DisplayCommand, {SequenceNumber, ImageId, Filename, Language}, &H::setImageDetails},
        {GetPackageVersionCommand, {}, {SequenceNumber}, &H::getPackageVersion},
        {InitiateTransactionCommand, EMVModuleCommand, {SequenceNumber}, &H::initiateTransaction},
        {PrintCommand, PrinterCommand, {SequenceNumber}, &H::print},
        {DisplaySecurePromptCommand, {},
         {SequenceNumber, PromptId, Language, SecurityLevel, MaxLength, AutoTerminate, Hidden, PINSupportData},
         &H::displaySecurePrompt},
    };
    return rows;
}

} // namespace

std::span<const PackageVersion> packageVersions() { return kPackages; }

void handleXmlPacket(Reader& reader, int position, std::string_view xml, const Clock&)
{
    reader.lastXml = std::string(xml);
    PacketHandler(reader, position).handle(xml);
    reader.screen.keepXmlWithinBounds();
}

} // namespace vantrel::forecourt
