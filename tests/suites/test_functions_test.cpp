#include "suites_test_support.h"

#include "support/session_rig.h"

#include "session/handler_runner.h"
#include "suites/test_functions.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>

using namespace vantrel;
using namespace vantrel::suites;
using namespace vantrel::test;

namespace {

enum class InBoxEffect { Unchanged, Set, Appended };

struct RecordCase {
    std::string control;
    std::function<void(Session&, TestFunctionState&)> press;
    std::string member;
    std::string expected;
    InBoxEffect inBox;
    std::string textBox; // what the description box holds afterwards
};
void PrintTo(const RecordCase& c, std::ostream* os) { *os << c.control; }

std::string caseName(const ::testing::TestParamInfo<RecordCase>& info) { return info.param.control; }

const std::string kUntouched = "description before";

std::vector<RecordCase> recordCases()
{
    return {
        {"BarCodePrintButton", [](Session& s, TestFunctionState&) { barCodePrint(s); }, "PrintOutput",
         dataFile("bar_code_print_07.rec"), InBoxEffect::Unchanged, kUntouched},
        {"GILB_EMVPrint", [](Session& s, TestFunctionState& st) { gilbEmvPrint(s, st); }, "PrintOutput",
         dataFile("gilb_emv_receipt_07.rec"), InBoxEffect::Set, kUntouched},
        {"GILBEmvBarcode", [](Session& s, TestFunctionState&) { gilbEmvBarcode(s); }, "PrintOutput",
         dataFile("gilb_emv_coupon_07.rec"), InBoxEffect::Appended, kUntouched},
        {"ORPAK_LARGE_RECEIPT_BUTTON", [](Session& s, TestFunctionState&) { orpakLargeReceipt(s); }, "PrintOutput",
         dataFile("orpak_large_receipt_07.rec"), InBoxEffect::Set, "<Object>.PrintOutput = (data)"},
        {"SCROLL_MSG", [](Session& s, TestFunctionState&) { scrollMessage(s); }, "DisplayData",
         lit("ReaderPosition=07\r\nMessage=" K_DC3 "This is a long scrolling message\n\r\n\0"), InBoxEffect::Set, kUntouched},
        {"ORPAK_SIG_MSG", [](Session& s, TestFunctionState&) { orpakSignedMessage(s); }, "DisplayData",
         lit("ReaderPosition=07\r\nMessage={SIG=4E9A17B2}Test Message\n\r\n\0"), InBoxEffect::Set, kUntouched},
        {"SecialTests", [](Session& s, TestFunctionState&) { specialTests(s); }, "DisplayData",
         lit("ReaderPosition=07\r\nMessage=" K_ESC "G" K_ESC K_SUB "000" K_ESC "A22" K_ESC
             "F\"Courier New\"14Center this very very long xxxxxxxxx text line\r\n\0"),
         InBoxEffect::Unchanged, kUntouched},
        {"iXCAT_DES_TEST", [](Session& s, TestFunctionState&) { securePromptTest(s); }, "PacketQueOutput",
         lit("ReaderPosition=07\r\nPacketCount=185\r\nPacketData=<DisplaySecurePromptCommand SequenceNumber=\"0\" "
             "PromptId=\"3\" Language=\"en\" SecurityLevel=\"Encrypted\" MaxLength=\"4\" AutoTerminate=\"true\" "
             "Hidden=\"false\" PINSupportData=\"7A21C0E95B3F4D68\"/>\r\n\0"),
         InBoxEffect::Unchanged, kUntouched},
    };
}

class RecordTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RecordTest, SendsTheRecordByteForByteAtTheSelectedPosition)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.select(7);
    rig.session.setTextBox(kUntouched);
    rig.session.setInBox("box before|");
    TestFunctionState state;
    EXPECT_TRUE(runHandler(rig.session, [&](Session& s) { c.press(s, state); }));
    ASSERT_EQ(rig.server.calls().size(), 1u);
    EXPECT_EQ(rig.server.calls()[0].member, c.member);
    EXPECT_EQ(rig.server.onlyPut(), c.expected);
    switch (c.inBox) {
    case InBoxEffect::Unchanged: EXPECT_EQ(rig.session.inBox(), "box before|"); break;
    case InBoxEffect::Set: EXPECT_EQ(rig.session.inBox(), c.expected); break;
    case InBoxEffect::Appended: EXPECT_EQ(rig.session.inBox(), "box before|" + c.expected); break;
    }
    EXPECT_EQ(rig.session.textBox(), c.textBox);
}

