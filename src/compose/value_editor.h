// The value of a composed call, edited three ways that stay in step: Text
// (script escapes, each control byte shown as the inspector's mark colours),
// Lines (key=value, lines.h) and Hex. The view being edited is read on every
// change; when it reads whole, its bytes become the value and the other views
// are written again from them (a view out of sight when it is next shown).
// When it does not, its problems are underlined where they stand, the value
// keeps its last whole bytes, and problem() says what is wrong.
#pragma once

#include "value_views.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <string>

class QPlainTextEdit;
class QTabWidget;

namespace vantrel::compose {

class LinesTable;

class ValueEditor : public QWidget {
public:
    enum View { TextView, LinesView, HexView, ViewCount };

    // `changed` is told after each edit and each setBytes.
    explicit ValueEditor(std::function<void()> changed, QWidget* parent = nullptr);
    ~ValueEditor() override;

    void setBytes(const std::string& bytes);
    // The last whole bytes of the value.
    const std::string& bytes() const { return m_bytes; }
    // What is wrong with the view being edited ("Hex, at character 5: ..."); empty when nothing.
    QString problem() const { return m_problem; }
    bool ok() const { return m_problem.isEmpty(); }

    // Types the byte's escape at the Text view's cursor (showing that view).
    void insertByte(unsigned char byte);
    // Asks for a byte (Insert byte…) and types it.
    void pickByte();

    QTabWidget* tabs() const { return m_tabs; }
    QPlainTextEdit* textView() const { return m_text; }
    QPlainTextEdit* hexView() const { return m_hex; }
    LinesTable* linesView() const { return m_lines; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void edited(View view);
    void accept(View source, std::string bytes);
    void refresh(View view);
    void setProblem(View view, const QString& problem);
    void markProblems(QPlainTextEdit* edit, const std::vector<Problem>& problems);

    std::function<void()> m_changed;
    std::string m_bytes;
    QString m_problem;
    std::array<bool, ViewCount> m_stale{};
    bool m_writing = false; // a view is being written, not edited
    QTabWidget* m_tabs = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QPlainTextEdit* m_hex = nullptr;
    LinesTable* m_lines = nullptr;
};

} // namespace vantrel::compose
