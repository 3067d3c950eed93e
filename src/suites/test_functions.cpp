#include "test_functions.h"

#include "ixcat_sequences.h"
#include "long_run.h"
#include "run_guards.h"

#include "server/automation_error.h"
#include "server/display_escapes.h"
#include "server/records.h"
#include "server/terminal_vocabulary.h"
#include "server/file_reading.h"
#include "session/session.h"


namespace vantrel::suites {

using namespace vantrel::rec;

namespace {

constexpr std::string_view kPositionKey = "ReaderPosition=";
constexpr std::string_view kJobReceipt = "Job=Receipt";
constexpr std::string_view kMessageKey = "Message=";

void appendLines(std::string& record, std::initializer_list<std::string_view> lines)
{
    for (const auto line : lines)
        appendLine(record, line);
}

void appendEmptyLines(std::string& record, int count)
{
    for (int i = 0; i < count; ++i)
        appendLine(record, "");
}

// "ReaderPosition=" NN and "Job=Receipt": the head of every receipt.
std::string receiptHead(std::string_view position)
{
    std::string r;
    appendLine(r, kPositionKey, position);
    appendLine(r, kJobReceipt);
    return r;
}

// The bar codes these receipts print.
constexpr std::string_view kTestBarCode = "0202354000006";
constexpr std::string_view kCouponBarCode = "0200123700027";

void put(Session& s, const char* member, const std::string& record) { s.server().put(member, Value::string(record)); }

} // namespace

std::string barCodePrintRecord(std::string_view position)
{
    std::string r = receiptHead(position);
    appendLines(r, {"Message=Vantrel", "Line 1", "Line 2", "Line 3", "Line 4"});
    appendLine(r, esc::barCode(kTestBarCode));
    appendLines(r, {"TestLine 5", "TestLine 6", "TestLine 7", "TestLine 8", "TestLine 9", "TestLine 10", "LastLine !"});
    appendEmptyLines(r, 5);
    appendNul(r);
    return r;
}

std::string gilbEmvReceiptRecord(std::string_view position, std::int16_t jobNum)
{
    std::string r = receiptHead(position);
    appendLine(r, kMessageKey, std::string(20, '*'));
    appendLine(r, "Reader A ");
    appendLine(r, "Test Number = ", signedNumber(jobNum));
    appendLines(r, {"11/10/17  09:40:07",
                    "",
                    "Tran# :000010010360",
                    "",
                    "C#: ************0007",
                    "Date Exp : **/**",
                    "Comptes:"});
    // The card name and the invoice number share one line.
    appendLine(r, std::string("VISA") + "Facture : 0010360");
    appendLines(r, {"Disc./Litre : $0.03",
                    "$ Saved : $0.02",
                    "Montant : $1.10",
                    "Carburant:",
                    "REGULAR UNLEADED",
                    "Pompe : 1",
                    "0.558L @ $1.970/L",
                    "GST: $0.05",
                    "",
                    "Impot Inclus",
                    "",
                    "No Merchand: 351395",
                    "No Term: TARNEC01",
                    "Ref: 002001001024",
                    "No Autor: 113939",
                    "Entree de carte: G",
                    "",
                    "ACI: 000"});
    appendLine(r, "DSP:" + std::string(13, ' ') + "APPROUVEE");
    appendLine(r, "ISO: 00");
    appendNul(r);
    return r;
}

std::string gilbEmvCouponRecord(std::string_view position)
{
    std::string r = receiptHead(position);
    appendLine(r, kMessageKey, "  Economiser $0.02");
    appendLines(r, {"   Off your next", "   purchase at", "  (Enter store name)", ""});
    appendLine(r, esc::barCode(kCouponBarCode));
    appendLines(r, {"   200123700027",
                    "",
                    "   Offer valid until",
                    "    2011/10/24",
                    "",
                    "   Redeemable at all",
                    "   stores locations in",
                    "          Canada",
                    "",
                    "   0.02 cents per litre",
                    "    were earned today"});
    appendNul(r);
    return r;
}

std::string orpakLargeReceiptRecord(std::string_view position)
{
    std::string r = receiptHead(position);
    appendLines(r, {"Message=Vantrel", "-----Receipt1-----"});
    // Each counted line reports the length of the record up to and including its "  Count ".
    for (int line = 1; line <= 32; ++line) {
        r += "L# " + signedNumber(line);
        r += "  Count ";
        appendLine(r, signedNumber(static_cast<double>(r.size())));
    }
    appendEmptyLines(r, 1);
    appendNul(r);
    return r;
}

std::string scrollMessageRecord(std::string_view position)
{
    std::string r;
    appendLine(r, kPositionKey, position);
    // A bare LF ends the message text before the record's own CR LF.
    appendLine(r, kMessageKey, esc::scrolling("This is a long scrolling message") + LF);
    appendNul(r);
    return r;
}

std::string orpakSignedMessageRecord(std::string_view position)
{
    std::string r;
    appendLine(r, kPositionKey, position);
    appendLine(r, kMessageKey, esc::signatureTag("4E9A17B2") + "Test Message" + LF);
    appendNul(r);
    return r;
}

std::string specialTestRecord(std::string_view position)
{
    std::string r;
    appendLine(r, kPositionKey, position);
    appendLine(r, kMessageKey,
               esc::graphicMode() + esc::code000() + esc::codeA(22) + esc::font("Courier New", 14) +
                   "Center this very very long xxxxxxxxx text line");
    appendNul(r);
    return r;
}

std::string loadTestRecord(std::string_view position, int message, int items, bool chopped)
{
    std::string r;
    appendLine(r, kPositionKey, position);
    appendLine(r, "Message=Display Msg ", std::to_string(message));
    appendLine(r, "Testing Size");
    const std::string item = signedNumber(items);
    int onLine = 1;
    for (int i = 0; i < items; ++i) {
        r += item;
        if (chopped && ++onLine > kChoppedItemsPerLine) {
            onLine = 1;
            r += CRLF;
        }
    }
    appendLine(r, "");
    appendNul(r);
    return r;
}

std::string securePromptPacket()
{
    using namespace xml;
    return empty(DisplaySecurePromptCommand, {{SequenceNumber, "0"},
                                              {PromptId, "3"},
                                              {Language, "en"},
                                              {SecurityLevel, "Encrypted"},
                                              {MaxLength, "4"},
                                              {AutoTerminate, "true"},
                                              {Hidden, "false"},
                                              {PINSupportData, "7A21C0E95B3F4D68"}});
}

std::string setImagePacket(std::string_view imageText)
{
    using namespace xml;
    return open(DisplayCommand) +
           start(SetImageDetailsCommand, {{SequenceNumber, "0"}, {ImageId, "1"}, {Filename, "Banner.png"}, {Language, "en"}}) +
           std::string(imageText) + close(SetImageDetailsCommand) + close(DisplayCommand);
}

void barCodePrint(Session& s) { put(s, "PrintOutput", barCodePrintRecord(s.fpText())); }

void gilbEmvPrint(Session& s, TestFunctionState& state)
{
    const std::string record = gilbEmvReceiptRecord(s.fpText(), state.jobNum);
    put(s, "PrintOutput", record);
    s.setInBox(record);
    state.jobNum = state.jobNum == INT16_MAX ? std::int16_t{1} : static_cast<std::int16_t>(state.jobNum + 1);
}

void gilbEmvBarcode(Session& s)
{
    const std::string record = gilbEmvCouponRecord(s.fpText());
    put(s, "PrintOutput", record);
    s.appendInBox(record);
}

void printAndBarcode(Session& s, TestFunctionState& state)
{
    gilbEmvPrint(s, state);
    gilbEmvBarcode(s);
}

void orpakLargeReceipt(Session& s)
{
    s.setTextBox("<Object>.PrintOutput = (data)");
    const std::string record = orpakLargeReceiptRecord(s.fpText());
    put(s, "PrintOutput", record);
    s.setInBox(record);
}

void scrollMessage(Session& s)
{
    const std::string record = scrollMessageRecord(s.fpText());
    put(s, "DisplayData", record);
    s.setInBox(record);
}

void orpakSignedMessage(Session& s)
{
    const std::string record = orpakSignedMessageRecord(s.fpText());
    put(s, "DisplayData", record);
    s.setInBox(record);
}

void specialTests(Session& s) { put(s, "DisplayData", specialTestRecord(s.fpText())); }

void displayLoadTest(Session& s, bool chopped)
{
    BusyCursor busy(s.windows());
    LongRun run(s, chopped ? "Chopped 1K msg" : "1K Display Msgs", kLoadTestMessages, 0);
    int items = 1;
    for (int message = 1; message <= kLoadTestMessages; ++message) {
        run.step("Display Msg " + std::to_string(message));
        s.setInBox("Message=Display Msg " + std::to_string(message));
        const std::string record = loadTestRecord(s.fpText(), message, items, chopped);
        if (++items > kLoadTestMaxItems)
            items = 1;
        put(s, "DisplayData", record);
    }
    run.finish();
    s.setInBox("1K Message Test Done");
}

void securePromptTest(Session& s) { put(s, "PacketQueOutput", packetRecord(s.fpText(), securePromptPacket())); }

// The image file: the first of the paths that exists, a regular file within
// kImageLimit, read whole. Anything else is error 1601 naming every path tried.
static std::string readImageFile(const std::vector<std::string>& paths)
{
    std::string tried;
    for (const auto& path : paths) {
        std::string text;
        const char* why = nullptr;
        switch (readWholeFile(path, kImageLimit, text)) {
        case FileProblem::None: return text;
        case FileProblem::Missing:
            tried += (tried.empty() ? "" : "; ") + path + " (no such file)";
            continue;
        case FileProblem::Folder: why = "a folder, not a file"; break;
        case FileProblem::NotRegular: why = "not a regular file"; break;
        case FileProblem::TooLarge: why = "larger than 8 MiB, the most SET IMAGE sends"; break;
        case FileProblem::Unreadable: why = "cannot be read"; break;
        }
        throw AutomationError(ErrorCode::ImageFileUnreadable, path + " (" + why + ")");
    }
    throw AutomationError(ErrorCode::ImageFileUnreadable, tried.empty() ? std::string("no path to look in") : tried);
}

void setImage(Session& s, const TestFunctionState& state)
{
    // The whole file goes into the packet as it is, line breaks included.
    const std::string image = readImageFile(state.imagePaths);
    put(s, "PacketQueOutput", packetRecord(s.fpText(), setImagePacket(image), kImageCountDigits));
}

std::vector<ButtonSpec> testFunctionButtons(TestFunctionState& state)
{
    TestFunctionState* st = &state;
    return {
        {"iXCAT_DES_TEST", "iXCat DES Test", {120, 120, 1335, 495}, {}, securePromptTest},
        {"SecialTests", "SPECIAL TESTS", {120, 720, 1335, 495}, {}, specialTests},
        {"SET_IMAGE_BUTTON", "SET IMAGE", {120, 1320, 1335, 495}, {}, [st](Session& s) { setImage(s, *st); }},
        {"GILB_EMVPrint", "GILB EMV Print", {120, 2160, 1335, 495}, {}, [st](Session& s) { gilbEmvPrint(s, *st); }},
        {"GILBEmvBarcode", "GILB EMV Barcode", {120, 2760, 1335, 495}, {}, gilbEmvBarcode},
        {"PRN_AND_BARCODE", "PRN and BARCODE", {120, 3480, 1335, 555}, {}, [st](Session& s) { printAndBarcode(s, *st); }},
        {"SCROLL_MSG", "GILB SCROLL", {120, 4200, 1335, 495}, {}, scrollMessage},
        {"ORPAK_SIG_MSG", "ORPAK SIG MSG", {120, 5640, 1335, 495}, {}, orpakSignedMessage},
        {"ORPAK_LARGE_RECEIPT_BUTTON", "ORPAK Large Receipt", {1680, 5640, 1455, 495}, {}, orpakLargeReceipt},
        {"iXCatTest", "Test iXCat", {4080, 120, 1335, 495}, {}, [](Session& s) { s.windows().showWindow(kIxCatTestForm); }},
        {"Chopped1KDisplay", "Chopped 1K msg", {4080, 4440, 1335, 495}, {}, [](Session& s) { displayLoadTest(s, true); }},
        {"DisplayMsg1K", "1K Display Msgs", {4080, 5040, 1335, 495}, {}, [](Session& s) { displayLoadTest(s, false); }},
        {"BarCodePrintButton", "Bar Code Print", {4080, 5640, 1455, 495}, {}, barCodePrint},
        {"EXIT_BUTTON", "EXIT", {600, 6240, 1095, 495}, {}, [](Session& s) { s.windows().hideWindow(kTestFunctionForm); }},
    };
}

} // namespace vantrel::suites
