#include "compare_run.h"

#include "command_line.h"
#include "script_files.h"
#include "script_runner.h"
#include "script_verdict.h"
#include "trace_writer.h"

#include "journal/card_mask.h"
#include "server/conversions.h"
#include "session/fanout_observer.h"
#include "session/script.h"

#include "dbus/endpoint.h"
#include "forecourt/forecourt_server.h"
#include "server/automation_registry.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <ostream>

namespace vantrel::compare {

namespace {

// Every call of one script's run, with the script line that made it, and
// what start-up said when the server could not be created. Each call is
// kept bounded (keptBounded) as it comes, with its copy for a report masked
// from the whole values first, so that large answers never pile up.
class CallCollector : public SessionObserver {
public:
    CallCollector(const std::vector<std::string>& ignore, journal::CardMasker* masker)
        : m_ignore(ignore), m_masker(masker)
    {
    }
    void setLine(int line)
    {
        m_line = line;
        started = started || line > 0;
    }
    void callMade(const CallEvent& e) override
    {
        SeenCall call{m_line, e.access, e.member, e.argument, e.result, std::nullopt, {}, {}, {}};
        if (m_masker)
            masked.push_back(keptBounded(maskedCall(call, *m_masker), m_ignore));
        calls.push_back(keptBounded(std::move(call), m_ignore));
    }
    void callFailed(std::string_view, int number, std::string_view description) override
    {
        if (!calls.empty()) {
            calls.back().error = number;
            calls.back().description = description;
        }
        if (!masked.empty()) {
            masked.back().error = number;
            masked.back().description = m_masker->mask(description);
        }
    }
    void messageShown(std::string_view, std::string_view text) override
    {
        if (!started && message.empty())
            message = text;
    }

