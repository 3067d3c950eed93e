#include "lines_table.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vantrel::compose {

namespace {

constexpr LineEnd kEnds[] = {LineEnd::CrLf, LineEnd::Lf, LineEnd::None};

QString endText(LineEnd end) { return QString::fromLatin1(lineEndName(end)); }

LineEnd endOf(const QString& text)
{
    for (const LineEnd end : kEnds)
        if (text == endText(end))
            return end;
    return LineEnd::CrLf;
}

// A cell's text in the escapes of the Text view.
QString cellText(const std::string& bytes) { return QString::fromStdU16String(textOf(bytes)); }

// The End column is chosen from a list, never typed.
class EndDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        auto* list = new QComboBox(parent);
        list->setAccessibleName(QStringLiteral("Line end"));
        for (const LineEnd end : kEnds)
            list->addItem(endText(end));
        return list;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        auto* list = static_cast<QComboBox*>(editor);
        list->setCurrentIndex(std::max(0, list->findText(index.data().toString())));
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        model->setData(index, static_cast<QComboBox*>(editor)->currentText());
    }
};

QPushButton* makeButton(const char* name, const QString& caption, const QString& tip)
{
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    button->setToolTip(tip);
    return button;
}

} // namespace

LinesTable::LinesTable(std::function<void()> edited, QWidget* parent) : QWidget(parent), m_edited(std::move(edited))
{
    m_table = new QTableWidget(0, ColumnCount);
    m_table->setObjectName("linesTable");
    m_table->setAccessibleName(QStringLiteral("Value as key=value lines"));
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("Key"), QStringLiteral("="), QStringLiteral("Value"), QStringLiteral("End")});
    m_table->setItemDelegateForColumn(End, new EndDelegate(m_table));
    m_table->setTabKeyNavigation(false); // Tab leaves the table, as everywhere in the window
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setWordWrap(false);
    QHeaderView* columns = m_table->horizontalHeader();
    columns->setSectionResizeMode(Key, QHeaderView::Interactive);
    columns->setSectionResizeMode(Equals, QHeaderView::ResizeToContents);
    columns->setSectionResizeMode(Value, QHeaderView::Stretch);
    columns->setSectionResizeMode(End, QHeaderView::ResizeToContents);
    columns->resizeSection(Key, 180);
    connect(m_table, &QTableWidget::itemChanged, this, [this] {
        if (!m_filling)
            tell();
    });

    m_finalNul = new QCheckBox(QStringLiteral("NUL at the end"));
    m_finalNul->setObjectName("finalNul");
    connect(m_finalNul, &QCheckBox::toggled, this, [this] {
        if (!m_filling)
            tell();
    });
    auto* add = makeButton("addLine", QStringLiteral("Add line"), QStringLiteral("Add a line after the current one"));
    auto* remove = makeButton("removeLine", QStringLiteral("Remove line"), QStringLiteral("Remove the current line"));
    auto* up = makeButton("lineUp", QStringLiteral("Move up"), QStringLiteral("Move the current line up"));
    auto* down = makeButton("lineDown", QStringLiteral("Move down"), QStringLiteral("Move the current line down"));
    connect(add, &QPushButton::clicked, this, &LinesTable::addLine);
    connect(remove, &QPushButton::clicked, this, &LinesTable::removeLine);
    connect(up, &QPushButton::clicked, this, [this] { moveLine(-1); });
    connect(down, &QPushButton::clicked, this, [this] { moveLine(1); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addWidget(up);
    buttons->addWidget(down);
    buttons->addStretch(1);
    buttons->addWidget(m_finalNul);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
}

LinesTable::~LinesTable()
{
    // The table goes while this view is whole; a cell it commits as it goes is no edit.
    m_filling = true;
    m_edited = nullptr;
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

void LinesTable::setRow(int row, const Line& line)
{
    auto* equals = new QTableWidgetItem;
    equals->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    equals->setCheckState(line.equals ? Qt::Checked : Qt::Unchecked);
    m_table->setItem(row, Key, new QTableWidgetItem(cellText(line.key)));
    m_table->setItem(row, Equals, equals);
    m_table->setItem(row, Value, new QTableWidgetItem(cellText(line.value)));
    m_table->setItem(row, End, new QTableWidgetItem(endText(line.end)));
}

void LinesTable::setLines(const Lines& lines)
{
    m_filling = true;
    const int row = m_table->currentRow(), column = m_table->currentColumn();
    m_table->setRowCount(static_cast<int>(lines.lines.size()));
    for (std::size_t i = 0; i < lines.lines.size(); ++i)
        setRow(static_cast<int>(i), lines.lines[i]);
    m_finalNul->setChecked(lines.finalNul);
    if (row >= 0 && row < m_table->rowCount())
        m_table->setCurrentCell(row, column);
    m_filling = false;
}

std::optional<Lines> LinesTable::lines(std::string& problem)
{
    Lines lines;
    lines.finalNul = m_finalNul->isChecked();
    for (int row = 0; row < m_table->rowCount(); ++row) {
        Line line;
        for (const int column : {int(Key), int(Value)}) {
            const QTableWidgetItem* item = m_table->item(row, column);
            const ReadBytes read = readText(item ? item->text().toStdU16String() : std::u16string());
            if (!read.ok()) {
                problem = "Line " + std::to_string(row + 1) + (column == Key ? ", key: " : ", value: ") +
                          read.problems.front().reason;
                m_table->setCurrentCell(row, column);
                return std::nullopt;
            }
            (column == Key ? line.key : line.value) = read.bytes;
        }
        const QTableWidgetItem* equals = m_table->item(row, Equals);
        line.equals = equals && equals->checkState() == Qt::Checked;
        const QTableWidgetItem* end = m_table->item(row, End);
        line.end = end ? endOf(end->text()) : LineEnd::CrLf;
        lines.lines.push_back(std::move(line));
    }
    problem.clear();
    return lines;
}

void LinesTable::addLine()
{
    const int row = m_table->currentRow() + 1; // after the current line, or first
    m_filling = true;
    // A line after one without an end would run on into it: that line is ended first.
    if (QTableWidgetItem* before = row > 0 ? m_table->item(row - 1, End) : nullptr;
        before && before->text() == endText(LineEnd::None))
        before->setText(endText(LineEnd::CrLf));
    m_table->insertRow(row);
    setRow(row, {{}, true, {}, LineEnd::CrLf});
    m_filling = false;
    m_table->setCurrentCell(row, Key);
    tell();
}

void LinesTable::removeLine()
{
    const int row = m_table->currentRow();
    if (row < 0)
        return;
    m_table->removeRow(row);
    tell();
}

void LinesTable::moveLine(int by)
{
    const int row = m_table->currentRow(), to = row + by;
    if (row < 0 || to < 0 || to >= m_table->rowCount())
        return;
    m_filling = true;
    for (int column = 0; column < ColumnCount; ++column) {
        QTableWidgetItem* a = m_table->takeItem(row, column);
        QTableWidgetItem* b = m_table->takeItem(to, column);
        m_table->setItem(row, column, b);
        m_table->setItem(to, column, a);
    }
    m_filling = false;
    m_table->setCurrentCell(to, m_table->currentColumn());
    tell();
}

void LinesTable::tell()
{
    if (m_edited)
        m_edited();
}

} // namespace vantrel::compose
