#include "box_binding.h"

#include "display_form.h"
#include "form.h"

#include "inspector/marked_text.h"

#include "session/session.h"

#include <QFontDatabase>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTextCursor>

namespace vantrel {

BoxBinding::BoxBinding(Session& session, Box box, QLineEdit* line, bool fitWidth)
    : m_session(session), m_box(box), m_line(line), m_fitWidth(fitWidth), m_baseFont(line->font())
{
    m_session.addObserver(this);
    boxChanged(box, session.box(box));
}

BoxBinding::BoxBinding(Session& session, Box box, QPlainTextEdit* text) : m_session(session), m_box(box), m_text(text)
{
    m_session.addObserver(this);
    boxChanged(box, session.box(box));
}

BoxBinding::~BoxBinding() { m_session.removeObserver(this); }

// Records read best in a fixed-width face: columns of keys and bytes line up.
// The face is set when the box first has text: an empty box looks the same in
// any face, and finding the system's fixed face is a font search (fontconfig
// sorts every installed font) that the start-up need not wait for.
void BoxBinding::useFixedFace()
{
    if (m_fixedFace)
        return;
    m_fixedFace = true;
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(m_text->font().pointSize());
    m_text->setFont(fixed);
}

void BoxBinding::boxChanged(Box box, std::string_view text)
{
    if (box != m_box)
        return;
    if (m_line) {
        // A line shows the start of its text; what it cannot show whole is cut with "…".
        const bool cut = text.size() > static_cast<std::size_t>(kLineShown);
        QString shown = toDisplayForm(text.substr(0, static_cast<std::size_t>(kLineShown)), false);
        if (cut)
            shown += QChar(0x2026);
        if (m_fitWidth) {
            m_line->setFont(m_baseFont);
            const int margins = m_line->textMargins().left() + m_line->textMargins().right() + 8;
            fitText(m_line, shown, m_line->width() - margins, false);
            m_line->setToolTip(shown);
        }
        m_line->setText(shown);
        m_line->setCursorPosition(0); // show the start of a long description
    }
    if (m_text)
        showTail(text, kShownBytes);
}

void BoxBinding::showTail(std::string_view whole, std::size_t keep)
{
    const std::size_t start = tailStart(whole, keep, keep / 16);
    // Control bytes as short coloured marks; the session keeps the bytes.
    const std::size_t dropped = m_session.droppedBytes(m_box);
    QString note = dropped ? droppedNote(dropped) : QString();
    if (start)
        note += hiddenNote(start);
    m_shown = whole.size() - start;
    if (!whole.empty() || !note.isEmpty())
        useFixedFace();
    showMarked(m_text, whole.substr(start), note);
}

void BoxBinding::boxAppended(Box box, std::string_view appended, std::string_view whole)
{
    if (box != m_box)
        return;
    if (!m_text) {
        boxChanged(box, whole);
        return;
    }
    if (m_shown + appended.size() > kShownBytes) {
        // The view is full: it starts again from the newest three quarters,
        // so the appends after this one again cost only what they add.
        showTail(whole, kShownBytes / 4 * 3);
        return;
    }
    // Only the new text goes into the document, so an append costs what it adds.
    if (!appended.empty())
        useFixedFace();
    appendMarked(m_text, appended);
    m_shown += appended.size();
}

QString droppedNote(std::size_t dropped)
{
    return QStringLiteral("[%1 earlier bytes dropped: the box keeps at most its newest %2 KiB]\n")
        .arg(QLocale::c().toString(static_cast<qulonglong>(dropped)))
        .arg(Session::kBoxLimit / 1024);
}

QString hiddenNote(std::size_t hidden)
{
    return QStringLiteral("[%1 older bytes of the box not shown here: the view shows its newest %2 KiB]\n")
        .arg(QLocale::c().toString(static_cast<qulonglong>(hidden)))
        .arg(BoxBinding::kShownBytes / 1024);
}

} // namespace vantrel
