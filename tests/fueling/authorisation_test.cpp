// Authorisation, preset and sale control buttons: exact records, prompts,
// messages and the boxes, against a recording server.
#include "fueling_buttons.h"

#include "fueling/authorisation.h"
#include "server/records.h"
#include "support/session_rig.h"

#include <gtest/gtest.h>

#include <optional>

using namespace vantrel;
using namespace vantrel::test;

namespace {

// Replaces every "NN" of a template with the two-digit position.
std::string at(std::string text, const std::string& nn)
{
    for (auto p = text.find("NN"); p != std::string::npos; p = text.find("NN", p + 2))
        text.replace(p, 2, nn);
    return text;
}

std::string nn(int position) { return (position < 10 ? "0" : "") + std::to_string(position); }

// ---------------------------------------------------------------- canned authorisations

struct CannedCase {
    std::string button;
    std::string description;
    std::string record; // NN for the position
    int position;
};
void PrintTo(const CannedCase& c, std::ostream* os) { *os << c.button; }

std::string cannedName(const ::testing::TestParamInfo<CannedCase>& info)
{
    return info.param.button + "_at_" + std::to_string(info.param.position);
}

class CannedAuthorisationTest : public ::testing::TestWithParam<CannedCase> {};

TEST_P(CannedAuthorisationTest, SendsRecordKeepsItAndShowsIt)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.select(c.position);
    ASSERT_TRUE(press(rig.session, c.button));
    const std::string record = at(c.record, nn(c.position));
    EXPECT_EQ(rig.server.onlyPut(), record);
    EXPECT_EQ(rig.server.calls().at(0).member, "Authorize");
    EXPECT_EQ(rig.session.textBox(), c.description);
    EXPECT_EQ(rig.session.inBox(), record);
    EXPECT_EQ(rig.session.recordData, Value::string(record));
    EXPECT_TRUE(rig.prompter.shown().empty());
}

std::vector<CannedCase> cannedCases()
{
    const std::vector<CannedCase> rows = {
        {"Fillup", "<Object>.Authorize = (data)", lit("FuelingPosition=NN\r\nHose=0\r\nMOP=F\r\nLimit=999999\r\n\0"), 0},
        {"NewPreset", "<Object>.Authorize (data)", lit("FuelingPosition=NN\r\nMOP=N\r\nLimit=000500\r\n\0"), 0},
        {"PresetMOP1", "<Object>.Authorize (data)", lit("FuelingPosition=NN\r\nHose=0\r\nMOP=1\r\nLimit=000500\r\n\0"), 0},
        {"PresetMOP2", "<Object>.Authorize (data)", lit("FuelingPosition=NN\r\nHose=0\r\nMOP=2\r\nLimit=000500\r\n\0"), 0},
    };
    std::vector<CannedCase> cases;
    for (int position : {3, 27})
        for (auto row : rows) {
            row.position = position;
            cases.push_back(row);
        }
    return cases;
}
INSTANTIATE_TEST_SUITE_P(TwoPositions, CannedAuthorisationTest, ::testing::ValuesIn(cannedCases()), cannedName);

TEST(NewPreset, SendsNoHoseLine)
{
    SessionRig rig;
    ASSERT_TRUE(press(rig.session, "NewPreset"));
    EXPECT_EQ(rig.server.onlyPut().find("Hose="), std::string::npos);
}

// ---------------------------------------------------------------- position commands

struct PositionCase {
    std::string button;
    std::string member;
    std::string description; // NN for the position
    std::string value;       // NN for the position
    int position;
};
void PrintTo(const PositionCase& c, std::ostream* os) { *os << c.button; }

class PositionCommandTest : public ::testing::TestWithParam<PositionCase> {};

TEST_P(PositionCommandTest, SendsBarePositionTextAndShowsOneBlank)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.select(c.position);
    rig.session.recordData = Value::string("kept");
    ASSERT_TRUE(press(rig.session, c.button));
    ASSERT_EQ(rig.server.calls().size(), 1u);
    EXPECT_EQ(rig.server.calls()[0].access, Access::Put);
    EXPECT_EQ(rig.server.calls()[0].member, c.member);
    EXPECT_EQ(rig.server.calls()[0].value, Value::string(at(c.value, nn(c.position))));
    EXPECT_EQ(rig.session.textBox(), at(c.description, nn(c.position)));
    EXPECT_EQ(rig.session.inBox(), " ");
    EXPECT_EQ(rig.session.recordData, Value::string("kept"));
}