    std::vector<SeenCall> calls;
    std::vector<SeenCall> masked; // the same, cardholder data masked (with a masker)
    std::string message; // the first message shown before the script's first line
    bool started = false; // the script's first line ran

private:
    const std::vector<std::string>& m_ignore;
    journal::CardMasker* m_masker;
    int m_line = 0;
};

struct Script {
    std::string path, content;
};

// Every script read and its lines checked before anything runs; false, with
// the reason printed as a script run prints it.
bool readScripts(const std::vector<std::string>& paths, std::vector<Script>& scripts, std::ostream& out)
{
    for (const auto& path : paths) {
        std::string reason;
        const auto content = readScriptFile(path, reason);
        if (!content) {
            out << path << ":0: cannot read the script: " << reason << "\n";
            return false;
        }
        try {
            parseScript(*content);
        } catch (const ScriptError& e) {
            out << path << ":" << e.line << ": " << e.reason << "\n";
            return false;
        }
        scripts.push_back({path, *content});
    }
    return true;
}

// One script against one side, on a server created for it; what it printed
// is not shown. With a masker (one for each side, over its scripts in turn),
// the calls' masked copy too. `seconds` is told how long the run took.
ScriptCalls runOn(const Side& side, const Script& script, TraceWriter* trace, bool masked,
                  const std::vector<std::string>& ignore, journal::CardMasker* masker, double* seconds = nullptr)
{
    CallCollector collector(ignore, masker);
    FanoutObserver observers;
    observers.add(&collector);
    observers.add(trace);
    ScriptRunOptions run;
    run.progId = side.server.progId;
    run.serverDescription = side.server.description;
    run.advance = side.server.advance;
    run.masked = masked;
    run.trace = &observers;
    run.onClock = [trace](std::function<long long()> clock) {
        if (trace)
            trace->setClock(std::move(clock));
    };
    run.onLine = [&collector, trace](const std::string& name, int line) {
        collector.setLine(line);
        if (trace)
            trace->scriptLine(name, line);
    };
    // A stream without a buffer drops what it is given: the lines are not
    // kept, so answers of many megabytes do not pile up in them.
    std::ostream nowhere(nullptr);
    const ScriptResult result = runScriptText(script.path, script.content, side.registry, run, nowhere);
    if (seconds)
        *seconds = result.seconds;
    ScriptCalls calls{script.path, std::move(collector.calls), std::move(collector.masked),
                      script_run::verdictLine(result.status), {}};
    // Where a run stopped, its calls end there: the reason goes with the verdict.
    calls.stopped = result.status == 2 && collector.started;
    if (calls.stopped && !result.failures.empty())
        calls.verdict += " (" + result.failures.front().text + ")";
    if (!collector.started) {
        calls.notRun = result.failures.empty() ? "it ended before its first line" : result.failures.front().text;
        if (!collector.message.empty())
            calls.notRun += " (" + collector.message + ")";
    }
    return calls;
}

// Prints each script's comparison and the summary, writes the report; the
// run's status. `secondsA`: how long each script ran against A, its time in
// the report (as a script run's report gives each script's).
int report(const std::vector<ScriptCalls>& a, const std::vector<ScriptCalls>& b, const std::vector<double>& secondsA,
           const CompareSettings& settings, const CompareOptions& options, std::ostream& out)
{
    std::vector<std::pair<std::string, ScriptComparison>> outcomes;
    std::size_t compared = 0, differ = 0;
    bool stopped = false;
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        // A script one side has no calls of: everything the other asked is its alone.
        const ScriptCalls none{i < a.size() ? a[i].script : b[i].script, {}, {}, {}, {}};
        const ScriptCalls& x = i < a.size() ? a[i] : none;
        const ScriptCalls& y = i < b.size() ? b[i] : none;
        ScriptComparison outcome = compareScript(x, y, settings);
        outcome.seconds = i < secondsA.size() ? secondsA[i] : 0;
        printScript(out, x, y, outcome, settings);
        // Alike up to where both stopped: what the script had still to do was compared on neither side.
        const bool bothStopped = x.stopped && (y.stopped || y.verdict.empty());
        if (bothStopped && outcome.differences.empty()) {
            out << x.script << ": the script stopped alike on both sides: what follows was not compared\n";
            stopped = true;
        }
        compared += outcome.compared;
        differ += outcome.differences.size();
        outcomes.emplace_back(x.script, std::move(outcome));
    }
    out << summaryLine(compared, differ) << "\n";
    int status = stopped ? 2 : differ ? 1 : 0;
    std::string reason;
    if (!options.junit.empty() && !writeCompareJunit(options.junit, outcomes, options.masked, reason)) {
        std::cerr << "vantrel-test: cannot write the JUnit report " << options.junit << ": " << reason << "\n";
        status = std::max(status, 1);
    }
    return status;
}

std::string fileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// The trace's run of each script of this run: the one of the same name, else
// the one of the same file name; a trace that names no scripts holds the run
// of the one script. A script the trace holds no run of is said to be so;
// the trace's other scripts are named once.
std::vector<ScriptCalls> pairedRuns(const SavedTrace& trace, const std::vector<ScriptCalls>& scripts, std::ostream& out)
{
    if (!trace.namesScripts) {
        std::vector<ScriptCalls> runs = trace.scripts;
        runs.front().script = scripts.front().script;
        return runs;
    }
    std::vector<bool> used(trace.scripts.size());
    auto find = [&](const std::string& name, auto same) -> const ScriptCalls* {
        for (std::size_t i = 0; i < trace.scripts.size(); ++i)
            if (!used[i] && same(trace.scripts[i].script, name)) {
                used[i] = true;
                return &trace.scripts[i];
            }
        return nullptr;
    };
    std::vector<ScriptCalls> runs;
    for (const auto& script : scripts) {
        const ScriptCalls* run = find(script.script, [](const std::string& a, const std::string& b) { return a == b; });
        if (!run)
            run = find(script.script, [](const std::string& a, const std::string& b) { return fileName(a) == fileName(b); });
        runs.push_back(run ? *run : ScriptCalls{script.script, {}, {}, {}, "the trace holds no run of it"});
    }
    std::string others;
    for (std::size_t i = 0; i < trace.scripts.size(); ++i)
        if (!used[i])
            others += " " + trace.scripts[i].script;
    if (!others.empty())
        out << "not run here, so not compared, of the trace's scripts:" << others << "\n";
    return runs;
}

void printIgnored(const std::vector<std::string>& keys, std::ostream& out)
{
    if (keys.empty())
        return;
    out << "left out of both answers: the lines of";
    for (const auto& key : keys)
        out << " " << key << "=";
    out << "\n";
}

} // namespace

