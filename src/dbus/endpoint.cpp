#include "endpoint.h"

#include "ssh_command.h"
#include "ssh_relay.h"
#include "wire_contract.h"

#include <cstdio>
#include <system_error>

namespace vantrel::dbus {

namespace {
bool isNameChar(char c, bool unique)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '-' || (c >= '0' && c <= '9') ||
           (unique && c == ':');
}
} // namespace

bool isValidBusName(std::string_view name)
{
    if (name.empty() || name.size() > 255)
        return false;
    const bool unique = name.front() == ':';
    if (unique)
        name.remove_prefix(1);
    int elements = 0;
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t dot = std::min(name.find('.', start), name.size());
        const std::string_view element = name.substr(start, dot - start);
        if (element.empty())
            return false;
        if (!unique && element.front() >= '0' && element.front() <= '9')
            return false;
        for (const char c : element)
            if (!isNameChar(c, false))
                return false;
        ++elements;
        start = dot + 1;
    }
    return elements >= 2;
}

std::optional<Endpoint> parseServerSpec(std::string_view spec)
{
    constexpr std::string_view scheme = "dbus";
    if (spec.substr(0, scheme.size()) != scheme)
        return std::nullopt;
    spec.remove_prefix(scheme.size());
    Endpoint endpoint{kDefaultBusName, Endpoint::Bus::Session, {}};
    if (spec.empty())
        return endpoint;
    if (spec.front() != ':')
        return std::nullopt;
    spec.remove_prefix(1);
    // Bus names never hold '@', so the first one ends the name.
    const std::size_t at = spec.find('@');
    endpoint.busName = std::string(spec.substr(0, at));
    if (!isValidBusName(endpoint.busName))
        return std::nullopt;
    if (at != std::string_view::npos) {
        const std::string_view where = spec.substr(at + 1);
        if (where == "session") {
            endpoint.bus = Endpoint::Bus::Session;
        } else if (where == "system") {
            endpoint.bus = Endpoint::Bus::System;
        } else {
            // A D-Bus address is transport:key=value[,key=value][;...]; ssh:[USER@]HOST is ours.
            const std::size_t colon = where.find(':');
            const bool ssh = where.substr(0, kSshScheme.size()) == kSshScheme;
            if (ssh ? !isValidSshTarget(where.substr(kSshScheme.size()))
                    : colon == std::string_view::npos || colon == 0 || where.find('=') == std::string_view::npos)
                return std::nullopt;
            endpoint.bus = Endpoint::Bus::Address;
            endpoint.address = std::string(where);
        }
    }
    return endpoint;
}

std::string describe(const Endpoint& endpoint)
{
    switch (endpoint.bus) {
    case Endpoint::Bus::Session: return endpoint.busName + " on the session bus";
    case Endpoint::Bus::System: return endpoint.busName + " on the system bus";
    case Endpoint::Bus::Address: break;
    }
    if (const std::string_view target = sshTarget(endpoint); !target.empty())
        return endpoint.busName + " on the system bus of " + std::string(target) + " (over ssh)";
    return endpoint.busName + " at " + endpoint.address;
}

std::string_view sshTarget(const Endpoint& endpoint)
{
    const std::string_view address = endpoint.address;
    if (endpoint.bus != Endpoint::Bus::Address || address.substr(0, kSshScheme.size()) != kSshScheme)
        return {};
    return address.substr(kSshScheme.size());
}

std::string localAddress(const Endpoint& endpoint)
{
    if (endpoint.bus != Endpoint::Bus::Address)
        return {};
    const std::string_view target = sshTarget(endpoint);
    if (target.empty())
        return endpoint.address;
    try {
        return sshRelayAddress(target);
    } catch (const std::system_error& error) {
        std::fprintf(stderr, "cannot reach %s over ssh: %s\n", std::string(target).c_str(), error.what());
        return "unix:path=/nonexistent/vantrel-ssh-relay";
    }
}

} // namespace vantrel::dbus
