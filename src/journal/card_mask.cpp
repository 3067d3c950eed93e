// The masker's entry points, and the masking that depends on what was sent
// before: digits keyed at a reader asked for a PIN, and the keyed data of
// an encrypted secure prompt's response. The masking without context is in
// card_mask_numbers.cpp (card numbers), card_mask_track.cpp (track data),
// card_mask_emv.cpp (EMV data, in hex text and binary) and
// card_mask_pin.cpp (PIN blocks and PIN entries).
#include "card_mask.h"
#include "card_mask_parts.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <utility>

namespace vantrel::journal {

using namespace masking;

namespace {

// The reader an entry names, or -1.
int entryPosition(std::string_view s, std::size_t from, std::size_t to)
{
    for (std::size_t i = from; i < to; i = lineEnd(s, i) + 1) {
        std::size_t a = 0, b = 0;
        if (!keyLine(s.substr(0, to), i, "ReaderPosition", a, b))
            continue;
        int n = 0;
        std::size_t k = a;
        for (; k < b && isDigit(s[k]) && k - a < 3; ++k)
            n = n * 10 + (s[k] - '0');
        return k > a ? n : -1;
    }
    return -1;
}

bool keptAttribute(std::string_view name)
{
    for (std::string_view kept : {"SequenceNumber", "Result", "Fault", "PromptId", "Language", "Command", "Id"})
        if (name == kept)
            return true;
    return false;
}

// Copies the tag at `s[k]` ('<' to '>') into `out`, without the values of
// the attributes that are not kept. Returns where the tag ends; `selfClosed`
// tells a tag that ends with "/>".
std::size_t copyTag(std::string& out, std::string_view s, std::size_t k, bool& selfClosed)
{
    auto attrChar = [](char c) { return isAlnum(c) || c == '_' || c == ':' || c == '-' || c == '.'; };
    out += s[k++]; // '<'
    selfClosed = false;
    while (k < s.size() && s[k] != '>') {
        if (!attrChar(s[k])) {
            selfClosed = s[k] == '/';
            out += s[k++];
            continue;
        }
        const std::size_t nameStart = k;
        while (k < s.size() && attrChar(s[k]))
            ++k;
        const bool kept = keptAttribute(s.substr(nameStart, k - nameStart));
        out.append(s.substr(nameStart, k - nameStart));
        selfClosed = false;
        std::size_t eq = skipBlanks(s, k);
        if (eq >= s.size() || s[eq] != '=')
            continue; // the element's name, or an attribute without a value
        out.append(s.substr(k, eq + 1 - k));
        k = skipBlanks(s, eq + 1);
        out.append(s.substr(eq + 1, k - eq - 1));
        if (k < s.size() && (s[k] == '"' || s[k] == '\'')) {
            const char quote = s[k];
            std::size_t end = k + 1;
            while (end < s.size() && s[end] != quote && s[end] != '>')
                ++end;
            out += quote;
            if (kept)
                out.append(s.substr(k + 1, end - k - 1));
            k = end;
            if (k < s.size() && s[k] == quote)
                out += s[k++];
        } else {
            const std::size_t start = k;
            while (k < s.size() && !isBlank(s[k]) && s[k] != '>' && s[k] != '/')
                ++k;
            if (kept)
                out.append(s.substr(start, k - start));
        }
    }
    if (k < s.size())
        out += s[k++];
    return k;
}

// Appends the bytes with the keyed data of secure prompt responses removed:
// the text inside them, and the values of their attributes but those kept.
void appendWithoutSecurePromptData(std::string& out, std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t nameEnd = i + 1;
        while (nameEnd < s.size() && (isAlnum(s[nameEnd]) || s[nameEnd] == '_' || s[nameEnd] == ':' || s[nameEnd] == '-'))
            ++nameEnd;
        const std::string_view name = s.substr(std::min(i + 1, s.size()), nameEnd - i - 1);
        if (s[i] != '<' || !icontains(name, "SecurePrompt") ||
            (name.size() >= 7 && iequalsAt(name, name.size() - 7, "Command"))) {
            out += s[i++];
            continue;
        }
        // The element, to its end tag (or its own end when it closes itself).
        int depth = 0;
        std::size_t k = i;
        while (k < s.size()) {
            if (s[k] != '<') {
                while (k < s.size() && s[k] != '<')
                    ++k; // text: keyed data
                continue;
            }
            const bool closing = k + 1 < s.size() && s[k + 1] == '/';
            bool selfClosed = false;
            k = copyTag(out, s, k, selfClosed);
            if (closing)
                --depth;
            else if (!selfClosed)
                ++depth;
            if (depth <= 0)
                break;
        }
        i = k;
    }
}

} // namespace

namespace {

std::string maskOnce(std::string_view input)
{
    // Binary EMV data before the text: it only sets nibbles to F, which makes
    // no digit and no hex digit, so it gives the text passes nothing to mask
    // that they would not find anyway.
    return maskCardNumbers(maskEmvData(maskEmvBinary(dropPins(input))));
}

} // namespace

