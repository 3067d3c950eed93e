#include "script_files.h"

#include "server/file_reading.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace vantrel {

std::optional<std::string> readScriptFile(const std::string& path, std::string& reason)
{
    std::string content;
    int error = 0;
    switch (readWholeFile(path, kScriptLimit, content, &error)) {
    case FileProblem::None: return content;
    case FileProblem::Missing: {
        // A link whose file is gone names where it points.
        std::error_code ec;
        if (std::filesystem::is_symlink(path, ec))
            reason = "a link to " + std::filesystem::read_symlink(path, ec).string() + ", which does not exist";
        else
            reason = "no such file";
        break;
    }
    case FileProblem::Folder: reason = "a folder, not a script"; break;
    case FileProblem::NotRegular: reason = "not a regular file"; break;
    case FileProblem::TooLarge: reason = "larger than " + std::to_string(kScriptLimit >> 20) + " MiB"; break;
    case FileProblem::Unreadable:
        reason = "cannot be read whole" + (error ? " (" + std::generic_category().message(error) + ")" : std::string());
        break;
    }
    return std::nullopt;
}

std::vector<std::string> expandScriptPaths(const std::vector<std::string>& names, std::string& reason)
{
    namespace fs = std::filesystem;
    std::vector<std::string> paths;
    if (names.empty()) {
        reason = "no script named";
        return {};
    }
    for (const auto& name : names) {
        if (name.empty()) {
            reason = "an empty script name";
            return {};
        }
        std::error_code ec;
        if (!fs::is_directory(name, ec)) {
            paths.push_back(name);
            continue;
        }
        // Every .vts entry but a folder is a script: one that cannot be read
        // (a link to nothing) is named when its turn comes, and fails alone.
        std::vector<std::string> found;
        fs::directory_iterator it(name, ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            std::error_code kind;
            if (it->path().extension() == ".vts" && !fs::is_directory(it->path(), kind))
                found.push_back(it->path().string());
        }
        if (ec) {
            reason = name + ": the folder cannot be read (" + ec.message() + ")";
            return {};
        }
        if (found.empty()) {
            reason = name + ": the folder holds no .vts script";
            return {};
        }
        std::sort(found.begin(), found.end());
        paths.insert(paths.end(), found.begin(), found.end());
    }
    return paths;
}

} // namespace vantrel
