// The embedded server's record parsers: the first byte picks a member that
// takes a record, the rest is the record. Any input is either acted on or
// refused with a numbered error; nothing else may escape.
#include "forecourt/forecourt_server.h"
#include "server/automation_error.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::vector<std::string> members = [] {
        std::vector<std::string> names;
        for (const auto& m : forecourt::ForecourtServer::members())
            if (m.access == Access::Put && m.shape != forecourt::Shape::Int16)
                names.emplace_back(m.name);
        return names;
    }();
    if (size < 1)
        return 0;
    auto clock = std::make_shared<forecourt::ManualClock>();
    forecourt::ForecourtServer server(clock);
    const std::string& member = members[data[0] % members.size()];
    const std::string record(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        server.put(member, Value::string(record));
        clock->advance(forecourt::Millis(5000));
        for (const auto& m : forecourt::ForecourtServer::members()) {
            if (m.access != Access::Get)
                continue;
            if (m.shape == forecourt::Shape::PositionArgument)
                (void)server.get(m.name, Value::int16(1 + static_cast<std::int16_t>(data[0] % 32)));
            else
                (void)server.get(m.name, std::nullopt);
        }
    } catch (const AutomationError& e) {
        if (e.description().empty())
            __builtin_trap();
    }
    return 0;
}
