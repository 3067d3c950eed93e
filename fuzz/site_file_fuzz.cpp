// A site file comes from whoever wrote it: any bytes are either refused with
// a line and a reason (one short line a terminal shows as it is), or read
// into a site that a fresh server takes whole.
#include "forecourt/forecourt_server.h"
#include "forecourt/site_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = vantrel::forecourt::parseSiteFile(text);
    if (!parsed.config) {
        if (parsed.error.reason.empty() || parsed.error.line < 1)
            std::abort();
        // The refusal is one short line without a control byte, whatever the file holds.
        const std::string message = parsed.error.message();
        if (message.size() > 1024 ||
            std::any_of(message.begin(), message.end(), [](char c) { return static_cast<unsigned char>(c) < 32 || c == 127; }))
            std::abort();
        return 0;
    }
    auto clock = std::make_shared<vantrel::forecourt::ManualClock>();
    vantrel::forecourt::ForecourtServer server(clock);
    vantrel::forecourt::applySite(server, *parsed.config);
    (void)server.siteState(1);
    return 0;
}
