#include "records.h"

#include "conversions.h"

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

double readPromptNumber(std::string_view text)
{
    std::string number;
    bool sign = false, digits = false, point = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\n')
            continue;
        if ((c == '+' || c == '-') && !sign && !digits && !point) {
            sign = true;
            number += c;
        } else if (c >= '0' && c <= '9') {
            digits = true;
            number += c;
        } else if (c == '.' && !point) {
            point = true;
            number += c;
        } else {
            break;
        }
    }
    if (!digits)
        return 0;
    // from_chars is independent of the locale that Qt sets at start-up.
    const char* first = number.data();
    bool negative = false;
    if (*first == '+' || *first == '-') {
        negative = *first == '-';
        ++first;
    }
    double value = 0;
    const auto res = std::from_chars(first, number.data() + number.size(), value, std::chars_format::fixed);
    if (res.ec == std::errc::result_out_of_range) {
        // Too many digits for a double: infinite when a non-zero digit stands
        // before the point, otherwise too small to tell from 0.
        const std::string_view digits(first, static_cast<std::size_t>(number.data() + number.size() - first));
        const std::string_view whole = digits.substr(0, digits.find('.'));
        value = whole.find_first_not_of('0') != std::string_view::npos ? HUGE_VAL : 0.0;
    }
    return negative ? -value : value;
}

std::string signedNumber(double value)
{
    std::string text = plainNumber(std::fabs(value));
    if (text.size() > 1 && text[0] == '0' && text[1] == '.')
        text.erase(0, 1);
    return (value < 0 ? "-" : " ") + text;
}

} // namespace vantrel::rec