TEST_P(RecordTest, AFailingSendLeavesInBoxAsItWasAndIsReported)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.select(7);
    rig.session.setInBox("box before|");
    rig.server.fail(c.member, 1201, "The reader terminal cannot act on the record");
    TestFunctionState state;
    EXPECT_FALSE(runHandler(rig.session, [&](Session& s) { c.press(s, state); }));
    EXPECT_EQ(rig.session.inBox(), "box before|");
    EXPECT_EQ(rig.prompter.messages(),
              std::vector<std::string>{"Error 1201: The reader terminal cannot act on the record"});
    EXPECT_EQ(state.jobNum, 1) << "the test number only grows after a receipt went out";
}

INSTANTIATE_TEST_SUITE_P(Buttons, RecordTest, ::testing::ValuesIn(recordCases()), caseName);

std::string receiptWithTestNumber(int n)
{
    std::string r = dataFile("gilb_emv_receipt_07.rec");
    const std::string one = "Test Number =  1\r\n";
    r.replace(r.find(one), one.size(), "Test Number =  " + std::to_string(n) + "\r\n");
    return r;
}

TEST(GilbEmvPrint, TestNumberCountsAcrossPrintAndPrnAndBarcode)
{
    SessionRig rig;
    rig.select(7);
    TestFunctionState state;
    gilbEmvPrint(rig.session, state);
    gilbEmvPrint(rig.session, state);
    printAndBarcode(rig.session, state);
    const auto puts = rig.server.putsTo("PrintOutput");
    ASSERT_EQ(puts.size(), 4u);
    EXPECT_EQ(puts[0], receiptWithTestNumber(1));
    EXPECT_EQ(puts[1], receiptWithTestNumber(2));
    EXPECT_EQ(puts[2], receiptWithTestNumber(3));
    EXPECT_EQ(puts[3], dataFile("gilb_emv_coupon_07.rec"));
    EXPECT_EQ(rig.session.inBox(), receiptWithTestNumber(3) + dataFile("gilb_emv_coupon_07.rec"));
    EXPECT_EQ(state.jobNum, 4);
}

TEST(GilbEmvPrint, TestNumberWrapsFromTheLargestBackToOne)
{
    SessionRig rig;
    rig.select(7);
    TestFunctionState state;
    state.jobNum = 32767;
    gilbEmvPrint(rig.session, state);
    EXPECT_EQ(state.jobNum, 1);
    gilbEmvPrint(rig.session, state);
    const auto puts = rig.server.putsTo("PrintOutput");
    ASSERT_EQ(puts.size(), 2u);
    EXPECT_NE(puts[0].find("Test Number =  32767\r\n"), std::string::npos);
    EXPECT_EQ(puts[1], receiptWithTestNumber(1));
}

TEST(GilbEmvBarcode, TwoPressesLeaveTwoCoupons)
{
    SessionRig rig;
    rig.select(7);
    rig.session.setInBox("");
    gilbEmvBarcode(rig.session);
    gilbEmvBarcode(rig.session);
    const std::string coupon = dataFile("gilb_emv_coupon_07.rec");
    EXPECT_EQ(rig.session.inBox(), coupon + coupon);
}

