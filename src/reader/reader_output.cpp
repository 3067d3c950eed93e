// Display, preloaded messages, printer, beeper, packet output, reader
// information and self diagnostics.
#include "reader_handlers.h"
#include "reader_records.h"

#include "server/conversions.h"
#include "session/session.h"

#include <array>

namespace vantrel::reader {

namespace {

void putShown(Session& s, const char* member, const std::string& record)
{
    s.server().put(member, Value::string(record));
    s.setInBox(record);
}

void sendDisplay(Session& s, int message)
{
    s.setTextBox("<Object>.DispData = (data)");
    putShown(s, "DisplayData", displayRecord(s.fpText(), message));
}

struct Preload {
    int section;
    const char* type;
    int number;
    const char* message;
};

// In the order they are sent; the fourth card message goes to section 0.
constexpr std::array kPreloads = {
    Preload{1, "Card", 1, "Get it Out"},
    Preload{1, "Card", 2, "Putt'r In"},
    Preload{1, "Card", 3, "Its a Bad one"},
    Preload{0, "Card", 4, "Hold on a Minute"},
    Preload{1, "Card", 5, "Its in wrong"},
    Preload{1, "Printer", 1, "Doin' a Print"},
    Preload{1, "Printer", 2, "Its all done"},
    Preload{1, "Printer", 3, "Grab it and Run"},
    Preload{1, "Printer", 4, "Printers BAD"},
};

void print(Session& s, const char* description, const std::string& record)
{
    s.setTextBox(description);
    putShown(s, "PrintOutput", record);
}

// Header and footer descriptions name "PrinterOutput"; the member is PrintOutput.
constexpr const char* kPrintDescription = "<Object>.PrintOutput = (data)";
constexpr const char* kPrinterDescription = "<Object>.PrinterOutput = (data)";
constexpr int kHeaderFeeds = 1;
constexpr int kFooterFeeds = 12;

} // namespace

void display1(Session& s) { sendDisplay(s, 1); }
void display2(Session& s) { sendDisplay(s, 2); }

void preloadMessages(Session& s)
{
    s.setTextBox("<Object>.PreloadDisplayMessage = (data)");
    std::string record;
    for (const auto& p : kPreloads) {
        record = preloadRecord(p.section, p.type, p.number, p.message);
        s.server().put("PreloadDisplayMessage", Value::string(record));
    }
    s.setInBox(record);
}

void printReceipt1(Session& s) { print(s, kPrintDescription, receiptRecord(s.fpText(), 1)); }
void printReceipt2(Session& s) { print(s, kPrintDescription, receiptRecord(s.fpText(), 2)); }
void printHeader1(Session& s)
{
    print(s, kPrinterDescription, printJobRecord(s.fpText(), "Header", "-----Header 1-----", kHeaderFeeds));
}
void printHeader2(Session& s)
{
    print(s, kPrinterDescription, printJobRecord(s.fpText(), "Header", "-----Header 2-----", kHeaderFeeds));
}
void printFooter1(Session& s)
{
    print(s, kPrinterDescription, printJobRecord(s.fpText(), "Footer", "-----Footer 1-----", kFooterFeeds));
}
void printFooter2(Session& s)
{
    print(s, kPrinterDescription, printJobRecord(s.fpText(), "Footer", "-----Footer 2-----", kFooterFeeds));
}

void beeper(Session& s)
{
    s.setTextBox("<Object>.BeepData = (data)");
    s.server().put("BeeperControl", Value::string(beeperRecord(s.fpText())));
    s.setInBox(" ");
}

void packetOut(Session& s)
{
    s.setTextBox("<Object>.PacketQueOutput = (data)");
    putShown(s, "PacketQueOutput", testPacketRecord(s.fpText()));
}

void readerInfo(Session& s)
{
    s.setTextBox("(return data)=<Object>.ReaderInformation (passed data)");
    s.setInBox(toText(s.server().get("ReaderInformation", Value::int16(s.fp()))));
}

void systemVersions(Session& s)
{
    s.setTextBox("(data)=<Object>.SystemVersions");
    s.setInBox(toText(s.server().get("SystemVersions", std::nullopt)));
}

void selfTestStart(Session& s)
{
    s.setTextBox("<Object>.SelfDiagnosticsReportStart");
    (void)toInt16(s.server().call("SelfDiagnosticsReportStart", std::nullopt));
}

void selfTestStatus(Session& s)
{
    s.setTextBox("<Object>.SelfDiagnosticsReportStatus");
    const std::int16_t status = toInt16(s.server().get("SelfDiagnosticsReportStatus", std::nullopt));
    s.setInBox(status == 0 ? "Self Diagnositcs\r\nreport Complete" : "Self Diagnositcs\r\nreport busy");
}

} // namespace vantrel::reader
