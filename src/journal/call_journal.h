// The call journal: every server call of the run, with when it was made, the
// window and control whose action made it, what went out, what came back or
// the error, and how long it took. It keeps the newest kCallLimit calls and
// at most kByteLimit bytes of their data, dropping the oldest, so that a
// stress run of days stays within a fixed memory bound. Each call keeps at
// most the first kValueLimit bytes of its argument, of its result and of its
// error's description, and says how many it left out, so that one huge
// answer cannot break the bound either. Views listen for rows added, dropped
// and cleared.
#pragma once

#include "session/session_observer.h"

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::journal {

// Where a call another client made (watched by the site tap) stands; the
// utility's own calls are None.
enum class Tapped {
    None,
    Waiting,         // seen going out; its reply has not come yet
    Done,            // its reply came: a result, an acknowledgement or an error
    NoReplyExpected, // its caller asked for no reply
    ReplyLost,       // no reply will be seen (lostReason says why)
    ClientGone,      // its caller left the bus before the reply
};
// "waiting for its reply", "reply lost: REASON", "client went away", "no reply expected"; "" for None and Done.
std::string tappedText(Tapped state, const std::string& lostReason);

struct JournalEntry {
    long long number = 0; // 1 for the first call of the run
    CallEvent call;
    std::optional<int> errorNumber;
    std::string errorDescription;
    std::size_t bytes = 0; // what the entry holds, for the bound
    // The bytes of the argument, the result and the error's description not kept.
    std::size_t argumentOmitted = 0;
    std::size_t resultOmitted = 0;
    std::size_t errorOmitted = 0;
    Tapped tapped = Tapped::None;
    std::string lostReason;
    // Why an argument its client sent is not kept (not a value of the contract).
    std::string argumentNote;
};

// A tapped call as the journal keeps it: its event (call.client names the
// client), where it stands, and the error its reply carried.
struct TappedCall {
    CallEvent call;
    Tapped state = Tapped::Waiting;
    std::optional<int> errorNumber;
    std::string errorDescription;
    std::string lostReason;
    std::string argumentNote;
    // What the tap already left out of the argument and the result.
    std::size_t argumentOmitted = 0, resultOmitted = 0;
};

// The raw call line of a row (session/raw_call.h), exactly as its value
// went out. Nothing, with `problem` set, where the row cannot be one: a
// value the journal kept only a part of, an argument that is no value of
// the contract, a call rawCallProblem refuses.
std::optional<std::string> scriptLineOf(const JournalEntry& entry, std::string& problem);
// The same for a call event: `argumentOmitted` what was not kept of its
// argument, `argumentNote` why an argument that was sent is not kept at all.
std::optional<std::string> scriptLineOf(const CallEvent& call, std::size_t argumentOmitted,
                                        const std::string& argumentNote, std::string& problem);

class CallJournal : public SessionObserver {
public:
    static constexpr std::size_t kCallLimit = 100000;
    static constexpr std::size_t kByteLimit = std::size_t(64) << 20;
    static constexpr std::size_t kValueLimit = std::size_t(256) << 10;

    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void rowsAdded(std::size_t first, std::size_t count) = 0;   // at the end
        virtual void rowsDropped(std::size_t count) = 0;                    // from the front
        virtual void rowChanged(std::size_t row) = 0;                       // the error or a tapped reply came
        virtual void cleared() = 0;
    };

    explicit CallJournal(std::size_t callLimit = kCallLimit, std::size_t byteLimit = kByteLimit,
                         std::size_t valueLimit = kValueLimit);

    void callMade(const CallEvent& event) override;
    void callFailed(std::string_view member, int number, std::string_view description) override;

    // A call another client made, seen by the site tap: a row at the end;
    // its journal number, to update it by when its reply comes.
    long long addTapped(const TappedCall& call);
    // The row `number` (while it is kept) with what the tap now knows of
    // its call; false when the row was dropped.
    bool updateTapped(long long number, const TappedCall& call);
    // The clients of the tapped rows, as the tap names them, in the order
    // they first came; the newest kClientLimit.
    const std::deque<std::string>& clients() const { return m_clients; }
    static constexpr std::size_t kClientLimit = 1000;

    std::size_t size() const { return m_entries.size(); }
    const JournalEntry& at(std::size_t row) const { return m_entries[row]; }
    const std::deque<JournalEntry>& entries() const { return m_entries; }
    // Calls journalled since the start (or the last clear), and how many of them were dropped.
    long long total() const { return m_total; }
    long long dropped() const { return m_dropped; }
    std::size_t bytes() const { return m_bytes; }
    // The members seen, in the order they first came.
    const std::vector<std::string>& members() const { return m_members; }

    void clear();
    void setListener(Listener* listener) { m_listener = listener; }

private:
    // Adds the entry at the end and drops what the bounds no longer hold; gives its number.
    long long append(JournalEntry&& entry);
    void dropOldest();
    void fill(JournalEntry& entry, const TappedCall& call);

    std::size_t m_callLimit, m_byteLimit, m_valueLimit;
    std::deque<JournalEntry> m_entries;
    std::vector<std::string> m_members;
    std::deque<std::string> m_clients;
    std::size_t m_bytes = 0;
    long long m_total = 0, m_dropped = 0, m_next = 1;
    Listener* m_listener = nullptr;
};

} // namespace vantrel::journal
