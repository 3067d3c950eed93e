#include "reader_records.h"

#include "server/records.h"

namespace vantrel::reader {

using namespace vantrel::rec;

std::string displayRecord(std::string_view position, int message)
{
    std::string r;
    appendLine(r, "ReaderPosition=", position);
    appendLine(r, "Message=Display Msg ", std::to_string(message));
    appendLine(r, "Line 2 Displayed");
    appendNul(r);
    return r;
}

std::string receiptRecord(std::string_view position, int receipt)
{
    const std::string n = std::to_string(receipt);
    std::string r;
    appendLine(r, "ReaderPosition=", position);
    appendLine(r, "Job=Receipt");
    appendLine(r, "Message=Vantrel");
    appendLine(r, "-----Receipt" + n + "-----");
    appendLine(r, receipt == 1 ? "Line 1 Receipt1" : "Line 1");
    for (int line = 2; line <= 10; ++line)
        appendLine(r, "Line " + std::to_string(line));
    appendLine(r, "LastLine !");
    for (int feed = 0; feed < 5; ++feed)
        appendLine(r, "");
    appendNul(r);
    return r;
}

std::string keyEntryRecord(std::string_view position, std::string_view entryMode)
{
    std::string r;
    appendLine(r, "ReaderPosition=", position);
    appendLine(r, "EntryMode=", entryMode);
    appendNul(r);
    return r;
}

std::string preloadRecord(int section, std::string_view type, int number, std::string_view message)
{
    std::string r;
    appendLine(r, "Section=", std::to_string(section));
    appendLine(r, "MessageType=", type);
    appendLine(r, "MessageNumber=", std::to_string(number));
    appendLine(r, "Message=", message);
    appendNul(r);
    return r;
}

std::string printJobRecord(std::string_view position, std::string_view job, std::string_view text, int feeds)
{
    std::string r;
    appendLine(r, "ReaderPosition=", position);
    appendLine(r, "Job=", job);
    r += "Message=";
    r += text;
    for (int feed = 0; feed < feeds; ++feed)
        r += CRLF;
    appendNul(r);
    return r;
}

std::string keypadRecord(std::string_view position, std::string_view keyData)
{
    std::string r;
    appendLine(r, "ReaderPosition=", position);
    r += "KeyData=";
    appendLfLine(r, keyData);
    appendNul(r);
    return r;
}

std::string beeperRecord(std::string_view position)
{
    std::string r;
    r += "ReaderPosition=";
    appendLfLine(r, position);
    appendLfLine(r, "BeepCounts=03");
    appendNul(r);
    return r;
}

std::string testPacketRecord(std::string_view position) { return packetRecord(position, kTestPacket, 3); }

} // namespace vantrel::reader
