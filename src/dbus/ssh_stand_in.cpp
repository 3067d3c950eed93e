#include "ssh_stand_in.h"

#include <random>

namespace vantrel::dbus {

namespace {
// Bounds on what a client may send before it is answered: the stand-in
// only ever reads an authentication and a Hello.
constexpr std::size_t kLineLimit = 16 * 1024;
constexpr std::size_t kMessageLimit = 1024 * 1024;
constexpr std::size_t kHeaderSize = 16;
constexpr unsigned char kMethodCall = 1;
constexpr unsigned char kError = 3;
constexpr unsigned char kNoReplyExpected = 0x1;
constexpr const char* kRejected = "REJECTED EXTERNAL ANONYMOUS\r\n";
constexpr std::size_t kReasonLimit = 1200;

std::string randomGuid()
{
    std::random_device random;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string guid;
    for (int i = 0; i < 32; ++i)
        guid += kHex[random() % 16];
    return guid;
}

std::size_t padded(std::size_t size, std::size_t to) { return (size + to - 1) / to * to; }

std::uint32_t readU32(std::string_view bytes, std::size_t at, bool bigEndian)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(bigEndian ? i : 3 - i)]);
        value = (value << 8) | byte;
    }
    return value;
}

// Little-endian marshalling of the few types an error reply holds.
struct Marshal {
    std::string bytes;
    void pad(std::size_t to) { bytes.resize(padded(bytes.size(), to), '\0'); }
    void u32(std::uint32_t value)
    {
        pad(4);
        for (int i = 0; i < 4; ++i)
            bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    void string(std::string_view text)
    {
        u32(static_cast<std::uint32_t>(text.size()));
        bytes.append(text);
        bytes += '\0';
    }
    void signature(std::string_view text)
    {
        bytes += static_cast<char>(text.size());
        bytes.append(text);
        bytes += '\0';
    }
    // One header field: a struct of its code and a variant.
    void field(char code, std::string_view type)
    {
        pad(8);
        bytes += code;
        signature(type);
    }
};

std::string errorReply(std::uint32_t serial, std::uint32_t replyTo, std::string_view reason)
{
    Marshal body;
    body.string(reason);
    Marshal m;
    m.bytes = {'l', static_cast<char>(kError), static_cast<char>(kNoReplyExpected), 1};
    m.u32(static_cast<std::uint32_t>(body.bytes.size()));
    m.u32(serial);
    m.u32(0); // the fields' length, set below
    m.field(4, "s"); // ERROR_NAME
    m.string(kNoServerError);
    m.field(5, "u"); // REPLY_SERIAL
    m.u32(replyTo);
    m.field(7, "s"); // SENDER
    m.string("org.freedesktop.DBus");
    m.field(8, "g"); // SIGNATURE
    m.signature("s");
    const auto fields = static_cast<std::uint32_t>(m.bytes.size() - kHeaderSize);
    for (int i = 0; i < 4; ++i)
        m.bytes[12 + static_cast<std::size_t>(i)] = static_cast<char>((fields >> (8 * i)) & 0xFF);
    m.pad(8);
    return m.bytes + body.bytes;
}

bool isCommand(std::string_view line, std::string_view command)
{
    return line.substr(0, command.size()) == command &&
           (line.size() == command.size() || line[command.size()] == ' ');
}
} // namespace

SshStandIn::SshStandIn(std::string reason) : m_reason(std::move(reason)), m_guid(randomGuid())
{
    if (m_reason.size() > kReasonLimit)
        m_reason.resize(kReasonLimit);
}

std::string SshStandIn::take(std::string_view bytes)
{
    if (m_closing)
        return {};
    m_pending.append(bytes);
    std::string answer;
    if (m_phase == Phase::Nul && !m_pending.empty()) {
        if (m_pending.front() != '\0') {
            m_closing = true;
            return {};
        }
        m_pending.erase(0, 1);
        m_phase = Phase::Auth;
    }
    while (m_phase != Phase::Messages && m_phase != Phase::Nul) {
        const std::size_t end = m_pending.find("\r\n");
        if (end == std::string::npos) {
            m_closing = m_pending.size() > kLineLimit;
            return answer;
        }
        const std::string line = m_pending.substr(0, end);
        m_pending.erase(0, end + 2);
        answer += authLine(line);
        if (m_closing)
            return answer;
    }
    if (m_phase == Phase::Messages)
        answer += messages();
    return answer;
}

std::string SshStandIn::authLine(std::string_view line)
{
    const bool restart = isCommand(line, "CANCEL") || isCommand(line, "ERROR");
    switch (m_phase) {
    case Phase::Auth:
        if (isCommand(line, "AUTH EXTERNAL") && line.size() == 13) {
            m_phase = Phase::WaitingData;
            return "DATA\r\n";
        }
        if (isCommand(line, "AUTH EXTERNAL") || isCommand(line, "AUTH ANONYMOUS")) {
            m_phase = Phase::Authenticated;
            return "OK " + m_guid + "\r\n";
        }
        if (isCommand(line, "BEGIN")) {
            m_closing = true;
            return {};
        }
        return isCommand(line, "AUTH") || restart ? kRejected : "ERROR\r\n";
    case Phase::WaitingData:
        if (isCommand(line, "DATA")) {
            m_phase = Phase::Authenticated;
            return "OK " + m_guid + "\r\n";
        }
        break;
    case Phase::Authenticated:
        if (isCommand(line, "BEGIN") && line.size() == 5) {
            m_phase = Phase::Messages;
            return {};
        }
        break;
    case Phase::Nul:
    case Phase::Messages: break;
    }
    if (restart) {
        m_phase = Phase::Auth;
        return kRejected;
    }
    return "ERROR\r\n";
}

std::string SshStandIn::messages()
{
    std::string answer;
    while (m_pending.size() >= kHeaderSize) {
        const char order = m_pending[0];
        if (order != 'l' && order != 'B') {
            m_closing = true;
            return answer;
        }
        const bool big = order == 'B';
        const std::size_t body = readU32(m_pending, 4, big);
        const std::size_t fields = readU32(m_pending, 12, big);
        if (body > kMessageLimit || fields > kMessageLimit ||
            kHeaderSize + padded(fields, 8) + body > kMessageLimit) {
            m_closing = true;
            return answer;
        }
        const std::size_t size = kHeaderSize + padded(fields, 8) + body;
        if (m_pending.size() < size)
            return answer;
        const auto type = static_cast<unsigned char>(m_pending[1]);
        const auto flags = static_cast<unsigned char>(m_pending[2]);
        if (type == kMethodCall && !(flags & kNoReplyExpected)) {
            m_refused = true;
            m_closing = true;
            return answer + errorReply(1, readU32(m_pending, 8, big), m_reason) + std::string(kHeaderSize, '\0');
        }
        m_pending.erase(0, size);
    }
    return answer;
}

} // namespace vantrel::dbus
