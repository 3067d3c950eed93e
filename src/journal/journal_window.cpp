#include "journal_window.h"

#include "journal_model.h"
#include "marked_cell_delegate.h"

#include "widgets/form.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <iterator>

namespace vantrel::journal {

namespace {
// The width each column before Result wants, in digits.
constexpr int kColumnDigits[] = {4, 8, 6, 16, 14, 16, 4, 20, 16};
static_assert(std::size(kColumnDigits) == JournalModel::Result);
} // namespace

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
    // Both filters keep a modest width whatever names they list: the window
    // must fit beside the main window on a laptop's screen.
    m_members->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_members->setMinimumContentsLength(16);
    m_members->setAccessibleName(QStringLiteral("Member filter"));
    m_clients = new QComboBox;
    m_clients->setObjectName("clientFilter");
    m_clients->setAccessibleName(QStringLiteral("Client filter"));
    m_clients->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_clients->setMinimumContentsLength(14);
    m_clients->addItems({QStringLiteral("All clients"), QStringLiteral("This utility")});
    m_text = new QLineEdit;
    m_text->setObjectName("textFilter");
    m_text->setPlaceholderText(QStringLiteral("Filter by text"));
    m_text->setClearButtonEnabled(true);
    m_text->setAccessibleName(QStringLiteral("Text filter"));
    auto* clear = new QPushButton(QStringLiteral("Clear"));
    clear->setObjectName("clearJournal");
    clear->setToolTip(QStringLiteral("Forget every call journalled so far"));
    m_count = new QLabel;
    m_count->setObjectName("journalCount");
    m_note = new QLabel;
    m_note->setObjectName("journalNote");
    m_note->setTextFormat(Qt::PlainText);
    m_note->setWordWrap(true);

    m_tapLine = new QLabel;
    m_tapLine->setObjectName("tapLine");
    m_tapLine->setTextFormat(Qt::PlainText);
    m_tapLine->setWordWrap(true); // a long bus address takes lines, not the window's width
    m_tapLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_showOthers = new QCheckBox(QStringLiteral("Show other messages"));
    m_showOthers->setObjectName("showOtherMessages");
    m_others = new QTreeWidget;
    m_others->setObjectName("otherMessages");
    m_others->setAccessibleName(QStringLiteral("Other messages"));
    m_others->setHeaderLabels({QStringLiteral("Time"), QStringLiteral("Kind"), QStringLiteral("Sender"),
                               QStringLiteral("Destination"), QStringLiteral("Member"), QStringLiteral("Detail")});
    m_others->setRootIsDecorated(false);
    m_others->setUniformRowHeights(true);
    m_others->setMaximumHeight(160);
    m_others->hide();
    m_tapBar = new QWidget;
    auto* tapRow = new QHBoxLayout(m_tapBar);
    tapRow->setContentsMargins(0, 0, 0, 0);
    tapRow->addWidget(m_tapLine, 1);
    tapRow->addWidget(m_showOthers);
    m_tapBar->hide();

    m_view = new QTreeView;
    m_view->setObjectName("journalView");
    m_view->setModel(m_model);
    m_view->setAccessibleName(QStringLiteral("Calls"));
    auto* marked = new MarkedCellDelegate(m_view);
    m_view->setItemDelegateForColumn(JournalModel::Sent, marked);
    m_view->setItemDelegateForColumn(JournalModel::Result, marked);
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
    auto* copyLine = new QAction(QStringLiteral("Copy as script line"), this);
    copyLine->setObjectName("actionCopyScriptLine");
    copyLine->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    copyLine->setShortcutContext(Qt::WindowShortcut);
    connect(copyLine, &QAction::triggered, this, [this] { copyScriptLine(); });
    addAction(copyLine); // the shortcut, anywhere in the window
    m_view->addAction(copyLine);
    // Edit and resend: the row's call, filled into the compose window.
    m_editAction = new QAction(QStringLiteral("Edit and resend"), this);
    m_editAction->setObjectName("actionEditAndResend");
    m_editAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    m_editAction->setShortcutContext(Qt::WindowShortcut);
    m_editAction->setEnabled(false); // until the window is given somewhere to send it
    connect(m_editAction, &QAction::triggered, this, [this] { editAndResend(); });
    addAction(m_editAction);
    m_view->addAction(m_editAction);
    m_view->setContextMenuPolicy(Qt::ActionsContextMenu);
    // A double click or Enter shows the row again, in an inspector closed meanwhile too.
    connect(m_view, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
        if (index.isValid() && m_inspect)
            m_inspect(entryAt(index));
    });
    QHeaderView* columns = m_view->header();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    const int digit = m_view->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (int c = 0; c < JournalModel::Result; ++c)
        columns->resizeSection(c, kColumnDigits[c] * digit + 12);
    // What came back takes the rest of the width.
    columns->setStretchLastSection(true);
    columns->setMinimumSectionSize(3 * digit);
    // Once the technician sizes a column, the window leaves the widths to them.
    // (The last column follows the window's width by itself.)
    connect(columns, &QHeaderView::sectionResized, this, [this](int column) {
        if (!m_fitting && column != JournalModel::Result)
            m_userSized = true;
    });

    m_editButton = new QPushButton(QStringLiteral("Edit and resend"));
    m_editButton->setObjectName("editAndResend");
    m_editButton->setToolTip(QStringLiteral("Open the chosen call in the compose window (Ctrl+E)"));
    m_editButton->setEnabled(false);
    connect(m_editButton, &QPushButton::clicked, this, [this] { editAndResend(); });
    auto* bar = new QHBoxLayout;
    bar->addWidget(m_members);
    bar->addWidget(m_clients);
    bar->addWidget(m_text, 1);
    bar->addWidget(m_editButton);
    bar->addWidget(clear);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tapBar);
    layout->addWidget(m_others);
    layout->addLayout(bar);
    layout->addWidget(m_view, 1);
    auto* foot = new QHBoxLayout;
    foot->addWidget(m_count);
    foot->addWidget(m_note, 1);
    layout->addLayout(foot);

    m_textDelay.setSingleShot(true);
    m_textDelay.setInterval(200);
    connect(&m_textDelay, &QTimer::timeout, this, [this] { setFilter(m_memberFilter, m_text->text()); });
    connect(m_text, &QLineEdit::textChanged, this, [this] { m_textDelay.start(); });
    connect(m_members, &QComboBox::currentIndexChanged, this,
            [this](int i) { setFilter(i <= 0 ? QString() : m_members->itemText(i), m_textFilter); });
    connect(m_clients, &QComboBox::currentIndexChanged, this, [this](int i) {
        setClientFilter(i <= 0 ? std::nullopt
                        : i == 1 ? std::optional<std::string>(std::string())
                                 : std::optional<std::string>(m_clients->itemText(i).toStdString()));
    });
    connect(m_showOthers, &QCheckBox::toggled, this, &JournalWindow::showOtherMessages);
    connect(clear, &QPushButton::clicked, this, [this] {
        m_journal.clear();
        refreshMembers();
        refreshClients();
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
        refreshClients();
        refreshCount();
        refreshOthers();
        if (m_follow)
            m_view->scrollToBottom();
    });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this] {
        if (isVisible() && !m_countDelay.isActive())
            m_countDelay.start();
    });
    refreshCount();
}

