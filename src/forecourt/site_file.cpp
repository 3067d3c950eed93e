#include "site_file.h"

#include "fueling_positions.h"
#include "site_json.h"
#include "text_helpers.h"

#include "server/ascii_text.h"
#include "server/conversions.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

// Reading a site file into a SiteConfig: every key known, every value of
// its kind and range, each refusal with the line of the value at fault.

namespace vantrel::forecourt {

namespace {

using Kind = JsonValue::Kind;

// Thrown inside the checks only; parseSiteFile turns it into its answer.
struct Refusal {
    int line;
    std::string reason;
};

[[noreturn]] void refuse(const JsonValue& at, std::string reason) { throw Refusal{at.line, std::move(reason)}; }

// A number as the file wrote it, cut for a reason.
std::string asWritten(const JsonValue& number) { return escapedForReason(number.text, kQuotedForReason); }

// A value as the file wrote it, for a reason.
std::string written(const JsonValue& v)
{
    switch (v.kind) {
    case Kind::Number: return "the number " + asWritten(v);
    case Kind::String: return "the string " + quotedForReason(v.text);
    default: return jsonKindName(v.kind);
    }
}

const JsonValue& ofKind(const JsonValue& v, Kind kind, const std::string& what)
{
    if (v.kind != kind)
        refuse(v, what + " must be " + jsonKindName(kind) + ", not " + written(v));
    return v;
}

// Refuses every key of `object` that is not among `keys` (a "comment" is
// welcome anywhere); `what` names the object in the reason.
void onlyKeys(const JsonValue& object, std::initializer_list<const char*> keys, const std::string& what)
{
    for (const auto& [key, value] : object.members) {
        if (key == "comment")
            continue;
        if (std::none_of(keys.begin(), keys.end(), [&key = key](const char* k) { return key == k; })) {
            std::string known;
            for (const char* k : keys)
                known += std::string(known.empty() ? "" : ", ") + k;
            refuse(value, quotedForReason(key) + " is no key of " + what + " (it takes " + known + ")");
        }
    }
}

const JsonValue& required(const JsonValue& object, const char* key, const std::string& what)
{
    const JsonValue* v = object.member(key);
    if (!v)
        refuse(object, what + " needs \"" + key + "\"");
    return *v;
}

int wholeNumber(const JsonValue& v, const std::string& what, int lowest, int highest)
{
    ofKind(v, Kind::Number, what);
    if (v.number != std::floor(v.number) || v.number < lowest || v.number > highest)
        refuse(v, what + " is " + std::to_string(lowest) + " to " + std::to_string(highest) + ", not " + asWritten(v));
    return static_cast<int>(v.number);
}

// A number from `lowest` to `highest` with at most `decimals` decimals, as written.
double decimalNumber(const JsonValue& v, const std::string& what, double lowest, double highest, int decimals)
{
    ofKind(v, Kind::Number, what);
    const double scaled = v.number * std::pow(10.0, decimals);
    const auto dot = v.text.find('.');
    const bool tooFine = v.text.find_first_of("eE") == std::string::npos
                             ? dot != std::string::npos && v.text.size() - dot - 1 > static_cast<std::size_t>(decimals)
                             : std::abs(scaled - std::round(scaled)) > 1e-6;
    if (v.number < lowest || v.number > highest || tooFine)
        refuse(v, what + " is " + plainNumber(lowest) + " to " + plainNumber(highest) + " with at most " +
                      std::to_string(decimals) + " decimals, not " + asWritten(v));
    return v.number;
}

double price(const JsonValue& v, const std::string& what) { return decimalNumber(v, what, 0.001, 9999.999, 3); }
int hundredths(const JsonValue& v, const std::string& what)
{
    return static_cast<int>(std::lround(decimalNumber(v, what, 0, 999.99, 2) * 100.0));
}

std::string name(const JsonValue& v, const std::string& what, std::size_t longest)
{
    const std::string& text = ofKind(v, Kind::String, what).text;
    if (text.empty() || text.size() > longest ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= 32 && c <= 126; }))
        refuse(v, what + " is 1 to " + std::to_string(longest) + " printable ASCII characters, not " + quotedForReason(text));
    return text;
}

const std::vector<JsonValue>& list(const JsonValue& v, const std::string& what, std::size_t fewest, std::size_t most)
{
    const auto& items = ofKind(v, Kind::Array, what).items;
    if (items.size() < fewest || items.size() > most)
        refuse(v, what + " hold " + std::to_string(fewest) + " to " + std::to_string(most) + " items, not " +
                      std::to_string(items.size()));
    return items;
}

