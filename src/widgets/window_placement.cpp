#include "window_placement.h"

#include <QWidget>

#include <algorithm>
#include <vector>

namespace vantrel {

namespace {
constexpr int kGap = 4;

QPoint clampedTo(const QRect& screen, QPoint at, const QSize& size)
{
    at.setX(std::clamp(at.x(), screen.left(), std::max(screen.left(), screen.right() + 1 - size.width())));
    at.setY(std::clamp(at.y(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - size.height())));
    return at;
}

long long covered(const QRect& a, const QRect& b)
{
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : static_cast<long long>(both.width()) * both.height();
}
} // namespace

QPoint placeBeside(const QRect& owner, const QSize& size, const QRect& screen, const QRect& keepVisible)
{
    const std::vector<QPoint> beside = {
        {owner.right() + 1 + kGap, owner.top()},
        {owner.left() - kGap - size.width(), owner.top()},
        {owner.left(), owner.bottom() + 1 + kGap},
        {owner.left(), owner.top() - kGap - size.height()},
    };
    for (const QPoint& at : beside)
        if (screen.contains(QRect(at, size)))
            return at;
    // No room beside the owner: slide each place onto the screen, and also
    // try the screen's corners; the one hiding least of the boxes wins.
    std::vector<QPoint> onScreen;
    for (const QPoint& at : beside)
        onScreen.push_back(clampedTo(screen, at, size));
    for (const QPoint& corner : {screen.topRight(), screen.bottomRight(), screen.bottomLeft(), screen.topLeft()})
        onScreen.push_back(clampedTo(screen, corner, size));
    QPoint best = onScreen.front();
    long long least = covered(QRect(best, size), keepVisible);
    for (const QPoint& at : onScreen) {
        const long long c = covered(QRect(at, size), keepVisible);
        if (c < least) {
            least = c;
            best = at;
        }
    }
    return best;
}

QRect resultBoxesOnScreen(const QWidget& mainWindow)
{
    QRect boxes;
    for (const char* name : {"TextBox", "InBox"})
        if (auto* box = mainWindow.findChild<QWidget*>(name))
            boxes |= QRect(box->mapToGlobal(QPoint(0, 0)), box->size());
    return boxes;
}

} // namespace vantrel
