// A put of a 200-byte display record over a private bus to vantrel-forecourt,
// beside the floor measured in the same run: a bare Properties.Set round trip
// to a server that does nothing. The two alternate in each iteration so both
// see the same machine; each is reported as median and 99th percentile.
#include "dbus/dbus_client.h"
#include "dbus/site_state_codec.h"
#include "dbus/wire_contract.h"
#include "bench_records.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QProcess>
#include <QSemaphore>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

using namespace vantrel;

namespace {
constexpr const char* kFloorName = "Vantrel.Floor";

// Answers every call at once with an empty reply.
class NullObject : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        connection.send(message.createReply());
        return true;
    }
};

class NullServer : public QThread {
public:
    explicit NullServer(QString address) : m_address(std::move(address)) { start(); m_ready.acquire(); }
    ~NullServer() override { quit(); wait(); }

protected:
    void run() override
    {
        {
            QDBusConnection c = QDBusConnection::connectToBus(m_address, "bench-floor");
            NullObject object;
            c.registerVirtualObject(dbus::kObjectPath, &object);
            c.interface()->registerService(kFloorName);
            m_ready.release();
            exec();
            c.unregisterObject(dbus::kObjectPath);
        }
        QDBusConnection::disconnectFromBus("bench-floor");
    }

private:
    QString m_address;
    QSemaphore m_ready;
};

struct PrivateBusWithService {
    QProcess daemon;
    QProcess service;
    QString address;

    bool start()
    {
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        if (!daemon.waitForStarted(10000))
            return false;
        while (!daemon.canReadLine() && daemon.waitForReadyRead(10000)) {
        }
        address = QString::fromLatin1(daemon.readLine()).trimmed();
        service.start(VANTREL_FORECOURT_EXE, {"--quiet", "--virtual-clock", "--address", address});
        return !address.isEmpty() && service.waitForStarted(10000);
    }
    // A client of the service, once it serves; nothing when it does not within 10 s.
    std::unique_ptr<dbus::DBusClient> client() const
    {
        for (QDeadlineTimer deadline(10000); !deadline.hasExpired(); QThread::msleep(20)) {
            try {
                return std::make_unique<dbus::DBusClient>(
                    dbus::Endpoint{dbus::kDefaultBusName, dbus::Endpoint::Bus::Address, address.toStdString()});
            } catch (const AutomationError&) {
            }
        }
        return nullptr;
    }
    ~PrivateBusWithService()
    {
        service.kill();
        service.waitForFinished(5000);
        daemon.kill();
        daemon.waitForFinished(5000);
    }
};

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}
} // namespace

static void BM_DBusPutDisplayRecord200(benchmark::State& state)
{
    PrivateBusWithService bus;
    if (!bus.start()) {
        state.SkipWithError("cannot start dbus-daemon and vantrel-forecourt");
        return;
    }
    NullServer floor(bus.address);
    const Value record = Value::string(bench::displayRecord200());
    std::unique_ptr<dbus::DBusClient> client = bus.client();
    if (!client) {
        state.SkipWithError("vantrel-forecourt does not serve");
        return;
    }
    QDBusConnection raw = QDBusConnection::connectToBus(bus.address, "bench-caller");
    QDBusMessage bare = QDBusMessage::createMethodCall(kFloorName, dbus::kObjectPath, dbus::kPropertiesInterface, "Set");
    bare << QString(dbus::kInterface) << QString("DisplayData") << QVariant::fromValue(dbus::toVariant(record));

    using Clock = std::chrono::steady_clock;
    std::vector<double> puts, floors;
    for (auto _ : state) {
        auto t0 = Clock::now();
        const QDBusMessage reply = raw.call(bare);
        auto t1 = Clock::now();
        client->put("DisplayData", record);
        auto t2 = Clock::now();
        if (reply.type() != QDBusMessage::ReplyMessage) {
            state.SkipWithError("the floor server did not answer");
            break;
        }
        floors.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        puts.push_back(std::chrono::duration<double, std::micro>(t2 - t1).count());
    }
    if (!puts.empty()) {
        const double putMedian = percentile(puts, 0.5);
        const double floorMedian = percentile(floors, 0.5);
        state.counters["put_median_us"] = putMedian;
        state.counters["put_p99_us"] = percentile(puts, 0.99);
        state.counters["floor_median_us"] = floorMedian;
        state.counters["floor_p99_us"] = percentile(floors, 0.99);
        state.counters["median_ratio"] = putMedian / floorMedian;
    }
    client.reset();
    QDBusConnection::disconnectFromBus("bench-caller");
}
BENCHMARK(BM_DBusPutDisplayRecord200)->Unit(benchmark::kMicrosecond)->Iterations(5000)->Repetitions(3);

// A board's read over the bus: ReadSite of a site with a sale at every
// position, the JSON decoded, as BusSite does it.
static void BM_DBusReadSite(benchmark::State& state)
{
    PrivateBusWithService bus;
    if (!bus.start()) {
        state.SkipWithError("cannot start dbus-daemon and vantrel-forecourt");
        return;
    }
    std::unique_ptr<dbus::DBusClient> client = bus.client();
    if (!client) {
        state.SkipWithError("vantrel-forecourt does not serve");
        return;
    }
    bench::authorizeEveryPosition(*client);
    client->advance(std::chrono::milliseconds(10000));
    QDBusConnection raw = QDBusConnection::connectToBus(bus.address, "bench-board");
    QDBusMessage read = QDBusMessage::createMethodCall(dbus::kDefaultBusName, dbus::kObjectPath, dbus::kSimulatorInterface, "ReadSite");
    read << QVariant::fromValue(short(7));
    using Clock = std::chrono::steady_clock;
    std::vector<double> reads;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const QDBusMessage reply = raw.call(read);
        std::string error;
        const auto site = dbus::decodeSiteState(reply.arguments().value(0).toString().toUtf8(), error);
        reads.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        if (!site) {
            state.SkipWithError(("ReadSite: " + error).c_str());
            break;
        }
    }
    if (!reads.empty()) {
        state.counters["read_median_us"] = percentile(reads, 0.5);
        state.counters["read_p99_us"] = percentile(reads, 0.99);
    }
    client.reset();
    QDBusConnection::disconnectFromBus("bench-board");
}
BENCHMARK(BM_DBusReadSite)->Unit(benchmark::kMicrosecond)->Iterations(2000)->Repetitions(3);
