// Every member of the server's interface accepts its documented shape and
// refuses the others with a numbered error.
#include "member_records.h"

#include "forecourt/forecourt_server.h"
#include "server/automation_error.h"

#include <gtest/gtest.h>

#include <set>

using namespace vantrel;
using namespace vantrel::forecourt;

namespace {

template <std::size_t N>
std::string lit(const char (&t)[N]) { return std::string(t, N - 1); }

int errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AutomationError& e) {
        return e.number();
    }
    return 0;
}

// A value of the documented shape that the member accepts on a fresh server.
Value goodValue(const MemberInfo& m)
{
    const std::string name = m.name;
    switch (m.shape) {
    case Shape::PositionText:
    case Shape::PositionTextOrAll: return Value::string("05");
    case Shape::Int16: return Value::int16(1);
    default: break;
    }
    const auto record = test::acceptedRecord(name);
    return record ? Value::string(*record) : Value();
}

class MemberTest : public ::testing::TestWithParam<MemberInfo> {};

// A value of the right shape is accepted; a sale command may still be
// refused for the position's state (nothing to resume on an idle position).
bool shapeAccepted(int error) { return error == 0 || (error >= 1101 && error <= 1103); }

TEST_P(MemberTest, AcceptsDocumentedShape)
{
    ForecourtServer server(std::make_shared<ManualClock>());
    const MemberInfo m = GetParam();
    if (m.access == Access::Put) {
        const int error = errorOf([&] { server.put(m.name, goodValue(m)); });
        if (m.shape == Shape::PositionText)
            EXPECT_TRUE(shapeAccepted(error)) << error;
        else
            EXPECT_EQ(error, 0);
    } else if (m.shape == Shape::PositionArgument) {
        EXPECT_EQ(errorOf([&] { server.get(m.name, Value::int16(5)); }), 0);
        EXPECT_EQ(errorOf([&] { server.call(m.name, Value::real(5)); }), 0);
    } else {
        EXPECT_EQ(errorOf([&] { server.get(m.name, std::nullopt); }), 0);
        EXPECT_EQ(errorOf([&] { server.call(m.name, std::nullopt); }), 0);
    }
}

TEST_P(MemberTest, RefusesOtherShapes)
{
    ForecourtServer server(std::make_shared<ManualClock>());
    const MemberInfo m = GetParam();
    if (m.access == Access::Put) {
        EXPECT_EQ(errorOf([&] { server.get(m.name, std::nullopt); }), 450);
        EXPECT_EQ(errorOf([&] { server.put(m.name, Value::boolean(true)); }), 1001);
        if (m.shape == Shape::Record) {
            EXPECT_EQ(errorOf([&] { server.put(m.name, Value::string("ReaderPosition=05\r\n")); }), 1002);
        }
        if (m.shape == Shape::PositionText) {
            EXPECT_EQ(errorOf([&] { server.put(m.name, Value::string("33")); }), 1003);
            EXPECT_EQ(errorOf([&] { server.put(m.name, Value::string("0")); }), 1003);
        }
        if (m.shape == Shape::Int16) {
            EXPECT_EQ(errorOf([&] { server.put(m.name, Value::string("1")); }), 1001);
        }
    } else {
        EXPECT_EQ(errorOf([&] { server.put(m.name, Value::string("x")); }), 450);
        if (m.shape == Shape::PositionArgument) {
            EXPECT_EQ(errorOf([&] { server.get(m.name, std::nullopt); }), 450);
            EXPECT_EQ(errorOf([&] { server.get(m.name, Value::int16(33)); }), 1003);
            EXPECT_EQ(errorOf([&] { server.get(m.name, Value::int16(0)); }), 1003);
            EXPECT_EQ(errorOf([&] { server.get(m.name, Value::string("05")); }), 1001);
        } else {
            EXPECT_EQ(errorOf([&] { server.get(m.name, Value::int16(1)); }), 450);
        }
    }
}

std::string memberName(const ::testing::TestParamInfo<MemberInfo>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(AllMembers, MemberTest, ::testing::ValuesIn(ForecourtServer::members().begin(),
                                                                     ForecourtServer::members().end()),
                         memberName);

} // namespace

TEST(Members, TheInterfaceIsComplete)
{
    const std::set<std::string> expected = {
        "Authorize", "Deauthorize", "Stop", "Resume", "PayOutSale", "DispenserInformation",
        "FuelingPositionInformation", "Price", "CardQue", "KeyQue", "CashInQue", "PacketQueInput", "ReadErrorQue",
        "QueCountQuery", "ClearTopCardQue", "ClearTopKeyQue", "ClearTopCashQue", "ClearPacketEntry", "ClearErrorQue",
        "DisplayData", "PreloadDisplayMessage", "PrintOutput", "KeyPadConfiguration", "KeyEntryType", "BeeperControl",
        "PacketQueOutput", "ReaderInformation", "SystemVersions", "SelfDiagnosticsReportStatus",
        "SelfDiagnosticsReportStart", "CarWashInformationRequest", "CarWashRequestStatus", "CarWashOperationStatus",
        "CarWashDataRead", "TankMonitorStartReport", "TankMonitorReportStatus", "TankMonitorReport",
        "PriceSignDataSend", "PriceSignDataRead", "ReaderControl", "WindowControl", "InvokeHelpFile"};
    std::set<std::string> actual;
    for (const auto& m : ForecourtServer::members())
        actual.insert(m.name);
    EXPECT_EQ(actual, expected);
}

TEST(Members, UnknownMemberRaises438)
{
    ForecourtServer server(std::make_shared<ManualClock>());
    EXPECT_EQ(errorOf([&] { server.get("NoSuchMember", std::nullopt); }), 438);
    EXPECT_EQ(errorOf([&] { server.put("NoSuchMember", Value::string("x")); }), 438);
}

TEST(Members, StopAcceptsAllPositions)
{
    ForecourtServer server(std::make_shared<ManualClock>());
    EXPECT_EQ(errorOf([&] { server.put("Stop", Value::string("0")); }), 0);
}

TEST(Members, WindowControlRecordsVisibility)
{
    ForecourtServer server(std::make_shared<ManualClock>());
    server.put("WindowControl", Value::string(lit("Hide\r\n\0")));
    EXPECT_FALSE(server.windowVisible());
    server.put("WindowControl", Value::string(lit("Visible\r\n\0")));
    EXPECT_TRUE(server.windowVisible());
    EXPECT_EQ(errorOf([&] { server.put("WindowControl", Value::string(lit("Maybe\r\n\0"))); }), 1006);
}

TEST(Members, InvokeHelpFileReturnsZero)
{
    ForecourtServer server(std::make_shared<ManualClock>());
    EXPECT_EQ(server.call("InvokeHelpFile", std::nullopt), Value::int16(0));
    EXPECT_EQ(server.helpRequests(), 1);
}
