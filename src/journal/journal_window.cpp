#include "journal_window.h"

#include "journal_model.h"

#include "widgets/form.h"

#include "inspector/control_marks.h"
#include "inspector/marked_text.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace vantrel::journal {

namespace {

// Draws what went out and what came back with each control byte as its
// mark ("CR", "LF", "ESC"), bold, in its role's colours, at the size of the
// text: a control picture is a tiny glyph in most faces.
class MarkedCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

        const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(2, 0, -2, 0);
        const bool selected = opt.state & QStyle::State_Selected;
        const QColor plainColour = opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        const QColor foreground = index.data(Qt::ForegroundRole).value<QColor>();
        QFont bold = opt.font;
        bold.setBold(true);
        const QFontMetrics plainMetrics(opt.font), boldMetrics(bold);
        const int ellipsis = plainMetrics.horizontalAdvance(QChar(0x2026));
        painter->save();
        painter->setClipRect(area);
        int x = area.left();
        auto fits = [&](int w) { return x + w <= area.right() - ellipsis; };
        QString run;
        auto flush = [&]() -> bool {
            if (run.isEmpty())
                return true;
            const QString shown = plainMetrics.elidedText(run, Qt::ElideRight, area.right() - x);
            painter->setFont(opt.font);
            painter->setPen(foreground.isValid() && !selected ? foreground : plainColour);
            painter->drawText(QRect(x, area.top(), area.right() - x, area.height()), Qt::AlignVCenter | Qt::AlignLeft, shown);
            const bool whole = shown == run;
            x += plainMetrics.horizontalAdvance(shown);
            run.clear();
            return whole;
        };
        for (const QChar ch : text) {
            const int byte = pictureByte(ch);
            if (byte < 0) {
                run += ch;
                continue;
            }
            if (!flush())
                break;
            const auto c = static_cast<unsigned char>(byte);
            const std::string_view name = inspector::markName(c);
            const QString mark = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
            const int w = boldMetrics.horizontalAdvance(mark) + 4;
            if (!fits(w)) {
                painter->setFont(opt.font);
                painter->setPen(plainColour);
                painter->drawText(QRect(x, area.top(), ellipsis + 2, area.height()), Qt::AlignVCenter, QString(QChar(0x2026)));
                x = area.right();
                break;
            }
            const MarkColours colours = markColours(inspector::markRole(c));
            const QRect chip(x, area.top() + 1, w, area.height() - 2);
            painter->fillRect(chip, colours.ground);
            painter->setFont(bold);
            painter->setPen(colours.text);
            painter->drawText(chip, Qt::AlignCenter, mark);
            x += w + 1;
        }
        if (x < area.right())
            flush();
        painter->restore();
    }
};

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
    m_members->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_members->setAccessibleName(QStringLiteral("Member filter"));
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
    QHeaderView* columns = m_view->header();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    const int digit = m_view->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int widths[] = {4, 8, 6, 14, 16, 4, 20, 16, 0};
    for (int c = 0; c < JournalModel::ColumnCount; ++c)
        if (widths[c])
            columns->resizeSection(c, widths[c] * digit + 12);
    // What came back takes the rest of the width.
    columns->setStretchLastSection(true);
    columns->setMinimumSectionSize(3 * digit);

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

// The Result column stays in sight: where the window is too narrow for the
// columns' widths, the text columns before it give up room in proportion,
// so that what came back keeps a third of the view.
void JournalWindow::fitColumns()
{
    QHeaderView* columns = m_view->header();
    const int room = m_view->viewport()->width();
    if (room <= 0)
        return;
    int before = 0;
    for (int c = 0; c < JournalModel::Result; ++c)
        before += columns->sectionSize(c);
    const int wanted = room - room / 3;
    if (before <= wanted)
        return;
    // The short columns (number, time, duration, access) keep their widths; the texts give way.
    const int texts[] = {JournalModel::Window, JournalModel::Control, JournalModel::Member, JournalModel::Sent};
    int textWidth = 0;
    for (const int c : texts)
        textWidth += columns->sectionSize(c);
    const double scale = std::max(0.0, static_cast<double>(textWidth - (before - wanted))) / textWidth;
    for (const int c : texts)
        columns->resizeSection(c, std::max(columns->minimumSectionSize(), static_cast<int>(columns->sectionSize(c) * scale)));
}

void JournalWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitColumns();
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