std::vector<GradeConfig> readGrades(const JsonValue& v)
{
    std::vector<GradeConfig> grades;
    for (const auto& item : list(v, "the grades", 0, kMostGrades)) {
        ofKind(item, Kind::Object, "a grade");
        onlyKeys(item, {"grade", "name", "tier1", "tier2"}, "a grade");
        GradeConfig g;
        const JsonValue& number = required(item, "grade", "a grade");
        g.number = wholeNumber(number, "a grade number", 1, kMostGrades);
        if (std::any_of(grades.begin(), grades.end(), [&](const GradeConfig& o) { return o.number == g.number; }))
            refuse(number, "grade " + std::to_string(g.number) + " is given twice");
        g.name = name(required(item, "name", "grade " + std::to_string(g.number)), "a grade's name", 24);
        if (const JsonValue* t1 = item.member("tier1"))
            g.tier1 = g.tier2 = price(*t1, "a price");
        if (const JsonValue* t2 = item.member("tier2"))
            g.tier2 = price(*t2, "a price");
        grades.push_back(g);
    }
    return grades;
}

const GradeConfig& knownGrade(const SiteConfig& site, const JsonValue& v)
{
    const int number = wholeNumber(v, "a grade number", 1, kMostGrades);
    const GradeConfig* grade = site.grade(number);
    if (!grade)
        refuse(v, "grade " + std::to_string(number) + " is not among the grades");
    return *grade;
}

HoseConfig readHose(const SiteConfig& site, const JsonValue& item)
{
    HoseConfig hose;
    if (item.kind == Kind::Number) { // the grade alone
        const GradeConfig& grade = knownGrade(site, item);
        return {grade.number, grade.tier1, grade.tier2};
    }
    ofKind(item, Kind::Object, "a hose (a grade number, or an object)");
    onlyKeys(item, {"grade", "tier1", "tier2"}, "a hose");
    const JsonValue* t1 = item.member("tier1");
    if (const JsonValue* g = item.member("grade")) {
        const GradeConfig& grade = knownGrade(site, *g);
        hose = {grade.number, grade.tier1, grade.tier2};
    }
    if (t1)
        hose.tier1 = hose.tier2 = price(*t1, "a price");
    if (const JsonValue* t2 = item.member("tier2"))
        hose.tier2 = price(*t2, "a price");
    return hose;
}

std::string readerMake(const JsonValue& v)
{
    const std::string& text = ofKind(v, Kind::String, "a reader's make").text;
    for (const char* make : kReaderMakes)
        if (equalsIgnoreCase(text, make))
            return make;
    std::string makes;
    for (const char* make : kReaderMakes)
        makes += std::string(makes.empty() ? "" : ", ") + make;
    refuse(v, "a reader's make is one of " + makes + ", not " + quotedForReason(text));
}

std::vector<PositionConfig> readPositions(const SiteConfig& site, const JsonValue& v)
{
    std::vector<PositionConfig> positions;
    for (const auto& item : list(v, "the positions", 1, FuelingPositions::kPositions)) {
        ofKind(item, Kind::Object, "a position");
        onlyKeys(item, {"position", "hoses", "reader"}, "a position");
        PositionConfig p;
        const JsonValue& number = required(item, "position", "a position");
        p.position = wholeNumber(number, "a position", 1, FuelingPositions::kPositions);
        if (std::any_of(positions.begin(), positions.end(), [&](const PositionConfig& o) { return o.position == p.position; }))
            refuse(number, "position " + std::to_string(p.position) + " is given twice");
        if (const JsonValue* hoses = item.member("hoses"))
            for (const auto& hose : list(*hoses, "a position's hoses", 1, FuelingPositions::kHoses))
                p.hoses.push_back(readHose(site, hose));
        if (const JsonValue* reader = item.member("reader"))
            p.readerMake = readerMake(*reader);
        positions.push_back(std::move(p));
    }
    return positions;
}

std::vector<TankSetup> readTanks(const SiteConfig& site, const JsonValue& v)
{
    std::vector<TankSetup> tanks;
    for (const auto& item : list(v, "the tanks", 1, kMostTanks)) {
        ofKind(item, Kind::Object, "a tank");
        onlyKeys(item, {"grade", "capacity", "volume", "water", "temperature"}, "a tank");
        TankSetup t;
        const GradeConfig& grade = knownGrade(site, required(item, "grade", "a tank"));
        t.grade = grade.number;
        t.product = grade.name;
        t.capacity = decimalNumber(required(item, "capacity", "a tank"), "a tank's capacity in litres", 1, 1000000, 1);
        t.volume = t.capacity;
        if (const JsonValue* volume = item.member("volume")) {
            t.volume = decimalNumber(*volume, "a tank's volume in litres", 0, 1000000, 1);
            if (t.volume > t.capacity)
                refuse(*volume, "the volume " + asWritten(*volume) + " is above the tank's capacity " + plainNumber(t.capacity));
        }
        if (const JsonValue* water = item.member("water"))
            t.water = decimalNumber(*water, "a tank's water in millimetres", 0, 1000, 1);
        if (const JsonValue* temperature = item.member("temperature"))
            t.temperature = decimalNumber(*temperature, "a tank's temperature in degrees Celsius", -40, 60, 1);
        tanks.push_back(std::move(t));
    }
    return tanks;
}

