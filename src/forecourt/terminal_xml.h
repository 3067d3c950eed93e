// XML command documents of the iX CAT terminal, carried in output packets:
// read with a real XML reader, applied to the reader's screen, paper and
// chip reader, and answered with an XML response in the reader's packet
// input queue (an output packet record with a three-digit count).
//
// Every command is answered by an element named after it, with "Response"
// in place of "Command", carrying its sequence number and Result="Success",
// or Result="Failure" and a Fault when the command cannot be carried out (it
// then changes nothing). A packet that is not well-formed XML, or names no
// command the terminal knows, is answered by an ErrorResponse naming the
// fault. Attributes and elements the terminal does not know are passed
// over and noted on the screen model.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace vantrel::forecourt {

struct Reader;
class Clock;

struct PackageVersion {
    const char* name;
    const char* version;
};
// What GetPackageVersionCommand answers with.
std::span<const PackageVersion> packageVersions();

// What the faults set on the reader (site_faults.h) do to its devices.
struct TerminalCondition {
    std::string printerError;   // why the printer cannot print; empty when it can
    bool declinesCards = false; // a card inserted is read, then declined
};

// Handles one XML packet sent to the reader at `position`.
void handleXmlPacket(Reader& reader, int position, std::string_view xml, const Clock& clock,
                     const TerminalCondition& condition = {});

} // namespace vantrel::forecourt
