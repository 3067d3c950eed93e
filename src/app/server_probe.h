// Whether a server is there before the utility connects to it: the bus is
// asked whether the name has an owner or can be activated, and an owner is
// asked what its introspection lists, without calling any member of
// Vantrel.Application and without starting an activatable server. The
// questions go out on a thread of their own, so a window that asks never
// waits on a bus that does not answer.
#pragma once

#include "dbus/endpoint.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

namespace vantrel {

// What the bus said.
struct ProbeFacts {
    bool connected = false;   // the bus could be reached
    QString busError;         // why not, or why it answered no question
    bool hasOwner = false;
    bool activatable = false;
    bool introspected = false;
    QString introspectError;
    QStringList interfaces;   // of the object path, as its introspection lists them
    int applicationMembers = 0; // methods and properties of Vantrel.Application
};

// Asks the bus, waiting at most `timeout` for each answer. Blocks: for a
// thread of its own, or a test.
ProbeFacts probeServer(const dbus::Endpoint& endpoint, std::chrono::milliseconds timeout);

// The probe's verdict, and the sentence that says it.
struct ProbeVerdict {
    enum class Kind { There, Activatable, NoForecourtServer, Absent, Unreachable };
    Kind kind = Kind::Absent;
    QString text;
    // A server the utility may connect to: there, or started by the bus on the first call.
    bool usable() const { return kind == Kind::There || kind == Kind::Activatable; }
};
ProbeVerdict judgeProbe(const dbus::Endpoint& endpoint, const ProbeFacts& facts);
// The embedded simulator needs no probe: it is part of the utility.
ProbeVerdict embeddedVerdict();

// The verdict on `spec` at start-up, waiting for it at most the timeout
// (and no more than a few seconds) while the event loop runs; a probe that
// does not end in time is the bus not answering.
ProbeVerdict probeAtStartup(const QString& spec, std::chrono::milliseconds timeout);

// Waits at most `limit` for the probes still out on their threads; true when
// none is left. A probe of a bus that does not answer may outlive its window:
// the program must not end while one is still inside Qt D-Bus.
bool probesEnded(std::chrono::milliseconds limit);

// Probes on a thread and tells the verdict on the thread that asked. A new
// probe makes an answer still due from an earlier one void; an answer that
// comes after the prober is gone is dropped.
class ServerProber : public QObject {
    Q_OBJECT
public:
    explicit ServerProber(QObject* parent = nullptr);
    ~ServerProber() override;
    // `spec` as --server takes it; the embedded simulator is judged at once.
    void probe(const QString& spec, std::chrono::milliseconds timeout);
    bool busy() const { return m_busy; }

signals:
    void judged(const QString& spec, const vantrel::ProbeVerdict& verdict);

private:
    struct Alive;
    std::shared_ptr<Alive> m_alive;
    unsigned m_generation = 0;
    bool m_busy = false;
};

} // namespace vantrel
