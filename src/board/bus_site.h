// The simulated site of a vantrel-forecourt (or any server with the
// Vantrel.Simulator site methods) on D-Bus, for the board: ReadSite for the
// state, Customer for the customer's actions, Fault for its faults, the Changed signal for
// changes. Every call goes through a BusChannel without waiting, so the board never waits on the bus:
// one read is out at a time, and a read asked for meanwhile goes out when
// it comes back (only the newest, the ones in between would be stale).
// When the name loses its owner the listener is told, and the read that
// follows fails with the reason; when the name gets an owner again, the
// listener is told, so the board reads the new server.
#pragma once

#include "site_source.h"

#include "dbus/bus_channel.h"
#include "dbus/dbus_client.h"
#include "dbus/endpoint.h"

#include <QObject>

#include <chrono>

namespace vantrel::board {

class BusSite : public QObject, public SiteSource {
    Q_OBJECT
public:
    explicit BusSite(dbus::Endpoint endpoint, std::chrono::milliseconds timeout = dbus::kDefaultTimeout);
    ~BusSite() override;

    void read(int position, std::function<void(SiteReading)> done) override;
    void act(const std::string& action, std::function<void(CustomerAnswer)> done) override;
    void fault(const std::string& fault, std::function<void(CustomerAnswer)> done) override;
    void listen(std::function<void()> changed) override;
    void stopListening() override;
    bool listening() const override { return static_cast<bool>(m_changed); }
    std::string describe() const override;

private slots:
    void onChanged(qulonglong version);

private:
    QDBusMessage simulatorCall(const char* member) const;
    // Sends a text to a method of Vantrel.Simulator that answers a text; the
    // site's own refusal (`refusal`) reads as the embedded site's.
    void sendText(const dbus::SimulatorMember& member, const char* refusal, const std::string& text,
                  std::function<void(CustomerAnswer)> done);
    // Connects the Changed signal to onChanged.
    void connectChanged();
    void startRead(int position, std::function<void(SiteReading)> done);
    // "Vantrel.Application on the session bus: error 462: <description> (<name>)".
    std::string failure(const QDBusMessage& reply) const;

    dbus::BusChannel m_channel;
    std::function<void()> m_changed;
    bool m_reading = false;
    struct WaitingRead {
        int position;
        std::function<void(SiteReading)> done;
    };
    std::optional<WaitingRead> m_nextRead;
};

} // namespace vantrel::board
