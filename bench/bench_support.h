// A started utility for benchmarks: the embedded server, queued prompts,
// the real windows offscreen; buttons are pressed by object name.
#pragma once

#include "app/application.h"
#include "forecourt/forecourt_server.h"
#include "server/automation_registry.h"
#include "session/queued_prompter.h"
#include "session/recording_window_host.h"

#include <QApplication>
#include <QPushButton>

#include <stdexcept>

namespace vantrel::bench {

struct Utility {
    AutomationRegistry registry;
    QueuedPrompter prompter;
    ImmediateWaiter waiter;
    std::unique_ptr<Application> app;

    Utility()
    {
        forecourt::registerForecourtServer(registry);
        app = Application::start(registry, forecourt::kProgId, prompter, waiter);
        if (!app)
            throw std::runtime_error("the utility did not start");
        app->mainWindow().show();
        QApplication::processEvents();
    }

    // Presses the named button of the named window, as a script does.
    void press(const std::string& window, const std::string& name)
    {
        Form* form = app->windows().window(window);
        if (!form)
            throw std::runtime_error("no window " + window);
        QPushButton* button = form->button(name);
        if (!button || !button->isEnabled())
            throw std::runtime_error("no button " + name + " with a handler in " + window);
        button->click(); // the way a mouse click takes

    }
};

// Resident memory of this process in bytes.
long residentBytes();

} // namespace vantrel::bench
