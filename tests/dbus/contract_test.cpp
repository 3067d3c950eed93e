// The wire contract: server specs, how values travel, and the error table,
// each error raised by a real server on a private bus.
#include "bus_fixture.h"
#include "stub_service.h"

#include "dbus/dbus_client.h"
#include "dbus/introspection.h"
#include "dbus/introspection_reader.h"
#include "dbus/wire_contract.h"

#include <QFile>
#include <QXmlStreamReader>

#include "support/case_names.h"

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::dbus;

namespace {
using Bus = Endpoint::Bus;

struct SpecCase {
    const char* name;
    const char* spec;
    std::optional<Endpoint> expected;
    const char* described;
};

class ServerSpec : public ::testing::TestWithParam<SpecCase> {};

TEST_P(ServerSpec, ParsesAndDescribes)
{
    const auto parsed = parseServerSpec(GetParam().spec);
    EXPECT_EQ(parsed, GetParam().expected);
    if (parsed) {
        EXPECT_EQ(describe(*parsed), GetParam().described);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ServerSpec,
    ::testing::Values(
        SpecCase{"SessionDefault", "dbus", Endpoint{"Vantrel.Application", Bus::Session, ""}, "Vantrel.Application on the session bus"},
        SpecCase{"SessionNamed", "dbus:Site.Forecourt", Endpoint{"Site.Forecourt", Bus::Session, ""}, "Site.Forecourt on the session bus"},
        SpecCase{"SystemNamed", "dbus:Site.Forecourt@system", Endpoint{"Site.Forecourt", Bus::System, ""}, "Site.Forecourt on the system bus"},
        SpecCase{"AtAddress", "dbus:Vantrel.Application@unix:path=/tmp/x", Endpoint{"Vantrel.Application", Bus::Address, "unix:path=/tmp/x"},
                 "Vantrel.Application at unix:path=/tmp/x"},
        SpecCase{"UniqueName", "dbus::1.42@session", Endpoint{":1.42", Bus::Session, ""}, ":1.42 on the session bus"},
        SpecCase{"NoPrefix", "Vantrel.Application", std::nullopt, ""}, SpecCase{"EmptyName", "dbus:", std::nullopt, ""},
        SpecCase{"NoDots", "dbus:NoDots", std::nullopt, ""}, SpecCase{"EmptyElement", "dbus:Site..Forecourt", std::nullopt, ""},
        SpecCase{"ElementStartsWithDigit", "dbus:9Site.Forecourt", std::nullopt, ""}, SpecCase{"EmptyBus", "dbus:Site.Forecourt@", std::nullopt, ""},
        SpecCase{"UnknownBus", "dbus:Site.Forecourt@nowhere", std::nullopt, ""}, SpecCase{"PrefixRunOn", "dbusx", std::nullopt, ""}),
                         vantrel::test_names::ByName{});

class OverTheBus : public ::testing::Test {
protected:
    test::PrivateBus bus;
    test::StubService stub{bus.address()};
    DBusClient client{bus.endpoint(test::kStubName), std::chrono::milliseconds(2000)};
};

TEST_F(OverTheBus, ValuesArriveExactly)
{
    std::string allBytes;
    for (int c = 255; c >= 0; --c)
        allBytes += static_cast<char>(c);
    for (const Value& v : {Value::string(allBytes), Value::string(""), Value::int16(-7), Value::int32(70000),
                           Value::real(2.5), Value::boolean(true)})
        EXPECT_EQ(client.get("Echo", v), v) << typeName(v.type());
}

struct ReturnCase {
    const char* signature;
    int number;      // 0: accepted
    const char* text; // the value, or what the description names
};

class Returned : public OverTheBus, public ::testing::WithParamInterface<ReturnCase> {};

TEST_P(Returned, AcceptedOrTypeMismatch)
{
    const ReturnCase& c = GetParam();
    try {
        const Value v = std::string(c.signature) == "bare" ? client.get("ReturnsBare", std::nullopt)
                                                          : client.get("Returns", Value::string(c.signature));
        EXPECT_EQ(c.number, 0);
        EXPECT_EQ(v, Value::string(c.text));
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), c.number) << e.description();
        EXPECT_NE(e.description().find(c.text), std::string::npos) << e.description();
    }
}

INSTANTIATE_TEST_SUITE_P(Types, Returned,
                         ::testing::Values(ReturnCase{"s", 0, "caf\xE9"}, ReturnCase{"s-wide", 13, "U+263A"},
                                           ReturnCase{"as", 13, "'as'"}, ReturnCase{"u", 13, "'u'"},
                                           ReturnCase{"y", 13, "'y'"}, ReturnCase{"bare", 13, "'s'"}),
                         [](const auto& info) { return vantrel::test_names::caseName(info.param.signature); });

