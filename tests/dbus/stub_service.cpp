#include "stub_service.h"

#include "dbus/wire_contract.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QStringList>
#include <QTimer>

namespace vantrel::dbus::test {

namespace {
class StubObject : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const QString member = message.member();
        const QVariantList args = message.arguments();
        const QString text = args.isEmpty() ? QString() : qvariant_cast<QDBusVariant>(args.front()).variant().toString();
        if (member == "Silent")
            return true;
        if (member == "Slow") {
            QTimer::singleShot(300, [message, connection] { connection.send(message.createReply(QVariant::fromValue(QDBusVariant(QByteArray("late"))))); });
            return true;
        }
        QDBusMessage reply;
        if (member == "Raise")
            reply = message.createErrorReply(text, QStringLiteral("the bus says why"));
        else if (member == "Echo")
            reply = message.createReply(args);
        else if (member == "Returns")
            reply = message.createReply(QVariant::fromValue(QDBusVariant(returned(text))));
        else if (member == "ReturnsBare")
            reply = message.createReply(QVariant(QStringLiteral("bare")));
        else if (member == "AnswerSize") { // CardQue answers with stubAnswer(size) from now on
            m_answerSize = args.isEmpty() ? 0 : qvariant_cast<QDBusVariant>(args.front()).variant().toLongLong();
            reply = message.createReply();
        } else if (member == "CardQue")
            reply = message.createReply(QVariant::fromValue(QDBusVariant(stubAnswer(m_answerSize))));
        else
            reply = message.createReply(); // Properties.Set and anything else: nothing to do
        connection.send(reply);
        return true;
    }

private:
    qsizetype m_answerSize = 0;

    static QVariant returned(const QString& signature)
    {
        if (signature == "as")
            return QStringList{"a", "b"};
        if (signature == "u")
            return QVariant::fromValue(7u);
        if (signature == "y")
            return QVariant::fromValue<uchar>(7);
        if (signature == "s-wide")
            return QString::fromUtf16(u"smile \u263A");
        return QString::fromUtf16(u"caf\u00E9");
    }
};
} // namespace

QByteArray stubAnswer(qsizetype size)
{
    static const QByteArray line = "CardData=0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopq\r\n";
    QByteArray answer;
    answer.reserve(size);
    while (answer.size() + line.size() <= size)
        answer += line;
    answer += line.left(size - answer.size());
    return answer;
}

StubService::StubService(QString address) : m_address(std::move(address))
{
    start();
    m_ready.acquire();
}

StubService::~StubService()
{
    quit();
    wait();
}

void StubService::run()
{
    const QString name = "stub@" + m_address;
    {
        QDBusConnection connection = QDBusConnection::connectToBus(m_address, name);
        StubObject object;
        connection.registerVirtualObject(kObjectPath, &object);
        connection.interface()->registerService(kStubName);
        m_ready.release();
        exec();
        connection.unregisterObject(kObjectPath);
    }
    QDBusConnection::disconnectFromBus(name);
}

} // namespace vantrel::dbus::test
