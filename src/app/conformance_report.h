// The readable report of a conformance run: one HTML page with a table per
// part of the contract (the check, the member, what was checked, pass or
// fail, the answer and the time it took), the answers masked as every file
// the utility writes, HTML-escaped, control bytes shown as marked pictures.
#pragma once

#include "conformance_run.h"

#include <string>

namespace vantrel::conformance {

// Keeps the answer in the check within kKeptAnswer bytes, with the whole
// one's length; one that is cut is masked whole first as well, so that card
// data running over the cut is masked as it would be in the whole answer.
void keepAnswer(Check& check, std::string answer);
// The answer's bytes as an output shows them: masked (unless `masked` is
// false), then cut to kShownAnswer.
std::string shownAnswer(const Check& check, bool masked);
// What the cut left out, to follow the shown bytes: " … (50000000 bytes,
// the first 4096 shown)"; empty when the whole answer is shown.
std::string answerCutNote(const Check& check);

struct ReportHeading {
    std::string server;  // as --server named it, described
    std::string date;    // when the run started
    long long timeoutMs = 0;
};

// The page. `masked`: cardholder data masked in the answers (the default).
std::string htmlReport(const Result& result, const ReportHeading& heading, bool masked = true);
// Writes the page through output_file.h. False, with the system's reason,
// when it cannot be written whole.
bool writeHtmlReport(const std::string& path, const Result& result, const ReportHeading& heading, bool masked,
                     std::string& reason);
// The JUnit XML report: one test case per check, named "part:line label".
bool writeConformanceJunit(const std::string& path, const Result& result, bool masked, std::string& reason);

} // namespace vantrel::conformance
