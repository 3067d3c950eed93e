// Server-side tests of the fueling simulation: the sale state machine under
// a hand-moved clock, prices and tiers, the information texts, and the
// numbered errors for records and commands that make no sense.
#include "support/session_rig.h"

#include "forecourt/forecourt_server.h"
#include "server/automation_error.h"

#include <gtest/gtest.h>

#include <charconv>
#include <functional>
#include <optional>

using namespace vantrel;
using namespace vantrel::forecourt;
using vantrel::test::lit;

namespace {

using FP = FuelingPositions;

struct Forecourt {
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    ForecourtServer server{clock};

    void advance(int ms) { clock->advance(Millis(ms)); }
    void put(const char* member, const std::string& value) { server.put(member, Value::string(value)); }
    std::string info(int p) { return server.get("FuelingPositionInformation", Value::int16(static_cast<std::int16_t>(p))).asString(); }
    std::string dispenser(int p) { return server.get("DispenserInformation", Value::int16(static_cast<std::int16_t>(p))).asString(); }
    FP::Progress progress(int p) { return server.fueling().progress(p); }
    void authorise(const std::string& nn, const std::string& hose, const std::string& mop, const std::string& limit)
    {
        put("Authorize", "FuelingPosition=" + nn + "\r\nHose=" + hose + "\r\nMOP=" + mop + "\r\nLimit=" + limit + "\r\n" +
                             std::string(1, '\0'));
    }
};

int errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AutomationError& e) {
        return e.number();
    }
    return 0;
}

// Hose 1 at 2.000 (tier 1) and 2.500 (tier 2), slow-down 15 hundredths.
const std::string kPrices04 = lit("FuelingPosition=04\r\nSlowdownPoint=15\r\nHose=1\r\nTier1=2.000\r\nTier2=2.500\r\n\0");

// ---------------------------------------------------------------- the sale, step by step

TEST(Sale, WalksFromAuthorisationToPayout)
{
    Forecourt f;
    f.put("Price", kPrices04);
    f.authorise("04", "1", "1", "001000"); // 10.00 at 2.000: 5 litres

    EXPECT_EQ(f.progress(4).state, SaleState::Authorised);
    f.advance(2000); // the nozzle is being lifted
    EXPECT_EQ(f.progress(4).state, SaleState::Authorised);
    EXPECT_EQ(f.progress(4).litres, 0);

    f.advance(2000); // two seconds of flow at 0.5 litres a second
    EXPECT_EQ(f.progress(4).state, SaleState::Fueling);
    EXPECT_DOUBLE_EQ(f.progress(4).litres, 1.0);
    EXPECT_DOUBLE_EQ(f.progress(4).amount, 2.0);

    f.put("Stop", "04");
    f.advance(5000);
    EXPECT_EQ(f.progress(4).state, SaleState::Stopped);
    EXPECT_DOUBLE_EQ(f.progress(4).litres, 1.0);

    f.put("Resume", "04");
    f.advance(2000);
    EXPECT_EQ(f.progress(4).state, SaleState::Fueling);
    EXPECT_DOUBLE_EQ(f.progress(4).litres, 2.0);
    EXPECT_EQ(errorOf([&] { f.put("PayOutSale", "04"); }), 1101);

    // Fast flow up to 4.925 litres (0.15 before the limit), then 0.1 litres a
    // second: the limit is reached 2 + 9.85 + 0.75 seconds of running time in.
    f.advance(12600 - 6000 - 1);
    EXPECT_EQ(f.progress(4).state, SaleState::Fueling);
    EXPECT_NEAR(f.progress(4).litres, 4.9999, 1e-9);
    f.advance(1);
    EXPECT_EQ(f.progress(4).state, SaleState::Completed);
    EXPECT_DOUBLE_EQ(f.progress(4).litres, 5.0);
    EXPECT_DOUBLE_EQ(f.progress(4).amount, 10.0);
    f.advance(60000);
    EXPECT_DOUBLE_EQ(f.progress(4).litres, 5.0);

    EXPECT_EQ(errorOf([&] { f.put("Resume", "04"); }), 1103);
    EXPECT_EQ(errorOf([&] { f.put("Stop", "04"); }), 0);
    EXPECT_EQ(f.progress(4).state, SaleState::Completed);
    EXPECT_EQ(errorOf([&] { f.put("Deauthorize", "04"); }), 1101);
    EXPECT_DOUBLE_EQ(f.server.fueling().dispensedLitres(), 5.0);

    f.put("PayOutSale", "04");
    EXPECT_EQ(f.progress(4).state, SaleState::Idle);
    EXPECT_EQ(f.info(4), "FuelingPosition=4\r\nState=Idle\r\nLastSaleVolume=5.000\r\nLastSaleAmount=10.00");
    EXPECT_EQ(errorOf([&] { f.put("PayOutSale", "04"); }), 1102);
    EXPECT_DOUBLE_EQ(f.server.fueling().dispensedLitres(), 5.0);
}

