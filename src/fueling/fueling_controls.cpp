#include "fueling_controls.h"

namespace vantrel::fueling {

std::vector<ButtonSpec> mainWindowButtons()
{
    using namespace colours;
    return {
        {"PayOutSale", "PayOutSale", {5160, 7440, 1455, 375}, {}, {}},
        {"DispenserInfo", "Dispenser Info", {240, 1680, 1335, 255}, {}, {}},
        {"Fillup", "Fillup", {3960, 4920, 615, 465}, Green, {}},
        {"Preset", "Preset", {4680, 4920, 615, 495}, Orange, {}},
        {"NewPreset", "New Preset", {5400, 4920, 615, 495}, DarkCyan, {}},
        {"MultiHoseLock", "MHL", {6120, 4920, 615, 495}, LightBlue, {}},
        {"PresetMOP1", "MOP1", {5160, 5520, 735, 375}, {}, {}},
        {"PresetMOP2", "MOP2", {6000, 5520, 735, 375}, {}, {}},
        {"Deauthorize", "Deauthorize", {5160, 6000, 1455, 375}, {}, {}},
        {"Stop", "Stop", {5160, 6480, 1455, 375}, {}, {}},
        {"STOP_ALL", "ALL", {6120, 6480, 495, 375}, Red, {}},
        {"Resume", "Resume", {5160, 6960, 1455, 375}, {}, {}},
        {"Price1", "P1", {3960, 5520, 495, 375}, {}, {}},
        {"Price2", "P2", {4560, 5520, 495, 375}, {}, {}},
        {"Price3", "P3", {3960, 6000, 495, 375}, {}, {}},
        {"Price4", "P4", {4560, 6000, 495, 375}, {}, {}},
        {"Price5", "P5", {3960, 6480, 495, 375}, {}, {}},
        {"Price6", "P6", {4560, 6480, 495, 375}, {}, {}},
        {"Price", "Price", {3960, 6960, 1095, 375}, {}, {}},
        {"Price3Blend", "", {4320, 5880, 135, 135}, DarkGreen, {}},
    };
}

} // namespace vantrel::fueling
