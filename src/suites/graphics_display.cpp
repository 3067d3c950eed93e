#include "graphics_display.h"

#include "server/display_escapes.h"
#include "server/records.h"
#include "session/session.h"

#include <array>
#include <stdexcept>

namespace vantrel::suites {

using namespace vantrel::esc;

namespace {

// Bennett: "Top Line" glued to "L1", then "L1" to "L13" each ended by CR LF; no escapes.
std::string bennettBody()
{
    std::string body = "Top Line";
    for (int n = 1; n <= 13; ++n)
        rec::appendLine(body, "L" + std::to_string(n));
    return body;
}

// Wayne line-count family: graphic mode with the number of lines, code 000,
// and one text that names its own column and row.
std::string wayneLinesBody(int lines, int column, int row)
{
    const std::string text =
        "Hello (" + rec::zeroFilled(column, kPositionDigits) + "/" + rec::zeroFilled(row, kPositionDigits) + ")";
    return graphicMode(lines) + code000() + positioned(column, row, text);
}

// The opening of the iX CAT text formats: graphic mode, code A12, Aerial 14.
std::string ixCatTextOpening() { return graphicMode() + codeA(12) + font("Aerial", 14); }

constexpr std::array<const char*, 9> kLineNames = {"First", "Second", "Third", "Fourth", "Fifth",
                                                   "Sixth", "Seventh", "Eigth", "Ninth"};

// Nine lines stepping down and to the right: column 1, 25, 50 ... 200, row 1, 20, 40 ... 160.
std::string formattedBody()
{
    std::string body = ixCatTextOpening();
    for (std::size_t i = 0; i < kLineNames.size(); ++i) {
        const int step = static_cast<int>(i);
        body += positioned(step == 0 ? 1 : 25 * step, step == 0 ? 1 : 20 * step, std::string(kLineNames[i]) + " Line");
    }
    return body;
}

// Eight unpositioned lines separated by LF alone.
std::string multiLineBody()
{
    std::string body = ixCatTextOpening();
    for (std::size_t i = 0; i < 8; ++i) {
        if (i > 0)
            body += rec::LF;
        body += "The " + std::string(kLineNames[i]) + " Line";
    }
    return body;
}

// Soft keys 1 to 8 labelled "Key n", then the prompt.
std::string softKeysBody()
{
    std::string body = graphicMode();
    for (int key = 1; key <= kSoftKeys; ++key)
        body += softKey(key, "Key " + std::to_string(key));
    return body + codeA(12) + "Select A Key";
}

} // namespace

const std::vector<DisplayFormat>& displayFormats()
{
    static const std::vector<DisplayFormat> formats = {
        {"Bennett", "Bennett", bennettBody(), Terminator::CrLfLf},
        {"GilbarcoInfo", "GILB INFO", graphicMode() + code000() + positioned(100, 100, "Hello @ 100 / 100"), Terminator::CrLfNul},
        {"Wayne2Line", "Wayne 2 Line", wayneLinesBody(2, 1, 2), Terminator::CrLfNul},
        {"Wayne3Line", "Wayne 3 Line", wayneLinesBody(3, 10, 20), Terminator::CrLfNul},
        {"Wayne4Line", "Wayne 4 Line", wayneLinesBody(4, 40, 30), Terminator::CrLfNul},
        {"Wayne5Line", "Wayne 5 Line", wayneLinesBody(5, 65, 30), Terminator::CrLfNul},
        {"WayneQCat", "Wayne Q CAT",
         graphicMode() + code000() + positioned(1, 1, "Hello (First Line)") + positioned(1, 15, "Hello (Second Line)") +
             positioned(30, 120, "Col/Row (30/120)"),
         Terminator::CrLfNul},
        {"iXCAT_FORMAT_LINE", "iXCAT  Formatted", formattedBody(), Terminator::CrLfLf},
        {"iXCAT_MULTI_LINE", "iXCAT Multi Line", multiLineBody(), Terminator::CrLfLf},
        {"iXCAT_FUNC", "iXCATFunc", softKeysBody(), Terminator::None},
    };
    return formats;
}

const DisplayFormat& displayFormat(std::string_view control)
{
    for (const auto& f : displayFormats())
        if (f.control == control)
            return f;
    throw std::out_of_range("no display format " + std::string(control));
}

std::string displayFormatRecord(std::string_view position, const DisplayFormat& format)
{
    std::string r;
    rec::appendLine(r, "ReaderPosition=", position);
    r += "Message=" + format.body;
    switch (format.terminator) {
    case Terminator::CrLfNul:
        r += rec::CRLF;
        rec::appendNul(r);
        break;
    case Terminator::CrLfLf:
        r += rec::CRLF;
        r += rec::LF;
        break;
    case Terminator::None: break;
    }
    return r;
}

std::string formattedGraphicsRecord(std::string_view position)
{
    return displayFormatRecord(position, displayFormat("iXCAT_FORMAT_LINE"));
}

void sendDisplayFormat(Session& s, const DisplayFormat& format)
{
    s.setTextBox("<Object>.DispData = (data)");
    const std::string record = displayFormatRecord(s.fpText(), format);
    s.server().put("DisplayData", Value::string(record));
    s.setInBox(record);
    s.windows().hideWindow(kGraphicsDisplay);
}

std::vector<ButtonSpec> graphicsDisplayButtons()
{
    // Six rows of buttons in two columns: the older makes on the left, Q CAT and iX CAT on the right.
    constexpr int left[2] = {180, 2205};
    constexpr int width = 1815, height = 495, firstTop = 120, rowStep = 600;
    std::vector<ButtonSpec> rows;
    int index = 0;
    for (const auto& f : displayFormats()) {
        const int column = index < 6 ? 0 : 1;
        const int row = index < 6 ? index : index - 6;
        const DisplayFormat* format = &f;
        rows.push_back({f.control, f.caption, {left[column], firstTop + rowStep * row, width, height}, {},
                        [format](Session& s) { sendDisplayFormat(s, *format); }});
        ++index;
    }
    rows.push_back({"EXIT_BUTTON", "EXIT", {left[1], firstTop + rowStep * 5, width, height}, {},
                    [](Session& s) { s.windows().hideWindow(kGraphicsDisplay); }});
    return rows;
}

} // namespace vantrel::suites
