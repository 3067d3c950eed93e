#include "board_options.h"

#include <QCommandLineParser>
#include <QStringList>

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

// The options every Qt program takes (QGuiApplication, QApplication and the
// X11 platform read them); QApplication takes them off the command line, so
// here they are only let through. Those that take a value, then those that do not.
const char* const kQtValueOptions[] = {"style", "stylesheet", "platform", "platformpluginpath", "platformtheme", "plugin",
                                       "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "display", "geometry",
                                       "qmljsdebugger", "name", "title", "visual"};
const char* const kQtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
} // namespace

std::string boardUsageText()
{
    return "Usage: vantrel-board [OPTION]...\n"
           "Shows the forecourt of a simulator served on D-Bus (vantrel-forecourt) and acts there as the customer.\n"
           "\n"
           "      --server SPEC    the simulator: dbus (the default), dbus:NAME, dbus:NAME@system,\n"
           "                       dbus:NAME@ADDRESS (ADDRESS a D-Bus address: unix:path=/run/site.sock) or\n"
           "                       dbus:NAME@ssh:[USER@]HOST (the system bus of HOST, over ssh)\n"
           "      --position N     show the reader at position N (1 to 32) first (the default: the site's\n"
           "                       first installed pump); a click on a pump selects\n"
           "      --timeout MS     how long a call may take, in milliseconds (the default 5000)\n"
           "      --help           show this help and exit\n"
           "      --version        show the version and exit\n"
           "\n"
           "Qt's standard options are taken as by every Qt program, among them:\n"
           "      -style STYLE     the widget style (Fusion)\n"
           "      -platform NAME   the windowing platform (xcb, wayland, offscreen)\n"
           "      -stylesheet FILE a style sheet for the window\n"
           "      -reverse         lay the window out right to left\n"
           "      -display DISPLAY the X server to show the window on\n"
           "\n"
           "Exit status:\n"
           "  0  the window was closed\n"
           "  1  no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set)\n"
           "  2  usage error\n";
}

std::variant<BoardOptions, std::string> parseBoardOptions(const std::vector<std::string>& args)
{
    QCommandLineParser parser;
    // -style is the option "style", as Qt's own options are written, not -s -t -y -l -e.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption server("server", {}, "SPEC"), position("position", {}, "N"), timeout("timeout", {}, "MS");
    const QCommandLineOption help(QStringList{"h", "help"}), version("version");
    parser.addOptions({server, position, timeout, help, version});
    for (const char* name : kQtValueOptions)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), {}, "VALUE"));
    for (const char* name : kQtFlagOptions)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));

    QStringList arguments{"vantrel-board"};
    for (const std::string& a : args)
        arguments << QString::fromLocal8Bit(a.data(), static_cast<qsizetype>(a.size()));
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            // Named as it was written ("--board", "-x").
            for (const std::string& a : args) {
                const std::string name = a.substr(0, a.find('='));
                if (name.find_first_not_of('-') != std::string::npos &&
                    QString::fromStdString(name.substr(name.find_first_not_of('-'))) == unknown.front())
                    return "unknown option '" + a + "'";
            }
            return "unknown option '" + unknown.front().toStdString() + "'";
        }
        return parser.errorText().toStdString();
    }
    if (!parser.positionalArguments().isEmpty())
        return "unexpected argument '" + parser.positionalArguments().front().toStdString() + "'";

    BoardOptions options;
    long n = 0;
    if (parser.isSet(server)) {
        const std::string value = parser.value(server).toStdString();
        const auto endpoint = dbus::parseServerSpec(value);
        if (!endpoint)
            return "--server " + value + ": write " + dbus::kServerForms;
        options.server = *endpoint;
    }
    if (parser.isSet(position)) {
        const std::string value = parser.value(position).toStdString();
        if (!number(value, 1, 32, n))
            return "--position " + value + ": a position from 1 to 32";
        options.position = static_cast<int>(n);
    }
    if (parser.isSet(timeout)) {
        const std::string value = parser.value(timeout).toStdString();
        if (!number(value, 1, 3600000, n))
            return "--timeout " + value + ": milliseconds from 1 to 3600000";
        options.timeout = std::chrono::milliseconds(n);
    }
    options.help = parser.isSet(help);
    options.version = parser.isSet(version);
    options.platformGiven = parser.isSet("platform");
    return options;
}

} // namespace vantrel::board
