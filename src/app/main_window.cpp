#include "main_window.h"

#include "beside_main.h"
#include "session_saving.h"
#include "help_window.h"
#include "main_window_tap.h"
#include "shell_handlers.h"

#include "board/board_window.h"
#include "compose/compose_window.h"
#include "forecourt/forecourt_server.h"
#include "inspector/marked_text.h"
#include "inspector/record_inspector.h"
#include "journal/call_journal.h"
#include "journal/journal_window.h"
#include "journal/session_recorder.h"
#include "widgets/progress_window.h"
#include "status_line.h"

#include "fueling/fueling_controls.h"
#include "reader/reader_controls.h"
#include "session/session.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QTextCursor>
#include <QMenu>
#include <QMenuBar>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace vantrel {

namespace {
constexpr int kStatusLineHeight = 20;

QLineEdit* makeLine(QWidget* parent, const char* name, const Twips& at)
{
    auto* line = new QLineEdit(parent);
    line->setObjectName(name);
    line->setGeometry(toPixels(at));
    line->setReadOnly(true);
    return line;
}
} // namespace

QString MainWindow::titleFor(const QDate& date)
{
    return QStringLiteral("Vantrel Test Utility  (") + QLocale::system().toString(date, QLocale::ShortFormat) + ")";
}

MainWindow::MainWindow(Session& session, const QString& title)
    : Form(session, QString::fromLatin1(shell::kMainWindow), title, {0, 0, 8655, 7860}, nullptr)
{
    // A menu bar above and a status line below the client area, which keeps
    // its size and layout.
    m_menuBar = new QMenuBar(this);
    buildMenus(); // before the client area is placed: the bar's height depends on its menus
    m_status = new StatusLine(session, this);
    useClientArea(m_menuBar, m_status, kStatusLineHeight);

    QWidget* area = client();
    auto* headline = makeLine(area, "Headline", {0, 0, 8535, 360});
    headline->setText("VantrelTest Utility Ver 1508.28");
    useFamilyWhereInstalled(headline, QStringLiteral("Tahoma"));
    m_textBox = makeLine(area, "TextBox", {1800, 480, 4935, 375});
    m_pumpNumber = makeLine(area, "TextBoxPumpNumber", {6720, 960, 1695, 285});
    fitText(m_pumpNumber, "Fueling Position -> 32", m_pumpNumber->width() - 8, false);
    m_inBox = new QPlainTextEdit(area);
    m_inBox->setObjectName("InBox");
    m_inBox->setGeometry(toPixels({3960, 1320, 2655, 3255}));
    m_inBox->setReadOnly(true);
    m_inBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_inBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_inBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_inBox->viewport()->installEventFilter(this); // a double click opens the record inspector
    addLabel({"FPLabel", "Fueling Position Select", {6720, 600, 1695, 255}, {}});
    auto* authLabel = addLabel({"STATIC_AUTH", "Authorize Options", {4200, 4680, 1935, 255}, {}});
    useFamilyWhereInstalled(authLabel, QStringLiteral("MS Sans Serif"));

    session.setTextBox("Function Box");
    m_bindings.push_back(std::make_unique<BoxBinding>(session, Box::TextBox, m_textBox, true));
    m_bindings.push_back(std::make_unique<BoxBinding>(session, Box::InBox, m_inBox));
    m_bindings.push_back(std::make_unique<BoxBinding>(session, Box::TextBoxPumpNumber, m_pumpNumber));

    // PayOutSale leads the fueling table, so it is first in the tab order.
    addButtons(fueling::mainWindowButtons());
    addButtons(reader::mainWindowButtons());
    addButtons(shell::mainWindowButtons());
    buildSelector();
    // Tab follows the columns from top to bottom. PayOutSale, the first
    // focus, starts the round; the selector and the self tests come next,
    // then the columns from the left; the result boxes are stops in theirs.
    std::vector<QString> tabStops{"PayOutSale"};
    for (int n = 1; n <= 32; ++n)
        tabStops.push_back(QStringLiteral("Button%1").arg(n));
    for (const char* name :
         {"SelfTestStart", "SelfTestStatus", "OTHERDEVICESBUTTON", "SystemVersions", "DispenserInfo", "ReaderInfo",
          "TEST_FUNCTION_BUTTON", "KeyEntryTypeButton", "STRESS_BUTTON", "KeyQue", "ClearKeyEntry", "KeyPad",
          "PrintHeader", "PrintFooter", "Print", "Header2", "Footer2", "PrintReceipt2", "TextBox", "WindowControl",
          "HELP_BUTTON", "QueCounts", "ReadErrorQue", "ClearErrorQue", "CardQue", "ClearCardEntry", "PreLoadMSGs",
          "Display", "Display2", "InfoDisplay", "Beeper", "PacketQue", "PacketOut", "ClearPacketEntry", "CashIn",
          "CashOut", "ClearCashEntry", "InBox", "Fillup", "Preset", "NewPreset", "MultiHoseLock", "Price1", "Price2",
          "Price3", "Price3Blend", "Price4", "Price5", "Price6", "Price", "PresetMOP1", "PresetMOP2", "Deauthorize",
          "Stop", "STOP_ALL", "Resume"})
        tabStops.push_back(QString::fromLatin1(name));
    setTabStops(tabStops);

    addTimer("Timer1", 1000, reader::stressTick);
    // Long runs show their progress in a window of their own; the record
    // inspector follows every call from the start, shown or not.
    if (!session.virtualTime)
        m_progress = std::make_unique<ProgressWindow>(session);
    // It has no owner, so that the modal windows over the main window do not block it.
    m_inspector = std::make_unique<RecordInspector>(session);
    connectEditAndResend();
    if (auto* first = button("PayOutSale"))
        setFocusProxy(first);
}

