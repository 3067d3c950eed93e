// The pcapng reader: the file's blocks walked one by one, each checked
// before it is believed (its length, its kind's least size, the interface
// and link type of a packet, the packet's length within its block, the
// message in it), so any file gives messages or reasons and never reads
// past its end.
#include "capture.h"

#include "byte_order.h"
#include "dbus_bytes.h"
#include "pcapng_format.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

namespace vantrel::capture {

namespace {

using namespace pcapng;

struct Interface {
    bool described = false; // false: its block was too short to tell
    std::uint16_t linkType = 0;
    std::uint32_t snapLength = 0; // 0: no limit
    // 10^-n seconds a unit, or 2^-n with the top bit set; microseconds unless said.
    std::uint8_t resolution = kMicroseconds;
    std::int64_t offsetSeconds = 0;
};

__extension__ typedef __int128 Wide;

// A packet's time stamp in microseconds since the epoch, held to int64.
std::int64_t microseconds(std::uint64_t stamp, const Interface& interface)
{
    const unsigned n = interface.resolution & 0x7Fu;
    Wide usec = stamp;
    if (interface.resolution & 0x80u) {
        usec = (usec * 1'000'000) >> n;
    } else {
        for (unsigned i = n; i < 6; ++i)
            usec *= 10;
        for (unsigned i = 6; i < n && usec != 0; ++i)
            usec /= 10;
    }
    usec += Wide{interface.offsetSeconds} * 1'000'000;
    if (usec > std::numeric_limits<std::int64_t>::max())
        return std::numeric_limits<std::int64_t>::max();
    if (usec < std::numeric_limits<std::int64_t>::min())
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(usec);
}

class Reader {
public:
    explicit Reader(std::string_view file) : m_file(file) {}

    CaptureRead run()
    {
        if (m_file.size() > kMaxFile) {
            m_read.error = "the capture is larger than the 1 GiB that is read";
            return std::move(m_read);
        }
        const ByteOrder little;
        if (m_file.size() < kBlockFrame || little.u32(m_file, 0) != kSectionHeader
            || (little.u32(m_file, 8) != kByteOrderMagic && ByteOrder{true}.u32(m_file, 8) != kByteOrderMagic)) {
            m_read.error = "not a pcapng file";
            return std::move(m_read);
        }
        for (std::size_t at = 0; at < m_file.size();) {
            const std::size_t length = block(at);
            if (length == 0)
                break;
            at += length;
        }
        if (m_unlisted != 0)
            m_read.skipped.push_back({m_firstUnlisted, std::to_string(m_unlisted) + " more bad blocks, not listed"});
        return std::move(m_read);
    }

private:
    // The block at `at` read or skipped; its length, or 0 where reading ends.
    std::size_t block(std::size_t at)
    {
        const std::size_t left = m_file.size() - at;
        if (left < kBlockFrame)
            return stop(at, "truncated block: " + std::to_string(left) + " bytes at the end of the file");
        const std::uint32_t type = m_order.u32(m_file, at);
        if (type == kSectionHeader) {
            if (ByteOrder{false}.u32(m_file, at + 8) == kByteOrderMagic)
                m_order.big = false;
            else if (ByteOrder{true}.u32(m_file, at + 8) == kByteOrderMagic)
                m_order.big = true;
            else
                return stop(at, "section header block with an unknown byte-order magic");
        }
        const std::uint32_t length = m_order.u32(m_file, at + 4);
        const std::string told = std::to_string(length);
        if (length % 4 != 0)
            return stop(at, "block length " + told + " is not a multiple of 4");
        if (length < kBlockFrame)
            return stop(at, "block length " + told + " is shorter than a block");
        if (length > kMaxBlock) {
            skip(at, "block length " + told + " is larger than a block of a D-Bus capture may be");
            return length <= left ? length : 0;
        }
        if (length > left)
            return stop(at, "truncated block: its length " + told + " runs past the end of the file");
        const std::uint32_t trailer = m_order.u32(m_file, at + length - 4);
        if (trailer != length)
            return stop(at, "block length " + told + " at its start, " + std::to_string(trailer) + " at its end");
        const std::string_view body = m_file.substr(at, length);
        if (type == kSectionHeader)
            section(at, body);
        else if (type == kInterfaceDescription)
            interface(at, body);
        else if (type == kEnhancedPacket)
            enhancedPacket(at, body);
        else if (type == kSimplePacket)
            simplePacket(at, body);
        return length;
    }

    void section(std::size_t at, std::string_view block)
    {
        m_interfaces.clear();
        m_readable = false;
        if (shorterThan(at, block, 28))
            return;
        const unsigned major = m_order.u16(block, 12);
        if (major != 1) {
            skip(at, "section of pcapng version " + std::to_string(major) + "." + std::to_string(m_order.u16(block, 14))
                         + " is not read");
            return;
        }
        m_readable = true;
        m_lastUsec = 0;
    }

