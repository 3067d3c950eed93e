// Every file the utility writes (trace, saved session, saved journal, JUnit
// report, screenshot) is written one way: into a temporary file beside the
// target, every write and the close checked, flushed to the disk, then
// renamed over the target. So a failed write (a full disk) leaves no empty or
// cut file as if saved, and a file that was there before stays as it was.
// Only a regular file, or a link to one (the link is kept, its target
// replaced), is written: a device, a FIFO, a socket or a folder is refused
// and left alone. Failures carry the system's reason (strerror).
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vantrel {

// Why `path` cannot be written as an output file ("a character device, not a
// regular file", or the system's reason for a folder that is not there or
// cannot be written into: "No such file or directory"); empty when it can (a
// regular file, a link to one, or a name not taken yet, in a folder that can
// be written into).
std::string outputRefusal(const std::string& path);

class OutputFile {
public:
    // `ownerOnly`: the file is readable by its owner alone (0600), for
    // unmasked cardholder data. Otherwise a replaced file keeps its mode, and
    // a new one gets 0666 less the umask.
    explicit OutputFile(std::string path, bool ownerOnly = false);
    ~OutputFile(); // a file not committed is discarded: the target stays as it was
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Checks the target and creates the temporary file. False, with error().
    bool open();
    // Writes all of `bytes`. False, with error(), once any write failed;
    // later writes then do nothing.
    bool write(std::string_view bytes);
    // Flushes the file to the disk, closes it and renames it over the
    // target. False, with error(), when any step (or an earlier write)
    // failed; the temporary file is then removed.
    bool commit();
    // Removes the temporary file; the target stays as it was.
    void discard();

    bool isOpen() const { return m_fd >= 0; }
    bool failed() const { return !m_error.empty(); }
    bool committed() const { return m_committed; }
    // The reason of the first failure, the system's own ("No space left on device").
    const std::string& error() const { return m_error; }
    const std::string& path() const { return m_path; }
    // Where the bytes go until commit() (empty before open()).
    const std::string& temporaryPath() const { return m_temporary; }

private:
    bool fail(const std::string& what, int error);

    std::string m_path;
    std::string m_target; // m_path with its links followed
    std::string m_temporary;
    bool m_ownerOnly;
    int m_fd = -1;
    bool m_committed = false;
    std::string m_error;
};

// Writes `bytes` as the whole file `path`, as OutputFile does. False, with
// the reason, when it cannot.
bool writeOutputFile(const std::string& path, std::string_view bytes, bool ownerOnly, std::string& reason);

namespace test_hooks {
// A fault at one step of writing ("write", "fsync", "close", "rename"):
// the hook gives the error number to fail that step with, or 0. For tests
// of the failure paths; nothing else sets it.
using OutputFault = std::function<int(std::string_view step)>;
void setOutputFault(OutputFault fault);
} // namespace test_hooks

} // namespace vantrel
