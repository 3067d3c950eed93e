#include "journal/card_mask.h"

#include <gtest/gtest.h>

namespace vantrel::journal {
namespace {

using namespace std::string_literals;

// A number of n digits that passes the Luhn check, and the same with its last digit off by one.
const char* const kValid[] = {"412345678905",        "4123456789011",        "41234567890120",
                              "412345678901233",     "4123456789012349",     "41234567890123458",
                              "412345678901234561",  "4123456789012345677",  "41234567890123456787"};
const char* const kInvalid[] = {"412345678906",       "4123456789012",        "41234567890121",
                                "412345678901234",    "4123456789012340",     "41234567890123459",
                                "412345678901234562", "4123456789012345678",  "41234567890123456788"};

TEST(CardMask, OnlyLuhnValidRunsOfThirteenToNineteenDigitsAreMasked)
{
    for (int i = 0; i < 9; ++i) {
        const std::string valid = kValid[i], invalid = kInvalid[i];
        const std::size_t n = valid.size();
        SCOPED_TRACE(n);
        ASSERT_TRUE(luhnValid(valid));
        ASSERT_FALSE(luhnValid(invalid));
        EXPECT_EQ(maskCardData(invalid), invalid);
        const std::string expected = n >= 13 && n <= 19 ? valid.substr(0, 6) + std::string(n - 10, '*') + valid.substr(n - 4) : valid;
        EXPECT_EQ(maskCardData(valid), expected);
        // The same within bytes of a record: at its very start, at its very end, between control bytes.
        EXPECT_EQ(maskCardData(valid + "\r\n\0"s), expected + "\r\n\0"s);
        EXPECT_EQ(maskCardData("Card="s + valid), "Card="s + expected);
        EXPECT_EQ(maskCardData("\x1b"s + valid + "\0"s), "\x1b"s + expected + "\0"s);
    }
}

struct MaskCase {
    const char* name;
    std::string in, out;
};

class Masking : public ::testing::TestWithParam<MaskCase> {};

TEST_P(Masking, MasksCardDataAndNothingElse) { EXPECT_EQ(maskCardData(GetParam().in), GetParam().out); }

INSTANTIATE_TEST_SUITE_P(
    CardMask, Masking,
    ::testing::Values(
        MaskCase{"SplitByBlanks", "Card 4111 1111 1111 1111 ok", "Card 4111 11** **** 1111 ok"},
        MaskCase{"SplitByDashes", "4111-1111-1111-1111", "4111-11**-****-1111"},
        MaskCase{"BesideAnotherNumber", "ReaderPosition=01 4111111111111111", "ReaderPosition=01 411111******1111"},
        MaskCase{"TwoBlanksEndAGroup", "4111  1111 1111 1111", "4111  1111 1111 1111"},
        MaskCase{"LeadingZeroIsNoCard", "Limit=0000000000000000", "Limit=0000000000000000"},
        MaskCase{"Track2", "ReaderPosition=01\r\nCardType=Visa\r\nTrack2=;4111111111111111=28121010000000000000?",
                 "ReaderPosition=01\r\nCardType=Visa\r\nTrack2=;411111******1111=2812101?"},
        MaskCase{"Track2WithoutEndSentinel", "Track2=;5555555555554444=2708101123\r\nX=1",
                 "Track2=;555555******4444=2708101\r\nX=1"},
        MaskCase{"Track1", "Track1=%B4111111111111111^DOE/JOHN^28121010000000000000?\r\n",
                 "Track1=%B411111******1111^DOE/JOHN^2812101?\r\n"},
        // A "name" with digits is no track: a card number in it is masked like any other.
        MaskCase{"NoTrack1NameHidesACardNumber", "%B4111111111111111^X 5555555555554444^2812101000?",
                 "%B411111******1111^X 555555******4444^2812101000?"},
        MaskCase{"PinBlock", "ReaderPosition=01\r\nEntryMode=DESEncryption\r\nPINBlock=0123456789ABCDEF\r\n",
                 "ReaderPosition=01\r\nEntryMode=DESEncryption\r\nPINBlock=\r\n"},
        MaskCase{"PinEntryWithoutEcho", "ReaderPosition=02\r\nEntryMode=NumericWithOutEcho\r\nKeyData=1234",
                 "ReaderPosition=02\r\nEntryMode=NumericWithOutEcho\r\nKeyData="},
        MaskCase{"SecurePrompt", "EntryMode=SecurePromptNumericEcho.3\r\nMessageNumber=3\r\nKeyData=2468",
                 "EntryMode=SecurePromptNumericEcho.3\r\nMessageNumber=3\r\nKeyData="},
        MaskCase{"KeysWithEchoStay", "EntryMode=NumericWithEcho\r\nKeyData=1234", "EntryMode=NumericWithEcho\r\nKeyData=1234"},
        MaskCase{"RecordUnchanged", "FuelingPosition=07\r\nHose=1\r\nMOP=2\r\nLimit=0025.00\r\n\0"s,
                 "FuelingPosition=07\r\nHose=1\r\nMOP=2\r\nLimit=0025.00\r\n\0"s},
        MaskCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CardMask, HoldsCardDataSaysWhetherMaskingChangesAnything)
{
    EXPECT_TRUE(holdsCardData("4111111111111111"));
    EXPECT_TRUE(holdsCardData("PINBlock=12"));
    EXPECT_FALSE(holdsCardData("4111111111111112"));
    EXPECT_FALSE(holdsCardData("PINBlock="));
}

} // namespace
} // namespace vantrel::journal
