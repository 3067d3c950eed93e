#include "tap_run_outputs.h"

#include "command_line.h"
#include "output_file.h"
#include "script_printer.h"
#include "trace_writer.h"

#include "capture/capture.h"
#include "inspector/call_summary.h"
#include "server/conversions.h"

#include <QDateTime>

#include <cstdio>
#include <iostream>

namespace vantrel {

namespace {
std::string clockTime(std::int64_t usec)
{
    return QDateTime::fromMSecsSinceEpoch(usec / 1000).toString(QStringLiteral("HH:mm:ss.zzz")).toStdString();
}

std::string sentText(const Value& v) { return v.type() == Value::Type::String ? v.asString() : toText(v); }
} // namespace

std::string isoTime(std::int64_t usec)
{
    return QDateTime::fromMSecsSinceEpoch(usec / 1000).toUTC().toString(Qt::ISODateWithMs).toStdString();
}

TapOutputs::TapOutputs(const CommandLine& options, std::string source, std::int64_t startUsec)
    : m_options(options),
      m_source(std::move(source)),
      m_startUsec(startUsec),
      m_masked(!options.traceUnmasked),
      m_script(m_masked)
{
}

TapOutputs::~TapOutputs() = default;

bool TapOutputs::open()
{
    if (!m_options.trace.empty()) {
        m_trace = std::make_unique<TraceWriter>(m_options.trace, m_masked);
        if (!m_trace->isOpen()) {
            std::cerr << "vantrel-test: cannot write the trace " << m_options.trace << ": " << m_trace->errorText() << "\n";
            return false;
        }
        m_trace->setClock([this] { return m_traceMs; });
        m_trace->writeStart({isoTime(m_startUsec), "tap of " + m_source, m_masked});
    }
    const auto create = [&](std::unique_ptr<OutputFile>& file, const std::string& path, const char* what) {
        file = std::make_unique<OutputFile>(path, !m_masked);
        if (file->open())
            return true;
        std::cerr << "vantrel-test: cannot " << what << " " << path << ": " << file->error() << "\n";
        return false;
    };
    if (!m_options.saveSession.empty()) {
        if (!create(m_session, m_options.saveSession, "save the session"))
            return false;
        m_session->write("# The calls the site tap saw: " + m_source + ", from " + isoTime(m_startUsec) + "\n");
    }
    if (!m_options.capture.empty()) {
        if (!create(m_capture, m_options.capture, "write the capture"))
            return false;
        m_capture->write(capture::pcapngHeader());
    }
    return true;
}

std::string capturePacket(const tap::TapMessage& message, bool masked, journal::CardMasker& masker)
{
    if (!masked)
        return capture::pcapngPacket(message);
    return capture::pcapngPacket({message.usec, capture::maskedMessage(message.bytes, masker)});
}

void TapOutputs::captured(const tap::TapMessage& message)
{
    if (m_capture)
        m_capture->write(capturePacket(message, m_masked, m_captureMasker));
}

std::string TapOutputs::shownValue(const Value& v, std::size_t omitted) const
{
    const bool masking = m_masked && v.type() == Value::Type::String;
    std::string text = script_run::shown(masking ? Value::string(m_masker.mask(v.asString())) : v);
    if (omitted > 0)
        text += " (" + inspector::omittedNote(omitted) + ")";
    return text;
}

std::string TapOutputs::line(const tap::Exchange& e, const std::string& client)
{
    if (e.argument)
        m_masker.noteSent(e.member, sentText(*e.argument));
    std::string text = clockTime(e.callUsec) + " " + client + " " + accessName(e.access) + " " + e.member;
    const std::string argument = e.argument ? shownValue(*e.argument, e.argumentOmitted)
                                 : e.argumentNote.empty() ? std::string()
                                                          : "(" + e.argumentNote + ")";
    text += e.access == Access::Put ? " = " + argument : "(" + argument + ")";
    using S = tap::ExchangeState;
    switch (e.state) {
    case S::Answered: text += " -> " + (e.result ? shownValue(*e.result, e.resultOmitted) : std::string("ok")); break;
    case S::Failed:
        text += " -> error " + std::to_string(e.errorNumber.value_or(0)) + ": " +
                script_run::shown(m_masked ? m_masker.mask(e.errorDescription) : e.errorDescription);
        break;
    case S::NoReplyExpected: return text + " (no reply expected)";
    case S::ReplyLost: return text + " -> reply lost: " + e.lostReason;
    case S::ClientGone: return text + " -> client went away";
    case S::Waiting: return text;
    }
    char duration[32];
    std::snprintf(duration, sizeof duration, " (%.1f ms)", static_cast<double>(e.durationUsec()) / 1000.0);
    return text + duration;
}

void TapOutputs::leftOut(const tap::Exchange& e)
{
    if (e.argument) {
        m_masker.noteSent(e.member, sentText(*e.argument));
        if (m_trace)
            m_trace->noteSent(e.member, *e.argument);
    }
    m_script.note(e);
}

void TapOutputs::show(const tap::Exchange& e, const std::string& client)
{
    std::cout << line(e, client) << std::endl;
    if (m_trace) {
        m_traceMs = e.endUsec > m_startUsec ? (e.endUsec - m_startUsec) / 1000 : 0;
        m_trace->callMade(tap::toCallEvent(e, m_startUsec, client));
        if (e.errorNumber)
            m_trace->callFailed(e.member, *e.errorNumber, e.errorDescription);
    }
    if (m_session)
        m_session->write(m_script.lines(e));
}

int TapOutputs::close(int status)
{
    if (m_trace && !m_trace->finish()) {
        std::cerr << "vantrel-test: the trace is incomplete and was not saved\n";
        status = std::max(status, 1);
    }
    for (const auto& [file, what] : {std::pair{m_session.get(), "save the session"}, std::pair{m_capture.get(), "write the capture"}})
        if (file && !file->commit()) {
            std::cerr << "vantrel-test: cannot " << what << " " << file->path() << ": " << file->error() << "\n";
            status = std::max(status, 1);
        }
    if (m_session && m_script.sentCardData())
        std::cerr << "vantrel-test: the saved session keeps values the clients sent that look like card data as they "
                     "were sent\n";
    return status;
}

} // namespace vantrel
