// Server-side tests of the reader display and the iX CAT XML commands: the
// screen model read from escape-coded messages, and the XML packets applied
// to screen, paper and chip reader with their responses.
#include "support/session_rig.h"

#include "forecourt/terminal_xml.h"
#include "server/terminal_vocabulary.h"
#include "suites/graphics_display.h"
#include "suites/ixcat_packets.h"
#include "suites/test_functions.h"

#include <QXmlStreamReader>

#include <gtest/gtest.h>


using namespace vantrel;
using namespace vantrel::forecourt;
using namespace vantrel::test;

namespace {

using Kind = EscapeSequence::Kind;

std::vector<Kind> kinds(const ScreenModel& s)
{
    std::vector<Kind> k;
    for (const auto& e : s.sequences)
        k.push_back(e.kind);
    return k;
}

ScreenModel shown(std::string_view message)
{
    ScreenModel s;
    s.showMessage(message);
    return s;
}

// The escape-coded formats of the graphics display window, as the display reads them.

TEST(ScreenModel, BennettIsRunningTextWithoutEscapes)
{
    const auto s = shown(suites::displayFormat("Bennett").body);
    EXPECT_FALSE(s.graphicMode);
    EXPECT_TRUE(s.sequences.empty());
    std::vector<std::string> expected = {"Top LineL1"};
    for (int n = 2; n <= 13; ++n)
        expected.push_back("L" + std::to_string(n));
    EXPECT_EQ(s.lines(), expected);
}

struct PositionedCase {
    const char* control;
    int graphicLines;
    std::vector<Kind> sequences;
    std::vector<std::tuple<int, int, std::string>> texts;
};
void PrintTo(const PositionedCase& c, std::ostream* os) { *os << c.control; }

class PositionedTextTest : public ::testing::TestWithParam<PositionedCase> {};

TEST_P(PositionedTextTest, TextsStandAtTheirColumnAndRow)
{
    const auto& c = GetParam();
    // The record's own terminator reaches the display with the message.
    const auto s = shown(suites::displayFormat(c.control).body + "\r\n");
    EXPECT_TRUE(s.graphicMode);
    EXPECT_EQ(s.graphicLines, c.graphicLines);
    EXPECT_EQ(kinds(s), c.sequences);
    ASSERT_EQ(s.texts.size(), c.texts.size());
    for (std::size_t i = 0; i < c.texts.size(); ++i) {
        const auto& [column, row, text] = c.texts[i];
        EXPECT_TRUE(s.texts[i].positioned);
        EXPECT_EQ(s.texts[i].column, column);
        EXPECT_EQ(s.texts[i].row, row);
        EXPECT_EQ(s.texts[i].text, text);
    }
    EXPECT_FALSE(s.hasUnknownSequences());
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PositionedTextTest,
    ::testing::Values(
        PositionedCase{"GilbarcoInfo", 0, {Kind::GraphicMode, Kind::Code000, Kind::Position}, {{100, 100, "Hello @ 100 / 100"}}},
        PositionedCase{"Wayne2Line", 2, {Kind::GraphicMode, Kind::Code000, Kind::Position}, {{1, 2, "Hello (001/002)"}}},
        PositionedCase{"Wayne5Line", 5, {Kind::GraphicMode, Kind::Code000, Kind::Position}, {{65, 30, "Hello (065/030)"}}},
        PositionedCase{"WayneQCat",
                       0,
                       {Kind::GraphicMode, Kind::Code000, Kind::Position, Kind::Position, Kind::Position},
                       {{1, 1, "Hello (First Line)"}, {1, 15, "Hello (Second Line)"}, {30, 120, "Col/Row (30/120)"}}}),
    [](const auto& info) { return std::string(info.param.control); });

TEST(ScreenModel, FormattedIxCatLinesStepDownAndRightInTheChosenFont)
{
    const auto s = shown(suites::displayFormat("iXCAT_FORMAT_LINE").body + "\r\n\n");
    ASSERT_EQ(s.texts.size(), 9u);
    EXPECT_EQ(s.texts[0].column, 1);
    EXPECT_EQ(s.texts[0].row, 1);
    EXPECT_EQ(s.texts[8].column, 200);
    EXPECT_EQ(s.texts[8].row, 160);
    EXPECT_EQ(s.texts[7].text, "Eigth Line");
    for (const auto& t : s.texts) {
        EXPECT_EQ(t.fontName, "Aerial");
        EXPECT_EQ(t.fontSize, 14);
    }
    ASSERT_NE(s.textAt(100, 80), nullptr);
    EXPECT_EQ(s.textAt(100, 80)->text, "Fifth Line");
    EXPECT_EQ(s.sequences.at(1).raw, "\x1b" "A12");
}

TEST(ScreenModel, MultiLineTextBreaksAtBareLineFeeds)
{
    const auto s = shown(suites::displayFormat("iXCAT_MULTI_LINE").body + "\r\n\n");
    EXPECT_EQ(s.lines(), (std::vector<std::string>{"The First Line", "The Second Line", "The Third Line", "The Fourth Line",
                                                   "The Fifth Line", "The Sixth Line", "The Seventh Line", "The Eigth Line"}));
    EXPECT_EQ(s.texts.back().fontName, "Aerial");
}

TEST(ScreenModel, SoftKeysAreLabelledAndThePromptFollows)
{
    const auto s = shown(suites::displayFormat("iXCAT_FUNC").body);
    ASSERT_EQ(s.softKeys.size(), 8u);
    for (int n = 1; n <= 8; ++n) {
        EXPECT_EQ(s.softKeys[static_cast<std::size_t>(n - 1)].key, n);
        EXPECT_EQ(s.softKeys[static_cast<std::size_t>(n - 1)].label, "Key " + std::to_string(n));
    }
    EXPECT_EQ(s.lines(), std::vector<std::string>{"Select A Key"});
}

TEST(ScreenModel, ScrollingSignedAndFontMessagesOfTheTestFunctions)
{
    const auto scroll = shown("\x13This is a long scrolling message\n");
    EXPECT_TRUE(scroll.scrolling);
    EXPECT_EQ(scroll.lines(), std::vector<std::string>{"This is a long scrolling message"});

    const auto sig = shown("{SIG=4E9A17B2}Test Message\n");
    EXPECT_EQ(sig.signature, "4E9A17B2");
    EXPECT_EQ(sig.lines(), std::vector<std::string>{"Test Message"});

    const auto special = shown("\x1bG\x1b\x1a" "000\x1b" "A22\x1b" "F\"Courier New\"14Center this very very long xxxxxxxxx text line");
    EXPECT_EQ(kinds(special), (std::vector<Kind>{Kind::GraphicMode, Kind::Code000, Kind::CodeA, Kind::Font}));
    ASSERT_EQ(special.texts.size(), 1u);
    EXPECT_EQ(special.texts[0].text, "Center this very very long xxxxxxxxx text line");
    EXPECT_EQ(special.texts[0].fontName, "Courier New");
    EXPECT_EQ(special.texts[0].fontSize, 14);
}

TEST(ScreenModel, UnknownAndMalformedSequencesAreKeptAndFlagged)
{
    const std::string message = "A\x1bQxyz\x1b=12Y\x1bS9\"K\"\x1b";
    const auto s = shown(message);
    EXPECT_EQ(s.message, message);
    EXPECT_TRUE(s.hasUnknownSequences());
    std::vector<std::string> raws;
    for (const auto& u : s.unknownSequences())
        raws.push_back(u.raw);
    EXPECT_EQ(raws, (std::vector<std::string>{"\x1bQ", "\x1b=", "\x1bS", "\x1b"}));
    // What followed each unknown sequence is still on the screen.
    EXPECT_EQ(s.lines(), (std::vector<std::string>{"A", "xyz", "12Y", "9\"K\""}));
}

TEST(ScreenModel, ANewMessageReplacesTheOldOneButKeepsTheXmlLayout)
{
    ScreenModel s;
    s.messageWindow = WindowProperties{};
    s.showMessage(suites::displayFormat("iXCAT_FUNC").body);
    s.showMessage("Plain");
    EXPECT_TRUE(s.softKeys.empty());
    EXPECT_FALSE(s.graphicMode);
    EXPECT_EQ(s.lines(), std::vector<std::string>{"Plain"});
    EXPECT_TRUE(s.messageWindow.has_value());
    EXPECT_EQ(s.describe(), "DisplayLength=5\r\nGraphicMode=Off\r\nTexts=1\r\nSoftKeys=0\r\nUnknownSequences=0\r\nPrompt=none");
}

// XML commands.

bool wellFormed(const std::string& xml)
{
    QXmlStreamReader r(QString::fromLatin1(xml.data(), static_cast<qsizetype>(xml.size())));
    while (!r.atEnd())
        r.readNext();
    return !r.hasError();
}

// The XML of a response record, after checking its framing.
std::string responseXml(const std::string& record, const std::string& position = "07")
{
    const std::string head = "ReaderPosition=" + position + "\r\nPacketCount=";
    EXPECT_TRUE(record.starts_with(head)) << record;
    const std::size_t dataAt = record.find("\r\nPacketData=");
    const std::string count = record.substr(head.size(), dataAt - head.size());
    const std::string xml = record.substr(dataAt + 13, record.size() - dataAt - 13 - 3);
    EXPECT_TRUE(record.ends_with(std::string("\r\n\0", 3)));
    EXPECT_GE(count.size(), 3u);
    EXPECT_EQ(std::stoul(count), xml.size());
    EXPECT_TRUE(wellFormed(xml)) << xml;
    return xml;
}

struct XmlRig {
    Reader reader;
    ManualClock clock;
    void send(const std::string& xml) { handleXmlPacket(reader, 7, xml, clock); }
    std::vector<std::string> responses()
    {
        std::vector<std::string> r;
        for (const auto& rec : reader.packetQueue)
            r.push_back(responseXml(rec));
        return r;
    }
};

TEST(TerminalXml, TheSpecialTestLaysOutTheScreenAndEveryPacketIsAnswered)
{
    XmlRig rig;
    for (const auto& packet : {suites::messageWindowPacket(), suites::softKeyPacket(), suites::dataEntryWindowPacket(),
                               suites::welcomePromptPacket(), suites::displayPromptPacket(), suites::packageVersionPacket()})
        rig.send(packet);
    const auto& s = rig.reader.screen;

    ASSERT_TRUE(s.messageWindow);
    EXPECT_EQ(s.messageWindow->sequenceNumber, "1500");
    EXPECT_EQ(s.messageWindow->foreColor, "FF000000");
    EXPECT_EQ(s.messageWindow->backColor, "FFFFFFFF");
    EXPECT_EQ(s.messageWindow->horizontalAlignment, "Center");
    EXPECT_EQ(s.messageWindow->area, (Geometry{0, 0, 320, 240}));
    EXPECT_EQ(s.messageWindow->font, (FontSpec{"Tahoma", 14, 0}));

    ASSERT_TRUE(s.softKeyProperties);
    EXPECT_EQ(s.softKeyProperties->foreColor, "00000FFF");
    EXPECT_EQ(s.softKeyProperties->pixelsFromEdge, 5);
    EXPECT_EQ(s.softKeyProperties->width, 150);
    EXPECT_EQ(s.softKeyProperties->height, 38);
    EXPECT_EQ(s.softKeyProperties->alignment, "Outside");
    EXPECT_EQ(s.softKeyProperties->font, (FontSpec{"Tahoma", 11, 1}));

    ASSERT_TRUE(s.dataEntryWindow);
    EXPECT_EQ(s.dataEntryWindow->area, (Geometry{200, 0, 320, 40}));
    EXPECT_EQ(s.dataEntryWindow->font, (FontSpec{"Tahoma", 18, 0}));

    ASSERT_EQ(s.prompts.count("1"), 1u);
    const Prompt& p = s.prompts.at("1");
    EXPECT_EQ(p.main.text, "Welcome to Halvern Solutions");
    EXPECT_EQ(p.description, "Idle Prompt");
    EXPECT_EQ(p.language, "en");
    EXPECT_EQ(p.main.area, (Geometry{0, 0, 320, 25}));
    ASSERT_EQ(p.additional.size(), 7u);
    const std::vector<std::string> texts = {"", "Insert Debit/Credit Card", "or", "Push Pay Inside Button", "", "", ""};
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(p.additional[i].id, std::to_string(i + 1));
        EXPECT_EQ(p.additional[i].text, texts[i]);
        EXPECT_EQ(p.additional[i].area, (Geometry{28 * static_cast<int>(i + 1), 0, 320, 25}));
        EXPECT_EQ(p.additional[i].font, (FontSpec{"Tahoma", 12, 1}));
    }
    EXPECT_EQ(p.additional[5].verticalAlignment, "Top");
    EXPECT_EQ(p.additional[6].verticalAlignment, "");
    EXPECT_EQ(s.notes, std::vector<std::string>{"AdditionalText Id=7: unknown attribute VertcalAlignment"});
    EXPECT_EQ(s.shownPromptId, "1");

