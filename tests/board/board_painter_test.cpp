// A pump tile drawn at every size the layout gives it never writes one text
// over another, nor past its edge: the painter reports where each text went.
#include "board/board_layout.h"
#include "board/board_painter.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::board;

namespace {

TileView tile(const char* caption, forecourt::PositionState state, const char* stateText, bool selected, bool sale)
{
    TileView t;
    t.caption = caption;
    t.state = stateText;
    t.fill = stateColour(state);
    t.selected = selected;
    if (sale) {
        t.hose = "Hose 2";
        t.payment = "MOP 2  limit 1500.00";
        t.paymentNarrow = "MOP 2 1500.00";
        t.volume = "1234.567 l";
        t.amount = "1499.99";
        t.progress = 0.6;
    }
    t.prices = {{1, "1.459", "1.399"}};
    return t;
}

// A tile with a fault's red mark and the words of two faults.
TileView faulted(TileView t)
{
    t.fault = "offline, stop-at 1234.50";
    return t;
}

struct TileCase {
    const char* name;
    TileView view;
};

const std::vector<TileCase>& tiles()
{
    static const std::vector<TileCase> cases = {
        {"idle", tile("1", forecourt::PositionState::Idle, "Idle", false, false)},
        {"authorisedSelected", tile("32", forecourt::PositionState::Authorised, "Authorised", true, true)},
        {"completedSelected", tile("28", forecourt::PositionState::Completed, "Completed", true, true)},
        {"fuelling", tile("17", forecourt::PositionState::Fueling, "Fuelling", false, true)},
        {"stoppedSelected", tile("6", forecourt::PositionState::Stopped, "Stopped", true, true)},
        {"faulted", faulted(tile("29", forecourt::PositionState::Stopped, "Stopped", false, true))},
        {"faultedSelected", faulted(tile("30", forecourt::PositionState::Authorised, "Authorised", true, true))},
    };
    return cases;
}

struct SizeCase {
    const char* name;
    Size window;
};

struct TileAtSize {
    std::string name;
    TileView view;
    Size window;
};

std::vector<TileAtSize> cases()
{
    // The windows the board opens at on 1280x720, 1366x768 and 1920x1080
    // screens, and smaller ones a user may make.
    const std::vector<SizeCase> sizes = {{"Hd", {1272, 648}}, {"Laptop", {1358, 692}}, {"Preferred", preferredWindowSize()},
                                         {"Scaled", {900, 600}}, {"Portrait", {1080, 1800}}};
    std::vector<TileAtSize> all;
    for (const SizeCase& s : sizes)
        for (const TileCase& t : tiles())
            all.push_back({std::string(s.name) + "_" + t.name, t.view, s.window});
    return all;
}

class TileText : public ::testing::TestWithParam<TileAtSize> {};

TEST_P(TileText, NoTextOverAnotherOrPastTheEdge)
{
    const WindowLayout w = windowLayoutFor(GetParam().window, BarNeeds{});
    const QRect r = qRect(w.sections.tiles.front());
    QImage image(r.size() + QSize(8, 8), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    image.setDotsPerMeterX(3780); // 96 dots an inch, as a screen at 100 %
    image.setDotsPerMeterY(3780);
    QPainter p(&image);
    const QRect at(QPoint(4, 4), r.size());
    const std::vector<DrawnText> drawn = BoardPainter().paintTile(p, at, GetParam().view, true);
    p.end();
    // The number, the state, the amount and the volume at least; a sale's hose line too.
    EXPECT_GE(drawn.size(), GetParam().view.hose.empty() ? 4u : 5u) << r.width() << "x" << r.height();
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        EXPECT_TRUE(at.contains(drawn[i].rect)) << drawn[i].text.toStdString() << " leaves the tile";
        EXPECT_FALSE(drawn[i].text.isEmpty());
        for (std::size_t j = i + 1; j < drawn.size(); ++j)
            EXPECT_FALSE(drawn[i].rect.intersects(drawn[j].rect))
                << drawn[i].text.toStdString() << " overlaps " << drawn[j].text.toStdString() << " in a tile of "
                << r.width() << "x" << r.height() << ": " << drawn[i].rect.x() << "," << drawn[i].rect.y() << " "
                << drawn[i].rect.width() << "x" << drawn[i].rect.height() << " and " << drawn[j].rect.x() << ","
                << drawn[j].rect.y() << " " << drawn[j].rect.width() << "x" << drawn[j].rect.height();
    }
    const auto has = [&](const std::string& text) {
        return std::any_of(drawn.begin(), drawn.end(), [&](const DrawnText& d) { return d.text.toStdString() == text; });
    };
    EXPECT_TRUE(has(GetParam().view.caption)) << "the pump number is cut";
    // A sale's limit, whole, however narrow the tile.
    if (!GetParam().view.payment.empty()) {
        EXPECT_TRUE(std::any_of(drawn.begin(), drawn.end(), [](const DrawnText& d) { return d.text.endsWith("1500.00"); }))
            << "the limit is not shown whole";
    }
    // A fault's words, after the warning sign, on its red band.
    if (!GetParam().view.fault.empty()) {
        EXPECT_TRUE(std::any_of(drawn.begin(), drawn.end(), [](const DrawnText& d) { return d.text.startsWith(QChar(0x26A0)); }))
            << "the fault is not shown";
    }
    // Without a sale, hose 1's first-tier price.
    if (GetParam().view.hose.empty()) {
        EXPECT_TRUE(has("Hose 1  1.459")) << "the price is not shown";
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, TileText, ::testing::ValuesIn(cases()), [](const auto& info) { return info.param.name; });

} // namespace
