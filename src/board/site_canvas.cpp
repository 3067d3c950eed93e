#include "site_canvas.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace vantrel::board {

SiteCanvas::SiteCanvas(QWidget* parent) : QWidget(parent)
{
    setObjectName("siteCanvas");
    setMinimumSize(320, 160);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName("Fueling positions");
    layout = board::canvasLayout({width(), height()});
}

void SiteCanvas::follow(int selected)
{
    if (!hasFocus())
        focusTile = selected;
    describeFocus();
}

bool SiteCanvas::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && view) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const CanvasSpot spot = spotAt(layout, static_cast<int>(view->gauges.size()), help->pos().x(), help->pos().y());
        if (spot.kind == CanvasSpot::Kind::Tank && spot.number >= 1 && static_cast<std::size_t>(spot.number) <= view->gauges.size()) {
            const GaugeView& g = view->gauges[static_cast<std::size_t>(spot.number - 1)];
            const std::string text = g.whole + (g.fault.empty() ? "" : "; fault: " + g.fault);
            QToolTip::showText(help->globalPos(), QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), this);
            return true;
        }
    }
    return QWidget::event(event);
}

void SiteCanvas::resizeEvent(QResizeEvent* event)
{
    layout = board::canvasLayout({width(), height()});
    QWidget::resizeEvent(event);
}

void SiteCanvas::mousePressEvent(QMouseEvent* event)
{
    const int position = event->button() == Qt::LeftButton ? tileAt(layout, event->position().x(), event->position().y()) : 0;
    if (position == 0)
        return QWidget::mousePressEvent(event);
    focusTile = position;
    if (chosen)
        chosen(position);
}

void SiteCanvas::keyPressEvent(QKeyEvent* event)
{
    const int columns = layout.columns, count = static_cast<int>(layout.tiles.size());
    int to = focusTile;
    switch (event->key()) {
    case Qt::Key_Left: to -= 1; break;
    case Qt::Key_Right: to += 1; break;
    case Qt::Key_Up: to -= columns; break;
    case Qt::Key_Down: to += columns; break;
    case Qt::Key_Home: to = 1; break;
    case Qt::Key_End: to = count; break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_Select:
        if (chosen)
            chosen(focusTile);
        return;
    default: return QWidget::keyPressEvent(event);
    }
    if (to >= 1 && to <= count && to != focusTile) {
        focusTile = to;
        describeFocus();
        update();
    }
}

void SiteCanvas::contextMenuEvent(QContextMenuEvent* event)
{
    const int tanks = view ? static_cast<int>(view->gauges.size()) : 0;
    const bool keyboard = event->reason() == QContextMenuEvent::Keyboard;
    const CanvasSpot spot = keyboard ? CanvasSpot{CanvasSpot::Kind::Pump, focusTile}
                                     : spotAt(layout, tanks, event->pos().x(), event->pos().y());
    if (spot.kind == CanvasSpot::Kind::None || !menuAsked)
        return QWidget::contextMenuEvent(event);
    QPoint at = event->globalPos();
    if (keyboard && focusTile >= 1 && static_cast<std::size_t>(focusTile) <= layout.tiles.size()) {
        const Rect& tile = layout.tiles[static_cast<std::size_t>(focusTile - 1)];
        at = mapToGlobal(QPoint(static_cast<int>((tile.x + tile.width / 2) * layout.scale),
                                static_cast<int>((tile.y + tile.height / 2) * layout.scale)));
    }
    menuAsked(spot, at);
}

void SiteCanvas::focusInEvent(QFocusEvent* event)
{
    describeFocus();
    update();
    QWidget::focusInEvent(event);
}

void SiteCanvas::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

void SiteCanvas::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    static const BoardView none;
    PaintOptions now = options;
    now.focused = hasFocus() ? focusTile : 0;
    BoardPainter().paint(p, size(), layout, view ? *view : none, now);
}

void SiteCanvas::describeFocus()
{
    QString text = QString("Position %1").arg(focusTile);
    if (view && focusTile >= 1 && static_cast<std::size_t>(focusTile) <= view->tiles.size()) {
        const TileView& t = view->tiles[static_cast<std::size_t>(focusTile - 1)];
        text += ", " + QString::fromUtf8(t.state.data(), static_cast<qsizetype>(t.state.size())) + (t.selected ? ", selected" : "");
    }
    setAccessibleDescription(text + ". Arrow keys move, Enter or Space selects, the menu key sets its faults.");
}

} // namespace vantrel::board
