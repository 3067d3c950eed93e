#include "journal_window.h"

#include "journal_model.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace vantrel::journal {

JournalWindow::JournalWindow(CallJournal& journal, std::function<void(const JournalEntry&)> inspect, QWidget* parent)
    : QWidget(parent, Qt::Window), m_journal(journal), m_inspect(std::move(inspect))
{
    setObjectName("CallJournal");
    setWindowTitle(QStringLiteral("Call Journal"));
    resize(1000, 500);

    m_model = new JournalModel(journal, this);
    // The filter is put between the journal and the view only while it
    // filters: unfiltered, a call added or dropped costs the view one row.
    m_filter = new JournalFilter(this);

    m_members = new QComboBox;
    m_members->setObjectName("memberFilter");
    m_members->addItem(QStringLiteral("All members"));
    m_members->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_text = new QLineEdit;
    m_text->setObjectName("textFilter");
    m_text->setPlaceholderText(QStringLiteral("Filter by text"));
    m_text->setClearButtonEnabled(true);
    auto* clear = new QPushButton(QStringLiteral("Clear"));
    clear->setObjectName("clearJournal");
    clear->setToolTip(QStringLiteral("Forget every call journalled so far"));
    m_count = new QLabel;
    m_count->setObjectName("journalCount");

    m_view = new QTreeView;
    m_view->setObjectName("journalView");
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setWordWrap(false);
    m_view->setAlternatingRowColors(true);
    // A flat list of rows of one height, and fixed column widths: a view of
    // 100,000 rows measures nothing per row.
    m_view->setRootIsDecorated(false);
    m_view->setItemsExpandable(false);
    m_view->setUniformRowHeights(true);
    m_view->setAllColumnsShowFocus(true);
    QHeaderView* columns = m_view->header();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    const int digit = m_view->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int widths[] = {4, 8, 5, 10, 11, 4, 20, 16, 0};
    for (int c = 0; c < JournalModel::ColumnCount; ++c)
        if (widths[c])
            columns->resizeSection(c, widths[c] * digit + 12);
    // What came back takes the rest of the width.
    columns->setStretchLastSection(true);

    auto* bar = new QHBoxLayout;
    bar->addWidget(m_members);
    bar->addWidget(m_text, 1);
    bar->addWidget(clear);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_count);

    m_textDelay.setSingleShot(true);
    m_textDelay.setInterval(200);
    connect(&m_textDelay, &QTimer::timeout, this, [this] { setFilter(m_memberFilter, m_text->text()); });
    connect(m_text, &QLineEdit::textChanged, this, [this] { m_textDelay.start(); });
    connect(m_members, &QComboBox::currentIndexChanged, this,
            [this](int i) { setFilter(i <= 0 ? QString() : m_members->itemText(i), m_textFilter); });
    connect(clear, &QPushButton::clicked, this, [this] {
        m_journal.clear();
        refreshMembers();
        refreshCount();
    });
    connectSelection();
    connect(m_view->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int value) { m_follow = value == m_view->verticalScrollBar()->maximum(); });
    // Counts and the member list follow the journal once per turn of the event loop at most.
    m_countDelay.setSingleShot(true);
    m_countDelay.setInterval(100);
    connect(&m_countDelay, &QTimer::timeout, this, [this] {
        refreshMembers();
        refreshCount();
        if (m_follow)
            m_view->scrollToBottom();
    });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this] {
        if (isVisible() && !m_countDelay.isActive())
            m_countDelay.start();
    });
    refreshCount();
}

JournalWindow::~JournalWindow() = default;

void JournalWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refreshMembers();
    refreshCount();
    if (m_follow)
        m_view->scrollToBottom();
}

void JournalWindow::refreshMembers()
{
    const auto& members = m_journal.members();
    if (static_cast<std::size_t>(m_members->count() - 1) == members.size())
        return;
    const QString chosen = m_members->currentIndex() > 0 ? m_members->currentText() : QString();
    const QSignalBlocker quiet(m_members);
    m_members->clear();
    m_members->addItem(QStringLiteral("All members"));
    for (const auto& m : members)
        m_members->addItem(QString::fromStdString(m));
    m_members->setCurrentIndex(std::max(0, m_members->findText(chosen)));
    if (!chosen.isEmpty() && m_members->currentIndex() == 0)
        setFilter({}, m_textFilter);
}

void JournalWindow::connectSelection()
{
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& current) {
        if (current.isValid() && m_inspect)
            m_inspect(entryAt(current));
    });
}

void JournalWindow::setFilter(const QString& member, const QString& text)
{
    m_memberFilter = member;
    m_textFilter = text;
    const bool filtering = !member.isEmpty() || !text.isEmpty();
    m_filter->setMember(member);
    m_filter->setText(text);
    QAbstractItemModel* wanted = filtering ? static_cast<QAbstractItemModel*>(m_filter) : m_model;
    if (m_view->model() != wanted) {
        if (filtering)
            m_filter->setSourceModel(m_model);
        m_view->setModel(wanted);
        if (!filtering)
            m_filter->setSourceModel(nullptr);
        connectSelection();
    }
    refreshCount();
}

int JournalWindow::shownRows() const { return m_view->model()->rowCount(); }

const JournalEntry& JournalWindow::entryAt(const QModelIndex& index) const
{
    return m_model->entry(index.model() == m_filter ? m_filter->mapToSource(index).row() : index.row());
}

void JournalWindow::refreshCount()
{
    QString text = QStringLiteral("%1 calls").arg(m_journal.size());
    if (m_journal.dropped() > 0)
        text += QStringLiteral(" (the oldest %1 dropped: the journal keeps the newest %2)")
                    .arg(m_journal.dropped())
                    .arg(CallJournal::kCallLimit);
    if (shownRows() != m_model->rowCount())
        text += QStringLiteral(", %1 shown").arg(shownRows());
    m_count->setText(text);
}

} // namespace vantrel::journal
