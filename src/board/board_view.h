// What the forecourt board shows, worked out from a snapshot of the site:
// the words, colours and proportions of each pump tile, of the reader's
// screen and receipt, of the tank gauges, the car wash and the price sign.
// Plain C++: the window only draws what these say, and the tests read them
// without a screen.
#pragma once

#include "forecourt/site_state.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel::board {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
// "#rrggbb"
std::string hexName(Rgb colour);

// The contrast of two colours as WCAG 2 measures it: 1 (none) to 21 (black on white).
double contrastRatio(Rgb a, Rgb b);
// The colour to write in on `background`: the board's dark ink or white,
// whichever stands out more. The board picks its text colours from what it
// paints under them, never from the desktop's theme.
Rgb inkOn(Rgb background);
inline constexpr Rgb kDarkInk{30, 34, 40};
inline constexpr Rgb kLightInk{255, 255, 255};

// The colour of a position in each state: grey idle, amber calling, blue
// authorised, green fuelling, red stopped, purple completed (to be paid),
// teal paid.
Rgb stateColour(forecourt::PositionState state);

struct TileView {
    int number = 0;
    std::string caption;  // "7"
    std::string state;    // "Fuelling"
    Rgb fill;
    bool selected = false;
    std::string hose;     // "Hose 2", empty without a sale
    std::string payment;  // "MOP 2  limit 15.00", "MOP F  fill-up"
    std::string volume;   // "12.345 l"
    std::string amount;   // "18.02"
    double progress = 0;  // 0..1: the amount against the limit (the tank for a fill-up)
    std::vector<std::string> prices; // "1  1.459 / 1.399" for each hose whose price was set, or hose 1
};
TileView tileView(const forecourt::PositionSnapshot& position, bool selected);

// One thing written on the reader's screen: running text on its line
// (counting from 0), or text placed at x, y (pixels) with its box when the
// iX CAT prompt gives one.
struct ScreenItem {
    std::string text;
    int line = -1; // running text; -1 for placed text
    int x = 0, y = 0, width = 0, height = 0;
    std::string font; // "Tahoma 12 bold", empty for the display's own
    Rgb colour{0, 0, 0};
    std::string align; // "Left", "Center", "Right"; empty for text placed by position
};

struct ScreenWindow {
    std::string kind; // "message window", "data entry window"
    int x = 0, y = 0, width = 0, height = 0;
    Rgb fore, back;
    std::string font;
    std::string align; // horizontal / vertical
};

struct ScreenView {
    bool graphics = false;      // graphics mode (positioned text) or text lines
    int width = 20, height = 4; // characters in text mode, pixels otherwise
    Rgb background{200, 224, 200};
    std::vector<ScreenWindow> windows;
    std::vector<ScreenItem> items;
    std::vector<std::string> softKeys; // "1 Yes"
    std::string scrolling;             // the scrolling message, empty when none
    std::string securePrompt;          // "secure prompt 3, at most 4 digits, hidden"
    std::string signature;
    std::vector<std::string> images;   // "logo.bmp (en)"
    std::vector<std::string> unknown;  // sequences the display did not know, shown escaped
    // What the display did not keep: "12 texts and sequences beyond the display's 1,024 not kept",
    // "3 older prompts, images and notes dropped"; empty when nothing was.
    std::vector<std::string> dropped;
};
ScreenView screenView(const forecourt::ScreenModel& screen);
// The screen as text, one fact a line, for comparing with expectations.
std::string describeScreen(const ScreenView& view);

// The receipt strip, top to bottom.
struct PaperLine {
    enum class Kind { Text, Feed, BarCode, Cut, Signature } kind = Kind::Text;
    std::string job;
    std::string text;      // the line; the characters under a bar code; the symbology line
    std::vector<bool> bars; // bar codes: one module each, true dark
};
std::vector<PaperLine> paperView(const forecourt::Paper& paper);
std::string describePaper(const std::vector<PaperLine>& paper);

struct GaugeView {
    std::string caption;  // "1 Unleaded"
    double fraction = 0;  // volume over capacity
    std::string volume;   // "20 999.5 l"
    std::string detail;   // "water 8.0 mm  15.2 °C"
    Rgb colour;           // green, amber below a quarter, red below a tenth
};
std::vector<GaugeView> gaugeViews(const std::vector<forecourt::TankSnapshot>& tanks);

struct WashView {
    std::string status; // "Idle", "Washing 200263, program 01: 42 s left"
    std::vector<std::string> codes; // "200263  program 01  Unused"
    std::string dropped;            // "1,234 older codes dropped", empty when none were
    bool washing = false;
};
WashView washView(const forecourt::CarWashSnapshot& wash);

struct SignView {
    std::string intensity;
    std::vector<std::string> digits; // each line's six digits, "------" until prices are sent
};
SignView signView(const forecourt::SiteState& site);

struct QueueView {
    std::string caption; // "Card (2)", "Card (1000, 25 dropped: the queue was full)"
    std::vector<std::string> entries; // control bytes shown as CR, LF
};

struct ReaderView {
    std::string caption;  // "Reader 07"
    ScreenView screen;
    std::vector<PaperLine> paper;
    std::string paperDropped; // "1,234 older receipt lines dropped", empty when the paper kept everything
    std::string beeps;    // "3 beeps"
    std::string keypad;   // "keypad 123@R456A@789NYL0EHCe" or "keypad as built"
    std::string entry;    // "entry NumericWithEcho (waiting)" or "no key entry asked"
    std::string chip;     // "chip reader enabled"
    std::vector<QueueView> queues;
};
ReaderView readerView(const forecourt::ReaderSnapshot& reader);

// The whole board.
struct BoardView {
    std::vector<TileView> tiles; // 32
    ReaderView reader;
    std::vector<GaugeView> gauges;
    std::string tankReport;      // "Report ready", "No report"
    WashView wash;
    SignView sign;
};
BoardView boardView(const forecourt::SiteState& site, int selected);

// A line of record text for showing: CR and LF as the symbols the utility uses.
std::string shownText(const std::string& bytes);

} // namespace vantrel::board
