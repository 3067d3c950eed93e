// Masking takes whatever bytes a server returns: it never reads past them,
// never makes them longer, and leaves no card number whole: no run of
// digits that makes a card number (issuer prefix, length, Luhn check) and
// stands free of letters stays in what it gives back, and masking what it
// gives back changes nothing (no card data left, in text or in binary EMV
// tags). The masker that follows a run, fed the same bytes as a packet and
// a PIN entry, keeps to the same bounds.
#include "journal/card_mask.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

bool digit(char c) { return c >= '0' && c <= '9'; }
bool letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

void checkMasked(const std::string& bytes, const std::string& masked)
{
    if (masked.size() > bytes.size())
        std::abort();
    for (std::size_t i = 0; i < masked.size();) {
        if (!digit(masked[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < masked.size() && digit(masked[end]))
            ++end;
        const bool free = (i == 0 || !letter(masked[i - 1])) && (end == masked.size() || !letter(masked[end]));
        if (free && vantrel::journal::cardNumber(std::string_view(masked).substr(i, end - i)))
            std::abort();
        i = end;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string masked = vantrel::journal::maskCardData(bytes);
    checkMasked(bytes, masked);
    if (vantrel::journal::maskCardData(masked) != masked)
        std::abort();

    vantrel::journal::CardMasker masker;
    masker.noteSent("KeyEntryType", std::string("ReaderPosition=01\r\nEntryMode=DESEncryption\r\n\0", 45));
    masker.noteSent("PacketQueOutput", bytes);
    masker.noteSent("KeyEntryType", bytes);
    masker.noteSent("DisplayData", "ReaderPosition=02\r\nMessage=x\r\n");
    checkMasked(bytes, masker.mask(bytes));
    return 0;
}
