#include "key_entry_simulator.h"

#include "record_parser.h"
#include "text_helpers.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace vantrel::forecourt {

namespace {

// A deterministic 64-bit mix, so that each simulated PIN block differs.
std::uint64_t mix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::string hex16(std::uint64_t x)
{
    static const char* digits = "0123456789ABCDEF";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, x >>= 4)
        text[static_cast<std::size_t>(i)] = digits[x & 0xF];
    return text;
}

// What the simulated customer keys in, by entry mode.
struct ModeKeys {
    const char* mode;
    const char* key;   // "KeyData", "FunctionKey", or "PINBlock" for the encrypted modes
    const char* value; // unused for PIN blocks
};
constexpr ModeKeys kModes[] = {
    {"NumericWithOutEcho", "KeyData", "1234"},
    {"NumericWithEcho", "KeyData", "1234"},
    {"NumericWithOutEchoNoCursor", "KeyData", "1234"},
    {"NumericWithEchoNoCursor", "KeyData", "1234"},
    {"DESEncryption", "PINBlock", ""},
    {"DESEncryptionNoCursor", "PINBlock", ""},
    {"AlphaAndNumeric", "KeyData", "AB12"},
    {"AlphaWithNumericOnly", "KeyData", "5678"},
    {"AlphaOnly", "KeyData", "ABCD"},
    {"AnyKey", "FunctionKey", "Enter"},
};
constexpr std::string_view kSecurePromptModes[] = {"SecurePromptNumericNoEcho", "SecurePromptNumericEcho"};
constexpr const char* kSecurePromptKeys = "2468";

} // namespace

bool keysArePin(std::string_view mode)
{
    return containsIgnoreCase(mode, "WithOutEcho") || containsIgnoreCase(mode, "DESEncryption") ||
           startsWithIgnoreCase(mode, "SecurePrompt");
}

KeyedEntry KeyEntrySimulator::keysFor(int position, const std::string& mode, int& keyEntries)
{
    for (const auto& m : kModes) {
        if (!equalsIgnoreCase(m.mode, mode))
            continue;
        const int entry = ++keyEntries;
        const std::string value = std::string(m.key) == "PINBlock" ? pinBlock(position, entry) : std::string(m.value);
        return {std::string(m.key) + "=" + value, std::nullopt, {}};
    }
    for (const auto prefix : kSecurePromptModes) {
        if (mode.size() < prefix.size() || !equalsIgnoreCase(std::string_view(mode).substr(0, prefix.size()), prefix))
            continue;
        const std::string_view rest = std::string_view(mode).substr(prefix.size());
        if (!rest.empty() && rest.front() != '.')
            continue; // another word that merely begins like a secure prompt
        // The prompt to show is named by its message number after the full stop.
        const std::string_view number = rest.empty() ? rest : rest.substr(1);
        if (!allDigits(number))
            return {{}, ErrorCode::SecurePromptNumberInvalid, "\"" + mode + "\""};
        ++keyEntries;
        return {"MessageNumber=" + std::string(number) + "\r\nKeyData=" + kSecurePromptKeys, std::nullopt, {}};
    }
    return {{}, ErrorCode::UnknownEntryMode, "\"" + mode + "\""};
}

void KeyEntrySimulator::request(int position, std::string entry)
{
    m_pending.erase(std::remove_if(m_pending.begin(), m_pending.end(),
                                   [position](const Pending& p) { return p.position == position; }),
                    m_pending.end());
    Pending pending{m_clock.now() + kKeyEntryDelay, position, std::move(entry)};
    const auto at = std::upper_bound(m_pending.begin(), m_pending.end(), pending.due,
                                     [](Millis due, const Pending& p) { return due < p.due; });
    m_pending.insert(at, std::move(pending));
}

void KeyEntrySimulator::deliverDue(const std::function<void(int position, std::string entry)>& deliver)
{
    const Millis now = m_clock.now();
    auto due = m_pending.begin();
    for (; due != m_pending.end() && due->due <= now; ++due)
        deliver(due->position, std::move(due->entry));
    m_pending.erase(m_pending.begin(), due);
}

std::string KeyEntrySimulator::pinBlock(int position, int entry, std::string_view pin)
{
    std::uint64_t x = (static_cast<std::uint64_t>(position) << 32) | static_cast<std::uint32_t>(entry);
    // The simulated customer keys no PIN of his own; a PIN keyed in changes the block.
    for (const char c : pin)
        x = mix(x ^ static_cast<unsigned char>(c));
    return hex16(mix(x));
}

bool KeyEntrySimulator::pendingAt(int position) const
{
    return std::any_of(m_pending.begin(), m_pending.end(), [position](const Pending& p) { return p.position == position; });
}

bool KeyEntrySimulator::withdraw(int position)
{
    const auto before = m_pending.size();
    m_pending.erase(std::remove_if(m_pending.begin(), m_pending.end(),
                                   [position](const Pending& p) { return p.position == position; }),
                    m_pending.end());
    return m_pending.size() != before;
}

} // namespace vantrel::forecourt