TEST(Sale, InformationTextWhileFueling)
{
    Forecourt f;
    f.put("Price", kPrices04);
    f.authorise("04", "1", "2", "001500");
    f.advance(4000);
    EXPECT_EQ(f.info(4), "FuelingPosition=4\r\nState=Fueling\r\nHose=1\r\nHoseInUse=1\r\nMOP=2\r\nLimit=15.00\r\n"
                         "UnitPrice=2.500\r\nVolume=1.000\r\nAmount=2.50");
}

TEST(Sale, FillUpEndsWhenTheTankIsFull)
{
    Forecourt f;
    f.put("Authorize", lit("FuelingPosition=07\r\nHose=0\r\nMOP=F\r\nLimit=999999\r\n\0"));
    const int full = 2000 + static_cast<int>(FP::kTankLitres / FP::kFastFlow * 1000);
    f.advance(full - 1);
    EXPECT_EQ(f.progress(7).state, SaleState::Fueling);
    f.advance(1);
    EXPECT_EQ(f.progress(7).state, SaleState::Completed);
    EXPECT_DOUBLE_EQ(f.progress(7).litres, FP::kTankLitres);
    EXPECT_DOUBLE_EQ(f.progress(7).amount, 42.5); // default price 1.000, tier 1
    EXPECT_NE(f.info(7).find("Hose=0\r\nHoseInUse=1\r\nMOP=F\r\nLimit=fill-up\r\n"), std::string::npos) << f.info(7);
}

TEST(Sale, LimitWithManyLeadingZerosIsStillALimit)
{
    Forecourt f;
    f.authorise("03", "1", "1", "0000000000000100");
    EXPECT_NE(f.info(3).find("Limit=1.00\r\n"), std::string::npos) << f.info(3);
}

TEST(Sale, PresetAboveTheTankEndsAtTheTank)
{
    Forecourt f;
    f.authorise("03", "1", "1", "100000"); // 1000.00 at 1.000 would be 1000 litres
    f.advance(200000);
    EXPECT_EQ(f.progress(3).state, SaleState::Completed);
    EXPECT_DOUBLE_EQ(f.progress(3).litres, FP::kTankLitres);
}

TEST(Sale, DeauthorizeBeforeFuelCancels)
{
    Forecourt f;
    f.authorise("05", "1", "1", "000500");
    f.advance(1000);
    f.put("Deauthorize", "05");
    EXPECT_EQ(f.progress(5).state, SaleState::Idle);
    EXPECT_EQ(errorOf([&] { f.put("PayOutSale", "05"); }), 1102);
}

TEST(Sale, DeauthorizeAfterFuelEndsTheDeliveryAndKeepsTheSale)
{
    Forecourt f;
    f.authorise("05", "1", "1", "001000");
    f.advance(4000);
    f.put("Deauthorize", "05");
    f.advance(10000);
    EXPECT_EQ(f.progress(5).state, SaleState::Completed);
    EXPECT_DOUBLE_EQ(f.progress(5).litres, 1.0);
    EXPECT_EQ(errorOf([&] { f.put("Resume", "05"); }), 1103);
    f.put("PayOutSale", "05");
    EXPECT_NE(f.dispenser(5).find("SalesPaid=1\r\nTotalVolume=1.000\r\nTotalAmount=1.00"), std::string::npos);
}

TEST(Sale, StopAllHaltsRunningSalesAndLeavesTheRest)
{
    Forecourt f;
    f.authorise("01", "1", "1", "005000");
    f.authorise("32", "1", "1", "005000");
    f.authorise("16", "1", "1", "000050"); // 0.50: finished before the stop
    f.advance(12000);
    ASSERT_EQ(f.progress(16).state, SaleState::Completed);
    f.put("Stop", "0");
    f.advance(10000);
    EXPECT_EQ(f.progress(1).state, SaleState::Stopped);
    EXPECT_EQ(f.progress(32).state, SaleState::Stopped);
    EXPECT_DOUBLE_EQ(f.progress(1).litres, 5.0);
    EXPECT_EQ(f.progress(16).state, SaleState::Completed);
    EXPECT_EQ(f.progress(2).state, SaleState::Idle);
    f.put("Resume", "32");
    f.advance(2000);
    EXPECT_DOUBLE_EQ(f.progress(32).litres, 6.0);
    EXPECT_DOUBLE_EQ(f.progress(1).litres, 5.0);
}

