// The handlers of the OTHER DEVICES window: car wash requests and queries,
// tank monitor, price sign, chip reader and EMV. Plain functions on a
// Session and the window's own state, so a click, a script line and a test
// run the same code. otherDevicesButtons() is the window's control table.
#pragma once

#include "session/button_spec.h"
#include "session/prompter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::devices {

inline constexpr const char* kOtherDevicesWindow = "OtherDevicesForm";
inline constexpr const char* kOtherDevicesCaption = "OTHER DEVICES";

// Shown instead of sending a code that holds characters above 255.
inline constexpr const char* kCodeTooLong =
    "The car wash code is longer than 32767 characters, the most an entry may hold. Nothing was sent.";
inline constexpr const char* kCodeNotSendable =
    "The car wash code holds characters that cannot be sent (only characters with codes 0 to 255 can). "
    "Nothing was sent.";

// What the window keeps for as long as it is loaded, hidden or not.
struct OtherDevicesState {
    std::string codeNumber;    // CodeNumber: the text of CodeBox, as bytes
    bool codeSendable = true;  // false while CodeBox holds characters above 255
    bool codeTooLong = false;  // true while CodeBox holds more than kEntryLimit characters
    std::int16_t priceSet = 0; // PriceSET: 0 sends table A next, 1 table B

    // CodeBox changed: its whole text, or nullopt when it cannot be sent.
    void codeChanged(std::optional<std::string> bytes);
};

// Car wash requests, assigned to CarWashInformationRequest.
void getCode(Session& session);
void cancelCode(Session& session, const OtherDevicesState& state);
void codeStatus(Session& session, const OtherDevicesState& state);
void cardRead(Session& session);
void keyRead(Session& session);
void priceRead(Session& session);
void reportRead(Session& session);
void rfidRead(Session& session);
void transRead(Session& session);
void setPrices(Session& session, OtherDevicesState& state);

// Car wash queries into DeviceData.
void washStatus(Session& session);
void commandStatus(Session& session);
void readCarWashData(Session& session);

// Tank monitor.
void startTankReport(Session& session);
void tankReportStatus(Session& session);
void readTankReport(Session& session);

// Price sign.
void sendSignControl(Session& session);
void sendSignPrices(Session& session);
void getSignStatus(Session& session);

// Chip reader and EMV at the current fueling position.
void enableChipReader(Session& session);
void disableChipReader(Session& session);
void initiateEmv(Session& session);
void printBarCodePacket(Session& session);

// EXIT: hides the window; it stays loaded with its state.
void exitWindow(Session& session);

// Every button of the window, its handlers bound to `state`.
std::vector<ButtonSpec> otherDevicesButtons(OtherDevicesState& state);
// The window's labels.
std::vector<LabelSpec> otherDevicesLabels();

} // namespace vantrel::devices
