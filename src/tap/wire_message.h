// One marshalled D-Bus message taken apart (with libdbus): its header, and
// on demand its leading string arguments and one argument as a Value. Only
// the bytes a caller keeps of a string are copied, so a message of many
// megabytes costs no more than its kept part.
#pragma once

#include "server/value.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct DBusMessage;

namespace vantrel::tap {

struct WireHeader {
    enum class Kind { MethodCall, Reply, Error, Signal };
    Kind kind = Kind::MethodCall;
    bool noReplyExpected = false;
    std::uint32_t serial = 0;
    std::uint32_t replySerial = 0; // replies and errors
    std::string sender, destination, path, interface, member, errorName, signature;
};

// "call", "reply", "error", "signal".
const char* kindName(WireHeader::Kind kind);

// An argument as a Value: `value` when it is one the contract carries (a
// variant is unwrapped once: ay, s, n, i, d, b), else `problem` says why
// not (an AutomationError's number and description, as the client would
// raise it). `bytes` is a string's whole length, `omitted` what was not kept.
struct TakenValue {
    std::optional<Value> value;
    std::size_t bytes = 0;
    std::size_t omitted = 0;
    int problemNumber = 0;
    std::string problem;
    // A value held in a variant ("v"), as the contract sends every value.
    bool inVariant = false;
};

class WireMessage {
public:
    // Takes `bytes` apart; check valid(), and why not in error().
    explicit WireMessage(std::string_view bytes);
    ~WireMessage();
    WireMessage(const WireMessage&) = delete;
    WireMessage& operator=(const WireMessage&) = delete;

    bool valid() const { return m_message != nullptr; }
    const std::string& error() const { return m_error; }
    const WireHeader& header() const { return m_header; }

    // How many arguments the body holds.
    std::size_t argumentCount() const;
    // The first `count` arguments when they are all strings; fewer when not.
    std::vector<std::string> leadingStrings(std::size_t count) const;
    // The argument at `index`, its string kept to its first `limit` bytes.
    TakenValue argument(std::size_t index, std::size_t limit) const;

private:
    DBusMessage* m_message = nullptr;
    WireHeader m_header;
    std::string m_error;
};

} // namespace vantrel::tap
