#include "reader_controls.h"

namespace vantrel::reader {

std::vector<ButtonSpec> mainWindowButtons()
{
    using namespace colours;
    return {
        {"SystemVersions", "SystemVersions", {240, 1320, 1335, 255}, {}, {}},
        {"ReaderInfo", "Reader Info", {240, 2040, 1335, 255}, {}, {}},
        {"STRESS_BUTTON", "STRESS", {480, 4920, 855, 495}, Magenta, {}},
        {"KeyQue", "KeyQue", {120, 5520, 1695, 255}, {}, {}},
        {"ClearKeyEntry", "ClearTopKeyQue", {120, 5880, 1695, 255}, {}, {}},
        {"KeyPad", "KeyPadConfiguration", {120, 6240, 1695, 255}, {}, {}},
        {"PrintHeader", "Header 1", {120, 6600, 855, 255}, {}, {}},
        {"PrintFooter", "Footer 1", {120, 6960, 855, 255}, {}, {}},
        {"Print", "Print Receipt1", {120, 7320, 855, 495}, {}, {}},
        {"Header2", "Header 2", {1080, 6600, 855, 255}, {}, {}},
        {"Footer2", "Footer 2", {1080, 6960, 855, 255}, {}, {}},
        {"PrintReceipt2", "Print Receipt2", {1080, 7320, 855, 495}, {}, {}},
        {"QueCounts", "Que Counts", {2160, 1920, 1575, 255}, {}, {}},
        {"ReadErrorQue", "ReadErrorQue", {2160, 2280, 1575, 255}, {}, {}},
        {"ClearErrorQue", "ClearErrorQue", {2160, 2640, 1575, 255}, {}, {}},
        {"CardQue", "CardQue", {2160, 3000, 1575, 255}, {}, {}},
        {"ClearCardEntry", "ClearTopCardQue", {2160, 3360, 1575, 255}, {}, {}},
        {"PreLoadMSGs", "PreLoad MSGs", {2160, 3720, 1575, 255}, {}, {}},
        {"Display", "Display1", {2160, 4080, 1575, 255}, {}, {}},
        {"Display2", "Display2", {2160, 4440, 1575, 255}, {}, {}},
        {"Beeper", "BeeperControl", {2160, 5280, 1575, 255}, {}, {}},
        {"PacketQue", "Packet Input", {2160, 5640, 1575, 255}, {}, {}},
        {"PacketOut", "Packet Output", {2160, 6000, 1575, 255}, {}, {}},
        {"ClearPacketEntry", "ClearPacketEntry", {2160, 6360, 1575, 255}, {}, {}},
        {"CashIn", "Cash Input", {2160, 6720, 1575, 255}, {}, {}},
        {"CashOut", "Cash Output", {2160, 7080, 1575, 255}, {}, {}},
        {"ClearCashEntry", "ClearTopCashQue", {2160, 7440, 1575, 255}, {}, {}},
        {"SelfTestStart", "Self Test", {6840, 7080, 615, 615}, {}, {}},
        {"SelfTestStatus", "Self Test Status", {7800, 7080, 615, 615}, {}, {}},
    };
}

void stressTick(Session&) {}

void registerWindows(WindowCatalog&) {}

} // namespace vantrel::reader
