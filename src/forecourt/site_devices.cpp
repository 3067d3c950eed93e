#include "site_devices.h"

#include "server/automation_error.h"

namespace vantrel::forecourt {

CarWash::CarWash(const Clock& clock) : m_clock(clock) {}

void CarWash::request(const std::string& record)
{
    m_lastRequest = parseRecord(record, true).firstLine();
}

std::string CarWash::requestStatus() const
{
    return m_lastRequest.empty() ? "RequestStatus=NoRequest" : "RequestStatus=Complete\r\nRequest=" + m_lastRequest;
}

std::string CarWash::operationStatus() const { return "OperationStatus=Idle"; }

std::string CarWash::dataRead() { return m_lastRequest.empty() ? "" : "Request=" + m_lastRequest; }

TankMonitor::TankMonitor(const Clock& clock, const FuelingPositions& sales) : m_clock(clock), m_sales(sales) {}

void TankMonitor::startReport(std::int16_t value)
{
    if (value != 1)
        throw AutomationError(ErrorCode::InvalidValue, "the start value must be 1, not " + std::to_string(value));
    m_started = true;
}

std::string TankMonitor::reportStatus() const { return m_started ? "ReportStatus=Ready" : "ReportStatus=NotStarted"; }

std::string TankMonitor::report() const { return m_started ? "Tanks=0" : ""; }

void PriceSign::send(const std::string& record)
{
    const auto parsed = parseRecord(record, true);
    const std::string command = parsed.require("Command");
    if (equalsIgnoreCase(command, "DisplayControl")) {
        m_intensity = parsed.require("Intensity");
    } else if (equalsIgnoreCase(command, "SendPrices")) {
        for (int i = 0; i < 5; ++i)
            m_lines[i] = parsed.find("Line" + std::to_string(i + 1)).value_or(m_lines[i]);
    } else {
        throw AutomationError(ErrorCode::PriceSignRecordInvalid, "unknown command \"" + command + "\"");
    }
}

std::string PriceSign::read() const
{
    std::string text = "Status=OK\r\nIntensity=" + m_intensity;
    for (int i = 0; i < 5; ++i)
        text += "\r\nLine" + std::to_string(i + 1) + "=" + m_lines[i];
    return text;
}

} // namespace vantrel::forecourt
