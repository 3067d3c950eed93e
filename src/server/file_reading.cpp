#include "file_reading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace vantrel {

FileProblem readWholeFile(const std::string& path, std::size_t limit, std::string& content, int* systemError)
{
    auto failed = [&](FileProblem problem, int error) {
        if (systemError)
            *systemError = error;
        return problem;
    };
    // Not blocking: opening a FIFO must not wait for a writer; what is
    // opened is checked before a byte is read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return failed(errno == ENOENT ? FileProblem::Missing : FileProblem::Unreadable, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return failed(FileProblem::Unreadable, errno);
    if (S_ISDIR(st.st_mode))
        return FileProblem::Folder;
    if (!S_ISREG(st.st_mode))
        return FileProblem::NotRegular;
    if (static_cast<unsigned long long>(st.st_size) > limit)
        return FileProblem::TooLarge;
    // To the end of the file, not to the size it gives: at most one byte past the limit.
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return failed(FileProblem::Unreadable, errno);
        }
        if (n == 0)
            break;
        if (bytes.size() + static_cast<std::size_t>(n) > limit)
            return FileProblem::TooLarge;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    content = std::move(bytes);
    return FileProblem::None;
}

} // namespace vantrel
