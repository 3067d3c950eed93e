// What a print record puts on a reader's paper: the message with its line
// feeds (CR LF read as LF), where each bar code line (ESC "B", the bar code
// characters, ETX) prints as a bar code between the text around it.
#pragma once

#include "paper.h"

#include <string>
#include <string_view>

namespace vantrel::forecourt {

void printWithBarCodes(Paper& paper, const std::string& job, std::string_view message);

} // namespace vantrel::forecourt
