#include "site_file.h"

#include "forecourt_server.h"
#include "site_json.h"

#include "server/file_reading.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>

// Reading a site file from disk, the one line that refuses it, and setting
// a checked site on a fresh server.

namespace vantrel::forecourt {

SiteFileParse readSiteFile(const std::string& path)
{
    // Only a regular file, read up to the bound: a FIFO or a device would
    // hang the start or fill the memory.
    SiteFileParse result;
    std::string text;
    int error = 0;
    switch (readWholeFile(path, kLargestSiteFile, text, &error)) {
    case FileProblem::None: return parseSiteFile(text);
    case FileProblem::Missing:
    case FileProblem::Unreadable: result.error.reason = std::string("cannot be read: ") + std::strerror(error); break;
    case FileProblem::Folder: result.error.reason = "is a folder, not a site file"; break;
    case FileProblem::NotRegular: result.error.reason = "is not a regular file"; break;
    case FileProblem::TooLarge:
        result.error.reason = "is larger than a site file may be (" + std::to_string(kLargestSiteFile) + " bytes)";
        break;
    }
    return result;
}

std::string siteFileRefusal(const std::string& path, const SiteFileError& error)
{
    // The path as given, its control characters escaped: the refusal stays one line.
    return "--site " + escapedForReason(path, path.size()) + ": " + error.message();
}

void applySite(ForecourtServer& server, const SiteConfig& config)
{
    FuelingPositions& fueling = server.fueling();
    ReaderTerminals& readers = server.readers();
    if (config.positions) {
        for (int p = 1; p <= FuelingPositions::kPositions; ++p) {
            const bool listed = std::any_of(config.positions->begin(), config.positions->end(),
                                            [p](const PositionConfig& position) { return position.position == p; });
            fueling.setInstalled(p, listed);
            readers.setInstalled(p, listed); // a reader left out loses what it held at start-up
        }
        for (const PositionConfig& position : *config.positions) {
            if (!position.readerMake.empty())
                readers.setMake(position.position, position.readerMake);
            if (position.hoses.empty())
                continue;
            std::vector<FuelingPositions::HoseSetup> hoses;
            for (const HoseConfig& hose : position.hoses) {
                const GradeConfig* grade = hose.grade ? config.grade(*hose.grade) : nullptr;
                hoses.push_back({grade ? grade->number : 0, grade ? grade->name : std::string(), hose.tier1, hose.tier2});
            }
            fueling.setHoses(position.position, hoses);
        }
    }
    if (config.tanks)
        server.tankMonitor().setTanks(*config.tanks);
    if (config.wash)
        server.carWash().setPriceTable(*config.wash);
    if (config.signIntensity)
        server.priceSign().setIntensity(*config.signIntensity);
    if (config.signLines)
        server.priceSign().setLines(*config.signLines);
}

} // namespace vantrel::forecourt
