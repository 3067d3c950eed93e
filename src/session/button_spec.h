// Control tables: every window's buttons are data, one row per button with
// its object name, caption, place and colour and the handler a click runs.
// Windows build their widgets from these rows, and the script runner presses
// buttons by the same names, so no list of buttons exists twice.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vantrel {

class Session;
using Handler = std::function<void(Session&)>;

// Left, top, width, height in twips; 15 twips make one pixel.
struct Twips {
    int left = 0, top = 0, width = 0, height = 0;
};
inline constexpr int kTwipsPerPixel = 15;

// A colour as 0x00BBGGRR.
struct Bgr {
    std::uint32_t value = 0;
    int red() const { return static_cast<int>(value & 0xFF); }
    int green() const { return static_cast<int>((value >> 8) & 0xFF); }
    int blue() const { return static_cast<int>((value >> 16) & 0xFF); }
    bool operator==(const Bgr&) const = default;
};

namespace colours {
inline constexpr Bgr Green{0x00FF00};
inline constexpr Bgr Yellow{0x00FFFF};
inline constexpr Bgr Magenta{0xFF00FF};
inline constexpr Bgr Cyan{0xFFFF00};
inline constexpr Bgr Orange{0x0080FF};
inline constexpr Bgr DarkCyan{0xC0C000};
inline constexpr Bgr LightBlue{0xFF8080};
inline constexpr Bgr Red{0x0000FF};
inline constexpr Bgr DarkGreen{0x008000};
inline constexpr Bgr White{0xFFFFFF};
inline constexpr Bgr LightYellow{0x80FFFF};
} // namespace colours

struct ButtonSpec {
    std::string name;    // Qt object name, as the window has it: "STOP_ALL"
    std::string caption; // exact, blanks included
    Twips geometry;
    std::optional<Bgr> colour;
    Handler handler;     // empty: the button is shown disabled
};

struct LabelSpec {
    std::string name;
    std::string caption;
    Twips geometry;
    std::optional<Bgr> colour;
};

} // namespace vantrel
