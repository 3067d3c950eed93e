#include "tap_decoder.h"

#include "wire_message.h"

#include "dbus/wire_contract.h"

#include <QString>

namespace vantrel::tap {

namespace {
constexpr const char* kBusName = "org.freedesktop.DBus";

bool isUnique(const std::string& name) { return !name.empty() && name.front() == ':'; }

std::string seconds(std::int64_t usec) { return std::to_string(usec / 1000000) + " s"; }
} // namespace

TapDecoder::TapDecoder(std::string serverName) : TapDecoder(std::move(serverName), Limits{}) {}

TapDecoder::TapDecoder(std::string serverName, Limits limits)
    : m_serverName(std::move(serverName)), m_limits(limits)
{
    if (m_limits.waiting == 0)
        m_limits.waiting = 1;
}

void TapDecoder::feed(const TapMessage& message)
{
    const WireMessage m(message.bytes);
    if (!m.valid()) {
        ++m_otherCount;
        m_others.push_back({message.usec, "undecodable", {}, {}, {}, {}, {}, m.error(), message.bytes.size()});
        if (m_others.size() > m_limits.others)
            m_others.pop_front();
        return;
    }
    expire(message.usec);
    const WireHeader& h = m.header();
    using K = WireHeader::Kind;
    if (h.kind == K::MethodCall && h.interface == dbus::kPropertiesInterface && h.member == "Set") {
        const auto names = m.leadingStrings(2);
        if (names.size() == 2 && names[0] == dbus::kInterface) {
            startExchange(m, message.usec, Access::Put, names[1], 2);
            return;
        }
    } else if (h.kind == K::MethodCall && h.interface == dbus::kInterface) {
        // The wire cannot tell a get whose result the caller drops from a
        // get: only a caller that asks for no reply makes it a call.
        startExchange(m, message.usec, h.noReplyExpected ? Access::Call : Access::Get, h.member, 0);
        return;
    } else if ((h.kind == K::Reply || h.kind == K::Error) && endExchange(m, message.usec)) {
        return;
    } else if (h.kind == K::Signal && h.sender == kBusName && h.interface == kBusName &&
               h.member == "NameOwnerChanged") {
        ownerChanged(m, message.usec);
    }
    other(m, message.usec, message.bytes.size());
}

void TapDecoder::other(const WireMessage& m, std::int64_t usec, std::size_t bytes)
{
    ++m_otherCount;
    const WireHeader& h = m.header();
    m_others.push_back({usec, kindName(h.kind), h.sender, h.destination, h.path, h.interface, h.member, h.errorName,
                        bytes});
    if (m_others.size() > m_limits.others)
        m_others.pop_front();
}

void TapDecoder::noteClient(const std::string& unique)
{
    // A client calling again and again is noted once.
    if (!m_newClients.empty() && m_newClients.back() == unique)
        return;
    m_newClients.push_back(unique);
    // Nobody took them: the newest are the ones still worth looking up.
    if (m_newClients.size() > m_limits.waiting)
        m_newClients.pop_front();
}

std::vector<std::string> TapDecoder::takeNewClients()
{
    std::vector<std::string> clients(std::make_move_iterator(m_newClients.begin()),
                                     std::make_move_iterator(m_newClients.end()));
    m_newClients.clear();
    return clients;
}

void TapDecoder::startExchange(const WireMessage& m, std::int64_t usec, Access access, std::string member,
                               std::size_t argumentIndex)
{
    const WireHeader& h = m.header();
    Exchange e;
    e.number = m_next++;
    e.client = h.sender;
    e.destination = h.destination;
    e.server = isUnique(h.destination) ? h.destination : m_serverOwner;
    e.access = access;
    e.member = std::move(member);
    e.callUsec = usec;
    e.serial = h.serial;
    if (m.argumentCount() > argumentIndex) {
        TakenValue taken = m.argument(argumentIndex, m_limits.value);
        e.argument = std::move(taken.value);
        e.argumentOmitted = taken.omitted;
        e.argumentNote = std::move(taken.problem);
    } else if (access == Access::Put) {
        e.argumentNote = "no value";
    }
    noteClient(e.client);
    if (h.noReplyExpected) {
        e.state = ExchangeState::NoReplyExpected;
        e.endUsec = usec;
        m_finished.push_back(std::move(e));
        return;
    }
    Key key{e.client, e.serial};
    if (const auto same = m_bySerial.find(key); same != m_bySerial.end()) {
        // A caller that uses a serial again has stopped waiting for the first call.
        const auto it = m_waiting.find(same->second);
        it->second.lostReason = "its caller sent another call with the same serial";
        end(it, ExchangeState::ReplyLost, usec);
    }
    m_bySerial.emplace(std::move(key), e.number);
    m_waiting.emplace(e.number, std::move(e));
    if (m_waiting.size() > m_limits.waiting) {
        auto oldest = m_waiting.begin();
        oldest->second.lostReason =
            "more than " + std::to_string(m_limits.waiting) + " calls were waiting; the oldest was given up";
        end(oldest, ExchangeState::ReplyLost, usec);
    }
}

bool TapDecoder::endExchange(const WireMessage& m, std::int64_t usec)
{
    const WireHeader& h = m.header();
    const auto found = m_bySerial.find(Key{h.destination, h.replySerial});
    if (found == m_bySerial.end())
        return false;
    const auto it = m_waiting.find(found->second);
    Exchange& e = it->second;
    e.server = h.sender;
    if (h.kind == WireHeader::Kind::Error) {
        const auto message = m.leadingStrings(1);
        const AutomationError error = dbus::toAutomationError(
            QString::fromStdString(h.errorName), QString::fromStdString(message.empty() ? std::string() : message[0]),
            dbus::Phase::Call);
        e.errorNumber = error.number();
        e.errorDescription = error.description();
        end(it, ExchangeState::Failed, usec);
        return true;
    }
    if (e.access == Access::Put) {
        end(it, ExchangeState::Answered, usec);
        return true;
    }
    // As the client takes an answer: one variant of a type it knows, no
    // larger than it reads.
    TakenValue taken = m.argument(0, m_limits.value);
    if (m.argumentCount() != 1 || !taken.inVariant) {
        const AutomationError error = dbus::notOneVariant(e.member, h.signature);
        taken.problemNumber = error.number();
        taken.problem = error.description();
    } else if (taken.bytes > dbus::kReplyLimit) {
        const AutomationError error = dbus::replyTooLarge(e.member, taken.bytes);
        taken.problemNumber = error.number();
        taken.problem = error.description();
    }
    if (taken.problemNumber != 0) {
        e.errorNumber = taken.problemNumber;
        e.errorDescription = std::move(taken.problem);
        end(it, ExchangeState::Failed, usec);
        return true;
    }
    e.result = std::move(taken.value);
    e.resultOmitted = taken.omitted;
    end(it, ExchangeState::Answered, usec);
    return true;
}

void TapDecoder::end(std::map<std::uint64_t, Exchange>::iterator it, ExchangeState state, std::int64_t usec)
{
    Exchange& e = it->second;
    e.state = state;
    e.endUsec = usec;
    m_bySerial.erase(Key{e.client, e.serial});
    m_finished.push_back(std::move(e));
    m_waiting.erase(it);
}

template <class Pick>
void TapDecoder::giveUp(Pick pick, ExchangeState state, const std::string& reason, std::int64_t usec, bool callerTold)
{
    for (auto it = m_waiting.begin(); it != m_waiting.end();) {
        const auto next = std::next(it);
        if (!pick(it->second)) {
        } else if (callerTold) {
            noReply(it, reason, usec);
        } else {
            it->second.lostReason = reason;
            end(it, state, usec);
        }
        it = next;
    }
}

void TapDecoder::noReply(std::map<std::uint64_t, Exchange>::iterator it, const std::string& reason, std::int64_t usec)
{
    // Its caller gets no reply either: its bus or its library tells it so,
    // with the error the utility's client numbers 462.
    Exchange& e = it->second;
    e.lostReason = reason;
    const AutomationError error = dbus::toAutomationError(
        QStringLiteral("org.freedesktop.DBus.Error.NoReply"), QString::fromStdString("no reply was seen: " + reason),
        dbus::Phase::Call);
    e.errorNumber = error.number();
    e.errorDescription = error.description();
    end(it, ExchangeState::ReplyLost, usec);
}

void TapDecoder::ownerChanged(const WireMessage& m, std::int64_t usec)
{
    const auto names = m.leadingStrings(3);
    if (names.size() != 3)
        return;
    const std::string& name = names[0];
    const std::string& previous = names[1];
    const std::string& owner = names[2];
    if (name == m_serverName) {
        // Calls to the server that was: their replies will not come from the new one.
        const std::string reason = owner.empty() ? "the server left the bus" : "the server's owner changed";
        giveUp([&](const Exchange& e) { return e.destination == m_serverName || (!previous.empty() && e.destination == previous); },
               ExchangeState::ReplyLost, reason, usec, true);
        m_serverOwner = owner;
        m_ownerChanges.push_back({usec, previous, owner});
        return;
    }
    if (!isUnique(name))
        return;
    if (previous.empty()) {
        noteClient(name);
        return;
    }
    if (!owner.empty())
        return;
    giveUp([&](const Exchange& e) { return e.client == name; }, ExchangeState::ClientGone, "the client left the bus",
           usec, false);
    giveUp([&](const Exchange& e) { return e.destination == name; }, ExchangeState::ReplyLost,
           "the server left the bus", usec, true);
}

void TapDecoder::expire(std::int64_t nowUsec)
{
    // The oldest call is the first: nothing to do while it is young enough.
    while (!m_waiting.empty() && nowUsec - m_waiting.begin()->second.callUsec > m_limits.replyWaitUsec)
        noReply(m_waiting.begin(), "no reply within " + seconds(m_limits.replyWaitUsec), nowUsec);
}

void TapDecoder::finish(std::int64_t nowUsec)
{
    giveUp([](const Exchange&) { return true; }, ExchangeState::ReplyLost, "the tap ended", nowUsec, false);
}

std::vector<Exchange> TapDecoder::waiting() const
{
    std::vector<Exchange> calls;
    calls.reserve(m_waiting.size());
    for (const auto& [number, e] : m_waiting)
        calls.push_back(e);
    return calls;
}

} // namespace vantrel::tap
