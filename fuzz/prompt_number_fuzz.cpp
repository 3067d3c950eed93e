// The prompt number reader and the number forms built from what it reads.
// Every value the reader gives is written: a finite one, however large,
// comes out whole and reads back as the same number; infinity (a number too
// large for a double) is refused with Overflow, never written as text.
#include "server/automation_error.h"
#include "server/records.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// The text of a number form without its sign or blank, read back.
double readBack(std::string_view text)
{
    if (!text.empty() && (text.front() == ' ' || text.front() == '-'))
        text.remove_prefix(1);
    if (text.find_first_not_of("0123456789.") != std::string_view::npos)
        __builtin_trap(); // only digits and a point may be written
    const std::string number = !text.empty() && text.front() == '.' ? "0" + std::string(text) : std::string(text);
    double value = 0;
    const auto res = std::from_chars(number.data(), number.data() + number.size(), value);
    if (res.ec != std::errc() || res.ptr != number.data() + number.size())
        __builtin_trap();
    return value;
}

template <typename Form>
void writeOrRefuse(double value, Form form, double expected)
{
    try {
        const std::string text = form();
        if (!std::isfinite(value) || readBack(text) != expected)
            __builtin_trap();
    } catch (const vantrel::AutomationError& e) {
        if (std::isfinite(value) || e.number() != static_cast<int>(vantrel::ErrorCode::Overflow))
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double value = vantrel::rec::readPromptNumber(text);
    if (std::isnan(value))
        __builtin_trap(); // a reader of digits never produces NaN
    writeOrRefuse(value, [&] { return vantrel::rec::signedNumber(value); }, std::fabs(value));
    writeOrRefuse(value, [&] { return vantrel::rec::zeroFilled(value, 6); }, std::round(std::fabs(value)));
    return 0;
}
