#include "conformance_report.h"

#include "junit_report.h"
#include "output_file.h"
#include "script_printer.h"

#include "journal/card_mask.h"
#include "widgets/display_form.h"

#include <QString>

#include <algorithm>

namespace vantrel::conformance {

void keepAnswer(Check& check, std::string answer)
{
    check.answerSize = answer.size();
    if (answer.size() > kKeptAnswer) {
        check.maskedStart = journal::maskCardData(answer);
        check.maskedStart.resize(std::min(check.maskedStart.size(), kKeptAnswer));
        check.maskedStart.shrink_to_fit();
        answer.resize(kKeptAnswer);
        answer.shrink_to_fit();
    }
    check.answer = std::move(answer);
}

std::string shownAnswer(const Check& check, bool masked)
{
    std::string bytes = !masked                      ? check.answer
                        : check.maskedStart.empty() ? journal::maskCardData(check.answer)
                                                    : check.maskedStart;
    if (bytes.size() > kShownAnswer)
        bytes.resize(kShownAnswer);
    return bytes;
}

std::string answerCutNote(const Check& check)
{
    const std::size_t size = std::max(check.answerSize, check.answer.size());
    const std::string note = script_run::cutNote(size, kShownAnswer);
    return note.empty() ? note : " " + note;
}

namespace {

const char* kStyle = R"(body { font-family: sans-serif; margin: 1.5em; }
table { border-collapse: collapse; margin-bottom: 1.5em; width: 100%; }
th, td { border: 1px solid #999; padding: 0.25em 0.5em; text-align: left; vertical-align: top; }
th { background: #e8e8e8; }
td.answer { font-family: monospace; white-space: pre-wrap; word-break: break-all; }
tr.pass td.verdict { color: #0a5d0a; font-weight: bold; }
tr.fail td.verdict { color: #a00000; font-weight: bold; }
tr.fail { background: #fff0f0; }
span.ctl { color: #0645ad; background: #e8eefa; }
)";

// Text for the page: escaped, with the pictures of control bytes marked.
QString html(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x2400 && u <= 0x2426) || u == 0xFFFD) // control pictures, and a byte with no glyph
            out += QStringLiteral("<span class=\"ctl\">") + c + QStringLiteral("</span>");
        else if (u == '<')
            out += QStringLiteral("&lt;");
        else if (u == '>')
            out += QStringLiteral("&gt;");
        else if (u == '&')
            out += QStringLiteral("&amp;");
        else if (u == '"')
            out += QStringLiteral("&quot;");
        else
            out += c;
    }
    return out;
}

QString html(const std::string& utf8) { return html(QString::fromStdString(utf8)); }

// An answer's bytes as the page shows them: masked, cut, in display form.
QString answerCell(const Check& check, bool masked)
{
    return html(toDisplayForm(shownAnswer(check, masked), false)) + html(answerCutNote(check));
}

} // namespace

std::string htmlReport(const Result& result, const ReportHeading& heading, bool masked)
{
    QString page = QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                                  "<title>Conformance of %1</title>\n<style>\n%2</style>\n</head>\n<body>\n")
                       .arg(html(heading.server), QString::fromLatin1(kStyle));
    page += QStringLiteral("<h1>Conformance of %1</h1>\n").arg(html(heading.server));
    page += QStringLiteral("<p class=\"summary\"><strong>%1</strong></p>\n").arg(html(summaryLine(result)));
    page += QStringLiteral("<p>Run ") + html(heading.date) + QStringLiteral("; every answer due within ") +
            QString::number(heading.timeoutMs) + QStringLiteral(" ms.") +
            (masked ? QString() : QStringLiteral(" Card data are shown unmasked.")) + QStringLiteral("</p>\n");
    for (const Part& part : result.parts) {
        page += QStringLiteral("<h2>") + html(part.name) + QStringLiteral(": ") + QString::number(part.checks.size()) +
                QStringLiteral(" checks, ") + QString::number(part.failed()) + QStringLiteral(" failed</h2>\n");
        page += QStringLiteral("<table>\n<tr><th>Line</th><th>Check</th><th>Member</th><th>What was checked</th>"
                               "<th>Result</th><th>Answer</th><th>ms</th></tr>\n");
        // Joined rather than filled in with arg(), which would read a "%1" in an answer as a place to fill.
        for (const Check& c : part.checks)
            page += QStringLiteral("<tr class=\"") + QLatin1String(c.passed ? "pass" : "fail") + QStringLiteral("\"><td>") +
                    QString::number(c.line) + QStringLiteral("</td><td>") + html(c.label) +
                    QStringLiteral("</td><td>") + html(c.member) + QStringLiteral("</td><td>") + html(c.checked) +
                    QStringLiteral("</td><td class=\"verdict\">") + QLatin1String(c.passed ? "pass" : "FAIL") +
                    QStringLiteral("</td><td class=\"answer\">") + answerCell(c, masked) +
                    QStringLiteral("</td><td>") + QString::number(c.ms) + QStringLiteral("</td></tr>\n");
        page += QStringLiteral("</table>\n");
    }
    page += QStringLiteral("</body>\n</html>\n");
    return page.toStdString();
}

bool writeHtmlReport(const std::string& path, const Result& result, const ReportHeading& heading, bool masked,
                     std::string& reason)
{
    return writeOutputFile(path, htmlReport(result, heading, masked), !masked, reason);
}

bool writeConformanceJunit(const std::string& path, const Result& result, bool masked, std::string& reason)
{
    std::vector<std::pair<std::string, ScriptResult>> cases;
    for (const Part& part : result.parts)
        for (const Check& c : part.checks) {
            ScriptResult r;
            r.status = c.passed ? 0 : 1;
            r.seconds = static_cast<double>(c.ms) / 1000.0;
            // The answer in its display form, as the printed line has it: each
            // byte one character, so no bytes of an answer make the XML ill-formed.
            if (!c.passed)
                r.failures.push_back({c.checked + ": " + script_run::shown(shownAnswer(c, false)) + answerCutNote(c),
                                      c.checked + ": " + script_run::shown(shownAnswer(c, true)) + answerCutNote(c)});
            cases.emplace_back(part.name + ":" + std::to_string(c.line) + " " + c.label, std::move(r));
        }
    return writeJunitReport(path, cases, masked, reason);
}

} // namespace vantrel::conformance