TEST(PrnAndBarcode, AFailingReceiptSendsNoCoupon)
{
    SessionRig rig;
    rig.select(7);
    rig.server.fail("PrintOutput");
    TestFunctionState state;
    EXPECT_FALSE(runHandler(rig.session, [&](Session& s) { printAndBarcode(s, state); }));
    EXPECT_EQ(rig.server.calls().size(), 1u);
}

TEST(OrpakLargeReceipt, EachCountedLineReportsTheLengthUpToItsCount)
{
    const std::string record = orpakLargeReceiptRecord("23");
    std::size_t at = 0;
    int lines = 0, previous = 0;
    while ((at = record.find("L# ", at)) != std::string::npos) {
        ++lines;
        const std::size_t count = record.find("  Count ", at);
        ASSERT_NE(count, std::string::npos);
        const std::size_t end = count + 8; // just after "  Count "
        const std::size_t lineEnd = record.find("\r\n", end);
        EXPECT_EQ(record.substr(at, count - at), "L#  " + std::to_string(lines));
        const int reported = std::stoi(record.substr(end, lineEnd - end));
        EXPECT_EQ(record[end], ' ');
        EXPECT_EQ(reported, static_cast<int>(end)) << "line " << lines;
        EXPECT_GT(reported, previous);
        previous = reported;
        at = lineEnd;
    }
    EXPECT_EQ(lines, 32);
    EXPECT_TRUE(record.ends_with(lit("\r\n\r\n\0")));
}

// Load tests.

std::string items(int n, int count) { std::string s; for (int i = 0; i < count; ++i) s += " " + std::to_string(n); return s; }

struct LoadCase {
    const char* name;
    bool chopped;
    int message;
    std::string expected;
};
void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }

std::string loadHead(int message)
{
    return "ReaderPosition=07\r\nMessage=Display Msg " + std::to_string(message) + "\r\nTesting Size\r\n";
}

class LoadTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadTest, MessageCarriesItsItems)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.select(7);
    displayLoadTest(rig.session, c.chopped);
    const auto puts = rig.server.putsTo("DisplayData");
    ASSERT_EQ(puts.size(), 1000u);
    EXPECT_EQ(puts[static_cast<std::size_t>(c.message - 1)], c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, LoadTest,
    ::testing::Values(
        LoadCase{"Plain1", false, 1, loadHead(1) + " 1" + lit("\r\n\0")},
        LoadCase{"Plain7", false, 7, loadHead(7) + " 7 7 7 7 7 7 7" + lit("\r\n\0")},
        LoadCase{"Plain100", false, 100, loadHead(100) + items(100, 100) + lit("\r\n\0")},
        LoadCase{"Plain101", false, 101, loadHead(101) + " 1" + lit("\r\n\0")},
        LoadCase{"Plain1000", false, 1000, loadHead(1000) + items(100, 100) + lit("\r\n\0")},
        LoadCase{"Chopped7", true, 7, loadHead(7) + items(7, 7) + lit("\r\n\0")},
        LoadCase{"Chopped20", true, 20, loadHead(20) + items(20, 20) + lit("\r\n\r\n\0")},
        LoadCase{"Chopped40", true, 40, loadHead(40) + items(40, 20) + "\r\n" + items(40, 20) + lit("\r\n\r\n\0")},
        LoadCase{"Chopped45", true, 45, loadHead(45) + items(45, 20) + "\r\n" + items(45, 20) + "\r\n" + items(45, 5) + lit("\r\n\0")},
        LoadCase{"Chopped1000", true, 1000,
                 loadHead(1000) + items(100, 20) + "\r\n" + items(100, 20) + "\r\n" + items(100, 20) + "\r\n" +
                     items(100, 20) + "\r\n" + items(100, 20) + lit("\r\n\r\n\0")}),
    [](const auto& info) { return std::string(info.param.name); });

struct LoadTrace : SessionObserver {
    std::vector<std::string> events;
    void callMade(const CallEvent& e) override { events.push_back("put " + e.member); }
    void boxChanged(Box box, std::string_view text) override
    {
        if (box == Box::InBox)
            events.push_back(std::string(text));
    }
};

