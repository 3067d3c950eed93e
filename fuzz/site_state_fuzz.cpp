// The site's state comes from whatever server owns the name: any bytes are
// either refused with a reason or read into a state that writes and reads
// back to the same state.
#include "dbus/site_state_codec.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray json(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    std::string error;
    const auto state = vantrel::dbus::decodeSiteState(json, error);
    if (!state) {
        if (error.empty())
            std::abort();
        return 0;
    }
    const auto again = vantrel::dbus::decodeSiteState(vantrel::dbus::encodeSiteState(*state), error);
    if (!again || !(*again == *state))
        std::abort();
    return 0;
}
