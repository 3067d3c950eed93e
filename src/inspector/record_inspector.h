// The Record Inspector: a window beside the main window that follows the
// last server call and shows its bytes (the record put, or the text that
// came back) large, in three views: Text with legible control marks, a Hex
// dump, and the key=value Table with line ends and what is odd. Three
// buttons copy the bytes as text, as hex or as a C string literal, and a
// fourth the call as the script line that makes it again (raw_call.h).
//
// It listens to the session like every other view: callMade keeps the call,
// callFailed adds the error to the header. While the window is hidden a call
// only replaces the kept event; the views are drawn when the window is shown,
// and while it is shown at most once per turn of the event loop, so a run of
// calls costs one drawing. The views themselves are made when the window is
// first shown: an inspector nobody opens costs the utility's start-up nothing
// but the kept call.
//
// A server may answer with many megabytes. The inspector keeps the first
// kKeptBytes of a value (a row of the journal brings its own bounded copy),
// and its views lay out at most the first kViewBytes of those; the header,
// the views and every copy say how much they leave out, so a part is never
// taken for the whole.
#pragma once

#include "session/session_observer.h"

#include <QTimer>
#include <QWidget>

#include <functional>
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

    static constexpr std::size_t kKeptBytes = std::size_t(1) << 20;
    static constexpr std::size_t kViewBytes = std::size_t(64) << 10;

    void callMade(const CallEvent& event) override;
    void callFailed(std::string_view member, int number, std::string_view description) override;

    // The bytes kept of the last call and the header line: what the views
    // show, or will show when the window is next shown.
    std::string bytes() const;
    // How many bytes of the value the inspector did not keep (0: bytes() is whole).
    std::size_t omittedBytes() const;
    QString header() const;

    // Shows an earlier call (a row of the journal) until the next call comes;
    // `omitted` is what the journal left out of its argument and result.
    // `argumentNote`: why an argument its client sent is not kept (a tapped call's).
    void inspect(const CallEvent& event, std::optional<int> errorNumber, const std::string& errorDescription,
                 std::size_t argumentOmitted = 0, std::size_t resultOmitted = 0, const std::string& argumentNote = {});

    void copyAsText();
    void copyAsHex();
    void copyAsCString();
    // The call's script line, exact; false, with copyNote() saying why, when it has none.
    bool copyAsScriptLine();
    QString copyNote() const;
    // Edit and resend (its button, Ctrl+Shift+E): hands the call shown to
    // `edit`; false, with copyNote() saying why, when its value was kept only
    // in part or no call is shown.
    void setEditAndResend(std::function<void(const CallEvent&)> edit);
    bool editAndResend();

    // The characters of one line of the hex view.
    static constexpr int kHexLineLength = 78;

    // The views are made when the window is first shown, or before, by
    // makeViews(), for whoever places the window by its layout's size.
    bool viewsMade() const { return m_tabs != nullptr; }
    void makeViews();
    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Failure {
        int number;
        std::string description;
    };

    void scheduleRender();
    void fitHexView();
    void render();
    void copy(const std::string& text);
    // A kept copy of a long value is said to be partial in every copy form.
    std::string partialNote() const;
    void tell(const QString& note);

    Session& m_session;
    std::optional<CallEvent> m_event;
    std::size_t m_argumentOmitted = 0, m_resultOmitted = 0;
    std::string m_argumentNote;
    QString m_copyNote;
    std::optional<Failure> m_failure;
    bool m_stale = true;
    QTimer m_renderTimer;

    QLabel* m_header = nullptr;
    QTabWidget* m_tabs = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QPlainTextEdit* m_hex = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_findings = nullptr;
    QLabel* m_note = nullptr;
    std::function<void(const CallEvent&)> m_edit;
    QPushButton* m_editButton = nullptr;
    RecordTableModel* m_model = nullptr;
};

} // namespace vantrel
