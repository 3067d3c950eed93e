// File → Connect to server…: one server per run, so connecting starts the
// utility again with the other server, once the session may have been saved.
#include "main_window.h"

#include "connect_dialog.h"
#include "server_sites.h"

#include "forecourt/forecourt_server.h"
#include "journal/call_journal.h"

#include <QDateTime>
#include <QFileInfo>
#include <QMessageBox>

namespace vantrel {

void MainWindow::setConnection(const QString& server, int timeoutMs, SiteBook* sites)
{
    m_serverSpec = server;
    m_timeoutMs = timeoutMs;
    m_sites = sites;
    m_connectAction->setEnabled(m_sites != nullptr);
}

void MainWindow::chooseAndConnect()
{
    if (!m_sites)
        return;
    ConnectDialog dialog(*m_sites, m_serverSpec, m_timeoutMs, this);
    if (dialog.exec() == QDialog::Accepted)
        connectTo(dialog.server(), dialog.timeoutMs(), dialog.siteName());
}

bool MainWindow::connectTo(const QString& server, int timeoutMs, const QString& siteName)
{
    const QString title = QStringLiteral("Connect to server");
    // One server per run: the calls of this run stay with it, so they may be saved first.
    if (m_journal && m_journal->size() > 0) {
        const auto answer = QMessageBox::question(
            this, title,
            QStringLiteral("This session made %1 calls to %2.\n\nSave the session as a script before the utility "
                           "starts again with %3?")
                .arg(m_journal->size())
                .arg(m_serverDescription, describeServer(server)),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Save && !chooseAndSaveSession()))
            return false;
    }
    QStringList args{"--server", server, "--timeout", QString::number(timeoutMs)};
    if (!m_siteFile.isEmpty() && server == QLatin1String(forecourt::kProgId))
        args << "--site" << QFileInfo(m_siteFile).absoluteFilePath();
    const QString why = m_relaunch ? m_relaunch(args) : QStringLiteral("this run cannot start the utility again");
    if (!why.isEmpty()) {
        QMessageBox::warning(this, title,
                             QStringLiteral("The utility cannot start again with %1: %2").arg(describeServer(server), why));
        return false;
    }
    if (m_sites)
        m_sites->markUsed(server, timeoutMs, siteName, QDateTime::currentDateTimeUtc());
    close();
    return true;
}

} // namespace vantrel
