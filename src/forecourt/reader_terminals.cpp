#include "reader_terminals.h"

#include "terminal_xml.h"

namespace vantrel::forecourt {

namespace {
std::string takeTop(std::array<Reader, 33>& readers, std::deque<std::string> Reader::*queue)
{
    for (auto& r : readers)
        if (!(r.*queue).empty())
            return (r.*queue).front();
    return {};
}

std::int32_t clearTop(std::array<Reader, 33>& readers, std::deque<std::string> Reader::*queue)
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

int readerOf(const ParsedRecord& record) { return parsePosition(record.require("ReaderPosition")); }
} // namespace

ReaderTerminals::ReaderTerminals(const Clock& clock) : m_clock(clock) {}

std::string ReaderTerminals::cardQue() { return takeTop(m_readers, &Reader::cardQueue); }
std::string ReaderTerminals::keyQue() { return takeTop(m_readers, &Reader::keyQueue); }
std::string ReaderTerminals::cashInQue() { return takeTop(m_readers, &Reader::cashQueue); }
std::string ReaderTerminals::packetQueInput() { return takeTop(m_readers, &Reader::packetQueue); }
std::string ReaderTerminals::readErrorQue() { return takeTop(m_readers, &Reader::errorQueue); }

std::string ReaderTerminals::queCountQuery()
{
    std::size_t card = 0, key = 0, cash = 0, packet = 0, error = 0;
    for (const auto& r : m_readers) {
        card += r.cardQueue.size();
        key += r.keyQueue.size();
        cash += r.cashQueue.size();
        packet += r.packetQueue.size();
        error += r.errorQueue.size();
    }
    return "Card=" + std::to_string(card) + "\r\nKey=" + std::to_string(key) + "\r\nCash=" + std::to_string(cash) +
           "\r\nPacket=" + std::to_string(packet) + "\r\nError=" + std::to_string(error);
}

std::int32_t ReaderTerminals::clearTopCardQue() { return clearTop(m_readers, &Reader::cardQueue); }
std::int32_t ReaderTerminals::clearTopKeyQue() { return clearTop(m_readers, &Reader::keyQueue); }
std::int32_t ReaderTerminals::clearTopCashQue() { return clearTop(m_readers, &Reader::cashQueue); }
std::int32_t ReaderTerminals::clearPacketEntry() { return clearTop(m_readers, &Reader::packetQueue); }
std::int32_t ReaderTerminals::clearErrorQue() { return clearTop(m_readers, &Reader::errorQueue); }

void ReaderTerminals::displayData(const std::string& record)
{
    const auto parsed = parseRecord(record, false);
    reader(readerOf(parsed)).screen.showMessage(parsed.find("Message").value_or(""));
}

void ReaderTerminals::preloadDisplayMessage(const std::string& record) { parseRecord(record, true).require("Message"); }

void ReaderTerminals::printOutput(const std::string& record)
{
    const auto parsed = parseRecord(record, true);
    reader(readerOf(parsed)).paper.addText(parsed.find("Job").value_or("Receipt"), parsed.find("Message").value_or(""));
}

void ReaderTerminals::keyPadConfiguration(const std::string& record)
{
    const auto parsed = parseRecord(record, true);
    reader(readerOf(parsed)).keypad = parsed.require("KeyData");
}

void ReaderTerminals::keyEntryType(const std::string& record)
{
    const auto parsed = parseRecord(record, true);
    reader(readerOf(parsed)).entryMode = parsed.require("EntryMode");
}

void ReaderTerminals::beeperControl(const std::string& record)
{
    const auto parsed = parseRecord(record, true);
    reader(readerOf(parsed)).beeps += std::stoi("0" + parsed.require("BeepCounts"));
}

void ReaderTerminals::packetQueOutput(const std::string& record)
{
    const auto parsed = parseRecord(record, true);
    const int position = readerOf(parsed);
    const std::string data = parsed.find("PacketData").value_or("");
    if (!data.empty() && data.front() == '<')
        handleXmlPacket(reader(position), position, data, m_clock);
}

std::string ReaderTerminals::readerInformation(int position) const
{
    const auto& r = reader(position);
    return "ReaderPosition=" + std::to_string(position) + "\r\nKeyEntryMode=" + (r.entryMode.empty() ? "none" : r.entryMode) +
           "\r\nBeeps=" + std::to_string(r.beeps) + "\r\nChipReader=" + (r.emv.chipReaderEnabled ? "Enabled" : "Disabled");
}

std::string ReaderTerminals::systemVersions() const { return "Server=Vantrel embedded forecourt 1.0\r\nReaders=32"; }

void ReaderTerminals::selfDiagnosticsReportStart() {}

std::int16_t ReaderTerminals::selfDiagnosticsReportStatus() const { return 0; }

} // namespace vantrel::forecourt
