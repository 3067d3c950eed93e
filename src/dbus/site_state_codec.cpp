#include "site_state_codec.h"

#include "forecourt/reader_terminals.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <array>
#include <charconv>
#include <cstdio>
#include <cmath>
#include <concepts>
#include <map>
#include <optional>
#include <span>
#include <type_traits>
#include <utility>
#include <vector>

namespace vantrel::dbus {

namespace {
using namespace forecourt;

// The names enums travel as, in the order of their values.
constexpr std::array<const char*, 7> kSequenceKinds = {"GraphicMode", "Code000", "CodeA", "Font",
                                                       "Position", "SoftKey", "Unknown"};
constexpr std::array<const char*, 3> kPrintedKinds = {"Text", "BarCode", "Cut"};
constexpr std::array<const char*, 5> kQueueKinds = {"Card", "Key", "Cash", "Packet", "Error"};

template <class E>
constexpr std::span<const char* const> enumNames()
{
    if constexpr (std::is_same_v<E, EscapeSequence::Kind>)
        return kSequenceKinds;
    else if constexpr (std::is_same_v<E, PrintedItem::Kind>)
        return kPrintedKinds;
    else
        return kQueueKinds;
}

template <class S, class T>
concept Is = std::same_as<std::remove_const_t<S>, T>;

// Each struct's fields, written once for both directions: `v(name, field)`.
template <class V, Is<HoseTiers> S> void fields(V& v, S& s) { v("tier1", s.tier1), v("tier2", s.tier2); }
template <class V, Is<PositionSnapshot> S> void fields(V& v, S& s)
{
    v("number", s.number), v("state", s.state), v("nozzleLifted", s.nozzleLifted), v("hasSale", s.hasSale);
    v("hoseInUse", s.hoseInUse), v("mop", s.mop), v("limitHundredths", s.limitHundredths), v("fillUp", s.fillUp);
    v("unitPrice", s.unitPrice), v("litres", s.litres), v("amount", s.amount), v("prices", s.prices);
}
template <class V, Is<EscapeSequence> S> void fields(V& v, S& s) { v("kind", s.kind), v("raw", s.raw); }
template <class V, Is<ScreenText> S> void fields(V& v, S& s)
{
    v("text", s.text), v("positioned", s.positioned), v("column", s.column), v("row", s.row), v("line", s.line);
    v("fontName", s.fontName), v("fontSize", s.fontSize);
}
template <class V, Is<SoftKeyLabel> S> void fields(V& v, S& s) { v("key", s.key), v("label", s.label); }
template <class V, Is<Geometry> S> void fields(V& v, S& s)
{
    v("top", s.top), v("left", s.left), v("width", s.width), v("height", s.height);
}
template <class V, Is<FontSpec> S> void fields(V& v, S& s) { v("name", s.name), v("size", s.size), v("style", s.style); }
template <class V, Is<WindowProperties> S> void fields(V& v, S& s)
{
    v("sequenceNumber", s.sequenceNumber), v("foreColor", s.foreColor), v("backColor", s.backColor);
    v("verticalAlignment", s.verticalAlignment), v("horizontalAlignment", s.horizontalAlignment);
    v("area", s.area), v("font", s.font);
}
template <class V, Is<SoftKeyProperties> S> void fields(V& v, S& s)
{
    v("sequenceNumber", s.sequenceNumber), v("foreColor", s.foreColor), v("alignment", s.alignment);
    v("pixelsFromEdge", s.pixelsFromEdge), v("width", s.width), v("height", s.height), v("font", s.font);
}
template <class V, Is<PromptLine> S> void fields(V& v, S& s)
{
    v("id", s.id), v("text", s.text), v("horizontalAlignment", s.horizontalAlignment);
    v("verticalAlignment", s.verticalAlignment), v("font", s.font), v("area", s.area);
}
template <class V, Is<Prompt> S> void fields(V& v, S& s)
{
    v("language", s.language), v("description", s.description), v("main", s.main), v("additional", s.additional);
}
template <class V, Is<ImageDetails> S> void fields(V& v, S& s)
{
    v("filename", s.filename), v("language", s.language), v("data", s.data);
}
template <class V, Is<SecurePrompt> S> void fields(V& v, S& s)
{
    v("promptId", s.promptId), v("language", s.language), v("securityLevel", s.securityLevel);
    v("pinSupportData", s.pinSupportData), v("maxLength", s.maxLength), v("autoTerminate", s.autoTerminate);
    v("hidden", s.hidden);
}
template <class V, Is<ScreenModel> S> void fields(V& v, S& s)
{
    v("message", s.message), v("graphicMode", s.graphicMode), v("graphicLines", s.graphicLines);
    v("sequences", s.sequences), v("texts", s.texts), v("softKeys", s.softKeys), v("scrolling", s.scrolling);
    v("signature", s.signature), v("messageWindow", s.messageWindow), v("softKeyProperties", s.softKeyProperties);
    v("dataEntryWindow", s.dataEntryWindow), v("prompts", s.prompts), v("shownPromptId", s.shownPromptId);
    v("images", s.images), v("securePrompt", s.securePrompt), v("notes", s.notes);
    v("droppedParts", s.droppedParts), v("droppedXml", s.droppedXml);
}
template <class V, Is<PrintedItem> S> void fields(V& v, S& s)
{
    v("kind", s.kind), v("job", s.job), v("text", s.text), v("symbology", s.symbology);
}
template <class V, Is<Paper> S> void fields(V& v, S& s)
{
    v("items", s.items), v("droppedItems", s.droppedItems), v("droppedLines", s.droppedLines);
}
template <class V, Is<QueueSnapshot> S> void fields(V& v, S& s)
{
    v("kind", s.kind), v("name", s.name), v("entries", s.entries), v("dropped", s.dropped);
}
template <class V, Is<ReaderSnapshot> S> void fields(V& v, S& s)
{
    v("position", s.position), v("screen", s.screen), v("paper", s.paper), v("keypad", s.keypad);
    v("entryMode", s.entryMode), v("keyEntryPending", s.keyEntryPending), v("beeps", s.beeps);
    v("chipReaderEnabled", s.chipReaderEnabled), v("queues", s.queues);
}
template <class V, Is<TankSnapshot> S> void fields(V& v, S& s)
{
    v("number", s.number), v("product", s.product), v("capacity", s.capacity), v("volume", s.volume);
    v("water", s.water), v("temperature", s.temperature);
}
template <class V, Is<WashCodeSnapshot> S> void fields(V& v, S& s)
{
    v("code", s.code), v("program", s.program), v("state", s.state);
}
template <class V, Is<CarWashSnapshot> S> void fields(V& v, S& s)
{
    v("codes", s.codes), v("droppedCodes", s.droppedCodes), v("washing", s.washing), v("washCode", s.washCode), v("washProgram", s.washProgram);
    v("secondsLeft", s.secondsLeft);
}
template <class V, Is<SiteState> S> void fields(V& v, S& s)
{
    v("version", s.version), v("clockMs", s.clockMs), v("timeDriven", s.timeDriven), v("positions", s.positions);
    v("reader", s.reader), v("tanks", s.tanks), v("tankReportStatus", s.tankReportStatus);
    v("tankReport", s.tankReport), v("carWash", s.carWash), v("signIntensity", s.signIntensity);
    v("signLines", s.signLines);
}

template <class T> struct IsVector : std::false_type {};
template <class T> struct IsVector<std::vector<T>> : std::true_type {};
template <class T> struct IsArray : std::false_type {};
template <class T, std::size_t N> struct IsArray<std::array<T, N>> : std::true_type {};
template <class T> struct IsOptional : std::false_type {};
template <class T> struct IsOptional<std::optional<T>> : std::true_type {};
template <class T> struct IsMap : std::false_type {};
template <class T> struct IsMap<std::map<std::string, T>> : std::true_type {};

// Writes JSON text straight from the fields, in their order: building a
// QJsonObject first costs several times as much.
class Encoder {
public:
    std::string out;

