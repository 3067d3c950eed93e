// The traffic trace: one JSON object per line for every server call,
// failure, prompt, box change, window shown or hidden and wait step, in the
// order they happen. Strings are written with each byte 0..255 as the code
// point of the same number, so the trace is exact and reversible.
#pragma once

#include "session/session_observer.h"

#include <QJsonObject>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

class QFile;

namespace vantrel {

namespace journal {
class CallJournal;
}

QJsonObject encodeValue(const Value& value, bool masked = false);
// Bytes as a JSON string value (Latin-1 code points).
QString encodeBytes(std::string_view bytes);
std::string decodeBytes(const QString& text);

// The trace's first line: when the run started, against which server, by
// which version, and whether cardholder data is masked.
struct TraceStart {
    std::string date;   // ISO 8601, UTC
    std::string server; // as the status line names it
    bool masked = true;
};
// The start of now.
TraceStart traceStart(const std::string& server, bool masked);

class TraceWriter : public SessionObserver {
public:
    // Opens (truncates) the file; isOpen() tells whether that worked. A
    // masked trace masks cardholder data in every text it writes.
    explicit TraceWriter(const std::string& path, bool masked = true);
    ~TraceWriter() override;

    bool isOpen() const;
    std::string errorText() const;
    // False once a line could not be written whole; the first failure is
    // also said on standard error, naming the file.
    bool ok() const { return !m_failed; }

    // The first line; then every event carries "time_ms" from `clock`
    // (the session's), and every call its own time and duration.
    void writeStart(const TraceStart& start);
    void setClock(std::function<long long()> clock) { m_clock = std::move(clock); }

    void callMade(const CallEvent& event) override;
    void callFailed(std::string_view member, int number, std::string_view description) override;
    void messageShown(std::string_view title, std::string_view text) override;
    void questionAnswered(std::string_view title, std::string_view text, bool yes) override;
    void inputAnswered(std::string_view title, std::string_view prompt, std::string_view answer) override;
    void boxChanged(Box box, std::string_view text) override;
    void boxAppended(Box box, std::string_view appended, std::string_view whole) override;
    void errorRaised(int number, std::string_view description) override;
    void windowShown(std::string_view window, bool shown) override;
    void waitStarted(int ticks) override;

private:
    void write(QJsonObject object);
    QString shownText(std::string_view bytes) const;
    std::unique_ptr<QFile> m_file;
    std::string m_path;
    bool m_masked;
    std::function<long long()> m_clock;
    bool m_failed = false;
};

// Writes the calls of the journal as a trace (its first line, then each call
// and its error). False, with the reason, when the file cannot be written whole.
bool writeJournalTrace(const std::string& path, const journal::CallJournal& journal, const TraceStart& start,
                       std::string& reason);

} // namespace vantrel
