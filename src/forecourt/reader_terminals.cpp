#include "reader_terminals.h"

#include "reader_record_fields.h"
#include "terminal_xml.h"

#include "server/records.h"

#include <algorithm>
#include <charconv>

namespace vantrel::forecourt {

namespace {

using Queue = std::deque<std::string> Reader::*;

std::string topEntry(const std::array<Reader, 33>& readers, Queue queue)
{
    for (const auto& r : readers)
        if (!(r.*queue).empty())
            return (r.*queue).front();
    return {};
}

std::int32_t clearTop(std::array<Reader, 33>& readers, Queue queue)
{
    std::int32_t left = 0;
    bool removed = false;
    for (auto& r : readers) {
        if (!removed && !(r.*queue).empty()) {
            (r.*queue).pop_front();
            removed = true;
        }
        left += static_cast<std::int32_t>((r.*queue).size());
    }
    return left;
}

std::size_t total(const std::array<Reader, 33>& readers, Queue queue)
{
    std::size_t n = 0;
    for (const auto& r : readers)
        n += (r.*queue).size();
    return n;
}

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

bool isDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<int> wholeNumber(std::string_view text)
{
    const std::string t = trim(text);
    int n = 0;
    if (!isDigits(t))
        return std::nullopt;
    const auto res = std::from_chars(t.data(), t.data() + t.size(), n);
    if (res.ec != std::errc())
        return std::nullopt;
    return n;
}

std::string crLfToLf(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return out;
}

// A deterministic 64-bit mix, so that each simulated PIN block differs.
std::uint64_t mix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::string hex16(std::uint64_t x)
{
    static const char* digits = "0123456789ABCDEF";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, x >>= 4)
        text[static_cast<std::size_t>(i)] = digits[x & 0xF];
    return text;
}

// What the simulated customer keys in, by entry mode.
struct ModeKeys {
    const char* mode;
    const char* key;   // "KeyData", "FunctionKey", or "PINBlock" for the encrypted modes
    const char* value; // unused for PIN blocks
};
constexpr ModeKeys kModes[] = {
    {"NumericWithOutEcho", "KeyData", "1234"},
    {"NumericWithEcho", "KeyData", "1234"},
    {"NumericWithOutEchoNoCursor", "KeyData", "1234"},
    {"NumericWithEchoNoCursor", "KeyData", "1234"},
    {"DESEncryption", "PINBlock", ""},
    {"DESEncryptionNoCursor", "PINBlock", ""},
    {"AlphaAndNumeric", "KeyData", "AB12"},
    {"AlphaWithNumericOnly", "KeyData", "5678"},
    {"AlphaOnly", "KeyData", "ABCD"},
    {"AnyKey", "FunctionKey", "Enter"},
};
constexpr std::string_view kSecurePromptModes[] = {"SecurePromptNumericNoEcho", "SecurePromptNumericEcho"};
constexpr const char* kSecurePromptKeys = "2468";

// Card swipes and cash insertions waiting when the server starts.
struct StartEntry {
    int position;
    Queue queue;
    const char* entry;
};
const StartEntry kStartUp[] = {
    {1, &Reader::cardQueue, "ReaderPosition=01\r\nCardType=Visa\r\nTrack2=;4111111111111111=28121010000000000000?"},
    {3, &Reader::cardQueue, "ReaderPosition=03\r\nCardType=MasterCard\r\nTrack2=;5555555555554444=27081010000000000000?"},
    {2, &Reader::cashQueue, "ReaderPosition=02\r\nCashAmount=20.00"},
    {2, &Reader::cashQueue, "ReaderPosition=02\r\nCashAmount=5.00"},
    {4, &Reader::cashQueue, "ReaderPosition=04\r\nCashAmount=10.00"},
};

// A non-XML packet is echoed back; the answer keeps a three-digit count.
constexpr std::size_t kLongestAnswer = 999;

} // namespace

ReaderTerminals::ReaderTerminals(const Clock& clock) : m_clock(clock)
{
    for (const auto& e : kStartUp)
        (reader(e.position).*e.queue).push_back(e.entry);
}

void ReaderTerminals::catchUp()
{
    const Millis now = m_clock.now();
    auto due = m_pendingKeys.begin();
    for (; due != m_pendingKeys.end() && due->due <= now; ++due)
        reader(due->position).keyQueue.push_back(std::move(due->entry));
    m_pendingKeys.erase(m_pendingKeys.begin(), due);
}

void ReaderTerminals::queueError(int position, ErrorCode code, const std::string& detail)
{
    reader(position).errorQueue.push_back("ReaderPosition=" + rec::positionText(position) + "\r\nErrorNumber=" +
                                          std::to_string(static_cast<int>(code)) + "\r\nError=" +
                                          AutomationError(code, detail).description());
}

