// The system bus of another machine, reached over ssh with nothing of ours
// installed there, as `busctl -H` reaches it: ssh runs systemd-stdio-bridge
// on the far machine, which connects to its system bus as the ssh user and
// forwards every message between that bus and its standard input and output.
//
// Every client of ours opens the bus the same way, through a plain local
// address: the relay listens on a private unix socket (a folder of mode
// 0700 under $XDG_RUNTIME_DIR or /tmp; it takes connections from this user
// only) and carries each connection it accepts through a child of its own,
// `ssh ... HOST systemd-stdio-bridge` (ssh_command.h), byte for byte both
// ways. So QtDBus's connectToBus, the tap's libdbus connection and busctl
// all open `unix:path=.../bus` and run their own authentication and Hello
// through the bridge, which accepts any local user and authenticates to the
// far bus as the far user.
//
// Why not the alternatives:
// - `unixexec:path=ssh,...` as the address: libdbus runs ssh itself, and
//   when ssh fails the client only sees its connection close ("Did not
//   receive a reply"), while ssh's own message goes to our standard error.
// - an ssh-forwarded socket of the far bus (`ssh -L LOCAL:/run/dbus/...`):
//   the client authenticates with EXTERNAL, giving its local uid, and the far
//   dbus-daemon checks it against the forwarding sshd's (the far user's),
//   so it refuses every user whose uid differs on the two machines.
//
// When ssh ends before the far end said anything (host unknown, connection
// or authentication refused, no bridge installed there, no system bus), the
// relay answers the waiting client itself (ssh_stand_in.h): its connect
// fails with "ssh HOST ended with status 255: <ssh's own words>".
//
// (libdbus clients work through the bridge as they are: they send Hello
// themselves. `dbus-send --address` is `--peer`, which sends no Hello, so
// the far bus refuses its first message; `dbus-send --bus=` works.)
//
//   client ── unix socket ── relay thread ── ssh ═══ sshd ── systemd-stdio-bridge ── system bus
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace vantrel::dbus {

class SshRelay {
public:
    // Listens at once; std::system_error when it cannot (no folder, no socket).
    SshRelay(std::string target, std::vector<std::string> command);
    // Ends every connection and its ssh, and removes the socket and its folder.
    ~SshRelay();

    SshRelay(const SshRelay&) = delete;
    SshRelay& operator=(const SshRelay&) = delete;

    // "unix:path=/run/user/1000/vantrel-ssh-Ab12Cd/bus".
    const std::string& address() const { return m_address; }
    const std::string& folder() const { return m_folder; }

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    void acceptConnections();
    void joinFinished(bool all);

    std::string m_target;
    std::vector<std::string> m_command;
    std::string m_folder;
    std::string m_socketPath;
    std::string m_address;
    int m_listen = -1;
    int m_wake[2] = {-1, -1}; // written once, at the end: every thread's poll wakes
    std::vector<Worker> m_workers;
    std::thread m_acceptor;
};

// The local address of the relay for `target` with the ssh command line the
// environment gives now (ssh_command.h); made on first use and kept for the
// life of the process. std::system_error when it cannot start.
std::string sshRelayAddress(std::string_view target);

// What a client is told when ssh ended (`waitStatus` as waitpid gives it, -1
// unknown) before the far bus answered: "ssh HOST ended with status 255:
// ssh: connect to host HOST port 22: Connection refused", standard error's
// lines joined, printable ASCII only, at most about 1,000 characters.
std::string sshFailureText(std::string_view target, int waitStatus, std::string_view standardError);
// What a client is told when the far side said nothing within `seconds`:
// "ssh HOST did not reach the far bus within 20 seconds", and what ssh said.
std::string sshSilenceText(std::string_view target, int seconds, std::string_view standardError);

} // namespace vantrel::dbus
