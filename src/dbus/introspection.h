// Introspection data generated from a server's member table, so what the
// bus announces is exactly what the server accepts: each put member a
// write-only property ("ay", or "n" for a 16-bit integer), each read a
// method taking no argument or one variant and returning one variant; and
// Vantrel.Simulator with what the server offers of it: the simulated site
// (Customer, ReadSite, the Changed signal) and the virtual clock (Advance,
// Reset).
#pragma once

#include "forecourt/forecourt_server.h"
#include "wire_contract.h"

#include <QString>

#include <span>

namespace vantrel::dbus {

struct SimulatorParts {
    bool site = false;         // a simulated site to read and act on as the customer
    bool virtualClock = false; // a clock that moves only when told
    bool any() const { return site || virtualClock; }
    bool offers(SimulatorPart part) const { return part == SimulatorPart::Clock ? virtualClock : site; }
};

// The <interface> elements of the served interfaces.
QString introspectInterfaces(std::span<const forecourt::MemberInfo> members, SimulatorParts simulator);
// The whole document for org.freedesktop.DBus.Introspectable.Introspect.
QString introspectDocument(std::span<const forecourt::MemberInfo> members, SimulatorParts simulator);

} // namespace vantrel::dbus
