#include "largest_site.h"

#include "forecourt/site_bounds.h"
#include "server/records.h"
#include "server/terminal_vocabulary.h"

namespace vantrel::forecourt::test {

namespace {
constexpr char kControl = '\x01';

std::string recordWith(const std::string& head, const std::string& body, std::size_t total)
{
    std::string record = head;
    const std::size_t tail = 3; // CR LF NUL
    record.append(total > record.size() + tail ? total - record.size() - tail : 0, kControl);
    record += body;
    record += "\r\n";
    record += '\0';
    return record;
}
} // namespace

int fillToBounds(const SiteDoors& doors, int position)
{
    const std::string pos = rec::positionText(position);
    int refused = 0;
    const auto put = [&](const char* member, const std::string& value) { refused += doors.put(member, value) ? 0 : 1; };
    const auto act = [&](const std::string& action) { refused += doors.act(action) ? 0 : 1; };

    // Paper: more control bytes than it keeps, in one item and in many.
    for (int i = 0; i < 2; ++i)
        put("PrintOutput", recordWith("ReaderPosition=" + pos + "\r\nJob=Receipt\r\nMessage=", {}, kPaperBytes + 4096));

    // Screen: a font name as long as the display takes, then positioned
    // texts of control bytes, more than it keeps.
    std::string message = "ReaderPosition=" + pos + "\r\nMessage=\x1b" "F\"" + std::string(kLongestFontName, kControl) + "\"12";
    const std::string chunk = "\x1b=001001" + std::string(48, kControl);
    while (message.size() + chunk.size() + 3 <= kLargestDisplayRecord)
        message += chunk;
    put("DisplayData", recordWith(message, {}, kLargestDisplayRecord));

    put("KeyPadConfiguration", [&] {
        std::string record = "ReaderPosition=" + pos + "\r\nKeyData=";
        record.append(kLargestKeypadRecord - record.size() - 2, kControl);
        return record + "\n" + '\0';
    }());

    // Queues, each until it drops: errors (a bad beep count quoting control
    // bytes), echoed packets, cards, keys and cash from the customer.
    const std::string badCount(kQueuedErrorDetail, kControl);
    for (std::size_t i = 0; i < kQueueBytes / 256; ++i)
        put("BeeperControl", "ReaderPosition=" + pos + "\nBeepCounts=" + badCount + "\n" + '\0');
    const std::string packet(999, kControl);
    for (std::size_t i = 0; i < kQueueBytes / 999 + 2; ++i)
        put("PacketQueOutput", rec::packetRecord(pos, packet));
    for (std::size_t i = 0; i < kQueueEntries + 1; ++i) {
        act("card " + std::to_string(position) + " 1");
        act("cash " + std::to_string(position) + " 999999.99");
    }
    const std::string keys(kLongestCustomerAction - 16, '7');
    for (std::size_t i = 0; i < kQueueBytes / keys.size() + 2; ++i)
        act("key " + std::to_string(position) + " " + keys);

    // XML state: images of line feeds (six bytes each in JSON) until the
    // older ones go.
    for (int image = 0; image < 4; ++image) {
        using namespace vantrel::xml;
        std::string xmlText = "<" + std::string(DisplayCommand) + "><" + std::string(SetImageDetailsCommand) + " " +
                              std::string(SequenceNumber) + "=\"1\" " + std::string(ImageId) + "=\"" + std::to_string(image) +
                              "\" " + std::string(Filename) + "=\"f.hex\" " + std::string(Language) + "=\"en\">";
        const std::string close = "</" + std::string(SetImageDetailsCommand) + "></" + std::string(DisplayCommand) + ">";
        xmlText.append(kLargestXmlPacket - xmlText.size() - close.size(), '\n');
        put("PacketQueOutput", rec::packetRecord(pos, xmlText + close, 3));
    }

    // The car wash: more codes than it keeps.
    const std::string getCode = std::string("RequestCarWashCode\r\nProgramNumber=01\r\nPriceLevel=01\r\nOptionCount=0\r\n") + '\0';
    for (std::size_t i = 0; i < kWashCodes + 5; ++i)
        put("CarWashInformationRequest", getCode);
    return refused;
}

} // namespace vantrel::forecourt::test
