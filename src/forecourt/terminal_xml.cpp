#include "terminal_xml.h"

#include "reader_terminals.h"

namespace vantrel::forecourt {

void handleXmlPacket(Reader& reader, int, std::string_view xml, const Clock&)
{
    reader.lastXml = std::string(xml);
}

} // namespace vantrel::forecourt
