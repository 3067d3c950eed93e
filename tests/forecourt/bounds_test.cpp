// What the simulated site takes and keeps: values over a member's bound are
// refused with error 1007 and change nothing; the paper, the queues, the
// screen and the car wash keep within their bounds and count what they let go.
#include "largest_site.h"

#include "forecourt/customer.h"
#include "forecourt/forecourt_server.h"
#include "forecourt/site_bounds.h"
#include "server/conversions.h"
#include "server/records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

using namespace vantrel;
using namespace vantrel::forecourt;

namespace {

struct Site {
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    ForecourtServer server{clock};

    void put(const char* member, const std::string& value) { server.put(member, Value::string(value)); }
    std::string text(const char* member) { return toText(server.get(member, std::nullopt)); }
    Reader& reader(int n) { return server.readers().reader(n); }
};

std::string printRecord(const std::string& message)
{
    return "ReaderPosition=03\r\nJob=Receipt\r\nMessage=" + message + "\r\n" + '\0';
}

// A record for `member` of exactly `size` bytes.
std::string recordOfSize(const std::string& member, std::size_t size)
{
    std::string head = member == "KeyPadConfiguration" ? "ReaderPosition=01\r\nKeyData=" : "ReaderPosition=01\r\nMessage=";
    const std::string tail = member == "KeyPadConfiguration" ? std::string("\n") + '\0' : std::string("\r\n") + '\0';
    head.append(size - head.size() - tail.size(), 'x');
    return head + tail;
}

struct SizeCase {
    const char* name;
    const char* member;
    std::size_t size;
    int error; // 0: taken
    const char* bound; // named in the description
};

class MemberValueSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(MemberValueSize, IsTakenUpToItsBoundAndRefusedBeyondWithNothingChanged)
{
    const SizeCase& c = GetParam();
    Site s;
    SiteState before = s.server.siteState(1);
    const std::string record = recordOfSize(c.member, c.size);
    ASSERT_EQ(record.size(), c.size);
    try {
        s.put(c.member, record);
        EXPECT_EQ(c.error, 0) << "taken";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), c.error) << e.description();
        EXPECT_NE(e.description().find(c.bound), std::string::npos) << e.description();
        SiteState after = s.server.siteState(1);
        after.version = before.version;
        EXPECT_EQ(after, before) << "a refused value changes nothing";
    }
}

const SizeCase kSizeCases[] = {
    {"PrintAtTheValueBound", "PrintOutput", kLargestValue, 0, ""},
    {"PrintOverTheValueBound", "PrintOutput", kLargestValue + 1, 1007, "at most 1,048,576 bytes, not 1,048,577"},
    {"DisplayAtItsBound", "DisplayData", kLargestDisplayRecord, 0, ""},
    {"DisplayOverItsBound", "DisplayData", kLargestDisplayRecord + 1, 1007, "DisplayData takes at most 65,536 bytes"},
    {"KeypadAtItsBound", "KeyPadConfiguration", kLargestKeypadRecord, 0, ""},
    {"KeypadOverItsBound", "KeyPadConfiguration", kLargestKeypadRecord + 1, 1007, "at most 4,096 bytes"},
};
void PrintTo(const SizeCase& c, std::ostream* out) { *out << c.name; }

INSTANTIATE_TEST_SUITE_P(Bounds, MemberValueSize, ::testing::ValuesIn(kSizeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SiteBounds, AnXmlPacketOverItsBoundIsRefused)
{
    Site s;
    const std::string xml = "<DisplayCommand>" + std::string(kLargestXmlPacket, ' ') + "</DisplayCommand>";
    try {
        s.put("PacketQueOutput", rec::packetRecord("04", xml));
        FAIL() << "taken";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), 1007);
        EXPECT_NE(e.description().find("at most 131,072 bytes"), std::string::npos) << e.description();
    }
    EXPECT_TRUE(s.reader(4).packetQueue.empty());
    EXPECT_TRUE(s.reader(4).lastXml.empty());
}

