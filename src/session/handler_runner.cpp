#include "handler_runner.h"

#include "session.h"

#include "server/automation_error.h"

namespace vantrel {

std::string errorMessage(const AutomationError& error)
{
    return "Error " + std::to_string(error.number()) + ": " + error.description();
}

bool runHandler(Session& session, const Handler& handler)
{
    if (!handler)
        return false;
    try {
        handler(session);
        return true;
    } catch (const AutomationError& e) {
        session.prompter().message(errorMessage(e));
    } catch (const SessionClosing&) {
        // The main window is closing during a wait: unwind quietly.
    } catch (const std::exception& e) {
        session.prompter().message(errorMessage(AutomationError(ErrorCode::InternalError, e.what())));
    }
    return false;
}

} // namespace vantrel
