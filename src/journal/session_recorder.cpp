#include "session_recorder.h"

#include "card_mask.h"

#include "server/conversions.h"
#include "session/raw_call.h"
#include "session/window_host.h"

#include <algorithm>
#include <stdexcept>

namespace vantrel::journal {

namespace {

std::string target(const UserAction& a)
{
    // A bare name means the window in front; the main window is in front whenever it can be pressed.
    return a.window == kMainWindow ? a.control : a.window + "." + a.control;
}
} // namespace

void SessionRecorder::addLine(std::string text) { m_lines.push_back({std::move(text), std::nullopt}); }

void SessionRecorder::noteTyped(std::string_view text)
{
    if (!m_typedCard && holdsCardData(text))
        m_typedCard = true;
}

// Typing waits for the next action: the box's last text is what is written.
void SessionRecorder::typingCame(const UserAction& typing)
{
    m_typing = {target(typing), typing.text};
    m_typingUnsendable = typing.number != 0;
    noteTyped(typing.text);
}

void SessionRecorder::actionStarted(const UserAction& a)
{
    if (m_depth++ > 0) {
        // Typing while a handler waits lands after the running action.
        if (a.kind == UserAction::Kind::Type)
            m_deferredTyping.push_back(a);
        return;
    }
    using K = UserAction::Kind;
    m_inRawCall = a.kind == K::Call;
    if (!(a.kind == K::Tick && m_ticks && m_tickTimer == a.window + "." + a.control))
        closeTicks();
    if (m_typing && !(a.kind == K::Type && m_typing->first == target(a))) {
        flushPending();
    }
    if (m_pendingFocus && !(a.kind == K::Click && a.number == m_pendingFocus))
        flushPending();
    if (m_pendingLost) {
        // The replay moves the focus off the selector itself when another
        // selector button takes it or a main window button is pressed.
        const bool derived = (a.kind == K::Focus && a.number != m_pendingLost) ||
                             (a.kind == K::Press && a.window == kMainWindow);
        if (!derived)
            addLine("unfocus");
        m_pendingLost = 0;
    }
    if (a.kind != K::Click || a.number != m_pendingFocus)
        m_current = Group{};
}

void SessionRecorder::actionEnded(const UserAction& a)
{
    if (--m_depth > 0)
        return;
    using K = UserAction::Kind;
    switch (a.kind) {
    case K::Focus:
        m_pendingFocus = a.number;
        m_current.action = {{"focus " + std::to_string(a.number), std::nullopt}};
        return; // written once it is known whether a click follows (then it is a "select")
    case K::LostFocus:
        m_pendingLost = a.number;
        m_current = Group{};
        return;
    case K::Click:
        m_pendingFocus = 0;
        m_current.action = {{"select " + std::to_string(a.number), std::nullopt}};
        break;
    case K::DoubleClick: m_current.action = {{"doubleclick " + std::to_string(a.number), std::nullopt}}; break;
    case K::Press: m_current.action = {{"press " + target(a), std::nullopt}}; break;
    case K::Customer: m_current.action = {customerLine(a.text)}; break;
    case K::Fault: m_current.action = {{"fault " + a.text, std::nullopt}}; break;
    case K::Call: m_inRawCall = false; break; // its lines came with its call
    case K::Type: typingCame(a); return;
    case K::Tick:
        if (!m_ticks) {
            m_ticks = Group{};
            m_tickTimer = a.window + "." + a.control; // a bare timer name would tick the window in front
            m_tickCount = 0;
        }
        ++m_tickCount;
        for (auto& line : m_current.before)
            m_ticks->before.push_back(std::move(line));
        for (std::size_t b = 0; b < m_current.changed.size(); ++b)
            m_ticks->changed[b] = m_ticks->changed[b] || m_current.changed[b];
        m_current = Group{};
        return;
    }
    writeGroup(m_current);
    m_current = Group{};
    for (const auto& typing : m_deferredTyping)
        typingCame(typing);
    m_deferredTyping.clear();
}

void SessionRecorder::closeTicks()
{
    if (!m_ticks)
        return;
    Group ticks = std::move(*m_ticks);
    m_ticks.reset();
    ticks.action = {{"tick " + m_tickTimer + (m_tickCount > 1 ? " " + std::to_string(m_tickCount) : ""), std::nullopt}};
    writeGroup(ticks);
}

// Writes what waits for the next action to decide: typing, and a focus that no click followed.
void SessionRecorder::flushPending()
{
    if (m_typing) {
        if (m_typingUnsendable)
            addLine("# typed into " + m_typing->first + ": text with characters above 255, which cannot be sent");
        else
            addLine("type " + m_typing->first + " " + scriptText(m_typing->second));
        m_typing.reset();
    }
    if (m_pendingFocus) {
        m_pendingFocus = 0;
        writeGroup(m_current);
        m_current = Group{};
    }
}

void SessionRecorder::callMade(const CallEvent& call)
{
    if (call.argument && call.argument->type() == Value::Type::String)
        m_masker.noteSent(call.member, call.argument->asString());
    if (m_inRawCall && m_depth == 1 && m_current.action.empty())
        rawCallMade(call);
}

// A raw call is written as the line that makes it again, its value as it
// was sent (as typed text is); a get's answer is checked, masked, after it.
void SessionRecorder::rawCallMade(const CallEvent& call)
{
    try {
        m_current.action.push_back({rawCallLine(call.access, call.member, call.argument), std::nullopt});
    } catch (const std::invalid_argument&) {
        m_current.action.push_back({"# a raw call that cannot be written as a script line", std::nullopt});
        return;
    }
    if (call.argument && call.argument->type() == Value::Type::String)
        noteTyped(call.argument->asString());
    if (call.access == Access::Get && call.result)
        m_current.action.push_back(expectLine("result", toText(*call.result)));
}

// "customer key P KEYS": digits keyed at a reader that waits for a PIN are
// written as zeros, so the replay keys as many digits and no PIN is saved.
SessionRecorder::Line SessionRecorder::customerLine(const std::string& action) const
{
    const std::string line = "customer " + action;
    std::vector<std::string> words;
    for (std::size_t start = 0; start < action.size();) {
        const auto end = std::min(action.find(' ', start), action.size());
        if (end > start)
            words.push_back(action.substr(start, end - start));
        start = end + 1;
    }
    auto digits = [](const std::string& w) {
        return !w.empty() && w.size() <= 64 && std::all_of(w.begin(), w.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (words.size() != 3 || words[0] != "key" || !digits(words[1]) || words[1].size() > 2 || !digits(words[2]) ||
        !m_masker.pinEntryAt(std::stoi(words[1])))
        return {line, std::nullopt};
    return {"# the PIN keyed at reader " + words[1] + " is written as zeros\ncustomer key " + words[1] + " " +
                std::string(words[2].size(), '0'),
            line};
}

SessionRecorder::Line SessionRecorder::expectLine(const std::string& name, const std::string& text) const
{
    const std::string masked = m_masker.mask(text);
    auto tail = [](std::string_view t) { return t.size() > kContainsLength ? t.substr(t.size() - kContainsLength) : t; };
    auto plain = [&](std::string_view t) {
        if (t.size() <= kExpectLimit)
            return "expect " + name + " is " + scriptText(t);
        return "expect " + name + " contains " + scriptText(tail(t));
    };
    if (masked == text)
        return {plain(text), std::nullopt};
    // Card data in the box: checked up to where it begins (masking keeps at
    // least a card number's first six digits, or the key of a PIN line).
    const auto differ = std::mismatch(text.begin(), text.end(), masked.begin(), masked.end());
    const std::string_view before(text.data(), static_cast<std::size_t>(differ.first - text.begin()));
    return {"expect " + name + " contains " + scriptText(tail(before)), plain(text)};
}

void SessionRecorder::takeBoxes(Group& group)
{
    for (std::size_t b = 0; b < group.changed.size(); ++b)
        if (group.changed[b]) {
            group.boxes[b] = std::string(m_latest[b]);
            group.changed[b] = false;
        }
}

void SessionRecorder::writeGroup(Group& group)
{
    takeBoxes(group);
    for (auto& line : group.before)
        m_lines.push_back(std::move(line));
    for (auto& line : group.action)
        m_lines.push_back(std::move(line));
    if (!group.stopped.empty())
        addLine("# " + group.stopped + " (by the technician); the script runs it to its end");
    for (std::size_t b = 0; b < group.boxes.size(); ++b)
        if (group.boxes[b])
            m_lines.push_back(expectLine(boxName(static_cast<Box>(b)), *group.boxes[b]));
}

void SessionRecorder::inputAnswered(std::string_view, std::string_view, std::string_view answer)
{
    if (m_depth == 0)
        return;
    noteTyped(answer);
    // Cancel and an empty entry are the same to a handler.
    m_current.before.push_back({answer.empty() ? "answer" : "answer " + scriptText(answer), std::nullopt});
}

void SessionRecorder::questionAnswered(std::string_view, std::string_view, bool yes)
{
    if (m_depth > 0)
        m_current.before.push_back({yes ? "reply yes" : "reply no", std::nullopt});
}

void SessionRecorder::callFailed(std::string_view, int number, std::string_view)
{
    if (m_depth > 0)
        m_current.before.push_back({"expect error " + std::to_string(number), std::nullopt});
}

void SessionRecorder::errorRaised(int number, std::string_view description) { callFailed({}, number, description); }

void SessionRecorder::boxChanged(Box box, std::string_view text)
{
    const auto b = static_cast<std::size_t>(box);
    m_latest[b] = text;
    if (m_depth > 0)
        m_current.changed[b] = true;
}

void SessionRecorder::boxAppended(Box box, std::string_view, std::string_view whole) { boxChanged(box, whole); }

void SessionRecorder::progressed(const Progress& progress)
{
    if (m_depth > 0 && !progress.running && progress.outcome != "done")
        m_current.stopped = progress.run + " stopped: " + progress.outcome;
}

std::string SessionRecorder::script(const std::string& header, bool masked) const
{
    SessionRecorder rest = *this;
    rest.closeTicks();
    rest.flushPending();
    if (rest.m_pendingLost)
        rest.addLine("unfocus");
    std::string out;
    std::size_t start = 0;
    while (start < header.size()) {
        auto end = header.find('\n', start);
        if (end == std::string::npos)
            end = header.size();
        out += "# " + header.substr(start, end - start) + "\n";
        start = end + 1;
    }
    for (const auto& line : rest.m_lines)
        out += (!masked && line.unmasked ? *line.unmasked : line.text) + "\n";
    return out;
}

void SessionRecorder::clear()
{
    *this = SessionRecorder();
}

} // namespace vantrel::journal
