#include "records.h"

#include "conversions.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vantrel::rec {

void appendLine(std::string& record, std::string_view text)
{
    record += text;
    record += CRLF;
}

void appendLine(std::string& record, std::string_view key, std::string_view value)
{
    record += key;
    record += value;
    record += CRLF;
}

void appendLfLine(std::string& record, std::string_view text)
{
    record += text;
    record += LF;
}

void appendNul(std::string& record) { record += NUL; }

std::string zeroFilled(double value, int digits)
{
    const double rounded = std::round(std::fabs(value)); // halves away from zero
    std::string number = plainNumber(rounded);
    if (static_cast<int>(number.size()) < digits)
        number.insert(0, static_cast<std::size_t>(digits) - number.size(), '0');
    if (value < 0 && rounded != 0)
        number.insert(0, 1, '-');
    return number;
}

std::string positionText(int position) { return zeroFilled(position, 2); }

std::string packetRecord(std::string_view position, std::string_view data, int countDigits)
{
    std::string record;
    record.reserve(data.size() + 48);
    appendLine(record, "ReaderPosition=", position);
    appendLine(record, "PacketCount=", zeroFilled(static_cast<double>(data.size()), countDigits));
    appendLine(record, "PacketData=", data);
    appendNul(record);
    return record;
}

double readLeadingNumber(std::string_view text, const NumberReading& how)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n'; };
    std::string mantissa; // digits and at most one point, without the sign
    bool negative = false, sign = false, digits = false, point = false;
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        const bool started = sign || digits || point;
        if (blank(c)) {
            if (how.blanksAnywhere || !started)
                continue;
            break;
        }
        if ((c == '+' || c == '-') && !started) {
            sign = true;
            negative = c == '-';
        } else if (c >= '0' && c <= '9') {
            digits = true;
            mantissa += c;
        } else if (c == '.' && !point) {
            point = true;
            mantissa += c;
        } else {
            break;
        }
    }
    if (!digits)
        return 0;

    // An exponent counts only with at least one digit after its letter and sign.
    long exponent = 0;
    if (how.exponent && i < text.size() && std::string_view("EeDd").find(text[i]) != std::string_view::npos) {
        std::size_t j = i + 1;
        bool expNegative = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            expNegative = text[j++] == '-';
        long value = 0;
        bool expDigits = false;
        for (; j < text.size() && text[j] >= '0' && text[j] <= '9'; ++j) {
            expDigits = true;
            value = std::min(value * 10 + (text[j] - '0'), 1000000L);
        }
        if (expDigits)
            exponent = expNegative ? -value : value;
    }

    // from_chars is independent of the locale that Qt sets at start-up.
    const std::string number = exponent ? mantissa + "e" + std::to_string(exponent) : mantissa;
    double value = 0;
    const auto res = std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: infinite when the first
        // significant digit stands before the point, otherwise 0.
        const std::size_t dot = std::min(mantissa.find('.'), mantissa.size());
        const std::size_t firstDigit = mantissa.find_first_not_of("0.");
        long magnitude = 0;
        if (firstDigit != std::string::npos)
            magnitude = firstDigit < dot ? static_cast<long>(dot - firstDigit) : -static_cast<long>(firstDigit - dot - 1);
        value = firstDigit != std::string::npos && magnitude + exponent > 0 ? HUGE_VAL : 0.0;
    }
    return negative ? -value : value;
}

double readPromptNumber(std::string_view text) { return readLeadingNumber(text, {}); }

std::string signedNumber(double value)
{
    std::string text = plainNumber(std::fabs(value));
    if (text.size() > 1 && text[0] == '0' && text[1] == '.')
        text.erase(0, 1);
    return (value < 0 ? "-" : " ") + text;
}

} // namespace vantrel::rec
