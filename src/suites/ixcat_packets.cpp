#include "ixcat_packets.h"

#include "server/records.h"
#include "server/terminal_vocabulary.h"

#include <array>

namespace vantrel::suites {

using namespace vantrel::xml;

namespace {

// The screen these packets lay out is 320 by 240.
constexpr std::string_view kScreenWidth = "320";
constexpr std::string_view kTahoma = "Tahoma";
constexpr std::string_view kBlack = "FF000000";
constexpr std::string_view kWhite = "FFFFFFFF";

std::string seq(int number) { return std::to_string(number); }

std::string location(int top, int left) { return empty(Location, {{Top, std::to_string(top)}, {Left, std::to_string(left)}}); }
std::string sizeWidthFirst(std::string_view width, int height)
{
    return empty(Size, {{Width, std::string(width)}, {Height, std::to_string(height)}});
}
std::string sizeHeightFirst(int height, std::string_view width)
{
    return empty(Size, {{Height, std::to_string(height)}, {Width, std::string(width)}});
}
std::string font(int size, int style)
{
    return empty(Font, {{Name, std::string(kTahoma)}, {Size, std::to_string(size)}, {Style, std::to_string(style)}});
}

// The command tag of these packets as the terminal's samples write it:
// the attribute followed by a blank before ">".
std::string startWithBlank(std::string_view element, std::string_view attributeName, std::string_view value)
{
    return "<" + std::string(element) + " " + attribute(attributeName, value) + " >";
}

// Additional text 7 of the welcome prompt carries its vertical alignment
// under this spelling; the terminal takes the line as it stands.
constexpr std::string_view kVerticalAlignmentAsSpeltInText7 = "VertcalAlignment";

} // namespace

std::string messageWindowPacket()
{
    return open(DisplayCommand) + startWithBlank(SetMessageWindowPropertiesCommand, SequenceNumber, seq(1500)) +
           start(MessageWindowProperties,
                 {{ForeColor, std::string(kBlack)},
                  {BackColor, std::string(kWhite)},
                  {VerticalAlignment, "Top"},
                  {HorizontalAlignment, "Center"}}) +
           location(0, 0) + sizeWidthFirst(kScreenWidth, 240) + font(14, 0) + close(MessageWindowProperties) +
           close(SetMessageWindowPropertiesCommand) + close(DisplayCommand);
}

std::string softKeyPacket()
{
    return open(DisplayCommand) + start(SetSoftKeyPropertiesCommand, {{SequenceNumber, seq(1501)}}) +
           start(SoftKeyProperties,
                 {{ForeColor, "00000FFF"},
                  {PixelsFromEdge, "5"},
                  {SoftKeyWidth, "150"},
                  {SoftKeyHeight, "38"},
                  {SoftKeyAlignment, "Outside"}}) +
           font(11, 1) + close(SoftKeyProperties) + close(SetSoftKeyPropertiesCommand) + close(DisplayCommand);
}

std::string dataEntryWindowPacket()
{
    // Written over four lines, the sequence number with a blank after "=".
    return open(DisplayCommand) + "<" + std::string(SetDataEntryWindowPropertiesCommand) + " " +
           std::string(SequenceNumber) + "= \"" + seq(1502) + "\">" + std::string(rec::CRLF) +
           start(DataEntryWindowProperties, {{ForeColor, std::string(kBlack)}}) + location(200, 0) +
           std::string(rec::CRLF) + sizeWidthFirst(kScreenWidth, 40) + font(18, 0) + std::string(rec::CRLF) +
           close(DataEntryWindowProperties) + close(SetDataEntryWindowPropertiesCommand) + close(DisplayCommand);
}

std::string welcomePromptPacket()
{
    // The welcome prompt at top 0 and seven more lines below it, 28 apart,
    // each 25 high and as wide as the screen, all in Tahoma 12 bold.
    constexpr int kLineHeight = 25, kLineStep = 28, kFontSize = 12, kBold = 1;
    constexpr std::array<const char*, 7> kTexts = {"", "Insert Debit/Credit Card", "or", "Push Pay Inside Button", "", "", ""};
    std::string packet = open(DisplayCommand) + start(SetPromptDetailsCommand, {{SequenceNumber, seq(1503)}, {Language, "en"}}) +
                         start(PromptDetails,
                               {{PromptId, "1"},
                                {PromptText, "Welcome to Halvern Solutions"},
                                {Description, "Idle Prompt"},
                                {HorizontalAlignment, "Left"},
                                {VerticalAlignment, "Top"}}) +
                         font(kFontSize, kBold) + location(0, 0) + sizeHeightFirst(kLineHeight, kScreenWidth) +
                         open(AdditionalTexts);
    for (std::size_t i = 0; i < kTexts.size(); ++i) {
        const int id = static_cast<int>(i) + 1;
        const std::string_view vertical = id == 7 ? kVerticalAlignmentAsSpeltInText7 : VerticalAlignment;
        packet += start(AdditionalText,
                        {{Id, std::to_string(id)}, {PromptText, kTexts[i]}, {HorizontalAlignment, "Left"}, {vertical, "Top"}}) +
                  font(kFontSize, kBold) + location(kLineStep * id, 0) + sizeHeightFirst(kLineHeight, kScreenWidth) +
                  close(AdditionalText);
    }
    return packet + close(AdditionalTexts) + close(PromptDetails) + close(SetPromptDetailsCommand) + close(DisplayCommand);
}

std::string displayPromptPacket()
{
    return open(DisplayCommand) + empty(DisplayPromptCommand, {{SequenceNumber, seq(1504)}, {Id, "1"}, {Language, "en"}}) +
           close(DisplayCommand);
}

std::string packageVersionPacket()
{
    return startWithBlank(GetPackageVersionCommand, SequenceNumber, seq(1505)) + close(GetPackageVersionCommand);
}

std::string specialPacketRecord(std::string_view position, std::string_view xml)
{
    std::string r;
    rec::appendLine(r, "ReaderPosition = ", position);
    rec::appendLine(r, "PacketCount = ", std::to_string(xml.size()));
    rec::appendLine(r, "PacketData=", xml);
    rec::appendNul(r);
    return r;
}

} // namespace vantrel::suites
