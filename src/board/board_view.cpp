#include "board_view.h"

#include "forecourt/reader_terminals.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace vantrel::board {

using forecourt::PositionState;

namespace {

std::string fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string two(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// An iX CAT colour: AARRGGBB or RRGGBB in hexadecimal, or a few names.
// Anything else gives `otherwise`.
Rgb xmlColour(const std::string& text, Rgb otherwise)
{
    std::string digits = text;
    if (!digits.empty() && digits[0] == '#')
        digits.erase(0, 1);
    if (digits.size() == 8)
        digits.erase(0, 2);
    if (digits.size() == 6 && std::all_of(digits.begin(), digits.end(), [](char c) { return hexValue(c) >= 0; })) {
        auto byte = [&](int i) { return static_cast<std::uint8_t>(hexValue(digits[i]) * 16 + hexValue(digits[i + 1])); };
        return {byte(0), byte(2), byte(4)};
    }
    std::string name;
    for (char c : text)
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name == "black") return {0, 0, 0};
    if (name == "white") return {255, 255, 255};
    if (name == "red") return {200, 0, 0};
    if (name == "green") return {0, 140, 0};
    if (name == "blue") return {0, 0, 200};
    if (name == "yellow") return {240, 220, 0};
    return otherwise;
}

std::string fontName(const forecourt::FontSpec& font)
{
    if (font.name.empty() && font.size == 0)
        return {};
    std::string text = font.name;
    if (font.size)
        text += (text.empty() ? "" : " ") + std::to_string(font.size);
    if (font.style & 1)
        text += " bold";
    if (font.style & 2)
        text += " italic";
    return text;
}

std::string align(const std::string& horizontal, const std::string& vertical)
{
    if (horizontal.empty() && vertical.empty())
        return {};
    return (horizontal.empty() ? "-" : horizontal) + "/" + (vertical.empty() ? "-" : vertical);
}

ScreenWindow windowOf(const char* kind, const forecourt::WindowProperties& w)
{
    ScreenWindow out;
    out.kind = kind;
    out.x = w.area.left;
    out.y = w.area.top;
    out.width = w.area.width;
    out.height = w.area.height;
    out.fore = xmlColour(w.foreColor, {0, 0, 0});
    out.back = xmlColour(w.backColor, {255, 255, 255});
    out.font = fontName(w.font);
    out.align = align(w.horizontalAlignment, w.verticalAlignment);
    return out;
}

ScreenItem promptItem(const forecourt::PromptLine& line, Rgb colour)
{
    return {line.text, -1, line.area.left, line.area.top, line.area.width, line.area.height, fontName(line.font), colour,
            align(line.horizontalAlignment, line.verticalAlignment)};
}

// A bar pattern for the characters: a start mark, nine modules a
// character (from its code, so each character looks its own), a stop mark.
std::vector<bool> barsFor(const std::string& characters)
{
    std::vector<bool> bars = {true, false, true, true, false};
    for (const char c : characters) {
        const auto code = static_cast<unsigned char>(c);
        for (int bit = 7; bit >= 0; --bit)
            bars.push_back(((code >> bit) & 1) != 0);
        bars.push_back(false);
    }
    for (bool b : {true, true, false, true})
        bars.push_back(b);
    return bars;
}

bool signatureLine(const std::string& line)
{
    const auto underscores = std::count(line.begin(), line.end(), '_');
    return underscores >= 8 || line.find("Signature") != std::string::npos || line.find("SIGNATURE") != std::string::npos;
}

} // namespace

std::string hexName(Rgb c)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
    return text;
}

namespace {
double channel(std::uint8_t c)
{
    const double v = c / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}
double luminance(Rgb c) { return 0.2126 * channel(c.r) + 0.7152 * channel(c.g) + 0.0722 * channel(c.b); }
} // namespace

double contrastRatio(Rgb a, Rgb b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Rgb inkOn(Rgb background)
{
    return contrastRatio(background, kDarkInk) >= contrastRatio(background, kLightInk) ? kDarkInk : kLightInk;
}

Rgb stateColour(PositionState state)
{
    switch (state) {
    case PositionState::Idle: return {176, 180, 186};
    case PositionState::Calling: return {245, 166, 35};
    case PositionState::Authorised: return {74, 144, 226};
    case PositionState::Fueling: return {46, 184, 92};
    case PositionState::Stopped: return {200, 50, 50}; // dark enough for white text
    case PositionState::Completed: return {155, 89, 182};
    case PositionState::Paid: return {26, 160, 160};
    }
    return {};
}

std::string shownText(const std::string& bytes)
{
    std::string out;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r')
            out += "\xe2\x90\x8d"; // ␍
        else if (c == '\n')
            out += "\xe2\x90\x8a"; // ␊
        else if (u < 32 || u == 127) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", u);
            out += hex;
        } else if (u >= 128) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += c;
        }
    }
    return out;
}

