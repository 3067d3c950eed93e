// The verdict rules of a script run: which failing calls the script
// expected, what is left over when it ends, and how a report quotes it all
// (cardholder data masked).
#pragma once

#include "script_result.h"

#include "script_printer.h"

#include "journal/card_mask.h"
#include "server/conversions.h"
#include "session/session_observer.h"

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantrel::script_run {

// Answers or replies the script queued and nobody asked for by its end:
// how many, and the script lines that queued each of them, in order.
struct Leftovers {
    std::size_t count = 0;
    std::vector<int> lines;
};

// The most of a box, a result or an error's words a failure quotes, as the
// conformance suite quotes an answer: a server that answers 50 MB makes no
// 50 MB failure line.
inline constexpr std::size_t kQuotedBytes = 4096;

// " … (N bytes, the first 4096 shown)" after a quote of `size` bytes that
// was cut; empty for one that was not.
std::string quoteCutNote(std::size_t size);
// The display form of the bytes' first kQuotedBytes.
std::string quoted(std::string_view bytes);
// A value as a failure quotes it: a string in quotes, cut as above and said
// by its length, else its text and type.
std::string quoted(const Value& v);

// Masks what a report of the script quotes: one masker for the script's
// run, told every value sent, so that it knows what the bytes it masks answer.
class ReportMasker : public SessionObserver {
public:
    explicit ReportMasker(bool masked) : m_masked(masked) {}
    void callMade(const CallEvent& e) override
    {
        if (e.argument)
            m_masker.noteSent(e.member, e.argument->type() == Value::Type::String ? e.argument->asString()
                                                                                 : toText(*e.argument));
    }
    // Bytes in their display form, masked first.
    std::string shown(std::string_view bytes) const
    {
        return script_run::shown(m_masked ? m_masker.mask(bytes) : std::string(bytes));
    }
    // The display form of the bytes' first kQuotedBytes, masked first. The
    // whole is masked, not a margin past the cut: masking drops a track's
    // discretionary digits, so the masked start can reach any way into the
    // bytes, and a card number there must be masked as in the whole.
    std::string quoted(std::string_view bytes) const
    {
        if (!m_masked)
            return script_run::quoted(bytes);
        std::string masked = m_masker.mask(bytes);
        if (masked.size() > kQuotedBytes)
            masked.resize(kQuotedBytes);
        return script_run::shown(masked);
    }
    // A failure made of the utility's own words: as printed, and masked for a report.
    ScriptFailure plain(const std::string& text) const { return {text, m_masked ? m_masker.mask(text) : text}; }

private:
    bool m_masked;
    journal::CardMasker m_masker;
};

// Holds failing calls against the script's "expect error" lines.
class FailureWatch : public SessionObserver {
public:
    explicit FailureWatch(const ReportMasker& masker) : m_masker(masker) {}
    std::deque<std::pair<long, int>> expected; // number, script line
    std::vector<ScriptFailure> problems;

    void callFailed(std::string_view member, int number, std::string_view description) override
    {
        failed(std::string(member) + " failed", number, description);
    }
    void errorRaised(int number, std::string_view description) override
    {
        failed("the utility raised", number, description);
    }

    // When the script has run to its end: expected errors that never came,
    // and answers and replies nobody asked for (the script did not do what
    // its author thought), are problems too.
    void scriptEnded(const Leftovers& answers, const Leftovers& replies);

private:
    void failed(const std::string& source, int number, std::string_view description);

    const ReportMasker& m_masker;
};

// The status of a script's run as its last printed line says it.
const char* verdictLine(int status);

} // namespace vantrel::script_run
