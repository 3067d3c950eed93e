// Speaks for a far bus that ssh could not reach. The client of the relay
// (QtDBus, libdbus, sd-bus) has sent its authentication and is waiting for
// the far bus's answer, which will never come: without a stand-in it would
// only see its connection close ("Did not receive a reply", the reason lost
// on ssh's standard error). The stand-in takes the client's authentication
// as a bus would and answers its first method call, Hello, with the D-Bus
// error org.freedesktop.DBus.Error.NoServer carrying the reason, so every
// client library fails its connect with ssh's own words.
//
//   "\0AUTH EXTERNAL 30\r\n"        -> "OK <guid>\r\n"
//   "NEGOTIATE_UNIX_FD\r\n"         -> "ERROR\r\n"       (nothing passes file descriptors)
//   "BEGIN\r\n" Hello (a call)      -> error reply to its serial: NoServer, "<reason>",
//                                     and 16 NUL bytes; then it closes
//
// The NUL bytes are a message header no D-Bus library accepts, sent with the
// refusal in one write, so the client's library reads both at once: it
// keeps the refusal as Hello's answer and takes the connection as closed.
// That matters: QtDBus drops a connection whose Hello failed without
// closing it, and libdbus aborts a process that drops a private connection
// it still counts as open; a close that came a moment later would be too late.
//
// Plain C++ over bytes: the relay feeds it what the client sent and writes
// back what it returns.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel::dbus {

inline constexpr const char* kNoServerError = "org.freedesktop.DBus.Error.NoServer";

class SshStandIn {
public:
    // `reason`: printable ASCII (see sshFailureText), cut to 1,200 bytes, so
    // that the refusal stays within the 2,048 bytes libdbus reads at once.
    explicit SshStandIn(std::string reason);

    // Takes the next bytes from the client; the bytes to answer with.
    std::string take(std::string_view bytes);
    // Nothing more to read: send what take() returned, then close. After a
    // refusal, or when the client broke the protocol (no leading NUL, a line
    // or a message beyond the bounds, an unknown byte order).
    bool closing() const { return m_closing; }
    // Whether the client's first call was refused.
    bool refused() const { return m_refused; }

private:
    std::string authLine(std::string_view line);
    std::string messages();

    std::string m_reason;
    std::string m_guid;
    std::string m_pending;
    enum class Phase { Nul, Auth, WaitingData, Authenticated, Messages } m_phase = Phase::Nul;
    bool m_closing = false;
    bool m_refused = false;
};

} // namespace vantrel::dbus