TileView tileView(const forecourt::PositionSnapshot& p, bool selected)
{
    TileView t;
    t.number = p.number;
    t.caption = std::to_string(p.number);
    t.state = forecourt::positionStateCaption(p.state);
    t.fill = stateColour(p.state);
    t.selected = selected;
    if (p.hasSale) {
        t.hose = "Hose " + std::to_string(p.hoseInUse);
        t.payment = std::string("MOP ") + p.mop + "  " +
                    (p.fillUp ? std::string("fill-up") : "limit " + fixed(static_cast<double>(p.limitHundredths) / 100.0, 2));
        const double whole = p.fillUp ? 0 : static_cast<double>(p.limitHundredths) / 100.0;
        t.progress = p.fillUp ? std::min(1.0, p.litres / forecourt::FuelingPositions::kTankLitres)
                              : whole > 0 ? std::min(1.0, p.amount / whole) : 0;
    }
    if (p.hasSale || p.state == PositionState::Paid) {
        t.volume = fixed(p.litres, 3) + " l";
        t.amount = fixed(p.amount, 2);
    }
    for (std::size_t h = 0; h < p.prices.size(); ++h) {
        const auto& price = p.prices[h];
        const bool set = price.tier1 != 1.0 || price.tier2 != 1.0;
        if (set || h == 0)
            t.prices.push_back(std::to_string(h + 1) + "  " + fixed(price.tier1, 3) + " / " + fixed(price.tier2, 3));
    }
    // Hose 1 at the default price says nothing when another hose was priced.
    if (t.prices.size() > 1 && p.prices[0].tier1 == 1.0 && p.prices[0].tier2 == 1.0)
        t.prices.erase(t.prices.begin());
    return t;
}

ScreenView screenView(const forecourt::ScreenModel& s)
{
    ScreenView v;
    const bool ixcat = s.messageWindow || s.dataEntryWindow || !s.shownPromptId.empty();
    v.graphics = s.graphicMode || ixcat || std::any_of(s.texts.begin(), s.texts.end(), [](const auto& t) { return t.positioned; });
    if (v.graphics) {
        v.width = 320;
        v.height = 240;
    }
    if (s.messageWindow) {
        v.windows.push_back(windowOf("message window", *s.messageWindow));
        v.background = v.windows.back().back;
        if (s.messageWindow->area.width > 0 && s.messageWindow->area.height > 0) {
            v.width = std::max(v.width, s.messageWindow->area.left + s.messageWindow->area.width);
            v.height = std::max(v.height, s.messageWindow->area.top + s.messageWindow->area.height);
        }
    }
    if (s.dataEntryWindow)
        v.windows.push_back(windowOf("data entry window", *s.dataEntryWindow));
    const Rgb ink = s.messageWindow ? xmlColour(s.messageWindow->foreColor, {0, 0, 0}) : Rgb{20, 40, 20};
    int textLines = 0;
    for (const auto& t : s.texts) {
        ScreenItem item;
        item.text = t.text;
        item.colour = ink;
        item.font = t.fontName.empty() && t.fontSize == 0 ? std::string()
                                                           : t.fontName + (t.fontSize ? " " + std::to_string(t.fontSize) : "");
        if (t.positioned) {
            item.x = t.column;
            item.y = t.row;
        } else {
            item.line = t.line;
            textLines = std::max(textLines, t.line + 1);
            v.width = v.graphics ? v.width : std::max(v.width, static_cast<int>(t.text.size()));
        }
        v.items.push_back(std::move(item));
    }
    if (!v.graphics)
        v.height = std::max(v.height, textLines);
    if (!s.shownPromptId.empty()) {
        const auto it = s.prompts.find(s.shownPromptId);
        if (it != s.prompts.end()) {
            v.items.push_back(promptItem(it->second.main, ink));
            for (const auto& extra : it->second.additional)
                if (!extra.text.empty())
                    v.items.push_back(promptItem(extra, ink));
        } else {
            v.items.push_back({"prompt " + s.shownPromptId + " (not loaded)", 0, 0, 0, 0, 0, {}, {200, 0, 0}, {}});
        }
    }
    for (const auto& k : s.softKeys)
        v.softKeys.push_back(std::to_string(k.key) + " " + k.label);
    if (s.scrolling) {
        for (const auto& t : s.texts)
            v.scrolling += (v.scrolling.empty() ? "" : " ") + t.text;
        if (v.scrolling.empty())
            v.scrolling = "(scrolling)";
    }
    if (s.securePrompt) {
        const auto& p = *s.securePrompt;
        v.securePrompt = "secure prompt " + p.promptId + (p.maxLength ? ", at most " + std::to_string(p.maxLength) + " digits" : "") +
                         (p.hidden ? ", hidden" : "") + (p.autoTerminate ? ", ends by itself" : "");
    }
    v.signature = s.signature;
    for (const auto& [id, image] : s.images)
        v.images.push_back(image.filename + (image.language.empty() ? "" : " (" + image.language + ")"));
    for (const auto& u : s.unknownSequences())
        v.unknown.push_back(shownText(u.raw));
    if (s.droppedParts > 0)
        v.dropped.push_back(forecourt::groupedNumber(s.droppedParts) + " more texts and sequences not kept (the display keeps " +
                            forecourt::groupedNumber(forecourt::kScreenTexts) + " of each)");
    if (s.droppedXml > 0)
        v.dropped.push_back(forecourt::groupedNumber(s.droppedXml) + " older prompts, images and notes dropped");
    return v;
}

