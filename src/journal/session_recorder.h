// Records a session as a session script that repeats it: selections, focus
// and double clicks, presses, the answers, cancels and replies each press
// was given (queued before it, as a script does), typing in text boxes,
// timer ticks (one line per run of ticks), customer actions and faults set
// on the site, raw calls (as the put, get or call line that makes them
// again, a get followed by "expect result" of its answer), the errors that
// came (as "expect error"), and an "expect" of each box the action changed.
// Run against the same server state, the script makes the same calls.
//
// What the server returned is masked in the expectations (a box that holds
// card data is checked by "contains" up to where the card data begins),
// with what the run sent so far (keys keyed at a reader that waits for a
// PIN). What the technician typed stays as typed, since the script must
// send it again; but a PIN the customer keys at a reader waiting for one
// ("customer key P 1234" after a PIN entry or an encrypted secure prompt was
// asked for at P) is written as as many zeros, with a comment saying so: the
// replay makes the same calls, and the PIN is in no file.
#pragma once

#include "card_mask.h"

#include "session/script.h"
#include "session/session_observer.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::journal {

// TEXT of a script line for the bytes (session/script.h).
using vantrel::scriptText;

class SessionRecorder : public SessionObserver {
public:
    // The longest box text an "expect BOX is" is written for; a longer one
    // is checked by "contains" with its last kContainsLength bytes.
    static constexpr std::size_t kExpectLimit = 4096;
    static constexpr std::size_t kContainsLength = 512;

    SessionRecorder() = default;

    void actionStarted(const UserAction& action) override;
    void actionEnded(const UserAction& action) override;
    void callMade(const CallEvent& call) override;
    void inputAnswered(std::string_view title, std::string_view prompt, std::string_view answer) override;
    void questionAnswered(std::string_view title, std::string_view text, bool yes) override;
    void callFailed(std::string_view member, int number, std::string_view description) override;
    void errorRaised(int number, std::string_view description) override;
    void boxChanged(Box box, std::string_view text) override;
    void boxAppended(Box box, std::string_view appended, std::string_view whole) override;
    void progressed(const Progress& progress) override;

    // The script so far, ready to save, after the `header` lines written as
    // comments; expectations unmasked too when `masked` is false.
    std::string script(const std::string& header = {}, bool masked = true) const;
    // True when an answer or typed text holds digits that look like a card number.
    bool typedCardNumber() const { return m_typedCard; }
    void clear();

private:
    struct Line {
        std::string text;           // the line as written
        std::optional<std::string> unmasked; // the same line without masking, where it differs
    };
    struct Group {
        std::vector<Line> before;   // answers, replies and expected errors, queued before the action
        std::vector<Line> action;   // the action's own line(s)
        std::array<std::optional<std::string>, 4> boxes; // each box's text after the action, if it changed
        std::array<bool, 4> changed{};                    // the box changed, its text not taken yet
        std::string stopped;        // where a run was stopped by the user
    };

    void flushPending();
    void takeBoxes(Group& group);
    void closeTicks();
    void writeGroup(Group& group);
    void addLine(std::string text);
    void noteTyped(std::string_view text);
    void typingCame(const UserAction& typing);
    // "expect NAME is TEXT" of a box or of a get's result ("result").
    Line expectLine(const std::string& name, const std::string& text) const;
    void rawCallMade(const CallEvent& call);
    Line customerLine(const std::string& action) const;

    std::vector<Line> m_lines;
    // Each box's whole text as the last event gave it. The session tells
    // every change, so the view stays valid until the next event; a box is
    // copied only when a group is written, not on every tick of a run.
    std::array<std::string_view, 4> m_latest{};
    int m_depth = 0;
    bool m_inRawCall = false; // the action running is a raw call: its call is its line
    Group m_current;
    // The focus, as a replay will have it: a focus that came without a click
    // yet, and a focus lost without a reason the replay sees.
    int m_pendingFocus = 0;
    int m_pendingLost = 0;
    // A run of ticks of one timer, written as one line when something else comes.
    std::optional<Group> m_ticks;
    std::string m_tickTimer;
    long m_tickCount = 0;
    // Typing, written when something else comes: the box's last text is what counts.
    std::optional<std::pair<std::string, std::string>> m_typing; // target, text
    bool m_typingUnsendable = false;
    std::vector<UserAction> m_deferredTyping; // typing during a running action
    bool m_typedCard = false;
    CardMasker m_masker; // follows the values sent, for what only they tell apart
};

} // namespace vantrel::journal
