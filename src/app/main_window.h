// The main window VantrelTest: the command buttons of the shell, fueling
// and reader tables, the 32-position selector, the description box TextBox,
// the result box InBox, the position display and the stress timer Timer1.
#pragma once

#include "widgets/box_binding.h"
#include "widgets/form.h"

#include <QDate>

#include <functional>
#include <memory>
#include <vector>

class QAction;

class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QRadioButton;

namespace vantrel {

namespace board {
class BoardWindow;
class SiteSource;
}
namespace compose {
class ComposeWindow;
struct MemberEntry;
} // namespace compose
namespace forecourt {
class ForecourtServer;
}
namespace journal {
class CallJournal;
class JournalWindow;
class SessionRecorder;
} // namespace journal

class HelpWindow;
struct SaveSources;
class SiteBook;
class ProgressWindow;
class RecordInspector;
class StatusLine;
class TapJournal;

class MainWindow : public Form {
    Q_OBJECT
public:
    MainWindow(Session& session, const QString& title);
    ~MainWindow() override;

    QRadioButton* selectorButton(int n) const { return m_selector.at(static_cast<std::size_t>(n - 1)); }
    QLineEdit* textBox() const { return m_textBox; }
    QPlainTextEdit* inBox() const { return m_inBox; }
    QLineEdit* pumpNumberBox() const { return m_pumpNumber; }

    // The status line below the client area.
    void setServerDescription(const QString& description);
    void showWaiting(bool waiting, const QString& member);
    StatusLine* statusLine() const { return m_status; }
    QMenuBar* menuBar() const { return m_menuBar; }
    // The View menu: windows beside the main window add their entries here.
    QMenu* viewMenu() const { return m_viewMenu; }
    // The record inspector: it follows every call; shown beside the main window.
    void showInspector();
    // The call journal of the run and the recorder of the session: the View
    // menu shows the journal beside the main window, the File menu saves the
    // session as a script and the journal as a trace.
    void setJournal(journal::CallJournal* journal, journal::SessionRecorder* recorder);
    void showJournal();
    journal::JournalWindow* journalWindow() const { return m_journalWindow.get(); }
    // The forecourt board of the simulated site, beside the main window;
    // made when first asked for, from the source `makeSite` gives: the
    // embedded forecourt, or the simulator on D-Bus. `makeSite` gives nothing,
    // with the reason, when the server has no site to show. Without a
    // `makeSite` the View entry is disabled.
    using SiteMaker = std::function<std::unique_ptr<board::SiteSource>(std::string& whyNot)>;
    void setSite(SiteMaker makeSite);
    void showBoard();
    board::BoardWindow* boardWindow() const { return m_board.get(); }
    // File → New call… (main_window_compose.cpp): the compose window beside
    // the main window, made when first asked for; its member box lists what
    // `members` gives (nothing without it: members are typed). Edit and
    // resend, from a journal row or the inspector, opens it filled with that call.
    using MemberList = std::function<std::vector<compose::MemberEntry>()>;
    void setComposeMembers(MemberList members);
    void showCompose();
    void editAndResend(const CallEvent& call);
    compose::ComposeWindow* composeWindow() const { return m_compose.get(); }
    // View → Site Tap (main_window_tap.cpp): the calls other clients make
    // to this run's server on D-Bus, as rows of the journal. Starting needs
    // a server on D-Bus; false, with the reason, when the tap cannot start.
    bool startSiteTap(QString& reason);
    void stopSiteTap();
    // The action's way: a message box says why a tap cannot start.
    void setSiteTap(bool on);
    // File → Open capture…: the capture's exchanges as rows of the journal;
    // false, with the reason, when the file cannot be read. `report` says
    // what was read and which blocks were skipped, and why (the first few).
    bool openCapture(const QString& path, QString& report);
    // The same, the report in a message box over the window.
    void openCaptureAndReport(const QString& path);
    // File → Save tap as capture…: the messages of the last tap or capture.
    bool saveTapCapture(const QString& path, QString& reason) const;
    TapJournal* siteTap() const { return m_tap.get(); }
    // Whether saved files mask cardholder data (not with --trace-unmasked).
    void setMasked(bool masked) { m_masked = masked; }
    // File → Run script… hands the chosen script here; without it the action is disabled.
    void setScriptRunner(std::function<void(const QString& path)> run);
    // What a script run from the File menu printed, in a window of its own, and its verdict in the status line.
    void showScriptRun(const QString& path, int status, const QString& output);
    // Saving without dialogs: false, with the reason, when the file cannot be written.
    bool saveSessionAs(const QString& path, QString& reason) const;
    bool saveJournalAs(const QString& path, QString& reason) const;
    RecordInspector* inspector() const { return m_inspector.get(); }
    ProgressWindow* progressWindow() const { return m_progress.get(); }
    // File → Connect to server…: the server of this run and its timeout (the
    // dialog starts with them), the saved sites, and how the utility starts
    // again with another server (by default a new process of this program;
    // the empty text when it started, else the reason).
    void setConnection(const QString& server, int timeoutMs, SiteBook* sites);
    using Relauncher = std::function<QString(const QStringList& args)>;
    void setRelauncher(Relauncher relaunch) { m_relaunch = std::move(relaunch); }
    // The site file the embedded simulator of this run was made on (--site):
    // a new run with the embedded simulator is made on it again.
    void setSiteFile(const QString& path) { m_siteFile = path; }
    void chooseAndConnect();
    // Connects as the dialog does once accepted: offers to save a session
    // that made calls, starts the utility again with `server`, and ends this
    // run. False when nothing was done (cancelled, or the start failed).
    bool connectTo(const QString& server, int timeoutMs, const QString& siteName);
    // The manual in a window of its own: a document by its path below the
    // documentation root ("README.md", "docs/scripts.md").
    void showHelp(const QString& relative);
    HelpWindow* helpWindow() const { return m_help.get(); }