std::string maskCardData(std::string_view input)
{
    // One pass can leave a card number whole: one that shares a group with
    // the card masked before it (in "4111 1111 1222 4111 1111 1111 1111" the
    // first four groups make a card, and so do the last four). Each pass only
    // masks or removes, so passing again until nothing changes ends, mostly
    // after one pass that changes nothing; masking what this gives back
    // changes nothing. Two cards can share only digits a mask keeps (the
    // middle ones are gone after the first), so a second pass finds what
    // the first left; the passes are capped all the same, so that no input
    // makes the masking of a file take more than a few passes over it.
    constexpr int kMostPasses = 8;
    std::string masked = maskOnce(input);
    if (masked == input)
        return masked;
    for (int pass = 1; pass < kMostPasses; ++pass) {
        std::string again = maskOnce(masked);
        if (again == masked)
            break;
        masked = std::move(again);
    }
    return masked;
}

bool holdsCardData(std::string_view bytes) { return maskCardData(bytes) != bytes; }

void CardMasker::noteSent(std::string_view member, std::string_view bytes)
{
    m_recentSent[m_sentCount++ % kRecentSent] = std::hash<std::string_view>{}(bytes);
    const bool keyEntry = member.size() == 12 && iequalsAt(member, 0, "KeyEntryType");
    const bool packet = member.size() == 15 && iequalsAt(member, 0, "PacketQueOutput");
    if (!keyEntry && !packet)
        return;
    forEachEntry(bytes, [&](std::size_t from, std::size_t to) {
        const int position = entryPosition(bytes, from, to);
        if (position < 0)
            return;
        const std::string_view entry = bytes.substr(from, to - from);
        if (keyEntry) {
            std::size_t a = 0, b = 0;
            for (std::size_t i = 0; i < entry.size(); i = lineEnd(entry, i) + 1)
                if (keyLine(entry, i, "EntryMode", a, b)) {
                    if (pinMode(entry.substr(a, b - a)))
                        m_entries[position] = Entry::Pin;
                    else
                        m_entries.erase(position);
                    return;
                }
            return;
        }
        const std::size_t command = entry.find("DisplaySecurePromptCommand");
        if (command == npos)
            return;
        bool encrypted = false;
        const std::size_t level = entry.find("SecurityLevel", command);
        if (level != npos && entry.substr(command, level - command).find('>') == npos) {
            std::size_t k = skipBlanks(entry, level + 13);
            if (k < entry.size() && entry[k] == '=') {
                k = skipBlanks(entry, k + 1);
                if (k < entry.size() && (entry[k] == '"' || entry[k] == '\''))
                    ++k;
                encrypted = iequalsAt(entry, k, "Encrypted");
            }
        }
        if (encrypted)
            m_entries[position] = Entry::EncryptedPrompt;
        else
            m_entries.erase(position);
    });
}

bool CardMasker::pinEntryAt(int position) const { return m_entries.count(position) != 0; }

std::string CardMasker::mask(std::string_view bytes) const
{
    std::string masked = maskCardData(bytes);
    if (m_entries.empty())
        return masked;
    const std::size_t hash = std::hash<std::string_view>{}(bytes);
    for (std::size_t k = 0; k < std::min(m_sentCount, kRecentSent); ++k)
        if (m_recentSent[k] == hash)
            return masked; // what the utility sent: no answer of a reader
    // An entry that names no reader is taken as the answer of any reader that waits for a PIN.
    std::optional<Entry> anyReader;
    for (const auto& [position, entry] : m_entries)
        if (!anyReader || entry == Entry::EncryptedPrompt)
            anyReader = entry;
    const std::string_view s = masked;
    std::string out;
    out.reserve(s.size());
    forEachEntry(s, [&](std::size_t from, std::size_t to) {
        const int position = entryPosition(s, from, to);
        std::optional<Entry> entry = anyReader;
        if (position >= 0) {
            const auto it = m_entries.find(position);
            entry = it == m_entries.end() ? std::nullopt : std::optional<Entry>(it->second);
        }
        if (!entry) {
            out.append(s.substr(from, to - from));
            return;
        }
        // Digits keyed: an all-digit KeyData= line.
        std::string keyless;
        std::size_t i = from;
        while (i < to) {
            std::size_t a = 0, b = 0;
            if (startsLine(s, i) && keyLine(s.substr(0, to), i, "KeyData", a, b) && a < b &&
                std::all_of(s.begin() + static_cast<std::ptrdiff_t>(a), s.begin() + static_cast<std::ptrdiff_t>(b), isDigit)) {
                keyless.append(s.substr(i, a - i));
                i = b;
                continue;
            }
            keyless += s[i++];
        }
        if (*entry == Entry::EncryptedPrompt)
            appendWithoutSecurePromptData(out, keyless);
        else
            out += keyless;
    });
    return out;
}

} // namespace vantrel::journal
