// The command line of vantrel-board: which simulator to show, which
// position's reader first, how long a call may take. Plain C++, so it can
// be checked on its own.
#pragma once

#include "dbus/endpoint.h"

#include <chrono>
#include <string>
#include <variant>
#include <vector>

namespace vantrel::board {

struct BoardOptions {
    dbus::Endpoint server{"Vantrel.Application", dbus::Endpoint::Bus::Session, {}};
    int position = 1;
    std::chrono::milliseconds timeout{5000};
    bool help = false;
    bool version = false;
};

// The options, or the reason the command line cannot be used.
std::variant<BoardOptions, std::string> parseBoardOptions(const std::vector<std::string>& args);

std::string boardUsageText();

} // namespace vantrel::board
