// The ssh side of an endpoint written `dbus:NAME@ssh:[USER@]HOST`: which
// targets are taken, and the one command line that carries the far
// machine's system bus to us (ssh_relay.h runs it, once per connection).
//
//   ssh -xT -o BatchMode=yes -o ConnectTimeout=10 ... [VANTREL_SSH_OPTIONS] -- [USER@]HOST
//       env SYSTEMD_LOG_TARGET=console systemd-stdio-bridge
//
// BatchMode: ssh never asks for a password or a host key's confirmation, it
// fails with its own message instead (keys or an agent are the way in), and
// ConnectTimeout and the keep-alives bound how long an unreachable host or
// a dead link holds a caller. The far bridge writes its own errors to
// standard error (by default it logs to the far journal, where the user
// never sees them), and `env` runs it under any login shell and says so when
// it is not installed there.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantrel::dbus {

// "ssh:" + target, the address form of an ssh endpoint.
inline constexpr std::string_view kSshScheme = "ssh:";
// Extra ssh options, split at spaces ("-F /path/config", "-i key -p 2222").
inline constexpr const char* kSshOptionsVariable = "VANTREL_SSH_OPTIONS";
// The far command in place of systemd-stdio-bridge (tests point it at a
// private bus: "systemd-stdio-bridge --bus-path=unix:path=/tmp/x").
inline constexpr const char* kSshBridgeVariable = "VANTREL_SSH_BRIDGE";
inline constexpr std::string_view kDefaultBridge = "systemd-stdio-bridge";

// [USER@]HOST: a host name, IPv4 or IPv6 address or ssh config alias, and
// a user name; neither starts with '-', so that no target reads as an option.
bool isValidSshTarget(std::string_view target);

// The command line above for `target`, with the options and bridge of the
// environment as it is now.
std::vector<std::string> sshCommand(std::string_view target);

} // namespace vantrel::dbus
