// What a server's introspection document says of it, read once for every
// caller: the interfaces it lists, the members of Vantrel.Application (a
// property, written by a put, or a method, called by a get or call, with the
// signature of its argument), and the methods of Vantrel.Simulator. Child
// nodes are other objects and are passed over. Nothing here calls a server.
#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace vantrel::dbus {

struct IntrospectedMember {
    std::string name;
    bool method = false;   // a method; otherwise a property
    bool writable = false; // a property a put may write
    QString signature;     // a property's type, or the signature of a method's arguments in
};

struct IntrospectionReading {
    QStringList interfaces;                       // every interface of the object, in order
    std::vector<IntrospectedMember> application;  // the members of Vantrel.Application
    QStringList simulatorMethods;                 // the methods of Vantrel.Simulator, in order
    QString error;                                // empty, or why the document is no XML
};

IntrospectionReading readIntrospection(const QString& xml);

} // namespace vantrel::dbus
