// The card reader terminals at the 32 fueling positions: their input
// queues, display, printer paper, keypad, beeper and packet traffic.
#pragma once

#include "clock.h"
#include "emv_module.h"
#include "paper.h"
#include "record_parser.h"
#include "screen_model.h"

#include <array>
#include <cstdint>
#include <deque>
#include <string>

namespace vantrel::forecourt {

struct Reader {
    std::deque<std::string> cardQueue, keyQueue, cashQueue, packetQueue, errorQueue;
    ScreenModel screen;      // the display
    Paper paper;             // everything printed
    std::string keypad;      // the keypad layout
    std::string entryMode;   // the last key entry mode
    int beeps = 0;
    EmvState emv;            // the chip reader
    std::string lastXml;     // the last XML packet received
};

class ReaderTerminals {
public:
    explicit ReaderTerminals(const Clock& clock);

    // Queue reads take the top entry of the first reader that has one.
    std::string cardQue();
    std::string keyQue();
    std::string cashInQue();
    std::string packetQueInput();
    std::string readErrorQue();
    std::string queCountQuery();
    // Each removes the top entry and returns the number left.
    std::int32_t clearTopCardQue();
    std::int32_t clearTopKeyQue();
    std::int32_t clearTopCashQue();
    std::int32_t clearPacketEntry();
    std::int32_t clearErrorQue();

    void displayData(const std::string& record);
    void preloadDisplayMessage(const std::string& record);
    void printOutput(const std::string& record);
    void keyPadConfiguration(const std::string& record);
    void keyEntryType(const std::string& record);
    void beeperControl(const std::string& record);
    void packetQueOutput(const std::string& record);

    std::string readerInformation(int position) const;
    std::string systemVersions() const;
    void selfDiagnosticsReportStart();
    std::int16_t selfDiagnosticsReportStatus() const;

    Reader& reader(int position) { return m_readers.at(static_cast<std::size_t>(position)); }
    const Reader& reader(int position) const { return m_readers.at(static_cast<std::size_t>(position)); }

private:
    const Clock& m_clock;
    std::array<Reader, 33> m_readers{}; // index 1..32
};

} // namespace vantrel::forecourt
