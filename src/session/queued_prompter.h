// A prompter that answers from queues: the script runner queues what the
// script says, tests queue what they need. Every prompt is recorded. A
// question or input box with nothing queued throws NothingQueued.
#pragma once

#include "prompter.h"
#include "window_host.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

class QueuedPrompter : public Prompter {
public:
    // An unwinding, not an error: it must pass the handler runner, which
    // reports errors, and stop the whole run instead.
    struct NothingQueued : Unwinding {
        explicit NothingQueued(std::string text) : message(std::move(text)) {}
        const char* what() const noexcept override { return message.c_str(); }
        std::string message;
    };
    struct Shown {
        enum class Kind { Message, Question, Input } kind;
        std::string title;
        std::string text; // message text, question text or input prompt
        std::string answer; // "yes"/"no" for questions, the entry for inputs
    };

    using Prompter::message;
    void message(std::string_view text, std::string_view title) override;
    bool question(std::string_view text, std::string_view title) override;
    std::string input(std::string_view prompt, std::string_view title) override;

    void queueAnswer(std::string answer) { m_answers.push_back(std::move(answer)); }
    void queueCancel() { m_answers.push_back(std::string()); }
    void queueReply(bool yes) { m_replies.push_back(yes); }
    bool hasPending() const { return !m_answers.empty() || !m_replies.empty(); }
    std::size_t pendingAnswers() const { return m_answers.size(); }
    std::size_t pendingReplies() const { return m_replies.size(); }

    const std::vector<Shown>& shown() const { return m_shown; }
    std::vector<std::string> messages() const;
    void clear() { m_shown.clear(); }

private:
    std::deque<std::string> m_answers;
    std::deque<bool> m_replies;
    std::vector<Shown> m_shown;
};

} // namespace vantrel