MainWindow::~MainWindow() = default;

void MainWindow::showHelp(const QString& relative)
{
    if (!m_help)
        m_help = std::make_unique<HelpWindow>();
    m_help->showDocument(relative);
    // Beside the main window where there is room, off its boxes, as the
    // other windows open; where the technician moved it, it stays.
    placeBesideMain(*m_help, *this);
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void MainWindow::showInspector()
{
    m_inspector->makeViews(); // it is placed by the minimum size of its layout
    placeInspectorBesideMain(*m_inspector, *this);
    m_inspector->show();
    m_inspector->raise();
    m_inspector->activateWindow();
}

void MainWindow::setJournal(journal::CallJournal* journal, journal::SessionRecorder* recorder)
{
    m_journal = journal;
    m_recorder = recorder;
}

void MainWindow::showJournal()
{
    if (!m_journal)
        return;
    // Made when first asked for: a closed journal costs only its rows.
    if (!m_journalWindow) {
        m_journalWindow = std::make_unique<journal::JournalWindow>(*m_journal, [this](const journal::JournalEntry& e) {
            m_inspector->inspect(e.call, e.errorNumber, e.errorDescription, e.argumentOmitted, e.resultOmitted,
                                 e.argumentNote);
            if (!m_inspector->isVisible())
                showInspector();
        });
        m_journalWindow->setEditAndResend([this](const CallEvent& call) { editAndResend(call); });
    }
    placeBesideMain(*m_journalWindow, *this);
    m_journalWindow->show();
    m_journalWindow->raise();
    m_journalWindow->activateWindow();
}

void MainWindow::setSite(SiteMaker makeSite)
{
    m_makeSite = std::move(makeSite);
    m_boardAction->setEnabled(static_cast<bool>(m_makeSite));
}

void MainWindow::showBoard()
{
    if (!m_makeSite)
        return;
    if (!m_board) {
        std::string whyNot;
        auto source = m_makeSite(whyNot);
        if (!source) {
            m_status->setNote(QString::fromStdString(whyNot));
            return;
        }
        m_board = std::make_unique<board::BoardWindow>(std::move(source), &session());
        connect(m_board.get(), &board::BoardWindow::positionChosen, this, &MainWindow::selectFromBoard);
    }
    placeBoardBesideMain(*m_board, *this);
    m_board->show();
    m_board->raise();
    m_board->activateWindow();
}

void MainWindow::setScriptRunner(std::function<void(const QString&)> run)
{
    m_runScript = std::move(run);
    m_runScriptAction->setEnabled(static_cast<bool>(m_runScript));
}

SaveSources MainWindow::saveSources() const
{
    return {m_recorder, m_journal, m_serverDescription.toStdString(), m_masked};
}

bool MainWindow::saveSessionAs(const QString& path, QString& reason) const
{
    return saveSessionTo(path, saveSources(), reason);
}

bool MainWindow::saveJournalAs(const QString& path, QString& reason) const
{
    return saveJournalTo(path, saveSources(), reason);
}

bool MainWindow::chooseAndSaveSession()
{
    const auto note = vantrel::chooseAndSaveSession(this, saveSources());
    if (note)
        m_status->setNote(*note);
    return note.has_value();
}

void MainWindow::chooseAndSaveJournal()
{
    if (const auto note = vantrel::chooseAndSaveJournal(this, saveSources()))
        m_status->setNote(*note);
}

void MainWindow::showScriptRun(const QString& path, int status, const QString& output)
{
    if (!m_scriptOutput) {
        m_scriptOutput = std::make_unique<QPlainTextEdit>();
        m_scriptOutput->setWindowFlag(Qt::Window);
        m_scriptOutput->setObjectName("ScriptRun");
        m_scriptOutput->setReadOnly(true);
        m_scriptOutput->setLineWrapMode(QPlainTextEdit::NoWrap);
        m_scriptOutput->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        m_scriptOutput->resize(760, frameGeometry().height());
    }
    const QString verdict = status == 0 ? "passed" : status == 1 ? "failed" : "stopped";
    m_scriptOutput->setWindowTitle(QStringLiteral("Script run: %1 (%2)").arg(QFileInfo(path).fileName(), verdict));
    showPicturesMarked(m_scriptOutput.get(), output); // control bytes as legible marks
    m_scriptOutput->moveCursor(QTextCursor::End); // the verdict and any failure are at the end
    placeBesideMain(*m_scriptOutput, *this);
    m_scriptOutput->show();
    m_scriptOutput->raise();
    m_scriptOutput->activateWindow();
    m_status->setNote("script " + QFileInfo(path).fileName() + " " + verdict);
}

void MainWindow::chooseAndRunScript()
{
    const QString path = QFileDialog::getOpenFileName(this, "Run script", {}, "Session scripts (*.vts);;All files (*)");
    if (!path.isEmpty() && m_runScript)
        m_runScript(path);
}

void MainWindow::setServerDescription(const QString& description)
{
    m_serverDescription = description;
    m_status->setServer(description);
}

void MainWindow::showWaiting(bool waiting, const QString& member)
{
    m_status->setWaiting(waiting, member);
    if (waiting)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void MainWindow::buildSelector()
{
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    for (int n = 1; n <= 32; ++n) {
        const int column = n <= 16 ? 0 : 1;
        const int row = (n - 1) % 16;
        const int top = 1320 + 360 * row;
        auto* radio = new QRadioButton(client());
        radio->setObjectName(QStringLiteral("Button%1").arg(n));
        radio->setGeometry(toPixels({column ? 7800 : 6840, top, 255, 255}));
        radio->installEventFilter(this);
        group->addButton(radio, n);
        connect(radio, &QRadioButton::clicked, this, [this, n] { selectorClicked(n); });
        m_selector.push_back(radio);
        addLabel({"ButtLab" + std::to_string(n), std::to_string(n), {column ? 8160 : 7200, top, 255, 255}, colours::White})
            ->setAlignment(Qt::AlignCenter);
    }
    m_selector.front()->setChecked(true);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (m_inBox && watched == m_inBox->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        showInspector();
        return true;
    }
    auto* radio = qobject_cast<QRadioButton*>(watched);
    if (radio) {
        const int n = static_cast<int>(std::find(m_selector.begin(), m_selector.end(), radio) - m_selector.begin()) + 1;
        const auto type = event->type();
        // Focus that leaves or returns with the whole window (a dialog opening,
        // another application) is no move between controls; only real moves count.
        if (type == QEvent::FocusIn || type == QEvent::FocusOut) {
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
                return Form::eventFilter(watched, event);
        }
        switch (type) {
        case QEvent::FocusIn: selectorFocusIn(n); break;
        case QEvent::FocusOut: selectorFocusOut(n); break;
        case QEvent::MouseButtonPress:
            // A click into a window that is not active gives the button the focus
            // only once the window becomes active, with no focus move to see:
            // the first click does its focus work here, as every later one does.
            if (!isActiveWindow() && m_selectorFocus != n)
                selectorFocusIn(n);
            break;
        case QEvent::MouseButtonDblClick: selectorDoubleClicked(n); break;
        default: break;
        }
    }
    return Form::eventFilter(watched, event);
}

UserAction MainWindow::selectorAction(UserAction::Kind kind, int n) const
{
    return {kind, objectName().toStdString(), "Button" + std::to_string(n), n, {}};
}

void MainWindow::selectorClicked(int n)
{
    run([n](Session& s) { shell::selectorClick(s, n); }, selectorAction(UserAction::Kind::Click, n));
}

void MainWindow::selectFromBoard(int n)
{
    if (n < 1 || n > static_cast<int>(m_selector.size()) || session().handlerRunning())
        return;
    QRadioButton* radio = m_selector[static_cast<std::size_t>(n - 1)];
    // The button takes the focus once this window is active again; its focus
    // work runs now, as for a click into an inactive window.
    radio->setFocus(Qt::OtherFocusReason);
    selectorFocusIn(n);
    radio->setChecked(true);
    selectorClicked(n);
}

void MainWindow::selectorDoubleClicked(int n)
{
    run([n](Session& s) { shell::selectorDoubleClick(s, n); }, selectorAction(UserAction::Kind::DoubleClick, n));
}

void MainWindow::selectorFocusIn(int n)
{
    if (m_selectorFocus == n)
        return;
    if (m_selectorFocus)
        selectorFocusOut(m_selectorFocus);
    m_selectorFocus = n;
    run([n](Session& s) { shell::selectorGotFocus(s, n); }, selectorAction(UserAction::Kind::Focus, n));
}

void MainWindow::selectorFocusOut(int n)
{
    if (m_selectorFocus != n)
        return;
    m_selectorFocus = 0;
    run([n](Session& s) { shell::selectorLostFocus(s, n); }, selectorAction(UserAction::Kind::LostFocus, n));
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    emit closing();
    Form::closeEvent(event);
}

} // namespace vantrel
