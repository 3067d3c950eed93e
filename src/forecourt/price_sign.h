// The simulated price sign: PriceSignDataSend sets its intensity (a letter
// and two digits, "M08") or its five price lines (six digits each);
// PriceSignDataRead reports them with the sign's status. A command the
// sign cannot read raises a numbered error and changes nothing.
#pragma once

#include <array>
#include <string>

namespace vantrel::forecourt {

class PriceSign {
public:
    void send(const std::string& record);
    std::string read() const;

    // A site file's sign, checked by its reader.
    void setIntensity(std::string intensity) { m_intensity = std::move(intensity); }
    void setLines(const std::array<std::string, 5>& lines) { m_lines = lines; }

    const std::string& intensity() const { return m_intensity; }
    const std::array<std::string, 5>& lines() const { return m_lines; }
    int commands() const { return m_commands; }

private:
    std::string m_intensity = "M05";
    std::array<std::string, 5> m_lines; // empty until prices are sent
    int m_commands = 0;
};

} // namespace vantrel::forecourt
