#include "forecourt_service.h"

#include "dbus/wire_contract.h"
#include "forecourt/forecourt_server.h"
#include "forecourt/site_file.h"
#include "forecourt/traffic.h"

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

// The traffic the options ask for, on a site just made (at start and on every Reset).
void startTraffic(dbus::ServedInstance& instance, const ServiceOptions& options)
{
    if (auto* site = dynamic_cast<forecourt::ForecourtServer*>(instance.object.get())) {
        site->traffic().setSeed(options.seed);
        site->traffic().setRate(options.traffic);
    }
}
} // namespace

ForecourtService::ForecourtService(ServiceOptions options, LogSink log, LogSink notify, LogSink problem)
    : m_options(std::move(options)),
      m_log(std::move(log)),
      m_notify(std::move(notify)),
      m_problem(std::move(problem)),
      m_connection(kConnectionName)
{
}

void ForecourtService::end(int status)
{
    if (m_endStatus)
        return;
    m_endStatus = status;
    // QCoreApplication::exit does nothing before the loop runs: ask from the loop.
    QTimer::singleShot(0, QCoreApplication::instance(), [status] { QCoreApplication::exit(status); });
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
    m_object = std::make_unique<dbus::ServiceObject>(
        [virtualClock, options = m_options] {
            dbus::ServedInstance instance = makeForecourt(virtualClock);
            // The site file's site, on every fresh site (start and Reset), before any customer comes.
            if (auto* site = dynamic_cast<forecourt::ForecourtServer*>(instance.object.get()); site && options.site)
                forecourt::applySite(*site, *options.site);
            startTraffic(instance, options);
            return instance;
        },
        forecourt::ForecourtServer::members(), m_log);
    m_object->setConnection(m_connection);
    if (!m_connection.registerVirtualObject(dbus::kObjectPath, m_object.get()))
        return "cannot export " + std::string(dbus::kObjectPath) + " on " + busDescription();

    // Watched before the name is asked for: a server that takes it over at
    // once must not find this one not yet listening.
    watch();
    if (std::string refused = requestName(); !refused.empty())
        return refused;
    // The name may have gone to another server between the answer and the
    // watch taking hold; the bus knows who owns it now.
    const QString owner = nameOwner();
    if (owner != m_connection.baseService()) {
        m_notify(std::string(dbus::kDefaultBusName) + " was taken over by " +
                 (owner.isEmpty() ? std::string("another server") : owner.toStdString()) + " while starting; ending");
        end(kExitClean);
    }
    return {};
}

QString ForecourtService::nameOwner()
{
    QDBusMessage ownerQuery = busCall("GetNameOwner");
    ownerQuery << QString::fromLatin1(dbus::kDefaultBusName);
    const QDBusMessage owner = m_connection.call(ownerQuery, QDBus::Block, 10000);
    return owner.type() == QDBusMessage::ReplyMessage ? owner.arguments().value(0).toString() : QString();
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

    const QString owner = nameOwner();
    const std::string by = owner.isEmpty() ? std::string() : " (by " + owner.toStdString() + ")";
    return name.toStdString() + " is already served on " + busDescription() + by +
           "; start with --replace to take it over";
}

void ForecourtService::watch()
{
    const QString name = QString::fromLatin1(dbus::kDefaultBusName);
    // The bus tells the connection itself when it loses a name (NameLost,
    // addressed to it, which Qt hands on as serviceUnregistered): with
    // ALLOW_REPLACEMENT and no queueing, only another server's --replace takes it.
    QObject::connect(m_connection.interface(), &QDBusConnectionInterface::serviceUnregistered, &m_context,
                     [this, name](const QString& lost) {
                         if (lost != name || m_endStatus)
                             return;
                         m_notify(name.toStdString() + " was taken over by another server; ending");
                         end(kExitClean);
                     });
    // The bus tells nobody that it went away or dropped this connection (a
    // message larger than it carries, say); ask the connection now and then.
    m_busWatch.setInterval(250);
    QObject::connect(&m_busWatch, &QTimer::timeout, &m_context, [this] {
        if (m_connection.isConnected())
            return;
        m_busWatch.stop();
        const QString why = m_connection.lastError().isValid() ? m_connection.lastError().message() : QString();
        m_problem(busDescription() + " went away; ending with status " + std::to_string(kExitBusLost) +
                  ": the connection to it closed" + (why.isEmpty() ? std::string() : " (" + why.toStdString() + ")"));
        end(kExitBusLost);
    });
    m_busWatch.start();
}

} // namespace vantrel::service
