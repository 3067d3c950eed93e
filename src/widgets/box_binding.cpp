#include "box_binding.h"

#include "display_form.h"

#include "session/session.h"

#include <QFontDatabase>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace vantrel {

BoxBinding::BoxBinding(Session& session, Box box, QLineEdit* line) : m_session(session), m_box(box), m_line(line)
{
    m_session.addObserver(this);
    boxChanged(box, session.box(box));
}

BoxBinding::BoxBinding(Session& session, Box box, QPlainTextEdit* text) : m_session(session), m_box(box), m_text(text)
{
    // Records read best in a fixed-width face: columns of keys and bytes line up.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(text->font().pointSize());
    text->setFont(fixed);
    m_session.addObserver(this);
    boxChanged(box, session.box(box));
}

BoxBinding::~BoxBinding() { m_session.removeObserver(this); }

void BoxBinding::boxChanged(Box box, std::string_view text)
{
    if (box != m_box)
        return;
    if (m_line) {
        m_line->setText(toDisplayForm(text, false));
        m_line->setCursorPosition(0); // show the start of a long description
    }
    if (m_text)
        m_text->setPlainText(toDisplayForm(text, true));
}

} // namespace vantrel
