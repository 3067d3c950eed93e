#include "junit_report.h"

#include "output_file.h"

#include "server/control_pictures.h"

#include <QString>

#include <string_view>

namespace vantrel {

namespace {

// Text for an XML attribute: valid UTF-8 (a byte that is not becomes U+FFFD),
// control characters as their pictures (XML 1.0 takes none of them), escaped.
QString xmlText(const std::string& text)
{
    QString q = QString::fromStdString(text);
    for (QChar& c : q)
        if (c.unicode() < 0x80)
            if (const char16_t picture = controlPicture(static_cast<unsigned char>(c.unicode())))
                c = QChar(picture);
    return q.toHtmlEscaped();
}

} // namespace

bool writeJunitReport(const std::string& path, const std::vector<std::pair<std::string, ScriptResult>>& results,
                      bool masked, std::string& reason)
{
    int failures = 0, errors = 0;
    double seconds = 0;
    for (const auto& [name, r] : results) {
        failures += r.status == 1;
        errors += r.status == 2;
        seconds += r.seconds;
    }
    QString xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    xml += QString("<testsuites tests=\"%1\" failures=\"%2\" errors=\"%3\" time=\"%4\">\n")
               .arg(results.size()).arg(failures).arg(errors).arg(seconds, 0, 'f', 3);
    xml += QString("  <testsuite name=\"vantrel-test\" tests=\"%1\" failures=\"%2\" errors=\"%3\" time=\"%4\">\n")
               .arg(results.size()).arg(failures).arg(errors).arg(seconds, 0, 'f', 3);
    for (const auto& [name, r] : results) {
        xml += QString("    <testcase classname=\"scripts\" name=\"%1\" time=\"%2\"")
                   .arg(xmlText(name)).arg(r.seconds, 0, 'f', 3);
        if (r.status == 0) {
            xml += "/>\n";
            continue;
        }
        xml += ">\n";
        const char* tag = r.status == 1 ? "failure" : "error";
        // A failure quotes the boxes, which may hold card data: the report
        // takes the form masked before the bytes became text.
        for (const auto& f : r.failures)
            xml += QString("      <%1 message=\"%2\"/>\n").arg(tag, xmlText(masked ? f.report : f.text));
        if (r.failures.empty())
            xml += QString("      <%1 message=\"the script did not pass\"/>\n").arg(tag);
        xml += "    </testcase>\n";
    }
    xml += "  </testsuite>\n</testsuites>\n";
    const QByteArray bytes = xml.toUtf8();
    return writeOutputFile(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), !masked,
                           reason);
}

} // namespace vantrel
