#include "form.h"

#include "display_form.h"
#include "form_button.h"
#include "legible.h"

#include "session/handler_runner.h"
#include "session/session.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>

namespace vantrel {

QRect toPixels(const Twips& t)
{
    return QRect(t.left / kTwipsPerPixel, t.top / kTwipsPerPixel, t.width / kTwipsPerPixel, t.height / kTwipsPerPixel);
}

bool pressFocusedButtonOnEnter(QWidget* window, QKeyEvent* event)
{
    const auto key = event->key();
    if ((key != Qt::Key_Return && key != Qt::Key_Enter) ||
        (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || event->isAutoRepeat())
        return false;
    auto* button = qobject_cast<QAbstractButton*>(window->focusWidget());
    if (!button || !button->isEnabled() || !window->isAncestorOf(button))
        return false;
    button->click();
    return true;
}

Form::Form(Session& session, const QString& objectName, const QString& caption, Twips clientSize, QWidget* owner)
    : QWidget(owner, owner ? Qt::Dialog : Qt::Window), m_session(session)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    setFixedSize(clientSize.width / kTwipsPerPixel, clientSize.height / kTwipsPerPixel);
    // The layouts are made for an 8-point face; captions fit their buttons at that size.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    if (owner) {
        setWindowModality(Qt::WindowModal);
        carryShortcutsOf(owner);
    }
}

// The windows without an owner (the record inspector, the call journal)
// open from every window: a modal window in front of the main window carries
// the main window's actions that open them, with their shortcuts.
void Form::carryShortcutsOf(QWidget* owner)
{
    QWidget* top = owner->window();
    while (top->parentWidget())
        top = top->parentWidget()->window();
    for (const char* name : kActionsEverywhere)
        if (auto* action = top->findChild<QAction*>(QString::fromLatin1(name)))
            addAction(action);
}

QPushButton* Form::button(const std::string& name) const
{
    const auto it = m_buttons.find(name);
    return it == m_buttons.end() ? nullptr : it->second;
}

QLabel* Form::addLabel(const LabelSpec& spec)
{
    auto* label = new QLabel(fromBytes(spec.caption), m_client);
    label->setObjectName(QString::fromStdString(spec.name));
    label->setGeometry(toPixels(spec.geometry));
    label->setWordWrap(true);
    // A label one line high keeps its caption on that line.
    fitText(label, label->text(), label->width(), label->height() >= 2 * QFontMetrics(label->font()).height());
    if (spec.colour) {
        // A label that paints its own ground paints its text to go with it.
        label->setAutoFillBackground(true);
        paintButton(label, *spec.colour);
    }
    return label;
}

void Form::addButtons(std::vector<ButtonSpec> specs)
{
    for (auto& spec : specs) {
        QPushButton* b = makeFormButton(m_client);
        b->setObjectName(QString::fromStdString(spec.name));
        b->setGeometry(toPixels(spec.geometry));
        // Long captions with runs of blanks wrap on narrow buttons; a label
        // inside the button keeps every blank and wraps like the original.
        auto* text = new QLabel(fromBytes(spec.caption), b);
        text->setAlignment(Qt::AlignCenter);
        text->setWordWrap(true);
        text->setAttribute(Qt::WA_TransparentForMouseEvents);
        text->setGeometry(b->rect().adjusted(2, 1, -2, -1));
        text->setObjectName(QString::fromStdString(spec.name) + "_caption");
        text->setForegroundRole(QPalette::ButtonText); // text on a button face
        fitText(text, text->text(), text->width(), true);
        const QString said = nameFromCaption(fromBytes(spec.caption));
        b->setAccessibleName(said.isEmpty() ? nameForControl(b->objectName()) : said);
        if (const QString purpose = purposeOfControl(b->objectName()); !purpose.isEmpty())
            b->setToolTip(purpose);
        if (spec.colour)
            paintButton(b, *spec.colour);
        b->setEnabled(static_cast<bool>(spec.handler));
        if (spec.handler)
            connect(b, &QPushButton::clicked, this, [this, name = spec.name] { press(name); });
        m_buttons[spec.name] = b;
        m_controls.push_back(std::move(spec));
    }
}

QTimer* Form::addTimer(const std::string& name, int intervalMs, Handler handler, bool countsWaits)
{
    auto* timer = new QTimer(this);
    timer->setObjectName(QString::fromStdString(name));
    timer->setInterval(intervalMs);
    connect(timer, &QTimer::timeout, this, [this, name] { fireTimer(name); });
    m_timers[name] = {timer, std::move(handler), countsWaits};
    if (!m_session.virtualTime)
        timer->start();
    return timer;
}

std::vector<std::string> Form::timerNames() const
{
    std::vector<std::string> names;
    for (const auto& [name, t] : m_timers)
        names.push_back(name);
    return names;
}

int Form::timerInterval(const std::string& name) const
{
    const auto it = m_timers.find(name);
    return it == m_timers.end() ? 0 : it->second.timer->interval();
}