TEST(Sale, StopWhileAuthorisedDelaysTheNozzleLift)
{
    Forecourt f;
    f.authorise("08", "1", "1", "001000");
    f.advance(1000);
    f.put("Stop", "08");
    f.advance(9000);
    f.put("Resume", "08");
    f.advance(1000);
    EXPECT_EQ(f.progress(8).state, SaleState::Authorised);
    f.advance(2000);
    EXPECT_DOUBLE_EQ(f.progress(8).litres, 1.0);
}

TEST(Sale, DispensedLitresCountsRunningAndPaidSales)
{
    Forecourt f;
    f.authorise("01", "1", "1", "000100");
    f.advance(20000);
    f.put("PayOutSale", "01"); // 1.00 at 1.000: 1 litre
    f.authorise("02", "1", "1", "005000");
    f.advance(2000 + 3000);
    EXPECT_DOUBLE_EQ(f.server.fueling().dispensedLitres(), 2.5);
}

// ---------------------------------------------------------------- prices and tiers

struct TierCase {
    std::string name;
    std::string hose, mop;
    std::string unitPrice;
};
void PrintTo(const TierCase& c, std::ostream* os) { *os << c.name; }
class TierTest : public ::testing::TestWithParam<TierCase> {};
TEST_P(TierTest, SaleUsesTheTierOfItsMop)
{
    Forecourt f;
    f.put("Price", lit("FuelingPosition=06\r\nSlowdownPoint=0\r\nHose=1\r\nTier1=1111\r\nTier2=1.25\r\n"
                       "Hose=3\r\nTier1=3.000\r\nTier2=3.500\r\nBlend=050\r\nHose=4\r\nTier1=4.\r\nTier2=4.\r\n\0"));
    f.authorise("06", GetParam().hose, GetParam().mop, "005000");
    EXPECT_NE(f.info(6).find("UnitPrice=" + GetParam().unitPrice + "\r\n"), std::string::npos) << f.info(6);
}
INSTANTIATE_TEST_SUITE_P(Mops, TierTest,
                         ::testing::Values(TierCase{"Mop1WholeNumberIsThousandths", "1", "1", "1.111"},
                                           TierCase{"Mop2", "1", "2", "1.250"}, TierCase{"MopF", "1", "F", "1.111"},
                                           TierCase{"MopN", "0", "N", "1.111"}, TierCase{"Hose3Mop2", "3", "2", "3.500"},
                                           TierCase{"HoseSetTakesLowestHose", "M00000100", "1", "3.000"},
                                           TierCase{"CannedHoseSet", "M00000101", "2", "1.250"},
                                           TierCase{"UnpricedHoseHasStartPrice", "5", "1", "1.000"},
                                           TierCase{"TrailingPointIsWholeUnits", "4", "2", "4.000"}),
                         [](const auto& info) { return info.param.name; });

TEST(Prices, DispenserInformationListsEveryHose)
{
    Forecourt f;
    f.put("Price", lit("FuelingPosition=12\r\nSlowdownPoint=15\r\nHose=1\r\nTier1=1111\r\nTier2=1111\r\nBlend=100\r\n"
                       "Hose=2\r\nTier1=2222\r\nTier2=2222\r\nBlend=050\r\n\0"));
    std::string expected = "Dispenser=12\r\nState=Idle\r\nSlowdownPoint=15\r\n"
                           "Hose1Tier1=1.111\r\nHose1Tier2=1.111\r\nHose1Blend=100\r\n"
                           "Hose2Tier1=2.222\r\nHose2Tier2=2.222\r\nHose2Blend=050\r\n";
    for (int k = 3; k <= 8; ++k)
        expected += "Hose" + std::to_string(k) + "Tier1=1.000\r\nHose" + std::to_string(k) + "Tier2=1.000\r\n";
    expected += "SalesPaid=0\r\nTotalVolume=0.000\r\nTotalAmount=0.00";
    EXPECT_EQ(f.dispenser(12), expected);
}

