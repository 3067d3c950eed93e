#include "introspection_reader.h"

#include "wire_contract.h"

#include <QXmlStreamReader>

namespace vantrel::dbus {

IntrospectionReading readIntrospection(const QString& xml)
{
    IntrospectionReading reading;
    QXmlStreamReader reader(xml);
    bool inApplication = false, inSimulator = false;
    int depth = 0, interfaceDepth = -1;
    IntrospectedMember* method = nullptr; // the method whose arguments are read
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            const auto attributes = reader.attributes();
            const QString name = attributes.value(QStringLiteral("name")).toString();
            if (reader.name() == u"node" && depth > 1) {
                reader.skipCurrentElement(); // a child object: not this one
                --depth;
            } else if (reader.name() == u"interface") {
                reading.interfaces << name;
                inApplication = name == QLatin1String(kInterface);
                inSimulator = name == QLatin1String(kSimulatorInterface);
                interfaceDepth = depth;
            } else if (inApplication && depth == interfaceDepth + 1 && reader.name() == u"property") {
                reading.application.push_back({name.toStdString(), false,
                                               attributes.value(QStringLiteral("access")).contains(u"write"),
                                               attributes.value(QStringLiteral("type")).toString()});
            } else if (inApplication && depth == interfaceDepth + 1 && reader.name() == u"method") {
                reading.application.push_back({name.toStdString(), true, false, QString()});
                method = &reading.application.back();
            } else if (inSimulator && depth == interfaceDepth + 1 && reader.name() == u"method") {
                reading.simulatorMethods << name;
            } else if (method && reader.name() == u"arg" &&
                       attributes.value(QStringLiteral("direction")) != u"out") {
                method->signature += attributes.value(QStringLiteral("type"));
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (reader.name() == u"method")
                method = nullptr;
            if (depth == interfaceDepth) {
                inApplication = inSimulator = false;
                interfaceDepth = -1;
            }
            --depth;
        }
    }
    if (reader.hasError()) {
        reading.error = "its introspection is no XML: " + reader.errorString();
        reading.application.clear();
        reading.simulatorMethods.clear();
    }
    return reading;
}

} // namespace vantrel::dbus
