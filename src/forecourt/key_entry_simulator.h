// The simulated customer at the readers' keypads: what he keys in for each
// key entry mode (digits, letters, a function key, a PIN block that differs
// with every entry, or the keys of a secure prompt), and when: a request is
// answered kKeyEntryDelay after it was made, a new request at a reader
// replacing one the customer has not answered yet. Nothing runs in the
// background; the entries that have fallen due are handed over when asked.
#pragma once

#include "clock.h"

#include "server/automation_error.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::forecourt {

// How long the simulated customer takes to key in after a key entry request.
inline constexpr Millis kKeyEntryDelay{2000};

// What the customer keys in for one request: the key lines of the entry,
// or why the reader cannot act on the mode.
struct KeyedEntry {
    std::string keys;                  // "KeyData=1234", "PINBlock=...", "MessageNumber=n\r\nKeyData=..."
    std::optional<ErrorCode> refusal;  // set when there are no keys
    std::string detail;                // the refusal's detail
};

// True for a mode whose keys are a PIN: without echo, DES encrypted, or a
// secure prompt. Logs and files keep such keys out.
bool keysArePin(std::string_view mode);

class KeyEntrySimulator {
public:
    explicit KeyEntrySimulator(const Clock& clock) : m_clock(clock) {}

    // The keys for `mode` (compared without case) at `position`.
    // `keyEntries` counts the entries made at that reader; an entry with
    // keys counts one up, and the PIN blocks are worked out from it.
    static KeyedEntry keysFor(int position, const std::string& mode, int& keyEntries);

    // The customer at `position` will key `entry` in kKeyEntryDelay from now.
    void request(int position, std::string entry);
    // Hands every entry whose time has come to `deliver`, in the order they fell due.
    void deliverDue(const std::function<void(int position, std::string entry)>& deliver);
    std::size_t pending() const { return m_pending.size(); }
    bool pendingAt(int position) const;
    // Takes back the request waiting at `position` (a real customer answers
    // it instead); false when none waits there.
    bool withdraw(int position);
    // The PIN block for one entry at a reader, as the encrypted modes give it.
    static std::string pinBlock(int position, int entry, std::string_view pin = {});

private:
    struct Pending {
        Millis due;
        int position;
        std::string entry;
    };

    const Clock& m_clock;
    std::vector<Pending> m_pending; // in the order they fall due
};

} // namespace vantrel::forecourt