TEST(SiteBounds, ACustomerActionOverItsBoundIsRefused)
{
    Site s;
    const std::string keys(kLongestCustomerAction, '1');
    EXPECT_THROW(actAsCustomer(s.server, "key 5 " + keys), CustomerError);
    EXPECT_TRUE(s.reader(5).keyQueue.empty());
}

TEST(PaperBound, KeepsTheNewestReceiptsAndCountsEveryLineLetGo)
{
    Site s;
    const std::string receipt = "Vantrel\r\n" + std::string(180, '-') + "\r\nLastLine !\r\n\r\n";
    const int receipts = 2000;
    for (int i = 0; i < receipts; ++i)
        s.put("PrintOutput", printRecord(std::to_string(i) + " " + receipt));
    const Paper& paper = s.reader(3).paper;
    EXPECT_LE(paper.bytes(), kPaperBytes);
    EXPECT_LE(paper.items.size(), kPaperItems);
    EXPECT_GT(paper.droppedItems, 0u);
    std::uint64_t kept = 0;
    for (const auto& item : paper.items)
        kept += item.lines();
    const std::uint64_t printed = std::uint64_t(receipts) * PrintedItem::linesIn(s.reader(3).paper.items.back().text);
    EXPECT_EQ(kept + paper.droppedLines, printed);
    EXPECT_EQ(paper.items.back().text.substr(0, 5), "1999 ") << "the newest receipt is kept";
}

TEST(PaperBound, AReceiptLongerThanThePaperKeepsItsEndFromALineStart)
{
    Site s;
    std::string message;
    for (int line = 0; message.size() < 2 * kPaperBytes; ++line)
        message += "line " + std::to_string(line) + "\r\n";
    s.put("PrintOutput", printRecord(message));
    const Paper& paper = s.reader(3).paper;
    ASSERT_EQ(paper.items.size(), 1u);
    EXPECT_LE(paper.bytes(), kPaperBytes);
    EXPECT_TRUE(paper.items[0].text.starts_with("line ")) << "cut at a line start";
    // Every line of the message, and the feed of the record's last CR LF.
    const auto lines = static_cast<std::uint64_t>(std::count(message.begin(), message.end(), '\n'));
    EXPECT_EQ(paper.droppedLines + paper.items[0].lines(), lines + 1);
}

TEST(QueueBound, AFullQueueDropsWhatComesAndKeepsItsTop)
{
    Site s;
    const std::string top = s.text("CashInQue");
    for (std::size_t i = 0; i < kQueueEntries + 10; ++i)
        actAsCustomer(s.server, "cash 2 1.00");
    EXPECT_EQ(s.reader(2).cashQueue.size(), kQueueEntries);
    EXPECT_EQ(s.reader(2).droppedEntries[static_cast<std::size_t>(QueueKind::Cash)], 12u); // two were there at start
    EXPECT_EQ(s.text("CashInQue"), top);
    const SiteState state = s.server.siteState(2);
    EXPECT_EQ(state.reader.queues[static_cast<std::size_t>(QueueKind::Cash)].dropped, 12u);
}

TEST(QueueBound, AnErrorQuotingALongValueIsCutAndTheQueueKeepsItsBytes)
{
    Site s;
    const std::string count(100000, '9');
    for (int i = 0; i < 400; ++i)
        s.put("BeeperControl", "ReaderPosition=06\nBeepCounts=x" + count + "\n" + '\0');
    const auto& errors = s.reader(6).errorQueue;
    ASSERT_FALSE(errors.empty());
    EXPECT_LT(errors.front().size(), kQueuedErrorDetail + 200);
    EXPECT_NE(errors.front().find("... (100003 bytes)"), std::string::npos) << errors.front();
    const std::size_t bytes =
        std::accumulate(errors.begin(), errors.end(), std::size_t(0), [](std::size_t n, const auto& e) { return n + e.size(); });
    EXPECT_LE(bytes, kQueueBytes);
    EXPECT_EQ(errors.size() + s.reader(6).droppedEntries[static_cast<std::size_t>(QueueKind::Error)], 400u);
}

