#include "server_choice.h"

#include "dbus/dbus_client.h"
#include "forecourt/forecourt_server.h"
#include "server/automation_registry.h"

namespace vantrel {

namespace {

// The embedded server; on virtual time each creation gets a clock of its own
// at zero, and the advance moves the clock of the latest.
ServerChoice embedded(AutomationRegistry& registry, bool virtualTime)
{
    ServerChoice choice{forecourt::kProgId, std::string(forecourt::kProgId) + " (embedded)", {}};
    if (virtualTime) {
        auto current = std::make_shared<std::shared_ptr<forecourt::ManualClock>>();
        registry.add(forecourt::kProgId, [current] {
            *current = std::make_shared<forecourt::ManualClock>();
            return std::make_unique<forecourt::ForecourtServer>(*current);
        });
        choice.advance = [current](std::chrono::milliseconds by) {
            if (*current)
                (*current)->advance(by);
        };
    }
    return choice;
}

std::optional<ServerChoice> overDBus(AutomationRegistry& registry, const std::string& spec,
                                     std::chrono::milliseconds timeout, bool virtualTime, std::string& reason)
{
    const auto endpoint = dbus::parseServerSpec(spec);
    if (!endpoint) {
        reason = "--server " + spec + ": write " + dbus::kServerForms;
        return std::nullopt;
    }
    ServerChoice choice{spec, dbus::describe(*endpoint), {}};
    auto current = std::make_shared<dbus::DBusClient*>(nullptr);
    auto onWait = choice.onWait;
    registry.add(spec, [endpoint = *endpoint, timeout, virtualTime, current, onWait]() -> std::unique_ptr<AutomationObject> {
        auto client = std::make_unique<dbus::DBusClient>(endpoint, timeout);
        client->setWaitHook([onWait](bool waiting, std::string_view member) {
            if (*onWait)
                (*onWait)(waiting, member);
        });
        // A script run starts every script on a simulated site fresh at its start.
        if (virtualTime && client->hasVirtualClock())
            client->reset();
        *current = client.get();
        return client;
    });
    if (virtualTime)
        choice.advance = [current](std::chrono::milliseconds by) {
            if (*current && (*current)->hasVirtualClock())
                (*current)->advance(by);
        };
    return choice;
}

} // namespace

std::optional<ServerChoice> chooseServer(AutomationRegistry& registry, const std::string& spec,
                                         std::chrono::milliseconds timeout, bool virtualTime, std::string& reason)
{
    forecourt::registerForecourtServer(registry);
    if (spec == "dbus" || spec.rfind("dbus:", 0) == 0)
        return overDBus(registry, spec, timeout, virtualTime, reason);
    if (spec == forecourt::kProgId)
        return embedded(registry, virtualTime);
    // Another registered identifier: created by name; start-up reports it if there is none.
    return ServerChoice{spec, spec, {}};
}

} // namespace vantrel
