#include "qt_window_host.h"

#include "widgets/form.h"
#include "widgets/window_placement.h"

#include "session/session.h"

#include <QApplication>
#include <QGuiApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace vantrel {

QtWindowHost::QtWindowHost(const WindowCatalog& catalog) : m_catalog(catalog) {}

Form* QtWindowHost::window(const std::string& name) const
{
    if (m_main && m_main->objectName().toStdString() == name)
        return m_main;
    const auto it = m_windows.find(name);
    return it == m_windows.end() ? nullptr : it->second;
}

Form* QtWindowHost::ensure(const std::string& name)
{
    if (Form* existing = window(name))
        return existing;
    const WindowFactory* factory = m_catalog.find(name);
    if (!factory || !m_session)
        return nullptr;
    Form* owner = factory->owner.empty() ? m_main : ensure(factory->owner);
    Form* created = factory->create(*m_session, owner);
    created->setAttribute(Qt::WA_DontShowOnScreen, m_offScreen);
    m_windows[name] = created;
    return created;
}

void QtWindowHost::showWindow(std::string_view window)
{
    const std::string name(window);
    Form* form = ensure(name);
    if (!form)
        return;
    m_order.erase(std::remove(m_order.begin(), m_order.end(), name), m_order.end());
    m_order.push_back(name);
    // Placed once, beside its owner; afterwards it opens where the user left it.
    if (!form->property("vantrelPlaced").toBool()) {
        place(*form);
        form->setProperty("vantrelPlaced", true);
    }
    form->show();
    if (!m_offScreen && QGuiApplication::platformName() != QLatin1String("offscreen")) { // offscreen windows have no stacking
        form->raise();
        form->activateWindow();
    }
}

void QtWindowHost::place(Form& form)
{
    // Off the main window's boxes; every secondary window writes the description and result boxes.
    if (m_main && form.parentWidget())
        placeOffTheBoxes(form, *m_main, form.parentWidget(), true);
}

void QtWindowHost::hideWindow(std::string_view window)
{
    const std::string name(window);
    m_order.erase(std::remove(m_order.begin(), m_order.end(), name), m_order.end());
    if (Form* form = this->window(name); form && form != m_main)
        form->hide();
}

void QtWindowHost::setControlColour(std::string_view window, std::string_view control, Bgr colour)
{
    if (Form* form = this->window(std::string(window)))
        if (auto* widget = form->findChild<QWidget*>(QString::fromUtf8(control.data(), static_cast<qsizetype>(control.size()))))
            paintButton(widget, colour);
}

void QtWindowHost::setButtonEnabled(std::string_view window, std::string_view control, bool enabled)
{
    if (Form* form = this->window(std::string(window)))
        if (auto* b = form->button(std::string(control)))
            b->setEnabled(enabled);
}

void QtWindowHost::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

std::vector<Form*> QtWindowHost::shownWindows() const
{
    std::vector<Form*> shown;
    if (m_main)
        shown.push_back(m_main);
    for (const auto& name : m_order)
        if (Form* f = window(name); f && f->isVisible())
            shown.push_back(f);
    return shown;
}

Form* QtWindowHost::front() const
{
    const auto shown = shownWindows();
    return shown.empty() ? nullptr : shown.back();
}

void QtWaiter::wait(std::int16_t& counter, int ticks)
{
    counter = static_cast<std::int16_t>(ticks);
    while (counter != 0) {
        if (m_closing)
            throw SessionClosing{};
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (m_closing)
        throw SessionClosing{};
}

} // namespace vantrel