    void operator()(const char* name, const auto& field)
    {
        if (!m_first.back())
            out += ',';
        m_first.back() = false;
        out += '"';
        out += name;
        out += "\":";
        write(field);
    }

    template <class T>
    void write(const T& value)
    {
        if constexpr (std::is_same_v<T, bool>) {
            out += value ? "true" : "false";
        } else if constexpr (std::is_same_v<T, char>) {
            writeBytes(value ? std::string_view(&value, 1) : std::string_view());
        } else if constexpr (std::is_integral_v<T>) {
            out += std::to_string(value);
        } else if constexpr (std::is_floating_point_v<T>) {
            writeNumber(static_cast<double>(value));
        } else if constexpr (std::is_same_v<T, PositionState>) {
            // Named by the table of the states (site_state.h), whatever their order.
            const char* name = positionStateName(value);
            if (std::string_view(name) != "?")
                writeBytes(name);
            else
                out += std::to_string(static_cast<int>(value));
        } else if constexpr (std::is_enum_v<T>) {
            const auto names = enumNames<T>();
            const auto index = static_cast<std::size_t>(value);
            if (index < names.size())
                writeBytes(names[index]);
            else
                out += std::to_string(index);
        } else if constexpr (std::is_same_v<T, std::string>) {
            writeBytes(value);
        } else if constexpr (IsVector<T>::value || IsArray<T>::value) {
            out += '[';
            bool first = true;
            for (const auto& item : value) {
                if (!first)
                    out += ',';
                first = false;
                write(item);
            }
            out += ']';
        } else if constexpr (IsOptional<T>::value) {
            if (value)
                write(*value);
            else
                out += "null";
        } else if constexpr (IsMap<T>::value) {
            out += '{';
            bool first = true;
            for (const auto& [key, item] : value) {
                if (!first)
                    out += ',';
                first = false;
                writeBytes(key);
                out += ':';
                write(item);
            }
            out += '}';
        } else {
            out += '{';
            m_first.push_back(true);
            fields(*this, value);
            m_first.pop_back();
            out += '}';
        }
    }

private:
    std::vector<bool> m_first{true};

