#include "screen_model.h"

#include "site_bounds.h"
#include "text_helpers.h"

#include "server/display_escapes.h"

#include <algorithm>
#include <cctype>

namespace vantrel::forecourt {

namespace {

bool isHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// `count` (one or more) digits at `at`.
bool digitsAt(std::string_view text, std::size_t at, std::size_t count)
{
    return at + count <= text.size() && allDigits(text.substr(at, count));
}

int number(std::string_view digits)
{
    int n = 0;
    for (const char c : digits)
        n = n * 10 + (c - '0');
    return n;
}

// Reads a message from left to right. Text after a positioned-text
// sequence belongs to it up to the next ESC; any other text is running
// text, broken into lines at LF (a CR before the LF belongs to the break).
class MessageReader {
public:
    MessageReader(ScreenModel& screen, std::string_view text) : m_screen(screen), m_text(text) {}

    void read()
    {
        readSignature();
        while (m_at < m_text.size()) {
            const char c = m_text[m_at];
            if (c == esc::ESC) {
                readSequence();
            } else if (c == esc::DC3) {
                m_screen.scrolling = true;
                ++m_at;
            } else {
                readText();
            }
        }
        if (!m_running.empty() && m_running.back() == '\r')
            m_running.pop_back();
        flushRunning();
        // Line ends at the very end close the message; they hold no lines.
        // (Kept texts are not at the end once later ones were not kept.)
        auto& texts = m_screen.texts;
        while (!m_textsCut && !texts.empty() && !texts.back().positioned && texts.back().text.empty())
            texts.pop_back();
    }

private:
    // "{SIG=" eight hexadecimal digits "}" opening the message.
    void readSignature()
    {
        const std::size_t open = esc::kSignatureOpen.size();
        if (!m_text.starts_with(esc::kSignatureOpen) || m_text.size() < open + 9)
            return;
        const std::string_view digits = m_text.substr(open, 8);
        if (std::all_of(digits.begin(), digits.end(), isHex) && m_text[open + 8] == esc::kSignatureClose) {
            m_screen.signature = std::string(digits);
            m_at = open + 9;
        }
    }

    void readSequence()
    {
        flushRunning();
        const std::size_t start = m_at;
        const char letter = m_at + 1 < m_text.size() ? m_text[m_at + 1] : '\0';
        using Kind = EscapeSequence::Kind;
        switch (letter) {
        case esc::GraphicModeLetter: {
            std::size_t end = m_at + 2;
            m_screen.graphicMode = true;
            m_screen.graphicLines = 0;
            if (end < m_text.size() && isAsciiDigit(m_text[end]))
                m_screen.graphicLines = m_text[end++] - '0';
            add(Kind::GraphicMode, start, end);
            return;
        }
        case esc::SUB:
            if (m_text.substr(m_at + 2).starts_with(esc::kCode000)) {
                add(Kind::Code000, start, m_at + 2 + esc::kCode000.size());
                return;
            }
            break;
        case esc::CodeLetter:
            if (digitsAt(m_text, m_at + 2, esc::kCodeADigits)) {
                add(Kind::CodeA, start, m_at + 2 + esc::kCodeADigits);
                return;
            }
            break;
        case esc::FontLetter:
            if (readFont(start))
                return;
            break;
        case esc::PositionLetter:
            if (digitsAt(m_text, m_at + 2, 2 * esc::kPositionDigits)) {
                readPositioned(start);
                return;
            }
            break;
        case esc::SoftKeyLetter:
            if (readSoftKey(start))
                return;
            break;
        default: break;
        }
        // Unknown, or a known letter without its proper form: keep ESC and
        // the letter as they came; what follows is read as text.
        add(Kind::Unknown, start, std::min(m_text.size(), m_at + 2));
    }