TEST(Prices, SignedSlowdownFromThePriceButtonIsRead)
{
    Forecourt f;
    f.put("Price", lit("FuelingPosition=02\r\nSlowdownPoint= .5\r\n\0"));
    EXPECT_NE(f.dispenser(2).find("SlowdownPoint=0.5\r\n"), std::string::npos) << f.dispenser(2);
}

TEST(Prices, RunningSaleKeepsItsPrice)
{
    Forecourt f;
    f.authorise("09", "1", "1", "005000");
    f.put("Price", lit("FuelingPosition=09\r\nSlowdownPoint=15\r\nHose=1\r\nTier1=9.000\r\nTier2=9.000\r\n\0"));
    f.advance(4000);
    EXPECT_DOUBLE_EQ(f.progress(9).amount, 1.0);
}

// ---------------------------------------------------------------- prices of any size

std::string price(const std::string& body) { return "FuelingPosition=04\r\n" + body + std::string(1, '\0'); }


// The digits of a fixed-form number with `decimals` places, read back.
std::optional<double> fixedValue(const std::string& text, std::size_t decimals)
{
    const auto point = text.find('.');
    if (point == std::string::npos || text.size() - point - 1 != decimals ||
        text.find_first_not_of("0123456789.") != std::string::npos)
        return std::nullopt;
    double value = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
    return res.ec == std::errc() && res.ptr == text.data() + text.size() ? std::optional<double>(value) : std::nullopt;
}

std::string lineValue(const std::string& text, const std::string& key)
{
    const auto at = text.find("\r\n" + key + "=");
    if (at == std::string::npos)
        return "(no " + key + " line)";
    const auto from = at + key.size() + 3;
    return text.substr(from, text.find("\r\n", from) - from);
}

struct BigPriceCase {
    std::string name;
    std::string tier1; // as typed into the price prompt
    double perLitre;
};
void PrintTo(const BigPriceCase& c, std::ostream* os) { *os << c.name; }
class BigPriceTest : public ::testing::TestWithParam<BigPriceCase> {};
TEST_P(BigPriceTest, AnswersCarryTheWholeNumber)
{
    Forecourt f;
    f.put("Price", price("SlowdownPoint= 15\r\nHose=1\r\nTier1=" + GetParam().tier1 + "\r\nTier2=2.099\r\n"));
    const std::string dispenser = f.dispenser(4);
    EXPECT_EQ(fixedValue(lineValue(dispenser, "Hose1Tier1"), 3), GetParam().perLitre) << dispenser;
    EXPECT_EQ(lineValue(dispenser, "Hose1Tier2"), "2.099");
    EXPECT_EQ(lineValue(dispenser, "Hose2Tier1"), "1.000");

    f.authorise("04", "1", "1", "999999");
    f.advance(200000); // a full tank
    const std::string info = f.info(4);
    EXPECT_EQ(fixedValue(lineValue(info, "UnitPrice"), 3), GetParam().perLitre) << info;
    const double amount = f.progress(4).amount;
    EXPECT_EQ(fixedValue(lineValue(info, "Amount"), 2), amount) << info;
    f.put("PayOutSale", "04");
    EXPECT_EQ(fixedValue(lineValue(f.dispenser(4), "TotalAmount"), 2), amount);
}
INSTANTIATE_TEST_SUITE_P(
    Sizes, BigPriceTest,
    ::testing::Values(BigPriceCase{"SixtyFourDigitsOfThousandths", "1" + std::string(63, '0'), 1e63 / 1000},
                      BigPriceCase{"SixtyOneWholeDigits", "9" + std::string(60, '9') + ".5", 1e61},
                      BigPriceCase{"HighestPrice", "1" + std::string(300, '0') + ".", FP::kHighestPrice},
                      BigPriceCase{"EveryDigitCounts", "123456789012345678901234567890.123", 123456789012345678901234567890.123}),
    [](const auto& info) { return info.param.name; });

TEST(BigPrices, IssueRecordAnswersExactDigits)
{
    Forecourt f;
    f.put("Price", price("SlowdownPoint= 15\r\nHose=1\r\nTier1=1" + std::string(63, '0') + "\r\nTier2=2.099\r\n"));
    EXPECT_EQ(lineValue(f.dispenser(4), "Hose1Tier1"), "1000000000000000127793096885319003999249391192200302120927232.000");
    EXPECT_EQ(lineValue(f.dispenser(4), "SlowdownPoint"), "15");
}

