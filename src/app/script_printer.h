// The readable lines a script run prints: one per event of the session.
#pragma once

#include "session/session_observer.h"

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

namespace vantrel {

class Value;

namespace script_run {

// Bytes in their display form (control bytes as their pictures).
std::string shown(std::string_view bytes);
// A value as a line quotes it: a string in quotes, else its text and type.
std::string shown(const Value& v);

// The most of a string value, a box's text or an error's words a line prints;
// the rest is said by its length.
inline constexpr std::size_t kPrintedBytes = std::size_t(64) << 10;

// What follows a text of `size` bytes of which the first `shown` are shown:
// "… (50000000 bytes, the first 4096 shown)"; empty when all of it is.
std::string cutNote(std::size_t size, std::size_t shown);

// Prints one readable line per event.
class ScriptPrinter : public SessionObserver {
public:
    explicit ScriptPrinter(std::ostream& out) : m_out(out) {}
    void callMade(const CallEvent& e) override;
    void callFailed(std::string_view member, int number, std::string_view description) override;
    void messageShown(std::string_view title, std::string_view text) override;
    void questionAnswered(std::string_view title, std::string_view text, bool yes) override;
    void inputAnswered(std::string_view title, std::string_view prompt, std::string_view answer) override;
    void boxChanged(Box box, std::string_view text) override;
    void boxAppended(Box box, std::string_view appended, std::string_view) override;
    void errorRaised(int number, std::string_view description) override;
    void windowShown(std::string_view window, bool isShown) override;
    void waitStarted(int ticks) override;

private:
    std::ostream& m_out;
};

} // namespace script_run
} // namespace vantrel
