#include "journal/card_mask.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace vantrel::journal {
namespace {

using namespace std::string_literals;

struct MaskCase {
    const char* name;
    std::string in, out;
};
std::string caseName(const ::testing::TestParamInfo<MaskCase>& info) { return info.param.name; }

// The bytes written in hex, one blank between them ("5A 08 47"): how a
// binary answer is read and written here.
std::string bin(std::string_view hex)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 3)
        out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return out;
}

// Card data in the layouts readers and sites' servers give it: each is masked.
class CardLayout : public ::testing::TestWithParam<MaskCase> {};

TEST_P(CardLayout, IsMasked)
{
    EXPECT_EQ(maskCardData(GetParam().in), GetParam().out);
    EXPECT_TRUE(holdsCardData(GetParam().in));
    // Masking twice is masking once.
    EXPECT_EQ(maskCardData(GetParam().out), GetParam().out);
    EXPECT_FALSE(holdsCardData(GetParam().out));
}

INSTANTIATE_TEST_SUITE_P(
    CardMask, CardLayout,
    ::testing::Values(
        MaskCase{"VisaInOneRun", "Card=4111111111111111\r\n\0"s, "Card=411111******1111\r\n\0"s},
        MaskCase{"VisaThirteenDigits", "4222222222222", "422222***2222"},
        MaskCase{"VisaNineteenDigits", "\x1b" "4111111111111111110\0"s, "\x1b" "411111*********1110\0"s},
        MaskCase{"MastercardTwoSeries", "PAN: 2223003122003222.", "PAN: 222300******3222."},
        MaskCase{"MaestroTwelveDigits", "5018 0000 0009"s, "5018 00** 0009"},
        MaskCase{"Mir", "2200000000000004", "220000******0004"},
        MaskCase{"UnionPay", "6200000000000005", "620000******0005"},
        MaskCase{"Jcb", "3530111333300000", "353011******0000"},
        MaskCase{"FleetCard", "7088850000000000009", "708885*********0009"},
        MaskCase{"BesideAnotherNumber", "ReaderPosition=01 4111111111111111", "ReaderPosition=01 411111******1111"},
        MaskCase{"Grouped4444Blanks", "Card 4111 1111 1111 1111 ok", "Card 4111 11** **** 1111 ok"},
        MaskCase{"Grouped4444Dashes", "4111-1111-1111-1111", "4111-11**-****-1111"},
        MaskCase{"AmexGrouped465", "3782 822463 10005", "3782 82**** *0005"},
        MaskCase{"DinersGrouped464", "3056-930902-5904", "3056-93****-5904"},
        MaskCase{"MaestroGrouped44443", "6759 6498 2643 8453 128", "6759 64** **** ***3 128"},
        MaskCase{"VisaGrouped445", "4222 2222 22222", "4222 22** *2222"},
        MaskCase{"GroupedSharingAGroup", "4111 1111 1222 4111 1111 1111 1111^", "4111 11** **** 4111 11** **** 1111^"},
        MaskCase{"GroupedThenExpiry", "4111 1111 1111 1111 12 28", "4111 11** **** 1111 12 28"},
        MaskCase{"Track2", "ReaderPosition=01\r\nCardType=Visa\r\nTrack2=;4111111111111111=28121010000000000000?",
                 "ReaderPosition=01\r\nCardType=Visa\r\nTrack2=;411111******1111=2812101?"},
        MaskCase{"Track2WithoutEndSentinel", "Track2=;5555555555554444=2708101123\r\nX=1", "Track2=;555555******4444=2708101\r\nX=1"},
        MaskCase{"Track2InAnElement", "<Track2>4111111111111111=28121010000000</Track2>", "<Track2>411111******1111=2812101</Track2>"},
        MaskCase{"Track2FailingLuhn", "Track2=;4111111111111112=28121010000000000000?", "Track2=;411111******1112=2812101?"},
        MaskCase{"Track2OfAFleetCardWithoutCheckDigit", ";7088851234567890123=29125011234?", ";708885*********0123=2912501?"},
        MaskCase{"Track2SeparatorD", "T2=4761739001010010D221220111438044F", "T2=476173******0010D2212201F"},
        MaskCase{"Track1", "Track1=%B4111111111111111^DOE/JOHN^28121010000000000000?\r\n", "Track1=%B411111******1111^DOE/JOHN^2812101?\r\n"},
        MaskCase{"Track1FailingLuhn", "%B4111111111111112^DOE/JOHN^2812101000000?", "%B411111******1112^DOE/JOHN^2812101?"},
        // A "name" with digits is no track: a card number in it is masked like any other.
        MaskCase{"NoTrack1NameHidesACardNumber", "%B4111111111111111^X 5555555555554444^2812101000?",
                 "%B411111******1111^X 555555******4444^2812101000?"},
        MaskCase{"EmvPanCompact", "5A084761739001010010", "5A08476173******0010"},
        MaskCase{"EmvPanSpaced", "5A 08 47 61 73 90 01 01 00 10", "5A 08 47 61 73 ** ** ** 00 10"},
        MaskCase{"EmvPanPadded", "5a08378282246310005f", "5a08378282*****0005f"},
        MaskCase{"EmvPanInAStream", "9F02060000000010005A0847617390010100105F24032212319F",
                 "9F0206000000001000" "5A08476173******0010" "5F24032212319F"},
        MaskCase{"EmvTrack2Compact", "57104761739001010010D221220111438044", "5710476173******0010D2212201********"},
        MaskCase{"EmvTrack2SpacedPadded", "57 10 47 61 73 90 01 01 00 10 D2 21 22 01 11 43 80 4F",
                 "57 10 47 61 73 ** ** ** 00 10 D2 21 22 01 ** ** ** *F"},
        MaskCase{"EmvTrack2Contactless", "9F6B104761739001010010D221220111438044", "9F6B10476173******0010D2212201********"},
        // The same tags in binary: a masked digit becomes the nibble F.
        MaskCase{"EmvBinaryPanEvenDigits", bin("5A 08 47 61 73 90 01 01 00 10"), bin("5A 08 47 61 73 FF FF FF 00 10")},
        MaskCase{"EmvBinaryPanOddDigitsPadded", bin("5A 08 37 82 82 24 63 10 00 5F"), bin("5A 08 37 82 82 FF FF F0 00 5F")},
        MaskCase{"EmvBinaryPanNineteenDigits", bin("5A 0A 41 11 11 11 11 11 11 11 11 0F"),
                 bin("5A 0A 41 11 11 FF FF FF FF F1 11 0F")},
        MaskCase{"EmvBinaryTrack2", bin("57 10 47 61 73 90 01 01 00 10 D2 21 22 01 11 43 80 44"),
                 bin("57 10 47 61 73 FF FF FF 00 10 D2 21 22 01 FF FF FF FF")},
        MaskCase{"EmvBinaryTrack2OddPadded", bin("57 0F 54 13 33 00 89 60 00 03 D2 51 22 01 23 45 6F"),
                 bin("57 0F 54 13 33 FF FF FF 00 03 D2 51 22 01 FF FF FF")},
        MaskCase{"EmvBinaryTrack2Contactless", bin("9F 6B 13 47 61 73 90 01 01 00 10 D2 21 22 01 11 43 80 44 00 00 0F"),
                 bin("9F 6B 13 47 61 73 FF FF FF 00 10 D2 21 22 01 FF FF FF FF FF FF FF")},
        // A tag inside the card number's last digits, whose value goes on after it.
        MaskCase{"EmvBinaryTrack2OverlappingAPan", bin("5A 0A 41 11 11 14 11 24 11 11 57 0F 54 13 33 00 89 60 00 03 D2 51 22 01 23 45 6F"),
                 bin("5A 0A 41 11 11 FF FF FF FF F1 57 0F 54 13 33 FF FF FF 00 03 D2 51 22 01 FF FF FF")},
        MaskCase{"EmvBinaryInAPacketAnswer",
                 "ReaderPosition=01\r\nPacketCount=036\r\nPacketData="s +
                     bin("77 22 9F 02 06 00 00 00 00 10 00 5A 08 47 61 73 90 01 01 00 10 5F 24 03 22 12 31 "
                         "9F 36 02 00 01 57 0A 5A 08") + "\r\n\0"s,
                 "ReaderPosition=01\r\nPacketCount=036\r\nPacketData="s +
                     bin("77 22 9F 02 06 00 00 00 00 10 00 5A 08 47 61 73 FF FF FF 00 10 5F 24 03 22 12 31 "
                         "9F 36 02 00 01 57 0A 5A 08") + "\r\n\0"s},
        MaskCase{"PinBlockLine", "ReaderPosition=01\r\nEntryMode=DESEncryption\r\nPINBlock=0123456789ABCDEF\r\n",
                 "ReaderPosition=01\r\nEntryMode=DESEncryption\r\nPINBlock=\r\n"},
        MaskCase{"PinBlockMixedCase", "PinBlock=0123456789ABCDEF", "PinBlock="},
        MaskCase{"PinBlockUnderscore", "PIN_BLOCK=0123456789ABCDEF\r\nNext=1", "PIN_BLOCK=\r\nNext=1"},
        MaskCase{"PinBlockColonIndented", "  pinblock: 0123 4567 89AB CDEF\n", "  pinblock: \n"},
        MaskCase{"PinBlockElement", "<Pin><PINBlock>0123456789ABCDEF</PINBlock></Pin>", "<Pin><PINBlock></PINBlock></Pin>"},
        MaskCase{"PinBlockElementOverLines", "<PINBlock>\r\n  0123456789ABCDEF\r\n</PINBlock>\r\nReaderPosition=01\r\n",
                 "<PINBlock>\r\n\r\n</PINBlock>\r\nReaderPosition=01\r\n"},
        MaskCase{"PinBlockAttribute", "<Entry PINBlock=\"0123456789ABCDEF\" KSN=\"1\"/>", "<Entry PINBlock=\"\" KSN=\"1\"/>"},
        MaskCase{"PinBlockJson", "{\"pinBlock\": \"0123456789ABCDEF\", \"ok\": 1}", "{\"pinBlock\": \"\", \"ok\": 1}"},
        MaskCase{"PinEntryWithoutEcho", "ReaderPosition=02\r\nEntryMode=NumericWithOutEcho\r\nKeyData=1234",
                 "ReaderPosition=02\r\nEntryMode=NumericWithOutEcho\r\nKeyData="},
        MaskCase{"SecurePromptEntry", "EntryMode=SecurePromptNumericEcho.3\r\nMessageNumber=3\r\nKeyData=2468",
                 "EntryMode=SecurePromptNumericEcho.3\r\nMessageNumber=3\r\nKeyData="},
        MaskCase{"PinEntryOfOneReaderOnly",
                 "ReaderPosition=01\r\nKeyData=55\r\nReaderPosition=02\r\nEntryMode=DESEncryption\r\nKeyData=77",
                 "ReaderPosition=01\r\nKeyData=55\r\nReaderPosition=02\r\nEntryMode=DESEncryption\r\nKeyData="}),
    caseName);

