// A small D-Bus server of the tests' own, on a thread of the test process,
// that misbehaves on request: Raise(name) replies with that error,
// Returns(signature) with a variant of that type, Silent() never replies,
// Slow() replies after 300 ms, Echo(v) returns its argument.
#pragma once

#include <QString>
#include <QThread>

#include <QSemaphore>

namespace vantrel::dbus::test {

inline constexpr const char* kStubName = "Vantrel.Stub";

class StubService : public QThread {
public:
    explicit StubService(QString address);
    ~StubService() override;

protected:
    void run() override;

private:
    QString m_address;
    QSemaphore m_ready;
};

} // namespace vantrel::dbus::test
