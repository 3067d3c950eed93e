// The whole utility started offscreen against the embedded server, with
// queued prompts: its real windows, pressed through their buttons. For the
// tests that link the widget support (vantrel_test_support).
#pragma once

#include "app/application.h"
#include "forecourt/forecourt_server.h"
#include "server/automation_registry.h"
#include "session/queued_prompter.h"
#include "session/recording_window_host.h"

#include <memory>

namespace vantrel::test {

struct RunningUtility {
    AutomationRegistry registry;
    QueuedPrompter prompter;
    ImmediateWaiter waiter;
    std::unique_ptr<Application> app;

    RunningUtility()
    {
        forecourt::registerForecourtServer(registry);
        app = Application::start(registry, forecourt::kProgId, prompter, waiter);
    }
};

} // namespace vantrel::test
