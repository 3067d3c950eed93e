// The key=value table of a record as a Qt model: one row per line of the
// record, columns Key, Value, Line end and Odd. Keys and values are shown
// with their control bytes as <NAME> marks; a very long value is cut in the
// view (the whole value is in the Text and Hex views and on the clipboard).
#pragma once

#include "record_table.h"

#include <QAbstractTableModel>

namespace vantrel {

class RecordTableModel : public QAbstractTableModel {
public:
    enum Column { Key, Value, LineEnd, Odd, ColumnCount };
    // Values longer than this many characters are cut, with "…" at the end.
    static constexpr qsizetype kValueShown = 2000;

    using QAbstractTableModel::QAbstractTableModel;

    void setTable(inspector::RecordTable table);
    const inspector::RecordTable& table() const { return m_table; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    inspector::RecordTable m_table;
};

} // namespace vantrel
