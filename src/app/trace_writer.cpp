#include "trace_writer.h"

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

QJsonObject encodeValue(const Value& value)
{
    QJsonObject o;
    o["type"] = QString::fromLatin1(typeName(value.type()));
    switch (value.type()) {
    case Value::Type::Empty: o["value"] = QJsonValue::Null; break;
    case Value::Type::Int16: o["value"] = value.asInt16(); break;
    case Value::Type::Int32: o["value"] = value.asInt32(); break;
    case Value::Type::Double: o["value"] = value.asDouble(); break;
    case Value::Type::String: o["value"] = encodeBytes(value.asString()); break;
    case Value::Type::Bool: o["value"] = value.asBool(); break;
    }
    return o;
}

static QString str(std::string_view text) { return encodeBytes(text); }

TraceWriter::TraceWriter(const std::string& path)
    : m_file(std::make_unique<QFile>(QString::fromStdString(path))), m_path(path)
{
    m_file->open(QIODevice::WriteOnly | QIODevice::Truncate);
}

TraceWriter::~TraceWriter() = default;

bool TraceWriter::isOpen() const { return m_file->isOpen(); }
std::string TraceWriter::errorText() const { return m_file->errorString().toStdString(); }

void TraceWriter::write(const QJsonObject& object)
{
    if (!m_file->isOpen() || m_failed)
        return;
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
    o["member"] = str(event.member);
    if (event.access == Access::Put) {
        o["value"] = event.argument ? encodeValue(*event.argument) : encodeValue(Value());
    } else {
        QJsonArray args;
        if (event.argument)
            args.append(encodeValue(*event.argument));
        o["args"] = args;
        if (event.result)
            o["result"] = encodeValue(*event.result);
    }
    write(o);
}

void TraceWriter::callFailed(std::string_view member, int number, std::string_view description)
{
    write({{"event", "error"}, {"member", str(member)}, {"number", number}, {"description", str(description)}});
}

void TraceWriter::messageShown(std::string_view title, std::string_view text)
{
    write({{"event", "message"}, {"title", str(title)}, {"text", str(text)}});
}

void TraceWriter::questionAnswered(std::string_view title, std::string_view text, bool yes)
{
    write({{"event", "question"}, {"title", str(title)}, {"text", str(text)}, {"reply", yes ? "yes" : "no"}});
}

void TraceWriter::inputAnswered(std::string_view title, std::string_view prompt, std::string_view answer)
{
    write({{"event", "input"}, {"title", str(title)}, {"prompt", str(prompt)}, {"answer", str(answer)}});
}

void TraceWriter::boxChanged(Box box, std::string_view text)
{
    write({{"event", "box"}, {"box", QString::fromLatin1(boxName(box))}, {"text", str(text)}});
}

void TraceWriter::boxAppended(Box box, std::string_view appended, std::string_view)
{
    write({{"event", "box"}, {"box", QString::fromLatin1(boxName(box))}, {"appended", str(appended)}});
}

void TraceWriter::errorRaised(int number, std::string_view description)
{
    write({{"event", "error"}, {"source", "utility"}, {"number", number}, {"description", str(description)}});
}

void TraceWriter::windowShown(std::string_view window, bool shown)
{
    write({{"event", "window"}, {"window", str(window)}, {"shown", shown}});
}

void TraceWriter::waitStarted(int ticks) { write({{"event", "wait"}, {"ticks", ticks}}); }

} // namespace vantrel
