// The journal window's side of the site tap and of replaying a row: the
// filter by client, the tap's line and its other messages, and a row
// copied as a script line (journal_window.h).
#include "journal_window.h"

#include "call_journal.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTreeView>
#include <QTreeWidget>

namespace vantrel::journal {

void JournalWindow::setClientFilter(const std::optional<std::string>& client)
{
    m_clientFilter = client;
    const int index = !client ? 0 : client->empty() ? 1 : m_clients->findText(QString::fromStdString(*client));
    if (index >= 0 && index != m_clients->currentIndex()) {
        const QSignalBlocker quiet(m_clients);
        m_clients->setCurrentIndex(index);
    }
    setFilter(m_memberFilter, m_textFilter);
}

void JournalWindow::refreshClients()
{
    const auto& clients = m_journal.clients();
    const bool same = static_cast<std::size_t>(m_clients->count() - 2) == clients.size() &&
                      (clients.empty() || m_clients->itemText(m_clients->count() - 1).toStdString() == clients.back());
    if (same)
        return;
    const QSignalBlocker quiet(m_clients);
    while (m_clients->count() > 2)
        m_clients->removeItem(2);
    for (const auto& c : clients)
        m_clients->addItem(QString::fromStdString(c));
    const int index = !m_clientFilter           ? 0
                      : m_clientFilter->empty() ? 1
                                                : m_clients->findText(QString::fromStdString(*m_clientFilter));
    m_clients->setCurrentIndex(std::max(0, index));
    if (index < 0) // the chosen client's rows are gone
        setClientFilter(std::nullopt);
}

void JournalWindow::setTapLine(const QString& line)
{
    m_tapText = line;
    m_tapLine->setText(line + (m_showOthers->isChecked() ? QString() : QStringLiteral(" (hidden)")));
    m_tapBar->setVisible(!line.isEmpty());
    if (line.isEmpty())
        showOtherMessages(false);
    else
        refreshOthers();
}

QString JournalWindow::tapLine() const { return m_tapLine->text(); }

void JournalWindow::showOtherMessages(bool shown)
{
    if (m_showOthers->isChecked() != shown) {
        const QSignalBlocker quiet(m_showOthers);
        m_showOthers->setChecked(shown);
    }
    m_others->setVisible(shown);
    if (!m_tapText.isEmpty())
        m_tapLine->setText(m_tapText + (shown ? QString() : QStringLiteral(" (hidden)")));
    refreshOthers();
}

void JournalWindow::refreshOthers()
{
    if (!m_others->isVisibleTo(this) || !m_otherRows)
        return;
    const std::vector<QStringList> rows = m_otherRows();
    const bool atEnd = m_others->verticalScrollBar()->value() == m_others->verticalScrollBar()->maximum();
    m_others->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const QStringList& row : rows)
        items.append(new QTreeWidgetItem(row));
    m_others->addTopLevelItems(items);
    if (atEnd)
        m_others->scrollToBottom();
}

bool JournalWindow::copyScriptLine()
{
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid()) {
        m_note->setText(QStringLiteral("Choose a call to copy as a script line"));
        return false;
    }
    const JournalEntry& e = entryAt(current);
    std::string problem;
    const auto line = scriptLineOf(e, problem);
    if (!line) {
        m_note->setText(QStringLiteral("Call %1 not copied: %2").arg(e.number).arg(QString::fromStdString(problem)));
        return false;
    }
    // The line is ASCII: the script escapes stand for every other byte.
    QApplication::clipboard()->setText(QString::fromLatin1(line->data(), static_cast<qsizetype>(line->size())));
    m_note->setText(QStringLiteral("Call %1 copied as a script line").arg(e.number));
    return true;
}

QString JournalWindow::note() const { return m_note->text(); }

} // namespace vantrel::journal
