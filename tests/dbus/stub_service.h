// A small D-Bus server of the tests' own, on a thread of the test process,
// that misbehaves on request: Raise(name) replies with that error,
// Returns(signature) with a variant of that type, Silent() never replies,
// Slow() replies after 300 ms, Echo(v) returns its argument, CardQue() an
// "ay" of the size AnswerSize(v) last set.
#pragma once

#include <QByteArray>
#include <QString>
#include <QThread>

#include <QSemaphore>

namespace vantrel::dbus::test {

inline constexpr const char* kStubName = "Vantrel.Stub";

// What CardQue answers after AnswerSize(size), as one "ay": lines of 64 bytes ended by CR LF, cut to `size` bytes.
QByteArray stubAnswer(qsizetype size);

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
