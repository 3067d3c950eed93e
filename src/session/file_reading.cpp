#include "file_reading.h"

#include <filesystem>
#include <fstream>

namespace vantrel {

FileProblem readWholeFile(const std::string& path, std::size_t limit, std::string& content)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const auto status = fs::status(path, ec);
    if (!fs::exists(status))
        return FileProblem::Missing;
    if (fs::is_directory(status))
        return FileProblem::Folder;
    if (!fs::is_regular_file(status))
        return FileProblem::NotRegular;
    const auto size = fs::file_size(path, ec);
    if (ec)
        return FileProblem::Unreadable;
    if (size > limit)
        return FileProblem::TooLarge;
    std::ifstream in(path, std::ios::binary);
    content.assign(static_cast<std::size_t>(size), '\0');
    in.read(content.data(), static_cast<std::streamsize>(size));
    if (!in || static_cast<std::uintmax_t>(in.gcount()) != size)
        return FileProblem::Unreadable;
    return FileProblem::None;
}

} // namespace vantrel
