#include "ssh_connection.h"

#include "ssh_relay.h"
#include "ssh_stand_in.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vantrel::dbus {

namespace {
constexpr std::size_t kBufferLimit = 1024 * 1024;
constexpr std::size_t kKeptLimit = 64 * 1024;
constexpr std::size_t kErrorLimit = 4096;
// How long ssh may take to end once its work is over, before it is ended.
constexpr int kEndGraceMs = 2000;
// How long the far side may take to say its first word (ssh_connection.h).
constexpr int kFirstWordSeconds = 20;

struct Child {
    pid_t pid = -1;
    int io = -1;  // our end of its standard input and output
    int err = -1; // its standard error
    std::string spawnError;
};

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

void setNonBlocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK); }

Child spawnChild(const std::vector<std::string>& command)
{
    Child child;
    int io[2];
    int err[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, io) < 0) {
        child.spawnError = std::generic_category().message(errno);
        return child;
    }
    if (::pipe2(err, O_CLOEXEC) < 0) {
        child.spawnError = std::generic_category().message(errno);
        ::close(io[0]);
        ::close(io[1]);
        return child;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, io[1], 0);
    posix_spawn_file_actions_adddup2(&actions, io[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    // A session of its own: no terminal to ask on, and the terminal's ^C
    // reaches this program, which ends its ssh children itself. Signals as
    // a fresh program has them, whatever this one blocks or ignores.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    const int started = ::posix_spawnp(&child.pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(io[1]);
    ::close(err[1]);
    if (started != 0) {
        child.pid = -1;
        child.spawnError = std::generic_category().message(started);
        ::close(io[0]);
        ::close(err[0]);
        return child;
    }
    child.io = io[0];
    child.err = err[0];
    setNonBlocking(child.io);
    setNonBlocking(child.err);
    return child;
}

// The child's wait status; it gets `graceMs` to end by itself, then SIGTERM,
// then SIGKILL. -1 when someone else reaped it.
int reap(pid_t pid, int graceMs)
{
    int status = 0;
    for (int waited = 0;; waited += 20) {
        const pid_t ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == pid)
            return status;
        if (ended < 0 && errno != EINTR)
            return -1;
        if (waited == graceMs)
            ::kill(pid, SIGTERM);
        if (waited == graceMs + 1000)
            ::kill(pid, SIGKILL);
        ::poll(nullptr, 0, 20);
    }
}

// Reads what is there into `buffer`: the count, 0 for nothing yet, -1 at the end.
long readInto(int fd, std::string& buffer)
{
    char chunk[16384];
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got > 0) {
        buffer.append(chunk, static_cast<std::size_t>(got));
        return got;
    }
    return got < 0 && (errno == EAGAIN || errno == EINTR) ? 0 : -1;
}

// Sends what it can of `buffer`; false when the other end is gone.
bool sendSome(int fd, std::string& buffer)
{
    const ssize_t sent = ::send(fd, buffer.data(), buffer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0)
        return errno == EAGAIN || errno == EINTR;
    buffer.erase(0, static_cast<std::size_t>(sent));
    return true;
}

bool poll2(pollfd (&fds)[2], int timeoutMs)
{
    const int ready = ::poll(fds, 2, timeoutMs);
    return ready >= 0 || errno == EINTR;
}

// Answers the client in place of the far bus, from the bytes it sent so far.
void standIn(int client, int wake, std::string_view sent, std::string reason)
{
    SshStandIn peer(std::move(reason));
    std::string out = peer.take(sent);
    while (!(peer.closing() && out.empty())) {
        const bool reading = !peer.closing() && out.size() < kBufferLimit;
        pollfd fds[2] = {{wake, POLLIN, 0},
                         {client, static_cast<short>((reading ? POLLIN : 0) | (out.empty() ? 0 : POLLOUT)), 0}};
        if (!poll2(fds, -1) || fds[0].revents)
            return;
        if ((fds[1].revents & POLLOUT) && !sendSome(client, out))
            return;
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            std::string in;
            if (readInto(client, in) < 0)
                return;
            out += peer.take(in);
        }
    }
}