    // Each byte as the character of its code: UTF-8, with quotes, backslashes
    // and control characters escaped.
    void writeBytes(std::string_view bytes)
    {
        out += '"';
        for (const char c : bytes) {
            const auto code = static_cast<unsigned char>(c);
            if (code == '"' || code == '\\') {
                out += '\\';
                out += c;
            } else if (code < 0x20 || code == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", code);
                out += escaped;
            } else if (code < 0x80) {
                out += c;
            } else {
                out += static_cast<char>(0xC0 | (code >> 6));
                out += static_cast<char>(0x80 | (code & 0x3F));
            }
        }
        out += '"';
    }

    // The shortest text that reads back as the same double. JSON has no
    // infinity or NaN: they are written as null, which a reader refuses.
    void writeNumber(double value)
    {
        if (!std::isfinite(value)) {
            out += "null";
            return;
        }
        char text[32];
        const auto [end, error] = std::to_chars(text, text + sizeof text, value);
        out.append(text, error == std::errc() ? end : text);
    }
};

// Reads into existing values; the first thing that does not fit stops it,
// with the path to it.
class Decoder {
public:
    std::string error;

    template <class T>
    void read(const QJsonValue& json, T& value, const std::string& path)
    {
        if (!error.empty())
            return;
        if constexpr (std::is_same_v<T, bool>) {
            if (!json.isBool())
                return fail(path, "not true or false");
            value = json.toBool();
        } else if constexpr (std::is_same_v<T, char>) {
            std::string text;
            read(json, text, path);
            if (text.size() > 1)
                return fail(path, "more than one character");
            value = text.empty() ? 0 : text.front();
        } else if constexpr (std::is_integral_v<T>) {
            // toInteger gives its default for anything but a whole number.
            const qint64 whole = json.toInteger(0);
            if (!json.isDouble() || whole != json.toInteger(1))
                return fail(path, "not a whole number");
            if (!std::in_range<T>(whole))
                return fail(path, "out of range");
            value = static_cast<T>(whole);
        } else if constexpr (std::is_floating_point_v<T>) {
            // JSON has no infinity, so one read from a number too large to hold could not be written back.
            if (!json.isDouble() || !std::isfinite(json.toDouble()))
                return fail(path, "not a finite number");
            value = json.toDouble();
        } else if constexpr (std::is_same_v<T, PositionState>) {
            const auto state = json.isString() ? positionStateNamed(json.toString().toStdString()) : std::nullopt;
            if (!state)
                return fail(path, "not one of the names it can be");
            value = *state;
        } else if constexpr (std::is_enum_v<T>) {
            const auto names = enumNames<T>();
            for (std::size_t i = 0; i < names.size(); ++i)
                if (json.toString() == QLatin1String(names[i])) {
                    value = static_cast<T>(i);
                    return;
                }
            return fail(path, "not one of the names it can be");
        } else if constexpr (std::is_same_v<T, std::string>) {
            if (!json.isString())
                return fail(path, "not a string");
            value = bytes(json.toString(), path);
        } else if constexpr (IsVector<T>::value) {
            if (!json.isArray())
                return fail(path, "not a list");
            const QJsonArray list = json.toArray();
            value.assign(static_cast<std::size_t>(list.size()), {});
            for (qsizetype i = 0; i < list.size() && error.empty(); ++i)
                read(list[i], value[static_cast<std::size_t>(i)], path + "[" + std::to_string(i) + "]");
        } else if constexpr (IsArray<T>::value) {
            if (!json.isArray() || static_cast<std::size_t>(json.toArray().size()) != value.size())
                return fail(path, "not a list of " + std::to_string(value.size()));
            const QJsonArray list = json.toArray();
            for (std::size_t i = 0; i < value.size() && error.empty(); ++i)
                read(list[static_cast<qsizetype>(i)], value[i], path + "[" + std::to_string(i) + "]");
        } else if constexpr (IsOptional<T>::value) {
            if (json.isNull()) {
                value.reset();
                return;
            }
            value.emplace();
            read(json, *value, path);
        } else if constexpr (IsMap<T>::value) {
            if (!json.isObject())
                return fail(path, "not an object");
            const QJsonObject map = json.toObject();
            value.clear();
            for (auto it = map.begin(); it != map.end() && error.empty(); ++it) {
                const std::string key = bytes(it.key(), path);
                read(it.value(), value[key], path + "." + key);
            }
        } else {
            if (!json.isObject())
                return fail(path, "not an object");
            FieldReader in{*this, json.toObject(), path};
            fields(in, value);
        }
    }

private:
    struct FieldReader {
        Decoder& decoder;
        QJsonObject object;
        std::string path;
        template <class T>
        void operator()(const char* name, T& field)
        {
            const auto it = object.constFind(QLatin1String(name));
            if (it != object.constEnd())
                decoder.read(it.value(), field, path.empty() ? name : path + "." + name);
        }
    };

