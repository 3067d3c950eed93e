// The devices on the board: the tank gauges, the car wash and the price sign.
#include "board_view.h"
#include "board_faults.h"
#include "board_view_text.h"

#include <algorithm>

namespace vantrel::board {

std::vector<GaugeView> gaugeViews(const std::vector<forecourt::TankSnapshot>& tanks)
{
    std::vector<GaugeView> out;
    for (const auto& t : tanks) {
        GaugeView g;
        g.caption = std::to_string(t.number) + " " + t.product;
        g.fraction = t.capacity > 0 ? std::clamp(t.volume / t.capacity, 0.0, 1.0) : 0;
        g.volume = fixed(t.volume, 1) + " of " + fixed(t.capacity, 0) + " l";
        const std::string water = "water " + fixed(t.water, 1) + " mm", temperature = fixed(t.temperature, 1) + " \xc2\xb0" "C";
        g.detail = water + "  " + temperature;
        g.number = std::to_string(t.number);
        g.product = t.product;
        const char* const noBreak = "\xc2\xa0";
        g.narrow = {fixed(t.volume, 1) + noBreak + "l", "water " + fixed(t.water, 1) + noBreak + "mm",
                    fixed(t.temperature, 1) + noBreak + "\xc2\xb0" "C"};
        g.whole = "Tank " + g.caption + ": " + g.volume + ", " + water + ", " + temperature;
        g.colour = g.fraction < 0.1 ? Rgb{214, 69, 65} : g.fraction < 0.25 ? Rgb{245, 166, 35} : Rgb{46, 140, 200};
        out.push_back(std::move(g));
    }
    return out;
}

WashView washView(const forecourt::CarWashSnapshot& w)
{
    WashView v;
    v.washing = w.washing;
    v.status = w.washing ? "Washing " + w.washCode + ", program " + two(w.washProgram) + ": " + std::to_string(w.secondsLeft) + " s left"
                         : std::string("Idle");
    for (const auto& c : w.codes)
        v.codes.push_back(c.code + "  program " + two(c.program) + "  " + c.state);
    if (w.droppedCodes > 0)
        v.dropped = forecourt::groupedNumber(w.droppedCodes) + (w.droppedCodes == 1 ? " older code" : " older codes") + " dropped";
    return v;
}

SignView signView(const forecourt::SiteState& site)
{
    SignView v;
    v.intensity = "intensity " + site.signIntensity;
    for (const auto& line : site.signLines)
        v.lines.push_back(line.empty() ? SignLine{"------", false} : SignLine{line, true});
    // The faults of the sign's own members show on it, each member by what
    // it does to the sign ("send slow 2000"); the others on the forecourt.
    for (const std::string& f : memberFaults(site.faults, isSignMember)) {
        const bool send = f.rfind(kSignMembers[0], 0) == 0;
        const std::size_t name = std::string_view(send ? kSignMembers[0] : kSignMembers[1]).size();
        v.fault += (v.fault.empty() ? "" : ", ") + std::string(send ? "send" : "read") + f.substr(name);
    }
    return v;
}

} // namespace vantrel::board
