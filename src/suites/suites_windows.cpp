#include "suites_windows.h"

#include "suites_forms.h"

#include "session/window_host.h"
#include "widgets/window_catalog.h"

namespace vantrel::suites {

void registerWindows(WindowCatalog& catalog)
{
    catalog.add({kTestFunctionForm, kMainWindow,
                 [](Session& s, QWidget* owner) -> Form* { return new TestFunctionForm(s, owner); }});
    catalog.add({kGraphicsDisplay, kMainWindow,
                 [](Session& s, QWidget* owner) -> Form* { return new GraphicsDisplayForm(s, owner); }});
    catalog.add({kIxCatTestForm, kTestFunctionForm,
                 [](Session& s, QWidget* owner) -> Form* { return new IxCatTestForm(s, owner); }});
}

} // namespace vantrel::suites