int compareServers(const Side& a, const Side& b, const CompareOptions& options, std::ostream& out)
{
    std::vector<Script> scripts;
    if (!readScripts(options.scripts, scripts, out))
        return 2;
    out << "A: " << a.server.description << "\nB: " << b.server.description << "\n";
    printIgnored(options.ignore, out);
    std::vector<ScriptCalls> onA, onB;
    std::vector<double> secondsA(scripts.size());
    journal::CardMasker maskerA, maskerB;
    for (std::size_t i = 0; i < scripts.size(); ++i) {
        const Script& script = scripts[i];
        onA.push_back(runOn(a, script, options.trace, options.masked, options.ignore,
                            options.masked ? &maskerA : nullptr, &secondsA[i]));
        onB.push_back(runOn(b, script, nullptr, options.masked, options.ignore, options.masked ? &maskerB : nullptr));
    }
    return report(onA, onB, secondsA, {options.ignore}, options, out);
}

int compareWithTrace(const Side& a, const SavedTrace& trace, const std::string& tracePath,
                     const CompareOptions& options, std::ostream& out)
{
    std::vector<Script> scripts;
    if (!readScripts(options.scripts, scripts, out))
        return 2;
    if (!trace.namesScripts && scripts.size() > 1) {
        out << tracePath << ": the trace names no scripts (saved from the journal, or written before traces named "
            << "them): compare it with one script, not " << scripts.size() << "\n";
        return 2;
    }
    out << "A: " << a.server.description << "\nB: the trace " << tracePath << " (" << trace.server << ", "
        << trace.date << ")\n";
    if (trace.masked)
        out << "the trace is masked: the calls of A are masked the same way before they are compared\n";
    printIgnored(options.ignore, out);
    std::vector<ScriptCalls> onA;
    std::vector<double> secondsA(scripts.size());
    journal::CardMasker masker;
    const bool maskA = options.masked || trace.masked;
    for (std::size_t i = 0; i < scripts.size(); ++i)
        onA.push_back(runOn(a, scripts[i], options.trace, options.masked, options.ignore, maskA ? &masker : nullptr,
                            &secondsA[i]));
    std::vector<ScriptCalls> onB = pairedRuns(trace, onA, out);
    // Masked against masked: what the trace left out cannot be compared.
    if (trace.masked)
        for (auto& script : onA)
            script.calls = script.masked;
    if (!options.masked)
        for (auto& script : onA)
            script.masked.clear();
    // The trace's calls masked whole, then kept as this run's are.
    if (options.masked)
        maskCalls(onB);
    for (auto& script : onB)
        for (auto* calls : {&script.calls, &script.masked})
            for (auto& call : *calls)
                call = keptBounded(std::move(call), options.ignore);
    return report(onA, onB, secondsA, {options.ignore}, options, out);
}

} // namespace vantrel::compare

namespace vantrel {

int runComparison(const CommandLine& options, const std::vector<std::string>& scripts,
                  const AutomationRegistry& registry, const ServerChoice& a, TraceWriter* trace, std::ostream& out,
                  const forecourt::SiteConfig* site)
{
    const compare::CompareOptions compareOptions{scripts, options.ignore, options.junit, !options.traceUnmasked, trace};
    const compare::Side sideA{registry, a};
    std::string reason;
    if (!options.compareTrace.empty()) {
        const auto saved = compare::readTrace(options.compareTrace, reason);
        if (!saved) {
            std::cerr << "vantrel-test: --compare-trace " << options.compareTrace << ":" << reason << "\n";
            return 2;
        }
        return compare::compareWithTrace(sideA, *saved, options.compareTrace, compareOptions, out);
    }
    // Each side's servers come from a registry of its own, created afresh for each script.
    AutomationRegistry registryB;
    // An embedded B runs on the site file's site as A does; a server on a bus has its own.
    const auto b = chooseServer(registryB, options.compare, options.timeout, true, reason,
                                options.compare == forecourt::kProgId ? site : nullptr);
    if (b && !registryB.contains(b->progId))
        reason = "--compare " + options.compare + ": no server of that name: " + forecourt::kProgId +
                 " (the embedded one) or " + dbus::kServerForms;
    else if (!b && reason.rfind("--server ", 0) == 0)
        reason.replace(0, 8, "--compare");
    if (!b || !registryB.contains(b->progId)) {
        std::cerr << "vantrel-test: " << reason << "\n";
        return 2;
    }
    return compare::compareServers(sideA, {registryB, *b}, compareOptions, out);
}

} // namespace vantrel
