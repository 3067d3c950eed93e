#include "marked_text.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

#include <array>

namespace vantrel {

namespace {

// Set on the format of every mark, so an append can tell that the box ends in one.
constexpr int kMarkProperty = QTextFormat::UserProperty + 1;

void insertSegments(QTextCursor& cursor, std::string_view bytes, bool afterMark);

} // namespace

MarkColours markColours(inspector::MarkRole role)
{
    switch (role) {
    case inspector::MarkRole::LineEnd: return {QColor(0x0B, 0x4F, 0x9C), QColor(0xDC, 0xEB, 0xFF)};
    case inspector::MarkRole::Nul: return {QColor(0xB0, 0x00, 0x20), QColor(0xFF, 0xE0, 0xE0)};
    case inspector::MarkRole::Escape: return {QColor(0x6A, 0x1B, 0x9A), QColor(0xF0, 0xE0, 0xFF)};
    case inspector::MarkRole::Control: break;
    }
    return {QColor(0x7A, 0x4A, 0x00), QColor(0xFF, 0xEE, 0xC2)};
}

int pictureByte(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 0x2400 && u <= 0x241F)
        return u - 0x2400;
    return u == 0x2421 ? 0x7F : -1;
}

void showPicturesMarked(QPlainTextEdit* edit, const QString& text)
{
    edit->document()->setUndoRedoEnabled(false);
    edit->clear();
    QTextCursor cursor(edit->document());
    cursor.beginEditBlock();
    const QTextCharFormat plain;
    QString run;
    bool afterMark = false; // right after a mark, where the next mark needs a gap
    for (const QChar ch : text) {
        const int byte = pictureByte(ch);
        if (byte < 0) {
            run += ch;
            afterMark = false;
            continue;
        }
        if (!run.isEmpty())
            cursor.insertText(run, plain);
        else if (afterMark)
            cursor.insertText(QString(QChar(kMarkGap)), plain);
        run.clear();
        const auto c = static_cast<unsigned char>(byte);
        const std::string_view name = inspector::markName(c);
        cursor.insertText(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())),
                          markFormat(inspector::markRole(c)));
        afterMark = true;
    }
    if (!run.isEmpty())
        cursor.insertText(run, plain);
    cursor.endEditBlock();
}

QTextCharFormat markFormat(inspector::MarkRole role)
{
    const MarkColours colours = markColours(role);
    QTextCharFormat format;
    format.setFontWeight(QFont::Bold);
    format.setForeground(QBrush(colours.text));
    format.setBackground(QBrush(colours.ground));
    format.setProperty(kMarkProperty, true);
    return format;
}

void insertMarked(QTextCursor& cursor, std::string_view bytes)
{
    insertSegments(cursor, bytes, cursor.charFormat().boolProperty(kMarkProperty));
}

namespace {

void insertSegments(QTextCursor& cursor, std::string_view bytes, bool afterMark)
{
    static const std::array<QTextCharFormat, 4> marks = {
        markFormat(inspector::MarkRole::LineEnd), markFormat(inspector::MarkRole::Nul),
        markFormat(inspector::MarkRole::Escape), markFormat(inspector::MarkRole::Control)};
    // An empty format takes the document's own font: plain text looks as the box always did.
    const QTextCharFormat plain;
    const QString gap{QChar(kMarkGap)};
    cursor.beginEditBlock();
    // afterMark: right after a mark on the same line, where the next mark needs a gap.
    for (const inspector::Segment& segment : inspector::splitMarked(bytes)) {
        const QString text = QString::fromLatin1(segment.text.data(), static_cast<qsizetype>(segment.text.size()));
        if (segment.kind == inspector::Segment::Kind::Text) {
            cursor.insertText(text, plain);
            afterMark = false;
            continue;
        }
        if (afterMark)
            cursor.insertText(gap, plain);
        cursor.insertText(text, marks[static_cast<std::size_t>(segment.role)]);
        afterMark = !segment.breakAfter;
        if (segment.breakAfter)
            cursor.insertBlock(cursor.blockFormat(), plain);
    }
    cursor.endEditBlock();
}

} // namespace

void showMarked(QPlainTextEdit* edit, std::string_view bytes, const QString& note)
{
    edit->document()->setUndoRedoEnabled(false);
    edit->clear();
    QTextCursor cursor(edit->document());
    if (!note.isEmpty())
        cursor.insertText(note, QTextCharFormat());
    insertMarked(cursor, bytes);
}

void appendMarked(QPlainTextEdit* edit, std::string_view bytes)
{
    QTextCursor end(edit->document());
    end.movePosition(QTextCursor::End);
    insertMarked(end, bytes);
}

QFont faceForWholeLines(QFont face, int characters, int room)
{
    const QString line(characters, QLatin1Char('0'));
    while (face.pointSizeF() > 6.5 && QFontMetrics(face).horizontalAdvance(line) > room)
        face.setPointSizeF(face.pointSizeF() - 0.5);
    return face;
}

} // namespace vantrel
