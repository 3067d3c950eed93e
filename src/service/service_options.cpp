#include "service_options.h"

#include <QCommandLineParser>
#include <QStringList>

#include <optional>

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

namespace {

// The argument the service does not take, as it was written: a name the
// parser does not know, a word after one dash (only -q and -h are short), a
// flag given a value, "--" or a bare word. The value after --address is that
// option's, whatever it looks like. Nothing when every argument is taken.
std::optional<std::string> firstUnknown(const std::vector<std::string>& args, const QStringList& unknownNames)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--address") {
            ++i;
            continue;
        }
        if (arg.rfind("--address=", 0) == 0)
            continue;
        const bool doubleDash = arg.rfind("--", 0) == 0 && arg.size() > 2;
        const std::string name = doubleDash ? arg.substr(2, arg.find('=') - 2) : std::string();
        if (doubleDash && !unknownNames.contains(QString::fromStdString(name)) && arg.find('=') == std::string::npos)
            continue;
        if (arg == "-q" || arg == "-h")
            continue;
        return arg;
    }
    return std::nullopt;
}

} // namespace

std::optional<ServiceOptions> parseServiceOptions(const std::vector<std::string>& args, std::string& reason)
{
    QCommandLineParser parser;
    // A word after one dash is one name, never several letters: "-qh" is no option.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption session("session"), system("system"), address("address", {}, "ADDR"), replace("replace"),
        virtualClock("virtual-clock"), board("board"), quiet(QStringList{"q", "quiet"}), help(QStringList{"h", "help"}),
        version("version");
    parser.addOptions({session, system, address, replace, virtualClock, board, quiet, help, version});

    QStringList arguments{"vantrel-forecourt"};
    for (const std::string& a : args)
        arguments << QString::fromLocal8Bit(a.data(), static_cast<qsizetype>(a.size()));
    const bool parsed = parser.parse(arguments);
    const auto refuse = [&reason](std::string why) {
        reason = std::move(why);
        return std::nullopt;
    };
    if (const auto unknown = firstUnknown(args, parser.unknownOptionNames()))
        return refuse("unknown option '" + *unknown + "'");
    if (!parsed)
        return refuse(args.empty() || args.back() != "--address" ? parser.errorText().toStdString()
                                                                 : "--address needs a D-Bus address");

    // The buses in the order they were written: the first address that is
    // none is named, else a second, different bus is refused.
    ServiceOptions options;
    const QStringList addresses = parser.values(address);
    qsizetype nextAddress = 0;
    for (const QString& name : parser.optionNames()) {
        ServiceOptions::Bus bus;
        if (name == "session") {
            bus = ServiceOptions::Bus::Session;
        } else if (name == "system") {
            bus = ServiceOptions::Bus::System;
        } else if (name == "address") {
            const std::string value = addresses.value(nextAddress++).toStdString();
            if (value.find(':') == std::string::npos)
                return refuse("'" + value + "' is not a D-Bus address (such as unix:path=/run/site.sock)");
            options.address = value;
            bus = ServiceOptions::Bus::Address;
        } else {
            continue;
        }
        if (options.bus != ServiceOptions::Bus::Default && options.bus != bus)
            return refuse("choose one bus: --session, --system or --address");
        options.bus = bus;
    }
    options.replace = parser.isSet(replace);
    options.virtualClock = parser.isSet(virtualClock);
    options.board = parser.isSet(board);
    options.quiet = parser.isSet(quiet);
    options.help = parser.isSet(help);
    options.version = parser.isSet(version);
    return options;
}

} // namespace vantrel::service
