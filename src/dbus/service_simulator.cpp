#include "service_object.h"
#include "service_calls.h"

#include "forecourt/customer.h"
#include "forecourt/customer_command.h"
#include "forecourt/fault_command.h"
#include "forecourt/forecourt_server.h"
#include "forecourt/site_bounds.h"
#include "forecourt/traffic.h"

#include "site_state_codec.h"
#include "wire_contract.h"

#include "server/ascii_text.h"
#include "server/conversions.h"

#include <QDBusError>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The members of Vantrel.Simulator: Advance, Reset, Customer, Fault, Faults, Traffic and ReadSite.

namespace vantrel::dbus {

using namespace served;

namespace {
// Longer than ten years of simulated time is a mistake, not a test.
constexpr qulonglong kLongestAdvanceMs = 10ULL * 366 * 24 * 3600 * 1000;

// A customer action as the log shows it. Keys pressed at a reader whose
// key entry asks for a PIN are the customer's PIN: the log names them "(PIN)",
// in the action and in a refusal that quotes them.
struct LoggedAction {
    std::string action;
    std::string pin;

    std::string error(std::string text) const
    {
        if (!pin.empty()) {
            const std::string quoted = "\"" + pin + "\"";
            for (auto at = text.find(quoted); at != std::string::npos; at = text.find(quoted, at))
                text.replace(at, quoted.size(), "\"(PIN)\"");
        }
        return loggedCut(text);
    }
};

LoggedAction loggedAction(forecourt::ForecourtServer& site, const std::string& action)
{
    // Read as the site reads it; keys after a good position are hidden even
    // when more follows them and the site refuses the line.
    const forecourt::CustomerParse parsed = forecourt::parseCustomerCommand(action);
    const forecourt::CustomerCommand& read = parsed.command ? *parsed.command : parsed.partial;
    if (parsed.verb == forecourt::CustomerVerb::Key && read.position > 0 && !read.argument.empty() &&
        forecourt::keysArePin(site.readers().reader(read.position).entryMode))
        return {"key " + std::to_string(read.position) + " (PIN)", read.argument};
    return {loggedCut(action), {}};
}

// A text argument longer than the site reads, refused before it is read.
std::optional<QDBusMessage> refuseLong(const QDBusMessage& message, const QString& given, std::size_t longest,
                                       const char* what, std::string& line)
{
    if (static_cast<std::size_t>(given.size()) <= longest)
        return std::nullopt;
    const std::string size = forecourt::groupedNumber(static_cast<std::size_t>(given.size()));
    append(line, {" (", size, " characters)"});
    return refuse(message, QDBusError::InvalidArgs,
                  QStringLiteral("%1 is at most %2 characters, not %3")
                      .arg(QLatin1String(what), QString::fromStdString(forecourt::groupedNumber(longest)),
                           QString::fromStdString(size)),
                  line);
}
} // namespace

QDBusMessage ServiceObject::serveSimulator(const QDBusMessage& message, std::string& line)
{
    const QString member = message.member();
    const SimulatorMember* method = findSimulatorMethod(member);
    if (!method || !simulatorParts().offers(method->part)) {
        append(line, {"Simulator.", member.toStdString()});
        return refuse(message, QDBusError::UnknownMethod, QStringLiteral("No method Simulator.%1").arg(member), line);
    }
    // The log names the method in lower case words ("read site").
    const std::string_view name = method->name;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (i > 0 && name[i] >= 'A' && name[i] <= 'Z')
            line += ' ';
        line += asciiLower(name[i]);
    }
    if (message.signature() != QLatin1String(method->in))
        return refuseSignature(message, method->in, line);

