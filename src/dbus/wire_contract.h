// The D-Bus wire contract of the automation server, in one place: where the
// server lives (bus name, object path, interfaces), how a Value travels
// (strings as byte arrays "ay", never as D-Bus strings, so NUL and every
// control byte arrive unchanged), and the one table that turns a D-Bus
// error into a numbered AutomationError. The client and the service both
// use it; docs/dbus.md describes the same contract for third parties.
//
//   put  member = value   ->  org.freedesktop.DBus.Properties.Set(kInterface, member, v)
//   get  member(arg?)     ->  kInterface.member() or kInterface.member(v), returns v
//   call member(arg?)     ->  the same method call, its result dropped
#pragma once

#include "server/automation_error.h"
#include "server/value.h"

#include "latin1.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QString>
#include <QStringView>

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace vantrel::dbus {

inline constexpr const char* kDefaultBusName = "Vantrel.Application";
inline constexpr const char* kObjectPath = "/Vantrel/Application";
inline constexpr const char* kInterface = "Vantrel.Application";
inline constexpr const char* kSimulatorInterface = "Vantrel.Simulator";
inline constexpr const char* kPropertiesInterface = "org.freedesktop.DBus.Properties";
inline constexpr const char* kIntrospectableInterface = "org.freedesktop.DBus.Introspectable";
// Errors raised by the server: kErrorPrefix + number, the description as message.
inline constexpr const char* kErrorPrefix = "Vantrel.Error.E";
// The simulated site refused a customer action (a card at a disabled chip
// reader, a letter on a numeric entry); the message says why. A name of its
// own, so a caller tells it from a bad signature or a value out of range.
inline constexpr const char* kCustomerRefused = "Vantrel.Error.CustomerRefused";
// The simulated site refused a fault (a position outside 1 to 32, a member
// it does not have); the message says why.
inline constexpr const char* kFaultRefused = "Vantrel.Error.FaultRefused";
// The simulated site refused a rate of traffic (below 0, above 600 a minute,
// not a number); the message says why.
inline constexpr const char* kTrafficRefused = "Vantrel.Error.TrafficRefused";

// The members of Vantrel.Simulator, written once: the introspection, the
// served object's dispatch, the client's probe and the board's source all
// take their names and signatures from this table.
enum class SimulatorPart {
    Clock, // offered on a virtual clock only
    Site,  // offered by a simulated site only
};
struct SimulatorMember {
    const char* name;
    bool signal;         // a signal the service emits, not a method
    const char* in;      // the signature of its argument ("" for none)
    const char* inName;  // the argument's name in the introspection
    const char* out;     // the signature of its answer or of the signal's argument ("" for none)
    const char* outName;
    SimulatorPart part;
};
inline constexpr SimulatorMember kSimulatorMembers[] = {
    {"Advance", false, "t", "milliseconds", "", "", SimulatorPart::Clock},
    {"Reset", false, "", "", "", "", SimulatorPart::Clock},
    {"Customer", false, "s", "action", "s", "done", SimulatorPart::Site},
    {"ReadSite", false, "n", "position", "s", "state", SimulatorPart::Site},
    {"Fault", false, "s", "fault", "s", "done", SimulatorPart::Site},
    {"Faults", false, "", "", "s", "faults", SimulatorPart::Site},
    {"Changed", true, "", "", "t", "version", SimulatorPart::Site},
    {"Traffic", false, "d", "customersPerMinute", "s", "done", SimulatorPart::Site},
};
inline constexpr const SimulatorMember& kAdvance = kSimulatorMembers[0];
inline constexpr const SimulatorMember& kReset = kSimulatorMembers[1];
inline constexpr const SimulatorMember& kCustomer = kSimulatorMembers[2];
inline constexpr const SimulatorMember& kReadSite = kSimulatorMembers[3];
inline constexpr const SimulatorMember& kFault = kSimulatorMembers[4];
inline constexpr const SimulatorMember& kFaults = kSimulatorMembers[5];
inline constexpr const SimulatorMember& kChanged = kSimulatorMembers[6];
inline constexpr const SimulatorMember& kTraffic = kSimulatorMembers[7];
// The method of that name (exact case, as D-Bus names are), or nullptr.
const SimulatorMember* findSimulatorMethod(QStringView name);


// Value -> variant: String as "ay" (Latin-1 bytes), Int16 "n", Int32 "i",
// Double "d", Bool "b". Empty has no D-Bus form and travels as an empty "ay".
QDBusVariant toVariant(const Value& value);

// Variant -> Value, accepting "ay", "s" (characters above 255 are a type
// mismatch), "n", "i", "d" and "b". Anything else raises TypeMismatch (13)
// naming the signature that arrived.
Value fromVariant(const QVariant& variant);

// The type mismatches (13) of an answer the client cannot take, worded
// once for the client and for the tap that decodes what another client got:
// a value of a type it does not know, and a reply that is not one variant.
AutomationError unknownValueType(std::string_view signature);
AutomationError notOneVariant(std::string_view member, std::string_view signature);

// The D-Bus signature of a demarshalled argument ("ay", "as", "u", "(ii)"...).
QString signatureOf(const QVariant& argument);

// The largest answer the client takes from a server: the bytes of its byte
// arrays and the characters of its strings (an error's message included).
// A larger one is refused with ReplyTooLarge (463) before it becomes a Value.
// It is also the most D-Bus carries in one array, so only a string answer
// (or an answer of several arguments) can pass it; the client sends no
// value larger either (ValueTooLarge, 1007).
inline constexpr std::size_t kReplyLimit = std::size_t(64) << 20;

// The payload of a reply as counted against kReplyLimit: byte arrays by
// their bytes, strings by their characters, variants and string lists by
// what they hold, the error message of an error reply; numbers and
// structures that Qt has not taken apart count nothing.
std::size_t payloadBytes(const QDBusMessage& reply);

// The ReplyTooLarge error for an answer of `bytes` to `member`, over `limit`.
AutomationError replyTooLarge(std::string_view member, std::size_t bytes, std::size_t limit = kReplyLimit);

// When an error arrives: while the server is created, or during a call.
enum class Phase { Create, Call, Any };

struct ErrorMapping {
    const char* name; // the D-Bus error name
    Phase phase;      // Any: the same number in both phases
    ErrorCode code;
};

// The one mapping table. Names not in it give CannotCreateObject while the
// server is created and ServerError during a call; the bus's own message
// always stays in the description.
std::span<const ErrorMapping> errorMappings();

// A D-Bus error as the automation layer raises it. "Vantrel.Error.E<n>"
// gives number n with the message as its description; a message longer
// than kErrorMessageLimit characters is cut, with a note of what was left out.
inline constexpr qsizetype kErrorMessageLimit = 4096;
AutomationError toAutomationError(const QString& errorName, const QString& message, Phase phase);

// What the service replies for an AutomationError: the error name and message.
QString errorNameFor(const AutomationError& error);

} // namespace vantrel::dbus
