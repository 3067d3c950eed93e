// Introspection data generated from a server's member table, so what the
// bus announces is exactly what the server accepts: each put member a
// write-only property ("ay", or "n" for a 16-bit integer), each read a
// method taking no argument or one variant and returning one variant; the
// Vantrel.Simulator interface when the server runs on a virtual clock.
#pragma once

#include "forecourt/forecourt_server.h"

#include <QString>

#include <span>

namespace vantrel::dbus {

// The <interface> elements of the served interfaces.
QString introspectInterfaces(std::span<const forecourt::MemberInfo> members, bool withSimulator);
// The whole document for org.freedesktop.DBus.Introspectable.Introspect.
QString introspectDocument(std::span<const forecourt::MemberInfo> members, bool withSimulator);

} // namespace vantrel::dbus
