// File → Connect to server…: the embedded simulator, a server on the
// session bus, on the system bus or at a bus address, with the call timeout;
// the saved sites, recent first, added, renamed and removed here; and,
// before connecting, whether the server is there. The logic is in
// server_sites.h and server_probe.h; this is the window over it.
#pragma once

#include "server_probe.h"
#include "server_sites.h"

#include <QDialog>
#include <QTimer>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace vantrel {

class ConnectDialog : public QDialog {
    Q_OBJECT
public:
    // Starts with the server of this run and its timeout.
    ConnectDialog(SiteBook& sites, const QString& currentServer, int currentTimeoutMs, QWidget* parent = nullptr);

    // The choice, once accepted: the server as --server takes it, the
    // timeout, and the saved site it came from (empty for none).
    QString server() const { return m_spec; }
    int timeoutMs() const;
    QString siteName() const { return m_siteName; }
    // What the dialog says of the server, as shown.
    QString verdictText() const;
    ServerProber& prober() { return m_prober; }
    // The form, as the keyboard fills it (for tests and the site list).
    void setForm(const ServerForm& form, int timeoutMs);

private:
    void fillSites(const QString& select = {});
    void siteChosen();
    void formEdited();
    void checkNow();
    void showVerdict(const QString& spec, const ProbeVerdict& verdict);
    void saveAsSite();
    void renameSite();
    void removeSite();
    ServerForm form() const;

    SiteBook& m_sites;
    ServerProber m_prober;
    QTimer m_settle; // a probe once the typing pauses
    QString m_spec, m_siteName;
    bool m_filling = false;

    QListWidget* m_list = nullptr;
    QPushButton *m_save = nullptr, *m_rename = nullptr, *m_remove = nullptr;
    QButtonGroup* m_kinds = nullptr;
    QLineEdit *m_busName = nullptr, *m_address = nullptr;
    QSpinBox* m_timeout = nullptr;
    QLabel* m_verdict = nullptr;
    QPushButton *m_check = nullptr, *m_connect = nullptr;
};

} // namespace vantrel
