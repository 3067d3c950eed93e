// Files the utility reads whole (session scripts, the SET IMAGE sample):
// only a regular file, and only up to a bound, so that a FIFO, a device or a
// huge file is refused instead of hanging or exhausting memory.
#pragma once

#include <cstddef>
#include <string>

namespace vantrel {

enum class FileProblem { None, Missing, Folder, NotRegular, TooLarge, Unreadable };

// Fills `content` and gives None, or says why the file was not read.
FileProblem readWholeFile(const std::string& path, std::size_t limit, std::string& content);

} // namespace vantrel
