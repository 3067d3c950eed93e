// Price buttons: the canned price records byte for byte, and the prompts,
// re-asks, skipped hoses and records of the interactive price entry.
#include "fueling_buttons.h"

#include "fueling/authorisation.h"
#include "server/records.h"
#include "support/session_rig.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>

using namespace vantrel;
using namespace vantrel::test;

namespace {

std::string nn(int position) { return (position < 10 ? "0" : "") + std::to_string(position); }
const std::string kNul(1, '\0');

std::string group(int hose, const std::string& tier1, const std::string& tier2)
{
    return "Hose=" + std::to_string(hose) + "\r\nTier1=" + tier1 + "\r\nTier2=" + tier2 + "\r\n";
}

// ---------------------------------------------------------------- canned prices

struct CannedPriceCase {
    std::string button;
    int position;
    std::string expected;
};
void PrintTo(const CannedPriceCase& c, std::ostream* os) { *os << c.button; }

std::vector<CannedPriceCase> cannedPriceCases()
{
    std::vector<CannedPriceCase> cases;
    for (int position : {2, 19}) {
        std::string groups;
        for (int k = 1; k <= 6; ++k) {
            const std::string price(4, static_cast<char>('0' + k));
            groups += group(k, price, price);
            cases.push_back({"Price" + std::to_string(k), position,
                             "FuelingPosition=" + nn(position) + "\r\nSlowdownPoint=15\r\n" + groups + kNul});
        }
        cases.push_back({"Price3Blend", position,
                         "FuelingPosition=" + nn(position) + "\r\nSlowdownPoint=15\r\n" + group(1, "1111", "1111") +
                             "Blend=100\r\n" + group(2, "2222", "2222") + "Blend=050\r\n" + group(3, "3333", "3333") +
                             "Blend=000\r\n" + kNul});
    }
    return cases;
}

class CannedPriceTest : public ::testing::TestWithParam<CannedPriceCase> {};

TEST_P(CannedPriceTest, SendsRecordAndShowsIt)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.select(c.position);
    ASSERT_TRUE(press(rig.session, c.button));
    EXPECT_EQ(rig.server.onlyPut(), c.expected);
    EXPECT_EQ(rig.server.calls().at(0).member, "Price");
    EXPECT_EQ(rig.session.textBox(), "<Object>.Price = (data)");
    EXPECT_EQ(rig.session.inBox(), c.expected);
    EXPECT_TRUE(rig.prompter.shown().empty());
}
INSTANTIATE_TEST_SUITE_P(TwoPositions, CannedPriceTest, ::testing::ValuesIn(cannedPriceCases()),
                         [](const auto& info) { return info.param.button + "_at_" + std::to_string(info.param.position); });

// The two worked examples, written out line by line.
TEST(CannedPrices, Price2AtPosition7)
{
    SessionRig rig;
    rig.select(7);
    ASSERT_TRUE(press(rig.session, "Price2"));
    EXPECT_EQ(rig.server.onlyPut(), lit("FuelingPosition=07\r\nSlowdownPoint=15\r\nHose=1\r\nTier1=1111\r\nTier2=1111\r\n"
                                        "Hose=2\r\nTier1=2222\r\nTier2=2222\r\n\0"));
}

TEST(CannedPrices, Price3BlendAtPosition12HasFourteenLines)
{
    SessionRig rig;
    rig.select(12);
    ASSERT_TRUE(press(rig.session, "Price3Blend"));
    const std::string record = rig.server.onlyPut();
    std::ifstream file(std::string(VANTREL_FUELING_TEST_DATA) + "/price3blend_12.txt");
    ASSERT_TRUE(file) << "test data missing";
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 14u);
    std::string expected;
    for (const auto& line : lines)
        expected += line + "\r\n";
    expected += kNul;
    EXPECT_EQ(record, expected);
}

// ---------------------------------------------------------------- interactive price entry

