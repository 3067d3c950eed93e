// The command line of vantrel-board: which simulator to show, which
// position's reader first, how long a call may take; Qt's standard options
// (-style, -platform, -stylesheet, -reverse, -display ...) are let through
// for QApplication. Read before there is an application, so that --help,
// --version and a usage error need no display.
#pragma once

#include "dbus/endpoint.h"

#include <chrono>
#include <string>
#include <variant>
#include <vector>

namespace vantrel::board {

struct BoardOptions {
    dbus::Endpoint server{"Vantrel.Application", dbus::Endpoint::Bus::Session, {}};
    int position = 0; // 0: none asked for, the site's first installed pump
    std::chrono::milliseconds timeout{5000};
    bool help = false;
    bool version = false;
    bool platformGiven = false; // -platform NAME: the display need not come from DISPLAY
};

// The options, or the reason the command line cannot be used.
std::variant<BoardOptions, std::string> parseBoardOptions(const std::vector<std::string>& args);

std::string boardUsageText();

} // namespace vantrel::board
