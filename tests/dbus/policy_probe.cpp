// The caller of the policy test, run as "dbus_tests --probe ADDRESS": one
// put to Vantrel.Application on that bus, printing "ok" or the number and
// description of the error.
#include "dbus/dbus_client.h"

#include "server/automation_error.h"
#include "support/main_command.h"

#include <iostream>

namespace {

int probe(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: " << argv[0] << " --probe ADDRESS\n";
        return 2;
    }
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

const vantrel::test::MainCommand probeCommand{"--probe", probe};

} // namespace
