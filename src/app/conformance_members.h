// What the conformance suite asks of a server beyond its calls: which
// members it offers with which kinds of access, and whether an answer is
// taken as the utility's callers take it. The suite and a --script run's
// "expect member" and "expect result type" lines both judge by these.
#pragma once

#include "server/automation_object.h"

#include <map>
#include <optional>
#include <string>

namespace vantrel::conformance {

// The members a server offers, with the kinds of access each takes: the
// embedded forecourt by its member table, a server on D-Bus by the
// introspection its client read when it was created (asked with the call
// timeout, never waiting longer). Nothing, with the reason, when the server
// cannot tell.
struct Offered {
    bool put = false;
    bool read = false; // get and call
};
using MemberList = std::map<std::string, Offered, std::less<>>;
std::optional<MemberList> offeredMembers(AutomationObject& server, std::string& reason);
// "expect result type TYPE": whether a result is taken as its callers take
// it, a "string" as text they show and split, an "int16" converted to a
// 16-bit integer (conversions.h); and the words that say so.
bool resultTakenAs(const Value& result, const std::string& type);
std::string resultTypeWords(const std::string& type);

// Whether `access` to `member` is offered; "" when it is, else why not.
std::string memberProblem(const MemberList& members, Access access, const std::string& member);

} // namespace vantrel::conformance
