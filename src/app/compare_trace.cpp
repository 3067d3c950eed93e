#include "compare_trace.h"

#include "dbus/latin1.h"
#include "server/file_reading.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <limits>
#include <system_error>

namespace vantrel::compare {

namespace {

// A trace holds the calls of a run; larger than this it is no trace of ours.
constexpr std::size_t kTraceLimit = std::size_t(1) << 30;

struct BadLine {
    std::string reason;
};

// Bytes from a trace string: each character's code is one byte.
std::string bytesOf(const QJsonValue& v, const char* what)
{
    if (!v.isString())
        throw BadLine{std::string(what) + " is no string"};
    const QString text = v.toString();
    for (const QChar c : text)
        if (c.unicode() > 0xFF)
            throw BadLine{std::string(what) + " holds a character above 255, which no byte gives"};
    return toBytes(text);
}

long long wholeNumber(const QJsonValue& v, long long low, long long high, const char* what)
{
    const double d = v.toDouble(std::numeric_limits<double>::quiet_NaN());
    if (!v.isDouble() || d != std::floor(d) || d < static_cast<double>(low) || d > static_cast<double>(high))
        throw BadLine{std::string(what) + " is no whole number from " + std::to_string(low) + " to " +
                      std::to_string(high)};
    return static_cast<long long>(d);
}

// A value as encodeValue writes it: {"type": T, "value": V}.
Value valueOf(const QJsonValue& json, const char* what)
{
    if (!json.isObject())
        throw BadLine{std::string(what) + " is no {\"type\", \"value\"} object"};
    const QJsonObject o = json.toObject();
    const QString type = o.value("type").toString();
    const QJsonValue v = o.value("value");
    if (type == "empty")
        return Value();
    if (type == "int16")
        return Value::int16(static_cast<std::int16_t>(wholeNumber(v, -32768, 32767, what)));
    if (type == "int32")
        return Value::int32(static_cast<std::int32_t>(wholeNumber(v, -2147483648LL, 2147483647LL, what)));
    if (type == "double") {
        // JSON has no NaN or infinity: the writer leaves null for them.
        if (v.isNull())
            return Value::real(std::numeric_limits<double>::quiet_NaN());
        if (!v.isDouble())
            throw BadLine{std::string(what) + " is no number"};
        return Value::real(v.toDouble());
    }
    if (type == "bool") {
        if (!v.isBool())
            throw BadLine{std::string(what) + " is no true or false"};
        return Value::boolean(v.toBool());
    }
    if (type == "string")
        return Value::string(bytesOf(v, what));
    throw BadLine{std::string(what) + " has no type of empty, int16, int32, double, string, bool"};
}

SeenCall callOf(const QJsonObject& o)
{
    SeenCall call;
    const QString access = o.value("access").toString();
    if (access == "put")
        call.access = Access::Put;
    else if (access == "get")
        call.access = Access::Get;
    else if (access == "call")
        call.access = Access::Call;
    else
        throw BadLine{"a call whose \"access\" is none of put, get, call"};
    call.member = bytesOf(o.value("member"), "the call's \"member\"");
    if (o.contains("line"))
        call.line = static_cast<int>(wholeNumber(o.value("line"), 1, std::numeric_limits<int>::max(), "\"line\""));
    if (call.access == Access::Put) {
        call.argument = valueOf(o.value("value"), "the put's \"value\"");
        return call;
    }
    const QJsonValue args = o.value("args");
    if (!args.isArray() || args.toArray().size() > 1)
        throw BadLine{"a " + access.toStdString() + " whose \"args\" is no list of at most one value"};
    if (!args.toArray().isEmpty())
        call.argument = valueOf(args.toArray().first(), "the argument");
    if (o.contains("result"))
        call.result = valueOf(o.value("result"), "the \"result\"");
    return call;
}

// One event read into the trace; throws BadLine for one that cannot be.
void readEvent(const QJsonObject& o, SavedTrace& trace)
{
    const QString event = o.value("event").toString();
    if (event == "script") {
        trace.namesScripts = true;
        if (trace.scripts.size() == 1 && trace.scripts.front().script.empty() && trace.scripts.front().calls.empty())
            trace.scripts.clear();
        trace.scripts.push_back({bytesOf(o.value("script"), "the \"script\""), {}, {}, {}, {}});
    } else if (event == "call") {
        trace.scripts.back().calls.push_back(callOf(o));
    } else if (event == "error" && !o.contains("source")) {
        // A failed call: right after its call event.
        auto& calls = trace.scripts.back().calls;
        const std::string member = bytesOf(o.value("member"), "the error's \"member\"");
        if (calls.empty() || calls.back().member != member || calls.back().error || calls.back().result)
            throw BadLine{"an error of " + member + " that follows no call of it"};
        calls.back().error = static_cast<int>(
            wholeNumber(o.value("number"), std::numeric_limits<int>::min(), std::numeric_limits<int>::max(),
                        "the error's \"number\""));
        calls.back().description = bytesOf(o.value("description"), "the error's \"description\"");
    }
}

} // namespace

std::optional<SavedTrace> parseTrace(std::string_view text, std::string& reason)
{
    SavedTrace trace;
    trace.scripts.push_back({});
    std::size_t lineNumber = 0, start = 0;
    bool started = false;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (line.find_first_not_of(" \t\r") == std::string_view::npos)
            continue;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(
            QByteArray::fromRawData(line.data(), static_cast<qsizetype>(line.size())), &error);
        try {
            if (error.error != QJsonParseError::NoError)
                throw BadLine{"no JSON: " + error.errorString().toStdString()};
            const QJsonObject o = document.object();
            if (!document.isObject() || !o.value("event").isString())
                throw BadLine{"no trace event (a JSON object with an \"event\")"};
            if (!started) {
                if (o.value("event").toString() != "start")
                    throw BadLine{"the first event is no \"start\": not a trace of vantrel-test"};
                started = true;
                trace.server = o.value("server").toString().toStdString();
                trace.date = o.value("date").toString().toStdString();
                trace.masked = o.value("masked").toBool(true);
                continue;
            }
            readEvent(o, trace);
        } catch (const BadLine& bad) {
            reason = std::to_string(lineNumber) + ": " + bad.reason;
            return std::nullopt;
        }
    }
    if (!started) {
        reason = "0: the trace is empty";
        return std::nullopt;
    }
    return trace;
}

std::optional<SavedTrace> readTrace(const std::string& path, std::string& reason)
{
    std::string content;
    int error = 0;
    switch (readWholeFile(path, kTraceLimit, content, &error)) {
    case FileProblem::None: return parseTrace(content, reason);
    case FileProblem::Missing: reason = "no such file"; break;
    case FileProblem::Folder: reason = "a folder, not a trace"; break;
    case FileProblem::NotRegular: reason = "not a regular file"; break;
    case FileProblem::TooLarge: reason = "larger than 1 GiB"; break;
    case FileProblem::Unreadable:
        reason = "cannot be read whole" + (error ? " (" + std::generic_category().message(error) + ")" : std::string());
        break;
    }
    reason = "0: cannot read the trace: " + reason;
    return std::nullopt;
}

} // namespace vantrel::compare
