// vantrel-forecourt --site on a private bus: the site the file describes is
// served, and Reset brings that site back, not the usual one.
#include "bus_fixture.h"

#include "dbus/dbus_client.h"
#include "server/automation_error.h"

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::dbus;

TEST(SiteFileOverBus, ResetStartsFromTheSiteFilesSite)
{
    test::PrivateBus bus;
    test::ServiceProcess service{
        bus, {"--virtual-clock", "--quiet", "--site", QString(VANTREL_SITE_EXAMPLES) + "/station.json"}};
    ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
    DBusClient client(bus.endpoint());
    client.put("Price", Value::string(std::string("FuelingPosition=01\r\nSlowdownPoint=15\r\nHose=1\r\nTier1=1111\r\n"
                                                  "Tier2=1111\r\n") + '\0'));
    client.reset();
    const std::string dispenser = client.get("DispenserInformation", Value::int16(1)).asString();
    EXPECT_NE(dispenser.find("Hose1Product=Unleaded 95\r\nHose1Tier1=1.799\r\n"), std::string::npos) << dispenser;
    try {
        client.get("FuelingPositionInformation", Value::int16(5));
        ADD_FAILURE() << "position 5 of a four-pump station answered";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), 1107) << e.description();
    }
    std::string error;
    const auto site = test::readSite(bus, 1, error);
    ASSERT_TRUE(site) << error;
    EXPECT_TRUE(site->positions[3].installed);
    EXPECT_FALSE(site->positions[4].installed);
    ASSERT_EQ(site->tanks.size(), 3u);
    EXPECT_EQ(site->tanks[1].product, "Super 98");
    EXPECT_EQ(site->signIntensity, "M06");
}
