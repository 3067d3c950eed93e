// Clients nobody here wrote, for the live tap tests: busctl, and python3
// with python3-dbus (data/tap_client.py), started against a private bus.
#pragma once

#include <QProcess>
#include <QStringList>

#include <sys/prctl.h>
#include <csignal>

#include <string>

namespace vantrel::tap::test {

// A child dies with the test process, even when the test crashes.
inline void dieWithParent(QProcess& process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

// tap_client.py making `calls`; it stays on the bus until release().
class PythonClient {
public:
    PythonClient(const QString& address, const QStringList& calls)
    {
        dieWithParent(m_process);
        m_process.start("/usr/bin/python3", QStringList{VANTREL_TAP_CLIENT, address} + calls);
        m_process.waitForStarted(10000);
        // Its first line: its unique name and process id.
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        const QStringList first = QString::fromLatin1(m_process.readLine()).trimmed().split(' ');
        unique = first.value(0).toStdString();
    }
    ~PythonClient()
    {
        release();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
    }
    // Waits until it made its calls; what it printed after its first line.
    QString waitDone()
    {
        while (!m_output.contains("done\n") && m_process.waitForReadyRead(30000))
            m_output += QString::fromLatin1(m_process.readAll());
        return m_output;
    }
    // Goes on past a "pause".
    void resume() { m_process.write("\n"); }
    void release() { m_process.closeWriteChannel(); }
    qint64 pid() const { return m_process.processId(); }

    std::string unique;

private:
    QProcess m_process;
    QString m_output;
};

// busctl's arguments for a call of Vantrel.Application at `address`.
inline QStringList busctlCall(const QString& address, const QStringList& call)
{
    return QStringList{"--address=" + address, "call", "Vantrel.Application", "/Vantrel/Application",
                       "Vantrel.Application"} +
           call;
}

} // namespace vantrel::tap::test
