// Shared by the app tests: script runs against the embedded forecourt on
// virtual time, as --script has them, and the earlier file that a save which
// fails must keep.
#pragma once

#include "app/script_runner.h"
#include "app/server_choice.h"
#include "forecourt/forecourt_server.h"
#include "server/automation_registry.h"

#include <QFile>
#include <QString>

#include <chrono>
#include <string>

namespace vantrel::test {

// The options of a run against the embedded forecourt, chosen in registry on virtual time.
inline ScriptRunOptions onEmbeddedServer(AutomationRegistry& registry, ScriptRunOptions options)
{
    std::string reason;
    const auto server = chooseServer(registry, forecourt::kProgId, std::chrono::milliseconds(5000), true, reason);
    options.progId = server->progId;
    options.advance = server->advance;
    return options;
}

// Writes "earlier\n" at path; false when the file cannot be opened.
inline bool writeEarlier(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("earlier\n");
    return true;
}

} // namespace vantrel::test
