// The Record Inspector: a window beside the main window that follows the
// last server call and shows its bytes (the record put, or the text that
// came back) large, in three views: Text with legible control marks, a Hex
// dump, and the key=value Table with line ends and what is odd. Three
// buttons copy the bytes as text, as hex or as a C string literal.
//
// It listens to the session like every other view: callMade keeps the call,
// callFailed adds the error to the header. While the window is hidden a call
// only replaces the kept event; the views are drawn when the window is shown,
// and while it is shown at most once per turn of the event loop, so a run of
// calls costs one drawing.
#pragma once

#include "session/session_observer.h"

#include <QTimer>
#include <QWidget>

#include <optional>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableView;

namespace vantrel {

class RecordTableModel;
class Session;

class RecordInspector : public QWidget, public SessionObserver {
public:
    // A window of its own (Qt::Window), not modal; `parent` only ties its lifetime.
    explicit RecordInspector(Session& session, QWidget* parent = nullptr);
    ~RecordInspector() override;
    RecordInspector(const RecordInspector&) = delete;
    RecordInspector& operator=(const RecordInspector&) = delete;

    void callMade(const CallEvent& event) override;
    void callFailed(std::string_view member, int number, std::string_view description) override;

    // The bytes and the header line of the last call: what the views show,
    // or will show when the window is next shown.
    std::string bytes() const;
    QString header() const;

    // Shows an earlier call (a row of the journal) until the next call comes.
    void inspect(const CallEvent& event, std::optional<int> errorNumber, const std::string& errorDescription);

    void copyAsText();
    void copyAsHex();
    void copyAsCString();

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Failure {
        int number;
        std::string description;
    };

    void scheduleRender();
    void render();
    void copy(const std::string& text);

    Session& m_session;
    std::optional<CallEvent> m_event;
    std::optional<Failure> m_failure;
    bool m_stale = true;
    QTimer m_renderTimer;

    QLabel* m_header = nullptr;
    QTabWidget* m_tabs = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QPlainTextEdit* m_hex = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_findings = nullptr;
    RecordTableModel* m_model = nullptr;
};

} // namespace vantrel
