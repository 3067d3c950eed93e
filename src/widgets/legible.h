// What keeps every control legible and sayable: text colours chosen against
// the background they are painted on (so that no desktop theme makes a text
// disappear), and the names a screen reader says for a control. Plain
// functions, tested without a display.
#pragma once

#include <QColor>
#include <QString>

namespace vantrel {

// Relative luminance of a colour, 0 (black) to 1 (white), as the WCAG define it.
double relativeLuminance(const QColor& colour);
// The contrast ratio of two colours, 1 (none) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);
// Black or white, whichever stands out more on `background`.
QColor textColourOn(const QColor& background);

// The accessible name of a control shown with `caption`: its words, runs
// of blanks and line breaks collapsed to one blank.
QString nameFromCaption(const QString& caption);
// The accessible name of a control that has no caption of its own (a box,
// a selector button), by its object name; empty for a name not known here.
QString nameForControl(const QString& objectName);
// A tooltip saying what a control without a caption does; empty for most.
QString purposeOfControl(const QString& objectName);

} // namespace vantrel