    // ESC "F", a quoted name, then the size in one or two digits.
    bool readFont(std::size_t start)
    {
        const std::size_t open = m_at + 2;
        if (open >= m_text.size() || m_text[open] != esc::QUOTE)
            return false;
        const std::size_t close = m_text.find(esc::QUOTE, open + 1);
        if (close == std::string_view::npos || close - open - 1 > kLongestFontName)
            return false;
        std::size_t end = close + 1;
        while (end < m_text.size() && end < close + 3 && isAsciiDigit(m_text[end]))
            ++end;
        if (end == close + 1)
            return false;
        m_fontName = std::string(m_text.substr(open + 1, close - open - 1));
        m_fontSize = number(m_text.substr(close + 1, end - close - 1));
        add(EscapeSequence::Kind::Font, start, end);
        return true;
    }

    // ESC "S", the key digit (1 to 8), the quoted label.
    bool readSoftKey(std::size_t start)
    {
        const std::size_t key = m_at + 2;
        if (key + 1 >= m_text.size() || m_text[key] < '1' || m_text[key] > '0' + esc::kSoftKeys ||
            m_text[key + 1] != esc::QUOTE)
            return false;
        const std::size_t close = m_text.find(esc::QUOTE, key + 2);
        if (close == std::string_view::npos)
            return false;
        const int n = m_text[key] - '0';
        std::string label(m_text.substr(key + 2, close - key - 2));
        auto& keys = m_screen.softKeys;
        const auto same = std::find_if(keys.begin(), keys.end(), [n](const SoftKeyLabel& k) { return k.key == n; });
        if (same != keys.end())
            same->label = std::move(label);
        else
            keys.push_back({n, std::move(label)});
        add(EscapeSequence::Kind::SoftKey, start, close + 1);
        return true;
    }

    // ESC "=", three digits of column, three of row, then the text up to the next ESC.
    void readPositioned(std::size_t start)
    {
        const std::size_t digits = m_at + 2;
        const int column = number(m_text.substr(digits, esc::kPositionDigits));
        const int row = number(m_text.substr(digits + esc::kPositionDigits, esc::kPositionDigits));
        const std::size_t textStart = digits + 2 * esc::kPositionDigits;
        add(EscapeSequence::Kind::Position, start, textStart);
        std::size_t end = m_text.find(esc::ESC, textStart);
        if (end == std::string_view::npos)
            end = m_text.size();
        ScreenText t;
        t.text = std::string(withoutLineEnds(m_text.substr(textStart, end - textStart)));
        t.positioned = true;
        t.column = column;
        t.row = row;
        t.fontName = m_fontName;
        t.fontSize = m_fontSize;
        keep(std::move(t));
        m_at = end;
    }

    void readText()
    {
        if (m_text[m_at] == '\n') {
            ++m_at;
            if (!m_running.empty() && m_running.back() == '\r')
                m_running.pop_back();
            pushRunning();
            return;
        }
        // Plain text runs to the next line break, ESC or DC3: take it whole.
        std::size_t end = m_at;
        while (end < m_text.size() && m_text[end] != '\n' && m_text[end] != esc::ESC && m_text[end] != esc::DC3)
            ++end;
        m_running.append(m_text.substr(m_at, end - m_at));
        m_at = end;
    }

    void flushRunning()
    {
        if (!m_running.empty())
            pushRunning();
    }

    void pushRunning()
    {
        ScreenText t;
        t.text = std::move(m_running);
        m_running.clear();
        t.line = m_line++;
        t.fontName = m_fontName;
        t.fontSize = m_fontSize;
        keep(std::move(t));
    }

    // The display keeps the first kScreenTexts texts and kScreenSequences
    // sequences of a message and counts the rest.
    void keep(ScreenText t)
    {
        if (m_screen.texts.size() < kScreenTexts) {
            m_screen.texts.push_back(std::move(t));
        } else {
            ++m_screen.droppedParts;
            m_textsCut = true;
        }
    }

    void add(EscapeSequence::Kind kind, std::size_t start, std::size_t end)
    {
        if (m_screen.sequences.size() < kScreenSequences)
            m_screen.sequences.push_back({kind, std::string(m_text.substr(start, end - start))});
        else
            ++m_screen.droppedParts;
        m_at = end;
    }

