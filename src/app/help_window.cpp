#include "help_window.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace vantrel {

QStringList documentationRoots()
{
    // VANTREL_SOURCE_ROOT is the source tree this program was built from; a
    // program installed elsewhere finds it missing and reads the installed copy.
    return {QStringLiteral(VANTREL_SOURCE_ROOT), QStringLiteral(VANTREL_INSTALLED_DOC_ROOT)};
}

QString findDocument(const QStringList& roots, const QString& relative)
{
    for (const QString& root : roots) {
        const QString path = QDir(root).filePath(relative);
        if (QFileInfo(path).isFile())
            return QFileInfo(path).absoluteFilePath();
    }
    return {};
}

HelpLink followLink(const QUrl& current, const QUrl& link)
{
    if (!link.scheme().isEmpty() && link.scheme() != "file")
        return {HelpLink::Kind::OpenOutside, link, {}};
    const QUrl target = current.resolved(link);
    const QString path = target.toLocalFile();
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return {HelpLink::Kind::Missing, {}, QStringLiteral("%1 is not part of the documentation here.").arg(link.toString())};
    if (path.endsWith(".md", Qt::CaseInsensitive))
        return {HelpLink::Kind::Show, target, {}};
    // Pictures, examples and sources open in the program the desktop has for them.
    return {HelpLink::Kind::OpenOutside, target, {}};
}

HelpWindow::HelpWindow(QStringList roots, QWidget* parent) : QWidget(parent, Qt::Window), m_roots(std::move(roots))
{
    setObjectName("HelpWindow");
    setWindowTitle("VantrelTest Help");
    setAccessibleName("VantrelTest help");

    auto* bar = new QHBoxLayout;
    auto addButton = [&](const QString& caption, const char* name, const QString& description) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAccessibleName(description);
        b->setAutoDefault(false);
        bar->addWidget(b);
        return b;
    };
    QPushButton* back = addButton("&Back", "helpBack", "Back to the previous page");
    QPushButton* forward = addButton("&Forward", "helpForward", "Forward to the next page");
    bar->addSpacing(12);
    const struct {
        const char* caption;
        const char* name;
        const char* document;
        const char* description;
    } pages[] = {
        {"&Manual", "helpManual", "README.md", "The manual"},
        {"&Scripts", "helpScripts", "docs/scripts.md", "The script language"},
        {"&Trace format", "helpTrace", "docs/trace.md", "The trace format"},
        {"&D-Bus", "helpDbus", "docs/dbus.md", "The forecourt over D-Bus"},
        {"Site ta&p", "helpTap", "docs/tap.md", "The site tap"},
        {"Fa&ults", "helpFaults", "docs/faults.md", "Faults of the simulated site"},
    };
    for (const auto& page : pages)
        connect(addButton(page.caption, page.name, page.description), &QPushButton::clicked, this,
                [this, document = QString::fromLatin1(page.document)] { showDocument(document); });
    bar->addStretch();
    QPushButton* close = addButton("Close", "helpClose", "Close the help");
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName("helpText");
    m_browser->setAccessibleName("Help text");
    m_browser->setOpenLinks(false); // followed here: .md in the window, the rest outside
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpWindow::follow);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);
    connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    back->setEnabled(false);
    forward->setEnabled(false);

    m_message = new QLabel(this);
    m_message->setObjectName("helpMessage");
    m_message->setAccessibleName("Help message");
    m_message->setWordWrap(true);
    m_message->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_message);
    layout->addWidget(m_browser, 1);
    // The text first in the tab order: it scrolls with the keys at once.
    setTabOrder(m_browser, back);
    m_browser->setFocus();

    // Whole on a small screen (1366 by 768 with its panel).
    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                         : QRect(0, 0, 1024, 700);
    resize(std::min(900, screen.width() - 40), std::min(760, screen.height() - 60));
}

QString HelpWindow::message() const { return m_message->text(); }

void HelpWindow::showDocument(const QString& relative)
{
    const QString path = findDocument(m_roots, relative);
    if (path.isEmpty()) {
        m_message->setText(QStringLiteral("The document %1 is not installed here: looked in %2.")
                               .arg(relative, m_roots.join(QStringLiteral(" and "))));
        m_message->show();
        if (m_browser->source().isEmpty())
            m_browser->setPlainText(m_message->text());
        return;
    }
    m_message->clear();
    m_message->hide();
    m_browser->setSource(QUrl::fromLocalFile(path), QTextDocument::MarkdownResource);
}

void HelpWindow::follow(const QUrl& link)
{
    const HelpLink what = followLink(m_browser->source(), link);
    switch (what.kind) {
    case HelpLink::Kind::Show:
        m_message->clear();
        m_message->hide();
        if (what.url.adjusted(QUrl::RemoveFragment) == m_browser->source().adjusted(QUrl::RemoveFragment))
            m_browser->scrollToAnchor(what.url.fragment());
        else
            m_browser->setSource(what.url, QTextDocument::MarkdownResource);
        break;
    case HelpLink::Kind::OpenOutside:
        if (!QDesktopServices::openUrl(what.url)) {
            m_message->setText(QStringLiteral("No program here opens %1.").arg(what.url.toString()));
            m_message->show();
        }
        break;
    case HelpLink::Kind::Missing:
        m_message->setText(what.text);
        m_message->show();
        break;
    }
}

void HelpWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace vantrel
