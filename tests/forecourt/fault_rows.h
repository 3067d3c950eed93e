// One row per fault of the simulated site: the steps before it, the fault
// line, the call a technician then makes and the numbered error it fails
// with, and the read that shows the fault. The forecourt tests run the
// rows on the embedded site; the D-Bus tests run the same rows through a
// client against vantrel-forecourt.
#pragma once

#include "server/automation_object.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace vantrel::forecourt::test {

// What the steps go through: the embedded site or one on a bus.
struct FaultDoors {
    AutomationObject& server;                                           // puts and reads
    std::function<std::string(const std::string& fault)> fault;        // sets or clears a fault
    std::function<std::string(const std::string& action)> customer;    // acts as the customer
    std::function<void(long long ms)> advance;                         // moves the site's clock
};

// A step, in words:
//   put MEMBER RECORD      a record (its NUL added; \r\n as written in C++)
//   set MEMBER TEXT        a text as it is ("07")
//   put16 MEMBER N         a 16-bit integer
//   get MEMBER [N]         a read, with a position argument
//   clear MEMBER           calls a ClearTop... member until its queue is empty
//   customer ACTION / fault FAULT / advance MS
struct FaultRow {
    const char* name;
    std::vector<std::string> before; // before the fault is set
    const char* fault;
    std::vector<std::string> after;  // after it is set
    const char* call;                // the technician's call
    int error;                       // the error it fails with; 0 when it does not fail
    const char* read;                // a read after it, or nullptr; its answer holds `shows`
    const char* shows;
};
const std::vector<FaultRow>& faultRows();
// A row as a failing case names it.
inline void PrintTo(const FaultRow& row, std::ostream* os) { *os << row.name; }

// Runs one step; what a get answered, as text.
std::string runStep(const FaultDoors& doors, const std::string& step);
// Runs a row: its steps, its fault, its call (checking the error it fails
// with) and its read (checking what it shows), as gtest expectations.
void runFaultRow(const FaultDoors& doors, const FaultRow& row);

} // namespace vantrel::forecourt::test
