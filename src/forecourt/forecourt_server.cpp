#include "forecourt_server.h"
#include "traffic.h"

#include "server/automation_error.h"
#include "server/automation_registry.h"
#include "server/conversions.h"

#include <algorithm>
#include <unordered_map>
#include <vector>
#include <cmath>

namespace vantrel::forecourt {

struct ForecourtServer::Entry {
    MemberInfo info;
    // put members receive the checked value; reads receive the position (or 0)
    Value (*act)(ForecourtServer&, const Value&, int position);
};

namespace {
using S = ForecourtServer;
const std::string& text(const Value& v) { return v.asString(); }
Value none() { return {}; }
Value str(std::string s) { return Value::string(std::move(s)); }
Value i32(std::int32_t n) { return Value::int32(n); }

// One row per member: name, access, shape, action.
const std::vector<S::Entry>& table()
{
    using A = Access;
    using Sh = Shape;
    static const std::vector<S::Entry> rows = {{
        {{"Authorize", A::Put, Sh::Record}, [](S& s, const Value& v, int) { s.fueling().authorize(parseRecord(text(v), true)); return none(); }},
        {{"Deauthorize", A::Put, Sh::PositionText}, [](S& s, const Value&, int p) { s.fueling().deauthorize(p); return none(); }},
        {{"Stop", A::Put, Sh::PositionTextOrAll}, [](S& s, const Value&, int p) { s.fueling().stop(p); return none(); }},
        {{"Resume", A::Put, Sh::PositionText}, [](S& s, const Value&, int p) { s.fueling().resume(p); return none(); }},
        {{"PayOutSale", A::Put, Sh::PositionText}, [](S& s, const Value&, int p) { s.fueling().payOut(p); return none(); }},
        {{"DispenserInformation", A::Get, Sh::PositionArgument}, [](S& s, const Value&, int p) { return str(s.fueling().dispenserInformation(p)); }},
        {{"FuelingPositionInformation", A::Get, Sh::PositionArgument}, [](S& s, const Value&, int p) { return str(s.fueling().positionInformation(p)); }},
        {{"Price", A::Put, Sh::Record}, [](S& s, const Value& v, int) { s.fueling().setPrices(parseRecord(text(v), true)); return none(); }},
        {{"CardQue", A::Get, Sh::NoArgument}, [](S& s, const Value&, int) { return str(s.readers().queueTop(QueueKind::Card)); }},
        {{"KeyQue", A::Get, Sh::NoArgument}, [](S& s, const Value&, int) { return str(s.readers().queueTop(QueueKind::Key)); }},
        {{"CashInQue", A::Get, Sh::NoArgument}, [](S& s, const Value&, int) { return str(s.readers().queueTop(QueueKind::Cash)); }},
        {{"PacketQueInput", A::Get, Sh::NoArgument}, [](S& s, const Value&, int) { return str(s.readers().queueTop(QueueKind::Packet)); }},
        {{"ReadErrorQue", A::Get, Sh::NoArgument}, [](S& s, const Value&, int) { return str(s.readers().queueTop(QueueKind::Error)); }},
        {{"QueCountQuery", A::Get, Sh::NoArgument}, [](S& s, const Value&, int) { return str(s.readers().queCountQuery()); }},
        {{"ClearTopCardQue", A::Get, Sh::NoArgument}, [](S& s, const Value&, int) { return i32(s.readers().clearQueueTop(QueueKind::Card)); }},
        {{"ClearTopKeyQue", A::Get, Sh::NoArgument}, [](S& s, const Value&, int) { return i32(s.readers().clearQueueTop(QueueKind::Key)); }},
        {{"ClearTopCashQue", A::Get, Sh::NoArgument}, [](S& s, const Value&, int) { return i32(s.readers().clearQueueTop(QueueKind::Cash)); }},
        {{"ClearPacketEntry", A::Get, Sh::NoArgument}, [](S& s, const Value&, int) { return i32(s.readers().clearQueueTop(QueueKind::Packet)); }},
        {{"ClearErrorQue", A::Get, Sh::NoArgument}, [](S& s, const Value&, int) { return i32(s.readers().clearQueueTop(QueueKind::Error)); }},
        {{"DisplayData", A::Put, Sh::Message, kLargestDisplayRecord}, [](S& s, const Value& v, int) { s.readers().displayData(text(v)); return none(); }},
        {{"PreloadDisplayMessage", A::Put, Sh::Record, kLargestDisplayRecord}, [](S& s, const Value& v, int) { s.readers().preloadDisplayMessage(text(v)); return none(); }},
        {{"PrintOutput", A::Put, Sh::Record}, [](S& s, const Value& v, int) { s.readers().printOutput(text(v)); return none(); }},
        {{"KeyPadConfiguration", A::Put, Sh::Record, kLargestKeypadRecord}, [](S& s, const Value& v, int) { s.readers().keyPadConfiguration(text(v)); return none(); }},
        {{"KeyEntryType", A::Put, Sh::Record}, [](S& s, const Value& v, int) { s.readers().keyEntryType(text(v)); return none(); }},
        {{"BeeperControl", A::Put, Sh::Record}, [](S& s, const Value& v, int) { s.readers().beeperControl(text(v)); return none(); }},
        {{"PacketQueOutput", A::Put, Sh::Record}, [](S& s, const Value& v, int) { s.readers().packetQueOutput(text(v)); return none(); }},
        {{"ReaderInformation", A::Get, Sh::PositionArgument}, [](S& s, const Value&, int p) { return str(s.readers().readerInformation(p)); }},
        {{"SystemVersions", A::Get, Sh::NoArgument}, [](S& s, const Value&, int) { return str(s.readers().systemVersions()); }},
        {{"SelfDiagnosticsReportStatus", A::Get, Sh::NoArgument}, [](S& s, const Value&, int) { return Value::int16(s.readers().selfDiagnosticsReportStatus()); }},
        {{"SelfDiagnosticsReportStart", A::Get, Sh::NoArgument}, [](S& s, const Value&, int) { s.readers().selfDiagnosticsReportStart(); return Value::int16(0); }},
        {{"CarWashInformationRequest", A::Put, Sh::Record}, [](S& s, const Value& v, int) { s.carWash().request(text(v)); return none(); }},
        {{"CarWashRequestStatus", A::Get, Sh::NoArgument}, [](S& s, const Value&, int) { return str(s.carWash().requestStatus()); }},
        {{"CarWashOperationStatus", A::Get, Sh::NoArgument}, [](S& s, const Value&, int) { return str(s.carWash().operationStatus()); }},
        {{"CarWashDataRead", A::Get, Sh::NoArgument}, [](S& s, const Value&, int) { return str(s.carWash().dataRead()); }},
        {{"TankMonitorStartReport", A::Put, Sh::Int16}, [](S& s, const Value& v, int) { s.tankMonitor().startReport(v.asInt16()); return none(); }},
        {{"TankMonitorReportStatus", A::Get, Sh::NoArgument}, [](S& s, const Value&, int) { return str(s.tankMonitor().reportStatus()); }},
        {{"TankMonitorReport", A::Get, Sh::NoArgument}, [](S& s, const Value&, int) { return str(s.tankMonitor().report()); }},
        {{"PriceSignDataSend", A::Put, Sh::Record}, [](S& s, const Value& v, int) { s.priceSign().send(text(v)); return none(); }},
        {{"PriceSignDataRead", A::Get, Sh::NoArgument}, [](S& s, const Value&, int) { return str(s.priceSign().read()); }},
        {{"ReaderControl", A::Put, Sh::Record}, [](S& s, const Value& v, int) { readerControl(s.readers(), text(v)); return none(); }},
        {{"WindowControl", A::Put, Sh::Record}, [](S& s, const Value& v, int) { s.setWindowControl(text(v)); return none(); }},
        {{"InvokeHelpFile", A::Get, Sh::NoArgument}, [](S& s, const Value&, int) { s.noteHelpRequest(); return Value::int16(0); }},
    }};
    return rows;
}
} // namespace

ForecourtServer::ForecourtServer(std::shared_ptr<Clock> clock)
    : m_clock(clock ? std::move(clock) : std::make_shared<SteadyClock>()),
      m_fueling(*m_clock, m_faults),
      m_readers(*m_clock, m_faults),
      m_carWash(*m_clock, m_faults),
      m_tankMonitor(*m_clock, m_fueling, m_faults),
      m_traffic(std::make_unique<Traffic>(*this, *m_clock))
{
}

ForecourtServer::~ForecourtServer() = default;

std::span<const MemberInfo> ForecourtServer::members()
{
    static const std::vector<MemberInfo> infos = [] {
        std::vector<MemberInfo> v;
        for (const auto& e : table())
            if (e.act)
                v.push_back(e.info);
        return v;
    }();
    return infos;
}

namespace {
std::string lowered(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = asciiLower(c);
    return out;
}
} // namespace

namespace {
// Member names are case-insensitive; the index is built once.
const ForecourtServer::Entry* findEntry(std::string_view member)
{
    static const std::unordered_map<std::string, const ForecourtServer::Entry*> index = [] {
        std::unordered_map<std::string, const ForecourtServer::Entry*> m;
        for (const auto& e : table())
            m.emplace(lowered(e.info.name), &e);
        return m;
    }();
    const auto it = index.find(lowered(member));
    return it == index.end() ? nullptr : it->second;
}
} // namespace

const ForecourtServer::Entry& ForecourtServer::lookup(std::string_view member) const
{
    const Entry* e = findEntry(member);
    if (!e)
        throw AutomationError(ErrorCode::UnknownMember, "'" + std::string(member) + "'");
    return *e;
}

const MemberInfo* ForecourtServer::memberNamed(std::string_view name)
{
    const Entry* e = findEntry(name);
    return e ? &e->info : nullptr;
}

namespace {
// Tells the listeners when a member call ends, however it ends.
struct ChangeNote {
    ForecourtServer& server;
    ~ChangeNote() { server.noteChange(); }
};
} // namespace

void checkValueSize(const char* member, std::size_t size, std::size_t largest)
{
    if (size > largest)
        throw AutomationError(ErrorCode::ValueTooLarge, std::string(member) + " takes at most " + groupedNumber(largest) +
                                                            " bytes, not " + groupedNumber(size));
}

void ForecourtServer::put(std::string_view member, const Value& value)
{
    m_traffic->catchUp();
    ChangeNote note{*this};
    const Entry& e = lookup(member);
    answerFaults(e.info.name);
    if (e.info.access != Access::Put)
        throw AutomationError(ErrorCode::WrongAccess, "'" + std::string(e.info.name) + "' is read, not assigned");
    if (value.type() == Value::Type::String)
        checkValueSize(e.info.name, value.asString().size(), e.info.largest);
    int position = 0;
    switch (e.info.shape) {
    case Shape::Int16:
        if (value.type() != Value::Type::Int16)
            throw AutomationError(ErrorCode::WrongValueType,
                                  std::string(e.info.name) + " takes a 16-bit integer, not " + typeName(value.type()));
        break;
    case Shape::PositionText:
    case Shape::PositionTextOrAll:
        if (value.type() != Value::Type::String)
            throw AutomationError(ErrorCode::WrongValueType,
                                  std::string(e.info.name) + " takes a position text, not " + typeName(value.type()));
        position = parsePosition(value.asString(), e.info.shape == Shape::PositionTextOrAll);
        break;
    default:
        if (value.type() != Value::Type::String)
            throw AutomationError(ErrorCode::WrongValueType,
                                  std::string(e.info.name) + " takes a text record, not " + typeName(value.type()));
        // Where the record ends is checked here, the same way for every member.
        (void)recordBody(value.asString(), e.info.shape == Shape::Record);
        break;
    }
    e.act(*this, value, position);
}

static int positionArgument(const char* member, const Value& argument)
{
    if (!argument.isNumeric())
        throw AutomationError(ErrorCode::WrongValueType,
                              std::string(member) + " takes a position number, not " + typeName(argument.type()));
    const double n = argument.type() == Value::Type::Double ? argument.asDouble()
                     : argument.type() == Value::Type::Int32 ? argument.asInt32()
                                                             : argument.asInt16();
    if (n != std::floor(n) || n < 1 || n > FuelingPositions::kPositions)
        throw AutomationError(ErrorCode::PositionOutOfRange, plainNumber(n));
    return static_cast<int>(n);
}

Value ForecourtServer::get(std::string_view member, const std::optional<Value>& argument)
{
    m_traffic->catchUp();
    ChangeNote note{*this};
    const Entry& e = lookup(member);
    answerFaults(e.info.name);
    if (e.info.access != Access::Get)
        throw AutomationError(ErrorCode::WrongAccess, "'" + std::string(e.info.name) + "' is assigned, not read");
    int position = 0;
    if (e.info.shape == Shape::PositionArgument) {
        if (!argument)
            throw AutomationError(ErrorCode::WrongAccess, std::string(e.info.name) + " needs a position number");
        position = positionArgument(e.info.name, *argument);
    } else if (argument) {
        throw AutomationError(ErrorCode::WrongAccess, std::string(e.info.name) + " takes no argument");
    }
    return e.act(*this, Value(), position);
}

void ForecourtServer::setWindowControl(const std::string& record)
{
    const auto parsed = parseRecord(record, true);
    const std::string word = trim(parsed.firstLine());
    if (equalsIgnoreCase(word, "Visible"))
        m_windowVisible = true;
    else if (equalsIgnoreCase(word, "Hide"))
        m_windowVisible = false;
    else
        throw AutomationError(ErrorCode::InvalidValue, "WindowControl takes \"Visible\" or \"Hide\", not \"" + word + "\"");
}

void registerForecourtServer(AutomationRegistry& registry)
{
    registry.add(kProgId, [] { return std::make_unique<ForecourtServer>(); });
}

void ForecourtServer::readPositions(PositionSnapshots& out) const
{
    m_traffic->catchUp();
    for (int p = 1; p <= FuelingPositions::kPositions; ++p)
        m_fueling.snapshot(p, out[static_cast<std::size_t>(p - 1)]);
}

SiteState ForecourtServer::siteState(int readerPosition)
{
    m_traffic->catchUp();
    m_readers.catchUpNow();
    SiteState state;
    state.version = m_changes;
    state.clockMs = m_clock->now().count();
    readPositions(state.positions);
    m_readers.snapshot(std::clamp(readerPosition, 1, FuelingPositions::kPositions), state.reader);
    state.tanks = m_tankMonitor.tanks();
    state.tankReportStatus = m_tankMonitor.reportStatus();
    state.tankReport = m_tankMonitor.report();
    m_carWash.snapshot(state.carWash);
    state.signIntensity = m_priceSign.intensity();
    state.signLines = m_priceSign.lines();
    state.faults = m_faults.lines();
    state.timeDriven = timeDriven();
    state.traffic = m_traffic->snapshot();
    return state;
}

bool ForecourtServer::timeDriven() const
{
    return m_fueling.anyRunning() || m_readers.pendingKeyEntries() > 0 || m_carWash.isWashing() ||
           m_tankMonitor.reportStatus() == "ReportStatus=Busy" || m_readers.selfDiagnosticsReportStatus() == kDiagnosticsBusy ||
           m_traffic->busy();
}

int ForecourtServer::subscribe(Listener listener)
{
    const int id = m_nextListener++;
    m_listeners.emplace_back(id, std::move(listener));
    return id;
}

void ForecourtServer::unsubscribe(int id)
{
    std::erase_if(m_listeners, [id](const auto& l) { return l.first == id; });
}

void ForecourtServer::noteChange()
{
    ++m_changes;
    // A listener may unsubscribe while it is told: tell a copy.
    const auto listeners = m_listeners;
    for (const auto& [id, listener] : listeners)
        listener();
}

} // namespace vantrel::forecourt
