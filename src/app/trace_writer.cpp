#include "trace_writer.h"
#include "dbus/latin1.h"

#include "journal/call_journal.h"
#include "journal/card_mask.h"

#include "output_file.h"

#include "server/conversions.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

#include <charconv>
#include <cstdio>
#include <utility>

namespace vantrel {

QString encodeBytes(std::string_view bytes) { return fromBytes(bytes); }

std::string decodeBytes(const QString& text) { return toBytes(text); }

QJsonObject encodeValue(const Value& value, bool masked)
{
    QJsonObject o;
    o["type"] = QString::fromLatin1(typeName(value.type()));
    switch (value.type()) {
    case Value::Type::Empty: o["value"] = QJsonValue::Null; break;
    case Value::Type::Int16: o["value"] = value.asInt16(); break;
    case Value::Type::Int32: o["value"] = value.asInt32(); break;
    case Value::Type::Double: o["value"] = value.asDouble(); break;
    case Value::Type::String:
        o["value"] = encodeBytes(masked ? journal::maskCardData(value.asString()) : value.asString());
        break;
    case Value::Type::Bool: o["value"] = value.asBool(); break;
    }
    return o;
}

TraceStart traceStart(const std::string& server, bool masked)
{
    return {QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toStdString(), server, masked};
}

TraceWriter::TraceWriter(const std::string& path, bool masked)
    : m_file(std::make_unique<OutputFile>(path, !masked)), m_masked(masked)
{
    m_file->open();
}

TraceWriter::~TraceWriter()
{
    if (!m_finished)
        finish();
}

QString TraceWriter::shownText(std::string_view bytes) const
{
    return m_masked ? encodeBytes(m_masker.mask(bytes)) : encodeBytes(bytes);
}

QJsonObject TraceWriter::value(const Value& v) const
{
    if (!m_masked || v.type() != Value::Type::String)
        return encodeValue(v);
    QJsonObject o;
    o["type"] = QString::fromLatin1(typeName(v.type()));
    o["value"] = encodeBytes(m_masker.mask(v.asString()));
    return o;
}

void TraceWriter::noteSent(std::string_view member, const Value& v)
{
    m_masker.noteSent(member, v.type() == Value::Type::String ? v.asString() : toText(v));
}

void TraceWriter::writeStart(const TraceStart& start)
{
    write({{"event", "start"},
           {"date", QString::fromStdString(start.date)},
           {"server", QString::fromStdString(start.server)},
           {"version", QStringLiteral(VANTREL_VERSION)},
           {"masked", start.masked}});
}

bool TraceWriter::isOpen() const { return m_file->isOpen() || m_file->committed(); }
std::string TraceWriter::errorText() const { return m_file->error(); }

void TraceWriter::say(const std::string& reason)
{
    std::fprintf(stderr, "vantrel-test: the trace %s cannot be written: %s\n", m_file->path().c_str(), reason.c_str());
}

void TraceWriter::write(QJsonObject object)
{
    if (!m_file->isOpen() || m_failed)
        return;
    if (m_pendingTick) {
        QJsonObject tick = *std::exchange(m_pendingTick, std::nullopt);
        write(std::move(tick));
    }
    if (m_clock && !object.contains("time_ms") && object["event"] != "start")
        object["time_ms"] = static_cast<qint64>(m_clock());
    QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact);
    line += '\n';
    // A line that does not reach the file whole makes the trace unusable:
    // it is said once, and the run's status shows it.
    if (!m_file->write(std::string_view(line.constData(), static_cast<std::size_t>(line.size())))) {
        m_failed = true;
        say(m_file->error());
    }
}

bool TraceWriter::finish()
{
    if (m_finished)
        return ok();
    m_finished = true;
    if (m_failed || !m_file->isOpen()) {
        m_failed = true;
        m_file->discard();
        return false;
    }
    if (!m_file->commit()) {
        m_failed = true;
        say(m_file->error());
        return false;
    }
    return true;
}

void TraceWriter::callMade(const CallEvent& event)
{
    QJsonObject o;
    o["event"] = "call";
    o["access"] = QString::fromLatin1(accessName(event.access));
    o["member"] = encodeBytes(event.member);
    o["time_ms"] = static_cast<qint64>(event.atMs);
    o["duration_ms"] = static_cast<qint64>(event.durationMs);
    if (!event.client.empty())
        o["client"] = encodeBytes(event.client);
    if (m_line > 0)
        o["line"] = m_line;
    if (event.argument)
        noteSent(event.member, *event.argument);
    if (event.access == Access::Put) {
        o["value"] = value(event.argument.value_or(Value()));
    } else {
        QJsonArray args;
        if (event.argument)
            args.append(value(*event.argument));
        o["args"] = args;
        if (event.result)
            o["result"] = value(*event.result);
    }
    write(o);
}

void TraceWriter::callFailed(std::string_view member, int number, std::string_view description)
{
    write({{"event", "error"}, {"member", shownText(member)}, {"number", number}, {"description", shownText(description)}});
}

