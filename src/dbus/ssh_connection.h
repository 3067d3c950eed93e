// One connection of the ssh relay (ssh_relay.h): a child `ssh ... HOST
// systemd-stdio-bridge` with its standard input and output on a socket pair
// and its standard error on a pipe, and the bytes carried both ways until
// either side ends.
//
//   client ⇄ [buffer, 1 MiB each way: reading pauses beyond] ⇄ ssh
//   ssh's standard error -> kept (the first 4 KiB), for the failure text
//
// Until the far side has sent its first byte the client's bytes are also
// kept: if ssh ends before that, the far bus never saw the client, and the
// stand-in (ssh_stand_in.h) answers that authentication and Hello with ssh's
// message. Once the far side has spoken, its end closes the client's
// connection, which QtDBus and libdbus report as the bus gone.
//
// A far side that says nothing for 20 seconds (a host that takes the TCP
// connection and then hangs) is ended and answered the same way, before
// libdbus gives up on Hello after 25: QtDBus 6.4 drops such a connection
// still open, which makes libdbus abort the process.
#pragma once

#include <string>
#include <vector>

namespace vantrel::dbus {

// Carries `client` (non-blocking, owned: closed at the end) until it or ssh
// ends, or `wake` becomes readable (the relay stops); ssh is ended and
// reaped before it returns.
void relaySshConnection(int client, int wake, const std::vector<std::string>& command, const std::string& target);

} // namespace vantrel::dbus
