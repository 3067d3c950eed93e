#include "trace_writer.h"

#include "journal/call_journal.h"
#include "journal/card_mask.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace vantrel {

QString encodeBytes(std::string_view bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string decodeBytes(const QString& text)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text)
        bytes += static_cast<char>(c.unicode() & 0xFF);
    return bytes;
}

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
    : m_file(std::make_unique<QFile>(QString::fromStdString(path))), m_path(path), m_masked(masked)
{
    m_file->open(QIODevice::WriteOnly | QIODevice::Truncate);
}

QString TraceWriter::shownText(std::string_view bytes) const
{
    return m_masked ? encodeBytes(journal::maskCardData(bytes)) : encodeBytes(bytes);
}

void TraceWriter::writeStart(const TraceStart& start)
{
    write({{"event", "start"},
           {"date", QString::fromStdString(start.date)},
           {"server", QString::fromStdString(start.server)},
           {"version", QStringLiteral(VANTREL_VERSION)},
           {"masked", start.masked}});
}

TraceWriter::~TraceWriter() = default;

bool TraceWriter::isOpen() const { return m_file->isOpen(); }
std::string TraceWriter::errorText() const { return m_file->errorString().toStdString(); }

void TraceWriter::write(QJsonObject object)
{
    if (!m_file->isOpen() || m_failed)
        return;
    if (m_clock && !object.contains("time_ms") && object["event"] != "start")
        object["time_ms"] = static_cast<qint64>(m_clock());
    QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact);
    line += '\n';
    // A line that does not reach the file whole makes the trace unusable:
    // it is said once, and the run's status shows it.
    if (m_file->write(line) != line.size() || !m_file->flush()) {
        m_failed = true;
        std::fprintf(stderr, "vantrel-test: the trace %s cannot be written: %s\n", m_path.c_str(),
                     m_file->errorString().toLocal8Bit().constData());
    }
}

void TraceWriter::callMade(const CallEvent& event)
{
    QJsonObject o;
    o["event"] = "call";
    o["access"] = QString::fromLatin1(accessName(event.access));
    o["member"] = encodeBytes(event.member);
    o["time_ms"] = static_cast<qint64>(event.atMs);
    o["duration_ms"] = static_cast<qint64>(event.durationMs);
    if (event.access == Access::Put) {
        o["value"] = encodeValue(event.argument.value_or(Value()), m_masked);
    } else {
        QJsonArray args;
        if (event.argument)
            args.append(encodeValue(*event.argument, m_masked));
        o["args"] = args;
        if (event.result)
            o["result"] = encodeValue(*event.result, m_masked);
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
    if (!trace.ok())
        reason = "the file could not be written whole";
    return trace.ok();
}

} // namespace vantrel
