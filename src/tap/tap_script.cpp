#include "tap_script.h"

#include "journal/session_recorder.h"
#include "server/conversions.h"
#include "session/raw_call.h"
#include "session/script.h"

#include <algorithm>
#include <stdexcept>

namespace vantrel::tap {

namespace {
std::string textOf(const Value& v) { return v.type() == Value::Type::String ? v.asString() : toText(v); }
} // namespace

std::string TapScript::expectResult(const std::string& text, bool whole) const
{
    using journal::SessionRecorder;
    const std::string shown = m_masked ? m_masker.mask(text) : text;
    // Card data: only what comes before it is checked.
    const auto clean = std::mismatch(text.begin(), text.end(), shown.begin(), shown.end()).first - text.begin();
    const std::string_view before(text.data(), static_cast<std::size_t>(clean));
    if (whole && before.size() == text.size() && text.size() <= SessionRecorder::kExpectLimit)
        return "expect result is " + scriptText(text) + "\n";
    // A long answer, one the tap kept the start of, or one with card data: the last bytes checked.
    const std::size_t keep = std::min(before.size(), SessionRecorder::kContainsLength);
    return "expect result contains " + scriptText(before.substr(before.size() - keep)) + "\n";
}

void TapScript::note(const Exchange& e)
{
    if (e.argument)
        m_masker.noteSent(e.member, textOf(*e.argument));
}

std::string TapScript::lines(const Exchange& e)
{
    const char* access = accessName(e.access);
    if (!e.argumentNote.empty() || e.argumentOmitted > 0) {
        const std::string why = e.argumentNote.empty()
                                    ? "its value of " + std::to_string(e.argument->asString().size() + e.argumentOmitted) +
                                          " bytes was not kept whole"
                                    : e.argumentNote;
        return "# " + std::string(access) + " " + e.member + " by " + e.client + " is not repeated: " + why + "\n";
    }
    std::string call;
    try {
        call = rawCallLine(e.access, e.member, e.argument) + "\n";
    } catch (const std::invalid_argument& problem) {
        return "# " + std::string(access) + " " + e.member + " by " + e.client + " is not repeated: " + problem.what() +
               "\n";
    }
    note(e);
    m_sentCardData = m_sentCardData || (e.argument && journal::holdsCardData(textOf(*e.argument)));
    switch (e.state) {
    case ExchangeState::Failed: return "expect error " + std::to_string(e.errorNumber.value_or(0)) + "\n" + call;
    case ExchangeState::ReplyLost: return "# no reply was seen: " + e.lostReason + "\n" + call;
    case ExchangeState::ClientGone: return "# the client went away before its reply\n" + call;
    case ExchangeState::Answered:
        if (e.access == Access::Get && e.result)
            return call + expectResult(textOf(*e.result), e.resultOmitted == 0);
        return call;
    case ExchangeState::Waiting:
    case ExchangeState::NoReplyExpected: break;
    }
    return call;
}

} // namespace vantrel::tap
