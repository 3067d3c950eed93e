// The XML packets of the iX CAT special test, which lay out the terminal's
// screen (message window, soft keys, data entry window, welcome prompt),
// show the prompt and ask for the package versions, and the record they
// travel in: "ReaderPosition = " and "PacketCount = " (blanks around "=" as
// these test records have always been written), then "PacketData=" and the
// packet, its count computed from the packet in plain decimal.
#pragma once

#include <string>
#include <string_view>

namespace vantrel::suites {

std::string messageWindowPacket();   // packet 1, sequence 1500
std::string softKeyPacket();         // packet 2, sequence 1501
std::string dataEntryWindowPacket(); // packet 3, sequence 1502, with three inner CR LF pairs
std::string welcomePromptPacket();   // packet 5, sequence 1503
std::string displayPromptPacket();   // packet 6, sequence 1504
std::string packageVersionPacket();  // packet 7, sequence 1505

// "ReaderPosition = " NN CR LF, "PacketCount = " count CR LF, "PacketData=" packet CR LF, NUL.
std::string specialPacketRecord(std::string_view position, std::string_view xml);

} // namespace vantrel::suites
