// The main window's menu bar: File, View and Help.
#include "main_window.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

namespace vantrel {

void MainWindow::buildMenus()
{
    QMenu* file = m_menuBar->addMenu("&File");
    m_connectAction = file->addAction("&Connect to server\u2026", QKeySequence(Qt::CTRL | Qt::Key_K), this,
                                      &MainWindow::chooseAndConnect);
    m_connectAction->setObjectName("actionConnect");
    m_connectAction->setEnabled(false);
    file->addAction("&New call\u2026", QKeySequence(Qt::CTRL | Qt::Key_N), this, &MainWindow::showCompose)
        ->setObjectName("actionNewCall");
    file->addSeparator();
    m_runScriptAction = file->addAction("&Run script\u2026", QKeySequence(Qt::CTRL | Qt::Key_R), this,
                                        &MainWindow::chooseAndRunScript);
    m_runScriptAction->setObjectName("actionRunScript");
    m_runScriptAction->setEnabled(false);
    file->addAction("&Save session as script\u2026", QKeySequence::Save, this, &MainWindow::chooseAndSaveSession)
        ->setObjectName("actionSaveSession");
    file->addAction("Save &journal as trace\u2026", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this,
                    &MainWindow::chooseAndSaveJournal)
        ->setObjectName("actionSaveJournal");
    file->addSeparator();
    file->addAction("&Open capture\u2026", this, &MainWindow::chooseAndOpenCapture)->setObjectName("actionOpenCapture");
    m_saveTapAction = file->addAction("Save &tap as capture\u2026", this, &MainWindow::chooseAndSaveTapCapture);
    m_saveTapAction->setObjectName("actionSaveTapCapture");
    m_saveTapAction->setEnabled(false); // until a tap ran or a capture was opened
    file->addSeparator();
    QAction* quit = file->addAction("&Quit", QKeySequence::Quit, this, &QWidget::close);
    quit->setObjectName("actionQuit");

    m_viewMenu = m_menuBar->addMenu("&View");
    m_viewMenu->setObjectName("menuView");
    m_viewMenu->addAction("&Record Inspector", QKeySequence(Qt::CTRL | Qt::Key_I), this, &MainWindow::showInspector)
        ->setObjectName("actionRecordInspector");
    m_viewMenu->addAction("Call &Journal", QKeySequence(Qt::CTRL | Qt::Key_J), this, &MainWindow::showJournal)
        ->setObjectName("actionJournal");
    m_boardAction = m_viewMenu->addAction("&Forecourt", QKeySequence(Qt::CTRL | Qt::Key_F), this, &MainWindow::showBoard);
    m_boardAction->setObjectName("actionForecourt");
    m_boardAction->setEnabled(false);
    m_tapAction = m_viewMenu->addAction("Site &Tap");
    m_tapAction->setObjectName("actionSiteTap");
    m_tapAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    m_tapAction->setCheckable(true);
    connect(m_tapAction, &QAction::triggered, this, &MainWindow::setSiteTap);

    QMenu* help = m_menuBar->addMenu("&Help");
    help->addAction("&Manual", QKeySequence(Qt::Key_F1), this, [this] { showHelp("README.md"); })
        ->setObjectName("actionManual");
    help->addAction("&Scripts", this, [this] { showHelp("docs/scripts.md"); })->setObjectName("actionScripts");
    help->addAction("&Trace format", QKeySequence(Qt::SHIFT | Qt::Key_F1), this, [this] { showHelp("docs/trace.md"); })
        ->setObjectName("actionTraceFormat");
    help->addAction("&D-Bus servers", this, [this] { showHelp("docs/dbus.md"); })->setObjectName("actionDbusHelp");
    help->addAction("Site ta&p", this, [this] { showHelp("docs/tap.md"); })->setObjectName("actionTapHelp");
    help->addAction("&Faults", this, [this] { showHelp("docs/faults.md"); })->setObjectName("actionFaultsHelp");
    help->addAction("&Compose a call", this, [this] { showHelp("docs/compose.md"); })->setObjectName("actionComposeHelp");
    help->addSeparator();
    help->addAction("&About VantrelTest", QKeySequence(Qt::CTRL | Qt::Key_F1), this, [this] {
        QMessageBox::about(this, "About VantrelTest",
                           QStringLiteral("vantrel-test %1\nA test utility for the forecourt automation server "
                                          "Vantrel.Application.\n\nServer: %2")
                               .arg(QStringLiteral(VANTREL_VERSION), m_serverDescription));
    })->setObjectName("actionAbout");
}

} // namespace vantrel
