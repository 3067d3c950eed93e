#include "server_choice.h"

#include "dbus/dbus_client.h"
#include "forecourt/forecourt_server.h"
#include "forecourt/site_file.h"
#include "server/automation_registry.h"

namespace vantrel {

namespace {

// The embedded server; on virtual time each creation gets a clock of its own
// at zero, and the advance moves the clock of the latest. With a site file's
// site, each creation is made on it.
ServerChoice embedded(AutomationRegistry& registry, bool virtualTime, const forecourt::SiteConfig* site)
{
    ServerChoice choice{forecourt::kProgId, std::string(forecourt::kProgId) + " (embedded)", {}};
    auto config = site ? std::make_shared<const forecourt::SiteConfig>(*site) : nullptr;
    if (config && !virtualTime)
        registry.add(forecourt::kProgId, [config] {
            auto server = std::make_unique<forecourt::ForecourtServer>();
            forecourt::applySite(*server, *config);
            return server;
        });
    if (virtualTime) {
        auto current = std::make_shared<std::shared_ptr<forecourt::ManualClock>>();
        registry.add(forecourt::kProgId, [current, config] {
            *current = std::make_shared<forecourt::ManualClock>();
            auto server = std::make_unique<forecourt::ForecourtServer>(*current);
            if (config)
                forecourt::applySite(*server, *config);
            return server;
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
                                         std::chrono::milliseconds timeout, bool virtualTime, std::string& reason,
                                         const forecourt::SiteConfig* site)
{
    forecourt::registerForecourtServer(registry);
    if (site && spec != forecourt::kProgId) {
        reason = "--site sets up the embedded simulator's site, not that of " + spec +
                 " (give the site file to vantrel-forecourt --site)";
        return std::nullopt;
    }
    if (spec == "dbus" || spec.rfind("dbus:", 0) == 0)
        return overDBus(registry, spec, timeout, virtualTime, reason);
    if (spec == forecourt::kProgId)
        return embedded(registry, virtualTime, site);
    // Another registered identifier: created by name; start-up reports it if there is none.
    return ServerChoice{spec, spec, {}};
}

} // namespace vantrel
