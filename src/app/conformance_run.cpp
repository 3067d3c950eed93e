#include "conformance_run.h"

#include "conformance_report.h"

#include "script_files.h"
#include "script_printer.h"

#include "server/automation_error.h"
#include "server/automation_registry.h"
#include "server/conversions.h"
#include "session/script.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <ostream>

namespace vantrel::conformance {

namespace {

using Kind = ScriptCommand::Kind;
using Clock = std::chrono::steady_clock;

// The label of a check: the comment line just before the line it begins
// on, blank lines between allowed; "line N" when it has none.
std::string labelBefore(const std::vector<std::string_view>& lines, int line)
{
    for (int i = line - 2; i >= 0; --i) {
        std::string_view text = lines[static_cast<std::size_t>(i)];
        const auto first = text.find_first_not_of(" \t");
        if (first == std::string_view::npos)
            continue;
        if (text[first] != '#')
            break;
        text.remove_prefix(first + 1);
        const auto begin = text.find_first_not_of(" \t");
        return begin == std::string_view::npos ? std::string() : std::string(text.substr(begin));
    }
    return "line " + std::to_string(line);
}

std::vector<std::string_view> splitLines(std::string_view content)
{
    if (content.substr(0, 3) == "\xEF\xBB\xBF")
        content.remove_prefix(3);
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start <= content.size()) {
        auto end = content.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = content.size();
        lines.push_back(content.substr(start, end - start));
        if (end == content.size())
            break;
        start = end + (content.substr(end, 2) == "\r\n" ? 2 : 1);
    }
    return lines;
}

std::string errorText(int number, const std::string& description)
{
    return "Error " + std::to_string(number) + ": " + description;
}

std::string expectedError(long number)
{
    return number == kAnyServerError ? "fails with a numbered error" : "fails with error " + std::to_string(number);
}

std::string callWords(const ScriptCommand& c)
{
    std::string words = accessName(c.access);
    if (c.value)
        words += c.value->type() == Value::Type::String
                     ? " a string of " + std::to_string(c.value->asString().size()) + " byte" +
                           (c.value->asString().size() == 1 ? "" : "s")
                     : " " + toText(*c.value) + " (" + typeName(c.value->type()) + ")";
    return words;
}

// How one call ended.
struct Outcome {
    std::optional<Value> result;
    std::optional<int> number; // the error's number; none for a failure without one
    std::string failure;       // the error in words; empty when the call returned
    long long ms = 0;
};

class PartRunner {
public:
    PartRunner(Part& part, AutomationObject& server, const Options& options)
        : m_part(part), m_server(server), m_options(options)
    {
    }

    void run(const std::vector<ScriptCommand>& commands, const std::vector<std::string_view>& lines)
    {
        std::optional<std::pair<long, int>> expected; // an "expect error" waiting for its call
        for (const ScriptCommand& c : commands) {
            switch (c.kind) {
            case Kind::ExpectError: expected = std::pair{c.number, c.line}; break;
            case Kind::RawCall: {
                finish();
                const int first = expected ? expected->second : c.line;
                m_open = Check{first, labelBefore(lines, first), c.target, callWords(c), true, {}, 0, 0, {}};
                m_lastGet = c.access == Access::Get;
                m_outcome = call(c);
                m_open->ms = m_outcome.ms;
                judgeCall(c.access, expected ? std::optional<long>(expected->first) : std::nullopt);
                expected.reset();
                break;
            }
            case Kind::ExpectResultIs:
            case Kind::ExpectResultHas:
            case Kind::ExpectResultType: expectResult(c); break;
            case Kind::ExpectMember:
                finish();
                m_open = Check{c.line, labelBefore(lines, c.line), c.target,
                               std::string("offered for ") + accessName(c.access), true, {}, 0, 0, {}};
                judgeMember(c);
                break;
            default: break; // refused before the part runs (notConformance)
            }
        }
        finish();
    }

private:
    Outcome call(const ScriptCommand& c)
    {
        Outcome o;
        const auto started = Clock::now();
        try {
            if (c.access == Access::Put)
                m_server.put(c.target, *c.value);
            else if (c.access == Access::Get)
                o.result = m_server.get(c.target, c.value);
            else
                m_server.call(c.target, c.value);
        } catch (const AutomationError& e) {
            o.number = e.number();
            o.failure = errorText(e.number(), e.description());
        } catch (const std::exception& e) {
            o.failure = std::string("failed without an error number: ") + e.what();
        } catch (...) {
            o.failure = "failed without an error number or a description";
        }
        o.ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
        return o;
    }

