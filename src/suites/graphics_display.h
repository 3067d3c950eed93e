// The Graphics Display window's sends: one canned display message per
// make of terminal display (Bennett, Gilbarco, the Wayne line-count family,
// Wayne Q CAT and three iX CAT formats), each built from the display escape
// sequences and ended by its own terminator.
#pragma once

#include "session/button_spec.h"

#include <string>
#include <string_view>
#include <vector>

namespace vantrel::suites {

inline constexpr const char* kGraphicsDisplay = "GraphicsDisplay";
inline constexpr const char* kGraphicsDisplayCaption = "Graphics Display";
inline constexpr Twips kGraphicsDisplaySize{0, 0, 4200, 3780};

// How a display record ends after its message body.
enum class Terminator {
    CrLfNul,  // CR LF, then NUL
    CrLfLf,   // CR LF, then LF, no NUL
    None,     // the record ends with the body
};

struct DisplayFormat {
    std::string control; // object name of the button
    std::string caption;
    std::string body;    // the message after "Message="
    Terminator terminator;
};

// The ten formats, in the order of the window's buttons.
const std::vector<DisplayFormat>& displayFormats();
const DisplayFormat& displayFormat(std::string_view control);

// "ReaderPosition=" NN CR LF "Message=" body and the terminator.
std::string displayFormatRecord(std::string_view position, const DisplayFormat& format);
// The formatted iX CAT record (nine positioned lines), which the iX CAT
// multi-command sequence sends too.
std::string formattedGraphicsRecord(std::string_view position);

// Writes the description, sends the record, shows it in InBox and hides the window.
void sendDisplayFormat(Session& session, const DisplayFormat& format);

std::vector<ButtonSpec> graphicsDisplayButtons();

} // namespace vantrel::suites