std::string describeScreen(const ScreenView& v)
{
    std::string out = std::string(v.graphics ? "graphics " : "text ") + std::to_string(v.width) + "x" + std::to_string(v.height) +
                      " on " + hexName(v.background) + "\n";
    for (const auto& w : v.windows)
        out += w.kind + " " + std::to_string(w.x) + "," + std::to_string(w.y) + " " + std::to_string(w.width) + "x" +
               std::to_string(w.height) + " " + hexName(w.fore) + " on " + hexName(w.back) +
               (w.font.empty() ? "" : " " + w.font) + (w.align.empty() ? "" : " " + w.align) + "\n";
    for (const auto& i : v.items) {
        out += i.line >= 0 ? "line " + std::to_string(i.line) : "at " + std::to_string(i.x) + "," + std::to_string(i.y);
        if (i.width || i.height)
            out += " " + std::to_string(i.width) + "x" + std::to_string(i.height);
        if (!i.font.empty())
            out += " [" + i.font + "]";
        if (!i.align.empty())
            out += " " + i.align;
        out += " " + hexName(i.colour) + " \"" + shownText(i.text) + "\"\n";
    }
    for (const auto& k : v.softKeys)
        out += "soft key " + shownText(k) + "\n";
    if (!v.scrolling.empty())
        out += "scrolling \"" + shownText(v.scrolling) + "\"\n";
    if (!v.securePrompt.empty())
        out += v.securePrompt + "\n";
    if (!v.signature.empty())
        out += "signed " + v.signature + "\n";
    for (const auto& i : v.images)
        out += "image " + i + "\n";
    for (const auto& u : v.unknown)
        out += "unknown " + u + "\n";
    for (const auto& d : v.dropped)
        out += d + "\n";
    return out;
}

std::vector<PaperLine> paperView(const forecourt::Paper& paper)
{
    using K = PaperLine::Kind;
    std::vector<PaperLine> out;
    for (const auto& item : paper.items) {
        switch (item.kind) {
        case forecourt::PrintedItem::Kind::Cut: out.push_back({K::Cut, item.job, {}, {}}); break;
        case forecourt::PrintedItem::Kind::BarCode:
            out.push_back({K::BarCode, item.job, item.text + (item.symbology.empty() ? "" : "  (" + item.symbology + ")"),
                           barsFor(item.text)});
            break;
        case forecourt::PrintedItem::Kind::Text: {
            std::size_t at = 0;
            const std::string& text = item.text;
            while (at < text.size()) {
                const auto lf = text.find('\n', at);
                std::string line = text.substr(at, lf == std::string::npos ? std::string::npos : lf - at);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                if (line.empty() && lf != std::string::npos)
                    out.push_back({K::Feed, item.job, {}, {}});
                else if (!line.empty())
                    out.push_back({signatureLine(line) ? K::Signature : K::Text, item.job, line, {}});
                if (lf == std::string::npos)
                    break;
                at = lf + 1;
            }
            break;
        }
        }
    }
    return out;
}

