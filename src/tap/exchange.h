// What the site tap makes of the messages it watched: exchanges between a
// client and the server in the contract's words (put, get, call, with the
// value, the result or the error as the utility's client would have it),
// and everything else, kept apart as "other".
#pragma once

#include "session/session_observer.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vantrel::tap {

enum class ExchangeState {
    Waiting,         // the call went out; no reply yet
    Answered,        // the reply came: a put's acknowledgement or a result
    Failed,          // an error came (errorNumber, errorDescription)
    NoReplyExpected, // a call whose caller asked for no reply: it ends as it is sent
    ReplyLost,       // no reply will be seen (lostReason: the server changed, the wait ran out, the tap ended)
    ClientGone,      // the caller left the bus before its reply
};

// "waiting", "ok", "error", "no reply expected", "reply lost", "client went away".
const char* stateName(ExchangeState state);

struct Exchange {
    std::uint64_t number = 0; // 1 for the first call the tap saw
    std::string client;       // the caller's unique bus name (":1.42")
    std::string destination;  // as the caller addressed the server
    std::string server;       // the server's unique name that answered, or was the owner at the call
    Access access = Access::Get;
    std::string member;
    // put: the value; get and call: the argument, when one came. Strings
    // keep their first bytes (the journal's bound); *Omitted counts the rest.
    std::optional<Value> argument;
    std::size_t argumentOmitted = 0;
    std::string argumentNote; // why an argument that came is not shown ("a value of D-Bus type 'u' ...")
    std::optional<Value> result;
    std::size_t resultOmitted = 0;
    std::optional<int> errorNumber;
    std::string errorDescription;
    ExchangeState state = ExchangeState::Waiting;
    std::string lostReason;
    std::int64_t callUsec = 0; // when the call passed (microseconds since the epoch)
    std::int64_t endUsec = 0;  // when its reply passed, or it was given up
    std::uint32_t serial = 0;

    std::int64_t durationUsec() const { return endUsec > callUsec ? endUsec - callUsec : 0; }
    bool ended() const { return state != ExchangeState::Waiting; }
};

// A message outside the contract: introspection, Vantrel.Simulator, the
// bus's own traffic, signals, replies to calls the tap did not see.
struct OtherMessage {
    std::int64_t usec = 0;
    std::string kind; // "call", "reply", "error", "signal", "undecodable"
    std::string sender, destination, path, interface, member;
    std::string detail; // the error's name, or why the bytes are no message
    std::size_t bytes = 0;
};

// The exchange as a call event of the session (the trace's form): times in
// milliseconds since `startUsec`, the client named `clientLabel`.
CallEvent toCallEvent(const Exchange& exchange, std::int64_t startUsec, const std::string& clientLabel);

} // namespace vantrel::tap