    const auto responses = rig.responses();
    ASSERT_EQ(responses.size(), 6u);
    EXPECT_EQ(responses[0], "<SetMessageWindowPropertiesResponse SequenceNumber=\"1500\" Result=\"Success\"/>");
    EXPECT_EQ(responses[1], "<SetSoftKeyPropertiesResponse SequenceNumber=\"1501\" Result=\"Success\"/>");
    EXPECT_EQ(responses[2], "<SetDataEntryWindowPropertiesResponse SequenceNumber=\"1502\" Result=\"Success\"/>");
    EXPECT_EQ(responses[3], "<SetPromptDetailsResponse SequenceNumber=\"1503\" Result=\"Success\"/>");
    EXPECT_EQ(responses[4], "<DisplayPromptResponse SequenceNumber=\"1504\" Result=\"Success\"/>");
    std::string versions = "<GetPackageVersionResponse SequenceNumber=\"1505\" Result=\"Success\">";
    for (const auto& v : packageVersions())
        versions += "<Package Name=\"" + std::string(v.name) + "\" Version=\"" + v.version + "\"/>";
    EXPECT_EQ(responses[5], versions + "</GetPackageVersionResponse>");
    EXPECT_GE(packageVersions().size(), 1u);
}

TEST(TerminalXml, APromptNotYetDefinedCannotBeShown)
{
    XmlRig rig;
    rig.send(suites::displayPromptPacket());
    EXPECT_EQ(rig.reader.screen.shownPromptId, "");
    EXPECT_EQ(rig.responses(), std::vector<std::string>{"<DisplayPromptResponse SequenceNumber=\"1504\" Result=\"Failure\" "
                                                        "Fault=\"prompt 1 is not defined\"/>"});
}

