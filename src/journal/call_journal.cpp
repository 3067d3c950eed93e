#include "call_journal.h"

#include "inspector/call_summary.h"
#include "session/raw_call.h"

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
           valueBytes(e.call.argument) + valueBytes(e.call.result) + e.errorDescription.size() + e.call.client.size() +
           e.lostReason.size() + e.argumentNote.size();
}

void noteFirst(std::vector<std::string>& seen, const std::string& name)
{
    if (std::find(seen.begin(), seen.end(), name) == seen.end())
        seen.push_back(name);
}
} // namespace

std::string tappedText(Tapped state, const std::string& lostReason)
{
    switch (state) {
    case Tapped::Waiting: return "waiting for its reply";
    case Tapped::NoReplyExpected: return "no reply expected";
    case Tapped::ReplyLost: return lostReason.empty() ? "reply lost" : "reply lost: " + lostReason;
    case Tapped::ClientGone: return "client went away";
    case Tapped::None:
    case Tapped::Done: break;
    }
    return {};
}

std::optional<std::string> scriptLineOf(const CallEvent& call, std::size_t argumentOmitted,
                                        const std::string& argumentNote, std::string& problem)
{
    if (argumentOmitted > 0)
        problem = "only the first bytes of the value sent were kept (" + inspector::omittedNote(argumentOmitted) +
                  "): no script line made from them sends the same";
    else if (!argumentNote.empty())
        problem = "what the client sent is no value a script line sends: " + argumentNote;
    else
        problem = rawCallProblem(call.access, call.member, call.argument);
    if (!problem.empty())
        return std::nullopt;
    return rawCallLine(call.access, call.member, call.argument);
}

std::optional<std::string> scriptLineOf(const JournalEntry& e, std::string& problem)
{
    return scriptLineOf(e.call, e.argumentOmitted, e.argumentNote, problem);
}

CallJournal::CallJournal(std::size_t callLimit, std::size_t byteLimit, std::size_t valueLimit)
    : m_callLimit(std::max<std::size_t>(callLimit, 1)), m_byteLimit(byteLimit), m_valueLimit(valueLimit)
{
}

void CallJournal::callMade(const CallEvent& event)
{
    inspector::Omitted omitted;
    JournalEntry entry;
    entry.number = m_next++;
    entry.call = inspector::keepBounded(event, m_valueLimit, omitted);
    entry.argumentOmitted = omitted.argument;
    entry.resultOmitted = omitted.result;
    entry.bytes = entryBytes(entry);
    noteFirst(m_members, event.member);
    append(std::move(entry));
}

long long CallJournal::append(JournalEntry&& entry)
{
    const long long number = entry.number;
    m_bytes += entry.bytes;
    m_entries.push_back(std::move(entry));
    ++m_total;
    if (m_listener)
        m_listener->rowsAdded(m_entries.size() - 1, 1);
    dropOldest();
    return number;
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

void CallJournal::fill(JournalEntry& entry, const TappedCall& call)
{
    inspector::Omitted omitted;
    entry.call = inspector::keepBounded(call.call, m_valueLimit, omitted);
    entry.argumentOmitted = call.argumentOmitted + omitted.argument;
    entry.resultOmitted = call.resultOmitted + omitted.result;
    entry.errorNumber = call.errorNumber;
    const std::string_view description = std::string_view(call.errorDescription).substr(0, m_valueLimit);
    entry.errorDescription = std::string(description);
    entry.errorOmitted = call.errorDescription.size() - description.size();
    entry.tapped = call.state == Tapped::None ? Tapped::Done : call.state;
    entry.lostReason = call.lostReason.substr(0, m_valueLimit);
    entry.argumentNote = call.argumentNote.substr(0, m_valueLimit);
    entry.bytes = entryBytes(entry);
}

long long CallJournal::addTapped(const TappedCall& call)
{
    JournalEntry entry;
    entry.number = m_next++;
    fill(entry, call);
    noteFirst(m_members, entry.call.member);
    if (!entry.call.client.empty() && std::find(m_clients.begin(), m_clients.end(), entry.call.client) == m_clients.end()) {
        m_clients.push_back(entry.call.client);
        if (m_clients.size() > kClientLimit)
            m_clients.pop_front();
    }
    return append(std::move(entry));
}

bool CallJournal::updateTapped(long long number, const TappedCall& call)
{
    if (m_entries.empty() || number < m_entries.front().number || number > m_entries.back().number)
        return false;
    const auto row = static_cast<std::size_t>(number - m_entries.front().number);
    JournalEntry& entry = m_entries[row];
    m_bytes -= entry.bytes;
    fill(entry, call);
    m_bytes += entry.bytes;
    if (m_listener)
        m_listener->rowChanged(row);
    dropOldest();
    return true;
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
    m_clients.clear();
    m_bytes = 0;
    m_total = 0;
    m_dropped = 0;
    if (m_listener)
        m_listener->cleared();
}

} // namespace vantrel::journal