struct PriceCase {
    std::string name;
    std::vector<std::string> answers;
    std::optional<std::string> record; // at position 05; nothing sent when empty
    bool describes;                    // TextBox written
    std::vector<std::string> prompts;  // titles of the input boxes, in order
    int messages;                      // "no data" messages
};
void PrintTo(const PriceCase& c, std::ostream* os) { *os << c.name; }

class PriceEntryTest : public ::testing::TestWithParam<PriceCase> {};

TEST_P(PriceEntryTest, AsksAndSends)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.select(5);
    rig.session.setTextBox("before");
    rig.session.setInBox("old");
    for (const auto& a : c.answers)
        rig.prompter.queueAnswer(a);
    ASSERT_TRUE(press(rig.session, "Price"));
    EXPECT_FALSE(rig.prompter.hasPending()) << "every queued answer is asked for";

    std::vector<std::string> titles;
    int messages = 0;
    for (const auto& s : rig.prompter.shown()) {
        if (s.kind == QueuedPrompter::Shown::Kind::Input) {
            titles.push_back(s.title);
        } else if (s.text == rec::kNumberTooLarge) {
            messages += 100; // counted apart from the "no data" messages
        } else {
            EXPECT_EQ(s.text, fueling::kNoData);
            EXPECT_EQ(s.title, "VantrelTest");
            ++messages;
        }
    }
    EXPECT_EQ(titles, c.prompts);
    EXPECT_EQ(messages, c.messages);
    EXPECT_EQ(rig.session.textBox(), c.describes ? "<Object>.Price = (data)" : "before");
    if (c.record) {
        EXPECT_EQ(rig.server.onlyPut(), *c.record);
        EXPECT_EQ(rig.server.calls().at(0).member, "Price");
        EXPECT_EQ(rig.session.inBox(), *c.record);
    } else {
        EXPECT_TRUE(rig.server.calls().empty());
        EXPECT_EQ(rig.session.inBox(), "old");
    }
}

