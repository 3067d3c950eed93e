#include "marked_cell_delegate.h"

#include "widgets/form.h"

#include "inspector/control_marks.h"
#include "inspector/marked_text.h"

#include <QApplication>
#include <QPainter>

namespace vantrel::journal {

void MarkedCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
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

} // namespace vantrel::journal
