#include "script_verdict.h"

#include "script_printer.h"

#include "session/script.h"

namespace vantrel::script_run {

namespace {

// "error 1003", or "a numbered error" for "expect error any".
std::string expectedError(long number)
{
    return number == kAnyServerError ? "a numbered error" : "error " + std::to_string(number);
}

} // namespace

std::string quoteCutNote(std::size_t size)
{
    const std::string note = cutNote(size, kQuotedBytes);
    return note.empty() ? note : " " + note;
}

std::string quoted(std::string_view bytes) { return shown(bytes.substr(0, kQuotedBytes)); }

std::string quoted(const Value& v)
{
    if (v.type() != Value::Type::String)
        return shown(v);
    return "\"" + quoted(v.asString()) + "\"" + quoteCutNote(v.asString().size());
}

void FailureWatch::failed(const std::string& source, int number, std::string_view description)
{
    std::string head;
    if (!expected.empty()) {
        const auto [want, line] = expected.front();
        expected.pop_front();
        if (want == number || (want == kAnyServerError && isServerErrorNumber(number)))
            return;
        head = "line " + std::to_string(line) + ": expected " + expectedError(want) + ", but " + source + " " +
               std::to_string(number) + ": ";
    } else {
        head = "unexpected error " + std::to_string(number) + " (" + source + "): ";
    }
    // A server's words can be as long as an answer: quoted as one is.
    const std::string cut = quoteCutNote(description.size());
    problems.push_back({head + quoted(description) + cut, head + m_masker.quoted(description) + cut});
}

void FailureWatch::scriptEnded(const Leftovers& answers, const Leftovers& replies)
{
    for (const auto& [number, line] : expected)
        problems.push_back(m_masker.plain("line " + std::to_string(line) + ": expected " + expectedError(number) +
                                          ", but no error came"));
    auto leftover = [&](const Leftovers& left, const char* one, const char* many) {
        if (left.count == 0)
            return;
        const int first = left.lines.size() >= left.count ? left.lines[left.lines.size() - left.count] : 0;
        problems.push_back(m_masker.plain("line " + std::to_string(first) + ": " + std::to_string(left.count) + " " +
                                          (left.count == 1 ? one : many) + " queued by the script " +
                                          (left.count == 1 ? "was" : "were") +
                                          " never asked for by the end of the script"));
    };
    leftover(answers, "answer", "answers");
    leftover(replies, "reply", "replies");
}

const char* verdictLine(int status)
{
    return status == 0 ? "script passed" : status == 1 ? "script failed" : "script stopped";
}

} // namespace vantrel::script_run
