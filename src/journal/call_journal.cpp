#include "call_journal.h"

#include "inspector/call_summary.h"

#include <algorithm>

namespace vantrel::journal {

namespace {
std::size_t valueBytes(const std::optional<Value>& v)
{
    return v && v->type() == Value::Type::String ? v->asString().size() : 0;
}

std::size_t entryBytes(const JournalEntry& e)
{
    return sizeof(JournalEntry) + e.call.member.size() + e.call.window.size() + e.call.control.size() +
           valueBytes(e.call.argument) + valueBytes(e.call.result) + e.errorDescription.size();
}
} // namespace

CallJournal::CallJournal(std::size_t callLimit, std::size_t byteLimit, std::size_t valueLimit)
    : m_callLimit(std::max<std::size_t>(callLimit, 1)), m_byteLimit(byteLimit), m_valueLimit(valueLimit)
{
}

void CallJournal::callMade(const CallEvent& event)
{
    inspector::Omitted omitted;
    JournalEntry entry{m_next++, inspector::keepBounded(event, m_valueLimit, omitted), std::nullopt, {}, 0};
    entry.argumentOmitted = omitted.argument;
    entry.resultOmitted = omitted.result;
    entry.bytes = entryBytes(entry);
    if (std::find(m_members.begin(), m_members.end(), event.member) == m_members.end())
        m_members.push_back(event.member);
    m_bytes += entry.bytes;
    m_entries.push_back(std::move(entry));
    ++m_total;
    if (m_listener)
        m_listener->rowsAdded(m_entries.size() - 1, 1);
    dropOldest();
}

void CallJournal::callFailed(std::string_view, int number, std::string_view description)
{
    // The failed call's event came just before.
    if (m_entries.empty())
        return;
    JournalEntry& last = m_entries.back();
    last.errorNumber = number;
    const std::string_view kept = description.substr(0, m_valueLimit);
    last.errorDescription = std::string(kept);
    last.errorOmitted = description.size() - kept.size();
    m_bytes += kept.size();
    last.bytes += kept.size();
    if (m_listener)
        m_listener->rowChanged(m_entries.size() - 1);
    dropOldest();
}

void CallJournal::dropOldest()
{
    std::size_t count = 0;
    // The newest call stays: it holds at most three values of m_valueLimit.
    while (m_entries.size() - count > 1 &&
           (m_entries.size() - count > m_callLimit || m_bytes > m_byteLimit)) {
        m_bytes -= m_entries[count].bytes;
        ++count;
    }
    if (count == 0)
        return;
    m_entries.erase(m_entries.begin(), m_entries.begin() + static_cast<std::ptrdiff_t>(count));
    m_dropped += static_cast<long long>(count);
    if (m_listener)
        m_listener->rowsDropped(count);
}

void CallJournal::clear()
{
    m_entries.clear();
    m_members.clear();
    m_bytes = 0;
    m_total = 0;
    m_dropped = 0;
    if (m_listener)
        m_listener->cleared();
}

} // namespace vantrel::journal