struct ErrorCase {
    const char* name;
    int number;
};

class RaisedError : public OverTheBus, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(RaisedError, MapsToItsNumberKeepingTheMessage)
{
    try {
        client.get("Raise", Value::string(GetParam().name));
        FAIL() << "no error arrived";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), GetParam().number) << e.description();
        EXPECT_NE(e.description().find("the bus says why"), std::string::npos) << e.description();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, RaisedError,
    ::testing::Values(ErrorCase{"Vantrel.Error.E1003", 1003}, ErrorCase{"org.freedesktop.DBus.Error.UnknownMethod", 438},
                      ErrorCase{"org.freedesktop.DBus.Error.UnknownProperty", 438},
                      ErrorCase{"org.freedesktop.DBus.Error.UnknownInterface", 438},
                      ErrorCase{"org.freedesktop.DBus.Error.UnknownObject", 438},
                      ErrorCase{"org.freedesktop.DBus.Error.InvalidArgs", 450},
                      ErrorCase{"org.freedesktop.DBus.Error.PropertyReadOnly", 450},
                      ErrorCase{"org.freedesktop.DBus.Error.AccessDenied", 70},
                      ErrorCase{"org.freedesktop.DBus.Error.ServiceUnknown", 462},
                      ErrorCase{"org.freedesktop.DBus.Error.NameHasNoOwner", 462},
                      ErrorCase{"org.freedesktop.DBus.Error.NoReply", 462},
                      ErrorCase{"org.freedesktop.DBus.Error.Timeout", 462},
                      ErrorCase{"org.freedesktop.DBus.Error.Disconnected", 462},
                      ErrorCase{"com.example.Error.Other", 440}, ErrorCase{"Vantrel.Error.Eleven", 440}),
    vantrel::test_names::ByName{});

TEST(ErrorMapping, NoOwnerWhileCreatingIsCannotCreate)
{
    for (const char* name : {"org.freedesktop.DBus.Error.ServiceUnknown", "org.freedesktop.DBus.Error.NameHasNoOwner"})
        EXPECT_EQ(toAutomationError(name, "gone", Phase::Create).number(), 429) << name;
}

TEST_F(OverTheBus, NameWithoutOwnerCannotBeCreated)
{
    try {
        DBusClient absent(bus.endpoint("Vantrel.Nobody"));
        FAIL() << "created a client for a name nobody owns";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), 429) << e.description();
        EXPECT_NE(e.description().find("Vantrel.Nobody"), std::string::npos) << e.description();
    }
}

TEST_F(OverTheBus, SilentServerTimesOutAndTheClientGoesOn)
{
    DBusClient impatient(bus.endpoint(test::kStubName), std::chrono::milliseconds(300));
    try {
        impatient.get("Silent", std::nullopt);
        FAIL() << "a server that never answers gave an answer";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), 462) << e.description();
    }
    EXPECT_EQ(impatient.get("Echo", Value::int16(3)), Value::int16(3));
}

TEST_F(OverTheBus, WaitHookSeesASlowCall)
{
    std::vector<std::pair<bool, std::string>> told;
    client.setWaitHook([&](bool waiting, std::string_view member) { told.emplace_back(waiting, member); });
    EXPECT_EQ(client.get("Slow", std::nullopt), Value::string("late"));
    EXPECT_EQ(told, (std::vector<std::pair<bool, std::string>>{{true, "Slow"}, {false, "Slow"}}));
    EXPECT_FALSE(client.isWaiting());
}
} // namespace