std::vector<PositionCase> positionCases()
{
    const std::vector<PositionCase> rows = {
        {"Deauthorize", "Deauthorize", "<Object>.DeAuthorize = (NN)", "NN", 0},
        {"Stop", "Stop", "<Object>.Stop = (NN)", "NN", 0},
        {"STOP_ALL", "Stop", "<Object>.Stop = (0)", "0", 0},
        {"Resume", "Resume", "<Object>.Resume = (NN)", "NN", 0},
        {"PayOutSale", "PayOutSale", "<Object>.PayOutSale = (NN)", "NN", 0},
    };
    std::vector<PositionCase> cases;
    for (int position : {1, 7, 32})
        for (auto row : rows) {
            row.position = position;
            cases.push_back(row);
        }
    return cases;
}
INSTANTIATE_TEST_SUITE_P(Positions, PositionCommandTest, ::testing::ValuesIn(positionCases()),
                         [](const auto& info) { return info.param.button + "_at_" + std::to_string(info.param.position); });

// ---------------------------------------------------------------- Preset

struct PresetCase {
    std::string name;
    std::vector<std::string> answers; // hose, MOP, limit as far as asked
    std::optional<std::string> record; // sent record (position 04), or nothing sent
    std::string shown;                 // description when sent, else the message
};
void PrintTo(const PresetCase& c, std::ostream* os) { *os << c.name; }

class PresetTest : public ::testing::TestWithParam<PresetCase> {};

TEST_P(PresetTest, ChecksAnswersThenShowsAndSendsRecord)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.select(4);
    rig.session.setTextBox("before");
    rig.session.setInBox("old");
    for (const auto& a : c.answers)
        rig.prompter.queueAnswer(a);
    EventLog log(rig.session);
    ASSERT_TRUE(press(rig.session, "Preset"));
    EXPECT_FALSE(rig.prompter.hasPending()) << "every queued answer is asked for";

    std::vector<std::string> expected = {"input:Hose Input", "input:MOP Input", "input:Preset amount Input"};
    expected.resize(c.answers.size());
    if (c.record) {
        expected.push_back("message:" + *c.record);
        expected.push_back("put:Authorize");
        EXPECT_EQ(log.events, expected);
        EXPECT_EQ(rig.server.onlyPut(), *c.record);
        EXPECT_EQ(rig.session.textBox(), c.shown);
        EXPECT_EQ(rig.session.inBox(), *c.record);
        EXPECT_EQ(rig.session.recordData, Value::string(*c.record));
        EXPECT_EQ(rig.prompter.shown().back().title, "VantrelTest");
    } else {
        expected.push_back("message:" + c.shown);
        EXPECT_EQ(log.events, expected);
        EXPECT_TRUE(rig.server.calls().empty());
        EXPECT_EQ(rig.session.textBox(), "before");
        EXPECT_EQ(rig.session.inBox(), "old");
        EXPECT_EQ(rig.prompter.shown().back().title, "VantrelTest");
    }
}

const std::string kPlain = "<Object>.Authorize (data)";
const std::string kEquals = "<Object>.Authorize = (data)";
std::string presetRecord(const char* hose, const char* mop, const char* limit)
{
    return "FuelingPosition=04\r\nHose=" + std::string(hose) + "\r\nMOP=" + mop + "\r\nLimit=" + limit + "\r\n" +
           std::string(1, '\0');
}

INSTANTIATE_TEST_SUITE_P(
    Answers, PresetTest,
    ::testing::Values(
        PresetCase{"Hose3Mop2Limit1500", {"3", "2", "1500"}, presetRecord("3", "2", "001500"), kPlain},
        PresetCase{"MopLowerF", {"3", "f", "1500"}, presetRecord("3", "F", "999999"), kEquals},
        PresetCase{"MopUpperF", {"5", "F", "7"}, presetRecord("5", "F", "999999"), kEquals},
        PresetCase{"Limit1234567", {"1", "1", "1234567"}, presetRecord("1", "1", "1234567"), kPlain},
        PresetCase{"Limit12_6", {"1", "1", "12.6"}, presetRecord("1", "1", "000013"), kPlain},
        PresetCase{"Limit12_5HalfAwayFromZero", {"1", "1", "12.5"}, presetRecord("1", "1", "000013"), kPlain},
        PresetCase{"LimitWithBlanksAndText", {"1", "2", " 2 50 litres"}, presetRecord("1", "2", "000250"), kPlain},
        PresetCase{"Hose0", {"0", "1", "500"}, presetRecord("0", "1", "000500"), kPlain},
        PresetCase{"Hose8", {"8", "1", "500"}, presetRecord("8", "1", "000500"), kPlain},
        PresetCase{"Hose7_5RoundsAwayFromZero", {"7.5", "1", "500"}, presetRecord("8", "1", "000500"), kPlain},
        PresetCase{"Hose9", {"9"}, std::nullopt, fueling::kBadHose},
        PresetCase{"HoseMinus1", {"-1"}, std::nullopt, fueling::kBadHose},
        PresetCase{"Hose8_4", {"8.4"}, std::nullopt, fueling::kBadHose},
        PresetCase{"HoseEmpty", {""}, std::nullopt, fueling::kNoData},
        PresetCase{"Mop3", {"3", "3"}, std::nullopt, fueling::kBadMop},
        PresetCase{"Mop1_5", {"3", "1.5"}, std::nullopt, fueling::kBadMop},
        PresetCase{"MopX", {"3", "x"}, std::nullopt, fueling::kNoData},
        PresetCase{"MopEmpty", {"3", ""}, std::nullopt, fueling::kNoData},
        PresetCase{"MopFWithBlankIsNoF", {"3", "F "}, std::nullopt, fueling::kNoData},
        PresetCase{"Limit0", {"3", "1", "0"}, std::nullopt, fueling::kNoData},
        PresetCase{"LimitEmpty", {"3", "2", ""}, std::nullopt, fueling::kNoData},
        PresetCase{"LimitCheckedForF", {"3", "f", "abc"}, std::nullopt, fueling::kNoData},
        PresetCase{"LimitBeyondADouble", {"3", "1", std::string(400, '9')}, std::nullopt, rec::kNumberTooLarge},
        PresetCase{"HoseBeyondADouble", {std::string(400, '9')}, std::nullopt, fueling::kBadHose}),
    [](const auto& info) { return info.param.name; });

