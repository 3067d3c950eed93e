// The pcapng writer: little-endian, one section, one D-Bus interface, each
// message an enhanced packet block stamped in microseconds.
#include "capture.h"

#include "byte_order.h"
#include "pcapng_format.h"

#include <stdexcept>

namespace vantrel::capture {

namespace {

using namespace pcapng;
constexpr ByteOrder kLittle{false};

// One block: its type, its length, its fields and payload padded to 4, the length again.
std::string block(std::uint32_t type, std::string_view fields, std::string_view payload = {})
{
    const std::size_t body = fields.size() + payload.size();
    const auto length = static_cast<std::uint32_t>(kBlockFrame + padded(body, 4));
    std::string out;
    out.reserve(length);
    kLittle.append32(out, type);
    kLittle.append32(out, length);
    out += fields;
    out += payload;
    out.append(padded(body, 4) - body, '\0');
    kLittle.append32(out, length);
    return out;
}

} // namespace

std::string pcapngHeader()
{
    std::string section;
    kLittle.append32(section, kByteOrderMagic);
    kLittle.append16(section, 1); // version 1.0
    kLittle.append16(section, 0);
    kLittle.append64(section, ~std::uint64_t{0}); // section length not known
    std::string interface;
    kLittle.append16(interface, kLinkTypeDBus);
    kLittle.append16(interface, 0); // reserved
    kLittle.append32(interface, 0); // no snapshot limit
    kLittle.append16(interface, kOptionTimeResolution);
    kLittle.append16(interface, 1);
    interface += static_cast<char>(kMicroseconds);
    interface.append(3, '\0');
    kLittle.append32(interface, kOptionEnd); // and its length 0
    return block(kSectionHeader, section) + block(kInterfaceDescription, interface);
}

std::string pcapngPacket(const tap::TapMessage& message)
{
    if (message.bytes.size() > kMaxMessage)
        throw std::length_error("a D-Bus message is at most 128 MiB, not " + std::to_string(message.bytes.size())
                                + " bytes");
    const auto stamp = static_cast<std::uint64_t>(message.usec < 0 ? 0 : message.usec);
    const auto size = static_cast<std::uint32_t>(message.bytes.size());
    std::string fields;
    kLittle.append32(fields, 0); // interface 0
    kLittle.append32(fields, static_cast<std::uint32_t>(stamp >> 32));
    kLittle.append32(fields, static_cast<std::uint32_t>(stamp));
    kLittle.append32(fields, size); // captured
    kLittle.append32(fields, size); // original
    return block(kEnhancedPacket, fields, message.bytes);
}

} // namespace vantrel::capture
