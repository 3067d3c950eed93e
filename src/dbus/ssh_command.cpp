#include "ssh_command.h"

#include <cstdlib>

namespace vantrel::dbus {

namespace {
bool isTargetWord(std::string_view word, bool host)
{
    if (word.empty() || word.size() > 255 || word.front() == '-')
        return false;
    for (const char c : word) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                           c == '_' || c == '-';
        if (!plain && !(host && c == ':'))
            return false;
    }
    return true;
}

void appendWords(std::vector<std::string>& words, std::string_view text)
{
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        if (end > start)
            words.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
}

std::string_view environment(const char* name, std::string_view fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? std::string_view(value) : fallback;
}
} // namespace

bool isValidSshTarget(std::string_view target)
{
    const std::size_t at = target.find('@');
    if (at == std::string_view::npos)
        return isTargetWord(target, true);
    return isTargetWord(target.substr(0, at), false) && isTargetWord(target.substr(at + 1), true);
}

std::vector<std::string> sshCommand(std::string_view target)
{
    std::vector<std::string> command{"ssh", "-xT", "-o", "BatchMode=yes", "-o", "ConnectTimeout=10",
                                     "-o", "ServerAliveInterval=10", "-o", "ServerAliveCountMax=3",
                                     "-o", "LogLevel=ERROR"};
    // ssh keeps the first value it is given for an option, so these above win.
    appendWords(command, environment(kSshOptionsVariable, {}));
    command.emplace_back("--");
    command.emplace_back(target);
    command.emplace_back("env");
    command.emplace_back("SYSTEMD_LOG_TARGET=console");
    appendWords(command, environment(kSshBridgeVariable, kDefaultBridge));
    return command;
}

} // namespace vantrel::dbus