JournalWindow::~JournalWindow()
{
    // The header resizes its sections while the widgets go, after this
    // window has stopped being one: it tells nobody here any more.
    m_view->header()->disconnect(this);
}

// The Result column stays in sight: where the window is too narrow for the
// columns' widths, the text columns before it give up room, so that what
// came back keeps a quarter of the view. They give way in the order they
// matter least: the window and the control (a tapped call has neither),
// what went out (the inspector shows it whole), the client, and the member
// last, which keeps room for a member's name as long as it can.
void JournalWindow::fitColumns()
{
    QHeaderView* columns = m_view->header();
    const int room = m_view->viewport()->width();
    if (room <= 0)
        return;
    if (m_userSized)
        return;
    // From the widths the columns want, each time: a window that grows gives them back.
    const QScopedValueRollback<bool> fitting(m_fitting, true);
    const int digit = m_view->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    int before = 0;
    for (int c = 0; c < JournalModel::Result; ++c) {
        columns->resizeSection(c, kColumnDigits[c] * digit + 12);
        before += columns->sectionSize(c);
    }
    int excess = before - (room - room / 4);
    struct Yield {
        int column;
        int keep; // digits it keeps
    };
    const Yield order[] = {{JournalModel::Window, 3}, {JournalModel::Control, 3}, {JournalModel::Sent, 4},
                           {JournalModel::Client, 12}, {JournalModel::Member, 16}, {JournalModel::Sent, 3},
                           {JournalModel::Member, 12}, {JournalModel::Client, 6},  {JournalModel::Client, 3},
                           {JournalModel::Member, 3}};
    for (const Yield& y : order) {
        if (excess <= 0)
            return;
        const int keep = std::max(columns->minimumSectionSize(), y.keep * digit + 12);
        const int size = columns->sectionSize(y.column);
        const int give = std::min(excess, size - keep);
        if (give > 0) {
            columns->resizeSection(y.column, size - give);
            excess -= give;
        }
    }
}

void JournalWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Once the layout has given the table its new width.
    QTimer::singleShot(0, this, &JournalWindow::fitColumns);
}

void JournalWindow::keyPressEvent(QKeyEvent* event)
{
    // Enter and Return press the focused button, as Space does.
    if (!pressFocusedButtonOnEnter(this, event))
        QWidget::keyPressEvent(event);
}

void JournalWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    fitColumns();
    refreshMembers();
    refreshClients();
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
    m_filter->setMember(member);
    m_filter->setText(text);
    m_filter->setClient(m_clientFilter);
    const bool filtering = m_filter->filters();
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

void JournalWindow::setEditAndResend(std::function<void(const CallEvent&)> edit)
{
    m_edit = std::move(edit);
    m_editAction->setEnabled(static_cast<bool>(m_edit));
    m_editButton->setEnabled(static_cast<bool>(m_edit));
}

bool JournalWindow::editAndResend()
{
    const QModelIndex current = m_view->currentIndex();
    if (!m_edit || !current.isValid()) {
        m_note->setText(QStringLiteral("Not opened: choose a call first"));
        return false;
    }
    const JournalEntry& entry = entryAt(current);
    std::string problem;
    if (entry.argumentOmitted > 0 || !entry.argumentNote.empty()) {
        // The line's own reason: what was not kept, or what the client sent that no call sends.
        scriptLineOf(entry, problem);
        m_note->setText(QStringLiteral("Not opened: ") + QString::fromStdString(problem));
        return false;
    }
    m_note->clear();
    m_edit(entry.call);
    return true;
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
