#include "forecourt_service.h"

#include "dbus/wire_contract.h"
#include "forecourt/forecourt_server.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace vantrel::service {

namespace {
constexpr const char* kConnectionName = "vantrel-forecourt";
// RequestName flags and answers of the bus.
constexpr uint kAllowReplacement = 0x1;
constexpr uint kReplaceExisting = 0x2;
constexpr uint kDoNotQueue = 0x4;
constexpr uint kPrimaryOwner = 1;
constexpr uint kAlreadyOwner = 4;

QDBusMessage busCall(const char* member)
{
    return QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                          member);
}

dbus::ServedInstance makeForecourt(bool virtualClock)
{
    dbus::ServedInstance instance;
    if (virtualClock)
        instance.clock = std::make_shared<forecourt::ManualClock>();
    instance.object = std::make_unique<forecourt::ForecourtServer>(instance.clock);
    return instance;
}
} // namespace

ForecourtService::ForecourtService(ServiceOptions options, LogSink log, LogSink notify)
    : m_options(std::move(options)), m_log(std::move(log)), m_notify(std::move(notify)), m_connection(kConnectionName)
{
}

ForecourtService::~ForecourtService()
{
    m_busWatch.stop();
    if (m_connection.isConnected())
        m_connection.unregisterObject(dbus::kObjectPath);
    QDBusConnection::disconnectFromBus(kConnectionName);
}

std::string ForecourtService::busDescription() const
{
    switch (m_options.bus) {
    case ServiceOptions::Bus::System: return "the system bus";
    case ServiceOptions::Bus::Address: return "the bus at " + m_options.address;
    case ServiceOptions::Bus::Session:
    case ServiceOptions::Bus::Default: break;
    }
    return "the session bus";
}

bool ForecourtService::connectToBus()
{
    switch (m_options.bus) {
    case ServiceOptions::Bus::Default:
        // Started by the bus (activation): serve on the bus that started us.
        if (!qEnvironmentVariableIsEmpty("DBUS_STARTER_ADDRESS")) {
            m_connection = QDBusConnection::connectToBus(QDBusConnection::ActivationBus, kConnectionName);
            break;
        }
        [[fallthrough]];
    case ServiceOptions::Bus::Session:
        m_connection = QDBusConnection::connectToBus(QDBusConnection::SessionBus, kConnectionName);
        break;
    case ServiceOptions::Bus::System:
        m_connection = QDBusConnection::connectToBus(QDBusConnection::SystemBus, kConnectionName);
        break;
    case ServiceOptions::Bus::Address:
        m_connection = QDBusConnection::connectToBus(QString::fromStdString(m_options.address), kConnectionName);
        break;
    }
    return m_connection.isConnected();
}

std::string ForecourtService::start()
{
    if (!connectToBus())
        return "cannot reach " + busDescription() + ": " + m_connection.lastError().message().toStdString();

    const bool virtualClock = m_options.virtualClock;
    m_object = std::make_unique<dbus::ServiceObject>([virtualClock] { return makeForecourt(virtualClock); },
                                                     forecourt::ForecourtServer::members(), m_log);
    if (!m_connection.registerVirtualObject(dbus::kObjectPath, m_object.get()))
        return "cannot export " + std::string(dbus::kObjectPath) + " on " + busDescription();

    if (std::string refused = requestName(); !refused.empty())
        return refused;
    watch();
    return {};
}

std::string ForecourtService::requestName()
{
    const QString name = QString::fromLatin1(dbus::kDefaultBusName);
    QDBusMessage request = busCall("RequestName");
    request << name << (kAllowReplacement | kDoNotQueue | (m_options.replace ? kReplaceExisting : 0u));
    const QDBusMessage reply = m_connection.call(request, QDBus::Block, 10000);
    if (reply.type() == QDBusMessage::ErrorMessage)
        return "cannot own " + name.toStdString() + " on " + busDescription() + ": " +
               reply.errorMessage().toStdString() + " (" + reply.errorName().toStdString() + ")";
    const uint answer = reply.arguments().value(0).toUInt();
    if (answer == kPrimaryOwner || answer == kAlreadyOwner)
        return {};

    QDBusMessage ownerQuery = busCall("GetNameOwner");
    ownerQuery << name;
    const QDBusMessage owner = m_connection.call(ownerQuery, QDBus::Block, 10000);
    const std::string by = owner.type() == QDBusMessage::ReplyMessage
                               ? " (by " + owner.arguments().value(0).toString().toStdString() + ")"
                               : std::string();
    return name.toStdString() + " is already served on " + busDescription() + by +
           "; start with --replace to take it over";
}

void ForecourtService::watch()
{
    const QString name = QString::fromLatin1(dbus::kDefaultBusName);
    QObject::connect(m_connection.interface(), &QDBusConnectionInterface::serviceUnregistered, &m_context,
                     [this, name](const QString& lost) {
                         if (lost != name)
                             return;
                         m_notify(name.toStdString() + " was taken over by another server; ending");
                         QCoreApplication::exit(0);
                     });
    // The bus tells nobody that it went away; ask the connection now and then.
    m_busWatch.setInterval(250);
    QObject::connect(&m_busWatch, &QTimer::timeout, &m_context, [this] {
        if (m_connection.isConnected())
            return;
        m_busWatch.stop();
        m_notify(busDescription() + " went away; ending");
        QCoreApplication::exit(0);
    });
    m_busWatch.start();
}

} // namespace vantrel::service