std::string describePaper(const std::vector<PaperLine>& paper)
{
    std::string out;
    for (const auto& l : paper) {
        switch (l.kind) {
        case PaperLine::Kind::Text: out += l.job + " | " + shownText(l.text) + "\n"; break;
        case PaperLine::Kind::Feed: out += l.job + " | (feed)\n"; break;
        case PaperLine::Kind::Cut: out += l.job + " --- cut ---\n"; break;
        case PaperLine::Kind::Signature: out += l.job + " | sign: " + shownText(l.text) + "\n"; break;
        case PaperLine::Kind::BarCode: {
            std::string bars;
            for (bool b : l.bars)
                bars += b ? '#' : ' ';
            out += l.job + " |" + bars + "| " + shownText(l.text) + "\n";
            break;
        }
        }
    }
    return out;
}

std::vector<GaugeView> gaugeViews(const std::vector<forecourt::TankSnapshot>& tanks)
{
    std::vector<GaugeView> out;
    for (const auto& t : tanks) {
        GaugeView g;
        g.caption = std::to_string(t.number) + " " + t.product;
        g.fraction = t.capacity > 0 ? std::clamp(t.volume / t.capacity, 0.0, 1.0) : 0;
        g.volume = fixed(t.volume, 1) + " of " + fixed(t.capacity, 0) + " l";
        g.detail = "water " + fixed(t.water, 1) + " mm  " + fixed(t.temperature, 1) + " \xc2\xb0" "C";
        g.colour = g.fraction < 0.1 ? Rgb{214, 69, 65} : g.fraction < 0.25 ? Rgb{245, 166, 35} : Rgb{46, 140, 200};
        out.push_back(std::move(g));
    }
    return out;
}

WashView washView(const forecourt::CarWashSnapshot& w)
{
    WashView v;
    v.washing = w.washing;
    v.status = w.washing ? "Washing " + w.washCode + ", program " + two(w.washProgram) + ": " + std::to_string(w.secondsLeft) + " s left"
                         : std::string("Idle");
    for (const auto& c : w.codes)
        v.codes.push_back(c.code + "  program " + two(c.program) + "  " + c.state);
    if (w.droppedCodes > 0)
        v.dropped = forecourt::groupedNumber(w.droppedCodes) + (w.droppedCodes == 1 ? " older code" : " older codes") + " dropped";
    return v;
}

SignView signView(const forecourt::SiteState& site)
{
    SignView v;
    v.intensity = "intensity " + site.signIntensity;
    for (const auto& line : site.signLines)
        v.digits.push_back(line.empty() ? std::string("------") : line); // the six digits as sent
    return v;
}

ReaderView readerView(const forecourt::ReaderSnapshot& r)
{
    ReaderView v;
    v.caption = "Reader " + two(r.position);
    v.screen = screenView(r.screen);
    v.paper = paperView(r.paper);
    if (r.paper.droppedLines > 0 || r.paper.droppedItems > 0)
        v.paperDropped = forecourt::groupedNumber(r.paper.droppedLines) +
                         (r.paper.droppedLines == 1 ? " older receipt line" : " older receipt lines") + " dropped";
    v.beeps = std::to_string(r.beeps) + (r.beeps == 1 ? " beep" : " beeps");
    v.keypad = r.keypad.empty() ? std::string("keypad as built") : "keypad " + shownText(r.keypad);
    v.entry = r.entryMode.empty() ? std::string("no key entry asked")
                                  : "entry " + r.entryMode + (r.keyEntryPending ? " (waiting for keys)" : " (answered)");
    v.chip = r.chipReaderEnabled ? "chip reader enabled" : "chip reader disabled";
    for (const auto& q : r.queues) {
        QueueView qv;
        qv.caption = std::string(q.name) + " (" + std::to_string(q.entries.size()) +
                     (q.dropped > 0 ? ", " + forecourt::groupedNumber(q.dropped) + " dropped: the queue was full" : "") + ")";
        for (const auto& e : q.entries)
            qv.entries.push_back(shownText(e));
        v.queues.push_back(std::move(qv));
    }
    return v;
}

BoardView boardView(const forecourt::SiteState& site, int selected)
{
    BoardView b;
    for (const auto& p : site.positions)
        b.tiles.push_back(tileView(p, p.number == selected));
    b.reader = readerView(site.reader);
    b.gauges = gaugeViews(site.tanks);
    b.tankReport = site.tankReportStatus == "ReportStatus=Ready" ? "report ready"
                   : site.tankReportStatus == "ReportStatus=Busy" ? "report being prepared"
                                                                  : "no report";
    b.wash = washView(site.carWash);
    b.sign = signView(site);
    return b;
}

} // namespace vantrel::board
