// Fills a simulated site as far as its bounds let it, with the bytes that
// cost most on the wire (control bytes: six in JSON), through the same
// doors a client uses: member puts and customer actions. The forecourt
// tests check the bounds hold on it; the D-Bus tests read it whole over a
// bus with the system bus's message limit.
#pragma once

#include <functional>
#include <string>

namespace vantrel::forecourt::test {

struct SiteDoors {
    // Assigns a text value to a member; false when the server refused it.
    std::function<bool(const char* member, const std::string& value)> put;
    // A customer action; false when it was refused.
    std::function<bool(const std::string& action)> act;
};

// Fills reader `position` (its paper, screen, keypad, five queues, XML
// state) and the car wash. Returns how many puts and actions were refused
// on the way (a full queue refuses nothing: it drops).
int fillToBounds(const SiteDoors& doors, int position);

} // namespace vantrel::forecourt::test
