// Control marks: how the inspector and the result boxes show a byte that has
// no glyph of its own. Each control byte (0..31 and DEL) is shown as its
// short ASCII name ("NUL", "CR", "LF", "ESC", "SUB", "DEL", ...) in a colour
// of its role, so a technician tells ESC from SUB and CR LF from LF alone at
// a glance. Every other byte is its Latin-1 character. The records themselves
// never change: only views turn bytes into segments.
//
// splitMarked() cuts bytes into runs of plain text and marks; a view writes
// the runs as Latin-1 text, the marks in their role's colour, and breaks the
// line after each LF mark.
#pragma once

#include <string_view>
#include <vector>

namespace vantrel::inspector {

// The colour families of the marks: line ends (CR, LF), the terminator (NUL),
// escape sequences (ESC) and every other control byte.
enum class MarkRole { LineEnd, Nul, Escape, Control };

// True for 0..31 and 127.
constexpr bool isControlByte(unsigned char c) { return c < 0x20 || c == 0x7F; }

// The ASCII name of a control byte ("NUL" .. "US", "DEL"); empty for any other byte.
std::string_view markName(unsigned char c);
MarkRole markRole(unsigned char c);

struct Segment {
    enum class Kind { Text, Mark };
    Kind kind;
    // Text: a run of non-control bytes, to be read as Latin-1. Mark: the mark's name.
    std::string_view text;
    // Mark only: the byte it stands for, its role, and whether a line break follows it (LF).
    unsigned char byte = 0;
    MarkRole role = MarkRole::Control;
    bool breakAfter = false;
};

// The segments of `bytes` in order; text segments point into `bytes`, so it
// must outlive them. Empty input gives no segments.
std::vector<Segment> splitMarked(std::string_view bytes);

} // namespace vantrel::inspector