    // The selector's events, as the mouse and the keyboard give them (and a
    // script, by the same way): each runs its handler as an action.
    void selectorClicked(int n);
    void selectorDoubleClicked(int n);
    void selectorFocusIn(int n);
    void selectorFocusOut(int n);
    // A pump chosen on the board: what a click on its selector button does
    // (the focus work, then the click), and the focus left on that button.
    void selectFromBoard(int n);
    // The selector button whose focus work ran last, 0 for none.
    int selectorFocus() const { return m_selectorFocus; }

    // "Vantrel Test Utility  (" + short date + ")"
    static QString titleFor(const QDate& date);

signals:
    void closing();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildSelector();
    void buildMenus();
    void connectEditAndResend();
    SaveSources saveSources() const;
    bool chooseAndSaveSession(); // false when nothing was saved
    void chooseAndSaveJournal();
    void chooseAndRunScript();
    void chooseAndOpenCapture();
    void chooseAndSaveTapCapture();
    void showTapJournal();
    void tellTap(const QString& text, bool warning);
    UserAction selectorAction(UserAction::Kind kind, int n) const;

    QLineEdit* m_textBox = nullptr;
    QPlainTextEdit* m_inBox = nullptr;
    QLineEdit* m_pumpNumber = nullptr;
    std::vector<QRadioButton*> m_selector;
    std::vector<std::unique_ptr<BoxBinding>> m_bindings;
    StatusLine* m_status = nullptr;
    QMenuBar* m_menuBar = nullptr;
    QMenu* m_viewMenu = nullptr;
    std::unique_ptr<RecordInspector> m_inspector;
    journal::CallJournal* m_journal = nullptr;
    journal::SessionRecorder* m_recorder = nullptr;
    std::unique_ptr<journal::JournalWindow> m_journalWindow;
    std::unique_ptr<board::BoardWindow> m_board;
    std::unique_ptr<compose::ComposeWindow> m_compose;
    MemberList m_composeMembers;
    SiteMaker m_makeSite;
    QAction* m_boardAction = nullptr;
    std::unique_ptr<TapJournal> m_tap; // the tap running, or the last one (or capture), for saving
    QAction* m_tapAction = nullptr;
    QAction* m_saveTapAction = nullptr;
    std::unique_ptr<QPlainTextEdit> m_scriptOutput;
    std::function<void(const QString&)> m_runScript;
    QAction* m_runScriptAction = nullptr;
    bool m_masked = true;
    std::unique_ptr<ProgressWindow> m_progress;
    std::unique_ptr<HelpWindow> m_help;
    QString m_serverSpec;
    int m_timeoutMs = 5000;
    SiteBook* m_sites = nullptr;
    QAction* m_connectAction = nullptr;
    Relauncher m_relaunch;
    QString m_siteFile;
    QString m_serverDescription;
    int m_selectorFocus = 0; // the selector button whose focus work ran last, 0 for none
};

} // namespace vantrel
