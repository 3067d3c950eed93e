#include "fault_rows.h"

#include "server/automation_error.h"
#include "server/conversions.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace vantrel::forecourt::test {

namespace {
const std::string kAuthorize7 = "put Authorize FuelingPosition=07\r\nHose=1\r\nMOP=1\r\nLimit=001500\r\n";
const std::string kInfo7 = "get FuelingPositionInformation 7";

std::string nextWord(std::string& rest)
{
    const auto blank = rest.find(' ');
    std::string word = rest.substr(0, blank);
    rest = blank == std::string::npos ? std::string() : rest.substr(blank + 1);
    return word;
}
} // namespace

const std::vector<FaultRow>& faultRows()
{
    static const std::vector<FaultRow> rows = {
        {"PositionOffline", {}, "position 7 offline", {}, kInfo7.c_str(), 1105, "get FuelingPositionInformation 8", "State=Idle"},
        {"PositionOfflineRefusesASale", {}, "position 7 offline", {}, kAuthorize7.c_str(), 1105, "get DispenserInformation 6", "Dispenser=6"},
        {"ReaderOffline", {}, "reader 7 offline", {}, "put DisplayData ReaderPosition=07\r\nMessage=Hello", 1208,
         "get ReaderInformation 6", "ReaderPosition=06"},
        {"ReaderOfflineKeepsItsQueues", {"customer cash 7 5"}, "reader 7 offline", {"clear ClearTopCashQue"}, "get ReaderInformation 7",
         1208, "get QueCountQuery", "Cash=0"},
        {"Stall", {kAuthorize7}, "position 7 stall", {"advance 20000"}, "set PayOutSale 07", 1102, kInfo7.c_str(),
         "State=Authorised"},
        {"StallWhileFuelling", {kAuthorize7, "advance 4000"}, "position 7 stall", {"advance 20000"}, "set Resume 07", 1103,
         kInfo7.c_str(), "Volume=1.000"},
        {"StopAt", {kAuthorize7}, "position 7 stop-at 5", {"advance 60000"}, "set PayOutSale 07", 1101, kInfo7.c_str(),
         "State=Stopped\r\nHose=1\r\nHoseInUse=1\r\nMOP=1\r\nLimit=15.00\r\nUnitPrice=1.000\r\nVolume=5.000\r\nAmount=5.00"},
        {"DeviceError", {kAuthorize7, "advance 4000"}, "position 7 error 42", {"advance 20000"}, "set Resume 07", 1106,
         kInfo7.c_str(), "State=Stopped\r\nDeviceError=42\r\nHose=1"},
        {"DeviceErrorRefusesASale", {}, "position 7 error 42", {}, kAuthorize7.c_str(), 1106, "get DispenserInformation 7",
         "State=Idle\r\nDeviceError=42"},
        {"PaperOut", {}, "reader 7 paper-out", {}, "put PrintOutput ReaderPosition=07\r\nMessage=Thank you", 0,
         "get ReadErrorQue", "ReaderPosition=07\r\nErrorNumber=1209\r\nError=The printer is out of paper"},
        {"PaperOutFailsAnXmlPrint", {}, "reader 7 paper-out", {},
         "put PacketQueOutput ReaderPosition=07\r\nPacketCount=1\r\n<PrinterCommand><PrintCommand SequenceNumber=\"3\">"
         "<CutPaper/></PrintCommand></PrinterCommand>",
         0, "get PacketQueInput", "<PrintResponse SequenceNumber=\"3\" Result=\"Failure\" Fault=\"The printer is out of paper\"/>"},
        {"Jam", {}, "reader 7 jam", {}, "put PrintOutput ReaderPosition=07\r\nMessage=Thank you", 0, "get ReaderInformation 7",
         "Printer=Jammed"},
        {"Decline", {"clear ClearTopCardQue"}, "reader 7 decline", {"customer card 7 1"}, "get QueCountQuery", 0, "get CardQue",
         "ReaderPosition=07\r\nCardType=Visa\r\nTrack2=;4111111111111111=28121010000000000000?\r\nCardStatus=Declined"},
        {"TankLow", {}, "tank 1 low", {"put16 TankMonitorStartReport 1", "advance 5000"}, "get TankMonitorReportStatus", 0,
         "get TankMonitorReport", "Tank=1\r\nProduct=Unleaded\r\nVolume=21000.0\r\nUllage=9000.0\r\nWater=8.0\r\nTemperature=15.2\r\nAlarm=LowLevel\r\nTank=2"},
        {"TankWater", {}, "tank 3 water", {"put16 TankMonitorStartReport 1", "advance 5000"}, "get TankMonitorReportStatus", 0,
         "get TankMonitorReport", "Temperature=13.9\r\nAlarm=HighWater"},
        {"WashOutOfOrder", {}, "wash out-of-order", {},
         "put CarWashInformationRequest RequestCarWashCode\r\nProgramNumber=01\r\nPriceLevel=01\r\nOptionCount=0\r\n", 1304,
         "get CarWashRequestStatus", "Request=RequestCarWashCode\r\nRequestStatus=Failed\r\nError=1304"},
        {"MemberError", {}, "member cardque error 1201", {"get KeyQue"}, "get CardQue", 1201, nullptr, nullptr},
        {"MemberErrorForSomeCalls", {}, "member CashInQue error 440 1", {}, "get CashInQue", 440, "get CashInQue",
         "CashAmount=20.00"},
        {"MemberErrorOfItsOwn", {}, "member SystemVersions error 77777", {}, "get SystemVersions", 77777, nullptr, nullptr},
        {"MemberSlow", {kAuthorize7, "advance 2000"}, "member SystemVersions slow 1000", {}, "get SystemVersions", 0,
         kInfo7.c_str(), "Volume=0.500"},
        {"ClearOneDevice", {}, "position 7 offline", {"fault position 8 offline", "fault clear position 7"},
         "get FuelingPositionInformation 8", 1105, kInfo7.c_str(), "State=Idle"},
        {"ClearAll", {}, "position 7 offline", {"fault wash out-of-order", "fault clear"}, kInfo7.c_str(), 0,
         "get CarWashOperationStatus", "OperationStatus=Idle"},
    };
    return rows;
}

