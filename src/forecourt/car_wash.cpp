#include "car_wash.h"

#include "site_bounds.h"
#include "site_devices.h"

#include "server/automation_error.h"
#include "server/records.h"

#include <algorithm>

namespace vantrel::forecourt {

namespace {

// The controller's own table until a price table is set.
CarWash::PriceTable factoryPrices()
{
    return {{{1, {450, 400, 350}}, {2, {550, 500, 450}}, {3, {650, 600, 550}}},
            {{1, {20, 15, 10}}, {2, {25, 20, 15}}, {3, {30, 25, 20}}}};
}

// A wash takes three minutes, one more per program step and half a minute per option.
Millis washTime(int program, std::size_t options)
{
    return Millis((180 + 60 * (program - 1) + 30 * static_cast<int>(options)) * 1000);
}

std::string two(int n) { return rec::zeroFilled(n, 2); }
std::string five(int n) { return rec::zeroFilled(n, 5); }

const char* stateName(CarWash::CodeState state)
{
    switch (state) {
    case CarWash::CodeState::Unused: return "Unused";
    case CarWash::CodeState::Used: return "Used";
    case CarWash::CodeState::Cancelled: return "Cancelled";
    }
    return "Unknown";
}

[[noreturn]] void invalid(const std::string& detail) { throw AutomationError(ErrorCode::CarWashRecordInvalid, detail); }

// Walks the lines after the request word in order; blank lines are skipped.
class LineCursor {
public:
    explicit LineCursor(const ParsedRecord& record) : m_lines(record.lines) {}

    bool atEnd()
    {
        skipBlank();
        return m_index >= m_lines.size();
    }
    bool nextIs(std::string_view key)
    {
        skipBlank();
        return m_index < m_lines.size() && m_lines[m_index].hasKey && equalsIgnoreCase(m_lines[m_index].key, key);
    }
    // The next line must be key=digits (at most maxDigits of them).
    int number(std::string_view key, std::size_t maxDigits)
    {
        if (!nextIs(key)) {
            if (atEnd())
                invalid("the record ends where \"" + std::string(key) + "=\" is expected");
            invalid("line " + std::to_string(m_index + 1) + ": \"" + std::string(key) + "=\" expected, found \"" +
                    describe(m_lines[m_index]) + "\"");
        }
        const std::string value = trim(m_lines[m_index].value);
        if (!allDigits(value) || value.size() > maxDigits)
            invalid("line " + std::to_string(m_index + 1) + ": \"" + std::string(key) + "=" + value +
                    "\" is not a number of at most " + std::to_string(maxDigits) + " digits");
        ++m_index;
        return std::stoi(value);
    }
    std::size_t line() const { return m_index + 1; }
    std::string current() const { return m_index < m_lines.size() ? describe(m_lines[m_index]) : std::string(); }

private:
    static std::string describe(const RecordLine& line) { return line.hasKey ? line.key + "=" + line.value : line.value; }
    void skipBlank()
    {
        while (m_index < m_lines.size() && !m_lines[m_index].hasKey && trim(m_lines[m_index].value).empty())
            ++m_index;
    }