// What looks like card data and is none: each stays as it is.
class LookAlike : public ::testing::TestWithParam<MaskCase> {};

TEST_P(LookAlike, Stays)
{
    EXPECT_EQ(maskCardData(GetParam().in), GetParam().in);
    EXPECT_FALSE(holdsCardData(GetParam().in));
}

INSTANTIATE_TEST_SUITE_P(
    CardMask, LookAlike,
    ::testing::Values(
        MaskCase{"RunOfThirteens", "Testing Size\r\n 13 13 13 13 13 13 13 13 13 13 13 13 13\r\n\0"s, {}},
        MaskCase{"ThirteensInOneRun", "1313131313131313", {}},
        MaskCase{"LuhnValidWithoutIssuer", "Job=1234567812345670", {}},
        MaskCase{"FailsLuhn", "4111111111111112", {}},
        MaskCase{"VisaOfALengthVisaIssuesNot", "41111111111111111", {}},
        MaskCase{"ZeroFilled", "Limit=0000000000000000\r\nPacketCount=0000000000001908", {}},
        MaskCase{"PositionAndCount", "ReaderPosition = 03\r\nPacketCount = 99\r\n", {}},
        MaskCase{"Dates", "2024-06-01 12:30:45 20240601123043", {}},
        MaskCase{"Prices", "Price1=1.299\r\nPrice2=0004.199\r\nBlend=40000000000000.00", {}},
        MaskCase{"SequenceNumbers", "<GetPackageVersionCommand SequenceNumber=\"1505\"></GetPackageVersionCommand>", {}},
        MaskCase{"HexDumpBytes", "41 11 11 11 11 11 11 11 55 55 55 55 55 55 44 44", {}},
        MaskCase{"HexWordAroundDigits", "DEADBEEF4111111111111111CAFE 0x4111111111111111", {}},
        MaskCase{"TlvWithoutCardTags", "9F02060000000010005F2A0209789F1A020840", {}},
        MaskCase{"EmvPanTagFailingLuhn", "5A084761739001010011", {}},
        MaskCase{"EmvBinaryPanFailingLuhn", bin("5A 08 47 61 73 90 01 01 00 11"), {}},
        MaskCase{"EmvBinaryPanCutShort", "PacketData="s + bin("5A 08 47 61 73 90 01 01 00"), {}},
        MaskCase{"EmvBinaryTrack2CutShort", bin("00 57 10 47 61 73 90 01 01 00 10 D2 21 22 01 11 43 80"), {}},
        MaskCase{"EmvBinaryTagAtTheEnd", bin("00 01 9F 6B"), {}},
        MaskCase{"EmvBinaryPanOfALengthNoCardHas", bin("5A 05 47 61 73 90 01"), {}},
        MaskCase{"EmvBinaryPanPaddedInside", bin("5A 08 47 61 73 F0 01 01 00 10"), {}},
        MaskCase{"EmvBinaryPanNotBcd", bin("5A 08 47 61 73 9A 01 01 00 10"), {}},
        MaskCase{"EmvBinaryTrack2WithoutMonth", bin("57 10 47 61 73 90 01 01 00 10 D2 21 32 01 11 43 80 44"), {}},
        MaskCase{"EmvBinaryTrack2WithoutSeparator", bin("57 10 47 61 73 90 01 01 00 10 52 21 22 01 11 43 80 44"), {}},
        MaskCase{"LettersAsBinaryTags", "Zone=WEST\nZ\n12345678901234\nW\r\n\0"s, {}},
        MaskCase{"GroupsOfMixedSeparators", "4111 1111-1111 1111", {}},
        MaskCase{"TrackLikeWithoutMonth", "1234567890123=0000000", {}},
        MaskCase{"PinSupportData", "PINSupportData=\"7A21C0E95B3F4D68\"", {}},
        MaskCase{"PinBlockFormat", "PINBlockFormat=0\r\nPINBlock=\r\n", {}},
        MaskCase{"KeysWithEcho", "EntryMode=NumericWithEcho\r\nKeyData=1234", {}},
        MaskCase{"KeypadConfiguration", "ReaderPosition=01\r\nKeyData=123@R456A@789NYL0EHCe\n\0"s, {}},
        MaskCase{"PositionedText", "Message=\x1bG\x1b" "A12\x1b=001001First Line\x1b=025020Second Line\r\n\n", {}},
        MaskCase{"Empty", "", {}}),
    caseName);

