// The board's view model from simulator states: what each pump tile, the
// receipt strip, the gauges, the car wash and the price sign say.
#include "board/board_view.h"
#include "forecourt/customer.h"
#include "forecourt/forecourt_server.h"

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::board;
using namespace vantrel::forecourt;

namespace {

struct Site {
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    ForecourtServer server{clock};
    void put(const char* member, const std::string& record) { server.put(member, Value::string(record + '\0')); }
    PositionSnapshot position(int n)
    {
        PositionSnapshots all;
        server.readPositions(all);
        return all[static_cast<std::size_t>(n - 1)];
    }
};

struct TileCase {
    const char* name;
    std::vector<std::string> steps; // "put Member|record", "wait ms", "customer ACTION"
    const char* state;
    Rgb fill;
    const char* hose;
    const char* payment;
    const char* paymentNarrow;
    const char* volume;
    const char* amount;
    double progress;
    std::vector<TilePrice> prices;
};

void play(Site& site, const std::vector<std::string>& steps)
{
    for (const auto& step : steps) {
        if (step.rfind("put ", 0) == 0) {
            const auto bar = step.find('|');
            const std::string member = step.substr(4, bar - 4);
            if (member == "Stop" || member == "PayOutSale") // they take a bare position text
                site.server.put(member, Value::string(step.substr(bar + 1)));
            else
                site.put(member.c_str(), step.substr(bar + 1));
        } else if (step.rfind("wait ", 0) == 0) {
            site.clock->advance(Millis(std::stoi(step.substr(5))));
        } else {
            actAsCustomer(site.server, step.substr(9));
        }
    }
}

class Tile : public ::testing::TestWithParam<TileCase> {};

TEST_P(Tile, SaysWhatThePositionDoes)
{
    const TileCase& c = GetParam();
    Site site;
    play(site, c.steps);
    const TileView t = tileView(site.position(5), false);
    EXPECT_EQ(t.caption, "5");
    EXPECT_EQ(t.state, c.state);
    EXPECT_EQ(t.fill, c.fill) << hexName(t.fill);
    EXPECT_EQ(t.hose, c.hose);
    EXPECT_EQ(t.payment, c.payment);
    EXPECT_EQ(t.paymentNarrow, c.paymentNarrow);
    EXPECT_EQ(t.volume, c.volume);
    EXPECT_EQ(t.amount, c.amount);
    EXPECT_NEAR(t.progress, c.progress, 1e-9);
    ASSERT_EQ(t.prices.size(), c.prices.size());
    for (std::size_t i = 0; i < c.prices.size(); ++i) {
        EXPECT_EQ(t.prices[i].hose, c.prices[i].hose) << i;
        EXPECT_EQ(t.prices[i].tier1, c.prices[i].tier1) << i;
        EXPECT_EQ(t.prices[i].tier2, c.prices[i].tier2) << i;
    }
}

const std::string kPreset = "put Authorize|FuelingPosition=05\r\nHose=2\r\nMOP=1\r\nLimit=001000\r\n";
const std::string kFill = "put Authorize|FuelingPosition=05\r\nHose=0\r\nMOP=F\r\nLimit=999999\r\n";
const std::string kPrice = "put Price|FuelingPosition=05\r\nHose=2\r\nTier1=2.000\r\nTier2=1.900\r\n";

INSTANTIATE_TEST_SUITE_P(States, Tile, ::testing::Values(
    TileCase{"idle", {}, "Idle", {176, 180, 186}, "", "", "", "", "", 0, {{1, "1.000", "1.000"}}},
    TileCase{"calling", {"customer nozzle 5 lift"}, "Calling", {245, 166, 35}, "", "", "", "", "", 0, {{1, "1.000", "1.000"}}},
    TileCase{"authorised", {kPrice, kPreset}, "Authorised", {74, 144, 226}, "Hose 2", "MOP 1  limit 10.00", "MOP 1 10.00", "0.000 l", "0.00", 0,
             {{2, "2.000", "1.900"}}},
    TileCase{"fuelling", {kPrice, kPreset, "wait 4000"}, "Fuelling", {46, 184, 92}, "Hose 2", "MOP 1  limit 10.00", "MOP 1 10.00", "1.000 l", "2.00", 0.2,
             {{2, "2.000", "1.900"}}},
    TileCase{"stopped", {kPreset, "wait 6000", "put Stop|05"}, "Stopped", {200, 50, 50}, "Hose 2", "MOP 1  limit 10.00", "MOP 1 10.00", "2.000 l", "2.00", 0.2,
             {{1, "1.000", "1.000"}}},
    TileCase{"completedAtLimit", {kPreset, "wait 60000"}, "Completed", {155, 89, 182}, "Hose 2", "MOP 1  limit 10.00", "MOP 1 10.00", "10.000 l", "10.00", 1,
             {{1, "1.000", "1.000"}}},
    TileCase{"fillUpHalfway", {kFill, "wait 44500"}, "Fuelling", {46, 184, 92}, "Hose 1", "MOP F  fill-up", "MOP F  fill-up", "21.250 l", "21.25", 0.5,
             {{1, "1.000", "1.000"}}},
    TileCase{"paid", {kPreset, "wait 60000", "put PayOutSale|05"}, "Paid", {26, 160, 160}, "", "", "", "10.000 l", "10.00", 0,
             {{1, "1.000", "1.000"}}},
    // A hose priced on one tier only, the other left at 1.000, is a priced hose.
    TileCase{"pricedOnTier1Only", {"put Price|FuelingPosition=05\r\nHose=3\r\nTier1=2.000\r\nTier2=1.000\r\n"}, "Idle",
             {176, 180, 186}, "", "", "", "", "", 0, {{3, "2.000", "1.000"}}},
    TileCase{"pricedOnTier2Only", {"put Price|FuelingPosition=05\r\nHose=3\r\nTier1=1.000\r\nTier2=1.900\r\n"}, "Idle",
             {176, 180, 186}, "", "", "", "", "", 0, {{3, "1.000", "1.900"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Board, MarksTheSelectedPositionOnly)
{
    Site site;
    const BoardView b = boardView(site.server.siteState(7), 7);
    ASSERT_EQ(b.tiles.size(), 32u);
    for (const auto& t : b.tiles)
        EXPECT_EQ(t.selected, t.number == 7) << t.number;
    EXPECT_EQ(b.reader.caption, "Reader 07");
}

TEST(Board, APositionTheSiteDoesNotHaveIsAPaleTileWithItsWordsAlone)
{
    Site site;
    site.server.fueling().setInstalled(6, false);
    const BoardView b = boardView(site.server.siteState(5), 5);
    const TileView& absent = b.tiles[5];
    EXPECT_FALSE(absent.installed);
    EXPECT_EQ(absent.state, "Not installed");
    EXPECT_EQ(absent.fill, kNotInstalledFill);
    EXPECT_TRUE(absent.prices.empty());
    EXPECT_TRUE(b.tiles[4].installed);
    EXPECT_EQ(b.tiles[4].state, "Idle");
}

TEST(Board, ReaderShowsItsQueuesKeypadEntryAndBeeps)
{
    Site site;
    site.put("KeyPadConfiguration", "ReaderPosition=02\r\nKeyData=123@R456A@789NYL0EHCe\n");
    site.put("KeyEntryType", "ReaderPosition=02\r\nEntryMode=NumericWithEcho\r\n");
    site.put("BeeperControl", "ReaderPosition=02\nBeepCounts=01\n");
    ReaderView r = readerView(site.server.siteState(2).reader);
    EXPECT_EQ(r.keypad, "keypad 123@R456A@789NYL0EHCe");
    EXPECT_EQ(r.entry, "entry NumericWithEcho (waiting for keys)");
    EXPECT_EQ(r.beeps, "1 beep");
    EXPECT_EQ(r.chip, "chip reader disabled");
    ASSERT_EQ(r.queues.size(), 5u);
    EXPECT_EQ(r.queues[2].caption, "Cash (2)");
    EXPECT_EQ(r.queues[2].entries[0], "ReaderPosition=02\xe2\x90\x8d\xe2\x90\x8a" "CashAmount=20.00");
    site.clock->advance(kKeyEntryDelay);
    r = readerView(site.server.siteState(2).reader);
    EXPECT_EQ(r.entry, "entry NumericWithEcho (answered)");
    EXPECT_EQ(r.queues[1].caption, "Key (1)");
}

TEST(Board, ReceiptStripHasLinesFeedsBarsCutsAndSignatures)
{
    Site site;
    site.put("PrintOutput", "ReaderPosition=04\r\nJob=Receipt\r\nMessage=TOTAL 10.00\r\n\r\nSignature ____________\r\n\x1b" "BA1\x03\r\n");
    const auto paper = paperView(site.server.siteState(4).reader.paper);
    // Start mark, 'A' (0x41) and '1' (0x31) a module per bit with a space after each, stop mark.
    const std::string bars = std::string("# ## ") + " #     #" + " " + "  ##   #" + " " + "## #";
    EXPECT_EQ(describePaper(paper), "Receipt | TOTAL 10.00\n"
                                    "Receipt | (feed)\n"
                                    "Receipt | sign: Signature ____________\n"
                                    "Receipt |" + bars + "| A1  (ESC B)\n"
                                    "Receipt | (feed)\n");
    forecourt::Paper cut;
    cut.addText("Footer", "\n\nBYE");
    cut.addCut("Packet");
    EXPECT_EQ(describePaper(paperView(cut)), "Footer | (feed)\nFooter | (feed)\nFooter | BYE\nPacket --- cut ---\n");
}

TEST(Board, GaugesWashAndSign)
{
    Site site;
    site.put("PriceSignDataSend", "Command=SendPrices\r\nLine1=001459\r\nLine3=001399\r\n");
    site.put("CarWashInformationRequest", "RequestCarWashCode\r\nProgramNumber=01\r\nPriceLevel=01\r\nOptionCount=0\r\n");
    site.put("CarWashInformationRequest", "RequestCarWashCode\r\nProgramNumber=02\r\nPriceLevel=01\r\nOptionCount=0\r\n");
    actAsCustomer(site.server, "wash");
    site.clock->advance(Millis(30000));
    const BoardView b = boardView(site.server.siteState(1), 1);
    // The lines not sent are unlit, and say so with dashes.
    EXPECT_EQ(b.sign.lines, (std::vector<SignLine>{{"001459", true}, {"------", false}, {"001399", true}, {"------", false},
                                                   {"------", false}}));
    EXPECT_EQ(b.sign.intensity, "intensity M05");
    EXPECT_EQ(b.wash.status, "Washing 200263, program 01: 150 s left");
    ASSERT_EQ(b.wash.codes.size(), 2u);
    EXPECT_EQ(b.wash.codes[0], "200263  program 01  Used");
    EXPECT_EQ(b.wash.codes[1].substr(6), "  program 02  Unused");
    ASSERT_EQ(b.gauges.size(), 3u);
    EXPECT_EQ(b.gauges[0].caption, "1 Unleaded");
    EXPECT_DOUBLE_EQ(b.gauges[0].fraction, 0.7);
    EXPECT_EQ(b.gauges[0].volume, "21000.0 of 30000 l");
    EXPECT_EQ(b.tankReport, "no report");
}

} // namespace

namespace {
// A tank gauge is red below a tenth of the tank, amber below a quarter,
// blue from a quarter up: one row each side of each threshold.
struct GaugeCase {
    const char* name;
    double volume; // of 30000 l
    Rgb colour;
};

class GaugeColour : public ::testing::TestWithParam<GaugeCase> {};

TEST_P(GaugeColour, ChangesAtATenthAndAQuarter)
{
    const auto gauges = gaugeViews({TankSnapshot{1, "Unleaded", 30000, GetParam().volume, 0, 15}});
    ASSERT_EQ(gauges.size(), 1u);
    EXPECT_EQ(gauges[0].colour, GetParam().colour) << hexName(gauges[0].colour);
}

constexpr Rgb kGaugeRed{214, 69, 65}, kGaugeAmber{245, 166, 35}, kGaugeBlue{46, 140, 200};
INSTANTIATE_TEST_SUITE_P(Levels, GaugeColour,
                         ::testing::Values(GaugeCase{"Empty", 0, kGaugeRed}, GaugeCase{"JustBelowATenth", 2999.9, kGaugeRed},
                                           GaugeCase{"ATenth", 3000, kGaugeAmber},
                                           GaugeCase{"JustBelowAQuarter", 7499.9, kGaugeAmber},
                                           GaugeCase{"AQuarter", 7500, kGaugeBlue}, GaugeCase{"Full", 30000, kGaugeBlue}),
                         [](const auto& info) { return std::string(info.param.name); });

// What the site let go is said on the board, never dropped silently.
TEST(Board, SaysWhatTheSiteDropped)
{
    ReaderSnapshot reader;
    reader.position = 3;
    reader.paper.addText("Receipt", "LastLine !\n");
    reader.paper.droppedItems = 40;
    reader.paper.droppedLines = 1234;
    reader.queues = {{QueueKind::Card, "Card", {"a"}, 25}, {QueueKind::Key, "Key", {}, 0}};
    reader.screen.droppedParts = 7;
    const ReaderView v = readerView(reader);
    EXPECT_EQ(v.paperDropped, "1,234 older receipt lines dropped");
    EXPECT_EQ(v.queues[0].caption, "Card (1, 25 dropped: the queue was full)");
    EXPECT_EQ(v.queues[1].caption, "Key (0)");
    ASSERT_EQ(v.screen.dropped.size(), 1u);
    EXPECT_EQ(v.screen.dropped[0], "7 more texts and sequences not kept (the display keeps 1,024 of each)");

    CarWashSnapshot wash;
    wash.droppedCodes = 1;
    EXPECT_EQ(washView(wash).dropped, "1 older code dropped");
    EXPECT_EQ(readerView(ReaderSnapshot{}).paperDropped, "") << "nothing said when nothing was dropped";
}
} // namespace

namespace {
// A screen font in words: the display's own font says nothing, whatever its style.
struct FontCase {
    const char* name;
    forecourt::FontSpec spec;
    const char* text;
};

class FontText : public ::testing::TestWithParam<FontCase> {};

TEST_P(FontText, NamesSizeAndStyle)
{
    ScreenModel screen;
    forecourt::WindowProperties window;
    window.font = GetParam().spec;
    screen.messageWindow = window;
    const ScreenView v = screenView(screen);
    ASSERT_EQ(v.windows.size(), 1u);
    EXPECT_EQ(fontText(v.windows[0].font), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Fonts, FontText,
                         ::testing::Values(FontCase{"NameSizeBold", {"Tahoma", 12, 1}, "Tahoma 12 bold"},
                                           FontCase{"NameItalic", {"Arial", 0, 2}, "Arial italic"},
                                           FontCase{"SizeBoldItalic", {"", 14, 3}, "14 bold italic"},
                                           FontCase{"DisplaysOwnEvenBold", {"", 0, 1}, ""}),
                         [](const auto& info) { return std::string(info.param.name); });
} // namespace
