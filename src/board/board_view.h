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

// A hose's unit prices on a pump tile.
struct TilePrice {
    int hose = 0;      // 1
    std::string tier1; // "1.459"
    std::string tier2; // "1.399"
    bool operator==(const TilePrice&) const = default;
};

struct TileView {
    int number = 0;
    std::string caption;  // "7"
    std::string state;    // "Fuelling"
    Rgb fill;
    bool selected = false;
    std::string hose;     // "Hose 2", empty without a sale
    std::string payment;  // "MOP 2  limit 15.00", "MOP F  fill-up"
    std::string paymentNarrow; // "MOP 2 15.00", "MOP F  fill-up": the limit without its word, for a narrow tile
    std::string volume;   // "12.345 l"
    std::string amount;   // "18.02"
    double progress = 0;  // 0..1: the amount against the limit (the tank for a fill-up)
    std::vector<TilePrice> prices; // each hose whose price was set; hose 1 when none was
    std::string fault;    // "offline, stop-at 5.00": the position's faults, under a red mark; empty when none
    bool installed = true; // false: a pale tile with its number and "Not installed" alone
};
// The fill of a tile whose position the site does not have.
inline constexpr Rgb kNotInstalledFill{232, 234, 237};
TileView tileView(const forecourt::PositionSnapshot& position, bool selected);

// A font on the reader's screen, as the display names it.
struct ScreenFont {
    std::string name; // "Tahoma", empty for the display's own
    int size = 0;     // 12, 0 for the display's own
    bool bold = false, italic = false;
    bool operator==(const ScreenFont&) const = default;
};
// "Tahoma 12 bold"; empty for the display's own font.
std::string fontText(const ScreenFont& font);

// One thing written on the reader's screen: running text on its line
// (counting from 0), or text placed at x, y (pixels) with its box when the
// iX CAT prompt gives one.
struct ScreenItem {
    std::string text;
    int line = -1; // running text; -1 for placed text
    int x = 0, y = 0, width = 0, height = 0;
    ScreenFont font;
    Rgb colour{0, 0, 0};
    std::string align; // "Left/Top", "Center/-" (horizontal/vertical, '-' when not given); empty but for prompts
};

struct ScreenWindow {
    std::string kind; // "message window", "data entry window"
    int x = 0, y = 0, width = 0, height = 0;
    Rgb fore, back;
    ScreenFont font;
    std::string align; // "Center/Top": horizontal/vertical, '-' when not given; empty when neither is
};

// A soft key beside the reader's screen.
struct SoftKeyView {
    int key = 0;       // 1
    std::string label; // "Yes"
    bool operator==(const SoftKeyView&) const = default;
};

struct ScreenView {
    bool graphics = false;      // graphics mode (positioned text) or text lines
    int width = 20, height = 4; // characters in text mode, pixels otherwise
    Rgb background{200, 224, 200};
    std::vector<ScreenWindow> windows;
    std::vector<ScreenItem> items;
    std::vector<SoftKeyView> softKeys;
    std::string scrolling;             // the scrolling message, empty when none
    std::string securePrompt;          // "secure prompt 3, at most 4 digits, hidden"
    std::string signature;
    std::vector<std::string> images;   // "logo.bmp (en)"
    std::vector<std::string> unknown;  // sequences the display did not know, shown escaped
    // What the display did not keep: "12 more texts and sequences not kept (the display keeps 1,024
    // of each)", "3 older prompts, images and notes dropped"; empty when nothing was.
    std::vector<std::string> dropped;
};
ScreenView screenView(const forecourt::ScreenModel& screen);
// The screen as text, one fact a line, for comparing with expectations.
std::string describeScreen(const ScreenView& view);

// The receipt strip, top to bottom.
struct PaperLine {
    enum class Kind { Text, Feed, BarCode, Cut, Signature } kind = Kind::Text;
    std::string job;
    std::string text;      // the line; under a bar code its characters and symbology, "A1  (ESC B)"
    std::vector<bool> bars; // bar codes: one module each, true dark
};
std::vector<PaperLine> paperView(const forecourt::Paper& paper);
std::string describePaper(const std::vector<PaperLine>& paper);

struct GaugeView {
    std::string caption;  // "1 Unleaded"
    double fraction = 0;  // volume over capacity
    std::string volume;   // "20999.5 of 30000 l"
    std::string detail;   // "water 8.0 mm  15.2 °C"
    // A gauge too narrow for those words: its number alone in the well, and
    // under it the product and the short lines, one a line.
    std::string number;                // "1"
    std::string product;               // "Unleaded"
    // A number and its unit are held together by a no-break space (U+00A0),
    // so that a line too wide for its gauge breaks only between them and the word before.
    std::vector<std::string> narrow;   // "20999.5 l", "water 8.0 mm", "15.2 °C"
    std::string whole;    // every word of the tank on one line, for its tooltip
    Rgb colour;           // blue, amber below a quarter, red below a tenth
    std::string fault;    // "low, water": the tank's faults, under a red mark
};
std::vector<GaugeView> gaugeViews(const std::vector<forecourt::TankSnapshot>& tanks);

struct WashView {
    std::string status; // "Idle", "Washing 200263, program 01: 42 s left"
    std::vector<std::string> codes; // "200263  program 01  Unused"
    std::string dropped;            // "1,234 older codes dropped", empty when none were
    bool washing = false;
    std::string fault;              // "out-of-order", under a red mark
};
WashView washView(const forecourt::CarWashSnapshot& wash);

// A line of the price sign.
struct SignLine {
    std::string digits; // the six digits as sent, "------" until prices are sent
    bool sent = false;  // false: the line is drawn unlit
    bool operator==(const SignLine&) const = default;
};

struct SignView {
    std::string intensity; // "intensity M05"
    std::vector<SignLine> lines;
    std::string fault;     // "send error 1501": the faults of the sign's members (PriceSignDataSend, ...Read), under a red mark
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
    std::string entry;    // "entry NumericWithEcho (waiting for keys)", "... (answered)" or "no key entry asked"
    std::string chip;     // "chip reader enabled"
    std::vector<QueueView> queues;
    std::string fault;    // "offline, paper-out": the reader's faults, under a red mark
};
ReaderView readerView(const forecourt::ReaderSnapshot& reader);

// The whole board.
struct BoardView {
    std::vector<TileView> tiles; // 32
    ReaderView reader;
    std::vector<GaugeView> gauges;
    std::string tankReport;      // "report ready", "report being prepared", "no report"
    WashView wash;
    SignView sign;
    // The faults of members no device shows ("CardQue error 1201 2"), and
    // every fault the site lists, in its text form (for the fault menus).
    std::vector<std::string> memberFaults;
    std::vector<std::string> faults;
    std::string traffic; // trafficLine's
};
BoardView boardView(const forecourt::SiteState& site, int selected);

// "Traffic: 2 customers a minute · 37 served · 3 at the pumps", with
// "· 4 left without fuel" once some have; "Traffic: stopped · ..." while
// the last customers finish; empty when the site has never had traffic.
std::string trafficLine(const forecourt::TrafficSnapshot& traffic);

// A line of record text for showing: CR and LF as the symbols the utility uses.
std::string shownText(const std::string& bytes);

} // namespace vantrel::board
