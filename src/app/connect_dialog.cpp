#include "connect_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vantrel {

namespace {
constexpr int kSettleMs = 300;

QPushButton* button(QWidget* parent, const QString& caption, const char* name, const QString& accessible)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAccessibleName(accessible);
    b->setAutoDefault(false);
    return b;
}
} // namespace

ConnectDialog::ConnectDialog(SiteBook& sites, const QString& currentServer, int currentTimeoutMs, QWidget* parent)
    : QDialog(parent), m_sites(sites)
{
    setObjectName("ConnectDialog");
    setWindowTitle("Connect to server");
    setAccessibleName("Connect to server");

    // Built in the order Tab moves through it: the sites, the server, the check, then Connect.
    auto* sitesBox = new QGroupBox("Saved &sites (recent first)", this);
    m_list = new QListWidget(sitesBox);
    m_list->setObjectName("siteList");
    m_list->setAccessibleName("Saved sites");
    m_save = button(sitesBox, "Sa&ve as site\u2026", "saveSite", "Save the server as a site");
    m_rename = button(sitesBox, "Rena&me\u2026", "renameSite", "Rename the site");
    m_remove = button(sitesBox, "Rem&ove", "removeSite", "Remove the site");
    auto* siteButtons = new QVBoxLayout;
    siteButtons->addWidget(m_save);
    siteButtons->addWidget(m_rename);
    siteButtons->addWidget(m_remove);
    siteButtons->addStretch();
    auto* sitesLayout = new QHBoxLayout(sitesBox);
    sitesLayout->addWidget(m_list, 1);
    sitesLayout->addLayout(siteButtons);

    auto* serverBox = new QGroupBox("Server", this);
    m_kinds = new QButtonGroup(this);
    const struct {
        ServerKind kind;
        const char* caption;
        const char* name;
        const char* accessible;
    } kinds[] = {
        {ServerKind::Embedded, "&Embedded simulator", "kindEmbedded", "The embedded simulator"},
        {ServerKind::SessionBus, "Session &bus", "kindSession", "A server on the session bus"},
        {ServerKind::SystemBus, "S&ystem bus", "kindSystem", "A server on the system bus"},
        {ServerKind::Address, "Bus at an a&ddress", "kindAddress", "A server on the bus at an address"},
    };
    auto* kindRow = new QHBoxLayout;
    for (const auto& k : kinds) {
        auto* radio = new QRadioButton(k.caption, serverBox);
        radio->setObjectName(k.name);
        radio->setAccessibleName(k.accessible);
        m_kinds->addButton(radio, static_cast<int>(k.kind));
        kindRow->addWidget(radio);
    }
    kindRow->addStretch();
    m_busName = new QLineEdit(serverBox);
    m_busName->setObjectName("busName");
    m_busName->setAccessibleName("Bus name");
    m_busName->setPlaceholderText("Vantrel.Application");
    m_address = new QLineEdit(serverBox);
    m_address->setObjectName("busAddress");
    m_address->setAccessibleName("Bus address");
    m_address->setPlaceholderText("unix:path=/run/site.sock");
    m_timeout = new QSpinBox(serverBox);
    m_timeout->setObjectName("timeout");
    m_timeout->setAccessibleName("Call timeout in milliseconds");
    m_timeout->setRange(1, 600'000);
    m_timeout->setSingleStep(500);
    m_timeout->setSuffix(" ms");
    auto* fields = new QFormLayout;
    auto* nameLabel = new QLabel("Bus &name:", serverBox);
    nameLabel->setBuddy(m_busName);
    auto* addressLabel = new QLabel("Add&ress:", serverBox);
    addressLabel->setBuddy(m_address);
    auto* timeoutLabel = new QLabel("&Timeout:", serverBox);
    timeoutLabel->setBuddy(m_timeout);
    fields->addRow(nameLabel, m_busName);
    fields->addRow(addressLabel, m_address);
    fields->addRow(timeoutLabel, m_timeout);
    auto* serverLayout = new QVBoxLayout(serverBox);
    serverLayout->addLayout(kindRow);
    serverLayout->addLayout(fields);

    m_verdict = new QLabel(this);
    m_verdict->setObjectName("verdict");
    m_verdict->setAccessibleName("Whether the server is there");
    m_verdict->setWordWrap(true);
    m_verdict->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_verdict->setMinimumHeight(m_verdict->fontMetrics().lineSpacing() * 3);
    m_check = button(this, "C&heck again", "checkServer", "Check whether the server is there");

    auto* buttons = new QDialogButtonBox(this);
    m_connect = buttons->addButton("&Connect", QDialogButtonBox::AcceptRole);
    m_connect->setObjectName("connect");
    m_connect->setAccessibleName("Connect: start the utility again with this server");
    m_connect->setDefault(true);
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName("cancel");
    cancel->setAccessibleName("Cancel");

    auto* checkRow = new QHBoxLayout;
    checkRow->addWidget(m_verdict, 1);
    checkRow->addWidget(m_check, 0, Qt::AlignTop);
    auto* note = new QLabel("Connecting starts the utility again with the server chosen: one server per run.", this);
    note->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sitesBox, 1);
    layout->addWidget(serverBox);
    layout->addLayout(checkRow);
    layout->addWidget(note);
    layout->addWidget(buttons);

    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &ConnectDialog::checkNow);
    connect(&m_prober, &ServerProber::judged, this, &ConnectDialog::showVerdict);
    connect(m_list, &QListWidget::currentRowChanged, this, &ConnectDialog::siteChosen);
    connect(m_list, &QListWidget::itemActivated, this, [this] {
        if (m_connect->isEnabled())
            accept();
    });
    connect(m_kinds, &QButtonGroup::idClicked, this, &ConnectDialog::formEdited);
    connect(m_busName, &QLineEdit::textEdited, this, &ConnectDialog::formEdited);
    connect(m_address, &QLineEdit::textEdited, this, &ConnectDialog::formEdited);
    connect(m_timeout, &QSpinBox::valueChanged, this, &ConnectDialog::formEdited);
    connect(m_check, &QPushButton::clicked, this, &ConnectDialog::checkNow);
    connect(m_save, &QPushButton::clicked, this, &ConnectDialog::saveAsSite);
    connect(m_rename, &QPushButton::clicked, this, &ConnectDialog::renameSite);
    connect(m_remove, &QPushButton::clicked, this, &ConnectDialog::removeSite);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    m_siteName = m_sites.siteOf(currentServer);
    fillSites(m_siteName);
    setForm(serverForm(currentServer).value_or(ServerForm{}), currentTimeoutMs);
    checkNow();
    resize(640, 520); // whole on a 1366 by 768 screen
}

