// How the journal draws what went out and what came back.
#pragma once

#include <QStyledItemDelegate>

namespace vantrel::journal {

// Draws what went out and what came back with each control byte as its
// mark ("CR", "LF", "ESC"), bold, in its role's colours, at the size of the
// text: a control picture is a tiny glyph in most faces.
class MarkedCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace vantrel::journal
