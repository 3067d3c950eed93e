// vantrel-board: the forecourt board of a simulator served on D-Bus, in a
// window of its own. vantrel-forecourt --board starts it beside the
// service; a technician can also point it at any site's simulator.
#include "board_options.h"
#include "board_window.h"
#include "bus_site.h"

#include <QApplication>

#include <iostream>

using namespace vantrel;

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto parsed = board::parseBoardOptions(args);
    if (const auto* error = std::get_if<std::string>(&parsed)) {
        std::cerr << "vantrel-board: " << *error << "\n\n" << board::boardUsageText();
        return 2;
    }
    const board::BoardOptions options = std::get<board::BoardOptions>(parsed);
    if (options.help) {
        std::cout << board::boardUsageText();
        return 0;
    }
    if (options.version) {
        std::cout << "vantrel-board " << VANTREL_VERSION << "\n";
        return 0;
    }

    if (!options.platformGiven && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::cerr << "vantrel-board: no display to show the window on: neither DISPLAY nor WAYLAND_DISPLAY is set\n";
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("vantrel-board");
    QApplication::setApplicationVersion(VANTREL_VERSION);
    auto site = std::make_unique<board::BusSite>(options.server, options.timeout);
    const QString where = QString::fromStdString(site->describe());
    board::BoardWindow window(std::move(site), nullptr);
    window.setWindowTitle("Forecourt \u2013 " + where);
    window.startAt(options.position);
    window.show();
    return app.exec();
}
