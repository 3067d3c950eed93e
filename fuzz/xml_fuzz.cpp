// XML packets to a reader terminal: whatever the packet holds, the terminal
// answers or refuses it, and the packet queue then reads back cleanly.
#include "forecourt/forecourt_server.h"
#include "server/automation_error.h"
#include "server/records.h"

#include <cstdint>
#include <memory>
#include <string>

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto clock = std::make_shared<forecourt::ManualClock>();
    forecourt::ForecourtServer server(clock);
    std::string xml = "<";
    xml.append(reinterpret_cast<const char*>(data), size);
    try {
        server.put("PacketQueOutput", Value::string(rec::packetRecord("07", xml)));
    } catch (const AutomationError& e) {
        if (e.description().empty())
            __builtin_trap();
    }
    clock->advance(forecourt::Millis(5000));
    for (int i = 0; i < 8; ++i) {
        (void)server.get("PacketQueInput", std::nullopt);
        (void)server.get("ClearPacketEntry", std::nullopt);
    }
    (void)server.get("ReaderInformation", Value::int16(7));
    return 0;
}
