// The questions a handler may ask and the messages it may show, behind one
// interface: Qt dialogs in the window, queued answers in scripts and tests.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

inline constexpr std::string_view kAppTitle = "VantrelTest";

// The longest entry an input box, a text box or a script line may give, in
// characters (one byte each). Longer entries are refused, never cut.
inline constexpr std::size_t kEntryLimit = 32767;

class Prompter {
public:
    virtual ~Prompter() = default;
    // Message box with an OK button.
    virtual void message(std::string_view text, std::string_view title) = 0;
    // Yes/No message box with the question icon; true for Yes.
    virtual bool question(std::string_view text, std::string_view title) = 0;
    // Input box with an empty default; Cancel and an empty entry both give "".
    virtual std::string input(std::string_view prompt, std::string_view title) = 0;

    void message(std::string_view text) { message(text, kAppTitle); }
};

} // namespace vantrel
