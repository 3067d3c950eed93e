// What a reader terminal's screen shows: the last display message with its
// escape sequences read into positioned texts, fonts, soft keys and graphic
// mode, and the state that XML display commands set.
#pragma once

#include <string>
#include <string_view>

namespace vantrel::forecourt {

struct ScreenModel {
    std::string message; // the last display message as sent (after "Message=")

    // Takes a display message (the text after "Message=", continuation lines included).
    void showMessage(std::string_view text);
    // A short key=value description for ReaderInformation.
    std::string describe() const;
};

} // namespace vantrel::forecourt
