// What a comparison keeps of each call: its answer without the ignored
// lines, long strings by their start, length and digest, and a masked copy
// for the reports.
#include "compare_report.h"

#include "journal/card_mask.h"
#include "server/conversions.h"

#include <QCryptographicHash>

#include <algorithm>

namespace vantrel::compare {

namespace {

std::string digestOf(std::string_view bytes)
{
    return QCryptographicHash::hash(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                    QCryptographicHash::Sha256)
        .toStdString();
}

// A string longer than kKeptBytes cut to them, its Whole returned.
std::optional<Whole> cutLong(std::optional<Value>& value)
{
    if (!value || value->type() != Value::Type::String || value->asString().size() <= kKeptBytes)
        return std::nullopt;
    const std::string& bytes = value->asString();
    Whole whole{bytes.size(), digestOf(bytes)};
    value = Value::string(bytes.substr(0, kKeptBytes));
    return whole;
}

} // namespace

SeenCall keptBounded(SeenCall call, const std::vector<std::string>& ignore)
{
    if (call.result && call.result->type() == Value::Type::String && !ignore.empty() && !call.resultWhole)
        call.result = Value::string(withoutKeys(call.result->asString(), ignore));
    if (!call.argumentWhole)
        call.argumentWhole = cutLong(call.argument);
    if (!call.resultWhole)
        call.resultWhole = cutLong(call.result);
    return call;
}

SeenCall maskedCall(SeenCall call, journal::CardMasker& masker)
{
    // What was sent is noted before anything is masked, as the trace does.
    if (call.argument)
        masker.noteSent(call.member, call.argument->type() == Value::Type::String ? call.argument->asString()
                                                                                : toText(*call.argument));
    for (auto* value : {&call.argument, &call.result})
        if (*value && (*value)->type() == Value::Type::String)
            **value = Value::string(masker.mask((*value)->asString()));
    call.description = masker.mask(call.description);
    return call;
}

void maskCalls(std::vector<ScriptCalls>& scripts)
{
    journal::CardMasker masker;
    for (auto& script : scripts) {
        script.masked.clear();
        for (const SeenCall& call : script.calls)
            script.masked.push_back(maskedCall(call, masker));
    }
}

std::string withoutKeys(std::string_view answer, const std::vector<std::string>& keys)
{
    if (keys.empty())
        return std::string(answer);
    std::string kept;
    kept.reserve(answer.size());
    std::size_t start = 0;
    while (start < answer.size()) {
        const std::size_t lf = answer.find('\n', start);
        std::size_t end = lf == std::string_view::npos ? answer.size() : lf + 1;
        // A last line without an end stops before the record's closing NUL.
        if (lf == std::string_view::npos && end - start > 1 && answer.back() == '\0')
            --end;
        const std::string_view line = answer.substr(start, end - start);
        const bool ignored = std::any_of(keys.begin(), keys.end(), [&](const std::string& key) {
            return line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == '=';
        });
        if (!ignored)
            kept += line;
        start = end;
    }
    return kept;
}

} // namespace vantrel::compare