TEST(CardMask, CardNumberNeedsAnIssuerALengthAndTheCheckDigit)
{
    EXPECT_TRUE(cardNumber("4111111111111111"));
    EXPECT_TRUE(cardNumber("378282246310005"));
    EXPECT_FALSE(cardNumber("4111111111111112"));  // check digit
    EXPECT_FALSE(cardNumber("1313131313131313"));  // no issuer
    EXPECT_FALSE(cardNumber("37828224631000"));    // Amex numbers have 15 digits
    EXPECT_FALSE(cardNumber("4111 1111 1111 1111")); // digits only
    EXPECT_TRUE(luhnValid("1313131313131313"));
    EXPECT_FALSE(luhnValid(""));
}

TEST(CardMask, ALongInputIsMaskedWhole)
{
    std::string big;
    for (int i = 0; i < 20000; ++i)
        big += " 13 13 13 4111111111111111 5A0847617390010100105A08";
    const std::string masked = maskCardData(big);
    ASSERT_EQ(masked.size(), big.size());
    EXPECT_EQ(masked.find("4111111111111111"), std::string::npos);
    EXPECT_EQ(masked.find("4761739001010010"), std::string::npos);
    // One run of digits far longer than any card number holds none.
    const std::string digits(1 << 20, '4');
    EXPECT_EQ(maskCardData(digits), digits);
}