const std::string kHead = "FuelingPosition=05\r\nSlowdownPoint= 15\r\n";
const std::string kSd = "Slow Down Point";
const std::string kNh = "Number of Hoses";
std::vector<std::string> hoseTitles(std::initializer_list<int> hoses)
{
    std::vector<std::string> titles;
    for (int h : hoses)
        titles.push_back("Hose = " + std::to_string(h));
    return titles;
}
std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<PriceCase> priceCases()
{
    std::vector<PriceCase> cases = {
        {"EmptySecondTierDropsHose2", {"15", "2", "1.999", "2.099", "1.899", ""},
         kHead + group(1, "1.999", "2.099") + kNul, true, concat({kSd, kNh}, hoseTitles({1, 1, 2, 2})), 1},
        {"EmptyFirstTierSkipsSecondQuestion", {"15", "2", "", "3.1", "3.2"},
         kHead + group(2, "3.1", "3.2") + kNul, true, concat({kSd, kNh}, hoseTitles({1, 2, 2})), 1},
        {"SlowdownLetters", {"abc", "1", "1", "2"},
         "FuelingPosition=05\r\nSlowdownPoint= 0\r\n" + group(1, "1", "2") + kNul, true,
         concat({kSd, kNh}, hoseTitles({1, 1})), 0},
        {"SlowdownFraction", {"0.5", "1", "1", "2"},
         "FuelingPosition=05\r\nSlowdownPoint= .5\r\n" + group(1, "1", "2") + kNul, true,
         concat({kSd, kNh}, hoseTitles({1, 1})), 0},
        {"SlowdownNegative", {"-2.5", "1", "1", "2"},
         "FuelingPosition=05\r\nSlowdownPoint=-2.5\r\n" + group(1, "1", "2") + kNul, true,
         concat({kSd, kNh}, hoseTitles({1, 1})), 0},
        {"PricesSentAsTyped", {"15", "1", " 1,9 x ", "ab"}, kHead + group(1, " 1,9 x ", "ab") + kNul, true,
         concat({kSd, kNh}, hoseTitles({1, 1})), 0},
        {"ZeroHosesSendsOneNul", {"15", "0"}, kNul, false, {kSd, kNh}, 0},
        {"LetterHosesSendsOneNul", {"15", "none"}, kNul, false, {kSd, kNh}, 0},
        {"NegativeHoses", {"15", "-2"}, kHead + kNul, true, {kSd, kNh}, 0},
        {"HalfHosesToEven2_5", {"15", "2.5", "a", "b", "c", "d"},
         kHead + group(1, "a", "b") + group(2, "c", "d") + kNul, true, concat({kSd, kNh}, hoseTitles({1, 1, 2, 2})), 0},
        {"NineHosesAskedAgain", {"15", "9", "1", "a", "b"}, kHead + group(1, "a", "b") + kNul, true,
         concat({kSd, kNh, kNh}, hoseTitles({1, 1})), 0},
        {"OutOfRangeHosesAskedAgain", {"15", "40000", "-40000", "32767.5", "1", "a", "b"},
         kHead + group(1, "a", "b") + kNul, true, concat({kSd, kNh, kNh, kNh, kNh}, hoseTitles({1, 1})), 0},
        {"LowestInt16HosesIsNegative", {"15", "-32768.5"}, kHead + kNul, true, {kSd, kNh}, 0},
        {"NineThenCancel", {"15", "9", ""}, std::nullopt, false, {kSd, kNh, kNh}, 0},
        {"CancelFirstQuestion", {""}, std::nullopt, false, {kSd}, 0},
        {"SlowdownBeyondADouble", {std::string(400, '9')}, std::nullopt, false, {kSd}, 100},
        {"CancelHoses", {"15", ""}, std::nullopt, false, {kSd, kNh}, 0},
        {"AllTiersEmpty", {"15", "2", "", ""}, kHead + kNul, true, concat({kSd, kNh}, hoseTitles({1, 2})), 2},
    };

    // 3.5 hoses ask for four; 8 hoses ask for sixteen prices.
    for (const auto& [name, answer, count] : {std::tuple{"HalfHosesToEven3_5", "3.5", 4}, std::tuple{"EightHoses", "8", 8}}) {
        PriceCase c{name, {"15", answer}, kHead, true, {kSd, kNh}, 0};
        for (int h = 1; h <= count; ++h) {
            const std::string t1 = std::to_string(h) + ".1", t2 = std::to_string(h) + ".2";
            c.answers.push_back(t1);
            c.answers.push_back(t2);
            *c.record += group(h, t1, t2);
            c.prompts.push_back("Hose = " + std::to_string(h));
            c.prompts.push_back("Hose = " + std::to_string(h));
        }
        *c.record += kNul;
        cases.push_back(c);
    }
    return cases;
}
INSTANTIATE_TEST_SUITE_P(Answers, PriceEntryTest, ::testing::ValuesIn(priceCases()),
                         [](const auto& info) { return info.param.name; });

TEST(PriceEntry, PromptTexts)
{
    SessionRig rig;
    for (const char* a : {"15", "1", "1", "2"})
        rig.prompter.queueAnswer(a);
    ASSERT_TRUE(press(rig.session, "Price"));
    const auto& s = rig.prompter.shown();
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[0].text, "Enter Slow Down Point");
    EXPECT_EQ(s[1].text, "Enter number of hoses");
    EXPECT_EQ(s[2].text, "Enter Tier1 price");
    EXPECT_EQ(s[3].text, "Enter Tier2 price");
}

TEST(PriceEntry, ZeroHosesLeavesTextBoxAndShowsTheNulRecord)
{
    SessionRig rig;
    rig.session.setTextBox("<Object>.Stop = (01)");
    for (const char* a : {"15", "0"})
        rig.prompter.queueAnswer(a);
    ASSERT_TRUE(press(rig.session, "Price"));
    EXPECT_EQ(rig.server.onlyPut(), lit("\0"));
    EXPECT_EQ(rig.session.inBox(), lit("\0"));
    EXPECT_EQ(rig.session.textBox(), "<Object>.Stop = (01)");
}

} // namespace
