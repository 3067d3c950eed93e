#include "ssh_fixture.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

namespace vantrel::dbus::test {

namespace {
// A port on 127.0.0.1 that was free a moment ago.
int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof where;
    ::bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&where), &size);
    ::close(fd);
    return ntohs(where.sin_port);
}

bool writeFile(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) == text.toUtf8().size();
}

QString clientConfig(int port, const QString& key)
{
    return QStringLiteral("Host *\n  Port %1\n  IdentityFile %2\n  IdentitiesOnly yes\n  IdentityAgent none\n"
                          "  StrictHostKeyChecking no\n  UserKnownHostsFile /dev/null\n"
                          "  GlobalKnownHostsFile /dev/null\n")
        .arg(port)
        .arg(key);
}
} // namespace

SshServer::SshServer()
{
    m_problem = start(freePort());
    // Ready once it says it listens; its log goes to a file.
    const QDeadlineTimer deadline(10000);
    QByteArray log;
    while (m_problem.isEmpty() && !deadline.hasExpired() && m_sshd.state() == QProcess::Running) {
        QFile file(m_dir.filePath("sshd.log"));
        log = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        if (log.contains("Server listening"))
            return;
        QThread::msleep(20);
    }
    if (m_problem.isEmpty())
        m_problem = "sshd did not start: " + QString::fromUtf8(log).trimmed();
}

SshServer::~SshServer()
{
    if (m_sshd.state() != QProcess::NotRunning) {
        m_sshd.kill();
        m_sshd.waitForFinished(5000);
    }
}

QString SshServer::start(int port)
{
    const QString dir = m_dir.path();
    for (const char* key : {"host", "user", "stranger"}) {
        const QString path = m_dir.filePath(key);
        if (QProcess::execute("ssh-keygen", {"-q", "-t", "ed25519", "-N", "", "-f", path}) != 0)
            return "ssh-keygen did not make a key";
    }
    QFile::copy(m_dir.filePath("user.pub"), m_dir.filePath("authorized_keys"));
    const QString server = QStringLiteral("HostKey %1/host\nListenAddress 127.0.0.1\nAuthorizedKeysFile %1/authorized_keys\n"
                                          "StrictModes no\nUsePAM no\nPidFile none\nPasswordAuthentication no\n"
                                          "KbdInteractiveAuthentication no\nPermitRootLogin prohibit-password\n")
                               .arg(dir);
    if (!writeFile(m_dir.filePath("sshd.conf"), server) ||
        !writeFile(m_dir.filePath("client.conf"), clientConfig(port, m_dir.filePath("user"))) ||
        !writeFile(m_dir.filePath("wrong-key.conf"), clientConfig(port, m_dir.filePath("stranger"))) ||
        !writeFile(m_dir.filePath("refused.conf"), clientConfig(freePort(), m_dir.filePath("user"))))
        return "cannot write the configurations in " + dir;

    QStringList sshd{"/usr/sbin/sshd", "-D", "-e", "-f", m_dir.filePath("sshd.conf"), "-p", QString::number(port)};
    if (!QFileInfo::exists("/usr/sbin/sshd"))
        return "no /usr/sbin/sshd (openssh-server)";
    if (::geteuid() == 0 && !QFileInfo::exists("/run/sshd"))
        sshd = QStringList{"unshare", "--mount", "sh", "-c",
                           "mount -t tmpfs tmpfs /run && mkdir -m 755 /run/sshd && exec \"$0\" \"$@\""} +
               sshd;
    m_sshd.setStandardOutputFile(QProcess::nullDevice());
    m_sshd.setStandardErrorFile(m_dir.filePath("sshd.log"));
    m_sshd.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_sshd.start(sshd.front(), sshd.mid(1));
    return m_sshd.waitForStarted(10000) ? QString() : "cannot run " + sshd.front();
}

QString bridgeTo(const QString& address) { return "systemd-stdio-bridge --bus-path=" + address; }

ScopedVariable::ScopedVariable(const char* name, const QString& value) : m_name(name)
{
    if (qEnvironmentVariableIsSet(name))
        m_earlier = qgetenv(name);
    qputenv(name, value.toUtf8());
}

ScopedVariable::~ScopedVariable()
{
    if (m_earlier)
        qputenv(m_name, *m_earlier);
    else
        qunsetenv(m_name);
}

} // namespace vantrel::dbus::test
