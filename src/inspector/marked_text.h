// Writes bytes into a QPlainTextEdit with legible control marks: plain text
// keeps the box's own font, and each control byte appears as its short name
// ("CR", "LF", "NUL", "ESC", "SUB", ...) in bold, in the colour of its role
// on a light ground, so marks read clearly even at a result box's 8 points.
// A line break follows each LF mark, and a thin space stands between two
// marks in a row (kMarkGap), so that CR LF reads as two marks, not "CRLF".
// The session keeps the exact bytes; this is only how a view shows them. BoxBinding and the inspector's text view
// both write through here.
#pragma once

#include "control_marks.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QTextCharFormat>

#include <string_view>

class QPlainTextEdit;
class QTextCursor;

namespace vantrel {

// Shown between two adjacent marks; it stands for no byte.
inline constexpr char16_t kMarkGap = u'\u2009';

// The colours of a mark of this role: dark text on a light ground of the
// same hue, at least 4.5:1, so a mark reads the same under a light and a dark theme.
struct MarkColours {
    QColor text;
    QColor ground;
};
MarkColours markColours(inspector::MarkRole role);

// The format of a mark of this role (bold, coloured, light ground).
QTextCharFormat markFormat(inspector::MarkRole role);

// The largest face, from `face` down to 6.5 points, in which a line of
// `characters` fits `room` pixels: a hex dump shows whole lines, its text
// column included.
QFont faceForWholeLines(QFont face, int characters, int room);

// The byte a control picture stands for (U+2400..U+241F, U+2421 for DEL), or
// -1 for any other character: text already in display form.
int pictureByte(QChar c);
// Replaces the edit's text by `text`, its control pictures written as marks:
// for output that holds bytes in display form (a script run's report).
void showPicturesMarked(QPlainTextEdit* edit, const QString& text);

// Replaces the edit's text by the marked form of `bytes`, after `note` (plain
// text, for example the line that says a box dropped its oldest bytes). The
// edit's undo history is switched off: a view of bytes has nothing to undo,
// and a long record would otherwise be kept twice.
void showMarked(QPlainTextEdit* edit, std::string_view bytes, const QString& note = {});
// Adds the marked form of `bytes` at the end, at the cost of what is added.
void appendMarked(QPlainTextEdit* edit, std::string_view bytes);
// Inserts the marked form at the cursor (with a gap first when the cursor
// stands right after a mark).
void insertMarked(QTextCursor& cursor, std::string_view bytes);

} // namespace vantrel
