// The site tap's decoder: D-Bus messages, in the order they passed, become
// exchanges in the contract's words (docs/dbus.md):
//
//   Properties.Set("Vantrel.Application", member, v)  -> put member = value
//   Vantrel.Application.member([v])                    -> get member(argument)
//     ... with NO_REPLY_EXPECTED                       -> call member(argument)
//
// A call waits for its reply, paired by (caller, serial) <-> (destination,
// reply serial); the reply gives the result, or the error numbered as the
// utility's client numbers it (dbus::toAutomationError). A call whose reply
// will not come is given up: the server's owner changed or it left the bus,
// the wait ran out (the client library's 25 s, and a margin), too many were
// waiting (the oldest goes), or the tap ended; a caller that leaves the bus
// first "went away". Everything else is kept apart as "other": counted, the
// newest few kept. Memory stays bounded: the calls waiting, the others kept,
// and each string of an exchange (its first bytes, as the journal keeps them).
//
// The decoder follows NameOwnerChanged (bus traffic, so also "other") for
// the server's owner and for clients that come and go.
#pragma once

#include "exchange.h"
#include "tap_message.h"

#include "journal/call_journal.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vantrel::tap {

class WireMessage;

class TapDecoder {
public:
    struct Limits {
        std::size_t waiting = 10000;          // calls waiting for their reply
        std::size_t value = journal::CallJournal::kValueLimit; // bytes kept of each string
        std::size_t others = 1000;            // other messages kept
        std::int64_t replyWaitUsec = 30000000; // a call unanswered this long is given up
    };
    // The server's name changed hands: `owner` is its new unique name ("" when none).
    struct OwnerChange {
        std::int64_t usec = 0;
        std::string previous, owner;
    };

    explicit TapDecoder(std::string serverName = "Vantrel.Application");
    TapDecoder(std::string serverName, Limits limits);

    const std::string& serverName() const { return m_serverName; }
    // Who owns the server's name when the tap starts ("" when nobody does).
    void setServerOwner(std::string unique) { m_serverOwner = std::move(unique); }
    const std::string& serverOwner() const { return m_serverOwner; }

    void feed(const TapMessage& message);
    // Gives up the calls that have waited longer than the limit at `nowUsec`.
    void expire(std::int64_t nowUsec);
    // Gives up every call still waiting: the tap ended.
    void finish(std::int64_t nowUsec);

    // The exchanges that ended since the last call, in the order they ended.
    std::vector<Exchange> takeFinished() { return std::exchange(m_finished, {}); }
    // The calls waiting for their reply, oldest first.
    std::vector<Exchange> waiting() const;
    std::size_t waitingCount() const { return m_waiting.size(); }
    // Clients that came onto the bus or made a call since the last call:
    // their names are worth looking up while they are there.
    std::vector<std::string> takeNewClients();
    std::vector<OwnerChange> takeOwnerChanges() { return std::exchange(m_ownerChanges, {}); }

    const std::deque<OtherMessage>& others() const { return m_others; }
    std::uint64_t otherCount() const { return m_otherCount; }
    std::uint64_t callCount() const { return m_next - 1; }

private:
    using Key = std::pair<std::string, std::uint32_t>; // caller, serial
    void startExchange(const WireMessage& m, std::int64_t usec, Access access, std::string member,
                       std::size_t argumentIndex);
    bool endExchange(const WireMessage& m, std::int64_t usec);
    void ownerChanged(const WireMessage& m, std::int64_t usec);
    template <class Pick>
    // `callerTold`: the caller gets an error instead of its reply (NoReply from its bus or library).
    void giveUp(Pick pick, ExchangeState state, const std::string& reason, std::int64_t usec, bool callerTold);
    void end(std::map<std::uint64_t, Exchange>::iterator it, ExchangeState state, std::int64_t usec);
    void noReply(std::map<std::uint64_t, Exchange>::iterator it, const std::string& reason, std::int64_t usec);
    void other(const WireMessage& m, std::int64_t usec, std::size_t bytes);
    void noteClient(const std::string& unique);

    std::string m_serverName;
    Limits m_limits;
    std::string m_serverOwner;
    std::map<std::uint64_t, Exchange> m_waiting; // by number: the oldest first
    std::map<Key, std::uint64_t> m_bySerial;
    std::vector<Exchange> m_finished;
    std::deque<std::string> m_newClients;
    std::vector<OwnerChange> m_ownerChanges;
    std::deque<OtherMessage> m_others;
    std::uint64_t m_otherCount = 0;
    std::uint64_t m_next = 1;
};

} // namespace vantrel::tap