    void fail(const std::string& path, const std::string& why)
    {
        if (error.empty())
            error = (path.empty() ? std::string("the state") : path) + ": " + why;
    }

    std::string bytes(const QString& text, const std::string& path)
    {
        std::string out;
        out.reserve(static_cast<std::size_t>(text.size()));
        for (const QChar c : text) {
            if (c.unicode() > 0xFF) {
                fail(path, "a character above 255");
                return {};
            }
            out.push_back(static_cast<char>(c.unicode()));
        }
        return out;
    }
};
} // namespace

QByteArray encodeSiteState(const SiteState& state)
{
    Encoder encoder;
    encoder.out.reserve(16 * 1024);
    encoder.out += '{';
    encoder("format", kSiteStateFormat);
    fields(encoder, state);
    encoder.out += '}';
    return QByteArray(encoder.out.data(), static_cast<qsizetype>(encoder.out.size()));
}

std::optional<SiteState> decodeSiteState(const QByteArray& json, std::string& error)
{
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError) {
        error = "not JSON: " + parse.errorString().toStdString() + " at offset " + std::to_string(parse.offset);
        return std::nullopt;
    }
    if (!document.isObject()) {
        error = "not a JSON object";
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    if (object.value(QStringLiteral("format")).toInt() != kSiteStateFormat) {
        error = "not format " + std::to_string(kSiteStateFormat) + " (it says " +
                object.value(QStringLiteral("format")).toVariant().toString().toStdString() + ")";
        return std::nullopt;
    }
    Decoder decoder;
    SiteState state;
    decoder.read(QJsonValue(object), state, "");
    if (!decoder.error.empty()) {
        error = decoder.error;
        return std::nullopt;
    }
    return state;
}

} // namespace vantrel::dbus