struct RefusedCase {
    const char* name;
    std::string packet;
    std::string response;
};
void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

// Elements nested `depth` deep, closed again.
std::string nested(int depth)
{
    std::string open, close;
    for (int i = 0; i < depth; ++i) {
        open += "<a>";
        close += "</a>";
    }
    return open + close;
}

class RefusedPacketTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedPacketTest, IsAnsweredWithItsFaultAndChangesNothing)
{
    XmlRig rig;
    rig.send(GetParam().packet);
    const auto& s = rig.reader.screen;
    EXPECT_FALSE(s.messageWindow || s.softKeyProperties || s.dataEntryWindow || s.securePrompt);
    EXPECT_TRUE(s.prompts.empty());
    EXPECT_TRUE(s.images.empty());
    EXPECT_TRUE(rig.reader.paper.items.empty());
    const auto responses = rig.responses();
    ASSERT_EQ(responses.size(), 1u);
    if (GetParam().response.ends_with("*"))
        EXPECT_TRUE(responses[0].starts_with(GetParam().response.substr(0, GetParam().response.size() - 1))) << responses[0];
    else
        EXPECT_EQ(responses[0], GetParam().response);
}

INSTANTIATE_TEST_SUITE_P(
    Packets, RefusedPacketTest,
    ::testing::Values(
        RefusedCase{"NotWellFormed", "<DisplayCommand><SetSoftKeyPropertiesCommand SequenceNumber=\"1\"></DisplayCommand>",
                    "<ErrorResponse Fault=\"Malformed XML: *"},
        RefusedCase{"NoElement", "<", "<ErrorResponse Fault=\"Malformed XML: *"},
        RefusedCase{"NestedTooDeep", nested(40),
                    "<ErrorResponse Fault=\"Elements nested deeper than 32 levels\"/>"},
        RefusedCase{"UnknownCommand", "<Reboot SequenceNumber=\"4\"/>",
                    "<ErrorResponse Command=\"Reboot\" Fault=\"unknown command Reboot\"/>"},
        RefusedCase{"UnknownDisplayCommand", "<DisplayCommand><Blink SequenceNumber=\"4\"/></DisplayCommand>",
                    "<ErrorResponse Command=\"Blink\" Fault=\"unknown command Blink in DisplayCommand\"/>"},
        RefusedCase{"TwoCommands",
                    "<DisplayCommand><DisplayPromptCommand SequenceNumber=\"1\" Id=\"1\"/>"
                    "<DisplayPromptCommand SequenceNumber=\"2\" Id=\"1\"/></DisplayCommand>",
                    "<ErrorResponse Command=\"DisplayCommand\" Fault=\"DisplayCommand holds 2 commands; it takes exactly one\"/>"},
        RefusedCase{"NoSequenceNumber",
                    "<DisplayCommand><SetSoftKeyPropertiesCommand><SoftKeyProperties/></SetSoftKeyPropertiesCommand></DisplayCommand>",
                    "<SetSoftKeyPropertiesResponse SequenceNumber=\"\" Result=\"Failure\" Fault=\"SetSoftKeyPropertiesCommand has "
                    "no SequenceNumber\"/>"},
        RefusedCase{"NotANumber",
                    "<DisplayCommand><SetSoftKeyPropertiesCommand SequenceNumber=\"9\"><SoftKeyProperties SoftKeyWidth=\"wide\"/>"
                    "</SetSoftKeyPropertiesCommand></DisplayCommand>",
                    "<SetSoftKeyPropertiesResponse SequenceNumber=\"9\" Result=\"Failure\" Fault=\"SoftKeyProperties "
                    "SoftKeyWidth is not a whole number: &quot;wide&quot;\"/>"},
        RefusedCase{"BadColour",
                    "<DisplayCommand><SetMessageWindowPropertiesCommand SequenceNumber=\"3\"><MessageWindowProperties "
                    "ForeColor=\"red\"/></SetMessageWindowPropertiesCommand></DisplayCommand>",
                    "<SetMessageWindowPropertiesResponse SequenceNumber=\"3\" Result=\"Failure\" Fault=\"MessageWindowProperties "
                    "ForeColor is not eight hexadecimal digits: &quot;red&quot;\"/>"},
        RefusedCase{"MissingProperties",
                    "<DisplayCommand><SetDataEntryWindowPropertiesCommand SequenceNumber=\"5\"/></DisplayCommand>",
                    "<SetDataEntryWindowPropertiesResponse SequenceNumber=\"5\" Result=\"Failure\" "
                    "Fault=\"SetDataEntryWindowPropertiesCommand holds no DataEntryWindowProperties\"/>"},
        RefusedCase{"BarCodeWithoutCharacters",
                    "<PrinterCommand><PrintCommand SequenceNumber=\"8\"><CutPaper/><PrintBarCode Symbology=\"EAN_8\"/>"
                    "</PrintCommand></PrinterCommand>",
                    "<PrintResponse SequenceNumber=\"8\" Result=\"Failure\" Fault=\"PrintBarCode has no Characters\"/>"},
        RefusedCase{"FaultWithMarkup",
                    "<DisplayCommand><SetSoftKeyPropertiesCommand SequenceNumber=\"9\"><SoftKeyProperties "
                    "PixelsFromEdge=\"&lt;5&amp;\"/></SetSoftKeyPropertiesCommand></DisplayCommand>",
                    "<SetSoftKeyPropertiesResponse SequenceNumber=\"9\" Result=\"Failure\" Fault=\"SoftKeyProperties "
                    "PixelsFromEdge is not a whole number: &quot;&lt;5&amp;&quot;\"/>"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TerminalXml, PrintCommandPrintsTheBarCodeAndCutsThePaper)
{
    XmlRig rig;
    rig.send(xml::barCodePrintPacket());
    const auto& items = rig.reader.paper.items;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].kind, PrintedItem::Kind::BarCode);
    EXPECT_EQ(items[0].text, "73513537");
    EXPECT_EQ(items[0].symbology, "EAN_8");
    EXPECT_EQ(items[0].job, "Packet");
    EXPECT_EQ(items[1].kind, PrintedItem::Kind::Cut);
    EXPECT_EQ(rig.reader.paper.cuts(), 1);
    EXPECT_EQ(rig.responses(), std::vector<std::string>{"<PrintResponse SequenceNumber=\"1600\" Result=\"Success\"/>"});
}