std::vector<CarWash::PricedItem> readWashItems(const JsonValue& v, const char* what, std::size_t fewest)
{
    std::vector<CarWash::PricedItem> items;
    const std::string one = std::string("a wash ") + what;
    for (const auto& item : list(v, std::string("the wash's ") + what + "s", fewest, 99)) {
        ofKind(item, Kind::Object, one);
        onlyKeys(item, {"full", "discount1", "discount2"}, one);
        CarWash::PricedItem priced;
        priced.number = static_cast<int>(items.size()) + 1;
        priced.prices.full = hundredths(required(item, "full", one), "a wash price");
        priced.prices.discount1 = priced.prices.full;
        if (const JsonValue* d1 = item.member("discount1"))
            priced.prices.discount1 = hundredths(*d1, "a wash price");
        priced.prices.discount2 = priced.prices.discount1;
        if (const JsonValue* d2 = item.member("discount2"))
            priced.prices.discount2 = hundredths(*d2, "a wash price");
        items.push_back(priced);
    }
    return items;
}

CarWash::PriceTable readWash(const JsonValue& v)
{
    ofKind(v, Kind::Object, "the wash");
    onlyKeys(v, {"programs", "options"}, "the wash");
    CarWash::PriceTable table = CarWash::factoryPrices();
    if (const JsonValue* programs = v.member("programs"))
        table.programs = readWashItems(*programs, "program", 1);
    if (const JsonValue* options = v.member("options"))
        table.options = readWashItems(*options, "option", 0);
    return table;
}

void readSign(SiteConfig& site, const JsonValue& v)
{
    ofKind(v, Kind::Object, "the sign");
    onlyKeys(v, {"intensity", "lines"}, "the sign");
    if (const JsonValue* intensity = v.member("intensity")) {
        const std::string& text = ofKind(*intensity, Kind::String, "the sign's intensity").text;
        if (text.size() != 3 || !((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z')) || !allDigits(text.substr(1)))
            refuse(*intensity, "the sign's intensity is a letter and two digits such as \"M05\", not " + quotedForReason(text));
        site.signIntensity = text;
    }
    if (const JsonValue* lines = v.member("lines")) {
        std::array<std::string, 5> texts;
        std::size_t i = 0;
        for (const auto& line : list(*lines, "the sign's lines", 0, texts.size())) {
            const std::string& text = ofKind(line, Kind::String, "a sign line").text;
            if (text.size() != 6 || !allDigits(text))
                refuse(line, "a sign line is six digits such as \"001799\", not " + quotedForReason(text));
            texts[i++] = text;
        }
        site.signLines = texts;
    }
}

SiteConfig readSite(const JsonValue& root)
{
    if (root.kind != Kind::Object)
        refuse(root, std::string("a site file is one object ({} is the usual site), not ") + jsonKindName(root.kind));
    onlyKeys(root, {"grades", "positions", "tanks", "wash", "sign"}, "a site");
    SiteConfig site;
    // The grades first, wherever they stand: hoses and tanks name them.
    if (const JsonValue* grades = root.member("grades"))
        site.grades = readGrades(*grades);
    if (const JsonValue* positions = root.member("positions"))
        site.positions = readPositions(site, *positions);
    if (const JsonValue* tanks = root.member("tanks"))
        site.tanks = readTanks(site, *tanks);
    if (const JsonValue* wash = root.member("wash"))
        site.wash = readWash(*wash);
    if (const JsonValue* sign = root.member("sign"))
        readSign(site, *sign);
    return site;
}

} // namespace

const GradeConfig* SiteConfig::grade(int number) const
{
    const auto it = std::find_if(grades.begin(), grades.end(), [number](const GradeConfig& g) { return g.number == number; });
    return it == grades.end() ? nullptr : &*it;
}

std::string SiteFileError::message() const
{
    if (line <= 0)
        return reason;
    return "line " + std::to_string(line) + ": " + reason + (column > 0 ? " (column " + std::to_string(column) + ")" : "");
}

SiteFileParse parseSiteFile(std::string_view text)
{
    SiteFileParse result;
    JsonParse json = parseJson(text);
    if (!json.value) {
        result.error = {json.line, json.column, json.reason};
        return result;
    }
    try {
        result.config = readSite(*json.value);
    } catch (const Refusal& refusal) {
        result.error = {refusal.line, 0, refusal.reason};
    }
    return result;
}

} // namespace vantrel::forecourt