void TraceWriter::messageShown(std::string_view title, std::string_view text)
{
    write({{"event", "message"}, {"title", shownText(title)}, {"text", shownText(text)}});
}

void TraceWriter::questionAnswered(std::string_view title, std::string_view text, bool yes)
{
    write({{"event", "question"}, {"title", shownText(title)}, {"text", shownText(text)}, {"reply", yes ? "yes" : "no"}});
}

void TraceWriter::inputAnswered(std::string_view title, std::string_view prompt, std::string_view answer)
{
    write({{"event", "input"}, {"title", shownText(title)}, {"prompt", shownText(prompt)}, {"answer", shownText(answer)}});
}

void TraceWriter::boxChanged(Box box, std::string_view text)
{
    write({{"event", "box"}, {"box", QString::fromLatin1(boxName(box))}, {"text", shownText(text)}});
}

void TraceWriter::boxAppended(Box box, std::string_view appended, std::string_view)
{
    write({{"event", "box"}, {"box", QString::fromLatin1(boxName(box))}, {"appended", shownText(appended)}});
}

void TraceWriter::errorRaised(int number, std::string_view description)
{
    write({{"event", "error"}, {"source", "utility"}, {"number", number}, {"description", shownText(description)}});
}

void TraceWriter::windowShown(std::string_view window, bool shown)
{
    write({{"event", "window"}, {"window", shownText(window)}, {"shown", shown}});
}

void TraceWriter::waitStarted(int ticks) { write({{"event", "wait"}, {"ticks", ticks}}); }

void TraceWriter::actionStarted(const UserAction& a)
{
    using K = UserAction::Kind;
    const QString window = QString::fromStdString(a.window);
    const QString control = QString::fromStdString(a.control);
    switch (a.kind) {
    case K::Press: write({{"event", "press"}, {"window", window}, {"control", control}}); break;
    case K::Click: write({{"event", "click"}, {"window", window}, {"control", control}}); break;
    case K::Focus: write({{"event", "focus"}, {"window", window}, {"control", control}}); break;
    case K::LostFocus: write({{"event", "lostfocus"}, {"window", window}, {"control", control}}); break;
    case K::DoubleClick: write({{"event", "doubleclick"}, {"window", window}, {"control", control}}); break;
    case K::Type:
        write({{"event", "type"}, {"window", window}, {"control", control}, {"text", shownText(a.text)}});
        break;
    case K::Tick:
        // The stress timer ticks every second; only a tick that does something is worth a line.
        m_pendingTick = QJsonObject{{"event", "tick"}, {"window", window}, {"control", control}};
        if (m_clock)
            (*m_pendingTick)["time_ms"] = static_cast<qint64>(m_clock());
        break;
    case K::Customer: write({{"event", "customer"}, {"action", encodeBytes(maskedAction(a.text))}}); break;
    case K::Fault: write({{"event", "fault"}, {"fault", encodeBytes(a.text)}}); break;
    case K::Call: {
        // The value goes with the call event that follows, masked as every value is.
        QJsonObject o{{"event", "rawcall"}, {"access", QString::fromStdString(a.text)}, {"member", encodeBytes(a.control)}};
        if (!a.window.empty())
            o["window"] = window;
        write(std::move(o));
        break;
    }
    }
}

std::string TraceWriter::maskedAction(const std::string& action) const
{
    if (!m_masked)
        return action;
    std::string text = m_masker.mask(action);
    // Digits keyed at a reader that waits for a PIN are the PIN ("key 7 1234"):
    // the keys are left out, the reader stays.
    static constexpr std::string_view kKey = "key ";
    if (std::string_view(text).substr(0, kKey.size()) != kKey)
        return text;
    const auto blank = text.find(' ', kKey.size());
    if (blank == std::string::npos)
        return text;
    int position = 0;
    const auto res = std::from_chars(text.data() + kKey.size(), text.data() + blank, position);
    const bool digits = text.find_first_of("0123456789", blank) != std::string::npos;
    if (res.ec == std::errc() && res.ptr == text.data() + blank && digits && m_masker.pinEntryAt(position))
        text.erase(blank);
    return text;
}

void TraceWriter::scriptLine(const std::string& script, int line)
{
    m_line = line;
    if (line == 0)
        write({{"event", "script"}, {"script", encodeBytes(script)}});
}

void TraceWriter::actionEnded(const UserAction& a)
{
    if (a.kind == UserAction::Kind::Tick)
        m_pendingTick.reset();
}

} // namespace vantrel

namespace vantrel {

bool writeJournalTrace(const std::string& path, const journal::CallJournal& journal, const TraceStart& start,
                       std::string& reason)
{
    TraceWriter trace(path, start.masked);
    if (!trace.isOpen()) {
        reason = trace.errorText();
        return false;
    }
    trace.writeStart(start);
    for (const auto& entry : journal.entries()) {
        trace.callMade(entry.call);
        if (entry.errorNumber)
            trace.callFailed(entry.call.member, *entry.errorNumber, entry.errorDescription);
    }
    if (!trace.finish()) {
        reason = trace.errorText();
        return false;
    }
    return true;
}

} // namespace vantrel
