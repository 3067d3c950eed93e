// Bytes on screen. The session keeps records as exact bytes; a view shows
// them in display form, where every control character appears as its
// Unicode control picture (NUL as U+2400, ESC as U+241B, CR as U+240D, LF as
// U+240A, DEL as U+2421) and the view also breaks the line after each LF, so
// a technician sees every byte and tells an LF-only line from a CR LF one.
#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// Display form; with breakAfterLf a real line break follows each LF picture.
QString toDisplayForm(std::string_view bytes, bool breakAfterLf = true);

// Bytes as Latin-1 code points, exact and reversible.
QString fromBytes(std::string_view bytes);
// Text typed by the user as bytes; nullopt when it holds characters outside 0..255.
std::optional<std::string> toBytes(const QString& text);

inline constexpr const char* kNotSendable =
    "The entry holds characters that cannot be sent (only characters with codes 0 to 255 can). Nothing was sent.\n"
    "The entry is shown again: correct it and press OK, or press Cancel.";
inline constexpr const char* kEntryTooLong =
    "The entry is longer than 32767 characters, the most an entry may hold. Nothing was sent.\n"
    "The entry is shown again: shorten it and press OK, or press Cancel.";

} // namespace vantrel
