// The compose window (File → New call…): any call of the server composed by
// hand and sent, or an earlier call (a row of the journal, the inspector's
// call) filled in to be edited and sent again. The member comes from what
// the server lists, or is typed; the kind (put, get, call) and the value's
// type follow a listed member and can be chosen by hand. A string value is
// edited in three views that stay in step (ValueEditor); a preview shows
// what goes out, byte for byte, before Send. A call that cannot be sent is
// marked where it goes wrong, with the reason in a line under the editor,
// and Send stays disabled.
//
// Send goes through rawCall (session/raw_call.h), as an action of its own
// made from this window: the journal, the status line, the trace and the
// recorder see it as they see a press, and no box of the main window is
// written. What came back, or "Error N: ...", shows in the window.
#pragma once

#include "composed_call.h"
#include "result_view.h"

#include "session/session_observer.h"

#include <QWidget>

#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;

namespace vantrel {
class Session;
}

namespace vantrel::compose {

class ValueEditor;

class ComposeWindow : public QWidget, public SessionObserver {
public:
    // A window of its own (Qt::Window), not modal; `parent` only ties its lifetime.
    explicit ComposeWindow(Session& session, QWidget* parent = nullptr);
    ~ComposeWindow() override;
    ComposeWindow(const ComposeWindow&) = delete;
    ComposeWindow& operator=(const ComposeWindow&) = delete;

    // The members the member box lists.
    void setMembers(std::vector<MemberEntry> members);
    // Fills the window with a call (Edit and resend).
    void compose(const ComposedCall& call);
    // The call as the window holds it (a string's last whole bytes).
    ComposedCall current() const;
    // Why the call cannot be sent; empty when it can.
    QString problem() const { return m_problem; }
    bool canSend() const { return m_problem.isEmpty(); }

    // Sends the call; false when nothing went out (a problem, or another
    // command running). A call that failed went out: true.
    bool send();
    // The call's script line onto the clipboard; false, with note() saying why, when it has none.
    bool copyScriptLine();
    QString note() const;

    ResultView* result() const { return m_result; }
    ValueEditor* editor() const { return m_editor; }

    void callMade(const CallEvent& event) override;
    void callFailed(std::string_view member, int number, std::string_view description) override;
    void errorRaised(int number, std::string_view description) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The hex preview's face follows its width, so that it shows whole lines.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void memberChosen(int index);
    void typeChanged();
    void check();
    void renderPreview();
    void setNote(const QString& note);
    Value::Type chosenType() const;
    Access chosenAccess() const;

    Session& m_session;
    std::vector<MemberEntry> m_members;
    QString m_problem;
    bool m_sending = false;
    bool m_closing = false; // the window is being destroyed: its children tell nothing more
    std::optional<CallEvent> m_sent;
    std::size_t m_sentOmitted = 0;
    std::optional<ResultView::Failure> m_failure;

    QComboBox* m_member = nullptr;
    QComboBox* m_kind = nullptr;
    QComboBox* m_type = nullptr;
    QStackedWidget* m_valueStack = nullptr;
    ValueEditor* m_editor = nullptr;
    QLineEdit* m_typed = nullptr;
    QPushButton* m_insertByte = nullptr;
    QLabel* m_problemLine = nullptr;
    QLabel* m_count = nullptr;
    QPlainTextEdit* m_previewText = nullptr;
    QPlainTextEdit* m_previewHex = nullptr;
    QPushButton* m_send = nullptr;
    QLabel* m_note = nullptr;
    ResultView* m_result = nullptr;
};

} // namespace vantrel::compose
