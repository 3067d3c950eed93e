// The simulated car wash controller behind CarWashInformationRequest and
// its three reads. It issues wash codes for a program and options, keeps
// each code's state (unused, used, cancelled), holds the wash price table,
// and answers the Return... requests through the next CarWashDataRead. The
// wash bay runs a wash when a customer enters a code; how far it has got is
// worked out from the clock whenever it is asked. A wash that is out of
// order (site_faults.h) refuses every request (error 1304) and every code
// entered at the bay, and says so in its operation status.
#pragma once

#include "clock.h"
#include "record_parser.h"
#include "site_faults.h"
#include "site_state.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::forecourt {

class CarWash {
public:
    enum class CodeState { Unused, Used, Cancelled };

    // What the bay's own devices read last; the Return... requests report it.
    struct BayInputs {
        std::string card; // the card data of the bay's card reader
        std::string keys; // the keys pressed on the bay's keypad
        std::string rfid; // the tag of the bay's RFID reader
    };

    explicit CarWash(const Clock& clock, const SiteFaults& faults = SiteFaults::none());

    // A request record: a bare request word, then its lines, then NUL.
    // A request that cannot be carried out raises a numbered error and is
    // reported as failed by requestStatus().
    void request(const std::string& record);
    // The last request and whether it was carried out.
    std::string requestStatus() const;
    // The bay: idle, or washing with the seconds left; and the last request's outcome.
    std::string operationStatus() const;
    // The data of the last request (a code, a code's state, the bay's
    // inputs, the price table, the report, the transactions).
    std::string dataRead();

    // A customer enters `code` at the bay. An unused code becomes used and
    // starts its wash; false when the code is unknown, not unused, or the
    // bay is still washing.
    bool enterCode(const std::string& code);
    std::optional<CodeState> codeState(const std::string& code) const;
    // The codes in the order issued, and the wash under way, for the board.
    void snapshot(CarWashSnapshot& out) const;
    // The first unused code, empty when there is none.
    std::string firstUnusedCode() const;
    bool isWashing() const { return washing(); }
    bool outOfOrder() const;
    BayInputs& bay() { return m_bay; }

    struct Prices {
        int full = 0, discount1 = 0, discount2 = 0; // hundredths
        bool operator==(const Prices&) const = default;
        int at(int level) const { return level == 1 ? full : level == 2 ? discount1 : discount2; }
    };
    struct PricedItem {
        int number = 0;
        Prices prices;
        bool operator==(const PricedItem&) const = default;
    };
    struct PriceTable {
        std::vector<PricedItem> programs, options;
        bool operator==(const PriceTable&) const = default;
    };
    const PriceTable& priceTable() const { return m_prices; }
    // The controller's own table, until a price table is set.
    static PriceTable factoryPrices();
    // A site file's table, checked by its reader (programs and options numbered, 1 to 99 of each).
    void setPriceTable(PriceTable table) { m_prices = std::move(table); }

private:
    struct Selection {
        int number = 0, level = 1;
    };
    struct Code {
        std::string code;
        Selection program;
        std::vector<Selection> options;
        int amount = 0;
        CodeState state = CodeState::Unused;
    };
    struct Transaction {
        std::string code;
        int program = 0;
        int options = 0;
        int amount = 0;
        Millis at{0};
    };
    struct Wash {
        std::string code;
        int program = 0;
        Millis start{0}, end{0};
    };
    struct LastRequest {
        std::string word;
        bool failed = false;
        int error = 0;
    };

    struct RequestRow;
    static const RequestRow* findRequest(std::string_view word);
    std::string requestCode(const ParsedRecord& record);
    // The state of the code the record names; with cancel, the code is cancelled first.
    std::string codeRequest(bool cancel, const ParsedRecord& record);
    std::string setPrices(const ParsedRecord& record);
    std::string priceData() const;
    std::string reportData() const;
    std::string transactionData() const;
    Code& findCode(const ParsedRecord& record);
    std::string freshCode();
    bool washing() const;

    const Clock& m_clock;
    const SiteFaults& m_faults;
    PriceTable m_prices;
    // Keeps the newest kWashCodes codes and kWashTransactions transactions;
    // the totals of the report count the ones let go too.
    void keepWithinBounds();

    std::vector<Code> m_codes;
    std::vector<Transaction> m_transactions;
    std::uint64_t m_droppedCodes = 0;
    std::array<std::uint64_t, 3> m_droppedByState{}; // codes let go, by CodeState
    std::uint64_t m_washes = 0;                      // every wash, transactions let go included
    long long m_washSales = 0;
    std::optional<Wash> m_wash;
    BayInputs m_bay;
    LastRequest m_last;
    std::string m_data;
    std::uint32_t m_codeSeed = 0x2F6B1;
};

} // namespace vantrel::forecourt
