#include "print_splitter.h"

namespace vantrel::forecourt {

namespace {

std::string crLfToLf(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return out;
}

} // namespace

void printWithBarCodes(Paper& paper, const std::string& job, std::string_view message)
{
    const std::string text = crLfToLf(message);
    std::size_t at = 0;
    while (at < text.size()) {
        const auto esc = text.find("\x1b" "B", at);
        const auto etx = esc == std::string::npos ? std::string::npos : text.find('\x03', esc);
        if (etx == std::string::npos) {
            paper.addText(job, text.substr(at));
            break;
        }
        if (esc > at)
            paper.addText(job, text.substr(at, esc - at));
        paper.addBarCode(job, text.substr(esc + 2, etx - esc - 2), "ESC B");
        at = etx + 1;
    }
}

} // namespace vantrel::forecourt
