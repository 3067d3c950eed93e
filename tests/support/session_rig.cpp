#include "session_rig.h"

#include "app/shell_handlers.h"

namespace vantrel::test {

void SessionRig::select(int n) { shell::selectorClick(session, n); }
void ForecourtRig::select(int n) { shell::selectorClick(session, n); }

} // namespace vantrel::test