    if (method == &kAdvance) {
        const qulonglong ms = message.arguments().front().toULongLong();
        append(line, {" ", std::to_string(ms), " ms"});
        if (ms > kLongestAdvanceMs)
            return refuse(message, QDBusError::InvalidArgs, QStringLiteral("Advance takes at most %1 ms").arg(kLongestAdvanceMs), line);
        const forecourt::Millis by(static_cast<long long>(ms));
        // With traffic the clock stops at each customer's step on the way.
        if (auto* served = site())
            served->traffic().advance(*m_instance.clock, by);
        else
            m_instance.clock->advance(by);
        // Time moving on moves the sales, the wash and the due key entries.
        m_movedOrReplaced = true;
        line += " -> ok";
        return message.createReply();
    }
    if (method == &kReset) {
        ServedInstance fresh = m_factory();
        m_instance = std::move(fresh);
        prepareInstance();
        m_movedOrReplaced = true;
        line += " -> ok";
        return message.createReply();
    }
    auto* served = site();
    if (method == &kCustomer) {
        const QString given = message.arguments().front().toString();
        if (auto refused = refuseLong(message, given, forecourt::kLongestCustomerAction, "an action", line))
            return *refused;
        const std::string action = given.toStdString();
        const LoggedAction logged = loggedAction(*served, action);
        append(line, {" ", logged.action});
        try {
            const std::string done = forecourt::actAsCustomer(*served, action);
            line += " -> ok";
            return message.createReply(QString::fromStdString(done));
        } catch (const forecourt::CustomerError& e) {
            // The site's own refusal has a name of its own: a bad signature or
            // a value out of range stays InvalidArgs.
            append(line, {" -> ", kCustomerRefused, ": ", logged.error(e.what())});
            return message.createErrorReply(QLatin1String(kCustomerRefused), QString::fromStdString(e.what()));
        }
    }
    if (method == &kFault) {
        const QString given = message.arguments().front().toString();
        if (auto refused = refuseLong(message, given, forecourt::kLongestFaultLine, "a fault", line))
            return *refused;
        const std::string fault = given.toStdString();
        append(line, {" ", loggedCut(fault)});
        try {
            const std::string done = served->setFault(fault);
            line += " -> ok";
            return message.createReply(QString::fromStdString(done));
        } catch (const forecourt::FaultError& e) {
            append(line, {" -> ", kFaultRefused, ": ", loggedCut(e.what())});
            return message.createErrorReply(QLatin1String(kFaultRefused), QString::fromStdString(e.what()));
        }
    }
    if (method == &kTraffic) {
        const double rate = message.arguments().front().toDouble();
        const std::string problem = forecourt::trafficRateProblem(rate);
        // A refused rate as it came ("nan", "600.0000001", "1e+308"), not rounded to look like one taken.
        append(line, {" ", problem.empty() ? plainNumber(rate) : QString::number(rate, 'g', 17).toStdString()});
        if (!problem.empty()) {
            append(line, {" -> ", kTrafficRefused, ": ", problem});
            return message.createErrorReply(QLatin1String(kTrafficRefused), QString::fromStdString(problem));
        }
        served->traffic().setRate(rate);
        served->noteChange();
        watchTraffic();
        const std::string done = forecourt::trafficRateText(rate);
        line += " -> ok";
        return message.createReply(QString::fromStdString(done));
    }
    if (method == &kFaults) {
        const std::vector<std::string> set = served->faults().lines();
        std::string lines;
        for (const std::string& fault : set)
            lines += (lines.empty() ? "" : "\n") + fault;
        append(line, {" -> ", std::to_string(set.size()), " set"});
        return message.createReply(QString::fromStdString(lines));
    }
    // ReadSite
    const int position = message.arguments().front().value<short>();
    append(line, {" ", std::to_string(position)});
    if (position < 1 || position > forecourt::FuelingPositions::kPositions)
        return refuse(message, QDBusError::InvalidArgs,
                      QStringLiteral("ReadSite takes a position from 1 to %1, not %2")
                          .arg(forecourt::FuelingPositions::kPositions)
                          .arg(position),
                      line);
    const QByteArray json = encodeSiteState(served->siteState(position));
    // The bounds of the site keep the state far below this; should one
    // ever fail, the caller hears why instead of the bus ending the service.
    checkReplySize("the site state", static_cast<std::size_t>(json.size()));
    append(line, {" -> ", std::to_string(json.size()), " bytes"});
    return message.createReply(QString::fromUtf8(json));
}

} // namespace vantrel::dbus
