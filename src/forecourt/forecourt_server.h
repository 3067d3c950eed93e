// The embedded "Vantrel.Application": a simulated forecourt behind the
// automation interface. A member table maps each member name to its access
// kind, the shape of its value or argument, and the device that acts on it;
// anything outside that table is refused with a numbered error. Faults set
// on the site (setFault, site_faults.h) make its devices and members fail.
#pragma once

#include "clock.h"
#include "fueling_positions.h"
#include "reader_terminals.h"
#include "site_bounds.h"
#include "site_devices.h"
#include "site_faults.h"

#include "server/automation_object.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace vantrel {
class AutomationRegistry;
}

namespace vantrel::forecourt {

// What a member accepts.
enum class Shape {
    Record,            // put: a string record ended by its first NUL (see record_parser.h)
    Message,           // put: as Record, but the NUL is optional (display messages)
    PositionText,      // put: "01".."32"
    PositionTextOrAll, // put: "01".."32" or "0"
    Int16,             // put: a 16-bit integer
    NoArgument,        // read with no argument
    PositionArgument,  // read with one numeric argument 1..32
};

struct MemberInfo {
    const char* name;
    Access access; // Put, or Get for reads (Call reaches reads too)
    Shape shape;
    // The longest text value a put member takes; a longer one is refused
    // with ValueTooLarge before anything reads it.
    std::size_t largest = kLargestValue;
};

// Refuses a text of `size` bytes for `member` when it is longer than `largest`.
void checkValueSize(const char* member, std::size_t size, std::size_t largest = kLargestValue);

class Traffic;

class ForecourtServer : public AutomationObject {
public:
    // Uses the steady clock when none is given.
    explicit ForecourtServer(std::shared_ptr<Clock> clock = nullptr);
    ~ForecourtServer() override;

    void put(std::string_view member, const Value& value) override;
    Value get(std::string_view member, const std::optional<Value>& argument) override;

    static std::span<const MemberInfo> members();
    // The member of that name, in any case; nullptr when the site has none.
    static const MemberInfo* memberNamed(std::string_view name);

    FuelingPositions& fueling() { return m_fueling; }
    const FuelingPositions& fueling() const { return m_fueling; }
    ReaderTerminals& readers() { return m_readers; }
    CarWash& carWash() { return m_carWash; }
    TankMonitor& tankMonitor() { return m_tankMonitor; }
    PriceSign& priceSign() { return m_priceSign; }
    // The simulated customers sent to the site (off until a rate is set).
    // Their steps due by the clock run before every member call and read
    // of the site.
    Traffic& traffic() { return *m_traffic; }
    const Traffic& traffic() const { return *m_traffic; }
    bool windowVisible() const { return m_windowVisible; }
    int helpRequests() const { return m_helpRequests; }
    void setWindowControl(const std::string& record);
    void noteHelpRequest() { ++m_helpRequests; }

    // Sets a fault of the site, or clears, in the words of a script's fault
    // line without the word ("position 3 offline", "clear tank 2"), and says
    // what was done: the fault as the site lists it, or how many were
    // cleared. Throws FaultError with the reason, changing nothing, for a
    // fault that cannot apply (a member the site does not have).
    std::string setFault(std::string_view text);
    const SiteFaults& faults() const { return m_faults; }
    // How long `member` takes to answer (its slow fault); 0 when at once.
    Millis answerDelay(std::string_view member) const;
    // A slow member moves the site's clock on by its delay (the default), or
    // leaves the wait to whoever answers for the site (a service on the real
    // clock, which sends its reply that much later).
    void setSlowAnswersMoveClock(bool moves) { m_slowMovesClock = moves; }

    // The site for the board. Both run the traffic's steps that are due
    // first. Reading the positions costs no allocation beyond those;
    // the whole state copies the reader at `readerPosition` (1..32).
    void readPositions(PositionSnapshots& out) const;
    SiteState siteState(int readerPosition);
    // True while something moves with the clock alone (a sale running, a key
    // entry due, a wash, a report in preparation, traffic): a view of the site then
    // has to be redrawn as time passes, with no change notified.
    bool timeDriven() const;

    // Every member call and customer action counts one change and tells the
    // listeners, after it has run (also when it failed: it may have queued
    // an error).
    using Listener = std::function<void()>;
    int subscribe(Listener listener);
    void unsubscribe(int id);
    std::uint64_t changeCount() const { return m_changes; }
    void noteChange();

    struct Entry;

private:
    const Entry& lookup(std::string_view member) const;
    // What the faults on `member` do to a call of it: it answers late, or fails.
    void answerFaults(const char* member);

    std::shared_ptr<Clock> m_clock;
    SiteFaults m_faults; // before the devices, which consult it
    bool m_slowMovesClock = true;
    FuelingPositions m_fueling;
    ReaderTerminals m_readers;
    CarWash m_carWash;
    TankMonitor m_tankMonitor;
    PriceSign m_priceSign;
    bool m_windowVisible = true;
    int m_helpRequests = 0;
    std::uint64_t m_changes = 0;
    int m_nextListener = 1;
    std::vector<std::pair<int, Listener>> m_listeners;
    std::unique_ptr<Traffic> m_traffic; // last: it refers to the devices
};

inline constexpr const char* kProgId = "Vantrel.Application";
void registerForecourtServer(AutomationRegistry& registry);

} // namespace vantrel::forecourt
