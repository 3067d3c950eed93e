// What the reader terminals report of themselves: each reader's information
// (its display, paper, keypad, printer and queues), the system versions and
// the self diagnostics report.
#include "reader_terminals.h"

#include "text_helpers.h"

#include "server/records.h"

#include <algorithm>

namespace vantrel::forecourt {

std::string ReaderTerminals::readerInformation(int position)
{
    catchUp();
    const Reader& r = answering(position);
    int feeds = 0;
    for (const auto& item : r.paper.items)
        if (item.kind == PrintedItem::Kind::Text)
            feeds += static_cast<int>(std::count(item.text.begin(), item.text.end(), '\n'));
    std::string info;
    addLine(info, "ReaderPosition", rec::positionText(position));
    if (!r.make.empty())
        addLine(info, "Make", r.make);
    info += "\r\n" + r.screen.describe();
    addLine(info, "KeyPad", r.keypad.empty() ? std::string("none") : r.keypad);
    addLine(info, "KeyEntryMode", r.entryMode.empty() ? std::string("none") : r.entryMode);
    addLine(info, "Beeps", std::to_string(r.beeps));
    addLine(info, "PrintedItems", std::to_string(r.paper.items.size()));
    addLine(info, "PaperFeeds", std::to_string(feeds));
    addLine(info, "Cuts", std::to_string(r.paper.cuts()));
    if (const auto error = printerError(position))
        addLine(info, "Printer", *error == ErrorCode::PrinterPaperOut ? "PaperOut" : "Jammed");
    addLine(info, "ChipReader", r.emv.chipReaderEnabled ? "Enabled" : "Disabled");
    addLine(info, "CardQue", std::to_string(r.cardQueue.size()));
    addLine(info, "KeyQue", std::to_string(r.keyQueue.size()));
    addLine(info, "CashQue", std::to_string(r.cashQueue.size()));
    addLine(info, "PacketQue", std::to_string(r.packetQueue.size()));
    addLine(info, "ErrorQue", std::to_string(r.errorQueue.size()));
    return info;
}

std::string ReaderTerminals::systemVersions()
{
    const std::int16_t status = selfDiagnosticsReportStatus();
    const char* diagnostics = status == kDiagnosticsNotStarted ? "NotStarted"
                              : status == kDiagnosticsBusy     ? "Busy"
                                                               : "Complete";
    std::string versions;
    addLine(versions, "Server", "Vantrel embedded forecourt 1.0");
    addLine(versions, "ReaderFirmware", "VRT 2.4.1");
    addLine(versions, "KeyPadFirmware", "KP 1.3");
    addLine(versions, "Readers", std::to_string(std::count_if(m_readers.begin() + 1, m_readers.end(),
                                                              [](const Reader& r) { return r.installed; })));
    addLine(versions, "PreloadedMessages", std::to_string(m_prompts.size()));
    addLine(versions, "SelfDiagnostics", diagnostics);
    addLine(versions, "SelfDiagnosticsReports", std::to_string(m_diagnosticsReports));
    return versions;
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
