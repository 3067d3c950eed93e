// The traffic trace: one JSON object per line for every server call,
// failure, prompt, box change, window shown or hidden and wait step, in the
// order they happen. Strings are written with each byte 0..255 as the code
// point of the same number, so the trace is exact and reversible.
#pragma once

#include "session/session_observer.h"

#include <QJsonObject>

#include <cstdio>
#include <memory>
#include <string>

class QFile;

namespace vantrel {

QJsonObject encodeValue(const Value& value);
// Bytes as a JSON string value (Latin-1 code points).
QString encodeBytes(std::string_view bytes);
std::string decodeBytes(const QString& text);

class TraceWriter : public SessionObserver {
public:
    // Opens (truncates) the file; isOpen() tells whether that worked.
    explicit TraceWriter(const std::string& path);
    ~TraceWriter() override;

    bool isOpen() const;
    std::string errorText() const;
    // False once a line could not be written whole; the first failure is
    // also said on standard error, naming the file.
    bool ok() const { return !m_failed; }

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
    void write(const QJsonObject& object);
    std::unique_ptr<QFile> m_file;
    std::string m_path;
    bool m_failed = false;
};

} // namespace vantrel