    void interface(std::size_t at, std::string_view block)
    {
        if (!m_readable)
            return;
        Interface& interface = m_interfaces.emplace_back();
        if (shorterThan(at, block, 20))
            return;
        interface.described = true;
        interface.linkType = m_order.u16(block, 8);
        interface.snapLength = m_order.u32(block, 12);
        const std::size_t end = block.size() - 4;
        for (std::size_t p = 16; p + 4 <= end;) {
            const std::uint16_t code = m_order.u16(block, p);
            const std::size_t size = m_order.u16(block, p + 2);
            p += 4;
            if (code == kOptionEnd || size > end - p)
                break;
            if (code == kOptionTimeResolution && size == 1)
                interface.resolution = static_cast<std::uint8_t>(block[p]);
            else if (code == kOptionTimeOffset && size == 8)
                interface.offsetSeconds = static_cast<std::int64_t>(m_order.u64(block, p));
            p += padded(size, 4);
        }
    }

    void enhancedPacket(std::size_t at, std::string_view block)
    {
        if (!m_readable || shorterThan(at, block, 32))
            return;
        const Interface* interface = dbusInterface(at, m_order.u32(block, 8));
        if (!interface)
            return;
        const std::uint64_t stamp = (std::uint64_t{m_order.u32(block, 12)} << 32) | m_order.u32(block, 16);
        const std::uint32_t captured = m_order.u32(block, 20);
        if (captured > block.size() - 32) {
            skip(at, "captured length " + std::to_string(captured) + " runs past the end of its block");
            return;
        }
        packet(at, block.substr(28, captured), m_order.u32(block, 24), microseconds(stamp, *interface));
    }

    // A simple packet block has no time: it takes the time of the packet before it.
    void simplePacket(std::size_t at, std::string_view block)
    {
        if (!m_readable || shorterThan(at, block, 16))
            return;
        const Interface* interface = dbusInterface(at, 0);
        if (!interface)
            return;
        const std::uint32_t original = m_order.u32(block, 8);
        std::uint32_t captured = original;
        if (interface->snapLength != 0 && interface->snapLength < captured)
            captured = interface->snapLength;
        if (captured > block.size() - 16) {
            skip(at, "captured length " + std::to_string(captured) + " runs past the end of its block");
            return;
        }
        packet(at, block.substr(12, captured), original, m_lastUsec);
    }

    const Interface* dbusInterface(std::size_t at, std::uint32_t index)
    {
        if (index >= m_interfaces.size() || !m_interfaces[index].described) {
            skip(at, "interface " + std::to_string(index) + " is not described");
            return nullptr;
        }
        const Interface& interface = m_interfaces[index];
        if (interface.linkType != kLinkTypeDBus) {
            skip(at, "link type " + std::to_string(interface.linkType) + " is not D-Bus");
            return nullptr;
        }
        return &interface;
    }

    void packet(std::size_t at, std::string_view bytes, std::uint32_t original, std::int64_t usec)
    {
        if (bytes.size() < original) {
            skip(at, "message cut to " + std::to_string(bytes.size()) + " of its " + std::to_string(original)
                         + " bytes by the capture's size limit");
            return;
        }
        std::string problem;
        if (!demarshal(bytes, problem)) {
            skip(at, "malformed D-Bus message: " + problem);
            return;
        }
        m_read.messages.push_back({usec, std::string(bytes)});
        m_lastUsec = usec;
    }

    bool shorterThan(std::size_t at, std::string_view block, std::size_t least)
    {
        if (block.size() >= least)
            return false;
        skip(at, "block of type " + std::to_string(m_order.u32(block, 0)) + " has " + std::to_string(block.size())
                     + " bytes, fewer than its least of " + std::to_string(least));
        return true;
    }

    // Each bad block told, up to kListed; beyond them only counted, so that
    // a file of tiny bad blocks does not take many times its size in reasons.
    void skip(std::size_t at, std::string reason)
    {
        if (m_read.skipped.size() < kListed) {
            m_read.skipped.push_back({at, std::move(reason)});
        } else if (m_unlisted++ == 0) {
            m_firstUnlisted = at;
        }
    }
    std::size_t stop(std::size_t at, std::string reason)
    {
        skip(at, std::move(reason));
        return 0;
    }

    std::string_view m_file;
    CaptureRead m_read;
    ByteOrder m_order;
    std::vector<Interface> m_interfaces; // of the current section
    bool m_readable = false;             // the current section is one this reader knows
    std::int64_t m_lastUsec = 0;
    static constexpr std::size_t kListed = 10'000;
    std::size_t m_unlisted = 0;
    std::size_t m_firstUnlisted = 0;
};

} // namespace

CaptureRead readCapture(std::string_view fileBytes) { return Reader(fileBytes).run(); }

CaptureRead readCaptureFile(const std::string& path)
{
    CaptureRead failed;
    // Not blocking: a named pipe given as the file is refused, not waited on.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        failed.error = "cannot open " + path + ": " + std::strerror(error);
        return failed;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        failed.error = path + " is not a regular file";
        return failed;
    }
    const std::string tooLarge = path + " is larger than the 1 GiB that is read of a capture";
    if (static_cast<std::uint64_t>(status.st_size) > kMaxFile) {
        failed.error = tooLarge;
        return failed;
    }
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(status.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            failed.error = "cannot read " + path + ": " + std::strerror(error);
            return failed;
        }
        if (bytes.size() + static_cast<std::size_t>(got) > kMaxFile) {
            failed.error = tooLarge;
            return failed;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return readCapture(bytes);
}

} // namespace vantrel::capture