// Reads what ssh wrote to standard error, keeping the first kErrorLimit bytes.
void readErrors(int& err, std::string& errors)
{
    std::string chunk;
    if (readInto(err, chunk) < 0)
        closeFd(err);
    errors.append(chunk.substr(0, kErrorLimit - std::min(kErrorLimit, errors.size())));
}

// Reads the rest of ssh's standard error once ssh has closed its output.
void drainErrors(int& err, std::string& errors, int wake)
{
    while (err >= 0) {
        pollfd fds[2] = {{wake, POLLIN, 0}, {err, POLLIN, 0}};
        if (!poll2(fds, kEndGraceMs) || fds[0].revents || !fds[1].revents)
            return;
        readErrors(err, errors);
    }
}
} // namespace

void relaySshConnection(int client, int wake, const std::vector<std::string>& command, const std::string& target)
{
    Child child = spawnChild(command);
    if (child.pid < 0) {
        standIn(client, wake, {}, "cannot run ssh for " + target + ": " + child.spawnError);
        ::close(client);
        return;
    }
    std::string toFar;
    std::string toClient;
    std::string kept; // the client's bytes while the far side has said nothing
    std::string errors;
    bool heard = false;
    bool keeping = true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kFirstWordSeconds);
    enum class End { Running, Stopped, ClientGone, FarGone, FarSilent } end = End::Running;
    while (end == End::Running) {
        int timeoutMs = -1;
        if (!heard) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                end = End::FarSilent;
                break;
            }
            timeoutMs = static_cast<int>(left.count());
        }
        const auto wants = [](bool read, bool write) {
            return static_cast<short>((read ? POLLIN : 0) | (write ? POLLOUT : 0));
        };
        pollfd fds[4] = {{wake, POLLIN, 0},
                         {client, wants(toFar.size() < kBufferLimit, !toClient.empty()), 0},
                         {child.io, wants(toClient.size() < kBufferLimit, !toFar.empty()), 0},
                         {child.err, POLLIN, 0}};
        if (::poll(fds, 4, timeoutMs) < 0) {
            if (errno == EINTR)
                continue;
            end = End::Stopped;
            break;
        }
        if (fds[0].revents) {
            end = End::Stopped;
            break;
        }
        if (fds[3].revents)
            readErrors(child.err, errors);
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            const std::size_t before = toFar.size();
            if (readInto(client, toFar) < 0)
                end = End::ClientGone;
            if (!heard && keeping) {
                kept.append(toFar, before);
                keeping = kept.size() <= kKeptLimit;
            }
        }
        if (end == End::Running && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) {
            const long got = readInto(child.io, toClient);
            heard = heard || got > 0;
            if (got < 0)
                end = End::FarGone;
        }
        if (end == End::Running && (fds[1].revents & POLLOUT) && !sendSome(client, toClient))
            end = End::ClientGone;
        if (end == End::Running && (fds[2].revents & POLLOUT) && !sendSome(child.io, toFar))
            end = End::FarGone;
    }
    closeFd(child.io);
    if (end == End::FarGone && heard) {
        // The far side's last words, then the close the client reads as the bus gone.
        while (!toClient.empty()) {
            pollfd fds[2] = {{wake, POLLIN, 0}, {client, POLLOUT, 0}};
            if (!poll2(fds, kEndGraceMs) || fds[0].revents || !fds[1].revents || !sendSome(client, toClient))
                break;
        }
    }
    if ((end == End::FarGone && !heard) || end == End::FarSilent) {
        if (end == End::FarSilent)
            ::kill(child.pid, SIGTERM);
        drainErrors(child.err, errors, wake);
        const int status = reap(child.pid, kEndGraceMs);
        child.pid = -1;
        if (keeping)
            standIn(client, wake, kept,
                    end == End::FarSilent ? sshSilenceText(target, kFirstWordSeconds, errors)
                                          : sshFailureText(target, status, errors));
    }
    closeFd(child.err);
    ::close(client);
    if (child.pid > 0)
        reap(child.pid, end == End::Stopped ? 0 : kEndGraceMs);
}

} // namespace vantrel::dbus
