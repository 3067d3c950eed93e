// Records the benchmarks send, built once here so that every benchmark of a
// "200-byte display record" sends the same bytes.
#pragma once

#include "server/records.h"

#include <string>

namespace vantrel::bench {

// A display record of 200 bytes: the reader position line, one message line of letters, NUL.
inline std::string displayRecord200()
{
    std::string r;
    rec::appendLine(r, "ReaderPosition=", "05");
    std::string message = "Message=";
    while (r.size() + message.size() + 3 < 200)
        message += static_cast<char>('A' + message.size() % 26);
    rec::appendLine(r, message);
    rec::appendNul(r);
    return r;
}

} // namespace vantrel::bench