    const std::vector<RecordLine>& m_lines;
    std::size_t m_index = 1; // line 0 is the request word
};

int priceLevel(LineCursor& lines)
{
    const std::size_t at = lines.line();
    const int level = lines.number("PriceLevel", 2);
    if (level < 1 || level > 3)
        invalid("line " + std::to_string(at) + ": price level " + two(level) + " is not 01, 02 or 03");
    return level;
}

const CarWash::PricedItem* findItem(const std::vector<CarWash::PricedItem>& items, int number)
{
    const auto it = std::find_if(items.begin(), items.end(), [number](const auto& i) { return i.number == number; });
    return it == items.end() ? nullptr : &*it;
}

// A block of the price table: count line, then per item its number and three prices.
std::vector<CarWash::PricedItem> readPricedItems(LineCursor& lines, const char* countKey, const char* numberKey,
                                                 const char* what)
{
    const int count = lines.number(countKey, 2);
    std::vector<CarWash::PricedItem> items;
    while (lines.nextIs(numberKey)) {
        const std::size_t at = lines.line();
        CarWash::PricedItem item;
        item.number = lines.number(numberKey, 2);
        if (item.number == 0 || findItem(items, item.number))
            invalid("line " + std::to_string(at) + ": " + what + " " + two(item.number) +
                    (item.number == 0 ? " is not a valid number" : " is given twice"));
        item.prices.full = lines.number("FullPrice", 5);
        item.prices.discount1 = lines.number("Discount1Price", 5);
        item.prices.discount2 = lines.number("Discount2Price", 5);
        items.push_back(item);
    }
    if (static_cast<int>(items.size()) != count)
        invalid(std::string(countKey) + "=" + two(count) + " but " + std::to_string(items.size()) + " " + what +
                (items.size() == 1 ? "" : "s") + " follow");
    return items;
}

// The answer of one key=value line.
std::string oneLine(std::string_view key, std::string_view value)
{
    std::string data;
    addLine(data, key, value);
    return data;
}

} // namespace

CarWash::CarWash(const Clock& clock) : m_clock(clock), m_prices(factoryPrices()) {}

// One row per request word (as the controller spells it; requests compare
// it without case) and what the request does; it returns the data the next
// CarWashDataRead gives.
struct CarWash::RequestRow {
    const char* word;
    std::string (*carryOut)(CarWash& wash, const ParsedRecord& record);
};

const CarWash::RequestRow* CarWash::findRequest(std::string_view given)
{
    using W = CarWash;
    using R = const ParsedRecord&;
    static const RequestRow rows[] = {
        {"RequestCarWashCode", [](W& w, R r) { return w.requestCode(r); }},
        {"CancelCarWashCode", [](W& w, R r) { return w.codeRequest(true, r); }},
        {"CarWashCodeStatus", [](W& w, R r) { return w.codeRequest(false, r); }},
        {"ReturnCardData", [](W& w, R) { return oneLine("CardData", w.m_bay.card); }},
        {"ReturnKeyData", [](W& w, R) { return oneLine("KeyData", w.m_bay.keys); }},
        {"ReturnPriceData", [](W& w, R) { return w.priceData(); }},
        {"ReturnReportData", [](W& w, R) { return w.reportData(); }},
        {"ReturnRFIDData", [](W& w, R) { return oneLine("RFIDData", w.m_bay.rfid); }},
        {"ReturnTransactionData", [](W& w, R) { return w.transactionData(); }},
        {"SetPriceData", [](W& w, R r) { return w.setPrices(r); }},
    };
    for (const auto& row : rows)
        if (equalsIgnoreCase(row.word, given))
            return &row;
    return nullptr;
}

void CarWash::request(const std::string& record)
{
    m_last = {};
    m_data.clear();
    try {
        const ParsedRecord parsed = parseRecord(record, true);
        if (parsed.lines.empty() || parsed.lines.front().hasKey || trim(parsed.firstLine()).empty())
            invalid("the record must begin with a request word");
        const std::string given = trim(parsed.firstLine());
        m_last.word = given;
        const RequestRow* row = findRequest(given);
        if (!row)
            invalid("unknown request \"" + given + "\"");
        m_last.word = row->word;
        m_data = row->carryOut(*this, parsed);
    } catch (const AutomationError& error) {
        m_last.failed = true;
        m_last.error = error.number();
        m_data.clear();
        throw;
    }
}

std::string CarWash::requestCode(const ParsedRecord& record)
{
    LineCursor lines(record);
    Code code;
    const std::size_t programLine = lines.line();
    code.program.number = lines.number("ProgramNumber", 2);
    const PricedItem* program = findItem(m_prices.programs, code.program.number);
    if (!program)
        invalid("line " + std::to_string(programLine) + ": there is no wash program " + two(code.program.number));
    code.program.level = priceLevel(lines);
    code.amount = program->prices.at(code.program.level);

    const int optionCount = lines.number("OptionCount", 2);
    for (int i = 0; i < optionCount; ++i) {
        const std::size_t optionLine = lines.line();
        if (!lines.nextIs("OptionNumber"))
            invalid("OptionCount=" + std::to_string(optionCount) + " but " + std::to_string(i) +
                    (i == 1 ? " option follows" : " options follow"));
        Selection option;
        option.number = lines.number("OptionNumber", 2);
        const PricedItem* priced = findItem(m_prices.options, option.number);
        if (!priced)
            invalid("line " + std::to_string(optionLine) + ": there is no wash option " + two(option.number));
        option.level = priceLevel(lines);
        code.amount += priced->prices.at(option.level);
        code.options.push_back(option);
    }
    if (!lines.atEnd())
        invalid("line " + std::to_string(lines.line()) + ": \"" + lines.current() + "\" follows the last option");

    code.code = freshCode();
    m_codes.push_back(code);
    keepWithinBounds();

    std::string data;
    addLine(data, "CarWashCode", code.code);
    addLine(data, "ProgramNumber", two(code.program.number));
    addLine(data, "PriceLevel", two(code.program.level));
    addLine(data, "OptionCount", std::to_string(code.options.size()));
    for (const auto& option : code.options) {
        addLine(data, "OptionNumber", two(option.number));
        addLine(data, "PriceLevel", two(option.level));
    }
    addLine(data, "Amount", five(code.amount));
    return data;
}

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

std::string CarWash::setPrices(const ParsedRecord& record)
{
    LineCursor lines(record);
    PriceTable table;
    table.programs = readPricedItems(lines, "ProgramCount", "ProgramNumber", "program");
    table.options = readPricedItems(lines, "OptionCount", "OptionNumber", "option");
    if (!lines.atEnd())
        invalid("line " + std::to_string(lines.line()) + ": \"" + lines.current() + "\" follows the last option");
    if (table.programs.empty())
        invalid("the price table has no program");
    // The whole table is checked before any of it replaces the old one.
    m_prices = std::move(table);
    std::string data;
    addLine(data, "PriceTable", "Replaced");
    addLine(data, "ProgramCount", two(static_cast<int>(m_prices.programs.size())));
    addLine(data, "OptionCount", two(static_cast<int>(m_prices.options.size())));
    return data;
}

std::string CarWash::priceData() const
{
    std::string data;
    const auto block = [&data](const char* countKey, const char* numberKey, const std::vector<PricedItem>& items) {
        addLine(data, countKey, two(static_cast<int>(items.size())));
        for (const auto& item : items) {
            addLine(data, numberKey, two(item.number));
            addLine(data, "FullPrice", five(item.prices.full));
            addLine(data, "Discount1Price", five(item.prices.discount1));
            addLine(data, "Discount2Price", five(item.prices.discount2));
        }
    };
    block("ProgramCount", "ProgramNumber", m_prices.programs);
    block("OptionCount", "OptionNumber", m_prices.options);
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
        addLine(text, "OperationStatus", "Idle");
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
    if (it == m_codes.end() || it->state != CodeState::Unused || washing())
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
        out.codes.push_back({c.code, c.program.number,
                             c.state == CodeState::Unused ? "Unused" : c.state == CodeState::Used ? "Used" : "Cancelled"});
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
