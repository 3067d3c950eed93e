// Records the benchmarks send, built once here so that every benchmark of a
// "200-byte display record" sends the same bytes.
#pragma once

#include "server/automation_object.h"
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

// Authorises hose 1 at every position (limit 50.00), so that each has a sale to work out.
inline void authorizeEveryPosition(AutomationObject& server)
{
    for (int p = 1; p <= 32; ++p) {
        const std::string n = (p < 10 ? "0" : "") + std::to_string(p);
        server.put("Authorize", Value::string("FuelingPosition=" + n + "\r\nHose=1\r\nMOP=1\r\nLimit=005000\r\n" + '\0'));
    }
}

} // namespace vantrel::bench
