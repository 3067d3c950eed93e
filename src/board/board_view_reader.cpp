// The reader terminal on the board: its screen, its receipt strip, and the
// words for its keypad, key entry, beeps and queues.
#include "board_view.h"
#include "board_view_text.h"

#include "forecourt/reader_terminals.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace vantrel::board {

namespace {

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

// A font named without a name or a size is the display's own, whatever its style.
ScreenFont screenFont(const forecourt::FontSpec& font)
{
    if (font.name.empty() && font.size == 0)
        return {};
    return {font.name, font.size, (font.style & 1) != 0, (font.style & 2) != 0};
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
    out.font = screenFont(w.font);
    out.align = align(w.horizontalAlignment, w.verticalAlignment);
    return out;
}

ScreenItem promptItem(const forecourt::PromptLine& line, Rgb colour)
{
    return {line.text, -1, line.area.left, line.area.top, line.area.width, line.area.height, screenFont(line.font), colour,
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

std::string fontText(const ScreenFont& font)
{
    if (font.name.empty() && font.size == 0)
        return {};
    std::string text = font.name;
    if (font.size)
        text += (text.empty() ? "" : " ") + std::to_string(font.size);
    if (font.bold)
        text += " bold";
    if (font.italic)
        text += " italic";
    return text;
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
        item.font = {t.fontName, t.fontSize};
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
        v.softKeys.push_back({k.key, k.label});
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
               (fontText(w.font).empty() ? "" : " " + fontText(w.font)) + (w.align.empty() ? "" : " " + w.align) + "\n";
    for (const auto& i : v.items) {
        out += i.line >= 0 ? "line " + std::to_string(i.line) : "at " + std::to_string(i.x) + "," + std::to_string(i.y);
        if (i.width || i.height)
            out += " " + std::to_string(i.width) + "x" + std::to_string(i.height);
        if (const std::string font = fontText(i.font); !font.empty())
            out += " [" + font + "]";
        if (!i.align.empty())
            out += " " + i.align;
        out += " " + hexName(i.colour) + " \"" + shownText(i.text) + "\"\n";
    }
    for (const auto& k : v.softKeys)
        out += "soft key " + std::to_string(k.key) + " " + shownText(k.label) + "\n";
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

} // namespace vantrel::board
