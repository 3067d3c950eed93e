#include "ssh_relay.h"

#include "ssh_command.h"
#include "ssh_connection.h"

#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vantrel::dbus {

namespace {
[[noreturn]] void fail(const std::string& what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

// A folder of mode 0700 that the socket's path fits in.
std::string makeFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    for (const char* base : {runtime, "/tmp"}) {
        if (!base || *base != '/')
            continue;
        std::string pattern = std::string(base) + "/vantrel-ssh-XXXXXX";
        if (pattern.size() + 5 >= sizeof(sockaddr_un::sun_path))
            continue;
        if (::mkdtemp(pattern.data()))
            return pattern;
    }
    fail("cannot make a folder for the ssh relay");
}

// A D-Bus address value: bytes outside [-0-9A-Za-z_/.*] written as %xx.
std::string addressValue(std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string value;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' || c == '_' ||
            c == '/' || c == '.' || c == '*') {
            value += c;
        } else {
            value += '%';
            value += kHex[byte >> 4];
            value += kHex[byte & 0xF];
        }
    }
    return value;
}

bool fromThisUser(int fd)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::geteuid();
}

// Standard error's lines, trimmed and joined with "; ".
std::string printableLines(std::string_view text)
{
    constexpr std::size_t kLimit = 1000;
    std::string out;
    bool lineStart = true;
    for (const char c : text) {
        if (c == '\n' || c == '\r') {
            lineStart = true;
            continue;
        }
        if (lineStart && (c == ' ' || c == '\t'))
            continue;
        if (lineStart && !out.empty())
            out += "; ";
        lineStart = false;
        out += c >= 0x20 && c < 0x7F ? c : (c == '\t' ? ' ' : '?');
        if (out.size() >= kLimit)
            return out + "...";
    }
    return out;
}
} // namespace

std::string sshFailureText(std::string_view target, int waitStatus, std::string_view standardError)
{
    std::string text = "ssh " + std::string(target) + " ended";
    if (waitStatus >= 0 && WIFEXITED(waitStatus))
        text += " with status " + std::to_string(WEXITSTATUS(waitStatus));
    else if (waitStatus >= 0 && WIFSIGNALED(waitStatus))
        text += " on signal " + std::to_string(WTERMSIG(waitStatus));
    const std::string said = printableLines(standardError);
    return said.empty() ? text + " and said nothing" : text + ": " + said;
}

std::string sshSilenceText(std::string_view target, int seconds, std::string_view standardError)
{
    const std::string text =
        "ssh " + std::string(target) + " did not reach the far bus within " + std::to_string(seconds) + " seconds";
    const std::string said = printableLines(standardError);
    return said.empty() ? text : text + ": " + said;
}

SshRelay::SshRelay(std::string target, std::vector<std::string> command)
    : m_target(std::move(target)),
      m_command(std::move(command)),
      m_folder(makeFolder()),
      m_socketPath(m_folder + "/bus"),
      m_address("unix:path=" + addressValue(m_socketPath))
{
    m_listen = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un where{};
    where.sun_family = AF_UNIX;
    m_socketPath.copy(where.sun_path, sizeof where.sun_path - 1);
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<const sockaddr*>(&where), sizeof where) < 0 ||
        ::listen(m_listen, 16) < 0 || ::pipe2(m_wake, O_CLOEXEC) < 0) {
        const int error = errno;
        if (m_listen >= 0)
            ::close(m_listen);
        ::unlink(m_socketPath.c_str());
        ::rmdir(m_folder.c_str());
        errno = error;
        fail("cannot listen at " + m_socketPath);
    }
    m_acceptor = std::thread([this] { acceptConnections(); });
}

SshRelay::~SshRelay()
{
    const char stop = 's';
    [[maybe_unused]] const auto written = ::write(m_wake[1], &stop, 1);
    m_acceptor.join();
    joinFinished(true);
    ::close(m_listen);
    ::close(m_wake[0]);
    ::close(m_wake[1]);
    ::unlink(m_socketPath.c_str());
    ::rmdir(m_folder.c_str());
}

void SshRelay::joinFinished(bool all)
{
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if (all || *it->done) {
            it->thread.join();
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
}

void SshRelay::acceptConnections()
{
    for (;;) {
        pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {m_listen, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[0].revents)
            return;
        joinFinished(false);
        if (!(fds[1].revents & POLLIN))
            continue;
        const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0) {
            // Out of descriptors, say: wait a little rather than spin.
            if (errno != EAGAIN && errno != EINTR && errno != ECONNABORTED)
                ::poll(nullptr, 0, 100);
            continue;
        }
        if (!fromThisUser(client)) {
            ::close(client);
            continue;
        }
        auto done = std::make_shared<std::atomic<bool>>(false);
        m_workers.push_back({std::thread([this, client, done] {
                                 relaySshConnection(client, m_wake[0], m_command, m_target);
                                 *done = true;
                             }),
                             done});
    }
}

std::string sshRelayAddress(std::string_view target)
{
    static std::mutex mutex;
    // Destroyed at the end of the process, which ends every relay's ssh.
    static std::map<std::vector<std::string>, std::unique_ptr<SshRelay>> relays;
    std::vector<std::string> command = sshCommand(target);
    const std::lock_guard lock(mutex);
    std::unique_ptr<SshRelay>& relay = relays[command];
    if (!relay)
        relay = std::make_unique<SshRelay>(std::string(target), std::move(command));
    return relay->address();
}

} // namespace vantrel::dbus