int ConnectDialog::timeoutMs() const { return m_timeout->value(); }
QString ConnectDialog::verdictText() const { return m_verdict->text(); }

ServerForm ConnectDialog::form() const
{
    ServerForm f;
    f.kind = static_cast<ServerKind>(std::max(0, m_kinds->checkedId()));
    f.busName = m_busName->text().trimmed().isEmpty() ? QStringLiteral("Vantrel.Application") : m_busName->text();
    f.address = m_address->text();
    return f;
}

void ConnectDialog::setForm(const ServerForm& f, int timeoutMs)
{
    m_filling = true;
    m_kinds->button(static_cast<int>(f.kind))->setChecked(true);
    m_busName->setText(f.kind == ServerKind::Embedded ? QString() : f.busName);
    m_address->setText(f.address);
    m_timeout->setValue(timeoutMs);
    m_filling = false;
    formEdited();
}

void ConnectDialog::fillSites(const QString& select)
{
    m_filling = true;
    m_list->clear();
    for (const SavedSite& site : m_sites.sites()) {
        auto* item = new QListWidgetItem(site.name + "  \u2014  " + describeServer(site.server), m_list);
        item->setData(Qt::UserRole, site.name);
        item->setToolTip(QStringLiteral("%1, timeout %2 ms").arg(site.server).arg(site.timeoutMs));
        if (site.name == select)
            m_list->setCurrentItem(item);
    }
    m_filling = false;
    const bool chosen = m_list->currentItem() != nullptr;
    m_rename->setEnabled(chosen);
    m_remove->setEnabled(chosen);
}

