// The main window VantrelTest: the command buttons of the shell, fueling
// and reader tables, the 32-position selector, the description box TextBox,
// the result box InBox, the position display and the stress timer Timer1.
#pragma once

#include "widgets/box_binding.h"
#include "widgets/form.h"

#include <QDate>

#include <memory>
#include <vector>

class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QRadioButton;

namespace vantrel {

class ProgressWindow;
class RecordInspector;
class StatusLine;

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
    RecordInspector* inspector() const { return m_inspector.get(); }
    ProgressWindow* progressWindow() const { return m_progress.get(); }
    // Where a document of docs/ is found: the sources, else the installed copy; empty if neither.
    static QString documentPath(const char* name);

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
    void selectorFocusIn(int n);
    void selectorFocusOut(int n);

    QLineEdit* m_textBox = nullptr;
    QPlainTextEdit* m_inBox = nullptr;
    QLineEdit* m_pumpNumber = nullptr;
    std::vector<QRadioButton*> m_selector;
    std::vector<std::unique_ptr<BoxBinding>> m_bindings;
    StatusLine* m_status = nullptr;
    QMenuBar* m_menuBar = nullptr;
    QMenu* m_viewMenu = nullptr;
    std::unique_ptr<RecordInspector> m_inspector;
    std::unique_ptr<ProgressWindow> m_progress;
    QString m_serverDescription;
    int m_selectorFocus = 0; // the selector button whose focus work ran last, 0 for none
};

} // namespace vantrel
