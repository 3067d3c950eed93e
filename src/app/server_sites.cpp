#include "server_sites.h"

#include "dbus/endpoint.h"
#include "forecourt/forecourt_server.h"

#include <QSettings>

#include <algorithm>

namespace vantrel {

namespace {
constexpr int kMinTimeoutMs = 1;
constexpr int kMaxTimeoutMs = 600'000;
const QString kEmbedded = QString::fromLatin1(forecourt::kProgId);
} // namespace

QString serverSpec(const ServerForm& form, QString& problem)
{
    if (form.kind == ServerKind::Embedded)
        return kEmbedded;
    const QString name = form.busName.trimmed();
    if (!dbus::isValidBusName(name.toStdString())) {
        problem = name.isEmpty() ? QStringLiteral("Give the bus name of the server (Vantrel.Application).")
                                 : QStringLiteral("\"%1\" is no bus name: write it as Vantrel.Application.").arg(name);
        return {};
    }
    QString spec = "dbus:" + name;
    if (form.kind == ServerKind::SystemBus)
        spec += "@system";
    if (form.kind == ServerKind::Address) {
        const QString address = form.address.trimmed();
        if (address.isEmpty() || !address.contains(':')) {
            problem = QStringLiteral("Give the bus address, such as unix:path=/run/site.sock.");
            return {};
        }
        spec += "@" + address;
    }
    // What the dialog writes is what --server reads.
    if (!dbus::parseServerSpec(spec.toStdString())) {
        problem = QStringLiteral("%1 is no server the utility can reach.").arg(spec);
        return {};
    }
    return spec;
}

std::optional<ServerForm> serverForm(const QString& spec)
{
    if (spec == kEmbedded)
        return ServerForm{};
    const auto endpoint = dbus::parseServerSpec(spec.toStdString());
    if (!endpoint)
        return std::nullopt;
    ServerForm form;
    form.busName = QString::fromStdString(endpoint->busName);
    switch (endpoint->bus) {
    case dbus::Endpoint::Bus::Session: form.kind = ServerKind::SessionBus; break;
    case dbus::Endpoint::Bus::System: form.kind = ServerKind::SystemBus; break;
    case dbus::Endpoint::Bus::Address:
        form.kind = ServerKind::Address;
        form.address = QString::fromStdString(endpoint->address);
        break;
    }
    return form;
}

QString describeServer(const QString& spec)
{
    if (spec == kEmbedded)
        return kEmbedded + " (embedded)";
    if (const auto endpoint = dbus::parseServerSpec(spec.toStdString()))
        return QString::fromStdString(dbus::describe(*endpoint));
    return spec;
}

SiteBook::SiteBook(QSettings& settings) : m_settings(settings)
{
    const int n = m_settings.beginReadArray("sites");
    for (int i = 0; i < n; ++i) {
        m_settings.setArrayIndex(i);
        SavedSite site{m_settings.value("name").toString(), m_settings.value("server").toString(),
                       m_settings.value("timeoutMs", 5000).toInt(), m_settings.value("lastUsed").toDateTime()};
        // A site edited by hand into something unusable is left out, not guessed at.
        if (checkSite(site.name, site.server, site.timeoutMs, {}).isEmpty())
            m_sites << site;
    }
    m_settings.endArray();
    const QString last = m_settings.value("last/server").toString();
    if (!last.isEmpty() && serverForm(last))
        m_last = LastServer{last, std::clamp(m_settings.value("last/timeoutMs", 5000).toInt(), kMinTimeoutMs, kMaxTimeoutMs)};
    sort();
}

const SavedSite* SiteBook::find(const QString& name) const
{
    const auto it = std::find_if(m_sites.begin(), m_sites.end(), [&](const SavedSite& s) { return s.name == name; });
    return it == m_sites.end() ? nullptr : &*it;
}

QString SiteBook::checkSite(const QString& name, const QString& server, int timeoutMs, const QString& except) const
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("Give the site a name.");
    if (name != except && find(name))
        return QStringLiteral("A site named \"%1\" is saved already.").arg(name);
    if (!serverForm(server))
        return QStringLiteral("\"%1\" is no server: the embedded simulator, or %2.")
            .arg(server, QString::fromLatin1(dbus::kServerForms));
    if (timeoutMs < kMinTimeoutMs || timeoutMs > kMaxTimeoutMs)
        return QStringLiteral("The timeout is %1 ms: give 1 to 600000 ms.").arg(timeoutMs);
    return {};
}

