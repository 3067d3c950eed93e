// The traffic trace: one JSON object per line for every action of the
// user or the customer, server call, failure, prompt, box change, window
// shown or hidden and wait step, in the order they happen. Strings are
// written with each byte 0..255 as the code point of the same number, so the
// trace is exact and reversible. The lines go to a temporary file beside the
// trace as they happen; finish() renames it into place.
#pragma once

#include "journal/card_mask.h"
#include "session/session_observer.h"

#include <QJsonObject>

#include <functional>
#include <memory>
#include <optional>
#include <string>

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

class OutputFile;

class TraceWriter : public SessionObserver {
public:
    // Starts the trace in a temporary file beside `path` (a regular file, a
    // link to one, or a new name: anything else is refused); isOpen() tells
    // whether that worked. A masked trace masks cardholder data in every text
    // it writes, through one masker that sees every value sent; an unmasked
    // one is readable by its owner alone.
    explicit TraceWriter(const std::string& path, bool masked = true);
    // Finishes the trace if finish() was not called.
    ~TraceWriter() override;

    bool isOpen() const;
    std::string errorText() const;
    // False once a line could not be written whole; the first failure is
    // also said on standard error, naming the file and the system's reason.
    bool ok() const { return !m_failed; }
    // Ends the trace: flushes it to the disk and renames it over `path`.
    // False when the trace could not be written whole, or this fails (said
    // on standard error); the temporary file is then removed, and a file
    // that was at `path` before stays as it was.
    bool finish();

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
    // Presses, selector clicks and focus moves, typing, timer ticks, the
    // customer's actions and raw calls; a tick that does nothing writes no line.
    void actionStarted(const UserAction& action) override;
    void actionEnded(const UserAction& action) override;
    // Where a script run stands (ScriptRunOptions::onLine): line 0 writes a
    // "script" event naming the script that starts; any other line is given
    // to every call event after it as "line", the script line that made it.
    void scriptLine(const std::string& script, int line);

    // A value sent that no call event of this trace shows (a tapped call of
    // a client left out): the masking still learns what was asked of a reader.
    void noteSent(std::string_view member, const Value& v);

private:
    void write(QJsonObject object);
    void say(const std::string& reason);
    QString shownText(std::string_view bytes) const;
    QJsonObject value(const Value& v) const;
    std::string maskedAction(const std::string& action) const;
    std::unique_ptr<OutputFile> m_file;
    bool m_masked;
    journal::CardMasker m_masker;
    std::function<long long()> m_clock;
    std::optional<QJsonObject> m_pendingTick; // written once the tick does something
    bool m_failed = false;
    bool m_finished = false;
    int m_line = 0; // the script line running, 0 outside a script
};

// Writes the calls of the journal as a trace (its first line, then each call
// and its error), as the trace is written. False, with the reason, when the
// file cannot be written whole; an earlier file is then kept as it was.
bool writeJournalTrace(const std::string& path, const journal::CallJournal& journal, const TraceStart& start,
                       std::string& reason);

} // namespace vantrel
