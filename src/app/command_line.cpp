#include "command_line.h"

#include <charconv>
#include <filesystem>

namespace vantrel {

const char* usageText()
{
    return "usage: vantrel-test [--script FILE|FOLDER...] [--trace FILE] [--trace-unmasked] [--server SERVER]\n"
           "                    [--timeout MS] [--junit FILE] [--save-session FILE] [--screenshot PNG]\n"
           "                    [--quit-when-idle] [--help] [--version]\n";
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
           "                           dbus:NAME@system or dbus:NAME@ADDRESS; VANTREL_SERVER sets the default\n"
           "  --timeout MS             how long one call to a D-Bus server may take (default 5000)\n"
           "  --junit FILE             with --script: write a JUnit XML report, one test case per script\n"
           "  --save-session FILE      when the run ends, save the session as a script that repeats it\n"
           "  --screenshot PNG         save a picture of the window in front (after the scripts) and end\n"
           "  --quit-when-idle         end as soon as the shown window is idle (start-up timing)\n"
           "  --help                   show this help and end\n"
           "  --version                show the version and end\n"
           "\n"
           "Output files are written whole or not at all (a temporary file beside each, renamed into place);\n"
           "only a regular file or a link to one is written: a device, a FIFO or a folder is refused.\n"
           "\n"
           "Exit status:\n"
           "  0  the run ended normally; every script passed\n"
           "  1  a script failed (an expectation, an unexpected error, answers left over), the server could\n"
           "     not be created, or an output file (trace, report, saved session, screenshot) could not be\n"
           "     written whole\n"
           "  2  the command line or a script cannot be used (bad option, an output that is no regular file,\n"
           "     bad line, a script that cannot be read or holds no command, no script to run)\n";
}

std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& args, std::string& reason)
{
    CommandLine c;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                reason = arg + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            c.help = true;
        } else if (arg == "--version") {
            c.version = true;
        } else if (arg == "--quit-when-idle") {
            c.quitWhenIdle = true;
        } else if (arg == "--trace-unmasked") {
            c.traceUnmasked = true;
        } else if (arg == "--script") {
            if (i + 1 >= args.size()) {
                reason = "--script needs a file or a folder";
                return std::nullopt;
            }
            c.scriptGiven = true;
            // Every name up to the next option is a script.
            do
                c.scripts.push_back(args[++i]);
            while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0);
        } else if (arg == "--timeout") {
            std::string text;
            if (!value(text))
                return std::nullopt;
            long ms = 0;
            const auto res = std::from_chars(text.data(), text.data() + text.size(), ms);
            if (res.ec != std::errc() || res.ptr != text.data() + text.size() || ms < 1) {
                reason = "--timeout takes a whole number of milliseconds of at least 1, not \"" + text + "\"";
                return std::nullopt;
            }
            c.timeout = std::chrono::milliseconds(ms);
        } else if (arg == "--trace" || arg == "--junit" || arg == "--screenshot" || arg == "--server" ||
                   arg == "--save-session") {
            std::string& into = arg == "--trace"          ? c.trace
                                : arg == "--junit"        ? c.junit
                                : arg == "--screenshot"   ? c.screenshot
                                : arg == "--save-session" ? c.saveSession
                                                          : c.server;
            if (!value(into))
                return std::nullopt;
            if (into.empty()) {
                reason = arg + " needs a value";
                return std::nullopt;
            }
        } else {
            reason = "unknown option " + arg;
            return std::nullopt;
        }
    }
    if (!c.junit.empty() && !c.scriptGiven) {
        reason = "--junit reports on scripts: give --script too";
        return std::nullopt;
    }
    return c;
}

bool sameFile(const std::string& a, const std::string& b)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(a, ec) && fs::exists(b, ec))
        return fs::equivalent(a, b, ec);
    const auto ca = fs::weakly_canonical(a, ec);
    const auto cb = fs::weakly_canonical(b, ec);
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