class LoadRunTest : public ::testing::TestWithParam<bool> {};

TEST_P(LoadRunTest, ProgressTextPrecedesEachSendUnderABusyCursor)
{
    SessionRig rig;
    rig.select(7);
    LoadTrace trace;
    rig.session.addObserver(&trace);
    EXPECT_TRUE(runHandler(rig.session, [](Session& s) { displayLoadTest(s, GetParam()); }));
    ASSERT_EQ(trace.events.size(), 2001u);
    for (int i = 1; i <= 1000; ++i) {
        EXPECT_EQ(trace.events[static_cast<std::size_t>(2 * i - 2)], "Message=Display Msg " + std::to_string(i));
        EXPECT_EQ(trace.events[static_cast<std::size_t>(2 * i - 1)], "put DisplayData");
    }
    EXPECT_EQ(rig.session.inBox(), "1K Message Test Done");
    EXPECT_EQ(rig.windows.busyHistory(), (std::vector<bool>{true, false}));
    std::size_t longest = 0;
    for (const auto& r : rig.server.putsTo("DisplayData"))
        longest = std::max(longest, r.size());
    EXPECT_EQ(longest, GetParam() ? 472u : 462u);
    rig.session.removeObserver(&trace);
}

TEST_P(LoadRunTest, AFailingSendStopsTheRunAndRestoresTheCursor)
{
    SessionRig rig;
    rig.server.fail("DisplayData", 1001, "Simulated failure", 5);
    EXPECT_FALSE(runHandler(rig.session, [](Session& s) { displayLoadTest(s, GetParam()); }));
    EXPECT_EQ(rig.server.calls().size(), 5u);
    EXPECT_EQ(rig.session.inBox(), "Message=Display Msg 5");
    EXPECT_EQ(rig.windows.busyHistory(), (std::vector<bool>{true, false}));
}

INSTANTIATE_TEST_SUITE_P(Variants, LoadRunTest, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "Chopped" : "Plain"); });

// SET IMAGE.

const std::string kImageOpen =
    "<DisplayCommand><SetImageDetailsCommand SequenceNumber=\"0\" ImageId=\"1\" Filename=\"Banner.png\" Language=\"en\">";
const std::string kImageClose = "</SetImageDetailsCommand></DisplayCommand>";

