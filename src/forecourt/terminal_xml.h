// XML command documents of the iX CAT terminal, carried in output packets:
// read with a real XML reader, applied to the reader's screen, paper and
// chip reader, and answered with an XML response in the packet input queue.
#pragma once

#include <string_view>

namespace vantrel::forecourt {

struct Reader;
class Clock;

// Handles one XML packet sent to the reader at `position`.
void handleXmlPacket(Reader& reader, int position, std::string_view xml, const Clock& clock);

} // namespace vantrel::forecourt