QString SiteBook::add(const SavedSite& site)
{
    SavedSite added = site;
    added.name = site.name.trimmed();
    if (QString why = checkSite(added.name, added.server, added.timeoutMs, {}); !why.isEmpty())
        return why;
    m_sites << added;
    sort();
    write();
    return {};
}

QString SiteBook::update(const QString& name, const QString& server, int timeoutMs)
{
    const auto it = std::find_if(m_sites.begin(), m_sites.end(), [&](const SavedSite& s) { return s.name == name; });
    if (it == m_sites.end())
        return QStringLiteral("No site is named \"%1\".").arg(name);
    if (QString why = checkSite(name, server, timeoutMs, name); !why.isEmpty())
        return why;
    it->server = server;
    it->timeoutMs = timeoutMs;
    write();
    return {};
}

QString SiteBook::rename(const QString& from, const QString& to)
{
    const auto it = std::find_if(m_sites.begin(), m_sites.end(), [&](const SavedSite& s) { return s.name == from; });
    if (it == m_sites.end())
        return QStringLiteral("No site is named \"%1\".").arg(from);
    const QString name = to.trimmed();
    if (QString why = checkSite(name, it->server, it->timeoutMs, from); !why.isEmpty())
        return why;
    it->name = name;
    sort();
    write();
    return {};
}

QString SiteBook::remove(const QString& name)
{
    const auto it = std::find_if(m_sites.begin(), m_sites.end(), [&](const SavedSite& s) { return s.name == name; });
    if (it == m_sites.end())
        return QStringLiteral("No site is named \"%1\".").arg(name);
    m_sites.erase(it);
    write();
    return {};
}

void SiteBook::markUsed(const QString& server, int timeoutMs, const QString& siteName, const QDateTime& when)
{
    m_last = LastServer{server, timeoutMs};
    bool named = false;
    for (auto& site : m_sites)
        if (!siteName.isEmpty() && site.name == siteName && site.server == server) {
            site.lastUsed = when;
            named = true;
        }
    if (!named)
        for (auto& site : m_sites)
            if (site.server == server)
                site.lastUsed = when;
    sort();
    write();
}

QString SiteBook::siteOf(const QString& server) const
{
    for (const auto& site : m_sites)
        if (site.server == server)
            return site.name;
    return {};
}

void SiteBook::sort()
{
    std::stable_sort(m_sites.begin(), m_sites.end(), [](const SavedSite& a, const SavedSite& b) {
        if (a.lastUsed.isValid() != b.lastUsed.isValid())
            return a.lastUsed.isValid();
        if (a.lastUsed.isValid() && a.lastUsed != b.lastUsed)
            return a.lastUsed > b.lastUsed;
        return QString::localeAwareCompare(a.name, b.name) < 0;
    });
}

void SiteBook::write()
{
    m_settings.remove("sites");
    m_settings.beginWriteArray("sites", static_cast<int>(m_sites.size()));
    for (int i = 0; i < m_sites.size(); ++i) {
        m_settings.setArrayIndex(i);
        const SavedSite& site = m_sites[i];
        m_settings.setValue("name", site.name);
        m_settings.setValue("server", site.server);
        m_settings.setValue("timeoutMs", site.timeoutMs);
        if (site.lastUsed.isValid())
            m_settings.setValue("lastUsed", site.lastUsed);
    }
    m_settings.endArray();
    if (m_last) {
        m_settings.setValue("last/server", m_last->server);
        m_settings.setValue("last/timeoutMs", m_last->timeoutMs);
    }
    m_settings.sync();
}

StartupServer chooseStartupServer(const QString& commandLine, const QString& environment,
                                  std::optional<int> commandLineTimeoutMs, bool scriptRun,
                                  const std::optional<LastServer>& last)
{
    StartupServer choice{kEmbedded, commandLineTimeoutMs.value_or(5000), StartupServer::From::Default};
    if (!commandLine.isEmpty()) {
        choice.server = commandLine;
        choice.from = StartupServer::From::CommandLine;
    } else if (!environment.isEmpty()) {
        choice.server = environment;
        choice.from = StartupServer::From::Environment;
    } else if (!scriptRun && last) {
        choice.server = last->server;
        choice.from = StartupServer::From::LastUsed;
        // A timeout given on the command line still counts.
        choice.timeoutMs = commandLineTimeoutMs.value_or(last->timeoutMs);
    }
    return choice;
}

} // namespace vantrel
