// The twelve queue buttons and the packet input display.
#include "reader_handlers.h"

#include "server/conversions.h"
#include "server/records.h"
#include "session/session.h"

#include <cmath>
#include <optional>

namespace vantrel::reader {

namespace {

void readInto(Session& s, const char* description, const char* member)
{
    s.setTextBox(description);
    s.setInBox(toText(s.server().get(member, std::nullopt)));
}

// Clear members are called first; their value must be a number and is dropped.
void clearTop(Session& s, const char* member, const char* description)
{
    (void)toInt16(s.server().call(member, std::nullopt));
    s.setTextBox(description);
    s.setInBox(" ");
}

constexpr std::size_t kHeaderLength = 47;
constexpr std::size_t kCountAt = 31; // characters 32 to 34, 0-based
constexpr std::size_t kCountLength = 3;

void appendByte(std::string& shown, unsigned char c)
{
    static const char* hex = "0123456789ABCDEF";
    shown += ' ';
    if (c >= 33 && c <= 126) {
        shown += static_cast<char>(c);
    } else {
        if (c >= 16)
            shown += hex[c >> 4];
        shown += hex[c & 0x0F];
    }
}

} // namespace

std::string decodePacketInput(std::string_view answer)
{
    std::string shown(answer.substr(0, kHeaderLength));
    if (answer.size() <= kCountAt)
        return shown;
    // The count is read as a leading number: blanks before it, an exponent allowed.
    const double count = rec::readLeadingNumber(answer.substr(kCountAt, kCountLength), {false, true});
    const std::size_t present = answer.size() > kHeaderLength ? answer.size() - kHeaderLength : 0;
    // A whole count the data can satisfy decodes that many bytes; any other
    // count decodes what is there and stops at the end of the text.
    const bool satisfiable = count >= 0 && count == std::floor(count) && count <= static_cast<double>(present);
    const std::size_t decode = satisfiable ? static_cast<std::size_t>(count) : present;
    for (std::size_t i = 0; i < decode; ++i)
        appendByte(shown, static_cast<unsigned char>(answer[kHeaderLength + i]));
    return shown;
}

void cardQue(Session& s) { readInto(s, "<data>=<Object>.CardQue", "CardQue"); }
void keyQue(Session& s) { readInto(s, "<data>=<Object>.KeyQue", "KeyQue"); }
void cashIn(Session& s) { readInto(s, "(data)=<Object>.CashInQue", "CashInQue"); }
void queCounts(Session& s) { readInto(s, "<data>=<Object>.QueCountQuery", "QueCountQuery"); }

// Cash output has no server member: the button only names the call.
void cashOut(Session& s) { s.setTextBox("<Object>.CashOutQue = (data)"); }

void packetQue(Session& s)
{
    s.setTextBox("(data)=<Object>.PacketQueInput");
    const std::string answer = toText(s.server().get("PacketQueInput", std::nullopt));
    s.setInBox(decodePacketInput(answer));
}

// The one handler that traps its own errors: any failure shows "Error" and
// leaves InBox as it was.
void readErrorQue(Session& s)
{
    try {
        readInto(s, "(data)=<Object>.ReadErrorQue", "ReadErrorQue");
    } catch (const Unwinding&) {
        throw; // a closing window or a stop is no error of the call
    } catch (const std::exception&) {
        s.prompter().message("Error");
    }
}

void clearCardEntry(Session& s) { clearTop(s, "ClearTopCardQue", "<Object>.ClearTopCardQue"); }
void clearCashEntry(Session& s) { clearTop(s, "ClearTopCashQue", "<Object>.ClearTopCashQue"); }
void clearKeyEntry(Session& s) { clearTop(s, "ClearTopKeyQue", "<Object>.ClearTopKeyQue"); }
void clearErrorQue(Session& s) { clearTop(s, "ClearErrorQue", "<Object>.ClearErrorQue"); }
void clearPacketEntry(Session& s) { clearTop(s, "ClearPacketEntry", "<Object>.ClearPacketEntry"); }

} // namespace vantrel::reader