// A masker that follows the run: keys keyed at a reader that waits for a PIN.
struct MaskerCase {
    const char* name;
    std::string sentMember, sent; // what was sent before the answer
    std::string answer, out;
};

class Masker : public ::testing::TestWithParam<MaskerCase> {};

TEST_P(Masker, MasksKeysByWhatWasAskedAtTheReader)
{
    CardMasker masker;
    masker.noteSent(GetParam().sentMember, GetParam().sent);
    EXPECT_EQ(masker.mask(GetParam().answer), GetParam().out);
    // The value sent is what the utility sent: only masked without context.
    EXPECT_EQ(masker.mask(GetParam().sent), maskCardData(GetParam().sent));
}

const std::string kEncryptedPrompt = "ReaderPosition=03\r\nPacketCount=183\r\nPacketData=<DisplaySecurePromptCommand "
                                     "SequenceNumber=\"0\" PromptId=\"3\" Language=\"en\" SecurityLevel=\"Encrypted\" "
                                     "MaxLength=\"4\" AutoTerminate=\"true\" Hidden=\"false\" PINSupportData=\"7A21C0E95B3F4D68\"/>\r\n\0"s;
const std::string kPlainPrompt = "ReaderPosition=03\r\nPacketCount=60\r\nPacketData=<DisplaySecurePromptCommand "
                                 "SequenceNumber=\"0\" PromptId=\"3\" SecurityLevel=\"None\"/>\r\n\0"s;
