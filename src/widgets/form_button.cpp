#include "form_button.h"

#include "legible.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace vantrel {

namespace {
constexpr const char* kFaceProperty = "vantrelFace";

QColor toColour(Bgr colour) { return QColor(colour.red(), colour.green(), colour.blue()); }

// A button of a control table. A coloured one paints its own face, flat in
// its colour with a darker rim, a shade darker while it is held down: the
// same on every platform style and theme, and without the style of its own
// that a style sheet gives every widget it is set on (worked out when the
// widget is first polished, a cost the start-up paid for each coloured
// button and its caption). Its caption, a label inside it, takes black or
// white from the button's palette.
// It draws its focus plainly, on every face colour: a ring in the palette's
// highlight colour with a line inside it in black or white, whichever stands
// out on the face; the style's own focus mark is faint on a coloured face and
// shows only after a key was pressed.
class FormButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const QVariant face = property(kFaceProperty);
        if (face.isValid())
            paintFace(face.value<QColor>());
        else
            QPushButton::paintEvent(event);
        if (!hasFocus())
            return;
        const QColor ground = face.isValid() ? face.value<QColor>() : palette().color(QPalette::Button);
        QPainter painter(this);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
        painter.setPen(QPen(textColourOn(ground), 1));
        painter.drawRect(QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5));
    }
    void focusInEvent(QFocusEvent* event) override
    {
        QPushButton::focusInEvent(event);
        update();
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        QPushButton::focusOutEvent(event);
        update();
    }

private:
    void paintFace(QColor face)
    {
        if (isDown() || isChecked())
            face = face.darker(115);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(face.darker(150), 1));
        painter.setBrush(face);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    }
};
} // namespace

QPushButton* makeFormButton(QWidget* parent) { return new FormButton(parent); }

void paintButton(QWidget* widget, Bgr colour)
{
    // The text is in black or white, whichever reads on the face under any theme.
    const QColor face = toColour(colour);
    const QColor text = textColourOn(face);
    QPalette colours = widget->palette();
    if (qobject_cast<QLabel*>(widget)) {
        // A label's ground is its own filled background, which every style
        // draws from the palette as it is.
        colours.setColor(QPalette::Window, face);
        colours.setColor(QPalette::WindowText, text);
        widget->setAutoFillBackground(true);
    } else {
        // A button of a form paints the face itself; the palette gives its
        // caption the text colour, and any other button a face on the
        // styles that draw it from the palette.
        colours.setColor(QPalette::Button, face);
        colours.setColor(QPalette::ButtonText, text);
    }
    widget->setPalette(colours);
    widget->setProperty(kFaceProperty, face);
    widget->update();
}

} // namespace vantrel
