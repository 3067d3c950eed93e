#include "key_entry_form.h"

#include "reader_controls.h"
#include "reader_key_entry.h"

#include "session/window_host.h"
#include "widgets/window_catalog.h"

#include <QPalette>

namespace vantrel::reader {

KeyEntryForm::KeyEntryForm(Session& session, QWidget* owner)
    : Form(session, kKeyEntryForm, kKeyEntryCaption, kKeyEntryClient, owner)
{
    // The palette, not a style sheet, so the buttons keep their own faces.
    QPalette back = palette();
    back.setColor(QPalette::Window, QColor(colours::Yellow.red(), colours::Yellow.green(), colours::Yellow.blue()));
    setPalette(back);
    setAutoFillBackground(true);
    addButtons(keyEntryButtons());
}

void registerWindows(WindowCatalog& catalog)
{
    catalog.add({kKeyEntryForm, kMainWindow, [](Session& s, QWidget* owner) -> Form* { return new KeyEntryForm(s, owner); }});
}

} // namespace vantrel::reader
