#include "command_line.h"

#include "dbus/endpoint.h"

#include <QCommandLineParser>
#include <QStringList>

#include <algorithm>
#include <charconv>
#include <filesystem>

namespace vantrel {

const char* usageText()
{
    return "usage: vantrel-test [--script FILE|FOLDER...] [--trace FILE] [--trace-unmasked] [--server SERVER]\n"
           "                    [--site FILE] [--timeout MS] [--junit FILE] [--save-session FILE]\n"
           "                    [--screenshot PNG] [--quit-when-idle] [Qt options] [--help] [--version]\n"
           "       vantrel-test --script FILE|FOLDER... [--server SERVER] --compare SERVER|--compare-trace FILE\n"
           "                    [--ignore KEY]... [--junit FILE] [--trace FILE] [--trace-unmasked]\n"
           "       vantrel-test --conformance SERVER [--timeout MS] [--report FILE.html] [--junit FILE]\n"
           "                    [--trace-unmasked]\n"
           "       vantrel-test --tap SERVER [--duration SECONDS] [--client NAME] [--trace FILE]\n"
           "                    [--save-session FILE] [--capture FILE] [--trace-unmasked]\n"
           "       vantrel-test --open-capture FILE [--client NAME] [--trace FILE] [--save-session FILE]\n";
}

std::string helpText()
{
    return std::string("vantrel-test " VANTREL_VERSION ": test utility for the forecourt automation server Vantrel.Application\n\n") +
           usageText() +
           "\n"
           "  --script FILE|FOLDER...  run session scripts headless (a folder: its .vts files in name order)\n"
           "  --trace FILE             write the JSON Lines trace of every press, customer action, call, prompt\n"
           "                           and box change\n"
           "  --trace-unmasked         write card numbers, track data and PIN blocks in the files as they came\n"
           "                           (lab use; masked by default; the files are then readable by their owner alone)\n"
           "  --server SERVER          the server: Vantrel.Application (embedded, the default), dbus, dbus:NAME,\n"
           "                           dbus:NAME@system, dbus:NAME@ADDRESS or dbus:NAME@ssh:[USER@]HOST;\n"
           "                           VANTREL_SERVER sets the default\n"
           "  --site FILE              the embedded simulator's site as a JSON site file describes it (its\n"
           "                           positions, hoses, grades, tanks, wash and sign); each script starts on it\n"
           "  --timeout MS             how long one call to a D-Bus server may take (default 5000)\n"
           "  --junit FILE             with --script: write a JUnit XML report, one test case per script\n"
           "  --save-session FILE      when the run ends, save the session as a script that repeats it\n"
           "  --screenshot PNG         save a picture of the window in front (after the scripts) and end\n"
           "  --quit-when-idle         end as soon as the shown window is idle (start-up timing)\n"
           "  --tap SERVER             watch the calls other clients make to a server on D-Bus (the D-Bus\n"
           "                           forms of --server): with a display and none of\n"
           "                           --trace, --save-session, --capture, --duration, --client, the window opens\n"
           "                           on SERVER with the tap shown in the call journal; else headless, one line\n"
           "                           per exchange until SIGINT or SIGTERM, the files writing what it saw\n"
           "  --duration SECONDS       with --tap: end after this many seconds (headless)\n"
           "  --client NAME            with --tap: only this client's calls (a unique name :1.42 or a command name;\n"
           "                           headless)\n"
           "  --capture FILE           with --tap: write every message it saw as a pcapng capture (card data masked)\n"
           "  --open-capture FILE      a pcapng capture of D-Bus (busctl capture's), as a tap would have seen it:\n"
           "                           converted into --trace and --save-session, or without them (and with a\n"
           "                           display) shown in the window's call journal\n"
           "  --compare SERVER         with --script: run each script against --server (A) and then against\n"
           "                           SERVER (B), and report every call whose answer differs\n"
           "  --compare-trace FILE     with --script: compare the calls of this run with a saved trace's\n"
           "                           (masked as the trace is)\n"
           "  --ignore KEY             with --compare or --compare-trace: leave the KEY= lines out of both\n"
           "                           answers before comparing (repeatable)\n"
           "  --conformance SERVER     run the conformance suite shipped with the utility against SERVER (the\n"
           "                           forms of --server): every member it uses, every record shape it sends,\n"
           "                           every answer it converts, bad positions and records, the call timeout\n"
           "  --report FILE            with --conformance: write the checks as an HTML page (card data masked)\n"
           "  --help                   show this help and end\n"
           "  --version                show the version and end\n"
           "  -style STYLE, -stylesheet FILE, -platform NAME, -display DISPLAY, -reverse\n"
           "                           Qt's standard options, taken as by every Qt program\n"
           "\n"
           "Output files are written whole or not at all (a temporary file beside each, renamed into place);\n"
           "only a regular file or a link to one is written: a device, a FIFO or a folder is refused, and so is\n"
           "a file whose folder is not there or cannot be written into, before anything runs. A file that cannot\n"
           "be written whole is said on standard error.\n"
           "\n"
           "Exit status:\n"
           "  0  the run ended normally; every script passed; a tap ended by SIGINT, SIGTERM or --duration;\n"
           "     a comparison found no difference; every conformance check held\n"
           "  1  a script failed (an expectation, an unexpected error, answers left over), the server could\n"
           "     not be created, or an output file (trace, report, saved session, screenshot) could not be\n"
           "     written whole; the bus of a tap cannot be reached, refuses to let it monitor, or went away;\n"
           "     a comparison found a difference; a conformance check failed\n"
           "  2  the command line or a script cannot be used (bad option, an output that is no regular file\n"
           "     or whose folder cannot take it, bad line, a script that cannot be read or holds no command,\n"
           "     no script to run; an unknown --conformance server or no conformance suite)\n";
}

namespace {

// The options every Qt program takes (QGuiApplication and QApplication read
// them from argv as the application starts): accepted here so that a desktop
// entry or a technician may pass them, and left for Qt to act on.
struct QtOption {
    const char* name;
    bool takesValue;
};
constexpr QtOption kQtOptions[] = {
    {"platform", true},  {"platformpluginpath", true}, {"platformtheme", true}, {"plugin", true},
    {"qmljsdebugger", true}, {"qwindowgeometry", true}, {"qwindowicon", true},  {"qwindowtitle", true},
    {"session", true},   {"display", true},  {"geometry", true},  {"style", true},  {"stylesheet", true},
    {"name", true},      {"title", true},    {"visual", true},    {"ncols", true},  {"cmap", true},
    {"im", true},        {"inputstyle", true}, {"reverse", false}, {"widgetcount", false},
    {"nograb", false},   {"dograb", false},  {"sync", false},     {"testability", false},
};

bool isOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

// --duration: a positive number of seconds (a fraction too), at most ten years.
bool readDuration(const std::string& text, double& seconds, std::string& reason)
{
    constexpr double kLongest = 10.0 * 366 * 24 * 3600;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (res.ec == std::errc() && res.ptr == text.data() + text.size() && seconds > 0 && seconds <= kLongest)
        return true;
    reason = "--duration takes a positive number of seconds (at most ten years), not \"" + text + "\"";
    return false;
}

// Why the tap's options do not go together ("" when they do).
std::string tapProblem(const CommandLine& c, bool durationGiven)
{
    if (!c.openCapture.empty()) {
        // Without --trace or --save-session it opens the window (tapInWindow), where there is a display.
        if (!c.tap.empty() || durationGiven || !c.capture.empty())
            return "--open-capture reads a capture: it takes no --tap, --duration or --capture";
    } else if (c.tap.empty()) {
        if (!c.client.empty())
            return "--client picks the client of a tap: give --tap too";
        if (!c.capture.empty())
            return "--capture writes what a tap saw: give --tap too";
        return durationGiven ? "--duration ends a tap: give --tap too" : "";
    } else if (!dbus::parseServerSpec(c.tap)) {
        return std::string("--tap watches a server on D-Bus: ") + dbus::kServerForms + ", not \"" +
               c.tap + "\"";
    }
    for (const auto& [given, option] : {std::pair{c.scriptGiven, "--script"}, std::pair{!c.server.empty(), "--server"},
                                        std::pair{!c.site.empty(), "--site"},
                                        std::pair{!c.screenshot.empty(), "--screenshot"},
                                        std::pair{c.quitWhenIdle, "--quit-when-idle"}})
        if (given)
            return std::string(c.tap.empty() ? "--open-capture" : "--tap") + " runs on its own: it takes no " + option;
    return {};
}

// Why --conformance and --report do not go with the rest ("" when they do):
// the suite runs on its own, and writes its report and JUnit file only.
std::string conformanceProblem(const CommandLine& c)
{
    if (c.conformance.empty())
        return c.report.empty() ? "" : "--report writes the page of a conformance run: give --conformance too";
    for (const auto& [given, option] :
         {std::pair{c.scriptGiven, "--script"}, std::pair{!c.server.empty(), "--server"},
          std::pair{!c.site.empty(), "--site"}, std::pair{!c.trace.empty(), "--trace"},
          std::pair{!c.screenshot.empty(), "--screenshot"}, std::pair{!c.saveSession.empty(), "--save-session"},
          std::pair{!c.tap.empty(), "--tap"}, std::pair{!c.openCapture.empty(), "--open-capture"},
          std::pair{c.quitWhenIdle, "--quit-when-idle"}})
        if (given)
            return std::string("--conformance runs on its own: it takes no ") + option;
    if (!c.report.empty() && !c.junit.empty() && sameFile(c.report, c.junit))
        return "--report and --junit name the same file " + c.report;
    return {};
}

// Why the comparison's options do not go together ("" when they do).
std::string compareProblem(const CommandLine& c)
{
    const bool comparing = !c.compare.empty() || !c.compareTrace.empty();
    if (!c.compare.empty() && !c.compareTrace.empty())
        return "--compare and --compare-trace: give one of them, a second server or a saved trace";
    if (comparing && !c.scriptGiven)
        return std::string(c.compare.empty() ? "--compare-trace" : "--compare") +
               " compares the calls of scripts: give --script too";
    if (!c.ignore.empty() && !comparing)
        return "--ignore leaves lines out of a comparison: give --compare or --compare-trace too";
    for (const auto& key : c.ignore)
        if (key.empty() || key.find_first_of("=\r\n") != std::string::npos)
            return "--ignore takes the key of a key=value line, without \"=\" or a line end, not \"" + key + "\"";
    if (comparing && !c.saveSession.empty())
        return "--save-session saves one session: a comparison runs each script twice";
    if (comparing && !c.screenshot.empty())
        return "--screenshot takes a picture of one run: a comparison runs each script twice";
    for (const auto& [option, path] : {std::pair{"--trace", c.trace}, std::pair{"--junit", c.junit}})
        if (!c.compareTrace.empty() && !path.empty() && sameFile(path, c.compareTrace))
            return std::string(option) + " " + path + " is the trace --compare-trace reads: it would be overwritten";
    return {};
}

} // namespace

std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& args, std::string& reason)
{
    // "--script A B C" names every script up to the next option; Qt's parser
    // takes one value per option, so the names are handed over as
    // "--script A --script B --script C", and a name anywhere else is an
    // argument nobody asked for.
    QStringList argv{QStringLiteral("vantrel-test")};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg != "--script") {
            argv << QString::fromLocal8Bit(arg.data(), static_cast<qsizetype>(arg.size()));
            continue;
        }
        if (i + 1 >= args.size()) {
            reason = "--script needs a file or a folder";
            return std::nullopt;
        }
        do
            argv << QStringLiteral("--script") << QString::fromLocal8Bit(args[++i].c_str());
        while (i + 1 < args.size() && !isOption(args[i + 1]));
    }

    QCommandLineParser parser;
    // "-style fusion" as Qt programs write it; "--script" stays as it is.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{"help", "h"}), version("version"), quitWhenIdle("quit-when-idle"),
        traceUnmasked("trace-unmasked"), script("script", {}, "FILE"), timeout("timeout", {}, "MS"),
        trace("trace", {}, "FILE"), junit("junit", {}, "FILE"), screenshot("screenshot", {}, "PNG"),
        server("server", {}, "SERVER"), saveSession("save-session", {}, "FILE"), tap("tap", {}, "SERVER"),
        duration("duration", {}, "SECONDS"), client("client", {}, "NAME"), capture("capture", {}, "FILE"),
        openCapture("open-capture", {}, "FILE"), compare("compare", {}, "SERVER"),
        compareTrace("compare-trace", {}, "FILE"), ignore("ignore", {}, "KEY"), site("site", {}, "FILE"),
        conformance("conformance", {}, "SERVER"), report("report", {}, "FILE");
    QList<QCommandLineOption> all{help,   version, quitWhenIdle, traceUnmasked, script,      timeout,
                                  trace,  junit,   screenshot,   server,        saveSession, tap,
                                  duration, client, capture,     openCapture,   compare,     compareTrace,
                                  ignore, site};
    all << conformance << report;
    for (const auto& q : kQtOptions)
        all << (q.takesValue ? QCommandLineOption(q.name, {}, "VALUE") : QCommandLineOption(q.name));
    parser.addOptions(all);
    // An option nobody takes is named as it was written ("--bogus", not Qt's "bogus").
    for (qsizetype i = 1; i < argv.size(); ++i) {
        const QString& arg = argv[i];
        if (arg == "--")
            break;
        if (!arg.startsWith('-') || arg.size() < 2)
            continue;
        const QString name = arg.mid(arg.startsWith("--") ? 2 : 1).section('=', 0, 0);
        const auto known = std::find_if(all.begin(), all.end(),
                                        [&](const QCommandLineOption& o) { return o.names().contains(name); });
        if (known == all.end()) {
            reason = "unknown option " + arg.toStdString();
            return std::nullopt;
        }
        if (!known->valueName().isEmpty() && !arg.contains('='))
            ++i; // its value, whatever it looks like
    }
    if (!parser.parse(argv)) {
        reason = parser.errorText().toStdString();
        return std::nullopt;
    }
    if (const QStringList rest = parser.positionalArguments(); !rest.isEmpty()) {
        reason = "unknown option " + rest.front().toStdString();
        return std::nullopt;
    }

    CommandLine c;
    c.help = parser.isSet(help);
    c.version = parser.isSet(version);
    c.quitWhenIdle = parser.isSet(quitWhenIdle);
    c.traceUnmasked = parser.isSet(traceUnmasked);
    c.scriptGiven = parser.isSet(script);
    for (const QString& name : parser.values(script))
        c.scripts.push_back(name.toLocal8Bit().toStdString());
    if (parser.isSet(timeout)) {
        const std::string text = parser.value(timeout).toStdString();
        long ms = 0;
        const auto res = std::from_chars(text.data(), text.data() + text.size(), ms);
        if (res.ec != std::errc() || res.ptr != text.data() + text.size() || ms < 1) {
            reason = "--timeout takes a whole number of milliseconds of at least 1, not \"" + text + "\"";
            return std::nullopt;
        }
        c.timeout = std::chrono::milliseconds(ms);
        c.timeoutGiven = true;
    }
    for (const auto& [option, into] : {std::pair{&trace, &c.trace}, std::pair{&junit, &c.junit},
                                       std::pair{&screenshot, &c.screenshot}, std::pair{&server, &c.server},
                                       std::pair{&saveSession, &c.saveSession}, std::pair{&tap, &c.tap},
                                       std::pair{&client, &c.client}, std::pair{&capture, &c.capture},
                                       std::pair{&openCapture, &c.openCapture}, std::pair{&compare, &c.compare},
                                       std::pair{&compareTrace, &c.compareTrace}, std::pair{&site, &c.site},
                                       std::pair{&conformance, &c.conformance}, std::pair{&report, &c.report}}) {
        if (!parser.isSet(*option))
            continue;
        // The last one given counts, as with any option.
        *into = parser.values(*option).back().toLocal8Bit().toStdString();
        if (into->empty()) {
            reason = "--" + option->names().front().toStdString() + " needs a value";
            return std::nullopt;
        }
    }
    reason = conformanceProblem(c);
    if (!reason.empty())
        return std::nullopt;
    if (!c.junit.empty() && !c.scriptGiven && c.conformance.empty()) {
        reason = "--junit reports on scripts: give --script too";
        return std::nullopt;
    }
    for (const QString& key : parser.values(ignore))
        c.ignore.push_back(key.toLocal8Bit().toStdString());
    reason = compareProblem(c);
    if (!reason.empty())
        return std::nullopt;
    if (parser.isSet(duration) && !readDuration(parser.value(duration).toStdString(), c.durationSeconds, reason))
        return std::nullopt;
    reason = tapProblem(c, parser.isSet(duration));
    if (!reason.empty())
        return std::nullopt;
    return c;
}

