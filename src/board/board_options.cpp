#include "board_options.h"

#include <charconv>

namespace vantrel::board {

namespace {
// The whole text as a number from `low` to `high`.
bool number(const std::string& text, long low, long high, long& out)
{
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, out);
    return error == std::errc() && at == end && out >= low && out <= high;
}
} // namespace

std::string boardUsageText()
{
    return "Usage: vantrel-board [OPTION]...\n"
           "Shows the forecourt of a simulator served on D-Bus (vantrel-forecourt) and acts there as the customer.\n"
           "\n"
           "      --server SPEC    the simulator: dbus (the default), dbus:NAME, dbus:NAME@system or\n"
           "                       dbus:NAME@ADDRESS (ADDRESS a D-Bus address: unix:path=/run/site.sock)\n"
           "      --position N     show the reader at position N (1 to 32) first; a click on a pump selects\n"
           "      --timeout MS     how long a call may take, in milliseconds (the default 5000)\n"
           "      --help           show this help and exit\n"
           "      --version        show the version and exit\n"
           "\n"
           "Exit status:\n"
           "  0  the window was closed\n"
           "  1  no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set)\n"
           "  2  usage error\n";
}

std::variant<BoardOptions, std::string> parseBoardOptions(const std::vector<std::string>& args)
{
    BoardOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::string value;
        const auto equals = arg.find('=');
        if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg = arg.substr(0, equals);
        }
        const bool takesValue = arg == "--server" || arg == "--position" || arg == "--timeout";
        if (!takesValue && equals != std::string::npos && arg.rfind("--", 0) == 0) {
            return arg + " takes no value";
        } else if (takesValue && equals == std::string::npos) {
            if (i + 1 >= args.size())
                return arg + " needs a value";
            value = args[++i];
        }
        long n = 0;
        if (arg == "--server") {
            const auto endpoint = dbus::parseServerSpec(value);
            if (!endpoint)
                return "--server " + value + ": write dbus, dbus:NAME, dbus:NAME@system or dbus:NAME@ADDRESS";
            options.server = *endpoint;
        } else if (arg == "--position") {
            if (!number(value, 1, 32, n))
                return "--position " + value + ": a position from 1 to 32";
            options.position = static_cast<int>(n);
        } else if (arg == "--timeout") {
            if (!number(value, 1, 3600000, n))
                return "--timeout " + value + ": milliseconds from 1 to 3600000";
            options.timeout = std::chrono::milliseconds(n);
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else {
            return "unknown option '" + args[i] + "'";
        }
    }
    return options;
}

} // namespace vantrel::board
