#include "devices_windows.h"

#include "other_devices_form.h"

#include "session/window_host.h"
#include "widgets/window_catalog.h"

namespace vantrel::devices {

void registerWindows(WindowCatalog& catalog)
{
    catalog.add({kOtherDevicesWindow, kMainWindow,
                 [](Session& session, QWidget* owner) -> Form* { return new OtherDevicesForm(session, owner); }});
}

} // namespace vantrel::devices
