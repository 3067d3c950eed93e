// The simulated site's state, field by field, for its JSON writer and
// reader (site_state_codec.cpp and site_state_decoder.cpp): the names enums
// travel as, and each struct's fields, written once for both directions so
// the two can never disagree on a name or an order.
#pragma once

#include "forecourt/reader_terminals.h"
#include "forecourt/site_state.h"

#include <array>
#include <concepts>
#include <cstddef>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

namespace vantrel::dbus::sitefields {

using namespace vantrel::forecourt;

// The names enums travel as, in the order of their values.
inline constexpr std::array<const char*, 7> kSequenceKinds = {"GraphicMode", "Code000", "CodeA", "Font",
                                                       "Position", "SoftKey", "Unknown"};
inline constexpr std::array<const char*, 3> kPrintedKinds = {"Text", "BarCode", "Cut"};
inline constexpr std::array<const char*, 5> kQueueKinds = {"Card", "Key", "Cash", "Packet", "Error"};

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
    v("number", s.number), v("installed", s.installed), v("state", s.state), v("nozzleLifted", s.nozzleLifted);
    v("hasSale", s.hasSale);
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
template <class V, Is<TrafficSnapshot> S> void fields(V& v, S& s)
{
    v("customersPerMinute", s.customersPerMinute), v("seed", s.seed), v("served", s.served);
    v("leftUnserved", s.leftUnserved), v("atSite", s.atSite);
}
template <class V, Is<SiteState> S> void fields(V& v, S& s)
{
    v("version", s.version), v("clockMs", s.clockMs), v("timeDriven", s.timeDriven), v("positions", s.positions);
    v("reader", s.reader), v("tanks", s.tanks), v("tankReportStatus", s.tankReportStatus);
    v("tankReport", s.tankReport), v("carWash", s.carWash), v("signIntensity", s.signIntensity);
    v("signLines", s.signLines), v("faults", s.faults), v("traffic", s.traffic);
}

template <class T> struct IsVector : std::false_type {};
template <class T> struct IsVector<std::vector<T>> : std::true_type {};
template <class T> struct IsArray : std::false_type {};
template <class T, std::size_t N> struct IsArray<std::array<T, N>> : std::true_type {};
template <class T> struct IsOptional : std::false_type {};
template <class T> struct IsOptional<std::optional<T>> : std::true_type {};
template <class T> struct IsMap : std::false_type {};
template <class T> struct IsMap<std::map<std::string, T>> : std::true_type {};

} // namespace vantrel::dbus::sitefields
