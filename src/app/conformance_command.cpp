#include "conformance_command.h"

#include "command_line.h"
#include "conformance_report.h"
#include "conformance_run.h"
#include "output_file.h"
#include "script_files.h"
#include "server_choice.h"

#include "dbus/endpoint.h"
#include "forecourt/forecourt_server.h"
#include "server/automation_registry.h"

#include <QCoreApplication>
#include <QDateTime>

#include <iostream>

namespace vantrel {

namespace {

int cannotStart(const std::string& reason)
{
    std::cerr << "vantrel-test: " << reason << "\n";
    return 2;
}

} // namespace

int runConformanceCommand(const CommandLine& options, int argc, char** argv)
{
    // The outputs are checked before anything runs: only a regular file (or a link to one) is written.
    for (const auto& [option, path] : {std::pair{"--report", options.report}, std::pair{"--junit", options.junit}})
        if (const std::string why = path.empty() ? std::string() : outputRefusal(path); !why.empty())
            return cannotStart(std::string(option) + " " + path + ": " + why);
    const std::string suite = conformance::shippedSuite();
    if (suite.empty())
        return cannotStart("the conformance suite is not there: it ships as conformance/ in the sources and "
                           "share/vantrel-test/conformance when installed");
    std::string reason;
    const std::vector<std::string> scripts = expandScriptPaths({suite}, reason);
    if (scripts.empty())
        return cannotStart("the conformance suite " + suite + ": " + reason);
    // The page or the JUnit file written over a script of the suite would lose it for every later run.
    if (const std::string clash = clashingPaths(scripts, {{"--report", options.report}, {"--junit", options.junit}});
        !clash.empty())
        return cannotStart(clash);

    QCoreApplication app(argc, argv);
    AutomationRegistry registry;
    // As for --script: every part starts on a simulated site fresh at its start.
    const auto server = chooseServer(registry, options.conformance, options.timeout, true, reason);
    if (!server)
        return cannotStart(reason);
    if (!registry.contains(server->progId))
        return cannotStart("--conformance " + options.conformance + ": there is no such server: write " +
                           forecourt::kProgId + " or " + dbus::kServerForms);

    conformance::Options run;
    run.timeout = options.timeout;
    const std::string date = QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
    std::cout << "server: " << server->description << "\nsuite: " << suite << "\n";
    const conformance::Result result = conformance::runSuite(scripts, registry, server->progId, run, std::cout);

    const bool masked = !options.traceUnmasked;
    // A file that cannot be written is said on standard error, apart from the checks' lines.
    int status = result.failed() == 0 ? 0 : 1;
    if (!options.report.empty() &&
        !conformance::writeHtmlReport(options.report, result, {server->description, date, options.timeout.count()},
                                      masked, reason)) {
        std::cerr << "vantrel-test: cannot write the report " << options.report << ": " << reason << "\n";
        status = 1;
    }
    if (!options.junit.empty() && !conformance::writeConformanceJunit(options.junit, result, masked, reason)) {
        std::cerr << "vantrel-test: cannot write the JUnit report " << options.junit << ": " << reason << "\n";
        status = 1;
    }
    return status;
}

} // namespace vantrel
