// The faults on the board: the words each device shows under its red mark,
// read from the site's fault lines; the menu a device offers, in the words
// of a fault line; and what a right click lands on.
#include "board/board_faults.h"
#include "board/board_layout.h"
#include "board/board_view.h"
#include "forecourt/forecourt_server.h"

#include "support/case_names.h"

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::board;
using namespace vantrel::forecourt;
using vantrel::test_names::ByName;

namespace {

struct MarkCase {
    const char* name;
    std::vector<const char*> faults;
    std::string (*shown)(const BoardView& view); // the words where the device shows them
    const char* words;
};

std::string tile3(const BoardView& v) { return v.tiles[2].fault; }
std::string tile4(const BoardView& v) { return v.tiles[3].fault; }
std::string reader(const BoardView& v) { return v.reader.fault; }
std::string tank2(const BoardView& v) { return v.gauges[1].fault; }
std::string wash(const BoardView& v) { return v.wash.fault; }
std::string sign(const BoardView& v) { return v.sign.fault; }
std::string members(const BoardView& v)
{
    std::string all;
    for (const auto& f : v.memberFaults)
        all += (all.empty() ? "" : "; ") + f;
    return all;
}

class FaultMark : public ::testing::TestWithParam<MarkCase> {};

TEST_P(FaultMark, ShowsTheFaultsWordsOnItsDevice)
{
    ForecourtServer site(std::make_shared<ManualClock>());
    for (const char* f : GetParam().faults)
        site.setFault(f);
    const BoardView view = boardView(site.siteState(3), 3);
    EXPECT_EQ(GetParam().shown(view), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, FaultMark,
    ::testing::Values(MarkCase{"Pump", {"position 3 stop-at 5", "position 3 offline"}, tile3, "offline, stop-at 5.00"},
                      MarkCase{"OtherPumpUnmarked", {"position 3 stall"}, tile4, ""},
                      MarkCase{"PumpError", {"position 3 error 42"}, tile3, "error 42"},
                      MarkCase{"ReaderAtTheSelection", {"reader 3 paper-out", "reader 3 decline"}, reader, "paper-out, decline"},
                      MarkCase{"ReaderElsewhere", {"reader 4 jam"}, reader, ""},
                      MarkCase{"Tank", {"tank 2 water", "tank 2 low"}, tank2, "low, water"},
                      MarkCase{"Wash", {"wash out-of-order"}, wash, "out-of-order"},
                      MarkCase{"Sign", {"member PriceSignDataRead slow 80", "member PriceSignDataSend error 1501 2",
                                        "member CardQue slow 100"}, sign, "read slow 80, send error 1501 2"},
                      MarkCase{"OtherMembers", {"member PriceSignDataRead slow 50", "member CardQue slow 100"}, members,
                               "CardQue slow 100"},
                      MarkCase{"NoFault", {}, tile3, ""}),
    ByName());

TEST(FaultMenu, OffersEachFaultOfTheDeviceInTheWordsOfAFaultLine)
{
    FaultCommand pump;
    pump.device = FaultDevice::Position;
    pump.number = 3;
    const auto items = faultMenu(pump, {"position 3 stall", "position 4 offline"});
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].caption, "Offline: answers no call");
    EXPECT_EQ(items[0].fault, "position 3 offline");
    EXPECT_FALSE(items[0].set); // position 4's, not this one's
    EXPECT_EQ(items[1].fault, "position 3 stall");
    EXPECT_TRUE(items[1].set);
    EXPECT_EQ(items[2].fault, "position 3 stop-at");
    EXPECT_EQ(items[2].ask, "Amount the sale stops at (such as 5 or 12.50)");
    EXPECT_EQ(items[3].fault, "position 3 error");
    EXPECT_EQ(items[4].caption, "Clear the faults of position 3");
    EXPECT_EQ(items[4].fault, "clear position 3");
    EXPECT_TRUE(items[4].set); // there is something to clear
    // Every item reads as a fault line once its value is given.
    for (const auto& item : items)
        EXPECT_TRUE(parseFaultCommand(item.fault + (item.ask.empty() ? "" : " 7")).command) << item.fault;
}

TEST(FaultMenu, AMembersItemsNameIt)
{
    FaultCommand member;
    member.device = FaultDevice::Member;
    member.member = "PriceSignDataSend";
    const auto items = faultMenu(member, {});
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].caption, "PriceSignDataSend fails with an error\u2026");
    EXPECT_EQ(items[0].fault, "member PriceSignDataSend error");
    EXPECT_EQ(items[1].fault, "member PriceSignDataSend slow");
    EXPECT_EQ(items[2].fault, "clear member PriceSignDataSend");
    EXPECT_FALSE(items[2].set); // nothing to clear
}

// A right click finds the device under it at every scale the board is drawn at.
TEST(CanvasSpots, FindTheDeviceUnderAPoint)
{
    for (const Size canvas : {Size{1240, 720}, Size{900, 560}, Size{1080, 1700}}) {
        const CanvasLayout l = canvasLayout(canvas);
        const DeviceSpots spots = deviceSpots(l.devices, kTankCount);
        auto at = [&](const Rect& r) { return spotAt(l, kTankCount, (r.x + r.width / 2) * l.scale, (r.y + r.height / 2) * l.scale); };
        EXPECT_EQ(at(l.tiles[6]), (CanvasSpot{CanvasSpot::Kind::Pump, 7}));
        EXPECT_EQ(at(l.reader), (CanvasSpot{CanvasSpot::Kind::Reader, 0}));
        ASSERT_EQ(spots.tanks.size(), 3u);
        EXPECT_EQ(at(spots.tanks[1]), (CanvasSpot{CanvasSpot::Kind::Tank, 2}));
        EXPECT_EQ(at(spots.wash), (CanvasSpot{CanvasSpot::Kind::Wash, 0}));
        EXPECT_EQ(at(spots.sign), (CanvasSpot{CanvasSpot::Kind::Sign, 0}));
        EXPECT_TRUE(l.devices.contains(spots.sign)) << describe(spots.sign) << " in " << describe(l.devices);
        EXPECT_EQ(spotAt(l, kTankCount, (l.devices.x + 2) * l.scale, (l.devices.y + 2) * l.scale), CanvasSpot{});
    }
}

} // namespace
