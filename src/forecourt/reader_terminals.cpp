#include "reader_terminals.h"

#include "print_splitter.h"
#include "reader_record_fields.h"
#include "terminal_xml.h"
#include "text_helpers.h"

#include "server/records.h"

#include <algorithm>
#include <charconv>

namespace vantrel::forecourt {

namespace {

// Each queue with its name in the count answer.
struct QueueRow {
    QueueKind kind;
    std::deque<std::string> Reader::*queue;
    const char* countName;
};
constexpr QueueRow kQueues[] = {
    {QueueKind::Card, &Reader::cardQueue, "Card"},
    {QueueKind::Key, &Reader::keyQueue, "Key"},
    {QueueKind::Cash, &Reader::cashQueue, "Cash"},
    {QueueKind::Packet, &Reader::packetQueue, "Packet"},
    {QueueKind::Error, &Reader::errorQueue, "Error"},
};

constexpr bool inKindOrder()
{
    for (std::size_t i = 0; i < std::size(kQueues); ++i)
        if (static_cast<std::size_t>(kQueues[i].kind) != i)
            return false;
    return std::size(kQueues) == static_cast<std::size_t>(QueueKind::Error) + 1;
}
static_assert(inKindOrder(), "kQueues holds every queue, in the order of QueueKind");

const QueueRow& rowOf(QueueKind kind) { return kQueues[static_cast<std::size_t>(kind)]; }


int readerOf(const ParsedRecord& record) { return parsePosition(record.require("ReaderPosition")); }

// The keyed lines in front of a message-like field, read line by line.
ParsedRecord headOf(const std::string& record, std::string_view field)
{
    return parseRecord(linesBefore(record, field), false);
}

std::string fieldToEnd(const std::string& record, std::string_view field)
{
    auto value = valueToEnd(record, field);
    if (!value)
        throw AutomationError(ErrorCode::MissingKey, "no \"" + std::string(field) + "=\" line");
    return *value;
}

std::optional<int> wholeNumber(std::string_view text)
{
    const std::string t = trim(text);
    int n = 0;
    if (!allDigits(t))
        return std::nullopt;
    const auto res = std::from_chars(t.data(), t.data() + t.size(), n);
    if (res.ec != std::errc())
        return std::nullopt;
    return n;
}

// Card swipes and cash insertions waiting when the server starts.
struct StartEntry {
    int position;
    QueueKind queue;
    const char* entry;
};
const StartEntry kStartUp[] = {
    {1, QueueKind::Card, "ReaderPosition=01\r\nCardType=Visa\r\nTrack2=;4111111111111111=28121010000000000000?"},
    {3, QueueKind::Card, "ReaderPosition=03\r\nCardType=MasterCard\r\nTrack2=;5555555555554444=27081010000000000000?"},
    {2, QueueKind::Cash, "ReaderPosition=02\r\nCashAmount=20.00"},
    {2, QueueKind::Cash, "ReaderPosition=02\r\nCashAmount=5.00"},
    {4, QueueKind::Cash, "ReaderPosition=04\r\nCashAmount=10.00"},
};

// A non-XML packet is echoed back; the answer keeps a three-digit count.
constexpr std::size_t kLongestAnswer = 999;

} // namespace

std::deque<std::string>& Reader::queue(QueueKind kind) { return this->*rowOf(kind).queue; }
const std::deque<std::string>& Reader::queue(QueueKind kind) const { return this->*rowOf(kind).queue; }

bool Reader::enqueue(QueueKind kind, std::string entry, std::size_t at)
{
    auto& q = queue(kind);
    std::size_t bytes = entry.size();
    for (const auto& e : q)
        bytes += e.size();
    if (q.size() >= kQueueEntries || bytes > kQueueBytes) {
        ++droppedEntries[static_cast<std::size_t>(kind)];
        return false;
    }
    q.insert(q.begin() + static_cast<std::ptrdiff_t>(std::min(at, q.size())), std::move(entry));
    return true;
}

ReaderTerminals::ReaderTerminals(const Clock& clock, const SiteFaults& faults)
    : m_clock(clock), m_faults(faults), m_keys(clock)
{
    for (const auto& e : kStartUp)
        reader(e.position).enqueue(e.queue, e.entry);
}

void ReaderTerminals::catchUp()
{
    m_keys.deliverDue([this](int position, std::string entry) { reader(position).enqueue(QueueKind::Key, std::move(entry)); });
}

void ReaderTerminals::queueError(int position, ErrorCode code, const std::string& detail)
{
    std::string entry;
    addLine(entry, "ReaderPosition", rec::positionText(position));
    addLine(entry, "ErrorNumber", std::to_string(static_cast<int>(code)));
    // A detail quotes what was sent, which may be long: the queue keeps its start.
    std::string shortDetail = detail.substr(0, kQueuedErrorDetail);
    if (detail.size() > kQueuedErrorDetail)
        shortDetail += "... (" + std::to_string(detail.size()) + " bytes)";
    addLine(entry, "Error", AutomationError(code, shortDetail).description());
    reader(position).enqueue(QueueKind::Error, std::move(entry));
}

bool ReaderTerminals::offline(int position) const
{
    return m_faults.has(FaultDevice::Reader, position, FaultKind::Offline);
}

bool ReaderTerminals::declinesCards(int position) const
{
    return m_faults.has(FaultDevice::Reader, position, FaultKind::Decline);
}

void ReaderTerminals::setInstalled(int position, bool installed)
{
    Reader& r = reader(position);
    r.installed = installed;
    if (!installed)
        for (const auto& row : kQueues)
            r.queue(row.kind).clear();
}

Reader& ReaderTerminals::answering(int position)
{
    Reader& r = reader(position);
    if (!r.installed)
        throw AutomationError(ErrorCode::PositionNotInstalled, "reader " + rec::positionText(position));
    if (offline(position))
        throw AutomationError(ErrorCode::ReaderNotAnswering, "reader " + rec::positionText(position));
    return r;
}

std::optional<ErrorCode> ReaderTerminals::printerError(int position) const
{
    if (m_faults.has(FaultDevice::Reader, position, FaultKind::PaperOut))
        return ErrorCode::PrinterPaperOut;
    if (m_faults.has(FaultDevice::Reader, position, FaultKind::Jam))
        return ErrorCode::PrinterJammed;
    return std::nullopt;
}

std::string ReaderTerminals::queueTop(QueueKind kind)
{
    catchUp();
    for (int p = 1; p <= FuelingPositions::kPositions; ++p)
        if (!silent(p) && !reader(p).queue(kind).empty())
            return reader(p).queue(kind).front();
    return {};
}

std::int32_t ReaderTerminals::clearQueueTop(QueueKind kind)
{
    catchUp();
    std::int32_t left = 0;
    bool removed = false;
    for (int p = 1; p <= FuelingPositions::kPositions; ++p) {
        auto& queue = reader(p).queue(kind);
        if (silent(p))
            continue;
        if (!removed && !queue.empty()) {
            queue.pop_front();
            removed = true;
        }
        left += static_cast<std::int32_t>(queue.size());
    }
    return left;
}

std::string ReaderTerminals::queCountQuery()
{
    catchUp();
    std::string counts;
    for (const auto& row : kQueues) {
        std::size_t n = 0;
        for (int p = 1; p <= FuelingPositions::kPositions; ++p)
            n += silent(p) ? 0 : reader(p).queue(row.kind).size();
        addLine(counts, row.countName, std::to_string(n));
    }
    return counts;
}

void ReaderTerminals::displayData(const std::string& record)
{
    catchUp();
    const int position = readerOf(headOf(record, "Message"));
    // Line ends after the last line are no part of what the display shows.
    const std::string message = fieldToEnd(record, "Message");
    answering(position).screen.showMessage(std::string(withoutLineEnds(message)));
}

void ReaderTerminals::preloadDisplayMessage(const std::string& record)
{
    catchUp();
    const auto head = headOf(record, "Message");
    const auto section = wholeNumber(head.require("Section"));
    const std::string typeText = trim(head.require("MessageType"));
    const auto number = wholeNumber(head.require("MessageNumber"));
    std::string type;
    if (equalsIgnoreCase(typeText, "Card"))
        type = "Card";
    else if (equalsIgnoreCase(typeText, "Printer"))
        type = "Printer";
    if (!section || !number || type.empty())
        throw AutomationError(ErrorCode::PreloadInvalid, "section \"" + trim(head.require("Section")) + "\", type \"" +
                                                             typeText + "\", number \"" +
                                                             trim(head.require("MessageNumber")) + "\"");
    PromptKey key{*section, type, *number};
    if (m_prompts.size() >= kPreloadedMessages && !m_prompts.contains(key))
        throw AutomationError(ErrorCode::PreloadInvalid, "the readers hold at most " + std::to_string(kPreloadedMessages) +
                                                             " preloaded messages, and hold that many");
    m_prompts[std::move(key)] = std::string(withoutFinalLineEnd(fieldToEnd(record, "Message")));
}

std::optional<std::string> ReaderTerminals::preloaded(int section, std::string_view type, int number) const
{
    const auto it = m_prompts.find({section, std::string(type), number});
    return it == m_prompts.end() ? std::nullopt : std::optional<std::string>(it->second);
}

void ReaderTerminals::printOutput(const std::string& record)
{
    catchUp();
    const auto head = headOf(record, "Message");
    const int position = readerOf(head);
    Paper& paper = answering(position).paper;
    const std::string job = trim(head.find("Job").value_or("Receipt"));
    const std::string message = fieldToEnd(record, "Message");
    if (const auto error = printerError(position)) {
        queueError(position, *error, "the " + job + " job was not printed");
        return; // the printer cannot print; the error queue says why
    }
    printWithBarCodes(paper, job, message);
}

void ReaderTerminals::keyPadConfiguration(const std::string& record)
{
    catchUp();
    const int position = readerOf(headOf(record, "KeyData"));
    answering(position);
    const std::string layout(withoutFinalLineEnd(fieldToEnd(record, "KeyData")));
    if (trim(layout).empty()) {
        queueError(position, ErrorCode::EmptyKeypadConfiguration, {});
        return;
    }
    reader(position).keypad = layout;
}

void ReaderTerminals::keyEntryType(const std::string& record)
{
    catchUp();
    const auto parsed = parseRecord(record, true);
    const int position = readerOf(parsed);
    answering(position);
    const std::string mode = trim(parsed.require("EntryMode"));
    const KeyedEntry keyed = KeyEntrySimulator::keysFor(position, mode, reader(position).keyEntries);
    if (keyed.refusal) {
        queueError(position, *keyed.refusal, keyed.detail);
        return; // the reader cannot act on it; the error queue says why
    }
    // A new request replaces one the customer has not answered yet.
    reader(position).entryMode = mode;
    m_keys.request(position, "ReaderPosition=" + rec::positionText(position) + "\r\nEntryMode=" + mode + "\r\n" + keyed.keys);
}

void ReaderTerminals::beeperControl(const std::string& record)
{
    catchUp();
    const auto parsed = parseRecord(record, true);
    const int position = readerOf(parsed);
    answering(position);
    const std::string count = parsed.require("BeepCounts");
    const auto beeps = wholeNumber(count);
    if (!beeps) {
        queueError(position, ErrorCode::InvalidBeepCount, "\"" + count + "\"");
        return;
    }
    reader(position).beeps += *beeps;
}

void ReaderTerminals::packetQueOutput(const std::string& record)
{
    catchUp();
    const OutputPacket packet = readOutputPacket(record);
    Reader& r = answering(packet.position);
    const auto first = packet.data.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        queueError(packet.position, ErrorCode::EmptyPacket, {});
        return;
    }
    if (packet.data[first] == '<') {
        if (packet.data.size() > kLargestXmlPacket)
            throw AutomationError(ErrorCode::ValueTooLarge, "an XML packet has at most " + groupedNumber(kLargestXmlPacket) +
                                                                " bytes, this one " + groupedNumber(packet.data.size()));
        TerminalCondition condition;
        if (const auto error = printerError(packet.position))
            condition.printerError = AutomationError(*error).description();
        condition.declinesCards = declinesCards(packet.position);
        handleXmlPacket(r, packet.position, packet.data, m_clock, condition);
        return;
    }
    r.enqueue(QueueKind::Packet, rec::packetRecord(rec::positionText(packet.position),
                                                   std::string_view(packet.data).substr(0, kLongestAnswer), 3));
}

void ReaderTerminals::snapshot(int position, ReaderSnapshot& out) const
{
    const Reader& r = reader(position);
    out.position = position;
    out.screen = r.screen;
    out.paper = r.paper;
    out.keypad = r.keypad;
    out.entryMode = r.entryMode;
    out.keyEntryPending = m_keys.pendingAt(position);
    out.beeps = r.beeps;
    out.chipReaderEnabled = r.emv.chipReaderEnabled;
    out.queues.clear();
    for (const auto& row : kQueues)
        out.queues.push_back({row.kind, row.countName, {r.queue(row.kind).begin(), r.queue(row.kind).end()},
                              r.droppedEntries[static_cast<std::size_t>(row.kind)]});
}

} // namespace vantrel::forecourt
