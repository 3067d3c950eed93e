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
};

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
        virtual void rowChanged(std::size_t row) = 0;                       // the error came
        virtual void cleared() = 0;
    };

    explicit CallJournal(std::size_t callLimit = kCallLimit, std::size_t byteLimit = kByteLimit,
                         std::size_t valueLimit = kValueLimit);

    void callMade(const CallEvent& event) override;
    void callFailed(std::string_view member, int number, std::string_view description) override;

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
    void dropOldest();

    std::size_t m_callLimit, m_byteLimit, m_valueLimit;
    std::deque<JournalEntry> m_entries;
    std::vector<std::string> m_members;
    std::size_t m_bytes = 0;
    long long m_total = 0, m_dropped = 0, m_next = 1;
    Listener* m_listener = nullptr;
};

} // namespace vantrel::journal
