// A pump tile drawn at every size the layout gives it never writes one text
// over another, nor past its edge: the painter reports where each text went.
#include "board/board_layout.h"
#include "board/board_painter.h"
#include "board/board_view.h"
#include "forecourt/forecourt_server.h"

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
        {"faultedIdle", faulted(tile("12", forecourt::PositionState::Idle, "Idle", false, false))},
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
    // The state's word whole, a fault's band beside it or not.
    EXPECT_TRUE(has(GetParam().view.state)) << "the state is hidden or cut";
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
    // Without a sale, hose 1's first-tier price (a fault's words come before it).
    if (GetParam().view.hose.empty() && GetParam().view.fault.empty()) {
        EXPECT_TRUE(has("Hose 1  1.459")) << "the price is not shown";
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, TileText, ::testing::ValuesIn(cases()), [](const auto& info) { return info.param.name; });

// A fault's band stands out from its tile whatever colour the state gives
// the tile (the red of Stopped too): at its left end, between the tile and
// its words, lies an edge of at least 3:1 contrast to the tile's fill.
struct BandCase {
    const char* name;
    forecourt::PositionState state;
};

class FaultBand : public ::testing::TestWithParam<BandCase> {};

TEST_P(FaultBand, StandsOutFromTheTile)
{
    const TileView view = faulted(tile("6", GetParam().state, GetParam().name, false, true));
    const QRect r = qRect(canvasLayout(preferredWindowSize()).tiles.front());
    QImage image(r.size() + QSize(8, 8), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    QPainter p(&image);
    const std::vector<DrawnText> drawn = BoardPainter().paintTile(p, QRect(QPoint(4, 4), r.size()), view);
    p.end();
    const auto band = std::find_if(drawn.begin(), drawn.end(), [](const DrawnText& d) { return d.text.startsWith(QChar(0x26A0)); });
    ASSERT_NE(band, drawn.end());
    const QColor fill = qColour(view.fill);
    const auto contrast = [](const QColor& a, const QColor& b) {
        return contrastRatio({static_cast<std::uint8_t>(a.red()), static_cast<std::uint8_t>(a.green()), static_cast<std::uint8_t>(a.blue())},
                             {static_cast<std::uint8_t>(b.red()), static_cast<std::uint8_t>(b.green()), static_cast<std::uint8_t>(b.blue())});
    };
    double most = 1;
    for (int x = band->rect.left() - 6; x <= band->rect.left() - 2; ++x)
        most = std::max(most, contrast(image.pixelColor(x, band->rect.center().y()), fill));
    EXPECT_GE(most, 3.0);
}

INSTANTIATE_TEST_SUITE_P(
    States, FaultBand,
    ::testing::Values(BandCase{"Idle", forecourt::PositionState::Idle}, BandCase{"Calling", forecourt::PositionState::Calling},
                      BandCase{"Authorised", forecourt::PositionState::Authorised}, BandCase{"Fuelling", forecourt::PositionState::Fueling},
                      BandCase{"Stopped", forecourt::PositionState::Stopped}, BandCase{"Completed", forecourt::PositionState::Completed},
                      BandCase{"Paid", forecourt::PositionState::Paid}),
    [](const auto& info) { return std::string(info.param.name); });

// The words of every tank read whole however small the window, for the
// example sites (the station's three tanks, the motorway's six) and a site
// of the most tanks there can be, eight, with product names of the longest,
// 24 characters: its number, its product (on lines of its own where the
// gauge is narrow), the volume, the water and the temperature, none cut,
// none over another or past the section.
struct GaugeCase {
    std::string name;
    int tanks;
    Size window;
};

class GaugeWords : public ::testing::TestWithParam<GaugeCase> {};

TEST_P(GaugeWords, ReadWholeUnderEveryGauge)
{
    const char* const products[] = {"Unleaded 95", "Super 98", "Diesel", "Premium Diesel", "HGV Diesel", "AdBlue",
                                    "Unleaded 95 E10 Premium+", "HGV Diesel Red Low Sulfr"};
    std::vector<forecourt::TankSnapshot> tanks;
    for (int i = 0; i < GetParam().tanks; ++i)
        tanks.push_back({i + 1, products[GetParam().tanks == 8 ? i : i % 6], 80000, 65999.5, 14.5, -12.5});
    const QRect area = qRect(windowLayoutFor(GetParam().window, BarNeeds{}).sections.devices);
    QImage image(area.right() + 8, area.bottom() + 8, QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    QPainter p(&image);
    const std::vector<GaugeView> gauges = gaugeViews(tanks);
    const std::vector<DrawnText> drawn = BoardPainter().paintGauges(p, area, gauges);
    p.end();
    // Every text as it reads, one after another: a product broken onto two
    // lines reads whole, a number and its unit are held by a no-break space.
    QString read;
    for (const DrawnText& d : drawn)
        read += " " + QString(d.text).replace(QChar(0x00A0), ' ');
    read += " ";
    const auto has = [&](const QString& text) {
        return std::any_of(drawn.begin(), drawn.end(), [&](const DrawnText& d) { return d.text == text || d.text.startsWith(text + " "); });
    };
    for (std::size_t i = 0; i < tanks.size(); ++i) {
        const QString product = QString::fromStdString(tanks[i].product);
        EXPECT_TRUE(read.contains(" " + product + " ") || read.contains(" " + QString::number(tanks[i].number) + " " + product + " "))
            << tanks[i].product << " is not shown whole:" << read.toStdString();
        EXPECT_TRUE(has(QString::number(tanks[i].number)));
        // The tooltip has every word of the tank on one line.
        EXPECT_EQ(gauges[i].whole, "Tank " + std::to_string(tanks[i].number) + " " + tanks[i].product +
                                       ": 65999.5 of 80000 l, water 14.5 mm, -12.5 \u00B0C");
    }
    EXPECT_EQ(read.count(" 65999.5"), static_cast<int>(tanks.size()));
    EXPECT_EQ(read.count("water 14.5 mm"), static_cast<int>(tanks.size()));
    EXPECT_EQ(read.count("-12.5 \u00B0C"), static_cast<int>(tanks.size()));
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        EXPECT_FALSE(drawn[i].text.contains(QChar(0x2026))) << drawn[i].text.toStdString() << " is cut";
        EXPECT_TRUE(area.contains(drawn[i].rect)) << drawn[i].text.toStdString() << " leaves the section";
        for (std::size_t j = i + 1; j < drawn.size(); ++j)
            EXPECT_FALSE(drawn[i].rect.intersects(drawn[j].rect))
                << drawn[i].text.toStdString() << " overlaps " << drawn[j].text.toStdString();
    }
}

std::vector<GaugeCase> gaugeCases()
{
    // Scaled150: a 1920x1080 screen at QT_SCALE_FACTOR=1.5, 1280x720 to the board, less the frame.
    const std::vector<SizeCase> sizes = {{"Hd", {1272, 648}}, {"Laptop", {1358, 692}}, {"Preferred", preferredWindowSize()},
                                         {"Scaled", {900, 600}}, {"Scaled150", {1272, 688}}, {"Portrait", {1080, 1800}}};
    std::vector<GaugeCase> all;
    for (const SizeCase& s : sizes)
        for (const int n : {3, 6, 8})
            all.push_back({std::string(s.name) + "_" + std::to_string(n) + "Tanks", n, s.window});
    return all;
}

INSTANTIATE_TEST_SUITE_P(Sites, GaugeWords, ::testing::ValuesIn(gaugeCases()), [](const auto& info) { return info.param.name; });

// The price sign's fault band stands under its heading, not over it.
TEST(SignFault, LeavesTheHeadingToBeRead)
{
    forecourt::ForecourtServer site;
    site.setFault("member PriceSignDataSend slow 2000");
    const BoardView view = boardView(site.siteState(1), 1);
    ASSERT_FALSE(view.sign.fault.empty());
    const Size size = preferredWindowSize();
    const CanvasLayout layout = canvasLayout(size);
    QImage image(size.width, size.height, QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    {
        QPainter p(&image);
        BoardPainter().paint(p, image.size(), layout, view, {});
    }
    const Rect sign = deviceSpots(layout.devices, static_cast<int>(view.gauges.size())).sign;
    int white = 0, red = 0;
    // The heading's strip, inside the sign's red edge.
    for (int y = sign.y + 6; y <= sign.y + 18; ++y)
        for (int x = sign.x + 8; x < sign.x + sign.width - 8; ++x) {
            const QColor c = image.pixelColor(static_cast<int>(x * layout.scale), static_cast<int>(y * layout.scale));
            white += c.red() > 200 && c.green() > 200 && c.blue() > 200;
            red += c.red() > 150 && c.green() < 90 && c.blue() < 90;
        }
    EXPECT_GT(white, 0) << "no heading";
    EXPECT_EQ(red, 0) << "the fault's band lies over the heading";
}

} // namespace
