#include "reader_controls.h"

#include "reader_handlers.h"

namespace vantrel::reader {

std::vector<ButtonSpec> mainWindowButtons()
{
    using namespace colours;
    return {
        {"SystemVersions", "SystemVersions", {240, 1320, 1335, 255}, {}, systemVersions},
        {"ReaderInfo", "Reader Info", {240, 2040, 1335, 255}, {}, readerInfo},
        {"STRESS_BUTTON", "STRESS", {480, 4920, 855, 495}, Magenta, stressButton},
        {"KeyQue", "KeyQue", {120, 5520, 1695, 255}, {}, keyQue},
        {"ClearKeyEntry", "ClearTopKeyQue", {120, 5880, 1695, 255}, {}, clearKeyEntry},
        {"KeyPad", "KeyPadConfiguration", {120, 6240, 1695, 255}, {}, keyPad},
        {"PrintHeader", "Header 1", {120, 6600, 855, 255}, {}, printHeader1},
        {"PrintFooter", "Footer 1", {120, 6960, 855, 255}, {}, printFooter1},
        {"Print", "Print Receipt1", {120, 7320, 855, 495}, {}, printReceipt1},
        {"Header2", "Header 2", {1080, 6600, 855, 255}, {}, printHeader2},
        {"Footer2", "Footer 2", {1080, 6960, 855, 255}, {}, printFooter2},
        {"PrintReceipt2", "Print Receipt2", {1080, 7320, 855, 495}, {}, printReceipt2},
        {"QueCounts", "Que Counts", {2160, 1920, 1575, 255}, {}, queCounts},
        {"ReadErrorQue", "ReadErrorQue", {2160, 2280, 1575, 255}, {}, readErrorQue},
        {"ClearErrorQue", "ClearErrorQue", {2160, 2640, 1575, 255}, {}, clearErrorQue},
        {"CardQue", "CardQue", {2160, 3000, 1575, 255}, {}, cardQue},
        {"ClearCardEntry", "ClearTopCardQue", {2160, 3360, 1575, 255}, {}, clearCardEntry},
        {"PreLoadMSGs", "PreLoad MSGs", {2160, 3720, 1575, 255}, {}, preloadMessages},
        {"Display", "Display1", {2160, 4080, 1575, 255}, {}, display1},
        {"Display2", "Display2", {2160, 4440, 1575, 255}, {}, display2},
        {"Beeper", "BeeperControl", {2160, 5280, 1575, 255}, {}, beeper},
        {"PacketQue", "Packet Input", {2160, 5640, 1575, 255}, {}, packetQue},
        {"PacketOut", "Packet Output", {2160, 6000, 1575, 255}, {}, packetOut},
        {"ClearPacketEntry", "ClearPacketEntry", {2160, 6360, 1575, 255}, {}, clearPacketEntry},
        {"CashIn", "Cash Input", {2160, 6720, 1575, 255}, {}, cashIn},
        {"CashOut", "Cash Output", {2160, 7080, 1575, 255}, {}, cashOut},
        {"ClearCashEntry", "ClearTopCashQue", {2160, 7440, 1575, 255}, {}, clearCashEntry},
        {"SelfTestStart", "Self Test", {6840, 7080, 615, 615}, {}, selfTestStart},
        {"SelfTestStatus", "Self Test Status", {7800, 7080, 615, 615}, {}, selfTestStatus},
    };
}

} // namespace vantrel::reader
