#include "service_options.h"

#include <QCommandLineParser>
#include <QStringList>

#include <charconv>
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
           "      --traffic RATE   send RATE simulated customers a minute to the pumps (0 to 600, such as\n"
           "                       2 or 0.5; 0, the default, sends none)\n"
           "      --seed N         the seed of the traffic's choices (0 to 4294967295, default 1): the same\n"
           "                       seed and the same Advance calls give the same customers\n"
           "      --site FILE      serve the site FILE describes (a JSON site file: positions, hoses,\n"
           "                       grades, tanks, wash, sign); a file that is not valid is status 2\n"
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

// The options that take a value: the word after them is theirs, whatever it looks like.
bool takesValue(const std::string& arg)
{
    return arg == "--address" || arg == "--traffic" || arg == "--seed" || arg == "--site";
}
bool valueGiven(const std::string& arg)
{
    return arg.rfind("--address=", 0) == 0 || arg.rfind("--traffic=", 0) == 0 || arg.rfind("--seed=", 0) == 0 ||
           arg.rfind("--site=", 0) == 0;
}

// "2", "0.5", "600": digits with at most one point; nothing for anything else.
std::optional<double> decimalText(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos || text.find('.') != text.rfind('.') ||
        text == ".")
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The argument the service does not take, as it was written: a name the
// parser does not know, a word after one dash (only -q and -h are short), a
// flag given a value, "--" or a bare word. The value after an option that
// takes one (takesValue) is that option's, whatever it looks like.
// Nothing when every argument is taken.
std::optional<std::string> firstUnknown(const std::vector<std::string>& args, const QStringList& unknownNames)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (takesValue(arg)) {
            ++i;
            continue;
        }
        if (valueGiven(arg))
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
        virtualClock("virtual-clock"), board("board"), traffic("traffic", {}, "RATE"), seed("seed", {}, "N"), siteFile("site", {}, "FILE"), quiet(QStringList{"q", "quiet"}), help(QStringList{"h", "help"}),
        version("version");
    parser.addOptions({session, system, address, replace, virtualClock, board, traffic, seed, siteFile, quiet, help, version});

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
    if (!parsed && !args.empty() && (args.back() == "--traffic" || args.back() == "--seed"))
        return refuse(args.back() == "--traffic" ? "--traffic needs customers a minute, such as 2"
                                                 : "--seed needs a whole number, such as 1");
    if (!parsed && !args.empty() && args.back() == "--site")
        return refuse("--site needs a site file");
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
    if (parser.isSet(siteFile)) {
        options.siteFile = parser.value(siteFile).toStdString();
        if (options.siteFile.empty())
            return refuse("--site needs a site file");
    }
    if (parser.isSet(traffic)) {
        const std::string given = parser.value(traffic).toStdString();
        const auto rate = decimalText(given);
        if (!rate || !forecourt::trafficRateProblem(*rate).empty())
            return refuse("--traffic takes customers a minute, 0 (none) or up to 600 such as 2 or 0.5; not '" + given + "'");
        options.traffic = *rate;
    }
    if (parser.isSet(seed)) {
        const std::string given = parser.value(seed).toStdString();
        std::uint64_t value = 0;
        const auto [end, error] = std::from_chars(given.data(), given.data() + given.size(), value);
        if (given.empty() || error != std::errc() || end != given.data() + given.size() ||
            value > forecourt::kLargestTrafficSeed)
            return refuse("--seed takes a whole number 0 to " + std::to_string(forecourt::kLargestTrafficSeed) + "; not '" +
                          given + "'");
        options.seed = value;
    }
    options.quiet = parser.isSet(quiet);
    options.help = parser.isSet(help);
    options.version = parser.isSet(version);
    return options;
}

} // namespace vantrel::service
