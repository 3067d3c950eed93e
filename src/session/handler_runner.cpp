#include "handler_runner.h"

#include "session.h"

#include "server/automation_error.h"

namespace vantrel {

std::string errorMessage(const AutomationError& error)
{
    return "Error " + std::to_string(error.number()) + ": " + error.description();
}

namespace {
// Shows the error; one the server did not raise is reported to the
// observers first, so that the trace and a script's verdict see every error
// the user sees.
void report(Session& session, const AutomationError& e)
{
    if (!session.takeReportedFailure())
        session.notifyError(e.number(), e.description());
    session.prompter().message(errorMessage(e));
}
} // namespace

bool runHandler(Session& session, const Handler& handler)
{
    if (!handler)
        return false;
    session.takeReportedFailure();
    const auto running = session.handlerScope();
    try {
        handler(session);
        return true;
    } catch (const RunStopped& stopped) {
        session.prompter().message(stopped.message);
    } catch (const AutomationError& e) {
        report(session, e);
    } catch (const SessionClosing&) {
        // The main window is closing during a wait: unwind quietly.
    } catch (const Unwinding&) {
        throw; // a script's question nobody answered: it ends the run, not the press
    } catch (const std::exception& e) {
        report(session, AutomationError(ErrorCode::InternalError, e.what()));
    }
    return false;
}

} // namespace vantrel
