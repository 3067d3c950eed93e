// A site file comes from whoever wrote it: any bytes are either refused with
// a line and a reason, or read into a site that a fresh server takes whole.
#include "forecourt/forecourt_server.h"
#include "forecourt/site_file.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = vantrel::forecourt::parseSiteFile(text);
    if (!parsed.config) {
        if (parsed.error.reason.empty() || parsed.error.line < 1)
            std::abort();
        return 0;
    }
    auto clock = std::make_shared<vantrel::forecourt::ManualClock>();
    vantrel::forecourt::ForecourtServer server(clock);
    vantrel::forecourt::applySite(server, *parsed.config);
    (void)server.siteState(1);
    return 0;
}
