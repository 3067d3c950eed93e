// The customer's side of the simulated site and the snapshot the board
// reads: each action shows in the members the utility reads, and in the
// site state, and tells the listeners once.
#include "forecourt/customer.h"
#include "forecourt/forecourt_server.h"
#include "server/conversions.h"

#include "support/case_names.h"

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::forecourt;

namespace {

std::string nul(const std::string& s) { return s + '\0'; }

struct Site {
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    ForecourtServer server{clock};
    std::string read(const char* member) { return toText(server.get(member, std::nullopt)); }
    std::string info(int p) { return toText(server.get("FuelingPositionInformation", Value::int16(static_cast<std::int16_t>(p)))); }
    void put(const char* member, const std::string& record) { server.put(member, Value::string(nul(record))); }
    void clearQueue(const char* clear) { while (toText(server.get(clear, std::nullopt)) != "0") {} }
    void emptyCards() { clearQueue("ClearTopCardQue"); }
};

TEST(TestCards, EveryNumberPassesTheLuhnCheck)
{
    ASSERT_GE(testCards().size(), 3u);
    for (const auto& c : testCards())
        EXPECT_TRUE(luhnValid(c.pan)) << c.pan;
    EXPECT_FALSE(luhnValid("4111111111111112"));
    EXPECT_FALSE(luhnValid("41x1"));
}

struct ActionCase {
    const char* name;
    std::vector<std::string> setup; // "member|record" puts before the action
    const char* action;
    const char* member;             // read afterwards
    const char* expected;
};

class CustomerAction : public ::testing::TestWithParam<ActionCase> {};

TEST_P(CustomerAction, ShowsInTheMemberTheUtilityReads)
{
    Site site;
    site.emptyCards();
    site.clearQueue("ClearTopCashQue");
    for (const auto& put : GetParam().setup) {
        const auto bar = put.find('|');
        site.put(put.substr(0, bar).c_str(), put.substr(bar + 1));
    }
    const auto before = site.server.changeCount();
    actAsCustomer(site.server, GetParam().action);
    EXPECT_EQ(site.server.changeCount(), before + 1);
    const std::string member = GetParam().member;
    const std::string got = member == "FuelingPositionInformation" ? site.info(7) : site.read(GetParam().member);
    EXPECT_EQ(got, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Actions, CustomerAction, ::testing::Values(
    ActionCase{"card1", {}, "card 7", "CardQue", "ReaderPosition=07\r\nCardType=Visa\r\nTrack2=;4111111111111111=28121010000000000000?"},
    ActionCase{"card3", {}, "card 9 3", "CardQue", "ReaderPosition=09\r\nCardType=Amex\r\nTrack2=;378282246310005=29061010000000000000?"},
    ActionCase{"chip", {"ReaderControl|ReaderPosition=05\r\nChipReaderControl=Enable\r\n"}, "card 5 chip", "CardQue",
               "ReaderPosition=05\r\nCardType=Chip\r\nApplicationLabel=VISA CREDIT\r\nAID=A0000000031010\r\nTrack2=4761739001010119=2912201"},
    ActionCase{"freeDigits", {}, "key 7 1234", "KeyQue", "ReaderPosition=07\r\nKeyData=1234"},
    ActionCase{"freeFunction", {}, "key 7 enter", "KeyQue", "ReaderPosition=07\r\nFunctionKey=Enter"},
    ActionCase{"numeric", {"KeyEntryType|ReaderPosition=07\r\nEntryMode=NumericWithEcho\r\n"}, "key 7 9876", "KeyQue",
               "ReaderPosition=07\r\nEntryMode=NumericWithEcho\r\nKeyData=9876"},
    ActionCase{"alpha", {"KeyEntryType|ReaderPosition=07\r\nEntryMode=AlphaOnly\r\n"}, "key 7 XYZ", "KeyQue",
               "ReaderPosition=07\r\nEntryMode=AlphaOnly\r\nKeyData=XYZ"},
    ActionCase{"secure", {"KeyEntryType|ReaderPosition=07\r\nEntryMode=SecurePromptNumericNoEcho.4\r\n"}, "key 7 55", "KeyQue",
               "ReaderPosition=07\r\nEntryMode=SecurePromptNumericNoEcho.4\r\nMessageNumber=4\r\nKeyData=55"},
    ActionCase{"cancelEntry", {"KeyEntryType|ReaderPosition=07\r\nEntryMode=NumericWithEcho\r\n"}, "key 7 Cancel", "KeyQue",
               "ReaderPosition=07\r\nEntryMode=NumericWithEcho\r\nFunctionKey=Cancel"},
    ActionCase{"cash", {}, "cash 7 5.5", "CashInQue", "ReaderPosition=07\r\nCashAmount=5.50"},
    ActionCase{"cashWhole", {}, "cash 7 020", "CashInQue", "ReaderPosition=07\r\nCashAmount=20.00"},
    ActionCase{"lift", {}, "nozzle 7 lift", "FuelingPositionInformation", "FuelingPosition=7\r\nState=Calling"},
    ActionCase{"washCode", {"CarWashInformationRequest|RequestCarWashCode\r\nProgramNumber=01\r\nPriceLevel=01\r\nOptionCount=0\r\n"},
               "wash", "CarWashOperationStatus", "OperationStatus=Washing\r\nCarWashCode=200263\r\nProgramNumber=01\r\nSecondsLeft=180\r\nLastRequest=RequestCarWashCode\r\nLastRequestStatus=Complete"}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusalCase {
    const char* name;
    std::vector<std::string> setup;
    const char* action;
};

class CustomerRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(CustomerRefusal, ChangesNothingAndTellsNobody)
{
    Site site;
    for (const auto& put : GetParam().setup) {
        const auto bar = put.find('|');
        site.put(put.substr(0, bar).c_str(), put.substr(bar + 1));
    }
    const std::string counts = site.read("QueCountQuery");
    const auto before = site.server.changeCount();
    EXPECT_THROW(actAsCustomer(site.server, GetParam().action), CustomerError);
    EXPECT_EQ(site.server.changeCount(), before);
    EXPECT_EQ(site.read("QueCountQuery"), counts);
}

INSTANTIATE_TEST_SUITE_P(Refusals, CustomerRefusal, ::testing::Values(
    RefusalCase{"chipReaderOff", {}, "card 5 chip"},
    RefusalCase{"noSuchCard", {}, "card 5 9"},
    RefusalCase{"position33", {}, "card 33"},
    RefusalCase{"lettersOnNumeric", {"KeyEntryType|ReaderPosition=07\r\nEntryMode=NumericWithOutEcho\r\n"}, "key 7 12A"},
    RefusalCase{"digitsOnAlpha", {"KeyEntryType|ReaderPosition=07\r\nEntryMode=AlphaOnly\r\n"}, "key 7 12"},
    RefusalCase{"twoKeysOnAnyKey", {"KeyEntryType|ReaderPosition=07\r\nEntryMode=AnyKey\r\n"}, "key 7 12"},
    RefusalCase{"oddKey", {}, "key 7 1#"},
    RefusalCase{"zeroCash", {}, "cash 7 0.00"},
    RefusalCase{"threeDecimals", {}, "cash 7 1.234"},
    RefusalCase{"noWashCode", {}, "wash"},
    RefusalCase{"badNozzle", {}, "nozzle 7 drop"},
    RefusalCase{"unknownVerb", {}, "sing 7"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CustomerKeys, AnswerTheWaitingRequestInsteadOfTheSimulatedCustomer)
{
    Site site;
    site.put("KeyEntryType", "ReaderPosition=03\r\nEntryMode=DESEncryption\r\n");
    actAsCustomer(site.server, "key 3 4321");
    const std::string first = site.read("KeyQue");
    EXPECT_EQ(first.rfind("ReaderPosition=03\r\nEntryMode=DESEncryption\r\nPINBlock=", 0), 0u) << first;
    EXPECT_EQ(first.size(), std::string("ReaderPosition=03\r\nEntryMode=DESEncryption\r\nPINBlock=").size() + 16);
    site.clock->advance(kKeyEntryDelay * 2); // the simulated answer was taken back
    EXPECT_EQ(site.read("QueCountQuery"), "Card=2\r\nKey=1\r\nCash=3\r\nPacket=0\r\nError=0");
    // Another PIN gives another block.
    site.put("KeyEntryType", "ReaderPosition=03\r\nEntryMode=DESEncryption\r\n");
    actAsCustomer(site.server, "key 3 1111");
    site.server.get("ClearTopKeyQue", std::nullopt);
    EXPECT_NE(site.read("KeyQue"), first);
}

TEST(CustomerNozzle, HangingUpWhileFuelingEndsTheDelivery)
{
    Site site;
    site.put("Authorize", "FuelingPosition=04\r\nHose=1\r\nMOP=1\r\nLimit=002000\r\n");
    site.clock->advance(Millis(6000)); // 2 s lifting, 4 s at 0.5 l/s
    PositionSnapshots positions;
    site.server.readPositions(positions);
    EXPECT_EQ(positions[3].state, PositionState::Fueling);
    EXPECT_DOUBLE_EQ(positions[3].litres, 2.0);
    hangNozzle(site.server, 4);
    site.clock->advance(Millis(6000));
    site.server.readPositions(positions);
    EXPECT_EQ(positions[3].state, PositionState::Completed);
    EXPECT_DOUBLE_EQ(positions[3].litres, 2.0);
    site.server.put("PayOutSale", Value::string("04"));
    site.server.readPositions(positions);
    EXPECT_EQ(positions[3].state, PositionState::Paid);
    EXPECT_DOUBLE_EQ(positions[3].amount, 2.0);
    liftNozzle(site.server, 4);
    site.server.readPositions(positions);
    EXPECT_EQ(positions[3].state, PositionState::Calling);
}

TEST(SiteState, HoldsTheSaleTheReaderAndTheDevices)
{
    Site site;
    site.put("Price", "FuelingPosition=02\r\nHose=2\r\nTier1=1.459\r\nTier2=1.399\r\n");
    site.put("Authorize", "FuelingPosition=02\r\nHose=2\r\nMOP=2\r\nLimit=001500\r\n");
    site.put("DisplayData", "ReaderPosition=02\r\nMessage=Lift nozzle\r\n");
    site.put("PrintOutput", "ReaderPosition=02\r\nJob=Header\r\nMessage=HEAD\r\n");
    site.put("BeeperControl", "ReaderPosition=02\nBeepCounts=03\n");
    site.put("PriceSignDataSend", "Command=DisplayControl\r\nIntensity=M08\r\n");
    site.clock->advance(Millis(4000));
    const SiteState s = site.server.siteState(2);
    const PositionSnapshot& p = s.positions[1];
    EXPECT_EQ(p.number, 2);
    EXPECT_EQ(p.state, PositionState::Fueling);
    EXPECT_EQ(p.hoseInUse, 2);
    EXPECT_EQ(p.mop, '2');
    EXPECT_EQ(p.limitHundredths, 1500);
    EXPECT_DOUBLE_EQ(p.unitPrice, 1.399);
    EXPECT_DOUBLE_EQ(p.litres, 1.0);
    EXPECT_DOUBLE_EQ(p.prices[1].tier1, 1.459);
    EXPECT_EQ(s.positions[0].state, PositionState::Idle);
    EXPECT_EQ(s.reader.position, 2);
    EXPECT_EQ(s.reader.screen.message, "Lift nozzle");
    ASSERT_EQ(s.reader.paper.items.size(), 1u);
    EXPECT_EQ(s.reader.beeps, 3);
    ASSERT_EQ(s.reader.queues.size(), 5u);
    EXPECT_EQ(s.reader.queues[2].name, "Cash");
    EXPECT_EQ(s.reader.queues[2].entries.size(), 2u); // the two seeded at reader 02
    ASSERT_EQ(s.tanks.size(), 3u);
    EXPECT_DOUBLE_EQ(s.tanks[0].volume, 21000 - 0.5);
    EXPECT_EQ(s.signIntensity, "M08");
    EXPECT_TRUE(site.server.timeDriven());
    EXPECT_EQ(s.clockMs, 4000);
}

TEST(SiteState, ListenersHearEveryCallUntilTheyUnsubscribe)
{
    Site site;
    int heard = 0;
    const int id = site.server.subscribe([&] { ++heard; });
    site.read("CardQue");
    EXPECT_THROW(site.server.put("Stop", Value::string("40")), AutomationError);
    liftNozzle(site.server, 1);
    EXPECT_EQ(heard, 3);
    site.server.unsubscribe(id);
    site.read("CardQue");
    EXPECT_EQ(heard, 3);
    EXPECT_FALSE(site.server.timeDriven());
}

} // namespace

#include "session/script.h"

namespace {

struct ScriptLineCase {
    const char* line;
    bool reads;
};

class CustomerLine : public ::testing::TestWithParam<ScriptLineCase> {};

// The script reader checks the shape of a customer line before anything
// runs; what the site then takes is the server's business (above).
TEST_P(CustomerLine, IsReadOrRefusedBeforeTheScriptRuns)
{
    const std::string line = GetParam().line;
    if (GetParam().reads) {
        const auto commands = parseScript(line + "\n");
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(commands[0].kind, ScriptCommand::Kind::Customer);
        EXPECT_EQ(commands[0].text, line.substr(std::string("customer ").size()));
    } else {
        EXPECT_THROW(parseScript("press CardQue\n" + line + "\n"), ScriptError);
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, CustomerLine, ::testing::Values(
    ScriptLineCase{"customer card 7", true}, ScriptLineCase{"customer card 7 2", true}, ScriptLineCase{"customer card 7 chip", true},
    ScriptLineCase{"customer key 7 1234", true}, ScriptLineCase{"customer key 7 Enter", true},
    ScriptLineCase{"customer nozzle 7 lift", true}, ScriptLineCase{"customer nozzle 32 hang", true},
    ScriptLineCase{"customer cash 7 5.50", true}, ScriptLineCase{"customer wash", true}, ScriptLineCase{"customer wash 200263", true},
    ScriptLineCase{"customer card 33", false}, ScriptLineCase{"customer card 0", false}, ScriptLineCase{"customer card 7 x", false},
    ScriptLineCase{"customer key 7", false}, ScriptLineCase{"customer key 7 12 34", false},
    ScriptLineCase{"customer nozzle 7", false}, ScriptLineCase{"customer nozzle 7 drop", false},
    ScriptLineCase{"customer cash 7", false}, ScriptLineCase{"customer wash 1 2", false},
    ScriptLineCase{"customer", false}, ScriptLineCase{"customer dance 7", false}),
    [](const auto& info) { return vantrel::test_names::caseName(info.param.line); });

} // namespace

#include "forecourt/customer_command.h"
#include "forecourt/site_state.h"

#include <set>

namespace {

// One parser and one builder for the customer's words: every form reads
// into its command and is written back as it was; every refusal says why.
struct CommandCase {
    const char* name;
    const char* text;
    std::optional<CustomerCommand> expected; // empty: refused
    CustomerParse::Fault fault;
    const char* reason;
    const char* written; // the text the builder gives back
};

using V = CustomerVerb;
using F = CustomerParse::Fault;

const CommandCase kCommandCases[] = {
    {"nozzleLift", "nozzle 7 lift", CustomerCommand{V::Nozzle, 7, "lift"}, F::None, "", "nozzle 7 lift"},
    {"nozzleHang", "nozzle 32 hang", CustomerCommand{V::Nozzle, 32, "hang"}, F::None, "", "nozzle 32 hang"},
    {"cardFirst", "card 7", CustomerCommand{V::Card, 7, ""}, F::None, "", "card 7"},
    {"cardNumbered", "card 1 4", CustomerCommand{V::Card, 1, "4"}, F::None, "", "card 1 4"},
    {"cardChip", "card 5 chip", CustomerCommand{V::Card, 5, "chip"}, F::None, "", "card 5 chip"},
    {"keyDigits", "key 7 1234", CustomerCommand{V::Key, 7, "1234"}, F::None, "", "key 7 1234"},
    {"keyFunction", "key 7 Enter", CustomerCommand{V::Key, 7, "Enter"}, F::None, "", "key 7 Enter"},
    {"cash", "cash 7 5.50", CustomerCommand{V::Cash, 7, "5.50"}, F::None, "", "cash 7 5.50"},
    {"washFirstCode", "wash", CustomerCommand{V::Wash, 0, ""}, F::None, "", "wash"},
    {"washCode", "wash 200263", CustomerCommand{V::Wash, 0, "200263"}, F::None, "", "wash 200263"},
    {"paddedPosition", "  key  07   12 ", CustomerCommand{V::Key, 7, "12"}, F::None, "", "key 7 12"},
    {"unknownVerb", "sing 7", std::nullopt, F::Verb, "the customer can: nozzle, card, key, cash, wash; not \"sing\"", ""},
    {"empty", "", std::nullopt, F::Verb, "the customer can: nozzle, card, key, cash, wash; not \"\"", ""},
    {"verbInCapitals", "CARD 7", std::nullopt, F::Verb, "the customer can: nozzle, card, key, cash, wash; not \"CARD\"", ""},
    {"position0", "card 0", std::nullopt, F::Position, "a position 1 to 32 is needed, not \"0\"", ""},
    {"position33", "card 33", std::nullopt, F::Position, "a position 1 to 32 is needed, not \"33\"", ""},
    {"positionMissing", "nozzle", std::nullopt, F::Position, "a position 1 to 32 is needed, not \"\"", ""},
    {"positionLetters", "cash x 5", std::nullopt, F::Position, "a position 1 to 32 is needed, not \"x\"", ""},
    {"nozzleDrop", "nozzle 7 drop", std::nullopt, F::Argument, "nozzle takes lift or hang", ""},
    {"nozzleNothing", "nozzle 7", std::nullopt, F::Argument, "nozzle takes lift or hang", ""},
    {"cardLetter", "card 7 x", std::nullopt, F::Argument, "card takes a test card number 1 to 4 or chip", ""},
    {"cardZero", "card 7 00", std::nullopt, F::Argument, "card takes a test card number 1 to 4 or chip", ""},
    {"cardThreeDigits", "card 7 100", std::nullopt, F::Argument, "card takes a test card number 1 to 4 or chip", ""},
    {"keyNothing", "key 7", std::nullopt, F::Argument,
     "keys are digits and letters, or one of Enter, Cancel, Clear, Help; not \"\"", ""},
    {"keyTwoWords", "key 7 12 34", std::nullopt, F::Argument, "too much after \"key\"", ""},
    {"cashNothing", "cash 7", std::nullopt, F::Argument, "cash is an amount above 0 such as 20 or 5.50, not \"\"", ""},
    {"washTwoCodes", "wash 1 2", std::nullopt, F::Argument, "too much after \"wash\"", ""},
};

class CustomerWords : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CustomerWords, ReadIntoACommandAndWrittenBack)
{
    const CommandCase& c = GetParam();
    const CustomerParse parsed = parseCustomerCommand(c.text);
    EXPECT_EQ(parsed.fault, c.fault);
    EXPECT_EQ(parsed.reason, c.reason);
    ASSERT_EQ(parsed.command.has_value(), c.expected.has_value());
    if (!c.expected)
        return;
    EXPECT_EQ(*parsed.command, *c.expected);
    EXPECT_EQ(customerCommandText(*parsed.command), c.written);
    // What the builder writes reads back as the same command.
    EXPECT_EQ(parseCustomerCommand(customerCommandText(*c.expected)).command, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Forms, CustomerWords, ::testing::ValuesIn(kCommandCases), vantrel::test_names::ByName{});

// The site refuses a text the parser refuses, with the same reason, and changes nothing.
TEST(CustomerWords, TheSiteRefusesWithTheParsersReason)
{
    for (const CommandCase& c : kCommandCases) {
        if (c.expected)
            continue;
        Site site;
        const auto before = site.server.changeCount();
        try {
            actAsCustomer(site.server, c.text);
            ADD_FAILURE() << c.name << ": the site took \"" << c.text << "\"";
        } catch (const CustomerError& e) {
            EXPECT_EQ(std::string(e.what()), c.reason) << c.name;
        }
        EXPECT_EQ(site.server.changeCount(), before) << c.name;
    }
}

// Every verb the table knows is written with its word and read back.
TEST(CustomerWords, EveryVerbRoundTrips)
{
    for (const CustomerVerbInfo& v : kCustomerVerbs) {
        const CustomerCommand command{v.verb, v.atPosition ? 12 : 0, v.argumentRequired ? (v.verb == V::Nozzle ? "hang" : "9") : ""};
        const std::string text = customerCommandText(command);
        EXPECT_EQ(text.rfind(v.word, 0), 0u) << text;
        EXPECT_EQ(parseCustomerCommand(text).command, command) << text;
    }
}

} // namespace

namespace {
// The one table of the position states names each state once, and a name
// reads back as its state whatever the order of the enum.
TEST(PositionStates, EachNamedOnceAndReadBack)
{
    std::set<std::string> names;
    std::set<int> states;
    for (const PositionStateName& entry : kPositionStates) {
        EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
        EXPECT_TRUE(states.insert(static_cast<int>(entry.state)).second) << entry.name;
        EXPECT_EQ(positionStateNamed(entry.name), entry.state) << entry.name;
        EXPECT_STREQ(positionStateName(entry.state), entry.name);
    }
    EXPECT_EQ(states.size(), static_cast<std::size_t>(PositionState::Paid) + 1);
    EXPECT_STREQ(positionStateCaption(PositionState::Fueling), "Fuelling");
    EXPECT_EQ(positionStateNamed("Fuelling"), std::nullopt);
    EXPECT_STREQ(positionStateName(static_cast<PositionState>(99)), "?");
}
} // namespace