std::string ReaderTerminals::cardQue() {
    catchUp();
    return topEntry(m_readers, &Reader::cardQueue);
}
std::string ReaderTerminals::keyQue() {
    catchUp();
    return topEntry(m_readers, &Reader::keyQueue);
}
std::string ReaderTerminals::cashInQue() {
    catchUp();
    return topEntry(m_readers, &Reader::cashQueue);
}
std::string ReaderTerminals::packetQueInput() {
    catchUp();
    return topEntry(m_readers, &Reader::packetQueue);
}
std::string ReaderTerminals::readErrorQue() {
    catchUp();
    return topEntry(m_readers, &Reader::errorQueue);
}

std::string ReaderTerminals::queCountQuery()
{
    catchUp();
    return "Card=" + std::to_string(total(m_readers, &Reader::cardQueue)) +
           "\r\nKey=" + std::to_string(total(m_readers, &Reader::keyQueue)) +
           "\r\nCash=" + std::to_string(total(m_readers, &Reader::cashQueue)) +
           "\r\nPacket=" + std::to_string(total(m_readers, &Reader::packetQueue)) +
           "\r\nError=" + std::to_string(total(m_readers, &Reader::errorQueue));
}

std::int32_t ReaderTerminals::clearTopCardQue() {
    catchUp();
    return clearTop(m_readers, &Reader::cardQueue);
}
std::int32_t ReaderTerminals::clearTopKeyQue() {
    catchUp();
    return clearTop(m_readers, &Reader::keyQueue);
}
std::int32_t ReaderTerminals::clearTopCashQue() {
    catchUp();
    return clearTop(m_readers, &Reader::cashQueue);
}
std::int32_t ReaderTerminals::clearPacketEntry() {
    catchUp();
    return clearTop(m_readers, &Reader::packetQueue);
}
std::int32_t ReaderTerminals::clearErrorQue() {
    catchUp();
    return clearTop(m_readers, &Reader::errorQueue);
}

void ReaderTerminals::displayData(const std::string& record)
{
    catchUp();
    const int position = readerOf(headOf(record, "Message"));
    // Line ends after the last line are no part of what the display shows.
    std::string message = fieldToEnd(record, "Message");
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    reader(position).screen.showMessage(message);
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
    m_prompts[{*section, type, *number}] = std::string(withoutFinalLineEnd(fieldToEnd(record, "Message")));
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
    Paper& paper = reader(readerOf(head)).paper;
    const std::string job = trim(head.find("Job").value_or("Receipt"));
    // The paper keeps line feeds; a bar code line (ESC "B" characters ETX)
    // prints as a bar code between the text around it.
    const std::string text = crLfToLf(fieldToEnd(record, "Message"));
    std::size_t at = 0;
    while (at < text.size()) {
        const auto esc = text.find("\x1b" "B", at);
        const auto etx = esc == std::string::npos ? std::string::npos : text.find('\x03', esc);
        if (etx == std::string::npos) {
            paper.addText(job, text.substr(at));
            break;
        }
        if (esc > at)
            paper.addText(job, text.substr(at, esc - at));
        paper.addBarCode(job, text.substr(esc + 2, etx - esc - 2), "ESC B");
        at = etx + 1;
    }
}

void ReaderTerminals::keyPadConfiguration(const std::string& record)
{
    catchUp();
    const int position = readerOf(headOf(record, "KeyData"));
    const std::string layout(withoutFinalLineEnd(fieldToEnd(record, "KeyData")));
    if (trim(layout).empty()) {
        queueError(position, ErrorCode::EmptyKeypadConfiguration, {});
        return;
    }
    reader(position).keypad = layout;
}

std::string ReaderTerminals::simulatedKeys(int position, const std::string& mode)
{
    Reader& r = reader(position);
    for (const auto& m : kModes) {
        if (!equalsIgnoreCase(m.mode, mode))
            continue;
        const int entry = ++r.keyEntries;
        const std::string value = std::string(m.key) == "PINBlock"
                                      ? hex16(mix((static_cast<std::uint64_t>(position) << 32) | static_cast<std::uint32_t>(entry)))
                                      : std::string(m.value);
        return std::string(m.key) + "=" + value;
    }
    for (const auto prefix : kSecurePromptModes) {
        if (mode.size() < prefix.size() || !equalsIgnoreCase(std::string_view(mode).substr(0, prefix.size()), prefix))
            continue;
        const std::string_view rest = std::string_view(mode).substr(prefix.size());
        if (!rest.empty() && rest.front() != '.')
            continue; // another word that merely begins like a secure prompt
        // The prompt to show is named by its message number after the full stop.
        const std::string_view number = rest.empty() ? rest : rest.substr(1);
        if (!isDigits(number)) {
            queueError(position, ErrorCode::SecurePromptNumberInvalid, "\"" + mode + "\"");
            return {};
        }
        ++r.keyEntries;
        return "MessageNumber=" + std::string(number) + "\r\nKeyData=" + kSecurePromptKeys;
    }
    queueError(position, ErrorCode::UnknownEntryMode, "\"" + mode + "\"");
    return {};
}

