// An ssh server on the loopback address for the tests of buses reached over
// ssh: its own host key, a user key it accepts and one it does not, and
// client configurations (-F) that point ssh at it, all in a temporary
// folder. Without /run/sshd (sshd's privilege separation folder), root runs
// it in a mount namespace of its own with a fresh /run, so the machine is
// left as it was. The far "system bus" of a test is a private dbus-daemon:
// VANTREL_SSH_BRIDGE points the far systemd-stdio-bridge at it.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <optional>

namespace vantrel::dbus::test {

class SshServer {
public:
    SshServer();
    ~SshServer();
    SshServer(const SshServer&) = delete;
    SshServer& operator=(const SshServer&) = delete;

    // Empty when it serves; else why it could not start.
    const QString& problem() const { return m_problem; }

    // VANTREL_SSH_OPTIONS for ssh that logs in with the accepted key,
    // with a key the server does not know, and to a port where nothing listens.
    QString options() const { return "-F " + m_dir.filePath("client.conf"); }
    QString wrongKeyOptions() const { return "-F " + m_dir.filePath("wrong-key.conf"); }
    QString refusedOptions() const { return "-F " + m_dir.filePath("refused.conf"); }

private:
    QString start(int port);

    QTemporaryDir m_dir;
    QProcess m_sshd;
    QString m_problem;
};

// VANTREL_SSH_BRIDGE that serves the bus at `address` in place of the far
// system bus.
QString bridgeTo(const QString& address);

// Sets an environment variable for a scope and then puts back what was there.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QString& value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* m_name;
    std::optional<QByteArray> m_earlier;
};

} // namespace vantrel::dbus::test
