// The Call Journal window: every call of the run in a table beside the main
// window, newest last; filter by member, by client or by text, clear. A
// selected row is shown in the record inspector (again on a double click or
// Enter); "Copy as script line" (Ctrl+Shift+L, and the row's context menu)
// puts the raw call line that makes the row's call on the clipboard. While
// the site tap runs (or a capture was opened) a line above the table says
// what it sees, and "Show other messages" lists the messages outside the
// contract in a second small table.
#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QPushButton;
class QTreeWidget;

class QComboBox;
class QLabel;
class QLineEdit;
class QTreeView;

namespace vantrel {
struct CallEvent;
}

namespace vantrel::journal {

class CallJournal;
struct JournalEntry;
class JournalFilter;
class JournalModel;

class JournalWindow : public QWidget {
public:
    // `inspect` is handed the selected row's entry.
    JournalWindow(CallJournal& journal, std::function<void(const JournalEntry&)> inspect, QWidget* parent = nullptr);
    ~JournalWindow() override;

    JournalModel* model() const { return m_model; }
    QTreeView* view() const { return m_view; }
    // The filters the member list and the text field set; empty shows every row.
    void setFilter(const QString& member, const QString& text);
    // The client list's filter: nothing shows every client, "" the utility's own calls.
    void setClientFilter(const std::optional<std::string>& client);
    QComboBox* clientList() const { return m_clients; }

    // The site tap's line ("... K other messages"); empty hides it with the
    // other messages. " (hidden)" follows it while they are not shown.
    void setTapLine(const QString& line);
    QString tapLine() const;
    // The messages outside the contract, one row of texts each (time, kind,
    // sender, destination, member, detail), asked for while they are shown.
    using OtherRows = std::function<std::vector<QStringList>()>;
    void setOtherMessages(OtherRows rows) { m_otherRows = std::move(rows); }
    void showOtherMessages(bool shown);
    QTreeWidget* otherMessages() const { return m_others; }

    // Copies the current row's script line; false, with note() saying why, when it has none.
    bool copyScriptLine();
    // Edit and resend (Ctrl+E, the row's context menu, and its button):
    // hands the current row's call to `edit`; false, with note() saying why,
    // for a row whose value was kept only in part or is no value of the contract.
    void setEditAndResend(std::function<void(const CallEvent&)> edit);
    bool editAndResend();
    // What the window said last of a copy.
    QString note() const;
    int shownRows() const;
    // The entry a row of the view shows.
    const JournalEntry& entryAt(const QModelIndex& index) const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fitColumns();
    void refreshMembers();
    void connectSelection();
    void refreshCount();
    void refreshClients();
    void refreshOthers();

    CallJournal& m_journal;
    std::function<void(const JournalEntry&)> m_inspect;
    JournalModel* m_model = nullptr;
    JournalFilter* m_filter = nullptr;
    QTreeView* m_view = nullptr;
    bool m_fitting = false;   // the window itself is sizing the columns
    bool m_userSized = false; // the technician sized one: their widths stay
    QComboBox* m_members = nullptr;
    QLineEdit* m_text = nullptr;
    QLabel* m_count = nullptr;
    QComboBox* m_clients = nullptr;
    std::optional<std::string> m_clientFilter;
    QWidget* m_tapBar = nullptr;
    QLabel* m_tapLine = nullptr;
    QString m_tapText; // the line as given; "(hidden)" follows while the other messages are
    QCheckBox* m_showOthers = nullptr;
    QTreeWidget* m_others = nullptr;
    OtherRows m_otherRows;
    std::function<void(const CallEvent&)> m_edit;
    QAction* m_editAction = nullptr;
    QPushButton* m_editButton = nullptr;
    QLabel* m_note = nullptr;
    QString m_memberFilter, m_textFilter;
    QTimer m_textDelay;
    QTimer m_countDelay;
    bool m_follow = true; // keep the newest row in sight while the view is at the end
};

} // namespace vantrel::journal
