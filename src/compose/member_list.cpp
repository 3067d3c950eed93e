#include "member_list.h"

#include "dbus/wire_contract.h"
#include "forecourt/forecourt_server.h"

#include "dbus/dbus_client.h"
#include "dbus/introspection_reader.h"

namespace vantrel::compose {

namespace {
Value::Type typeOfShape(forecourt::Shape shape)
{
    switch (shape) {
    case forecourt::Shape::Int16:
    case forecourt::Shape::PositionArgument: return Value::Type::Int16;
    case forecourt::Shape::NoArgument: return Value::Type::Empty;
    case forecourt::Shape::Record:
    case forecourt::Shape::Message:
    case forecourt::Shape::PositionText:
    case forecourt::Shape::PositionTextOrAll: break;
    }
    return Value::Type::String;
}
} // namespace

std::vector<MemberEntry> embeddedMembers()
{
    std::vector<MemberEntry> members;
    for (const forecourt::MemberInfo& m : forecourt::ForecourtServer::members())
        members.push_back({m.name, m.access == Access::Put ? Access::Put : Access::Get, typeOfShape(m.shape)});
    return members;
}

std::vector<MemberEntry> membersFromIntrospection(const QString& xml)
{
    std::vector<MemberEntry> members;
    for (const dbus::IntrospectedMember& m : dbus::readIntrospection(xml).application) {
        if (m.method) // a read, of a position when it takes an argument
            members.push_back({m.name, Access::Get, m.signature.isEmpty() ? Value::Type::Empty : Value::Type::Int16});
        else // a put of a string, or of a 16-bit integer
            members.push_back({m.name, Access::Put, m.signature == u"n" ? Value::Type::Int16 : Value::Type::String});
    }
    return members;
}

std::vector<MemberEntry> membersOf(AutomationObject& server)
{
    if (dynamic_cast<forecourt::ForecourtServer*>(&server))
        return embeddedMembers();
    if (auto* bus = dynamic_cast<dbus::DBusClient*>(&server))
        return membersFromIntrospection(bus->introspection());
    return {};
}

} // namespace vantrel::compose
