#pragma once
// The number of the AutomationError a call raises, for tests that check
// which error a member gives; 0 when the call raises none.

#include "server/automation_error.h"

#include <functional>

namespace vantrel::test {

inline int errorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const AutomationError& e) {
        return e.number();
    }
    return 0;
}

} // namespace vantrel::test
