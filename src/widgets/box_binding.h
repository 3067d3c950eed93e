// Keeps a widget showing one of the session's boxes: a line in display form
// (control pictures), a multi-line box with each control byte as a short
// coloured mark. The session holds the exact bytes; the widget only shows them.
#pragma once

#include "session/session_observer.h"

#include <QFont>
#include <QString>

class QLineEdit;
class QPlainTextEdit;

namespace vantrel {

class Session;

// The line a view shows above a box that has dropped its oldest bytes.
QString droppedNote(std::size_t dropped);

class BoxBinding : public SessionObserver {
public:
    // With `fitWidth` the line's face shrinks for a long text so that the whole
    // text shows, and the whole text is its tooltip as well.
    BoxBinding(Session& session, Box box, QLineEdit* line, bool fitWidth = false);
    BoxBinding(Session& session, Box box, QPlainTextEdit* text);
    ~BoxBinding() override;
    BoxBinding(const BoxBinding&) = delete;
    BoxBinding& operator=(const BoxBinding&) = delete;

    void boxChanged(Box box, std::string_view text) override;
    void boxAppended(Box box, std::string_view appended, std::string_view whole) override;

private:
    Session& m_session;
    Box m_box;
    QLineEdit* m_line = nullptr;
    QPlainTextEdit* m_text = nullptr;
    bool m_fitWidth = false;
    QFont m_baseFont;
};

} // namespace vantrel
