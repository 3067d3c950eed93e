#include "devices_handlers.h"

#include "devices_records.h"

#include "server/conversions.h"
#include "server/terminal_vocabulary.h"
#include "session/session.h"

namespace vantrel::devices {

namespace {

constexpr const char* kRequestMember = "CarWashInformationRequest";
constexpr const char* kRequestDescription = "<Object>.CarWashInformationRequest = <data>";

void sendCarWashRequest(Session& s, const std::string& record)
{
    s.server().put(kRequestMember, Value::string(record));
}

// A request that is the bare word alone; DeviceData stays as it is.
void bareRequest(Session& s, const char* word)
{
    s.setTextBox(kRequestDescription);
    sendCarWashRequest(s, records::carWashRequest(word));
}

void requestAboutCode(Session& s, const OtherDevicesState& state, const char* word)
{
    if (!state.codeSendable || state.codeTooLong) {
        s.prompter().message(state.codeSendable ? kCodeTooLong : kCodeNotSendable);
        return;
    }
    s.setTextBox(kRequestDescription);
    sendCarWashRequest(s, records::codeRequest(word, state.codeNumber));
}

// Reads a member with no argument and shows its text in DeviceData; a
// failing read leaves DeviceData as it was.
void query(Session& s, const char* description, const char* member)
{
    if (description)
        s.setTextBox(description);
    const Value value = s.server().get(member, std::nullopt);
    s.setBox(Box::DeviceData, toText(value));
}

void sendChipReaderControl(Session& s, bool enable)
{
    s.server().put("ReaderControl", Value::string(records::chipReaderControl(s.fpText(), enable)));
}

} // namespace

void OtherDevicesState::codeChanged(std::optional<std::string> bytes)
{
    codeSendable = bytes.has_value();
    codeNumber = bytes ? std::move(*bytes) : std::string();
    codeTooLong = codeNumber.size() > kEntryLimit;
}

void getCode(Session& s)
{
    const std::string lines = records::codeRequestLines();
    s.setTextBox(kRequestDescription);
    s.setBox(Box::DeviceData, lines);
    sendCarWashRequest(s, records::carWashRequest("RequestCarWashCode", lines));
}

void cancelCode(Session& s, const OtherDevicesState& state) { requestAboutCode(s, state, "CancelCarWashCode"); }
void codeStatus(Session& s, const OtherDevicesState& state) { requestAboutCode(s, state, "CarWashCodeStatus"); }
void cardRead(Session& s) { bareRequest(s, "ReturnCardData"); }
void keyRead(Session& s) { bareRequest(s, "ReturnKeyData"); }
void priceRead(Session& s) { bareRequest(s, "ReturnPriceData"); }
void reportRead(Session& s) { bareRequest(s, "ReturnReportData"); }
void rfidRead(Session& s) { bareRequest(s, "ReturnRFIDData"); }
void transRead(Session& s) { bareRequest(s, "ReturnTransactionData"); }

void setPrices(Session& s, OtherDevicesState& state)
{
    s.setTextBox(kRequestDescription);
    // The flag flips before the call, so a failing call still moves the
    // alternation on.
    const int table = state.priceSet == 0 ? 0 : 1;
    state.priceSet = state.priceSet == 0 ? 1 : 0;
    const std::string lines = records::priceTableLines(table);
    s.setBox(Box::DeviceData, lines);
    sendCarWashRequest(s, records::carWashRequest("SetPriceData", lines, 2));
}

void washStatus(Session& s) { query(s, "(data)=<Object>.CarWashRequestStatus", "CarWashRequestStatus"); }
void commandStatus(Session& s) { query(s, "(data)=<Object>.CarWashOperationStatus", "CarWashOperationStatus"); }
void readCarWashData(Session& s) { query(s, "(data)=<Object>.CarWashDataRead", "CarWashDataRead"); }

void startTankReport(Session& s)
{
    s.setTextBox("<Object>.TankMonitorStartReport = (data)");
    s.server().put("TankMonitorStartReport", Value::int16(1));
    s.setBox(Box::DeviceData, "");
}

void tankReportStatus(Session& s) { query(s, "(data)=<Object>.TankMonitorReportStatus", "TankMonitorReportStatus"); }
void readTankReport(Session& s) { query(s, "(data)=<Object>.TankMonitorReport", "TankMonitorReport"); }

void sendSignControl(Session& s) { s.server().put("PriceSignDataSend", Value::string(records::priceSignControl())); }
void sendSignPrices(Session& s) { s.server().put("PriceSignDataSend", Value::string(records::priceSignPrices())); }
void getSignStatus(Session& s) { query(s, nullptr, "PriceSignDataRead"); }

void enableChipReader(Session& s) { sendChipReaderControl(s, true); }
void disableChipReader(Session& s) { sendChipReaderControl(s, false); }

void initiateEmv(Session& s)
{
    s.server().put("PacketQueOutput", Value::string(records::outputPacket(s.fpText(), xml::emvInitiatePacket())));
}

void printBarCodePacket(Session& s)
{
    s.recordData = Value::string(records::outputPacket(s.fpText(), xml::barCodePrintPacket()));
    s.server().put("PacketQueOutput", s.recordData);
}

void exitWindow(Session& s) { s.windows().hideWindow(kOtherDevicesWindow); }

std::vector<ButtonSpec> otherDevicesButtons(OtherDevicesState& state)
{
    OtherDevicesState* st = &state;
    return {
        // Chip reader and EMV.
        {"WAYNE_CHIP_READER_ENABLE", "ENABLE CHIP READER", {600, 1080, 1695, 495}, {}, enableChipReader},
        {"WAYNE_CHIP_READER_DISABLE", " DISABLE_CHIP READER", {600, 1920, 1695, 495}, {}, disableChipReader},
        {"PACKETPRN", "PACKET PRINT BAR CODE", {600, 2760, 1695, 495}, {}, printBarCodePacket},
        {"INIT_TRANS_BUTTON", "EMV Initiate", {600, 3600, 1695, 495}, {}, initiateEmv},
        // Car wash.
        {"CWGETCODEBUTTON", "GET CODE", {3000, 1200, 855, 495}, {}, getCode},
        {"CODESTATUS_BUTTON", "CODE STATUS", {4080, 1200, 855, 495}, {}, [st](Session& s) { codeStatus(s, *st); }},
        {"CAR_WASHSTATUSBUTTON", "WASH STATUS", {3000, 1800, 855, 495}, {}, washStatus},
        {"CANCELCODEBUTTON", "CANCEL CODE", {4080, 1800, 855, 495}, {}, [st](Session& s) { cancelCode(s, *st); }},
        {"PRICEREADBUTTON", "PRICE READ", {3000, 2400, 855, 495}, {}, priceRead},
        {"SETPRICEBUTTON", "PRICE SET", {4080, 2400, 855, 495}, {}, [st](Session& s) { setPrices(s, *st); }},
        {"REPORTREADBUTTON", "REPORT READ", {3000, 3000, 855, 495}, {}, reportRead},
        {"COMMANDSTATUSBUTTON", "COMMAND STATUS", {3000, 3840, 1935, 375}, {}, commandStatus},
        {"CARWASHREADDATABUTTON", "READ DATA", {3000, 4320, 1935, 375}, {}, readCarWashData},
        {"RFIDREADBUTTON", "RFID READ", {2400, 5040, 855, 495}, {}, rfidRead},
        {"KEYREADBUTTON", "KEY READ", {2400, 5640, 855, 495}, {}, keyRead},
        {"CWCARDREADBUTTON", "CARD READ", {3360, 5640, 855, 495}, {}, cardRead},
        {"TRANSREADBUTTON", "TRANS READ", {4320, 5640, 855, 495}, {}, transRead},
        // Tank monitor.
        {"TMStartReport", "START REPORT", {5280, 720, 1695, 375}, {}, startTankReport},
        {"TMREPORTSTATUSBUTTON", "REPORT STATUS", {5280, 1320, 1695, 375}, {}, tankReportStatus},
        {"TMDATAREADBUTTON", "READ REPORT", {5280, 1920, 1695, 375}, {}, readTankReport},
        // Price sign.
        {"PRICE_SIGN_GET_STATUS", "GET STATUS", {5400, 3720, 1575, 375}, {}, getSignStatus},
        {"PRICE_SIGN_SEND_PRICES", "SEND PRICES", {5400, 4320, 1575, 375}, {}, sendSignPrices},
        {"PRICE_SIGN_SEND_CONTROL", "SEND CONTROL", {5400, 4920, 1575, 375}, {}, sendSignControl},
        // The window.
        {"EXIT_CMD", "EXIT", {120, 6000, 1095, 375}, {}, exitWindow},
    };
}

std::vector<LabelSpec> otherDevicesLabels()
{
    return {
        {"Label2", "WAYNE iXCAT EMV         CONTROL", {240, 240, 2535, 735}, {}},
        {"CARWASHLABEL", "CAR WASH", {3120, 240, 1455, 255}, {}},
        {"CWCOmmandsLABEL", "COMMANDS", {3000, 720, 1695, 375}, {}},
        {"CODEBOXLABEL", "CODE #", {3360, 4800, 1455, 255}, {}},
        {"TM_LABEL", "TANK MONITOR", {5040, 240, 2055, 255}, {}},
        {"Label1", "PRICE SIGN", {5400, 3240, 1575, 375}, {}},
        {"DeviceDataLabel", "DEVICE DATA", {8400, 120, 1935, 375}, {}},
    };
}

} // namespace vantrel::devices