TEST(Preset, AsksWithTheDocumentedPrompts)
{
    SessionRig rig;
    for (const char* a : {"1", "2", "3"})
        rig.prompter.queueAnswer(a);
    ASSERT_TRUE(press(rig.session, "Preset"));
    const auto& shown = rig.prompter.shown();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].text, "Enter Hose Number (0 - 8)");
    EXPECT_EQ(shown[0].title, "Hose Input");
    EXPECT_EQ(shown[1].text, "Enter MOP (1, 2, F)");
    EXPECT_EQ(shown[1].title, "MOP Input");
    EXPECT_EQ(shown[2].text, "Enter Limit - Must be 6 digits");
    EXPECT_EQ(shown[2].title, "Preset amount Input");
}

TEST(Preset, RecordCarriesThePositionSelectedWhenBuilt)
{
    SessionRig rig;
    rig.select(12);
    for (const char* a : {"2", "1", "300"})
        rig.prompter.queueAnswer(a);
    ASSERT_TRUE(press(rig.session, "Preset"));
    rig.select(5);
    for (const char* a : {"2", "1", "300"})
        rig.prompter.queueAnswer(a);
    ASSERT_TRUE(press(rig.session, "Preset"));
    const auto puts = rig.server.putsTo("Authorize");
    ASSERT_EQ(puts.size(), 2u);
    EXPECT_EQ(puts[0].rfind("FuelingPosition=12\r\n", 0), 0u);
    EXPECT_EQ(puts[1].rfind("FuelingPosition=05\r\n", 0), 0u);
}

// ---------------------------------------------------------------- MultiHoseLock

struct MhlCase {
    std::string name;
    std::string answer;
    std::optional<std::string> mopLine; // "MOP=1" etc. when sent
    std::string message;                // when nothing is sent
};
void PrintTo(const MhlCase& c, std::ostream* os) { *os << c.name; }

class MultiHoseLockTest : public ::testing::TestWithParam<MhlCase> {};