bool tapInWindow(const CommandLine& c, bool display)
{
    if (c.tap.empty() && c.openCapture.empty())
        return false;
    const bool headless = !c.trace.empty() || !c.saveSession.empty() || !c.capture.empty() || c.durationSeconds > 0 ||
                          !c.client.empty();
    return display && !headless;
}

bool hasDisplay()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.startsWith("offscreen") || platform.startsWith("minimal"))
        return false;
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           (!platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland"));
}

bool sameFile(const std::string& a, const std::string& b)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(a, ec) && fs::exists(b, ec))
        return fs::equivalent(a, b, ec);
    // Made absolute first: a relative name whose first part does not exist stays relative otherwise.
    const auto ca = fs::weakly_canonical(fs::absolute(a, ec), ec);
    const auto cb = fs::weakly_canonical(fs::absolute(b, ec), ec);
    return !ec && ca == cb;
}

std::string clashingPaths(const std::vector<std::string>& inputs,
                          const std::vector<std::pair<const char*, std::string>>& outputs)
{
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const auto& [option, path] = outputs[i];
        if (path.empty())
            continue;
        for (const auto& input : inputs)
            if (sameFile(path, input))
                return std::string(option) + " " + path + " is the script " + input +
                       ": it would be overwritten before it is read";
        for (std::size_t k = i + 1; k < outputs.size(); ++k)
            if (!outputs[k].second.empty() && sameFile(path, outputs[k].second))
                return std::string(option) + " and " + outputs[k].first + " name the same file " + path;
    }
    return {};
}

} // namespace vantrel
