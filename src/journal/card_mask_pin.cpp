// PIN blocks and PIN entries: the value of a PIN block however its key is
// spelled, and the KeyData= of a key entry made in a PIN mode.
#include "card_mask_parts.h"

namespace vantrel::journal::masking {

namespace {

// Where a PIN block key ("pin", maybe '_', '-' or a blank, "block") that
// begins at `i` ends; npos when none begins there or the word goes on
// (PINBlockFormat names something else).
std::size_t pinBlockKeyEnd(std::string_view s, std::size_t i)
{
    if (!iequalsAt(s, i, "pin"))
        return npos;
    std::size_t k = i + 3;
    if (k < s.size() && (s[k] == '_' || s[k] == '-' || s[k] == ' '))
        ++k;
    if (!iequalsAt(s, k, "block"))
        return npos;
    k += 5;
    return k < s.size() && (isAlnum(s[k]) || s[k] == '_') ? npos : k;
}

// Where the value of the key that ends at `keyEnd` begins and ends, or
// nothing: '=' or ':' (the key may be quoted, the value too), or the
// content of an element whose start tag the key names.
bool pinBlockValue(std::string_view s, std::size_t keyStart, std::size_t keyEnd, std::size_t& from, std::size_t& to)
{
    if (keyStart > 0 && s[keyStart - 1] == '<') {
        std::size_t close = keyEnd;
        while (close < s.size() && s[close] != '>' && s[close] != '<')
            ++close;
        if (close >= s.size() || s[close] != '>' || s[close - 1] == '/')
            return false;
        from = close + 1;
        to = from;
        while (to < s.size() && s[to] != '<')
            ++to;
        return true;
    }
    std::size_t k = keyEnd;
    if (k < s.size() && (s[k] == '"' || s[k] == '\''))
        ++k;
    k = skipBlanks(s, k);
    if (k >= s.size() || (s[k] != '=' && s[k] != ':'))
        return false;
    k = skipBlanks(s, k + 1);
    if (k < s.size() && (s[k] == '"' || s[k] == '\'')) {
        const char quote = s[k];
        from = k + 1;
        to = from;
        while (to < s.size() && s[to] != quote && !endsLine(s[to]))
            ++to;
        return true;
    }
    from = k;
    to = k;
    while (to < s.size() && !endsLine(s[to]) && s[to] != '<')
        ++to;
    return true;
}

} // namespace

bool keyLine(std::string_view s, std::size_t at, std::string_view key, std::size_t& from, std::size_t& to)
{
    std::size_t k = skipBlanks(s, at);
    if (!iequalsAt(s, k, key))
        return false;
    k = skipBlanks(s, k + key.size());
    if (k >= s.size() || s[k] != '=')
        return false;
    from = skipBlanks(s, k + 1);
    to = lineEnd(s, from);
    return true;
}

bool pinMode(std::string_view mode)
{
    return icontains(mode, "WithOutEcho") || icontains(mode, "Encrypt") || iequalsAt(mode, 0, "SecurePrompt") ||
           iequalsAt(mode, 0, "PIN");
}

std::string dropPins(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    forEachEntry(s, [&](std::size_t from, std::size_t to) {
        const std::string_view entry = s.substr(0, to);
        bool pin = false;
        for (std::size_t i = from; i < to && !pin; i = lineEnd(entry, i) + 1) {
            std::size_t a = 0, b = 0;
            pin = keyLine(entry, i, "EntryMode", a, b) && pinMode(entry.substr(a, b - a));
        }
        std::size_t i = from;
        while (i < to) {
            std::size_t a = 0, b = 0;
            if (pin && startsLine(entry, i) && keyLine(entry, i, "KeyData", a, b)) {
                out.append(entry.substr(i, a - i));
                i = b;
                continue;
            }
            const std::size_t keyEnd = (entry[i] == 'p' || entry[i] == 'P') ? pinBlockKeyEnd(entry, i) : npos;
            if (keyEnd != npos && pinBlockValue(entry, i, keyEnd, a, b)) {
                out.append(entry.substr(i, a - i));
                // An element's value may span lines: its line ends stay, so
                // the lines after it keep their starts (and their entries).
                for (; a < b; ++a)
                    if (endsLine(entry[a]))
                        out += entry[a];
                i = b;
                continue;
            }
            out += entry[i++];
        }
    });
    return out;
}

} // namespace vantrel::journal::masking
