// The handlers of the reader terminal buttons: plain functions on a
// Session, run the same from a click, a script or a test. Each writes its
// description into TextBox, makes its server call and shows the outcome in
// InBox; a failing call ends the handler and is reported by the runner.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {
class Session;
}

namespace vantrel::reader {

// Input queues.
void cardQue(Session& s);
void keyQue(Session& s);
void cashIn(Session& s);
void cashOut(Session& s);
void packetQue(Session& s);
void readErrorQue(Session& s);
void queCounts(Session& s);
void clearCardEntry(Session& s);
void clearCashEntry(Session& s);
void clearKeyEntry(Session& s);
void clearErrorQue(Session& s);
void clearPacketEntry(Session& s);

// The packet input answer as PacketQue shows it: the 47-character header,
// then each data byte after one blank, printable ASCII as itself and every
// other byte in upper-case hexadecimal. The count comes from characters
// 32 to 34; a count that is not a whole number the data can satisfy decodes
// the data characters actually present and stops there.
std::string decodePacketInput(std::string_view answer);

// Display, preloaded messages and printer.
void display1(Session& s);
void display2(Session& s);
void preloadMessages(Session& s);
void printReceipt1(Session& s);
void printReceipt2(Session& s);
void printHeader1(Session& s);
void printHeader2(Session& s);
void printFooter1(Session& s);
void printFooter2(Session& s);

// Keypad and stress test.
void keyPad(Session& s);
void stressButton(Session& s);

// Beeper, packets, information and diagnostics.
void beeper(Session& s);
void packetOut(Session& s);
void readerInfo(Session& s);
void systemVersions(Session& s);
void selfTestStart(Session& s);
void selfTestStatus(Session& s);

} // namespace vantrel::reader