// ---------------------------------------------------------------- refused records and commands

struct RefusedCase {
    std::string name;
    const char* member;
    std::string value;
    int error;
};
void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }
class RefusedTest : public ::testing::TestWithParam<RefusedCase> {};
TEST_P(RefusedTest, RaisesNumberedErrorAndChangesNothing)
{
    Forecourt f;
    const std::string before = f.dispenser(4) + f.info(4);
    int number = 0;
    std::string description;
    try {
        f.put(GetParam().member, GetParam().value);
    } catch (const AutomationError& e) {
        number = e.number();
        description = e.description();
    }
    EXPECT_EQ(number, GetParam().error) << description;
    EXPECT_GT(description.size(), 20u) << "a description a technician can read";
    EXPECT_EQ(f.dispenser(4) + f.info(4), before);
}

std::string auth(const std::string& body) { return "FuelingPosition=04\r\n" + body + std::string(1, '\0'); }

INSTANTIATE_TEST_SUITE_P(
    Records, RefusedTest,
    ::testing::Values(
        RefusedCase{"ResumeIdle", "Resume", "04", 1103}, RefusedCase{"PayOutIdle", "PayOutSale", "04", 1102},
        RefusedCase{"DeauthorizeIdle", "Deauthorize", "04", 1101},
        RefusedCase{"AuthorisePosition33", "Authorize", lit("FuelingPosition=33\r\nHose=0\r\nMOP=1\r\nLimit=000500\r\n\0"), 1003},
        RefusedCase{"AuthorisePosition00", "Authorize", lit("FuelingPosition=00\r\nHose=0\r\nMOP=1\r\nLimit=000500\r\n\0"), 1003},
        RefusedCase{"AuthoriseHose9", "Authorize", auth("Hose=9\r\nMOP=1\r\nLimit=000500\r\n"), 1006},
        RefusedCase{"AuthoriseEmptyHoseSet", "Authorize", auth("Hose=M00000000\r\nMOP=1\r\nLimit=000500\r\n"), 1006},
        RefusedCase{"AuthoriseMop3", "Authorize", auth("Hose=1\r\nMOP=3\r\nLimit=000500\r\n"), 1006},
        RefusedCase{"AuthoriseEmptyMop", "Authorize", auth("Hose=1\r\nMOP=\r\nLimit=000100\r\n"), 1006},
        RefusedCase{"AuthoriseNoMop", "Authorize", auth("Hose=1\r\nLimit=000100\r\n"), 1005},
        RefusedCase{"AuthoriseLimitZero", "Authorize", auth("Hose=1\r\nMOP=1\r\nLimit=000000\r\n"), 1006},
        RefusedCase{"AuthoriseLimitNegative", "Authorize", auth("Hose=1\r\nMOP=1\r\nLimit=-000005\r\n"), 1006},
        RefusedCase{"AuthoriseUnknownLine", "Authorize", auth("Hose=1\r\nMOP=1\r\nLimit=000100\r\nColour=red\r\n"), 1004},
        RefusedCase{"PriceAboveHighest", "Price", price("Hose=1\r\nTier1=2" + std::string(300, '0') + ".\r\nTier2=1\r\n"), 1006},
        RefusedCase{"PricePositionAgainInHoseGroup", "Price", price("SlowdownPoint=15\r\nHose=1\r\nTier1=5\r\nFuelingPosition=99\r\nTier2=5\r\n"), 1004},
        RefusedCase{"PriceSlowdownTwice", "Price", price("SlowdownPoint=15\r\nSlowdownPoint=20\r\nHose=1\r\nTier1=5\r\nTier2=5\r\n"), 1004},
        RefusedCase{"AuthoriseLimitTwice", "Authorize", auth("Hose=1\r\nMOP=1\r\nLimit=000100\r\nLimit=000900\r\n"), 1004},
        RefusedCase{"PricePosition33", "Price", lit("FuelingPosition=33\r\nSlowdownPoint=15\r\n\0"), 1003},
        RefusedCase{"PriceHoseWithoutTiers", "Price", price("SlowdownPoint=15\r\nHose=1\r\nHose=2\r\nTier1=1\r\nTier2=1\r\n"), 1104},
        RefusedCase{"PriceLastHoseWithoutTier2", "Price", price("SlowdownPoint=15\r\nHose=1\r\nTier1=1\r\n"), 1104},
        RefusedCase{"PriceTier2BeforeTier1", "Price", price("SlowdownPoint=15\r\nHose=1\r\nTier2=1\r\nTier1=1\r\n"), 1104},
        RefusedCase{"PriceTierBeforeHose", "Price", price("SlowdownPoint=15\r\nTier1=1\r\n"), 1004},
        RefusedCase{"PriceLetters", "Price", price("SlowdownPoint=15\r\nHose=1\r\nTier1=abc\r\nTier2=1\r\n"), 1006},
        RefusedCase{"PriceZero", "Price", price("SlowdownPoint=15\r\nHose=1\r\nTier1=0\r\nTier2=1\r\n"), 1006},
        RefusedCase{"PriceHose9", "Price", price("SlowdownPoint=15\r\nHose=9\r\nTier1=1\r\nTier2=1\r\n"), 1006},
        RefusedCase{"PriceHoseTwice", "Price", price("Hose=1\r\nTier1=1\r\nTier2=1\r\nHose=1\r\nTier1=2\r\nTier2=2\r\n"), 1006},
        RefusedCase{"PriceBlend150", "Price", price("Hose=1\r\nTier1=1\r\nTier2=1\r\nBlend=150\r\n"), 1006},
        RefusedCase{"PriceNegativeSlowdown", "Price", price("SlowdownPoint=-2.5\r\nHose=1\r\nTier1=1\r\nTier2=1\r\n"), 1006},
        RefusedCase{"PriceGoodGroupThenBadOne", "Price", price("Hose=1\r\nTier1=5\r\nTier2=5\r\nHose=2\r\n"), 1104}),
    [](const auto& info) { return info.param.name; });

