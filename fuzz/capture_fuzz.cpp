// A capture file comes from a site: whatever its bytes, the reader gives
// messages and reasons, or an error and nothing; every message it gives,
// written again, reads back the same; and masking a message never makes it
// longer nor fails on it.
#include "capture/capture.h"
#include "journal/card_mask.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vantrel::capture;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const CaptureRead read = readCapture(bytes);
    if (!read.error.empty() && (!read.messages.empty() || !read.skipped.empty()))
        std::abort();

    vantrel::journal::CardMasker masker;
    std::string again = pcapngHeader();
    for (const vantrel::tap::TapMessage& message : read.messages) {
        again += pcapngPacket(message);
        if (maskedMessage(message.bytes, masker).size() > message.bytes.size())
            std::abort();
    }
    const CaptureRead back = readCapture(again);
    if (!back.error.empty() || !back.skipped.empty() || back.messages.size() != read.messages.size())
        std::abort();
    for (std::size_t i = 0; i < back.messages.size(); ++i) {
        const std::int64_t usec = read.messages[i].usec < 0 ? 0 : read.messages[i].usec;
        if (back.messages[i].bytes != read.messages[i].bytes || back.messages[i].usec != usec)
            std::abort();
    }
    // The bytes as one message, as the live monitor hands them over.
    if (maskedMessage(bytes, masker).size() > bytes.size())
        std::abort();
    return 0;
}
