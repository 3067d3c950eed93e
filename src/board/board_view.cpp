// The board's view model: its colours, the pump tiles and the whole board.
// The reader's part is in board_view_reader.cpp, the tanks, car wash and
// price sign in board_view_devices.cpp.
#include "board_view.h"
#include "board_faults.h"
#include "board_view_text.h"

#include "forecourt/fueling_positions.h"
#include "forecourt/traffic.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vantrel::board {

using forecourt::PositionState;

std::string hexName(Rgb c)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
    return text;
}

namespace {
double channel(std::uint8_t c)
{
    const double v = c / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}
double luminance(Rgb c) { return 0.2126 * channel(c.r) + 0.7152 * channel(c.g) + 0.0722 * channel(c.b); }
} // namespace

double contrastRatio(Rgb a, Rgb b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Rgb inkOn(Rgb background)
{
    return contrastRatio(background, kDarkInk) >= contrastRatio(background, kLightInk) ? kDarkInk : kLightInk;
}

Rgb stateColour(PositionState state)
{
    switch (state) {
    case PositionState::Idle: return {176, 180, 186};
    case PositionState::Calling: return {245, 166, 35};
    case PositionState::Authorised: return {74, 144, 226};
    case PositionState::Fueling: return {46, 184, 92};
    case PositionState::Stopped: return {200, 50, 50}; // dark enough for white text
    case PositionState::Completed: return {155, 89, 182};
    case PositionState::Paid: return {26, 160, 160};
    }
    return {};
}

std::string shownText(const std::string& bytes)
{
    std::string out;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r')
            out += "\xe2\x90\x8d"; // ␍
        else if (c == '\n')
            out += "\xe2\x90\x8a"; // ␊
        else if (u < 32 || u == 127) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", u);
            out += hex;
        } else if (u >= 128) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += c;
        }
    }
    return out;
}

TileView tileView(const forecourt::PositionSnapshot& p, bool selected)
{
    TileView t;
    t.number = p.number;
    t.caption = std::to_string(p.number);
    t.state = forecourt::positionStateCaption(p.state);
    t.fill = stateColour(p.state);
    t.selected = selected;
    if (!p.installed) { // a site file left the position out: no pump there, nothing to show of one
        t.installed = false;
        t.state = "Not installed";
        t.fill = kNotInstalledFill;
        return t;
    }
    if (p.hasSale) {
        t.hose = "Hose " + std::to_string(p.hoseInUse);
        const std::string mop = std::string("MOP ") + p.mop;
        const std::string limit = fixed(static_cast<double>(p.limitHundredths) / 100.0, 2);
        t.payment = mop + (p.fillUp ? "  fill-up" : "  limit " + limit);
        t.paymentNarrow = p.fillUp ? t.payment : mop + " " + limit;
        const double whole = p.fillUp ? 0 : static_cast<double>(p.limitHundredths) / 100.0;
        t.progress = p.fillUp ? std::min(1.0, p.litres / forecourt::FuelingPositions::kTankLitres)
                              : whole > 0 ? std::min(1.0, p.amount / whole) : 0;
    }
    if (p.hasSale || p.state == PositionState::Paid) {
        t.volume = fixed(p.litres, 3) + " l";
        t.amount = fixed(p.amount, 2);
    }
    for (std::size_t h = 0; h < p.prices.size(); ++h) {
        const auto& price = p.prices[h];
        const bool set = price.tier1 != 1.0 || price.tier2 != 1.0;
        if (set || h == 0)
            t.prices.push_back({static_cast<int>(h + 1), fixed(price.tier1, 3), fixed(price.tier2, 3)});
    }
    // Hose 1 at the default price says nothing when another hose was priced.
    if (t.prices.size() > 1 && p.prices[0].tier1 == 1.0 && p.prices[0].tier2 == 1.0)
        t.prices.erase(t.prices.begin());
    return t;
}

BoardView boardView(const forecourt::SiteState& site, int selected)
{
    using forecourt::FaultDevice;
    BoardView b;
    for (const auto& p : site.positions) {
        b.tiles.push_back(tileView(p, p.number == selected));
        b.tiles.back().fault = faultWordsOn(site.faults, FaultDevice::Position, p.number);
    }
    b.reader = readerView(site.reader);
    b.reader.fault = faultWordsOn(site.faults, FaultDevice::Reader, site.reader.position);
    b.gauges = gaugeViews(site.tanks);
    for (std::size_t t = 0; t < b.gauges.size(); ++t)
        b.gauges[t].fault = faultWordsOn(site.faults, FaultDevice::Tank, site.tanks[t].number);
    b.tankReport = site.tankReportStatus == "ReportStatus=Ready" ? "report ready"
                   : site.tankReportStatus == "ReportStatus=Busy" ? "report being prepared"
                                                                  : "no report";
    b.wash = washView(site.carWash);
    b.wash.fault = faultWordsOn(site.faults, FaultDevice::Wash, 0);
    b.sign = signView(site);
    b.memberFaults = memberFaults(site.faults, [](std::string_view member) { return !isSignMember(member); });
    b.faults = site.faults;
    b.traffic = trafficLine(site.traffic);
    return b;
}

std::string trafficLine(const forecourt::TrafficSnapshot& t)
{
    if (t.customersPerMinute <= 0 && t.atSite == 0 && t.served == 0 && t.leftUnserved == 0)
        return {};
    const char* dot = " \u00B7 ";
    std::string line = "Traffic: " + (t.customersPerMinute > 0 ? forecourt::trafficRateText(t.customersPerMinute) : "stopped");
    line += dot + std::to_string(t.served) + " served";
    if (t.atSite > 0)
        line += dot + std::to_string(t.atSite) + " at the pumps";
    if (t.leftUnserved > 0)
        line += dot + std::to_string(t.leftUnserved) + " left without fuel";
    return line;
}

} // namespace vantrel::board
