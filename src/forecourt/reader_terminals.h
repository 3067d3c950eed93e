// The card reader terminals at the 32 fueling positions: their input
// queues (card, key, cash, packet, error), display, printer paper, keypad,
// key entry, beeper and packet traffic, the preloaded prompts and the self
// diagnostics report. Time-driven effects (a customer's keys after a key
// entry request, the end of a diagnostics report) are worked out from the
// clock whenever the server is next asked; nothing runs in the background.
#pragma once

#include "clock.h"
#include "emv_module.h"
#include "paper.h"
#include "record_parser.h"
#include "screen_model.h"

#include "server/automation_error.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

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
    int keyEntries = 0;      // key entries the customer has made (seeds the PIN blocks)
};

// How long the simulated customer takes to key in after a key entry request.
inline constexpr Millis kKeyEntryDelay{2000};
// How long a self diagnostics report runs.
inline constexpr Millis kDiagnosticsDuration{3000};
// Self diagnostics status: complete, running, never started.
inline constexpr std::int16_t kDiagnosticsComplete = 0;
inline constexpr std::int16_t kDiagnosticsBusy = 1;
inline constexpr std::int16_t kDiagnosticsNotStarted = -1;

class ReaderTerminals {
public:
    // Starts with a few card swipes and cash insertions already queued.
    explicit ReaderTerminals(const Clock& clock);

    // Queue reads return the top entry of the lowest-numbered reader that
    // has one, without removing it; "" when every reader's queue is empty.
    std::string cardQue();
    std::string keyQue();
    std::string cashInQue();
    std::string packetQueInput();
    std::string readErrorQue();
    // "Card=n", "Key=n", "Cash=n", "Packet=n", "Error=n", CR LF between.
    std::string queCountQuery();
    // Each removes the top entry (the one the read shows) and returns the number left.
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

    std::string readerInformation(int position);
    std::string systemVersions();
    void selfDiagnosticsReportStart();
    std::int16_t selfDiagnosticsReportStatus() const;

    // A preloaded prompt by section, type ("Card", "Printer") and number.
    std::optional<std::string> preloaded(int section, std::string_view type, int number) const;
    std::size_t preloadedCount() const { return m_prompts.size(); }
    // Key entries that the simulated customers have yet to make.
    std::size_t pendingKeyEntries() const { return m_pendingKeys.size(); }

    Reader& reader(int position) { return m_readers.at(static_cast<std::size_t>(position)); }
    const Reader& reader(int position) const { return m_readers.at(static_cast<std::size_t>(position)); }

private:
    struct PendingKeys {
        Millis due;
        int position;
        std::string entry;
    };
    using PromptKey = std::tuple<int, std::string, int>;

    // Moves the key entries whose time has come into the key queues.
    void catchUp();
    void queueError(int position, ErrorCode code, const std::string& detail);
    std::string simulatedKeys(int position, const std::string& mode);

    const Clock& m_clock;
    std::array<Reader, 33> m_readers{}; // index 1..32
    std::vector<PendingKeys> m_pendingKeys; // in the order they fall due
    std::map<PromptKey, std::string> m_prompts;
    std::optional<Millis> m_diagnosticsStarted;
    int m_diagnosticsReports = 0;
};

} // namespace vantrel::forecourt