    ScreenModel& m_screen;
    std::string_view m_text;
    std::size_t m_at = 0;
    std::string m_running;
    int m_line = 0;
    bool m_textsCut = false;
    std::string m_fontName;
    int m_fontSize = 0;
};

} // namespace

void ScreenModel::showMessage(std::string_view text)
{
    message = std::string(text);
    graphicMode = false;
    graphicLines = 0;
    sequences.clear();
    texts.clear();
    softKeys.clear();
    scrolling = false;
    signature.clear();
    droppedParts = 0;
    MessageReader(*this, text).read();
}

namespace {
// What a part set by XML counts against kScreenXmlBytes: its bytes, and a
// share for the fields around them, so that many empty parts count too.
constexpr std::size_t kPartShare = 160;

std::size_t weight(const PromptLine& l)
{
    return kPartShare + l.id.size() + l.text.size() + l.horizontalAlignment.size() + l.verticalAlignment.size() +
           l.font.name.size();
}
std::size_t weight(const Prompt& p)
{
    std::size_t w = p.language.size() + p.description.size() + weight(p.main);
    for (const auto& l : p.additional)
        w += weight(l);
    return w;
}
std::size_t weight(const ImageDetails& i) { return kPartShare + i.filename.size() + i.language.size() + i.data.size(); }
} // namespace

void ScreenModel::keepXmlWithinBounds()
{
    std::size_t total = 0;
    for (const auto& n : notes)
        total += kPartShare + n.size();
    for (const auto& [id, image] : images)
        total += id.size() + weight(image);
    for (const auto& [id, prompt] : prompts)
        total += id.size() + weight(prompt);
    std::size_t oldNotes = 0;
    while (oldNotes < notes.size() && (total > kScreenXmlBytes || notes.size() - oldNotes > kScreenNotes)) {
        total -= kPartShare + notes[oldNotes].size();
        ++oldNotes;
    }
    notes.erase(notes.begin(), notes.begin() + static_cast<std::ptrdiff_t>(oldNotes));
    droppedXml += oldNotes;
    for (auto it = images.begin(); it != images.end() && (total > kScreenXmlBytes || images.size() > kScreenImages);) {
        total -= it->first.size() + weight(it->second);
        it = images.erase(it);
        ++droppedXml;
    }
    for (auto it = prompts.begin(); it != prompts.end() && (total > kScreenXmlBytes || prompts.size() > kScreenPrompts);) {
        if (it->first == shownPromptId) {
            ++it;
            continue;
        }
        total -= it->first.size() + weight(it->second);
        it = prompts.erase(it);
        ++droppedXml;
    }
}

bool ScreenModel::hasUnknownSequences() const
{
    return std::any_of(sequences.begin(), sequences.end(),
                       [](const EscapeSequence& s) { return s.kind == EscapeSequence::Kind::Unknown; });
}

std::vector<EscapeSequence> ScreenModel::unknownSequences() const
{
    std::vector<EscapeSequence> unknown;
    for (const auto& s : sequences)
        if (s.kind == EscapeSequence::Kind::Unknown)
            unknown.push_back(s);
    return unknown;
}

std::vector<std::string> ScreenModel::lines() const
{
    std::vector<std::string> result;
    for (const auto& t : texts)
        if (!t.positioned)
            result.push_back(t.text);
    return result;
}

const ScreenText* ScreenModel::textAt(int column, int row) const
{
    for (const auto& t : texts)
        if (t.positioned && t.column == column && t.row == row)
            return &t;
    return nullptr;
}

std::string ScreenModel::describe() const
{
    std::string d;
    addLine(d, "DisplayLength", std::to_string(message.size()));
    addLine(d, "GraphicMode", graphicMode ? "On" : "Off");
    addLine(d, "Texts", std::to_string(texts.size()));
    addLine(d, "SoftKeys", std::to_string(softKeys.size()));
    addLine(d, "UnknownSequences", std::to_string(unknownSequences().size()));
    addLine(d, "Prompt", shownPromptId.empty() ? std::string("none") : shownPromptId);
    return d;
}

} // namespace vantrel::forecourt
