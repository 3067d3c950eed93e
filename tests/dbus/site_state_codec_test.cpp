// The site's state on the wire: what is encoded decodes to an equal state,
// every byte of a record kept, and text that is not a state is refused with
// where it went wrong.
#include "dbus/site_state_codec.h"

#include "forecourt/customer.h"
#include "forecourt/forecourt_server.h"
#include "forecourt/reader_terminals.h"
#include "largest_site.h"

#include <QFile>
#include <QJsonDocument>
#include <QString>

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::forecourt;

namespace {

// Every field of the screen and the paper away from its default, with the bytes a record can hold.
SiteState everythingSet()
{
    const std::string bytes = std::string("A\0B\x1b\r\n\x7f\x80\xfc\xff\"\\/", 13);
    SiteState s;
    s.version = 1ULL << 40;
    s.clockMs = 123456789012LL;
    s.timeDriven = true;
    PositionSnapshot& p = s.positions[6];
    p = {7, PositionState::Fueling, true, true, 2, 'F', 150000, true, 1.459, 12.345678, 18.02, {}};
    p.prices[7] = {1.999, 0.001};
    s.positions[31].installed = false; // a site file left position 32 out
    ReaderSnapshot& r = s.reader;
    r.position = 7;
    r.screen.message = bytes;
    r.screen.graphicMode = true;
    r.screen.graphicLines = 3;
    r.screen.sequences = {{EscapeSequence::Kind::Font, "\x1b" "F12"}, {EscapeSequence::Kind::Unknown, "\x1bZ"}};
    r.screen.texts = {{"Insert card", true, 4, 2, 0, "Tahoma", 12}, {bytes, false, 0, 0, 3, {}, 0}};
    r.screen.softKeys = {{1, "Yes"}, {8, "No"}};
    r.screen.scrolling = true;
    r.screen.signature = "0A1B2C3D";
    r.screen.messageWindow = WindowProperties{"0001", "black", "white", "Top", "Center", {1, 2, 3, 4}, {"Arial", 10, 1}};
    r.screen.softKeyProperties = SoftKeyProperties{"0002", "red", "Left", 5, 60, 20, {"Tahoma", 8, 0}};
    r.screen.dataEntryWindow = WindowProperties{"0003", "blue", "yellow", "Bottom", "Left", {5, 6, 7, 8}, {}};
    r.screen.prompts["P1"] = {"en", "main prompt", {"P1", "Enter PIN", "Center", "Top", {"Arial", 12, 2}, {0, 0, 320, 40}},
                              {{"P1a", "then OK", "Left", "Bottom", {}, {40, 0, 320, 20}}}};
    r.screen.shownPromptId = "P1";
    r.screen.images["I1"] = {"logo.bmp", "en", "line1\nline2"};
    r.screen.securePrompt = SecurePrompt{"P1", "en", "High", "0011", 4, true, true};
    r.screen.notes = {"unknown attribute Blink"};
    r.paper.addText("Receipt", bytes);
    r.paper.addBarCode("Receipt", "4006381333931", "EAN13");
    r.paper.addCut("Receipt");
    r.paper.droppedItems = 3;
    r.paper.droppedLines = 1234;
    r.screen.droppedParts = 5;
    r.screen.droppedXml = 6;
    r.keypad = "123@R456A@789NYL0EHCe";
    r.entryMode = "NumericWithEcho";
    r.keyEntryPending = true;
    r.beeps = 3;
    r.chipReaderEnabled = true;
    r.queues = {{QueueKind::Card, "Card", {bytes, "second"}, 7}, {QueueKind::Error, "Error", {}}};
    s.tanks = {{1, "Unleaded", 30000, 20999.5, 8.0, -15.25}};
    s.tankReportStatus = "ReportStatus=Ready";
    s.tankReport = "Tank=1\r\n";
    s.carWash = {{{"200263", 1, "Used"}, {"200264", 2, "Unused"}}, true, "200263", 1, 42, 1000};
    s.signIntensity = "M05";
    s.signLines = {"001459", "", "------", "x", "y"};
    s.faults = {"position 7 stop-at 5.00", "member CardQue error 1201 2"};
    s.traffic = {2.5, 7, 37, 4, 3};
    return s;
}

// A site that a few calls and customer actions have moved.
SiteState busySite()
{
    auto clock = std::make_shared<ManualClock>();
    ForecourtServer server(clock);
    auto put = [&](const char* member, const std::string& record) { server.put(member, Value::string(record + '\0')); };
    put("Authorize", "FuelingPosition=07\r\nHose=1\r\nMOP=1\r\nLimit=001500\r\n");
    put("DisplayData", "ReaderPosition=07\r\nMessage=Fuelling hose 1\r\nPlease hang up when done\r\n");
    put("PrintOutput", "ReaderPosition=07\r\nJob=Receipt\r\nMessage=Pump 07\r\n\x1b" "B4006381333931\x03\r\n");
    put("PriceSignDataSend", "Command=SendPrices\r\nLine1=001459\r\nLine2=001629\r\n");
    put("CarWashInformationRequest", "RequestCarWashCode\r\nProgramNumber=02\r\nPriceLevel=01\r\nOptionCount=0\r\n");
    server.put("TankMonitorStartReport", Value::int16(1));
    actAsCustomer(server, "card 7 2");
    actAsCustomer(server, "cash 7 5.50");
    server.setFault("reader 3 paper-out");
    server.setFault("tank 2 water");
    clock->advance(Millis(3500));
    return server.siteState(7);
}

struct RoundTrip {
    const char* name;
    SiteState state;
};

class SiteStateOnTheWire : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(SiteStateOnTheWire, DecodesToAnEqualState)
{
    const QByteArray json = dbus::encodeSiteState(GetParam().state);
    ASSERT_FALSE(QString::fromUtf8(json).contains(QChar::ReplacementCharacter)); // valid UTF-8 for a D-Bus string
    std::string error;
    const auto decoded = dbus::decodeSiteState(json, error);
    ASSERT_TRUE(decoded) << error;
    EXPECT_TRUE(*decoded == GetParam().state) << json.toStdString();
}

INSTANTIATE_TEST_SUITE_P(States, SiteStateOnTheWire,
                         ::testing::Values(RoundTrip{"fresh", ForecourtServer(std::make_shared<ManualClock>()).siteState(1)},
                                           RoundTrip{"busy", busySite()}, RoundTrip{"everything", everythingSet()}),
                         [](const auto& info) { return std::string(info.param.name); });

struct Refusal {
    const char* name;
    QByteArray json;
    const char* says;
};

class SiteStateRefused : public ::testing::TestWithParam<Refusal> {};

TEST_P(SiteStateRefused, SaysWhereItWentWrong)
{
    std::string error;
    EXPECT_FALSE(dbus::decodeSiteState(GetParam().json, error));
    EXPECT_NE(error.find(GetParam().says), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SiteStateRefused,
    ::testing::Values(
        Refusal{"notJson", "{\"format\":1,", "not JSON"}, Refusal{"notAnObject", "[1]", "not a JSON object"},
        Refusal{"noFormat", "{}", "not format 1"}, Refusal{"laterFormat", "{\"format\":2}", "(it says 2)"},
        Refusal{"stringForNumber", "{\"format\":1,\"clockMs\":\"5\"}", "clockMs: not a whole number"},
        Refusal{"fraction", "{\"format\":1,\"reader\":{\"beeps\":1.5}}", "reader.beeps: not a whole number"},
        Refusal{"outOfRange", "{\"format\":1,\"reader\":{\"beeps\":1e12}}", "reader.beeps: out of range"},
        Refusal{"tooLarge", "{\"format\":1,\"tanks\":[{\"volume\":1e999}]}", "not JSON"},
        Refusal{"shortArray", "{\"format\":1,\"signLines\":[\"a\"]}", "signLines: not a list of 5"},
        Refusal{"badEnum", "{\"format\":1,\"reader\":{\"queues\":[{\"kind\":\"Coin\"}]}}", "reader.queues[0].kind"},
        Refusal{"wideCharacter", "{\"format\":1,\"tankReport\":\"\\u20ac\"}", "tankReport: a character above 255"},
        Refusal{"twoCharacterMop", "{\"format\":1,\"positions\":[{\"mop\":\"12\"}" + QByteArray(",{}").repeated(31) + "]}",
                "positions[0].mop: more than one character"}),
    [](const auto& info) { return std::string(info.param.name); });

// The largest site the bounds allow (site_bounds.h works the worst case
// out) is well under the 32 MiB of a system bus message, and reads back equal.
TEST(SiteStateOnTheWire, TheLargestSiteIsWellUnderTheBusLimit)
{
    ForecourtServer server(std::make_shared<ManualClock>());
    const forecourt::test::SiteDoors doors{[&](const char* member, const std::string& value) {
                                               try {
                                                   server.put(member, Value::string(value));
                                                   return true;
                                               } catch (const AutomationError&) {
                                                   return false;
                                               }
                                           },
                                           [&](const std::string& action) {
                                               try {
                                                   actAsCustomer(server, action);
                                                   return true;
                                               } catch (const CustomerError&) {
                                                   return false;
                                               }
                                           }};
    ASSERT_EQ(forecourt::test::fillToBounds(doors, 1), 0);
    const SiteState state = server.siteState(1);
    const QByteArray json = dbus::encodeSiteState(state);
    EXPECT_LT(json.size(), 16 << 20);
    RecordProperty("EncodedBytes", static_cast<int>(json.size()));
    std::string error;
    const auto decoded = dbus::decodeSiteState(json, error);
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(*decoded, state);
}

// The documents on the wire, field names and all, against the examples kept
// in tests/dbus/data (docs/dbus.md quotes the first): a field renamed is a
// changed wire format, which every reader of ReadSite would miss.
struct Document {
    const char* name;
    const char* file;
    SiteState state;
};

class SiteStateDocument : public ::testing::TestWithParam<Document> {};

TEST_P(SiteStateDocument, IsTheOneKeptAsAnExample)
{
    QFile example(QStringLiteral(VANTREL_DBUS_TEST_DATA "/") + GetParam().file);
    ASSERT_TRUE(example.open(QIODevice::ReadOnly)) << example.fileName().toStdString();
    QJsonParseError parse{};
    const QJsonDocument expected = QJsonDocument::fromJson(example.readAll(), &parse);
    ASSERT_EQ(parse.error, QJsonParseError::NoError) << parse.errorString().toStdString();
    const QJsonDocument actual = QJsonDocument::fromJson(dbus::encodeSiteState(GetParam().state));
    if (actual != expected) {
        // The document this build writes, to compare with the example.
        QFile written(QString::fromStdString(::testing::TempDir()) + GetParam().file);
        const bool saved = written.open(QIODevice::WriteOnly) && written.write(actual.toJson()) > 0;
        ADD_FAILURE() << "the document differs from " << example.fileName().toStdString() << "; "
                      << (saved ? "this build's is in " + written.fileName().toStdString() : std::string("not saved"));
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, SiteStateDocument,
                         ::testing::Values(Document{"BusySite", "read_site.json", busySite()},
                                           Document{"EveryField", "site_state_every_field.json", everythingSet()}),
                         [](const auto& info) { return std::string(info.param.name); });

// What a newer writer adds is passed over, and what it leaves out keeps its default.
TEST(SiteStateOnTheWire, UnknownFieldsArePassedOverAndMissingOnesDefault)
{
    std::string error;
    const auto state = dbus::decodeSiteState("{\"format\":1,\"weather\":\"rain\",\"signIntensity\":\"M01\"}", error);
    ASSERT_TRUE(state) << error;
    EXPECT_EQ(state->signIntensity, "M01");
    EXPECT_EQ(state->positions[0].number, 0);
}

} // namespace
