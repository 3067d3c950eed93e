#include "window_placement.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <array>
#include <tuple>

namespace vantrel {

namespace {
constexpr int kGap = 4;

long long area(const QRect& r) { return r.isEmpty() ? 0 : static_cast<long long>(r.width()) * r.height(); }

long long covered(const QRect& a, const QRect& b) { return area(a.intersected(b)); }

// The gap between two rectangles along x plus along y; 0 when they touch or overlap.
int distance(const QRect& a, const QRect& b)
{
    const int dx = std::max({0, a.left() - b.right() - 1, b.left() - a.right() - 1});
    const int dy = std::max({0, a.top() - b.bottom() - 1, b.top() - a.bottom() - 1});
    return std::max(0, dx + dy - kGap); // the gap left between windows is no distance
}

// The screen may be smaller than the window: then the window starts at the screen's top left.
int clampTo(int at, int low, int length, int room) { return std::max(low, std::min(at, low + room - length)); }

// Sizes worth trying: the window's own, and for a resizable window the size
// that fits each free strip beside the kept boxes and beside the main window.
std::vector<QSize> sizesToTry(const PlacementRequest& r, const QRect& kept)
{
    const QSize screenSize = r.screen.size();
    const QSize full = r.frame.boundedTo(screenSize);
    std::vector<QSize> sizes{full};
    if (r.minimumFrame.isEmpty() || r.minimumFrame == r.frame)
        return sizes;
    const QSize least = r.minimumFrame.boundedTo(full);
    auto fitWidth = [&](int room) { return QSize(std::clamp(room - kGap, least.width(), full.width()), full.height()); };
    auto fitHeight = [&](int room) { return QSize(full.width(), std::clamp(room - kGap, least.height(), full.height())); };
    for (const QRect& around : {kept, r.mainFrame}) {
        if (around.isNull())
            continue;
        sizes.push_back(fitWidth(around.left() - r.screen.left()));
        sizes.push_back(fitWidth(r.screen.right() - around.right()));
        sizes.push_back(fitHeight(around.top() - r.screen.top()));
        sizes.push_back(fitHeight(r.screen.bottom() - around.bottom()));
    }
    sizes.push_back(least);
    std::vector<QSize> unique;
    for (const QSize& s : sizes)
        if (std::find(unique.begin(), unique.end(), s) == unique.end())
            unique.push_back(s);
    return unique;
}
} // namespace

long long coveredArea(const QRect& window, const std::vector<QRect>& rects)
{
    long long sum = 0;
    for (const QRect& r : rects)
        sum += covered(window, r);
    return sum;
}

QRect choosePlace(const PlacementRequest& r)
{
    QRect kept;
    for (const auto* list : {&r.mustStayVisible, &r.keepVisible})
        for (const QRect& box : *list)
            kept |= box;
    const QRect owner = r.ownerFrame.isNull() ? r.mainFrame : r.ownerFrame;
    const bool ownerIsMain = owner == r.mainFrame;

    // Right of the owner is where a window is looked for first, then left, below, above.
    auto side = [&](const QRect& at) {
        return at.left() > owner.right() ? 0 : at.right() < owner.left() ? 1 : at.top() > owner.bottom() ? 2 : 3;
    };
    using Score = std::tuple<long long, long long, long long, long long, long long, int, int>;
    QRect best;
    Score bestScore{};
    bool found = false;
    for (const QSize& size : sizesToTry(r, kept)) {
        const int w = size.width(), h = size.height();
        // The optimum lies against an edge of the screen, of the owner, of the
        // main window or of a kept box: those edges are the places to try, the
        // owner's right side first.
        std::vector<int> xs{owner.right() + 1 + kGap, owner.left() - kGap - w, owner.left(), owner.right() + 1 - w,
                            r.mainFrame.right() + 1 + kGap, r.mainFrame.left() - kGap - w, r.screen.left(),
                            r.screen.right() + 1 - w};
        std::vector<int> ys{owner.top(), owner.bottom() + 1 + kGap, owner.top() - kGap - h, owner.bottom() + 1 - h,
                            r.mainFrame.top(), r.mainFrame.bottom() + 1 + kGap, r.mainFrame.top() - kGap - h,
                            r.screen.top(), r.screen.bottom() + 1 - h};
        for (const auto* list : {&r.mustStayVisible, &r.keepVisible})
            for (const QRect& box : *list) {
                xs.insert(xs.end(), {box.left() - kGap - w, box.right() + 1 + kGap});
                ys.insert(ys.end(), {box.top() - kGap - h, box.bottom() + 1 + kGap});
            }
        for (const int y0 : ys)
            for (const int x0 : xs) {
                const QRect at(clampTo(x0, r.screen.left(), w, r.screen.width()),
                               clampTo(y0, r.screen.top(), h, r.screen.height()), w, h);
                const Score score{coveredArea(at, r.mustStayVisible),
                                  coveredArea(at, r.keepVisible),
                                  covered(at, r.mainFrame),
                                  ownerIsMain ? 0 : covered(at, owner),
                                  area(QRect(QPoint(), r.frame)) - area(at),
                                  distance(at, owner),
                                  side(at)};
                if (!found || score < bestScore) {
                    found = true;
                    bestScore = score;
                    best = at;
                }
            }
    }
    return best;
}

MainBoxes mainBoxesOnScreen(const QWidget& mainWindow)
{
    auto onScreen = [](const QWidget* w) { return w ? QRect(w->mapToGlobal(QPoint(0, 0)), w->size()) : QRect(); };
    MainBoxes boxes;
    boxes.description = onScreen(mainWindow.findChild<QWidget*>(QStringLiteral("TextBox")));
    boxes.result = onScreen(mainWindow.findChild<QWidget*>(QStringLiteral("InBox")));
    for (const char* name : {"FPLabel", "TextBoxPumpNumber"})
        boxes.selector |= onScreen(mainWindow.findChild<QWidget*>(QString::fromLatin1(name)));
    for (int n = 1; n <= 32; ++n)
        for (const QString& name : {QStringLiteral("Button%1").arg(n), QStringLiteral("ButtLab%1").arg(n)})
            boxes.selector |= onScreen(mainWindow.findChild<QWidget*>(name));
    return boxes;
}

void placeOffTheBoxes(QWidget& window, const QWidget& mainWindow, const QWidget* owner, bool writesMainBoxes,
                      QSize minimumSize)
{
    const QScreen* screen = mainWindow.screen();
    if (!screen)
        return;
    auto marginsOf = [](const QWidget& w) {
        const QRect frame = w.frameGeometry(), inner = w.geometry();
        return QMargins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                        frame.bottom() - inner.bottom());
    };
    // A window not shown yet has no frame: the main window's stands in for it.
    const QMargins frame = window.frameGeometry() != window.geometry() ? marginsOf(window) : marginsOf(mainWindow);
    const MainBoxes boxes = mainBoxesOnScreen(mainWindow);

    PlacementRequest request;
    request.screen = screen->availableGeometry();
    request.mainFrame = mainWindow.frameGeometry();
    request.ownerFrame = owner ? owner->window()->frameGeometry() : request.mainFrame;
    if (writesMainBoxes)
        request.mustStayVisible = {boxes.description, boxes.result};
    else
        request.keepVisible = {boxes.description, boxes.result};
    request.keepVisible.push_back(boxes.selector);
    request.frame = window.size().grownBy(frame);
    if (!minimumSize.isEmpty())
        request.minimumFrame = minimumSize.expandedTo(window.minimumSize()).boundedTo(window.size()).grownBy(frame);

    const QRect chosen = choosePlace(request);
    if (chosen.size() != request.frame)
        window.resize(chosen.size().shrunkBy(frame));
    window.move(chosen.topLeft()); // a window's position is that of its frame
}

} // namespace vantrel
