#include "script_runner.h"

#include "application.h"
#include "junit_report.h"
#include "script_commands.h"
#include "script_files.h"
#include "script_printer.h"
#include "script_verdict.h"
#include "session_files.h"

#include "session/fanout_observer.h"
#include "session/queued_prompter.h"
#include "session/script.h"

#include <QApplication>

#include <algorithm>
#include <iostream>
#include <memory>
#include <ostream>

namespace vantrel {

using namespace script_run;

ScriptResult runScriptText(const std::string& name, const std::string& content, const AutomationRegistry& registry,
                           const ScriptRunOptions& options, std::ostream& out)
{
    const auto started = std::chrono::steady_clock::now();
    ScriptResult result;
    auto finish = [&](int status) {
        result.status = status;
        result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        out << verdictLine(status) << "\n";
        return result;
    };
    ReportMasker masker(options.masked);
    std::vector<ScriptCommand> commands;
    try {
        commands = parseScript(content);
    } catch (const ScriptError& e) {
        out << name << ":" << e.line << ": " << e.reason << "\n";
        result.failures.push_back(masker.plain("line " + std::to_string(e.line) + ": " + e.reason));
        return finish(2);
    }
    if (commands.empty()) {
        const std::string reason = "the script holds no command (only comments and blank lines, or nothing): nothing to run";
        out << name << ":0: " << reason << "\n";
        result.failures.push_back(masker.plain(reason));
        return finish(2);
    }

    // The script's own clock: it moves with the virtual time it gives the server.
    auto virtualMs = std::make_shared<long long>(0);
    const AdvanceClock advance = [virtualMs, inner = options.advance](std::chrono::milliseconds by) {
        *virtualMs += by.count();
        if (inner)
            inner(by);
    };
    const std::function<long long()> clock = [virtualMs] { return *virtualMs; };
    if (options.onClock)
        options.onClock(clock);
    if (options.onLine)
        options.onLine(name, 0);

    QueuedPrompter prompter;
    ScriptWaiter waiter(advance);
    ScriptPrinter printer(out);
    FailureWatch watch(masker);
    FanoutObserver observers;
    observers.add(&masker);
    observers.add(options.trace);
    observers.add(&printer);
    observers.add(&watch);

    auto app = Application::start(registry, options.progId, prompter, waiter, &observers, true, options.offScreen);
    if (!app) {
        result.failures.push_back(masker.plain("the server " + options.progId + " cannot be created"));
        return finish(1);
    }
    Session& session = app->session();
    session.setClock(clock);
    app->mainWindow().show();

    ScriptCommandRunner runner(*app, prompter, watch, masker, out, advance);
    int status = 0;
    for (const auto& c : commands) {
        if (options.onLine)
            options.onLine(name, c.line);
        try {
            runner.run(c);
        } catch (const ScriptStop& stop) {
            out << name << ":" << c.line << ": " << stop.what() << "\n";
            result.failures.push_back(masker.plain("line " + std::to_string(c.line) + ": " + stop.what()));
            status = stop.status();
            break;
        } catch (const QueuedPrompter::NothingQueued& e) {
            out << name << ":" << c.line << ": " << e.message << "\n";
            const std::string head = "line " + std::to_string(c.line) + ": ";
            result.failures.push_back({head + e.message, head + masker.shown(e.message)});
            status = 2;
            break;
        }
        QApplication::processEvents();
    }
    if (status == 0) {
        watch.scriptEnded({prompter.pendingAnswers(), runner.answerLines},
                          {prompter.pendingReplies(), runner.replyLines});
        for (const auto& p : watch.problems)
            out << "FAILED " << p.text << "\n";
        if (!runner.failures.empty() || !watch.problems.empty())
            status = 1;
        result.failures.insert(result.failures.end(), runner.failures.begin(), runner.failures.end());
        result.failures.insert(result.failures.end(), watch.problems.begin(), watch.problems.end());
    }
    session.removeObserver(&observers);
    // A file the run was asked for and could not write fails the run (status
    // 1), said with the system's reason on standard error, where it is seen
    // whatever becomes of the printed lines.
    auto cannotWrite = [&](const std::string& what) {
        std::cerr << "vantrel-test: " << what << "\n";
        result.failures.push_back(masker.plain(what));
        status = std::max(status, 1);
    };
    if (!options.saveSession.empty()) {
        std::string reason;
        if (!saveSessionScript(options.saveSession, app->recorder(), sessionHeader(options.serverDescription),
                               options.masked, reason))
            cannotWrite("cannot save the session " + options.saveSession + ": " + reason);
        else if (app->recorder().typedCardNumber())
            std::cerr << "vantrel-test: the saved session keeps typed text that looks like a card number as it was "
                         "typed\n";
    }
    if (!options.screenshot.empty()) {
        Form* front = app->windows().front();
        std::string reason = "there is no window to take";
        if (!front || !saveScreenshot(*front, options.screenshot, reason))
            cannotWrite("cannot save the screenshot " + options.screenshot + ": " + reason);
    }
    return finish(status);
}

int runScripts(const std::vector<std::string>& paths, const AutomationRegistry& registry,
               const ScriptRunOptions& options, std::ostream& out)
{
    if (!options.serverDescription.empty())
        out << "server: " << options.serverDescription << "\n";
    std::vector<std::pair<std::string, ScriptResult>> results;
    int worst = 0, passed = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string& path = paths[i];
        if (paths.size() > 1)
            out << "== " << path << "\n";
        ScriptRunOptions one = options;
        if (i + 1 < paths.size())
            one.screenshot.clear();
        ScriptResult r;
        std::string reason;
        if (const auto content = readScriptFile(path, reason)) {
            r = runScriptText(path, *content, registry, one, out);
        } else {
            out << path << ":0: cannot read the script: " << reason << "\n";
            r.status = 2;
            r.failures.push_back({"cannot read the script: " + reason, "cannot read the script: " + reason});
            out << "script stopped\n";
        }
        worst = std::max(worst, r.status);
        passed += r.status == 0;
        results.emplace_back(path, std::move(r));
    }
    out << passed << " passed, " << results.size() - static_cast<std::size_t>(passed) << " failed\n";
    std::string reason;
    if (!options.junit.empty() && !writeJunitReport(options.junit, results, options.masked, reason)) {
        std::cerr << "vantrel-test: cannot write the JUnit report " << options.junit << ": " << reason << "\n";
        worst = std::max(worst, 1);
    }
    return worst;
}

} // namespace vantrel