namespace {
// docs/dbus.md shows the introspection data; it must be what the service announces.
TEST(Documentation, ShowsTheGeneratedIntrospection)
{
    QFile doc(VANTREL_DBUS_DOC);
    ASSERT_TRUE(doc.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(doc.readAll());
    const qsizetype start = text.indexOf("```xml\n") + 7;
    const QString shown = text.mid(start, text.indexOf("```", start) - start);
    EXPECT_EQ(shown.toStdString(),
              introspectInterfaces(forecourt::ForecourtServer::members(), {true, true}).toStdString());
}
} // namespace

namespace {
// What the introspection shows of Vantrel.Simulator, read back from the XML.
struct Announced {
    QString name;
    bool signal = false;
    QString in, inName, out, outName;
};

std::vector<Announced> announcedSimulator(const QString& xml)
{
    std::vector<Announced> found;
    QXmlStreamReader reader(xml);
    bool inSimulator = false;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::StartElement && reader.name() == u"interface")
            inSimulator = reader.attributes().value("name") == QLatin1String(kSimulatorInterface);
        else if (token == QXmlStreamReader::EndElement && reader.name() == u"interface")
            inSimulator = false;
        else if (inSimulator && token == QXmlStreamReader::StartElement &&
                 (reader.name() == u"method" || reader.name() == u"signal"))
            found.push_back({reader.attributes().value("name").toString(), reader.name() == u"signal", {}, {}, {}, {}});
        else if (inSimulator && token == QXmlStreamReader::StartElement && reader.name() == u"arg") {
            const bool in = reader.attributes().value("direction") == u"in";
            (in ? found.back().in : found.back().out) = reader.attributes().value("type").toString();
            (in ? found.back().inName : found.back().outName) = reader.attributes().value("name").toString();
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return found;
}

struct PartsCase {
    const char* name;
    SimulatorParts parts;
};

class SimulatorTable : public ::testing::TestWithParam<PartsCase> {};

// The introspection shows exactly the members of the table the server offers, with their signatures.
TEST_P(SimulatorTable, IsWhatTheIntrospectionAnnounces)
{
    const SimulatorParts parts = GetParam().parts;
    const auto announced = announcedSimulator(introspectDocument(forecourt::ForecourtServer::members(), parts));
    std::size_t next = 0;
    for (const SimulatorMember& m : kSimulatorMembers) {
        if (!parts.offers(m.part))
            continue;
        ASSERT_LT(next, announced.size()) << m.name << " is not announced";
        const Announced& a = announced[next++];
        EXPECT_EQ(a.name.toStdString(), m.name);
        EXPECT_EQ(a.signal, m.signal) << m.name;
        EXPECT_EQ(a.in.toStdString(), m.in) << m.name;
        EXPECT_EQ(a.inName.toStdString(), m.inName) << m.name;
        EXPECT_EQ(a.out.toStdString(), m.out) << m.name;
        EXPECT_EQ(a.outName.toStdString(), m.outName) << m.name;
        EXPECT_EQ(findSimulatorMethod(a.name), m.signal ? nullptr : &m) << m.name;
    }
    EXPECT_EQ(next, announced.size()) << "the introspection announces more than the table holds";
    // The one reader of an introspection (the client's probe) finds the same methods.
    QStringList methods;
    for (const SimulatorMember& m : kSimulatorMembers)
        if (parts.offers(m.part) && !m.signal)
            methods << QString::fromLatin1(m.name);
    EXPECT_EQ(readIntrospection(introspectDocument(forecourt::ForecourtServer::members(), parts)).simulatorMethods,
              methods);
}

// A child node is another object: its Vantrel.Simulator is not this server's.
TEST(SimulatorTable, TheReaderTakesTheMethodsOfThisObjectOnly)
{
    const IntrospectionReading reading = readIntrospection(QStringLiteral(
        "<node><node name=\"child\"><interface name=\"Vantrel.Simulator\"><method name=\"Reset\"/></interface></node>"
        "<interface name=\"Vantrel.Simulator\"><method name=\"Advance\"><arg type=\"t\" direction=\"in\"/>"
        "</method><signal name=\"Changed\"/></interface></node>"));
    EXPECT_EQ(reading.simulatorMethods, QStringList{QStringLiteral("Advance")});
}

INSTANTIATE_TEST_SUITE_P(Parts, SimulatorTable,
                         ::testing::Values(PartsCase{"none", {false, false}}, PartsCase{"siteOnly", {true, false}},
                                           PartsCase{"clockOnly", {false, true}}, PartsCase{"both", {true, true}}),
                         vantrel::test_names::ByName{});

TEST(SimulatorTable, FindsMethodsByTheirExactName)
{
    EXPECT_EQ(findSimulatorMethod(u"ReadSite"), &kReadSite);
    EXPECT_EQ(findSimulatorMethod(u"readsite"), nullptr);
    EXPECT_EQ(findSimulatorMethod(u"Changed"), nullptr); // a signal, not a method
    EXPECT_EQ(findSimulatorMethod(u""), nullptr);
}

// A customer refusal is told apart from InvalidArgs by its name, and reads as error 450.
TEST(ErrorMapping, CustomerRefusalHasItsOwnName)
{
    EXPECT_STRNE(kCustomerRefused, "org.freedesktop.DBus.Error.InvalidArgs");
    const AutomationError e = toAutomationError(kCustomerRefused, "the bay is still washing", Phase::Call);
    EXPECT_EQ(e.number(), 450);
    EXPECT_TRUE(e.description().ends_with(std::string(": the bay is still washing (") + kCustomerRefused + ")"))
        << e.description();
    std::size_t rows = 0;
    for (const ErrorMapping& m : errorMappings())
        rows += std::string_view(m.name) == kCustomerRefused;
    EXPECT_EQ(rows, 1u);
}
} // namespace