bool Form::fireTimer(const std::string& name)
{
    const auto it = m_timers.find(name);
    if (it == m_timers.end())
        return false;
    // A tick that comes while a handler runs (a sequence waits, a call is
    // out) is skipped: no tick starts a second command in the middle. A timer
    // that counts down the running handler's wait ticks on.
    if (m_session.callInProgress() || (m_session.handlerRunning() && !it->second.countsWaits))
        return true;
    if (it->second.countsWaits) { // part of the running handler's wait, not an action of its own
        runHandler(m_session, it->second.handler);
        return true;
    }
    m_session.runAction({UserAction::Kind::Tick, objectName().toStdString(), name, 0, {}}, it->second.handler);
    return true;
}

void Form::run(const Handler& handler, const UserAction& action)
{
    // While a call is out or a sequence waits (the window keeps processing
    // events meanwhile), a click starts nothing: commands never interleave.
    if (m_session.callInProgress() || m_session.handlerRunning()) {
        QApplication::beep();
        return;
    }
    m_session.runAction(action, handler);
}

bool Form::press(const std::string& name)
{
    QPushButton* b = button(name);
    if (!b || !b->isEnabled())
        return false;
    const auto spec = std::find_if(m_controls.begin(), m_controls.end(), [&](const ButtonSpec& c) { return c.name == name; });
    if (spec == m_controls.end() || !spec->handler)
        return false;
    run(spec->handler, {UserAction::Kind::Press, objectName().toStdString(), name, 0, {}});
    return true;
}

bool Form::typeInto(const std::string& name, const QString& text)
{
    auto* line = findChild<QLineEdit*>(QString::fromStdString(name));
    if (!line || line->isReadOnly() || !line->isEnabled())
        return false;
    line->setText(text);
    typed(name, text);
    return true;
}

void Form::typed(const std::string& box, const QString& text)
{
    // Text that holds characters above 255 cannot be sent, nor written to a script.
    const auto bytes = toBytes(text);
    const Session::ActionScope typing(m_session, {UserAction::Kind::Type, objectName().toStdString(), box, bytes ? 0 : 1,
                                                  bytes.value_or("")});
}

void Form::setTabStops(const std::vector<QString>& names)
{
    // The controls by name, from one walk of the window rather than one for
    // each name; walked backwards, so that the first of a name is kept.
    const QList<QWidget*> all = findChildren<QWidget*>();
    QHash<QString, QWidget*> byName;
    byName.reserve(all.size());
    for (auto it = all.crbegin(); it != all.crend(); ++it)
        byName.insert((*it)->objectName(), *it);
    QWidget* previous = nullptr;
    for (const QString& name : names) {
        QWidget* widget = byName.value(name);
        if (!widget)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
    // A read-only line left out (a heading, a line that repeats what another
    // control shows) is no Tab stop; a click still selects its text.
    for (auto* line : findChildren<QLineEdit*>())
        if (line->isReadOnly() && std::find(names.begin(), names.end(), line->objectName()) == names.end())
            line->setFocusPolicy(Qt::ClickFocus);
}

// Every control gets a name a screen reader says; the result boxes take the
// focus, so that their text can be selected and copied from the keyboard.
void Form::nameControls()
{
    for (auto* widget : findChildren<QWidget*>()) {
        if (widget->accessibleName().isEmpty())
            widget->setAccessibleName(nameForControl(widget->objectName()));
        if (auto* box = qobject_cast<QPlainTextEdit*>(widget); box && box->isReadOnly()) {
            box->setFocusPolicy(Qt::StrongFocus);
            box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        }
    }
}

// Typing into an editable text box is an action of its own, so that a saved
// session types what the technician typed.
void Form::watchTyping()
{
    if (m_watchingTyping)
        return;
    m_watchingTyping = true;
    for (auto* line : findChildren<QLineEdit*>()) {
        if (line->isReadOnly())
            continue;
        connect(line, &QLineEdit::textEdited, this,
                [this, line](const QString& text) { typed(line->objectName().toStdString(), text); });
    }
}

void Form::useClientArea(QWidget* above, QWidget* below, int belowHeight)
{
    const QSize clientSize = size();
    m_client = new QWidget(this);
    m_client->setObjectName(objectName() + "_client");
    const int top = above ? above->sizeHint().height() : 0;
    if (above)
        above->setGeometry(0, 0, clientSize.width(), top);
    m_client->setGeometry(0, top, clientSize.width(), clientSize.height());
    if (below)
        below->setGeometry(0, top + clientSize.height(), clientSize.width(), belowHeight);
    setFixedSize(clientSize.width(), top + clientSize.height() + (below ? belowHeight : 0));
}

void Form::closeEvent(QCloseEvent* event)
{
    if (parentWidget() && m_session.handlerRunning())
        m_session.requestStop();
    QWidget::closeEvent(event);
}

void Form::keyPressEvent(QKeyEvent* event)
{
    // Enter and Return press the focused button, as Space does.
    if (pressFocusedButtonOnEnter(this, event))
        return;
    // Esc closes a secondary window, as it closes a dialog.
    if (parentWidget() && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    watchTyping();
    nameControls();
    // The window opens with the focus on its first control (its focus proxy),
    // whatever comes first in the Tab chain.
    if (QWidget* first = focusProxy(); first && !focusWidget())
        first->setFocus(Qt::OtherFocusReason);
    if (!m_reportedShown) {
        m_reportedShown = true;
        m_session.notifyWindow(objectName().toStdString(), true);
    }
}

void Form::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (m_reportedShown) {
        m_reportedShown = false;
        m_session.notifyWindow(objectName().toStdString(), false);
    }
}

} // namespace vantrel
