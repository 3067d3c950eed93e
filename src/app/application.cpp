#include "application.h"

#include "call_timing.h"
#include "shell_handlers.h"
#include "status_line.h"

#include "board/bus_site.h"
#include "compose/member_list.h"
#include "dbus/dbus_client.h"
#include "devices/devices_windows.h"
#include "reader/reader_controls.h"
#include "forecourt/customer.h"
#include "forecourt/forecourt_server.h"
#include "server/automation_error.h"
#include "server/automation_registry.h"
#include "session/handler_runner.h"
#include "suites/suites_windows.h"

#include <QPushButton>

namespace vantrel {

namespace {
// The customer of the server's simulated site, if it has one.
Application::CustomerAct customerOf(AutomationObject& server)
{
    if (auto* site = dynamic_cast<forecourt::ForecourtServer*>(&server))
        return [site](const std::string& action) { return forecourt::actAsCustomer(*site, action); };
    if (auto* bus = dynamic_cast<dbus::DBusClient*>(&server); bus && bus->hasCustomer())
        return [bus](const std::string& action) { return bus->customer(action); };
    return {};
}

// The board's site: the embedded forecourt, or the simulator of a D-Bus server
// that offers one; other servers have no site to show.
MainWindow::SiteMaker siteMaker(AutomationObject& server)
{
    if (auto* site = dynamic_cast<forecourt::ForecourtServer*>(&server))
        return [site](std::string&) -> std::unique_ptr<board::SiteSource> { return std::make_unique<board::EmbeddedSite>(*site); };
    auto* bus = dynamic_cast<dbus::DBusClient*>(&server);
    if (!bus)
        return {};
    // What the server offers was asked when it was created: nothing here waits on the bus.
    return [bus](std::string& whyNot) -> std::unique_ptr<board::SiteSource> {
        if (bus->hasSiteReading())
            return std::make_unique<board::BusSite>(bus->endpoint(), bus->timeout());
        whyNot = dbus::describe(bus->endpoint()) + " offers no simulated site to show: it has no Vantrel.Simulator.ReadSite.";
        return nullptr;
    };
}
} // namespace

std::unique_ptr<Application> Application::start(const AutomationRegistry& registry, const std::string& progId,
                                                 Prompter& prompter, Waiter& waiter, SessionObserver* early,
                                                 bool virtualTime, bool offScreen)
{
    std::unique_ptr<Application> app(new Application);
    const QString title = MainWindow::titleFor(QDate::currentDate());
    try {
        app->m_server = registry.create(progId);
    } catch (const AutomationError& e) {
        const std::string text = errorMessage(e);
        if (early)
            early->messageShown(kAppTitle, text);
        prompter.message(text, kAppTitle);
        return nullptr;
    }
    reader::registerWindows(app->m_catalog);
    devices::registerWindows(app->m_catalog);
    suites::registerWindows(app->m_catalog);
    app->m_windows = std::make_unique<QtWindowHost>(app->m_catalog);
    app->m_windows->setOffScreen(offScreen);
    app->m_timed = std::make_unique<TimedServer>(*app->m_server);
    app->m_session = std::make_unique<Session>(*app->m_timed, prompter, *app->m_windows, waiter);
    app->m_session->virtualTime = virtualTime;
    if (early)
        app->m_session->addObserver(early);
    app->m_session->addObserver(&app->m_journal);
    app->m_session->addObserver(&app->m_recorder);
    app->m_windows->setSession(app->m_session.get());
    app->m_main = std::make_unique<MainWindow>(*app->m_session, title);
    app->m_main->setAttribute(Qt::WA_DontShowOnScreen, offScreen);
    app->m_main->statusLine()->setStopwatch(app->m_timed.get());
    app->m_main->setJournal(&app->m_journal, &app->m_recorder);
    app->m_main->setSite(siteMaker(*app->m_server));
    // File → New call… lists what the server offers, known without calling it.
    app->m_main->setComposeMembers([s = app->m_server.get()] { return compose::membersOf(*s); });
    app->m_customer = customerOf(*app->m_server);
    app->m_windows->setMainWindow(app->m_main.get());
    // Buttons that open a window nobody provides yet stay disabled.
    for (const auto& [button, window] : shell::kNavigation)
        if (auto* b = app->m_main->button(button); b && !app->m_windows->canOpen(window))
            b->setEnabled(false);
    app->m_session->setBox(Box::TextBoxPumpNumber, "Fueling Position -> 1");
    app->m_session->stressActive = 0;
    return app;
}

Application::~Application()
{
    // Windows go before the session they observe, and the session before the stopwatch it calls through.
    m_main.reset();
    m_session.reset();
}

} // namespace vantrel
