#include "text_helpers.h"

namespace vantrel::forecourt {

bool allDigits(std::string_view text)
{
    if (text.empty())
        return false;
    for (const char c : text)
        if (!isAsciiDigit(c))
            return false;
    return true;
}

std::string_view withoutLineEnds(std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::string_view withoutFinalLineEnd(std::string_view text)
{
    if (!text.empty() && text.back() == '\n') {
        text.remove_suffix(1);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
    }
    return text;
}

void addLine(std::string& text, std::string_view key, std::string_view value)
{
    if (!text.empty())
        text += "\r\n";
    text += key;
    text += '=';
    text += value;
}

} // namespace vantrel::forecourt