void ConnectDialog::siteChosen()
{
    const bool chosen = m_list->currentItem() != nullptr;
    m_rename->setEnabled(chosen);
    m_remove->setEnabled(chosen);
    if (m_filling || !chosen)
        return;
    const QString name = m_list->currentItem()->data(Qt::UserRole).toString();
    if (const SavedSite* site = m_sites.find(name)) {
        m_siteName = name;
        setForm(serverForm(site->server).value_or(ServerForm{}), site->timeoutMs);
    }
}

void ConnectDialog::formEdited()
{
    if (m_filling)
        return;
    const ServerForm f = form();
    const bool bus = f.kind != ServerKind::Embedded;
    m_busName->setEnabled(bus);
    m_address->setEnabled(f.kind == ServerKind::Address);
    m_timeout->setEnabled(bus);
    QString problem;
    m_spec = serverSpec(f, problem);
    // A form that no longer is the chosen site's server is no longer that site.
    if (const SavedSite* site = m_sites.find(m_siteName); !site || site->server != m_spec || site->timeoutMs != timeoutMs()) {
        m_siteName.clear();
        m_filling = true;
        m_list->setCurrentRow(-1);
        m_filling = false;
    }
    m_connect->setEnabled(!m_spec.isEmpty());
    m_save->setEnabled(!m_spec.isEmpty());
    m_check->setEnabled(!m_spec.isEmpty());
    if (m_spec.isEmpty()) {
        m_settle.stop();
        m_verdict->setText(problem);
        return;
    }
    m_verdict->setText("Checking " + describeServer(m_spec) + "\u2026");
    m_settle.start();
}

void ConnectDialog::checkNow()
{
    m_settle.stop();
    if (m_spec.isEmpty())
        return;
    m_verdict->setText("Checking " + describeServer(m_spec) + "\u2026");
    m_prober.probe(m_spec, std::chrono::milliseconds(std::min(timeoutMs(), 5000)));
}

void ConnectDialog::showVerdict(const QString& spec, const ProbeVerdict& verdict)
{
    if (spec == m_spec)
        m_verdict->setText(verdict.text);
}

void ConnectDialog::saveAsSite()
{
    bool ok = false;
    const QString name = QInputDialog::getText(this, "Save as site", "Name of the site:", QLineEdit::Normal,
                                               m_siteName, &ok);
    if (!ok)
        return;
    const QString why = m_sites.add({name, m_spec, timeoutMs(), {}});
    if (!why.isEmpty()) {
        QMessageBox::warning(this, "Save as site", why);
        return;
    }
    m_siteName = name.trimmed();
    fillSites(m_siteName);
}

void ConnectDialog::renameSite()
{
    if (!m_list->currentItem())
        return;
    const QString from = m_list->currentItem()->data(Qt::UserRole).toString();
    bool ok = false;
    const QString to = QInputDialog::getText(this, "Rename site", "New name of the site:", QLineEdit::Normal, from, &ok);
    if (!ok || to == from)
        return;
    if (const QString why = m_sites.rename(from, to); !why.isEmpty()) {
        QMessageBox::warning(this, "Rename site", why);
        return;
    }
    if (m_siteName == from)
        m_siteName = to.trimmed();
    fillSites(to.trimmed());
}

void ConnectDialog::removeSite()
{
    if (!m_list->currentItem())
        return;
    const QString name = m_list->currentItem()->data(Qt::UserRole).toString();
    if (QMessageBox::question(this, "Remove site", QStringLiteral("Remove the site \"%1\"?").arg(name)) != QMessageBox::Yes)
        return;
    m_sites.remove(name);
    if (m_siteName == name)
        m_siteName.clear();
    fillSites();
}

} // namespace vantrel