    void judgeCall(Access access, std::optional<long> expected)
    {
        Check& k = *m_open;
        k.checked += ", " + (expected ? expectedError(*expected) : access == Access::Put ? "taken" : "answered");
        // A call given up by the client's own timer may end a hair before the timeout.
        const long long limit = m_options.timeout.count();
        const bool givenUp = m_outcome.number == static_cast<int>(ErrorCode::ServerUnavailable) &&
                             m_outcome.ms * 10 >= limit * 9;
        if (m_outcome.ms >= limit || givenUp) {
            // The client's own words for a call it gave up say no more than this line does.
            const bool ownWords = !m_outcome.failure.empty() && !givenUp;
            fail("no answer within " + std::to_string(limit) + " ms: it took " + std::to_string(m_outcome.ms) +
                 " ms" + (ownWords ? " (" + m_outcome.failure + ")" : ""));
            return;
        }
        if (!expected) {
            if (!m_outcome.failure.empty())
                fail(m_outcome.failure);
            else if (m_outcome.result)
                keepAnswer(k, toText(*m_outcome.result));
            return;
        }
        if (m_outcome.failure.empty()) {
            fail("answered without an error" +
                 (m_outcome.result ? ": " + toText(*m_outcome.result) : std::string()));
            return;
        }
        keepAnswer(k, m_outcome.failure);
        const bool held = m_outcome.number && (*expected == kAnyServerError ? isServerErrorNumber(*m_outcome.number)
                                                                            : *m_outcome.number == *expected);
        if (!held)
            k.passed = false;
    }

    void expectResult(const ScriptCommand& c)
    {
        if (!m_open || !m_lastGet)
            return; // refused before the part runs (notConformance)
        Check& k = *m_open;
        std::string what;
        bool held = false;
        const std::optional<Value>& r = m_outcome.result;
        if (c.kind == Kind::ExpectResultType) {
            what = resultTypeWords(c.text);
            held = r && resultTakenAs(*r, c.text);
        } else {
            const bool is = c.kind == Kind::ExpectResultIs;
            what = std::string(is ? "answers \"" : "answer holds \"") + script_run::shown(c.text) + "\"";
            const std::string text = r ? toText(*r) : std::string();
            held = r && (is ? text == c.text : text.find(c.text) != std::string::npos);
        }
        k.checked += ", " + what;
        if (held || !k.passed)
            return; // a check that failed already says why
        if (!r)
            return;
        fail("the answer does not hold (" + what + "): " +
             (r->type() == Value::Type::String ? r->asString() : script_run::shown(*r)));
    }

    void judgeMember(const ScriptCommand& c)
    {
        if (!m_members) {
            std::string reason;
            m_members = offeredMembers(m_server, reason);
            m_listProblem = reason;
        }
        if (!m_members) {
            fail("the server does not list its members: " + m_listProblem);
            return;
        }
        const std::string problem = memberProblem(*m_members, c.access, c.target);
        if (!problem.empty())
            fail(problem);
        else
            m_open->answer = "offered";
    }

    void fail(std::string why)
    {
        m_open->passed = false;
        keepAnswer(*m_open, std::move(why));
    }

    void finish()
    {
        if (!m_open)
            return;
        m_part.checks.push_back(std::move(*m_open));
        m_open.reset();
        if (m_options.onCheck)
            m_options.onCheck(m_part, m_part.checks.back());
    }

    Part& m_part;
    AutomationObject& m_server;
    const Options& m_options;
    std::optional<Check> m_open;
    Outcome m_outcome;
    bool m_lastGet = false;
    std::optional<MemberList> m_members;
    std::string m_listProblem;
};

} // namespace

int Part::failed() const
{
    int n = 0;
    for (const Check& c : checks)
        n += !c.passed;
    return n;
}

