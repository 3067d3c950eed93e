#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

namespace vantrel {

namespace {

test_hooks::OutputFault& fault()
{
    static test_hooks::OutputFault hook;
    return hook;
}

// The error number a test asks this step to fail with, or 0.
int injected(std::string_view step) { return fault() ? fault()(step) : 0; }

std::string systemReason(int error) { return std::generic_category().message(error); }

const char* kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISSOCK(mode))
        return "a socket";
    return "a special file";
}

std::string folderOf(const std::string& path)
{
    const std::string parent = std::filesystem::path(path).parent_path().string();
    return parent.empty() ? std::string(".") : parent;
}

// Follows the links of `path` to the file that is written: a regular file,
// or a name not taken yet. Empty `reason` when it can be written.
std::string resolveTarget(const std::string& path, std::string& reason)
{
    std::string current = path;
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno != ENOENT)
                reason = systemReason(errno);
            return current; // a new file (a missing folder is said when it is created)
        }
        if (S_ISREG(st.st_mode))
            return current;
        if (!S_ISLNK(st.st_mode)) {
            reason = std::string(hops ? "a link to " : "") + kindOf(st.st_mode) +
                     ", not a regular file; it is left as it is";
            return {};
        }
        if (hops >= 40) {
            reason = systemReason(ELOOP);
            return {};
        }
        std::vector<char> buffer(PATH_MAX + 1);
        const ssize_t n = ::readlink(current.c_str(), buffer.data(), buffer.size() - 1);
        if (n < 0) {
            reason = systemReason(errno);
            return {};
        }
        const std::string link(buffer.data(), static_cast<std::size_t>(n));
        current = link.front() == '/' ? link : folderOf(current) + "/" + link;
    }
}

} // namespace

namespace test_hooks {
void setOutputFault(OutputFault hook) { fault() = std::move(hook); }
} // namespace test_hooks

std::string outputRefusal(const std::string& path)
{
    std::string reason;
    const std::string target = resolveTarget(path, reason);
    if (!reason.empty())
        return reason;
    // The temporary file is made in the target's folder: one that is not
    // there, is no folder or cannot be written into is said now, in the
    // words the writer would fail with at the end of a run.
    const std::string folder = folderOf(target);
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        return systemReason(errno);
    if (!S_ISDIR(st.st_mode))
        return systemReason(ENOTDIR);
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return systemReason(errno);
    return {};
}

OutputFile::OutputFile(std::string path, bool ownerOnly) : m_path(std::move(path)), m_ownerOnly(ownerOnly) {}

OutputFile::~OutputFile()
{
    if (!m_committed)
        discard();
}

bool OutputFile::fail(const std::string& what, int error)
{
    if (m_error.empty())
        m_error = what.empty() ? systemReason(error) : what + ": " + systemReason(error);
    return false;
}

bool OutputFile::open()
{
    if (isOpen())
        return true;
    std::string reason;
    m_target = resolveTarget(m_path, reason);
    if (!reason.empty()) {
        m_error = reason;
        return false;
    }
    // A replaced file keeps its mode; a new one gets what the umask leaves.
    mode_t mode = 0600;
    if (!m_ownerOnly) {
        struct stat st {};
        if (::stat(m_target.c_str(), &st) == 0) {
            mode = st.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
    }
    const std::string name = std::filesystem::path(m_target).filename().string();
    std::string pattern = folderOf(m_target) + "/." + name + ".XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return fail("", errno);
    m_fd = fd;
    m_temporary = pattern;
    if (::fchmod(m_fd, mode) != 0) {
        fail("", errno);
        discard();
        return false;
    }
    return true;
}

bool OutputFile::write(std::string_view bytes)
{
    if (!isOpen() || failed())
        return false;
    while (!bytes.empty()) {
        if (const int error = injected("write"))
            return fail("", error);
        const ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail("", errno);
        }
        if (n == 0)
            return fail("", EIO);
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool OutputFile::commit()
{
    if (m_committed)
        return true;
    if (!isOpen() || failed()) {
        if (!failed())
            m_error = "the file was never opened";
        discard();
        return false;
    }
    int error = injected("fsync");
    if (!error && ::fsync(m_fd) != 0)
        error = errno;
    if (error) {
        fail("", error);
        discard();
        return false;
    }
    error = injected("close");
    const int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0 && !error)
        error = errno;
    if (error) {
        fail("", error);
        discard();
        return false;
    }
    error = injected("rename");
    if (!error && ::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        error = errno;
    if (error) {
        fail("", error);
        discard();
        return false;
    }
    m_committed = true;
    m_temporary.clear();
    // The new name reaches the disk with its folder.
    const int folder = ::open(folderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

void OutputFile::discard()
{
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    if (!m_temporary.empty())
        ::unlink(m_temporary.c_str());
    m_temporary.clear();
}

bool writeOutputFile(const std::string& path, std::string_view bytes, bool ownerOnly, std::string& reason)
{
    OutputFile file(path, ownerOnly);
    if (file.open() && file.write(bytes) && file.commit())
        return true;
    reason = file.error();
    return false;
}

} // namespace vantrel
