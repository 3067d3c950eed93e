#include "car_wash.h"
#include "car_wash_format.h"

#include "site_bounds.h"
#include "site_devices.h"

#include "server/automation_error.h"
#include "server/records.h"

#include <algorithm>

// The car wash's codes, transactions and bay: issuing and cancelling codes,
// the report, the wash under way, and what the board sees.

namespace vantrel::forecourt {

using carwash::five;
using carwash::two;

namespace {

// A wash takes three minutes, one more per program step and half a minute per option.
Millis washTime(int program, std::size_t options)
{
    return Millis((180 + 60 * (program - 1) + 30 * static_cast<int>(options)) * 1000);
}

const char* stateName(CarWash::CodeState state)
{
    switch (state) {
    case CarWash::CodeState::Unused: return "Unused";
    case CarWash::CodeState::Used: return "Used";
    case CarWash::CodeState::Cancelled: return "Cancelled";
    }
    return "Unknown";
}

} // namespace

CarWash::PriceTable CarWash::factoryPrices()
{
    return {{{1, {450, 400, 350}}, {2, {550, 500, 450}}, {3, {650, 600, 550}}},
            {{1, {20, 15, 10}}, {2, {25, 20, 15}}, {3, {30, 25, 20}}}};
}

CarWash::CarWash(const Clock& clock, const SiteFaults& faults) : m_clock(clock), m_faults(faults), m_prices(factoryPrices()) {}

bool CarWash::outOfOrder() const { return m_faults.has(FaultDevice::Wash, 0, FaultKind::OutOfOrder); }

CarWash::Code& CarWash::findCode(const ParsedRecord& record)
{
    const std::string given = trim(record.find("CarWashCode").value_or(""));
    if (given.empty())
        throw AutomationError(ErrorCode::UnknownCarWashCode, "no code given");
    const auto it = std::find_if(m_codes.begin(), m_codes.end(), [&given](const Code& c) { return c.code == given; });
    if (it == m_codes.end())
        throw AutomationError(ErrorCode::UnknownCarWashCode, "\"" + given + "\"");
    return *it;
}

std::string CarWash::codeRequest(bool cancel, const ParsedRecord& record)
{
    Code& code = findCode(record);
    if (cancel) {
        if (code.state == CodeState::Used)
            throw AutomationError(ErrorCode::CarWashCodeUsed, "\"" + code.code + "\"");
        code.state = CodeState::Cancelled;
    }
    std::string data;
    addLine(data, "CarWashCode", code.code);
    addLine(data, "CodeStatus", stateName(code.state));
    return data;
}

std::string CarWash::reportData() const
{
    auto byState = m_droppedByState;
    for (const auto& c : m_codes)
        ++byState[static_cast<std::size_t>(c.state)];
    std::string data;
    addLine(data, "CodesIssued", std::to_string(m_codes.size() + m_droppedCodes));
    addLine(data, "CodesUnused", std::to_string(byState[static_cast<std::size_t>(CodeState::Unused)]));
    addLine(data, "CodesUsed", std::to_string(byState[static_cast<std::size_t>(CodeState::Used)]));
    addLine(data, "CodesCancelled", std::to_string(byState[static_cast<std::size_t>(CodeState::Cancelled)]));
    addLine(data, "Washes", std::to_string(m_washes));
    addLine(data, "WashSales", rec::zeroFilled(m_washSales, 5));
    return data;
}

void CarWash::keepWithinBounds()
{
    if (m_codes.size() > kWashCodes) {
        const auto drop = static_cast<std::ptrdiff_t>(m_codes.size() - kWashCodes);
        for (auto it = m_codes.begin(); it != m_codes.begin() + drop; ++it)
            ++m_droppedByState[static_cast<std::size_t>(it->state)];
        m_codes.erase(m_codes.begin(), m_codes.begin() + drop);
        m_droppedCodes += static_cast<std::uint64_t>(drop);
    }
    if (m_transactions.size() > kWashTransactions)
        m_transactions.erase(m_transactions.begin(),
                             m_transactions.begin() + static_cast<std::ptrdiff_t>(m_transactions.size() - kWashTransactions));
}

std::string CarWash::transactionData() const
{
    std::string data;
    addLine(data, "TransactionCount", std::to_string(m_transactions.size()));
    int n = 0;
    for (const auto& t : m_transactions) {
        addLine(data, "TransactionNumber", two(++n));
        addLine(data, "CarWashCode", t.code);
        addLine(data, "ProgramNumber", two(t.program));
        addLine(data, "OptionCount", std::to_string(t.options));
        addLine(data, "Amount", five(t.amount));
        addLine(data, "Seconds", std::to_string(t.at.count() / 1000));
    }
    return data;
}

std::string CarWash::requestStatus() const
{
    std::string text;
    if (m_last.word.empty() && !m_last.failed) {
        addLine(text, "RequestStatus", "NoRequest");
        return text;
    }
    addLine(text, "Request", m_last.word.empty() ? "(unreadable)" : m_last.word);
    addLine(text, "RequestStatus", m_last.failed ? "Failed" : "Complete");
    if (m_last.failed)
        addLine(text, "Error", std::to_string(m_last.error));
    return text;
}

bool CarWash::washing() const { return m_wash && m_clock.now() < m_wash->end; }

std::string CarWash::operationStatus() const
{
    std::string text;
    if (washing()) {
        const auto left = m_wash->end - m_clock.now();
        addLine(text, "OperationStatus", "Washing");
        addLine(text, "CarWashCode", m_wash->code);
        addLine(text, "ProgramNumber", two(m_wash->program));
        addLine(text, "SecondsLeft", std::to_string((left.count() + 999) / 1000));
    } else {
        addLine(text, "OperationStatus", outOfOrder() ? "OutOfOrder" : "Idle");
    }
    if (!m_last.word.empty() || m_last.failed) {
        addLine(text, "LastRequest", m_last.word.empty() ? "(unreadable)" : m_last.word);
        addLine(text, "LastRequestStatus", m_last.failed ? "Failed" : "Complete");
    }
    return text;
}

std::string CarWash::dataRead() { return m_data; }

bool CarWash::enterCode(const std::string& given)
{
    m_bay.keys = given;
    const auto it = std::find_if(m_codes.begin(), m_codes.end(), [&given](const Code& c) { return c.code == given; });
    if (it == m_codes.end() || it->state != CodeState::Unused || washing() || outOfOrder())
        return false;
    it->state = CodeState::Used;
    const Millis now = m_clock.now();
    m_wash = Wash{it->code, it->program.number, now, now + washTime(it->program.number, it->options.size())};
    m_transactions.push_back({it->code, it->program.number, static_cast<int>(it->options.size()), it->amount, now});
    ++m_washes;
    m_washSales += it->amount;
    keepWithinBounds();
    return true;
}

std::optional<CarWash::CodeState> CarWash::codeState(const std::string& code) const
{
    const auto it = std::find_if(m_codes.begin(), m_codes.end(), [&code](const Code& c) { return c.code == code; });
    if (it == m_codes.end())
        return std::nullopt;
    return it->state;
}

std::string CarWash::freshCode()
{
    // A fixed pseudo-random sequence: codes are hard to guess at the bay, yet
    // a session run twice issues the same codes.
    for (;;) {
        m_codeSeed = m_codeSeed * 1103515245u + 12345u;
        const std::string code = std::to_string(100000 + (m_codeSeed >> 8) % 900000);
        if (!codeState(code))
            return code;
    }
}

void CarWash::snapshot(CarWashSnapshot& out) const
{
    out.codes.clear();
    out.droppedCodes = m_droppedCodes;
    for (const auto& c : m_codes)
        out.codes.push_back({c.code, c.program.number, stateName(c.state)});
    out.washing = washing();
    out.washCode = out.washing ? m_wash->code : std::string();
    out.washProgram = out.washing ? m_wash->program : 0;
    out.secondsLeft = out.washing ? static_cast<long>(((m_wash->end - m_clock.now()).count() + 999) / 1000) : 0;
}

std::string CarWash::firstUnusedCode() const
{
    for (const auto& c : m_codes)
        if (c.state == CodeState::Unused)
            return c.code;
    return {};
}

} // namespace vantrel::forecourt
