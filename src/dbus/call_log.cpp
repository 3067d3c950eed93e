#include "call_log.h"

#include "server/control_pictures.h"
#include "server/conversions.h"

namespace vantrel::dbus {

std::string describeValue(const Value& value)
{
    switch (value.type()) {
    case Value::Type::Empty: return "(empty)";
    case Value::Type::String: {
        const std::string& s = value.asString();
        std::string out = "\"" + toControlPictures(std::string_view(s).substr(0, kLoggedBytes)) + "\"";
        if (s.size() > kLoggedBytes)
            out += "\u2026 (" + std::to_string(s.size()) + " bytes)";
        return out;
    }
    default: return toText(value);
    }
}

std::string describeError(const AutomationError& error)
{
    return "error " + std::to_string(error.number()) + ": " + toControlPictures(error.description());
}

} // namespace vantrel::dbus
