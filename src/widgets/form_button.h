// The buttons of the control tables, and the colours of a coloured control.
#pragma once

#include "session/button_spec.h"

class QPushButton;
class QWidget;

namespace vantrel {

// A button of a control table: its focus drawn plainly on any face, and a
// face of its own colour once paintButton gave it one.
QPushButton* makeFormButton(QWidget* parent);
// Paints a control's face (a button, a label) in `colour`, its text in black
// or white, whichever reads on it.
void paintButton(QWidget* button, Bgr colour);

} // namespace vantrel
