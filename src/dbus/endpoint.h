// Where a D-Bus automation server is reached: a bus name on the session
// bus, the system bus, or a bus at an explicit address (a private
// dbus-daemon, or a socket forwarded from a site controller). Written on
// the command line as
//   dbus                      Vantrel.Application on the session bus
//   dbus:NAME                 NAME on the session bus
//   dbus:NAME@session | @system
//   dbus:NAME@ADDRESS         ADDRESS a D-Bus address: unix:path=/run/site.sock
//   dbus:NAME@ssh:[USER@]HOST the system bus of HOST, over ssh (ssh_relay.h)
// The ssh form is kept as an address, "ssh:[USER@]HOST", which no D-Bus
// library opens: every caller opens localAddress(endpoint) instead.
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

// The forms above, as messages and help texts name them.
inline constexpr const char* kServerForms =
    "dbus, dbus:NAME, dbus:NAME@system, dbus:NAME@ADDRESS or dbus:NAME@ssh:[USER@]HOST";

// nullopt when the text is not one of the forms above or the name is not a bus name.
std::optional<Endpoint> parseServerSpec(std::string_view spec);

// "Vantrel.Application on the session bus", "... at unix:path=/tmp/x".
std::string describe(const Endpoint& endpoint);

// A well-known ("Vantrel.Application") or unique (":1.42") bus name.
bool isValidBusName(std::string_view name);

// "[USER@]HOST" of an endpoint written with @ssh:, else empty.
std::string_view sshTarget(const Endpoint& endpoint);

// The plain D-Bus address a client (QtDBus, libdbus) opens for an endpoint
// at an address: the address itself, or for the ssh form the socket of its
// local relay, started on first use. Empty for the session and system buses,
// which each library opens by their kind. Where the relay cannot start (no
// folder for its socket) it says why on standard error and the address it
// gives cannot be opened, so the connect fails.
std::string localAddress(const Endpoint& endpoint);

} // namespace vantrel::dbus
