// The members a server lists, for the compose window's member box: the
// embedded forecourt's member table, or what a D-Bus server's introspection
// announces of Vantrel.Application (a write-only property: a put of a string,
// or of an int16 for "n"; a method: a read, of an int16 position when it
// takes an argument). Nothing here calls a server.
#pragma once

#include "composed_call.h"

#include <QString>

#include <vector>

namespace vantrel {
class AutomationObject;
}

namespace vantrel::compose {

// The embedded forecourt's members, in the order of its table.
std::vector<MemberEntry> embeddedMembers();
// The members an introspection document lists; none for a document that is no XML.
std::vector<MemberEntry> membersFromIntrospection(const QString& xml);
// The members of `server` as far as they are known without calling it: the
// embedded forecourt's table, none for any other server.
std::vector<MemberEntry> membersOf(AutomationObject& server);

} // namespace vantrel::compose
