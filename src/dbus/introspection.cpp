#include "introspection.h"

#include "wire_contract.h"

namespace vantrel::dbus {

namespace {
using forecourt::Shape;

const char* kStandardInterfaces = R"(  <interface name="org.freedesktop.DBus.Introspectable">
    <method name="Introspect">
      <arg name="xml_data" type="s" direction="out"/>
    </method>
  </interface>
  <interface name="org.freedesktop.DBus.Peer">
    <method name="Ping"/>
    <method name="GetMachineId">
      <arg name="machine_uuid" type="s" direction="out"/>
    </method>
  </interface>
  <interface name="org.freedesktop.DBus.Properties">
    <method name="Get">
      <arg name="interface_name" type="s" direction="in"/>
      <arg name="property_name" type="s" direction="in"/>
      <arg name="value" type="v" direction="out"/>
    </method>
    <method name="GetAll">
      <arg name="interface_name" type="s" direction="in"/>
      <arg name="props" type="a{sv}" direction="out"/>
    </method>
    <method name="Set">
      <arg name="interface_name" type="s" direction="in"/>
      <arg name="property_name" type="s" direction="in"/>
      <arg name="value" type="v" direction="in"/>
    </method>
    <signal name="PropertiesChanged">
      <arg name="interface_name" type="s"/>
      <arg name="changed_properties" type="a{sv}"/>
      <arg name="invalidated_properties" type="as"/>
    </signal>
  </interface>
)";

// A member of Vantrel.Simulator as the introspection shows it.
QString simulatorMember(const SimulatorMember& m)
{
    QString xml;
    if (m.signal) {
        xml = QStringLiteral("    <signal name=\"%1\">\n").arg(QLatin1String(m.name));
        if (*m.out)
            xml += QStringLiteral("      <arg name=\"%1\" type=\"%2\"/>\n").arg(QLatin1String(m.outName), QLatin1String(m.out));
        return xml + QStringLiteral("    </signal>\n");
    }
    if (!*m.in && !*m.out)
        return QStringLiteral("    <method name=\"%1\"/>\n").arg(QLatin1String(m.name));
    xml = QStringLiteral("    <method name=\"%1\">\n").arg(QLatin1String(m.name));
    if (*m.in)
        xml += QStringLiteral("      <arg name=\"%1\" type=\"%2\" direction=\"in\"/>\n")
                   .arg(QLatin1String(m.inName), QLatin1String(m.in));
    if (*m.out)
        xml += QStringLiteral("      <arg name=\"%1\" type=\"%2\" direction=\"out\"/>\n")
                   .arg(QLatin1String(m.outName), QLatin1String(m.out));
    return xml + QStringLiteral("    </method>\n");
}
} // namespace

QString introspectInterfaces(std::span<const forecourt::MemberInfo> members, SimulatorParts simulator)
{
    QString xml = QStringLiteral("  <interface name=\"%1\">\n").arg(QLatin1String(kInterface));
    for (const auto& m : members) {
        const QString name = QString::fromLatin1(m.name);
        if (m.access == Access::Put) {
            xml += QStringLiteral("    <property name=\"%1\" type=\"%2\" access=\"write\">\n"
                                  "      <annotation name=\"org.freedesktop.DBus.Property.EmitsChangedSignal\" "
                                  "value=\"false\"/>\n"
                                  "    </property>\n")
                       .arg(name, m.shape == Shape::Int16 ? QStringLiteral("n") : QStringLiteral("ay"));
        } else {
            xml += QStringLiteral("    <method name=\"%1\">\n").arg(name);
            if (m.shape == Shape::PositionArgument)
                xml += QStringLiteral("      <arg name=\"position\" type=\"v\" direction=\"in\"/>\n");
            xml += QStringLiteral("      <arg name=\"result\" type=\"v\" direction=\"out\"/>\n"
                                  "    </method>\n");
        }
    }
    xml += QStringLiteral("  </interface>\n");
    if (simulator.any()) {
        xml += QStringLiteral("  <interface name=\"%1\">\n").arg(QLatin1String(kSimulatorInterface));
        for (const SimulatorMember& m : kSimulatorMembers)
            if (simulator.offers(m.part))
                xml += simulatorMember(m);
        xml += QStringLiteral("  </interface>\n");
    }
    return xml;
}

QString introspectDocument(std::span<const forecourt::MemberInfo> members, SimulatorParts simulator)
{
    return QStringLiteral("<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object Introspection 1.0//EN\"\n"
                          " \"http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd\">\n"
                          "<node>\n") +
           QLatin1String(kStandardInterfaces) + introspectInterfaces(members, simulator) +
           QStringLiteral("</node>\n");
}

} // namespace vantrel::dbus
