#include "conversions.h"

#include "automation_error.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace vantrel {

namespace {

// Room for any finite double in fixed form: a sign, the 309 digits before
// the point of the largest double, the point, and the digits after it (up
// to 324 places for the smallest denormal, or the decimals asked for).
constexpr int kMaxDecimals = 20;
constexpr std::size_t kFixedRoom = 1 + (std::numeric_limits<double>::max_exponent10 + 1) + 1 +
                                   (std::numeric_limits<double>::max_digits10 - std::numeric_limits<double>::min_exponent10 + 16);

void refuseNonFinite(double value)
{
    if (!std::isfinite(value))
        throw AutomationError(ErrorCode::Overflow, std::string(std::isnan(value) ? "NaN" : value < 0 ? "-Infinity" : "Infinity") +
                                                       " has no decimal form");
}

std::string checked(const std::to_chars_result& res, const char* buffer)
{
    // Cannot happen with kFixedRoom; a cut text must never be written out.
    if (res.ec != std::errc())
        throw AutomationError(ErrorCode::InternalError, "a number does not fit its text buffer");
    return std::string(buffer, static_cast<const char*>(res.ptr));
}

} // namespace

std::string plainNumber(double value)
{
    refuseNonFinite(value);
    if (value == 0)
        return "0";
    std::array<char, kFixedRoom> buffer;
    return checked(std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed),
                   buffer.data());
}

std::string fixedNumber(double value, int decimals)
{
    refuseNonFinite(value);
    if (decimals < 0 || decimals > kMaxDecimals)
        throw AutomationError(ErrorCode::InternalError, std::to_string(decimals) + " decimals asked for");
    std::array<char, kFixedRoom> buffer;
    return checked(
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals),
        buffer.data());
}

std::string toText(const Value& value)
{
    switch (value.type()) {
    case Value::Type::Empty: return {};
    case Value::Type::Int16: return std::to_string(value.asInt16());
    case Value::Type::Int32: return std::to_string(value.asInt32());
    case Value::Type::Double: {
        const double d = value.asDouble();
        if (std::isnan(d))
            return "NaN";
        if (std::isinf(d))
            return d < 0 ? "-Infinity" : "Infinity";
        return plainNumber(d);
    }
    case Value::Type::String: return value.asString();
    case Value::Type::Bool: return value.asBool() ? "True" : "False";
    }
    return {};
}

static std::int16_t roundToInt16(double v, const std::string& shown)
{
    if (std::isnan(v))
        throw AutomationError(ErrorCode::TypeMismatch, "'" + shown + "' is not a number");
    const double rounded = std::nearbyint(v); // default rounding mode: halves to even
    if (rounded < std::numeric_limits<std::int16_t>::min() || rounded > std::numeric_limits<std::int16_t>::max())
        throw AutomationError(ErrorCode::Overflow, shown + " does not fit a 16-bit integer");
    return static_cast<std::int16_t>(rounded);
}

// A whole text that is one number: optional blanks, sign, digits with one
// decimal point, optional exponent, optional blanks.
static bool parseWholeNumber(const std::string& text, double& out)
{
    std::size_t b = text.find_first_not_of(" \t");
    std::size_t e = text.find_last_not_of(" \t");
    if (b == std::string::npos)
        return false;
    std::string_view s(text.data() + b, e - b + 1);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    if (s.empty())
        return false;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), out, std::chars_format::general);
    return res.ec == std::errc() && res.ptr == s.data() + s.size();
}

std::int16_t toInt16(const Value& value)
{
    switch (value.type()) {
    case Value::Type::Empty: return 0;
    case Value::Type::Int16: return value.asInt16();
    case Value::Type::Int32: return roundToInt16(value.asInt32(), std::to_string(value.asInt32()));
    case Value::Type::Double: return roundToInt16(value.asDouble(), toText(value));
    case Value::Type::Bool: return value.asBool() ? -1 : 0;
    case Value::Type::String: {
        double d = 0;
        if (!parseWholeNumber(value.asString(), d))
            throw AutomationError(ErrorCode::TypeMismatch, "'" + value.asString() + "' is not a number");
        return roundToInt16(d, value.asString());
    }
    }
    return 0;
}

} // namespace vantrel
