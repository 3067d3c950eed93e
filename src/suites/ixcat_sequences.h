// The iX CAT test window's two sequences. Each step writes its label to
// InBox (the first replaces the box, later ones append), sends one record
// and waits a number of ticks of the window's 1 ms timer, which counts the
// window's wait counter down. While a sequence runs its window's buttons are
// disabled, so no second sequence can start inside the first.
#pragma once

#include "session/button_spec.h"

#include <cstdint>
#include <vector>

namespace vantrel::suites {

inline constexpr const char* kIxCatTestForm = "iXCatTestForm";
inline constexpr const char* kIxCatTestCaption = "iXCatTest";
inline constexpr Twips kIxCatTestSize{0, 0, 4320, 2280};
inline constexpr int kIxCatTimerMs = 1;
inline constexpr int kMultiCommandWait = 100;
inline constexpr int kSpecialTestWait = 1000;
inline constexpr int kFirstPolls = 25;
inline constexpr int kLaterPolls = 5;

struct IxCatState {
    // Ticks left of the wait in progress; 0 when none is.
    std::int16_t waitCounter = 0;
};

// The timer tick: counts a wait down by one.
void ixCatTimerTick(IxCatState& state);

void runMultiCommands(Session& session, IxCatState& state);
void runSpecialTest(Session& session, IxCatState& state);

std::vector<ButtonSpec> ixCatTestButtons(IxCatState& state);

} // namespace vantrel::suites