struct ImageFolder {
    std::filesystem::path dir;
    ImageFolder()
    {
        dir = std::filesystem::path(::testing::TempDir()) /
              ("suites_image_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(dir);
    }
    ~ImageFolder() { std::filesystem::remove_all(dir); }
    std::string write(const std::string& content)
    {
        const auto path = dir / "FP_blk.hex";
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }
};

TEST(SetImage, EmptyFileSendsTheTagsAloneWithAFiveDigitCount)
{
    ImageFolder folder;
    SessionRig rig;
    rig.select(7);
    TestFunctionState state;
    state.imagePaths = {folder.write("")};
    EXPECT_TRUE(runHandler(rig.session, [&](Session& s) { setImage(s, state); }));
    EXPECT_EQ(rig.server.onlyPut(),
              "ReaderPosition=07\r\nPacketCount=00149\r\nPacketData=" + kImageOpen + kImageClose + lit("\r\n\0"));
    EXPECT_EQ(rig.server.calls().at(0).member, "PacketQueOutput");
}

TEST(SetImage, SampleImageGoesInWholeWithItsLineBreaks)
{
    std::ifstream in(SUITES_SAMPLE_IMAGE, std::ios::binary);
    const std::string sample{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(sample.empty());
    ASSERT_NE(sample.find('\n'), std::string::npos);
    SessionRig rig;
    rig.select(7);
    TestFunctionState state;
    state.imagePaths = {SUITES_SAMPLE_IMAGE};
    setImage(rig.session, state);
    const std::string packet = kImageOpen + sample + kImageClose;
    char count[8];
    std::snprintf(count, sizeof count, "%05zu", packet.size());
    EXPECT_EQ(rig.server.onlyPut(), "ReaderPosition=07\r\nPacketCount=" + std::string(count) + "\r\nPacketData=" + packet +
                                        lit("\r\n\0"));
}

TEST(SetImage, BytesOfTheFileAreSentUnchanged)
{
    ImageFolder folder;
    SessionRig rig;
    TestFunctionState state;
    state.imagePaths = {folder.write(lit("AB\r\nC\x7f\xff\0D"))};
    setImage(rig.session, state);
    EXPECT_NE(rig.server.onlyPut().find(kImageOpen + lit("AB\r\nC\x7f\xff\0D") + kImageClose), std::string::npos);
}

struct MissingCase {
    const char* name;
    const char* file;   // under the test folder; "" for the folder itself
    const char* reason;
};
void PrintTo(const MissingCase& c, std::ostream* os) { *os << c.name; }

class SetImageMissingTest : public ::testing::TestWithParam<MissingCase> {};

TEST_P(SetImageMissingTest, IsReportedWithTheFullPathAndNothingIsSent)
{
    ImageFolder folder;
    SessionRig rig;
    TestFunctionState state;
    state.imagePaths = {(folder.dir / GetParam().file).string()};
    if (std::string(GetParam().file).empty())
        state.imagePaths = {folder.dir.string()};
    if (std::string(GetParam().file) == "fifo") {
        ASSERT_EQ(mkfifo(state.imagePaths[0].c_str(), 0600), 0); // reading a FIFO would wait for ever
    }
    EXPECT_FALSE(runHandler(rig.session, [&](Session& s) { setImage(s, state); }));
    EXPECT_TRUE(rig.server.calls().empty());
    EXPECT_EQ(rig.prompter.messages(),
              std::vector<std::string>{"Error 1601: The image file cannot be read: " + state.imagePaths[0] + " " + GetParam().reason});
}

INSTANTIATE_TEST_SUITE_P(Files, SetImageMissingTest,
                         ::testing::Values(MissingCase{"Missing", "FP_blk.hex", "(no such file)"},
                                           MissingCase{"Folder", "", "(a folder, not a file)"},
                                           MissingCase{"Fifo", "fifo", "(not a regular file)"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SetImage, EveryPathTriedIsNamedWhenNoneHoldsTheImage)
{
    ImageFolder folder;
    SessionRig rig;
    TestFunctionState state;
    state.imagePaths = {(folder.dir / "a.hex").string(), (folder.dir / "b.hex").string()};
    EXPECT_FALSE(runHandler(rig.session, [&](Session& s) { setImage(s, state); }));
    EXPECT_EQ(rig.prompter.messages(), std::vector<std::string>{"Error 1601: The image file cannot be read: " +
                                                                state.imagePaths[0] + " (no such file); " +
                                                                state.imagePaths[1] + " (no such file)"});
    // The second path is used when the first is missing.
    std::ofstream(state.imagePaths[1], std::ios::binary) << "IMG";
    setImage(rig.session, state);
    EXPECT_NE(rig.server.onlyPut().find(kImageOpen + "IMG" + kImageClose), std::string::npos);
}

TEST(SetImage, AnImageLargerThanTheLimitIsRefusedUnread)
{
    ImageFolder folder;
    SessionRig rig;
    TestFunctionState state;
    state.imagePaths = {folder.write("")};
    std::filesystem::resize_file(state.imagePaths[0], kImageLimit + 1);
    EXPECT_FALSE(runHandler(rig.session, [&](Session& s) { setImage(s, state); }));
    EXPECT_TRUE(rig.server.calls().empty());
    ASSERT_EQ(rig.prompter.messages().size(), 1u);
    EXPECT_NE(rig.prompter.messages()[0].find("larger than 8 MiB"), std::string::npos) << rig.prompter.messages()[0];
}

} // namespace
