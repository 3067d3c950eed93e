// The KeyEntryForm window: a yellow window of entry-mode buttons, opened
// modal over the main window by KeyEntryTypeButton and hidden by each of
// its buttons after their action. It keeps no state between openings.
#pragma once

#include "widgets/form.h"

namespace vantrel::reader {

class KeyEntryForm : public Form {
    Q_OBJECT
public:
    KeyEntryForm(Session& session, QWidget* owner);
};

} // namespace vantrel::reader