void ReaderTerminals::keyEntryType(const std::string& record)
{
    catchUp();
    const auto parsed = parseRecord(record, true);
    const int position = readerOf(parsed);
    const std::string mode = trim(parsed.require("EntryMode"));
    const std::string keys = simulatedKeys(position, mode);
    if (keys.empty())
        return; // the reader cannot act on it; the error queue says why
    // A new request replaces one the customer has not answered yet.
    m_pendingKeys.erase(std::remove_if(m_pendingKeys.begin(), m_pendingKeys.end(),
                                       [position](const PendingKeys& p) { return p.position == position; }),
                        m_pendingKeys.end());
    reader(position).entryMode = mode;
    PendingKeys pending{m_clock.now() + kKeyEntryDelay, position,
                        "ReaderPosition=" + rec::positionText(position) + "\r\nEntryMode=" + mode + "\r\n" + keys};
    const auto at = std::upper_bound(m_pendingKeys.begin(), m_pendingKeys.end(), pending.due,
                                     [](Millis due, const PendingKeys& p) { return due < p.due; });
    m_pendingKeys.insert(at, std::move(pending));
}

void ReaderTerminals::beeperControl(const std::string& record)
{
    catchUp();
    const auto parsed = parseRecord(record, true);
    const int position = readerOf(parsed);
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
    Reader& r = reader(packet.position);
    const auto first = packet.data.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        queueError(packet.position, ErrorCode::EmptyPacket, {});
        return;
    }
    if (packet.data[first] == '<') {
        handleXmlPacket(r, packet.position, packet.data, m_clock);
        return;
    }
    r.packetQueue.push_back(rec::packetRecord(rec::positionText(packet.position),
                                              std::string_view(packet.data).substr(0, kLongestAnswer), 3));
}

std::string ReaderTerminals::readerInformation(int position)
{
    catchUp();
    const Reader& r = reader(position);
    int feeds = 0;
    for (const auto& item : r.paper.items)
        if (item.kind == PrintedItem::Kind::Text)
            feeds += static_cast<int>(std::count(item.text.begin(), item.text.end(), '\n'));
    std::string info = "ReaderPosition=" + rec::positionText(position);
    info += "\r\n" + r.screen.describe();
    info += "\r\nKeyPad=" + (r.keypad.empty() ? std::string("none") : r.keypad);
    info += "\r\nKeyEntryMode=" + (r.entryMode.empty() ? std::string("none") : r.entryMode);
    info += "\r\nBeeps=" + std::to_string(r.beeps);
    info += "\r\nPrintedItems=" + std::to_string(r.paper.items.size());
    info += "\r\nPaperFeeds=" + std::to_string(feeds);
    info += "\r\nCuts=" + std::to_string(r.paper.cuts());
    info += std::string("\r\nChipReader=") + (r.emv.chipReaderEnabled ? "Enabled" : "Disabled");
    info += "\r\nCardQue=" + std::to_string(r.cardQueue.size());
    info += "\r\nKeyQue=" + std::to_string(r.keyQueue.size());
    info += "\r\nCashQue=" + std::to_string(r.cashQueue.size());
    info += "\r\nPacketQue=" + std::to_string(r.packetQueue.size());
    info += "\r\nErrorQue=" + std::to_string(r.errorQueue.size());
    return info;
}

std::string ReaderTerminals::systemVersions()
{
    const std::int16_t status = selfDiagnosticsReportStatus();
    const char* diagnostics = status == kDiagnosticsNotStarted ? "NotStarted"
                              : status == kDiagnosticsBusy     ? "Busy"
                                                               : "Complete";
    return "Server=Vantrel embedded forecourt 1.0\r\nReaderFirmware=VRT 2.4.1\r\nKeyPadFirmware=KP 1.3\r\nReaders=32"
           "\r\nPreloadedMessages=" +
           std::to_string(m_prompts.size()) + "\r\nSelfDiagnostics=" + diagnostics +
           "\r\nSelfDiagnosticsReports=" + std::to_string(m_diagnosticsReports);
}

void ReaderTerminals::selfDiagnosticsReportStart()
{
    // A report that is still running goes on; a start asks for no second one.
    if (selfDiagnosticsReportStatus() == kDiagnosticsBusy)
        return;
    m_diagnosticsStarted = m_clock.now();
    ++m_diagnosticsReports;
}

std::int16_t ReaderTerminals::selfDiagnosticsReportStatus() const
{
    if (!m_diagnosticsStarted)
        return kDiagnosticsNotStarted;
    return m_clock.now() - *m_diagnosticsStarted < kDiagnosticsDuration ? kDiagnosticsBusy : kDiagnosticsComplete;
}

} // namespace vantrel::forecourt
