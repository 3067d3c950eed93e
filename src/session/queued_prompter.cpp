#include "queued_prompter.h"

namespace vantrel {

void QueuedPrompter::message(std::string_view text, std::string_view title)
{
    m_shown.push_back({Shown::Kind::Message, std::string(title), std::string(text), {}});
}

bool QueuedPrompter::question(std::string_view text, std::string_view title)
{
    if (m_replies.empty())
        throw NothingQueued{"no reply queued for the question \"" + std::string(text) + "\""};
    const bool yes = m_replies.front();
    m_replies.pop_front();
    m_shown.push_back({Shown::Kind::Question, std::string(title), std::string(text), yes ? "yes" : "no"});
    return yes;
}

std::string QueuedPrompter::input(std::string_view prompt, std::string_view title)
{
    if (m_answers.empty())
        throw NothingQueued{"no answer queued for the input box \"" + std::string(prompt) + "\""};
    std::string answer = std::move(m_answers.front());
    m_answers.pop_front();
    m_shown.push_back({Shown::Kind::Input, std::string(title), std::string(prompt), answer});
    return answer;
}

std::vector<std::string> QueuedPrompter::messages() const
{
    std::vector<std::string> texts;
    for (const auto& s : m_shown)
        if (s.kind == Shown::Kind::Message)
            texts.push_back(s.text);
    return texts;
}

} // namespace vantrel
