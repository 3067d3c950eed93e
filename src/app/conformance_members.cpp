#include "conformance_members.h"

#include "dbus/dbus_client.h"
#include "dbus/introspection_reader.h"
#include "forecourt/forecourt_server.h"
#include "server/automation_error.h"
#include "server/conversions.h"

namespace vantrel::conformance {

namespace {

// What a server on D-Bus lists in the introspection its client read when it
// was created, within the call timeout: nothing is asked again.
std::optional<MemberList> introspectedMembers(const dbus::DBusClient& client, std::string& reason)
{
    if (!client.introspectionProblem().empty()) {
        reason = client.introspectionProblem();
        return std::nullopt;
    }
    const dbus::IntrospectionReading reading = dbus::readIntrospection(client.introspection());
    if (!reading.error.isEmpty()) {
        reason = reading.error.toStdString();
        return std::nullopt;
    }
    MemberList members;
    for (const dbus::IntrospectedMember& member : reading.application) {
        if (member.method)
            members[member.name].read = true;
        else
            members[member.name].put = member.writable;
    }
    return members;
}

} // namespace

std::optional<MemberList> offeredMembers(AutomationObject& server, std::string& reason)
{
    if (dynamic_cast<forecourt::ForecourtServer*>(&server)) {
        MemberList members;
        for (const forecourt::MemberInfo& m : forecourt::ForecourtServer::members())
            (m.access == Access::Put ? members[m.name].put : members[m.name].read) = true;
        return members;
    }
    if (auto* client = dynamic_cast<dbus::DBusClient*>(&server))
        return introspectedMembers(*client, reason);
    reason = "it is neither the embedded forecourt nor a server on D-Bus";
    return std::nullopt;
}

bool resultTakenAs(const Value& result, const std::string& type)
{
    if (type == "string")
        return result.type() == Value::Type::String;
    try {
        (void)toInt16(result);
        return true;
    } catch (const AutomationError&) {
        return false;
    }
}

std::string resultTypeWords(const std::string& type)
{
    return type == "string" ? "answers a string" : "answers a 16-bit integer";
}

std::string memberProblem(const MemberList& members, Access access, const std::string& member)
{
    const auto found = members.find(member);
    if (found == members.end())
        return "the server does not offer " + member;
    const bool offered = access == Access::Put ? found->second.put : found->second.read;
    if (offered)
        return {};
    return member + std::string(" is offered, but not for ") + accessName(access) +
           (access == Access::Put ? " (no writable property)" : " (no method)");
}

} // namespace vantrel::conformance
