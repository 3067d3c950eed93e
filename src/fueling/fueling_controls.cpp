#include "fueling_controls.h"

#include "authorisation.h"
#include "dispenser_info.h"
#include "prices.h"

namespace vantrel::fueling {

namespace {
Handler pricesFor(int hoses)
{
    return [hoses](Session& s) { cannedPrices(s, hoses); };
}
} // namespace

std::vector<ButtonSpec> mainWindowButtons()
{
    using namespace colours;
    return {
        {"PayOutSale", "PayOutSale", {5160, 7440, 1455, 375}, {}, payOutSale},
        {"DispenserInfo", "Dispenser Info", {240, 1680, 1335, 255}, {}, dispenserInfo},
        {"Fillup", "Fillup", {3960, 4920, 615, 465}, Green, fillup},
        {"Preset", "Preset", {4680, 4920, 615, 495}, Orange, preset},
        {"NewPreset", "New Preset", {5400, 4920, 615, 495}, DarkCyan, newPreset},
        {"MultiHoseLock", "MHL", {6120, 4920, 615, 495}, LightBlue, multiHoseLock},
        {"PresetMOP1", "MOP1", {5160, 5520, 735, 375}, {}, presetMop1},
        {"PresetMOP2", "MOP2", {6000, 5520, 735, 375}, {}, presetMop2},
        {"Deauthorize", "Deauthorize", {5160, 6000, 1455, 375}, {}, deauthorize},
        {"Stop", "Stop", {5160, 6480, 1455, 375}, {}, stop},
        {"STOP_ALL", "ALL", {6120, 6480, 495, 375}, Red, stopAll},
        {"Resume", "Resume", {5160, 6960, 1455, 375}, {}, resume},
        {"Price1", "P1", {3960, 5520, 495, 375}, {}, pricesFor(1)},
        {"Price2", "P2", {4560, 5520, 495, 375}, {}, pricesFor(2)},
        {"Price3", "P3", {3960, 6000, 495, 375}, {}, pricesFor(3)},
        {"Price4", "P4", {4560, 6000, 495, 375}, {}, pricesFor(4)},
        {"Price5", "P5", {3960, 6480, 495, 375}, {}, pricesFor(5)},
        {"Price6", "P6", {4560, 6480, 495, 375}, {}, pricesFor(6)},
        {"Price", "Price", {3960, 6960, 1095, 375}, {}, price},
        {"Price3Blend", "", {4320, 5880, 135, 135}, DarkGreen, price3Blend},
    };
}

} // namespace vantrel::fueling