TEST_P(MultiHoseLockTest, AsksMopOnly)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.select(9);
    rig.session.setInBox("old");
    rig.prompter.queueAnswer(c.answer);
    EventLog log(rig.session);
    ASSERT_TRUE(press(rig.session, "MultiHoseLock"));
    if (c.mopLine) {
        const std::string record =
            "FuelingPosition=09\r\nHose=M00000101\r\n" + *c.mopLine + "\r\nLimit=000100\r\n" + std::string(1, '\0');
        EXPECT_EQ(log.events, (std::vector<std::string>{"input:MOP Input", "message:" + record, "put:Authorize"}));
        EXPECT_EQ(rig.server.onlyPut(), record);
        EXPECT_EQ(rig.session.textBox(), "<Object>.Authorize = (data)");
        EXPECT_EQ(rig.session.inBox(), record);
        EXPECT_EQ(rig.session.recordData, Value::string(record));
    } else {
        EXPECT_EQ(log.events, (std::vector<std::string>{"input:MOP Input", "message:" + c.message}));
        EXPECT_TRUE(rig.server.calls().empty());
        EXPECT_EQ(rig.session.inBox(), "old");
    }
}
INSTANTIATE_TEST_SUITE_P(Answers, MultiHoseLockTest,
                         ::testing::Values(MhlCase{"Mop1", "1", "MOP=1", ""}, MhlCase{"Mop2", "2", "MOP=2", ""},
                                           MhlCase{"MopLowerF", "f", "MOP=F", ""}, MhlCase{"MopUpperF", "F", "MOP=F", ""},
                                           MhlCase{"Mop3", "3", std::nullopt, fueling::kBadMop},
                                           MhlCase{"MopX", "x", std::nullopt, fueling::kNoData},
                                           MhlCase{"MopEmpty", "", std::nullopt, fueling::kNoData}),
                         [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------- failing calls

struct FailureCase {
    std::string button;
    std::string member;
    std::vector<std::string> answers;
    std::string description;
};
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.button; }

class FailingCallTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FailingCallTest, ReportsErrorAndLeavesInBox)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.select(6);
    rig.session.setInBox("old");
    for (const auto& a : c.answers)
        rig.prompter.queueAnswer(a);
    rig.server.fail(c.member, 1101, "The fueling position cannot do that in its present state");
    EXPECT_FALSE(press(rig.session, c.button));
    EXPECT_EQ(rig.session.inBox(), "old");
    EXPECT_EQ(rig.session.textBox(), c.description);
    EXPECT_EQ(rig.prompter.messages().back(), "Error 1101: The fueling position cannot do that in its present state");
}
INSTANTIATE_TEST_SUITE_P(
    Buttons, FailingCallTest,
    ::testing::Values(FailureCase{"Fillup", "Authorize", {}, "<Object>.Authorize = (data)"},
                      FailureCase{"Preset", "Authorize", {"1", "2", "300"}, "<Object>.Authorize (data)"},
                      FailureCase{"MultiHoseLock", "Authorize", {"1"}, "<Object>.Authorize = (data)"},
                      FailureCase{"Stop", "Stop", {}, "<Object>.Stop = (06)"},
                      FailureCase{"STOP_ALL", "Stop", {}, "<Object>.Stop = (0)"},
                      FailureCase{"PayOutSale", "PayOutSale", {}, "<Object>.PayOutSale = (06)"},
                      FailureCase{"DispenserInfo", "DispenserInformation", {}, "(return data)=<Object>.DispenserInformation (passed data)"},
                      FailureCase{"Price4", "Price", {}, "<Object>.Price = (data)"},
                      FailureCase{"Price", "Price", {"15", "1", "1.5", "1.6"}, "<Object>.Price = (data)"}),
    [](const auto& info) { return info.param.button; });

// ---------------------------------------------------------------- dispenser information

TEST(DispenserInfo, PassesTheCurrentPositionAndShowsTheText)
{
    SessionRig rig;
    rig.select(12);
    rig.server.answer("DispenserInformation", Value::string("Dispenser=12"));
    ASSERT_TRUE(press(rig.session, "DispenserInfo"));
    rig.select(3);
    ASSERT_TRUE(press(rig.session, "DispenserInfo"));
    ASSERT_EQ(rig.server.calls().size(), 2u);
    EXPECT_EQ(rig.server.calls()[0].access, Access::Get);
    EXPECT_EQ(rig.server.calls()[0].value, Value::int16(12));
    EXPECT_EQ(rig.server.calls()[1].value, Value::int16(3));
    EXPECT_EQ(rig.session.textBox(), "(return data)=<Object>.DispenserInformation (passed data)");
    EXPECT_EQ(rig.session.inBox(), "Dispenser=12");
    EXPECT_EQ(rig.session.fp(), 3);
}

struct ResultCase {
    std::string name;
    Value result;
    std::string shown;
};
void PrintTo(const ResultCase& c, std::ostream* os) { *os << c.name; }
class DispenserResultTest : public ::testing::TestWithParam<ResultCase> {};
TEST_P(DispenserResultTest, ShowsResultAsText)
{
    SessionRig rig;
    rig.session.setInBox("old");
    rig.server.answer("DispenserInformation", GetParam().result);
    ASSERT_TRUE(press(rig.session, "DispenserInfo"));
    EXPECT_EQ(rig.session.inBox(), GetParam().shown);
}
INSTANTIATE_TEST_SUITE_P(Results, DispenserResultTest,
                         ::testing::Values(ResultCase{"Empty", Value(), ""}, ResultCase{"Int32", Value::int32(42), "42"},
                                           ResultCase{"Double", Value::real(2.5), "2.5"},
                                           ResultCase{"Bytes", Value::string(lit("a\r\n\0b")), lit("a\r\n\0b")}),
                         [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------- the control table

TEST(FuelingButtons, EveryButtonHasAHandler)
{
    const auto buttons = fueling::mainWindowButtons();
    EXPECT_EQ(buttons.size(), 20u);
    for (const auto& b : buttons)
        EXPECT_TRUE(static_cast<bool>(b.handler)) << b.name << " is shown disabled";
}

} // namespace