std::string runStep(const FaultDoors& doors, const std::string& step)
{
    std::string rest = step;
    const std::string verb = nextWord(rest);
    if (verb == "customer")
        return doors.customer(rest);
    if (verb == "fault")
        return doors.fault(rest);
    if (verb == "advance") {
        doors.advance(std::stoll(rest));
        return {};
    }
    const std::string member = nextWord(rest);
    if (verb == "put") {
        doors.server.put(member, Value::string(rest + '\0'));
    } else if (verb == "set") {
        doors.server.put(member, Value::string(rest));
    } else if (verb == "put16") {
        doors.server.put(member, Value::int16(static_cast<std::int16_t>(std::stoi(rest))));
    } else if (verb == "get") {
        const std::optional<Value> argument =
            rest.empty() ? std::nullopt : std::optional<Value>(Value::int16(static_cast<std::int16_t>(std::stoi(rest))));
        return toText(doors.server.get(member, argument));
    } else if (verb == "clear") {
        while (toText(doors.server.get(member, std::nullopt)) != "0") {
        }
    } else {
        throw std::invalid_argument("no step \"" + verb + "\"");
    }
    return {};
}

void runFaultRow(const FaultDoors& doors, const FaultRow& row)
{
    for (const auto& step : row.before)
        runStep(doors, step);
    doors.fault(row.fault);
    for (const auto& step : row.after)
        runStep(doors, step);
    try {
        runStep(doors, row.call);
        EXPECT_EQ(row.error, 0) << row.call << " did not fail";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), row.error) << e.description();
    }
    if (row.read) {
        EXPECT_NE(runStep(doors, row.read).find(row.shows), std::string::npos) << row.read;
    }
}

} // namespace vantrel::forecourt::test
