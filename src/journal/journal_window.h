// The Call Journal window: every call of the run in a table beside the main
// window, newest last; filter by member or by text, clear. A selected row
// is shown in the record inspector.
#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>

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

    CallJournal& m_journal;
    std::function<void(const JournalEntry&)> m_inspect;
    JournalModel* m_model = nullptr;
    JournalFilter* m_filter = nullptr;
    QTreeView* m_view = nullptr;
    QComboBox* m_members = nullptr;
    QLineEdit* m_text = nullptr;
    QLabel* m_count = nullptr;
    QString m_memberFilter, m_textFilter;
    QTimer m_textDelay;
    QTimer m_countDelay;
    bool m_follow = true; // keep the newest row in sight while the view is at the end
};

} // namespace vantrel::journal
