// Where a D-Bus automation server is reached: a bus name on the session
// bus, the system bus, or a bus at an explicit address (a private
// dbus-daemon, or a socket forwarded from a site controller). Written on
// the command line as
//   dbus                      Vantrel.Application on the session bus
//   dbus:NAME                 NAME on the session bus
//   dbus:NAME@session | @system
//   dbus:NAME@ADDRESS         ADDRESS a D-Bus address: unix:path=/run/site.sock
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantrel::dbus {

struct Endpoint {
    enum class Bus { Session, System, Address };

    std::string busName;
    Bus bus = Bus::Session;
    std::string address; // with Bus::Address only

    bool operator==(const Endpoint&) const = default;
};

// nullopt when the text is not one of the forms above or the name is not a bus name.
std::optional<Endpoint> parseServerSpec(std::string_view spec);

// "Vantrel.Application on the session bus", "... at unix:path=/tmp/x".
std::string describe(const Endpoint& endpoint);

// A well-known ("Vantrel.Application") or unique (":1.42") bus name.
bool isValidBusName(std::string_view name);

} // namespace vantrel::dbus
