#include "price_sign.h"

#include "record_parser.h"
#include "site_devices.h"

#include "server/automation_error.h"

namespace vantrel::forecourt {

namespace {

[[noreturn]] void malformed(const std::string& detail) { throw AutomationError(ErrorCode::PriceSignRecordInvalid, detail); }

bool isIntensity(const std::string& text)
{
    return text.size() == 3 && ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z')) &&
           allDigits(text.substr(1));
}

// "Line1".."Line5" gives 0..4; anything else -1.
int lineIndex(const std::string& key)
{
    for (int i = 0; i < 5; ++i)
        if (equalsIgnoreCase(key, "Line" + std::to_string(i + 1)))
            return i;
    return -1;
}

} // namespace

void PriceSign::send(const std::string& record)
{
    const auto parsed = parseRecord(record, true);
    parsed.refuseRepeatedKeys(); // a price line given twice, too
    const auto command = parsed.find("Command");
    if (!command)
        malformed("no \"Command=\" line");
    if (equalsIgnoreCase(trim(*command), "DisplayControl")) {
        const std::string intensity = trim(parsed.find("Intensity").value_or(""));
        if (!isIntensity(intensity))
            malformed("intensity \"" + intensity + "\" is not a letter and two digits");
        m_intensity = intensity;
    } else if (equalsIgnoreCase(trim(*command), "SendPrices")) {
        std::array<std::string, 5> lines = m_lines;
        bool any = false;
        for (const auto& line : parsed.lines) {
            if (!line.hasKey && trim(line.value).empty())
                continue;
            if (line.hasKey && equalsIgnoreCase(line.key, "Command"))
                continue;
            const int index = line.hasKey ? lineIndex(line.key) : -1;
            if (index < 0)
                malformed("\"" + (line.hasKey ? line.key + "=" + line.value : line.value) + "\" is no price line");
            const std::string value = trim(line.value);
            if (value.size() != 6 || !allDigits(value))
                malformed(line.key + "=" + value + " is not six digits");
            lines[static_cast<std::size_t>(index)] = value;
            any = true;
        }
        if (!any)
            malformed("SendPrices without a price line");
        m_lines = lines;
    } else {
        malformed("unknown command \"" + trim(*command) + "\"");
    }
    ++m_commands;
}

std::string PriceSign::read() const
{
    std::string text;
    addLine(text, "Status", "OK");
    addLine(text, "Intensity", m_intensity);
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        addLine(text, "Line" + std::to_string(i + 1), m_lines[i]);
    return text;
}

} // namespace vantrel::forecourt
