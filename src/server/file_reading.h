// Files the utility reads whole (session scripts, the SET IMAGE sample):
// only a regular file, and only up to a bound, so that a FIFO, a device or a
// huge file is refused instead of hanging or exhausting memory. A file is
// read to its end, whatever size it gives (files of /proc say 0 and hold
// bytes).
#pragma once

#include <cstddef>
#include <string>

namespace vantrel {

enum class FileProblem { None, Missing, Folder, NotRegular, TooLarge, Unreadable };

// Fills `content` and gives None, or says why the file was not read. For
// Unreadable (and Missing), `systemError`, when given, gets the error number.
FileProblem readWholeFile(const std::string& path, std::size_t limit, std::string& content, int* systemError = nullptr);

} // namespace vantrel
