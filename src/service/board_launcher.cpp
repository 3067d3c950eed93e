#include "board_launcher.h"

#include "dbus/wire_contract.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

#include <csignal>

#include <sys/prctl.h>

namespace vantrel::service {

namespace {
constexpr const char* kBoardProgram = "vantrel-board";

// Next to this program (the build folder, or /usr/bin), else on the PATH.
QString findBoard()
{
    const QFileInfo beside(QCoreApplication::applicationDirPath() + "/" + kBoardProgram);
    if (beside.isFile() && beside.isExecutable())
        return beside.filePath();
    return QStandardPaths::findExecutable(kBoardProgram);
}

bool haveDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}
} // namespace

std::string boardServerSpec(const ServiceOptions& options)
{
    std::string at = "session";
    switch (options.bus) {
    case ServiceOptions::Bus::System: at = "system"; break;
    case ServiceOptions::Bus::Address: at = options.address; break;
    case ServiceOptions::Bus::Default:
        if (!qEnvironmentVariableIsEmpty("DBUS_STARTER_ADDRESS"))
            at = qEnvironmentVariable("DBUS_STARTER_ADDRESS").toStdString();
        break;
    case ServiceOptions::Bus::Session: break;
    }
    return std::string("dbus:") + dbus::kDefaultBusName + "@" + at;
}

BoardLauncher::~BoardLauncher()
{
    QObject::disconnect(&m_process, nullptr, &m_context, nullptr);
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(1000);
    }
}

std::string BoardLauncher::prepare()
{
    if (!haveDisplay())
        return "--board needs a display, and neither DISPLAY nor WAYLAND_DISPLAY is set";
    m_program = findBoard();
    if (m_program.isEmpty())
        return std::string("--board: ") + kBoardProgram + " is neither beside " +
               QCoreApplication::applicationFilePath().toStdString() + " nor on the PATH";
    return {};
}

std::string BoardLauncher::start(const ServiceOptions& options)
{
    const QString program = m_program.isEmpty() ? findBoard() : m_program;
    m_process.setProgram(program);
    m_process.setArguments({"--server", QString::fromStdString(boardServerSpec(options))});
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    // A service that is killed outright takes its board with it.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    QObject::connect(&m_process, &QProcess::finished, &m_context, [this](int code, QProcess::ExitStatus status) {
        m_notify(status == QProcess::CrashExit ? "the board crashed; still serving"
                 : code == 0                   ? "the board was closed; still serving"
                                               : "the board ended with status " + std::to_string(code) + "; still serving");
    });
    m_process.start();
    if (!m_process.waitForStarted(10000))
        return "--board: cannot start " + program.toStdString() + ": " + m_process.errorString().toStdString();
    m_notify("the board is " + program.toStdString() + " (pid " + std::to_string(m_process.processId()) + ")");
    return {};
}

} // namespace vantrel::service
