// View → Site Tap, File → Open capture… and File → Save tap as capture…:
// the site tap's exchanges in the call journal (main_window_tap.h).
#include "main_window.h"
#include "main_window_tap.h"

#include "status_line.h"

#include "capture/capture.h"
#include "journal/journal_window.h"
#include "session/session.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

namespace vantrel {

namespace {
constexpr std::size_t kSkippedShown = 5; // blocks a message box lists
const QString kTapTitle = QStringLiteral("Site Tap");
} // namespace

// Said over the window without stopping it, as every message of the tap:
// the tap goes on reading while the box is open.
void MainWindow::tellTap(const QString& text, bool warning)
{
    auto* box = new QMessageBox(warning ? QMessageBox::Warning : QMessageBox::Information, kTapTitle, text,
                                QMessageBox::Ok, this);
    box->setObjectName("SiteTapMessage");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void MainWindow::showTapJournal()
{
    showJournal();
    journal::JournalWindow* window = journalWindow();
    if (!window || !m_tap)
        return;
    window->setOtherMessages([this] { return m_tap ? m_tap->otherRows() : std::vector<QStringList>{}; });
    window->setTapLine(m_tap->line());
}

bool MainWindow::startSiteTap(QString& reason)
{
    if (m_tap && m_tap->running())
        return true;
    const auto endpoint = dbus::parseServerSpec(m_serverSpec.toStdString());
    if (!endpoint) {
        reason = QStringLiteral("The site tap watches a server on D-Bus: the calls other clients (a point of sale, "
                                "a script) make to it. This run uses %1.\n\nChoose the server on D-Bus with File → "
                                "Connect to server\u2026, then start the tap there.")
                     .arg(m_serverDescription.isEmpty() ? QStringLiteral("the embedded simulator") : m_serverDescription);
        return false;
    }
    if (!m_journal) {
        reason = QStringLiteral("This run keeps no call journal to show the tap in.");
        return false;
    }
    // The rows' times stand on the session's clock, among the utility's own calls.
    const std::int64_t startUsec = tap::SiteTap::nowUsec() - session().elapsedMs() * 1000;
    auto tap = std::make_unique<TapJournal>(*m_journal, *endpoint, startUsec);
    std::string error;
    if (!tap->start(error)) {
        reason = QString::fromStdString(error);
        return false;
    }
    m_tap = std::move(tap);
    m_tap->onChanged([this] {
        if (!m_tap)
            return;
        if (journalWindow())
            journalWindow()->setTapLine(m_tap->line());
        m_status->setNote(m_tap->line());
    });
    m_tap->onBusEnded([this](const std::string& why) {
        // Stopped once the monitor's own call has returned.
        QTimer::singleShot(0, this, [this, text = QString::fromStdString(why)] {
            stopSiteTap();
            tellTap(QStringLiteral("The site tap ended: %1").arg(text), true);
        });
    });
    m_tapAction->setChecked(true);
    m_saveTapAction->setEnabled(true);
    showTapJournal();
    m_status->setNote(m_tap->line());
    return true;
}

void MainWindow::stopSiteTap()
{
    m_tapAction->setChecked(false);
    if (!m_tap || !m_tap->running())
        return;
    m_tap->stop();
    if (journalWindow())
        journalWindow()->setTapLine(m_tap->line());
    m_status->setNote(m_tap->line());
}

void MainWindow::setSiteTap(bool on)
{
    if (!on) {
        stopSiteTap();
        return;
    }
    QString reason;
    if (!startSiteTap(reason)) {
        m_tapAction->setChecked(false);
        tellTap(reason, m_serverSpec.startsWith(QStringLiteral("dbus")));
    }
}

bool MainWindow::openCapture(const QString& path, QString& report)
{
    if (!m_journal) {
        report = QStringLiteral("This run keeps no call journal to show the capture in.");
        return false;
    }
    const capture::CaptureRead read = capture::readCaptureFile(path.toStdString());
    if (!read.error.empty()) {
        report = QStringLiteral("The capture %1 cannot be read: %2").arg(path, QString::fromStdString(read.error));
        return false;
    }
    stopSiteTap(); // one tap at a time: the capture's rows follow the tap's
    const QString name = QFileInfo(path).fileName();
    m_tap = std::make_unique<TapJournal>(*m_journal, name.toStdString(), read.messages);
    m_saveTapAction->setEnabled(true);
    showTapJournal();
    report = m_tap->line();
    if (!read.skipped.empty()) {
        report += QStringLiteral("\n\n%1 %2 of the file skipped:")
                      .arg(read.skipped.size())
                      .arg(read.skipped.size() == 1 ? QStringLiteral("block") : QStringLiteral("blocks"));
        for (std::size_t i = 0; i < read.skipped.size() && i < kSkippedShown; ++i)
            report += QStringLiteral("\n  at byte %1: %2")
                          .arg(read.skipped[i].offset)
                          .arg(QString::fromStdString(read.skipped[i].reason));
        if (read.skipped.size() > kSkippedShown)
            report += QStringLiteral("\n  \u2026 and %1 more").arg(read.skipped.size() - kSkippedShown);
    }
    m_status->setNote(QStringLiteral("%1, %2 blocks skipped").arg(m_tap->line()).arg(read.skipped.size()));
    return true;
}

void MainWindow::chooseAndOpenCapture()
{
    const QString path =
        QFileDialog::getOpenFileName(this, "Open capture", {}, "D-Bus captures (*.pcapng);;All files (*)");
    if (!path.isEmpty())
        openCaptureAndReport(path);
}

void MainWindow::openCaptureAndReport(const QString& path)
{
    QString report;
    const bool opened = openCapture(path, report);
    auto* box = new QMessageBox(opened ? QMessageBox::Information : QMessageBox::Warning, "Open capture", report,
                                QMessageBox::Ok, this);
    box->setObjectName("OpenCaptureReport");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

bool MainWindow::saveTapCapture(const QString& path, QString& reason) const
{
    if (!m_tap) {
        reason = QStringLiteral("no tap ran and no capture was opened");
        return false;
    }
    std::string why;
    if (!m_tap->saveCapture(path.toStdString(), m_masked, why)) {
        reason = QString::fromStdString(why);
        return false;
    }
    return true;
}

void MainWindow::chooseAndSaveTapCapture()
{
    const QString title = QStringLiteral("Save tap as capture");
    const QString path = QFileDialog::getSaveFileName(this, title, "tap.pcapng", "D-Bus captures (*.pcapng);;All files (*)");
    if (path.isEmpty())
        return;
    QString reason;
    if (!saveTapCapture(path, reason)) {
        QMessageBox::warning(this, title, "The capture cannot be saved to " + path + ": " + reason);
        return;
    }
    QString note = QStringLiteral("tap saved as %1 (%2 messages").arg(QFileInfo(path).fileName()).arg(m_tap->keptMessages());
    if (m_tap->droppedMessages() > 0)
        note += QStringLiteral("; the oldest %1 were dropped: the tap keeps the newest 64 MiB").arg(m_tap->droppedMessages());
    m_status->setNote(note + QStringLiteral(")"));
}

} // namespace vantrel
