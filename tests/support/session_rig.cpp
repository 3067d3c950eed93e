#include "session_rig.h"

#include "server/records.h"

namespace vantrel::test {

namespace {

// What a click on the main window's position selector does to the session.
void selectPosition(Session& s, int n)
{
    s.setBox(Box::TextBoxPumpNumber, "Fueling Position -> " + std::to_string(n));
    s.setFp(static_cast<std::int16_t>(n));
    s.setFpText(rec::positionText(n));
}

} // namespace

void SessionRig::select(int n) { selectPosition(session, n); }
void ForecourtRig::select(int n) { selectPosition(session, n); }

} // namespace vantrel::test
