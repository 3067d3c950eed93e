// The Test Functions window's sends: Gilbarco EMV receipts and coupons, bar
// code prints, the Gilbarco scrolling message, the ORPAK signed message and
// large receipt, the special display formatting test, the iX CAT secure
// prompt and image packets, and the two thousand-message display load tests.
// Record builders are pure functions of their inputs; the handlers read the
// position at the moment of the press and keep the window's state in
// TestFunctionState.
#pragma once

#include "session/button_spec.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::suites {

inline constexpr const char* kTestFunctionForm = "TestFunctionForm";
inline constexpr const char* kTestFunctionCaption = "Test Functions";
inline constexpr Twips kTestFunctionSize{0, 0, 5610, 6750};
inline constexpr const char* kImageFileName = "FP_blk.hex";
// The largest image file SET IMAGE reads, in bytes.
inline constexpr std::size_t kImageLimit = std::size_t(8) << 20;

struct TestFunctionState {
    // The test number the GILB EMV receipt prints: 1 when the window is
    // loaded, one more after each receipt, and back to 1 after 32767.
    std::int16_t jobNum = 1;
    // Where SET IMAGE looks for its image file, in order: the first that
    // exists is sent (beside the executable, then the installed data folder).
    std::vector<std::string> imagePaths;
};

// Records, `position` being the two-digit reader position text.
std::string barCodePrintRecord(std::string_view position);
std::string gilbEmvReceiptRecord(std::string_view position, std::int16_t jobNum);
std::string gilbEmvCouponRecord(std::string_view position);
std::string orpakLargeReceiptRecord(std::string_view position);
std::string scrollMessageRecord(std::string_view position);
std::string orpakSignedMessageRecord(std::string_view position);
std::string specialTestRecord(std::string_view position);
// Message `message` (1..1000) of a load test, carrying `items` items; the
// chopped variant breaks the item run after every 20th item.
std::string loadTestRecord(std::string_view position, int message, int items, bool chopped);
inline constexpr int kLoadTestMessages = 1000;
inline constexpr int kLoadTestMaxItems = 100;
inline constexpr int kChoppedItemsPerLine = 20;
// The packet of the iX CAT secure (DES) prompt test.
std::string securePromptPacket();
// The SetImageDetailsCommand packet around the image text.
std::string setImagePacket(std::string_view imageText);
inline constexpr int kImageCountDigits = 5;

// Handlers.
void barCodePrint(Session& session);
void gilbEmvPrint(Session& session, TestFunctionState& state);
void gilbEmvBarcode(Session& session);
void printAndBarcode(Session& session, TestFunctionState& state);
void orpakLargeReceipt(Session& session);
void scrollMessage(Session& session);
void orpakSignedMessage(Session& session);
void specialTests(Session& session);
void displayLoadTest(Session& session, bool chopped);
void securePromptTest(Session& session);
void setImage(Session& session, const TestFunctionState& state);

// The window's control table; the handlers keep `state`, which must outlive the rows.
std::vector<ButtonSpec> testFunctionButtons(TestFunctionState& state);

} // namespace vantrel::suites
