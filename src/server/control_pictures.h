// Control pictures: how a byte that has no glyph of its own is shown to a
// technician. Bytes 0..31 appear as U+2400..U+241F (NUL as ␀, CR as ␍, LF
// as ␊, ESC as ␛) and DEL as ␡; every other byte is the Latin-1 character of
// that code. The windows' display form and the service's log use this one
// mapping, so a record reads the same everywhere.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// The picture of a control byte, or 0 for a byte that stands for itself.
constexpr char16_t controlPicture(unsigned char c)
{
    if (c < 0x20)
        return static_cast<char16_t>(0x2400 + c);
    if (c == 0x7F)
        return u'\u2421';
    return 0;
}

// The bytes as UTF-8 text on one line: control pictures for control bytes
// (LF included, so no line break appears), Latin-1 characters for the rest.
std::string toControlPictures(std::string_view bytes);

} // namespace vantrel
