#include "car_wash.h"
#include "car_wash_format.h"

#include "site_devices.h"

#include "server/automation_error.h"

#include <algorithm>

// The car wash controller's requests: the table of request words, reading a
// request record line by line, and the requests that issue codes and set or
// return the price table.

namespace vantrel::forecourt {

using carwash::five;
using carwash::two;

namespace {

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
        if (outOfOrder())
            throw AutomationError(ErrorCode::CarWashOutOfOrder, std::string(row->word) + " is refused");
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

} // namespace vantrel::forecourt
