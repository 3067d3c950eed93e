#include "dispenser_info.h"

#include "server/conversions.h"
#include "session/session.h"

namespace vantrel::fueling {

void dispenserInfo(Session& s)
{
    s.setTextBox("(return data)=<Object>.DispenserInformation (passed data)");
    s.setInBox(toText(s.server().get("DispenserInformation", Value::int16(s.fp()))));
}

} // namespace vantrel::fueling