int Result::checks() const
{
    std::size_t n = 0;
    for (const Part& p : parts)
        n += p.checks.size();
    return static_cast<int>(n);
}

int Result::failed() const
{
    int n = 0;
    for (const Part& p : parts)
        n += p.failed();
    return n;
}

std::string shippedSuite()
{
    for (const QString& root : {QStringLiteral(VANTREL_SOURCE_ROOT "/conformance"),
                                QStringLiteral(VANTREL_INSTALLED_DATA_ROOT "/conformance")})
        if (QFileInfo(root).isDir())
            return QDir(root).absolutePath().toStdString();
    return {};
}

std::string notConformance(const std::vector<ScriptCommand>& commands)
{
    bool afterGet = false; // the lines since the last get are its expectations
    for (const ScriptCommand& c : commands) {
        switch (c.kind) {
        case Kind::RawCall: afterGet = c.access == Access::Get; break;
        case Kind::ExpectResultIs:
        case Kind::ExpectResultHas:
        case Kind::ExpectResultType:
            if (!afterGet)
                return "line " + std::to_string(c.line) + ": expect result belongs right after its get";
            break;
        case Kind::ExpectError:
        case Kind::ExpectMember: afterGet = false; break;
        default:
            return "line " + std::to_string(c.line) +
                   ": a conformance script holds raw calls (put, get, call) and their expectations only";
        }
    }
    return {};
}

Part runPart(const std::string& name, const std::string& content, const AutomationRegistry& registry,
             const std::string& progId, const Options& options)
{
    const auto started = Clock::now();
    Part part{name, {}, 0};
    auto stop = [&](const std::string& label, const std::string& why) {
        part.checks.push_back(Check{0, label, {}, "the part runs", false, why, 0, 0, {}});
        if (options.onCheck)
            options.onCheck(part, part.checks.back());
    };
    std::vector<ScriptCommand> commands;
    try {
        commands = parseScript(content);
    } catch (const ScriptError& e) {
        stop("the script can be read", "line " + std::to_string(e.line) + ": " + e.reason);
        return part;
    }
    if (const std::string why = notConformance(commands); !why.empty()) {
        stop("the script is a conformance script", why);
        return part;
    }
    std::unique_ptr<AutomationObject> server;
    try {
        server = registry.create(progId);
    } catch (const AutomationError& e) {
        stop("the server can be created", errorText(e.number(), e.description()));
        return part;
    }
    PartRunner(part, *server, options).run(commands, splitLines(content));
    part.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    return part;
}

Result runSuite(const std::vector<std::string>& scripts, const AutomationRegistry& registry,
                const std::string& progId, const Options& options, std::ostream& out)
{
    Options printing = options;
    printing.onCheck = [&](const Part& part, const Check& check) {
        out << (check.passed ? "ok     " : "FAILED ") << part.name << ":" << check.line << " " << check.label;
        if (!check.passed)
            out << ": " << script_run::shown(shownAnswer(check, true)) << answerCutNote(check);
        out << "\n";
        if (options.onCheck)
            options.onCheck(part, check);
    };
    Result result;
    for (const std::string& path : scripts) {
        const std::string name = QFileInfo(QString::fromStdString(path)).completeBaseName().toStdString();
        std::string reason;
        if (const auto content = readScriptFile(path, reason)) {
            result.parts.push_back(runPart(name, *content, registry, progId, printing));
        } else {
            Part part{name, {Check{0, "the script can be read", {}, "the part runs", false, reason, 0, 0, {}}}, 0};
            printing.onCheck(part, part.checks.back());
            result.parts.push_back(std::move(part));
        }
    }
    out << summaryLine(result) << "\n";
    return result;
}

std::string summaryLine(const Result& result)
{
    std::string line = std::to_string(result.checks()) + " checks, " + std::to_string(result.failed()) + " failed";
    std::string parts;
    for (const Part& p : result.parts)
        if (const int failed = p.failed())
            parts += (parts.empty() ? "" : ", ") + p.name + ": " + std::to_string(failed) + " of " +
                     std::to_string(p.checks.size());
    return parts.empty() ? line : line + " (" + parts + ")";
}

} // namespace vantrel::conformance