const std::string kSecureAnswer = "ReaderPosition=03\r\nPacketCount=999\r\nPacketData=<DisplaySecurePromptResponse "
                                  "SequenceNumber=\"0\" Result=\"Success\" Data=\"2468\"><KeyedData>2468</KeyedData>"
                                  "</DisplaySecurePromptResponse><Other>5</Other>\r\n";

INSTANTIATE_TEST_SUITE_P(
    CardMask, Masker,
    ::testing::Values(
        MaskerCase{"KeysAfterAPinEntry", "KeyEntryType", "ReaderPosition=01\r\nEntryMode=NumericWithOutEcho\r\n\0"s,
                   "ReaderPosition=01\r\nKeyData=1234", "ReaderPosition=01\r\nKeyData="},
        MaskerCase{"KeysAtAnotherReader", "KeyEntryType", "ReaderPosition=01\r\nEntryMode=DESEncryption\r\n\0"s,
                   "ReaderPosition=02\r\nKeyData=1234", "ReaderPosition=02\r\nKeyData=1234"},
        MaskerCase{"KeysAfterAnEntryWithEcho", "KeyEntryType", "ReaderPosition=01\r\nEntryMode=NumericWithEcho\r\n\0"s,
                   "ReaderPosition=01\r\nKeyData=1234", "ReaderPosition=01\r\nKeyData=1234"},
        MaskerCase{"FunctionKeyAfterAPinEntry", "KeyEntryType", "ReaderPosition=01\r\nEntryMode=DESEncryption\r\n\0"s,
                   "ReaderPosition=01\r\nFunctionKey=Enter", "ReaderPosition=01\r\nFunctionKey=Enter"},
        MaskerCase{"KeysWithoutAReaderAfterAPinEntry", "KeyEntryType", "ReaderPosition=01\r\nEntryMode=DESEncryption\r\n\0"s,
                   "KeyData=1234", "KeyData="},
        MaskerCase{"KeysAfterAnEncryptedSecurePrompt", "PacketQueOutput", kEncryptedPrompt, "ReaderPosition=03\r\nKeyData=2468",
                   "ReaderPosition=03\r\nKeyData="},
        MaskerCase{"SecurePromptResponse", "PacketQueOutput", kEncryptedPrompt, kSecureAnswer,
                   "ReaderPosition=03\r\nPacketCount=999\r\nPacketData=<DisplaySecurePromptResponse SequenceNumber=\"0\" "
                   "Result=\"Success\" Data=\"\"><KeyedData></KeyedData></DisplaySecurePromptResponse><Other>5</Other>\r\n"},
        MaskerCase{"KeysAfterAPlainSecurePrompt", "PacketQueOutput", kPlainPrompt, kSecureAnswer, kSecureAnswer},
        MaskerCase{"KeysAfterAnotherMember", "DisplayData", "ReaderPosition=01\r\nEntryMode=DESEncryption\r\n\0"s,
                   "ReaderPosition=01\r\nKeyData=1234", "ReaderPosition=01\r\nKeyData=1234"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CardMask, ALaterEntryEndsThePinEntryAndTheRecordSentLastStays)
{
    CardMasker masker;
    masker.noteSent("KeyEntryType", "ReaderPosition=05\r\nEntryMode=DESEncryptionNoCursor\r\n\0"s);
    EXPECT_TRUE(masker.pinEntryAt(5));
    // A keypad configuration of digits sent to that reader is what went out.
    const std::string keypad = "ReaderPosition=05\r\nKeyData=1234\n\0"s;
    masker.noteSent("KeyPadConfiguration", keypad);
    EXPECT_EQ(masker.mask(keypad), keypad);
    EXPECT_EQ(masker.mask("ReaderPosition=05\r\nKeyData=1234"), "ReaderPosition=05\r\nKeyData=");
    masker.noteSent("KeyEntryType", "ReaderPosition=05\r\nEntryMode=AlphaOnly\r\n\0"s);
    EXPECT_FALSE(masker.pinEntryAt(5));
    EXPECT_EQ(masker.mask("ReaderPosition=05\r\nKeyData=1234"), "ReaderPosition=05\r\nKeyData=1234");
}

} // namespace
} // namespace vantrel::journal