struct StateErrorCase {
    std::string name;
    int runMs;          // time after authorising (hose 1, MOP 1, 10.00 at 1.000) before the command
    bool stopFirst;
    const char* member;
    int error;
};
void PrintTo(const StateErrorCase& c, std::ostream* os) { *os << c.name; }
class StateErrorTest : public ::testing::TestWithParam<StateErrorCase> {};
TEST_P(StateErrorTest, CommandThatMakesNoSenseIsRefused)
{
    Forecourt f;
    f.authorise("11", "1", "1", "001000");
    f.advance(GetParam().runMs);
    if (GetParam().stopFirst)
        f.put("Stop", "11");
    const auto before = f.progress(11).state;
    try {
        f.put(GetParam().member, GetParam().member == std::string("Authorize")
                                     ? lit("FuelingPosition=11\r\nHose=0\r\nMOP=F\r\nLimit=999999\r\n\0")
                                     : std::string("11"));
        ADD_FAILURE() << "accepted";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), GetParam().error);
        EXPECT_NE(e.description().find("position 11"), std::string::npos) << e.description();
    }
    EXPECT_EQ(f.progress(11).state, before);
}
INSTANTIATE_TEST_SUITE_P(
    States, StateErrorTest,
    ::testing::Values(StateErrorCase{"PayOutAuthorised", 1000, false, "PayOutSale", 1102},
                      StateErrorCase{"PayOutFueling", 4000, false, "PayOutSale", 1101},
                      StateErrorCase{"PayOutStoppedWithFuel", 4000, true, "PayOutSale", 1101},
                      StateErrorCase{"PayOutStoppedWithoutFuel", 1000, true, "PayOutSale", 1102},
                      StateErrorCase{"ResumeAuthorised", 1000, false, "Resume", 1103},
                      StateErrorCase{"ResumeFueling", 4000, false, "Resume", 1103},
                      StateErrorCase{"AuthoriseFueling", 4000, false, "Authorize", 1101},
                      StateErrorCase{"AuthoriseCompleted", 60000, false, "Authorize", 1101},
                      StateErrorCase{"DeauthoriseCompleted", 60000, false, "Deauthorize", 1101}),
    [](const auto& info) { return info.param.name; });

TEST(Prices, RecordOfTheNulAloneChangesNothing)
{
    Forecourt f;
    f.put("Price", kPrices04);
    const std::string before = f.dispenser(4);
    EXPECT_EQ(errorOf([&] { f.put("Price", lit("\0")); }), 0);
    EXPECT_EQ(f.dispenser(4), before);
}

TEST(Stop, IdlePositionIsLeftAlone)
{
    Forecourt f;
    EXPECT_EQ(errorOf([&] { f.put("Stop", "04"); }), 0);
    EXPECT_EQ(f.progress(4).state, SaleState::Idle);
}

} // namespace
