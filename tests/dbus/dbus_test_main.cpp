// Test main of the D-Bus tests: a QCoreApplication, no display needed.
// Run as "dbus_tests --probe ADDRESS" it is the caller of the policy test:
// one put to Vantrel.Application on that bus, printing "ok" or the number.
#include "dbus/dbus_client.h"

#include "server/automation_error.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstring>
#include <iostream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--probe") == 0) {
        using namespace vantrel;
        try {
            dbus::DBusClient client({dbus::kDefaultBusName, dbus::Endpoint::Bus::Address, argv[2]},
                                    std::chrono::milliseconds(5000));
            client.put("Stop", Value::string("07"));
            std::cout << "ok\n";
        } catch (const AutomationError& e) {
            std::cout << e.number() << " " << e.description() << "\n";
        }
        return 0;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
