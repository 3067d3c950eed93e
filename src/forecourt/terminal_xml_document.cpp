#include "terminal_xml_document.h"

#include "server/terminal_vocabulary.h"

#include <QString>
#include <QXmlStreamReader>

#include <algorithm>
#include <cctype>
#include <charconv>

namespace vantrel::forecourt::packet {

using namespace vantrel::xml;

namespace {

// No command of the vocabulary nests deeper than a few levels; a packet
// nested far deeper is refused rather than read.
constexpr std::size_t kDeepestNesting = 32;

std::string latin1(QStringView text) { return text.toString().toLatin1().toStdString(); }

} // namespace

const std::string* Element::attribute(std::string_view key) const
{
    for (const auto& [k, v] : attributes)
        if (k == key)
            return &v;
    return nullptr;
}

std::string Element::value(std::string_view key) const
{
    const std::string* v = attribute(key);
    return v ? *v : std::string();
}

const Element* Element::child(std::string_view childName) const
{
    for (const auto& c : children)
        if (c.name == childName)
            return &c;
    return nullptr;
}

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

} // namespace vantrel::forecourt::packet
