// A site described in a JSON file (vantrel-forecourt --site, vantrel-test
// --site): which fueling positions are installed with their hoses, grades
// and prices, the tanks, the readers' makes, the car wash's programs and the
// price sign. Everything is optional: "{}" is the site every server starts
// with. The whole file is read and checked into a plain SiteConfig first;
// a file that is not valid is refused with the line of the value at fault
// and the reason, so that nothing starts half configured. applySite then
// sets the config on a freshly made server through its devices' setters.
// docs/faults.md ("Site files") describes the format.
#pragma once

#include "car_wash.h"
#include "site_bounds.h"
#include "tank_monitor.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::forecourt {

class ForecourtServer;

// The makes a reader terminal can be, as ReaderInformation reports them.
inline constexpr std::array<const char*, 5> kReaderMakes = {"Gilbarco", "Wayne", "Wayne iX CAT", "Bennett", "ORPAK"};

inline constexpr int kMostGrades = 99;

struct GradeConfig {
    int number = 0;   // 1..99
    std::string name; // printable ASCII, 1..24 characters
    double tier1 = 1.0, tier2 = 1.0;
    bool operator==(const GradeConfig&) const = default;
};

struct HoseConfig {
    std::optional<int> grade;        // a number of SiteConfig::grades
    double tier1 = 1.0, tier2 = 1.0; // per litre; the grade's when the file gives none
    bool operator==(const HoseConfig&) const = default;
};

struct PositionConfig {
    int position = 0;              // 1..32
    std::vector<HoseConfig> hoses; // hose 1 first; 1 to 8 of them
    std::string readerMake;        // one of kReaderMakes; empty: not said
    bool operator==(const PositionConfig&) const = default;
};

struct SiteConfig {
    std::vector<GradeConfig> grades;
    // Empty: the 32 positions of every site, each with hoses 1 to 8 at 1.000.
    std::optional<std::vector<PositionConfig>> positions;
    std::optional<std::vector<TankSetup>> tanks;       // empty: the three tanks of every site
    std::optional<CarWash::PriceTable> wash;           // empty: the controller's own table
    std::optional<std::string> signIntensity;          // a letter and two digits ("M05")
    std::optional<std::array<std::string, 5>> signLines; // six digits each, or empty
    bool operator==(const SiteConfig&) const = default;

    // The grade of that number, or nullptr.
    const GradeConfig* grade(int number) const;
};

struct SiteFileError {
    int line = 0, column = 0; // column 0: the line alone says where
    std::string reason;
    // "line 12: a position is 1 to 32, not 33"; a syntax error adds its column.
    std::string message() const;
};

struct SiteFileParse {
    std::optional<SiteConfig> config; // set when the text is a valid site
    SiteFileError error;
};

// Reads and checks a site file's text.
SiteFileParse parseSiteFile(std::string_view text);
// Reads the file at `path` and checks it; a file that cannot be read is an error on line 0.
SiteFileParse readSiteFile(const std::string& path);
// "--site station.json: line 12: ..." with the path as given: the one line a program prints.
std::string siteFileRefusal(const std::string& path, const SiteFileError& error);

// Sets the site on `server`, which has to be freshly made: positions left
// out are not installed (nor their readers), hoses, grades and prices,
// tanks, wash table and sign as the config says.
void applySite(ForecourtServer& server, const SiteConfig& config);

} // namespace vantrel::forecourt
