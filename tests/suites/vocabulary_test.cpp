#include "suites_test_support.h"

#include "support/session_rig.h"

#include "server/display_escapes.h"
#include "server/terminal_vocabulary.h"
#include "suites/ixcat_packets.h"
#include "suites/test_functions.h"

#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

using namespace vantrel;
using namespace vantrel::test;

namespace {

struct PacketCase {
    const char* name;
    std::function<std::string()> build;
    std::string expected;
    std::size_t length;
};
void PrintTo(const PacketCase& c, std::ostream* os) { *os << c.name; }

std::string sampleImage()
{
    std::ifstream in(SUITES_SAMPLE_IMAGE, std::ios::binary);
    return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<PacketCase> packetCases()
{
    const std::string imageOpen =
        "<DisplayCommand><SetImageDetailsCommand SequenceNumber=\"0\" ImageId=\"1\" Filename=\"Banner.png\" Language=\"en\">";
    const std::string imageClose = "</SetImageDetailsCommand></DisplayCommand>";
    return {
        {"EmvInitiate", xml::emvInitiatePacket,
         "<EMVModuleCommand><InitiateTransactionCommand SequenceNumber=\"0\"></InitiateTransactionCommand></EMVModuleCommand>",
         113},
        {"BarCodePrint", xml::barCodePrintPacket,
         "<PrinterCommand><PrintCommand SequenceNumber=\"1600\"><PrintBarCode Characters=\"73513537\" Symbology=\"EAN_8\"/>"
         "<CutPaper/></PrintCommand></PrinterCommand>",
         150},
        {"SecurePrompt", suites::securePromptPacket,
         "<DisplaySecurePromptCommand SequenceNumber=\"0\" PromptId=\"3\" Language=\"en\" SecurityLevel=\"Encrypted\" "
         "MaxLength=\"4\" AutoTerminate=\"true\" Hidden=\"false\" PINSupportData=\"7A21C0E95B3F4D68\"/>",
         185},
        {"EmptyImage", [] { return suites::setImagePacket(""); }, imageOpen + imageClose, 149},
        {"SampleImage", [] { return suites::setImagePacket(sampleImage()); }, imageOpen + sampleImage() + imageClose,
         149 + sampleImage().size()},
        {"MessageWindow", suites::messageWindowPacket, dataFile("ixcat_packet1.xml"), 374},
        {"SoftKeys", suites::softKeyPacket, dataFile("ixcat_packet2.xml"), 299},
        {"DataEntryWindow", suites::dataEntryWindowPacket, dataFile("ixcat_packet3.xml"), 315},
        {"WelcomePrompt", suites::welcomePromptPacket, dataFile("ixcat_packet5.xml"), 1911},
        {"DisplayPrompt", suites::displayPromptPacket, dataFile("ixcat_packet6.xml"), 99},
        {"PackageVersions", suites::packageVersionPacket, dataFile("ixcat_packet7.xml"), 76},
    };
}

class PacketTest : public ::testing::TestWithParam<PacketCase> {};

TEST_P(PacketTest, IsBuiltByteForByte)
{
    const std::string packet = GetParam().build();
    EXPECT_EQ(packet, GetParam().expected);
    EXPECT_EQ(packet.size(), GetParam().length);
}

TEST_P(PacketTest, IsWellFormedXml)
{
    const std::string packet = GetParam().build();
    QXmlStreamReader reader(QString::fromLatin1(packet.data(), static_cast<qsizetype>(packet.size())));
    int roots = 0, depth = 0;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::StartElement && depth++ == 0)
            ++roots;
        else if (token == QXmlStreamReader::EndElement)
            --depth;
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    EXPECT_EQ(roots, 1);
}

INSTANTIATE_TEST_SUITE_P(Packets, PacketTest, ::testing::ValuesIn(packetCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SpecialPacketRecord, CarriesTheKeyFormsWithBlanksAndTheComputedCount)
{
    EXPECT_EQ(suites::specialPacketRecord("14", "<A/>"), lit("ReaderPosition = 14\r\nPacketCount = 4\r\nPacketData=<A/>\r\n\0"));
    const std::string p3 = suites::dataEntryWindowPacket();
    EXPECT_EQ(suites::specialPacketRecord("14", p3), "ReaderPosition = 14\r\nPacketCount = 315\r\nPacketData=" + p3 + lit("\r\n\0"));
}

struct EscapeCase {
    const char* name;
    std::string built;
    std::string expected;
};
void PrintTo(const EscapeCase& c, std::ostream* os) { *os << c.name; }

class EscapeTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EscapeTest, Bytes) { EXPECT_EQ(GetParam().built, GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Sequences, EscapeTest,
    ::testing::Values(EscapeCase{"GraphicMode", esc::graphicMode(), K_ESC "G"},
                      EscapeCase{"GraphicModeLines", esc::graphicMode(4), K_ESC "G4"},
                      EscapeCase{"Code000", esc::code000(), K_ESC K_SUB "000"},
                      EscapeCase{"CodeA12", esc::codeA(12), K_ESC "A12"},
                      EscapeCase{"CodeA22", esc::codeA(22), K_ESC "A22"},
                      EscapeCase{"Font", esc::font("Courier New", 14), K_ESC "F\"Courier New\"14"},
                      EscapeCase{"Positioned", esc::positioned(7, 120, "Hi"), K_ESC "=007120Hi"},
                      EscapeCase{"SoftKey", esc::softKey(3, "Key 3"), K_ESC "S3\"Key 3\""},
                      EscapeCase{"Scrolling", esc::scrolling("x"), K_DC3 "x"},
                      EscapeCase{"Signature", esc::signatureTag("0123ABCD"), "{SIG=0123ABCD}"},
                      EscapeCase{"BarCode", esc::barCode("0200123700027"), K_ESC "B0200123700027" K_ETX}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Vocabulary, ResponseNamesAndEscapedValues)
{
    EXPECT_EQ(xml::responseName("SetSoftKeyPropertiesCommand"), "SetSoftKeyPropertiesResponse");
    EXPECT_EQ(xml::responseName("Command"), "CommandResponse");
    EXPECT_EQ(xml::escaped("a<b>&\"c\""), "a&lt;b&gt;&amp;&quot;c&quot;");
    EXPECT_EQ(xml::start("A", {{"x", "1"}, {"y", "2"}}), "<A x=\"1\" y=\"2\">");
    EXPECT_EQ(xml::empty("A", {}), "<A/>");
}

} // namespace
