// Presses a reader button by its object name through the same control
// tables the windows are built from, so the tests also check the wiring.
#pragma once

#include "reader/reader_controls.h"
#include "reader/reader_key_entry.h"
#include "session/handler_runner.h"
#include "session/session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantrel::test {

inline Handler handlerOf(const std::vector<ButtonSpec>& table, const std::string& name)
{
    for (const auto& spec : table)
        if (spec.name == name)
            return spec.handler;
    ADD_FAILURE() << "no control " << name;
    return {};
}

// True when the handler ran to its end (a failure was reported otherwise).
inline bool press(Session& session, const std::string& name)
{
    return runHandler(session, handlerOf(reader::mainWindowButtons(), name));
}

inline bool pressKeyEntry(Session& session, const std::string& name)
{
    return runHandler(session, handlerOf(reader::keyEntryButtons(), name));
}

// Test names from control names and texts: letters and digits only.
inline std::string testName(const std::string& text)
{
    std::string name;
    for (const char c : text)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name.empty() ? "empty" : name;
}

} // namespace vantrel::test
