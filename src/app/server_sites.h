// The servers a technician connects to, kept between runs: saved sites (a
// name, the server in the forms --server takes, the call timeout), recent
// first, and the server used last, which a run started from the desktop
// menu connects to. Plain Qt Core over QSettings, so that it is tested
// without a display and with settings of the test's own.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

class QSettings;

namespace vantrel {

// The four places a server is: the kinds of the Connect dialog.
enum class ServerKind { Embedded, SessionBus, SystemBus, Address };

struct ServerForm {
    ServerKind kind = ServerKind::Embedded;
    QString busName = QStringLiteral("Vantrel.Application");
    QString address; // ServerKind::Address only
};

// The --server text of a form: "Vantrel.Application", "dbus:NAME",
// "dbus:NAME@system", "dbus:NAME@ADDRESS"; empty, with the reason, when the
// form is no server (a bad bus name, no address).
QString serverSpec(const ServerForm& form, QString& problem);
// The form of a --server text; nothing for a text that is none of the four.
std::optional<ServerForm> serverForm(const QString& spec);
// "Vantrel.Application (embedded)", "Vantrel.Application on the session bus".
QString describeServer(const QString& spec);

struct SavedSite {
    QString name;
    QString server;             // as --server takes it
    int timeoutMs = 5000;
    QDateTime lastUsed = {};    // invalid: never connected to from the dialog
    bool operator==(const SavedSite&) const = default;
};

struct LastServer {
    QString server;
    int timeoutMs = 5000;
};

class SiteBook {
public:
    // Reads the sites and the server used last from `settings`.
    explicit SiteBook(QSettings& settings);

    // Recent first; sites never used after them, by name.
    const QList<SavedSite>& sites() const { return m_sites; }
    const SavedSite* find(const QString& name) const;
    // Each gives the reason when nothing changed, empty when done; the settings are written at once.
    QString add(const SavedSite& site);
    QString update(const QString& name, const QString& server, int timeoutMs);
    QString rename(const QString& from, const QString& to);
    QString remove(const QString& name);
    // A connection made: the server becomes the one used last, and the site
    // of that name (or else every site of that server) moves to the front.
    void markUsed(const QString& server, int timeoutMs, const QString& siteName, const QDateTime& when);
    std::optional<LastServer> last() const { return m_last; }
    // The name of the saved site of that server, if one is; the first of them.
    QString siteOf(const QString& server) const;

private:
    QString checkSite(const QString& name, const QString& server, int timeoutMs, const QString& except) const;
    void sort();
    void write();

    QSettings& m_settings;
    QList<SavedSite> m_sites;
    std::optional<LastServer> m_last;
};

// Which server a run uses and why: --server, else VANTREL_SERVER, else (a
// windowed run started from the menu) the server used last, else the
// embedded simulator. A script run never takes the server used last: it
// gives the same result on every machine.
struct StartupServer {
    enum class From { CommandLine, Environment, LastUsed, Default };
    QString server;
    int timeoutMs = 5000;
    From from = From::Default;
};
StartupServer chooseStartupServer(const QString& commandLine, const QString& environment,
                                  std::optional<int> commandLineTimeoutMs, bool scriptRun,
                                  const std::optional<LastServer>& last);

} // namespace vantrel
