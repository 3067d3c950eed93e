// What the compose window shows of the call it sent: a header (the call's
// summary, or "Error N: description" above it when the call failed) and its
// bytes in the inspector's three views, Text with control marks, Hex and the
// key=value Table. At most the first kViewBytes are laid out, and the views
// say how much they leave out.
#pragma once

#include "session/session_observer.h"

#include <QWidget>

#include <optional>
#include <string>
#include <string_view>

class QLabel;
class QPlainTextEdit;
class QTabWidget;
class QTableView;

namespace vantrel {
class RecordTableModel;
}

namespace vantrel::compose {

// A label for a problem or an error: plain text, selectable, wrapped, in the
// NUL mark's colours (dark red on a light ground), legible under any theme.
QLabel* makeProblemLabel(const char* name);
// The style of a field whose text cannot be sent: the same colours.
QString problemStyle();

// A read-only view of bytes in the fixed face, left by Tab and named for a screen reader.
QPlainTextEdit* makeByteView(const char* name, const QString& said);
// Writes `bytes` into a view of marked text and a hex dump, each ending with `tail` (what they leave out).
void showBytes(QPlainTextEdit* text, QPlainTextEdit* hex, std::string_view bytes, const QString& tail);

class ResultView : public QWidget {
public:
    static constexpr std::size_t kViewBytes = std::size_t(64) << 10;

    explicit ResultView(QWidget* parent = nullptr);

    struct Failure {
        int number;
        std::string description;
    };
    // `omitted`: the bytes of the shown value not kept.
    void showCall(const CallEvent& event, const std::optional<Failure>& failure, std::size_t omitted = 0);
    // A line instead of a call (nothing was sent, and why).
    void showNote(const QString& note);

    QString header() const;
    QString error() const;
    QTabWidget* tabs() const { return m_tabs; }
    QPlainTextEdit* textView() const { return m_text; }
    QPlainTextEdit* hexView() const { return m_hex; }
    QTableView* tableView() const { return m_table; }

private:
    QLabel* m_header = nullptr;
    QLabel* m_error = nullptr;
    QTabWidget* m_tabs = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QPlainTextEdit* m_hex = nullptr;
    QTableView* m_table = nullptr;
    RecordTableModel* m_model = nullptr;
};

} // namespace vantrel::compose
