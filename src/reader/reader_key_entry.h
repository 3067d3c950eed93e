// The KeyEntryForm window's buttons as a control table: ten entry-mode
// buttons that tell the reader at the current position which key entry to
// perform next, and the secure prompt. Every action hides the window when
// it has finished.
#pragma once

#include "session/button_spec.h"

#include <string_view>
#include <vector>

namespace vantrel::reader {

inline constexpr const char* kKeyEntryForm = "KeyEntryForm";
inline constexpr const char* kKeyEntryCaption = "Key Entry Type";
// Client area of the window, in twips.
inline constexpr Twips kKeyEntryClient{0, 0, 3150, 4935};

// Sends the key entry record with this entry mode, shows it, hides the window.
void sendEntryMode(Session& s, std::string_view entryMode);
// Asks for the prompt type (exactly "1" or "2") and the message number.
void securePrompt(Session& s);

std::vector<ButtonSpec> keyEntryButtons();

} // namespace vantrel::reader
