// The card reader terminals at the 32 fueling positions: their input
// queues (card, key, cash, packet, error), display, printer paper, keypad,
// key entry, beeper and packet traffic, the preloaded prompts and the self
// diagnostics report. Time-driven effects (a customer's keys after a key
// entry request, the end of a diagnostics report) are worked out from the
// clock whenever the server is next asked; nothing runs in the background.
// The simulated customer at the keypads is a KeyEntrySimulator, and what a
// print record puts on the paper comes from printWithBarCodes.
//
// Faults set on a reader (site_faults.h) act on it: an offline reader
// answers no member call for it (error 1208) and its queues are not read
// while it is offline; a printer out of paper or jammed prints nothing and
// queues its error (1209, 1210); a reader that declines cards queues them
// with CardStatus=Declined. The reader of a position a site file leaves
// out is not installed: every member call for it is error 1107, and its
// queues hold nothing.
#pragma once

#include "clock.h"
#include "emv_module.h"
#include "fueling_positions.h"
#include "key_entry_simulator.h"
#include "paper.h"
#include "record_parser.h"
#include "screen_model.h"
#include "site_faults.h"
#include "site_state.h"

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

// A reader's input queues.
enum class QueueKind { Card, Key, Cash, Packet, Error };

struct Reader {
    // Read through queue(kind); filled through enqueue, which keeps them bounded.
    std::deque<std::string> cardQueue, keyQueue, cashQueue, packetQueue, errorQueue;
    // Entries each queue dropped because it was full, by QueueKind.
    std::array<std::uint64_t, 5> droppedEntries{};
    ScreenModel screen;      // the display
    Paper paper;             // everything printed
    std::string keypad;      // the keypad layout
    std::string entryMode;   // the last key entry mode
    int beeps = 0;
    EmvState emv;            // the chip reader
    std::string lastXml;     // the last XML packet received
    int keyEntries = 0;      // key entries the customer has made (seeds the PIN blocks)
    bool installed = true;   // false: its position is not installed
    std::string make;        // as a site file names it ("Wayne iX CAT"); empty: not said

    std::deque<std::string>& queue(QueueKind kind);
    const std::deque<std::string>& queue(QueueKind kind) const;
    // Adds an entry at the end of a queue, unless the queue holds
    // kQueueEntries entries or the entry would take it past kQueueBytes:
    // then the entry is dropped and counted. `at` puts it ahead of the
    // entries from there on. Whether it was queued.
    bool enqueue(QueueKind kind, std::string entry, std::size_t at = std::size_t(-1));
};

// The readers by position, index 1..32 (index 0 is unused).
using Readers = std::array<Reader, FuelingPositions::kPositions + 1>;

// How long a self diagnostics report runs.
inline constexpr Millis kDiagnosticsDuration{3000};
// Self diagnostics status: complete, running, never started.
inline constexpr std::int16_t kDiagnosticsComplete = 0;
inline constexpr std::int16_t kDiagnosticsBusy = 1;
inline constexpr std::int16_t kDiagnosticsNotStarted = -1;

class ReaderTerminals {
public:
    // Starts with a few card swipes and cash insertions already queued.
    explicit ReaderTerminals(const Clock& clock, const SiteFaults& faults = SiteFaults::none());

    // The top entry of that queue at the lowest-numbered reader that has
    // one, left in place; "" when every reader's queue of that kind is empty.
    // A reader that is offline is passed over: its entries wait.
    std::string queueTop(QueueKind kind);
    // Removes the top entry (the one queueTop shows) and returns the number
    // left in that queue at all readers together.
    std::int32_t clearQueueTop(QueueKind kind);
    // "Card=n", "Key=n", "Cash=n", "Packet=n", "Error=n", CR LF between.
    std::string queCountQuery();

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
    std::size_t pendingKeyEntries() const { return m_keys.pending(); }

    // Moves the key entries whose time has come into the key queues now.
    void catchUpNow() { catchUp(); }
    KeyEntrySimulator& keyEntries() { return m_keys; }
    // The reader at `position` as the board shows it.
    void snapshot(int position, ReaderSnapshot& out) const;

    Reader& reader(int position) { return m_readers.at(static_cast<std::size_t>(position)); }
    const Reader& reader(int position) const { return m_readers.at(static_cast<std::size_t>(position)); }
    // A site file's reader: not installed (its queues emptied), or of a make.
    void setInstalled(int position, bool installed);
    void setMake(int position, std::string make) { reader(position).make = std::move(make); }
    // True when the reader at `position` declines the cards inserted (a fault).
    bool declinesCards(int position) const;
    // The reader a member call is for: error 1107 when it is not installed,
    // 1208 when it is offline.
    Reader& answering(int position);

private:
    using PromptKey = std::tuple<int, std::string, int>;

    // Moves the key entries whose time has come into the key queues.
    void catchUp();
    void queueError(int position, ErrorCode code, const std::string& detail);
    bool offline(int position) const;
    // Not installed or offline: its queues are not read.
    bool silent(int position) const { return !reader(position).installed || offline(position); }
    // The error of a printer that cannot print (paper out, jammed); none when it can.
    std::optional<ErrorCode> printerError(int position) const;

    const Clock& m_clock;
    const SiteFaults& m_faults;
    Readers m_readers{};
    KeyEntrySimulator m_keys;
    std::map<PromptKey, std::string> m_prompts;
    std::optional<Millis> m_diagnosticsStarted;
    int m_diagnosticsReports = 0;
};

} // namespace vantrel::forecourt