TEST(ScreenBound, AMessageOfManyLinesKeepsTheFirstTextsAndCountsTheRest)
{
    Site s;
    const std::string lines(40000, '\n');
    s.put("DisplayData", "ReaderPosition=01\r\nMessage=" + lines + "x\r\n" + '\0');
    const ScreenModel& screen = s.reader(1).screen;
    ASSERT_EQ(screen.texts.size(), kScreenTexts);
    EXPECT_EQ(screen.texts.back().line, static_cast<int>(kScreenTexts) - 1);
    EXPECT_EQ(screen.droppedParts, 40001u - kScreenTexts);
    s.put("DisplayData", std::string("ReaderPosition=01\r\nMessage=HELLO\r\n") + '\0');
    EXPECT_EQ(s.reader(1).screen.droppedParts, 0u) << "counts the message on show";
}

TEST(ScreenBound, AFontNameLongerThanTheDisplayTakesIsNoFontSequence)
{
    Site s;
    const std::string name(kLongestFontName + 1, 'n');
    s.put("DisplayData", "ReaderPosition=01\r\nMessage=\x1b" "F\"" + name + "\"12A\r\n" + '\0');
    const ScreenModel& screen = s.reader(1).screen;
    ASSERT_FALSE(screen.sequences.empty());
    EXPECT_EQ(screen.sequences.front().kind, EscapeSequence::Kind::Unknown);
    for (const auto& t : screen.texts)
        EXPECT_TRUE(t.fontName.empty());
}

TEST(WashBound, KeepsTheNewestCodesAndTheReportCountsThemAll)
{
    Site s;
    const std::string getCode = std::string("RequestCarWashCode\r\nProgramNumber=01\r\nPriceLevel=01\r\nOptionCount=0\r\n") + '\0';
    for (std::size_t i = 0; i < kWashCodes + 5; ++i)
        s.put("CarWashInformationRequest", getCode);
    const std::string newest = s.text("CarWashDataRead").substr(12, 6);
    const SiteState state = s.server.siteState(1);
    EXPECT_EQ(state.carWash.codes.size(), kWashCodes);
    EXPECT_EQ(state.carWash.droppedCodes, 5u);
    EXPECT_EQ(state.carWash.codes.back().code, newest);
    s.put("CarWashInformationRequest", std::string("ReturnReportData\r\n") + '\0');
    EXPECT_TRUE(s.text("CarWashDataRead").starts_with("CodesIssued=1005\r\nCodesUnused=1005\r\n")) << s.text("CarWashDataRead");
}

// Everything at once, through the doors a client uses: every bound holds.
TEST(LargestSite, EveryPartStaysWithinItsBound)
{
    Site s;
    test::SiteDoors doors{[&](const char* member, const std::string& value) {
                              try {
                                  s.put(member, value);
                                  return true;
                              } catch (const AutomationError&) {
                                  return false;
                              }
                          },
                          [&](const std::string& action) {
                              try {
                                  actAsCustomer(s.server, action);
                                  return true;
                              } catch (const CustomerError&) {
                                  return false;
                              }
                          }};
    // The bad beep counts queue errors and are no refusals.
    EXPECT_EQ(test::fillToBounds(doors, 1), 0);
    const SiteState state = s.server.siteState(1);
    EXPECT_LE(state.reader.paper.bytes(), kPaperBytes);
    EXPECT_GT(state.reader.paper.droppedLines, 0u);
    EXPECT_EQ(state.reader.screen.texts.size(), kScreenTexts);
    EXPECT_GT(state.reader.screen.droppedParts, 0u);
    EXPECT_GT(state.reader.screen.droppedXml, 0u);
    for (const auto& q : state.reader.queues) {
        EXPECT_GT(q.dropped, 0u) << q.name;
        EXPECT_LE(q.entries.size(), kQueueEntries) << q.name;
    }
    EXPECT_EQ(state.carWash.codes.size(), kWashCodes);
}

} // namespace
