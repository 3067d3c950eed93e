#include "record_table_model.h"

#include "copy_forms.h"

#include <QBrush>
#include <QColor>
#include <QStringList>

namespace vantrel {

namespace {

QString markedLine(const std::string& bytes, qsizetype limit)
{
    std::string text = inspector::copyAsText(bytes);
    // A key or value holds no LF, so copyAsText added no line breaks; the cut
    // keeps a long value from being laid out whole in a cell.
    QString shown = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    if (shown.size() > limit) {
        shown.truncate(limit);
        shown += QChar(0x2026);
    }
    return shown;
}

} // namespace

void RecordTableModel::setTable(inspector::RecordTable table)
{
    beginResetModel();
    m_table = std::move(table);
    endResetModel();
}

int RecordTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_table.rows.size());
}

int RecordTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant RecordTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const inspector::RecordRow& row = m_table.rows[static_cast<std::size_t>(index.row())];
    if (role == Qt::ForegroundRole && index.column() == Odd)
        return QBrush(QColor(0xB0, 0x00, 0x20));
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Key: return markedLine(row.key, kValueShown);
    case Value: return markedLine(row.value, kValueShown);
    case LineEnd: return QString::fromLatin1(row.lineEnd.data(), static_cast<qsizetype>(row.lineEnd.size()));
    case Odd: {
        QStringList odd;
        for (const std::string& oddity : row.oddities)
            odd << QString::fromUtf8(oddity.data(), static_cast<qsizetype>(oddity.size()));
        return odd.join(QStringLiteral(", "));
    }
    default: return {};
    }
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    switch (section) {
    case Key: return QStringLiteral("Key");
    case Value: return QStringLiteral("Value");
    case LineEnd: return QStringLiteral("Line end");
    case Odd: return QStringLiteral("Odd");
    default: return {};
    }
}

} // namespace vantrel
