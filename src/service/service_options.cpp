#include "service_options.h"

namespace vantrel::service {

std::string usageText()
{
    return "Usage: vantrel-forecourt [OPTION]...\n"
           "Serves the simulated forecourt as Vantrel.Application at /Vantrel/Application on D-Bus.\n"
           "\n"
           "      --session        serve on the session bus (the default)\n"
           "      --system         serve on the system bus\n"
           "      --address ADDR   serve on the bus at the D-Bus address ADDR (unix:path=/run/site.sock)\n"
           "      --replace        take the name over from a server that already owns it\n"
           "      --virtual-clock  run on a clock that moves only through Vantrel.Simulator.Advance\n"
           "      --board          show the forecourt board (vantrel-board) of this simulator; closing it\n"
           "                       leaves the service serving, and the board ends with the service\n"
           "  -q, --quiet          log no line per call (failures to start are still reported)\n"
           "      --help           show this help and exit\n"
           "      --version        show the version and exit\n"
           "\n"
           "Exit status:\n"
           "  0  clean end: SIGINT or SIGTERM, or another server took the name over (--replace),\n"
           "     also one that took it over while this one was starting\n"
           "  1  cannot start: the bus cannot be reached, the name has an owner (see --replace),\n"
           "     or --board without a display or without vantrel-board\n"
           "  2  usage error\n"
           "  3  the bus dropped the service or its connection broke (said on standard error, also with -q)\n";
}

std::variant<ServiceOptions, std::string> parseServiceOptions(const std::vector<std::string>& args)
{
    ServiceOptions options;
    auto chooseBus = [&](ServiceOptions::Bus bus) -> bool {
        if (options.bus != ServiceOptions::Bus::Default && options.bus != bus)
            return false;
        options.bus = bus;
        return true;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        bool busOk = true;
        if (arg == "--session") {
            busOk = chooseBus(ServiceOptions::Bus::Session);
        } else if (arg == "--system") {
            busOk = chooseBus(ServiceOptions::Bus::System);
        } else if (arg == "--address" || arg.rfind("--address=", 0) == 0) {
            std::string value;
            if (arg == "--address") {
                if (i + 1 >= args.size())
                    return std::string("--address needs a D-Bus address");
                value = args[++i];
            } else {
                value = arg.substr(std::string("--address=").size());
            }
            if (value.find(':') == std::string::npos)
                return "'" + value + "' is not a D-Bus address (such as unix:path=/run/site.sock)";
            busOk = chooseBus(ServiceOptions::Bus::Address);
            options.address = value;
        } else if (arg == "--replace") {
            options.replace = true;
        } else if (arg == "--board") {
            options.board = true;
        } else if (arg == "--virtual-clock") {
            options.virtualClock = true;
        } else if (arg == "-q" || arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else {
            return "unknown option '" + arg + "'";
        }
        if (!busOk)
            return std::string("choose one bus: --session, --system or --address");
    }
    return options;
}

} // namespace vantrel::service
