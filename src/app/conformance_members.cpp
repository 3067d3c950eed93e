#include "conformance_members.h"

#include "dbus/bus_channel.h"
#include "dbus/dbus_client.h"
#include "dbus/wire_contract.h"
#include "forecourt/forecourt_server.h"
#include "server/automation_error.h"
#include "server/conversions.h"

#include <QEventLoop>
#include "dbus/introspection_reader.h"

namespace vantrel::conformance {

namespace {

// The introspection of a server on D-Bus, asked on a channel of its own with
// the call timeout: a server that does not answer is an error, never a wait.
std::optional<MemberList> introspectedMembers(const dbus::DBusClient& client, std::string& reason)
{
    dbus::BusChannel channel(client.endpoint(), client.timeout(), "vantrel-conformance");
    if (!channel.isConnected()) {
        reason = channel.connectError();
        return std::nullopt;
    }
    std::optional<QDBusMessage> reply;
    QEventLoop loop;
    channel.send(channel.methodCall(dbus::kIntrospectableInterface, QStringLiteral("Introspect")),
                 [&](const QDBusMessage& answer) {
                     reply = answer;
                     loop.quit();
                 });
    if (!reply)
        loop.exec();
    if (reply->type() == QDBusMessage::ErrorMessage) {
        reason = dbus::toAutomationError(reply->errorName(), reply->errorMessage(), dbus::Phase::Call).what();
        return std::nullopt;
    }
    const dbus::IntrospectionReading reading = dbus::readIntrospection(reply->arguments().value(0).toString());
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