TEST(TerminalXml, InitiateTransactionReachesTheChipReaderAndIsAnsweredFirst)
{
    XmlRig rig;
    rig.send(xml::emvInitiatePacket());
    ASSERT_FALSE(rig.reader.packetQueue.empty());
    EXPECT_EQ(responseXml(rig.reader.packetQueue.front()),
              "<InitiateTransactionResponse SequenceNumber=\"0\" Result=\"Success\"/>");
    EXPECT_EQ(rig.reader.lastXml, xml::emvInitiatePacket());
}

TEST(TerminalXml, SecurePromptAndImageDetailsAreKept)
{
    XmlRig rig;
    rig.send(suites::securePromptPacket());
    ASSERT_TRUE(rig.reader.screen.securePrompt);
    const auto& sp = *rig.reader.screen.securePrompt;
    EXPECT_EQ(sp.promptId, "3");
    EXPECT_EQ(sp.securityLevel, "Encrypted");
    EXPECT_EQ(sp.maxLength, 4);
    EXPECT_TRUE(sp.autoTerminate);
    EXPECT_FALSE(sp.hidden);
    EXPECT_EQ(sp.pinSupportData, "7A21C0E95B3F4D68");

    // Line ends inside XML text reach the terminal as LF, as XML reads them.
    const std::string sample = "89504E470D0A1A0A\n0000000D49484452\n00AE426082\n";
    rig.send(suites::setImagePacket(sample));
    ASSERT_EQ(rig.reader.screen.images.count("1"), 1u);
    EXPECT_EQ(rig.reader.screen.images.at("1").data, sample);
    EXPECT_EQ(rig.reader.screen.images.at("1").filename, "Banner.png");
    EXPECT_EQ(rig.responses(), (std::vector<std::string>{
                                   "<DisplaySecurePromptResponse SequenceNumber=\"0\" Result=\"Success\"/>",
                                   "<SetImageDetailsResponse SequenceNumber=\"0\" Result=\"Success\"/>"}));
}

// Through the server's members, as the utility reaches them.

TEST(TerminalXml, PacketQueOutputAppliesThePacketAndQueuesTheResponse)
{
    ForecourtRig rig;
    rig.session.server().put("PacketQueOutput", Value::string(suites::specialPacketRecord("07", suites::softKeyPacket())));
    ASSERT_TRUE(rig.server.readers().reader(7).screen.softKeyProperties);
    const Value answer = rig.session.server().get("PacketQueInput", std::nullopt);
    EXPECT_EQ(responseXml(answer.asString()), "<SetSoftKeyPropertiesResponse SequenceNumber=\"1501\" Result=\"Success\"/>");
}

TEST(TerminalXml, DisplayDataShowsTheMessageOnTheReadersScreen)
{
    ForecourtRig rig;
    rig.select(9);
    rig.session.server().put("DisplayData",
                             Value::string(suites::displayFormatRecord("09", suites::displayFormat("Wayne3Line"))));
    const auto& screen = rig.server.readers().reader(9).screen;
    EXPECT_EQ(screen.graphicLines, 3);
    ASSERT_NE(screen.textAt(10, 20), nullptr);
    EXPECT_EQ(screen.textAt(10, 20)->text, "Hello (010/020)");
}

} // namespace
