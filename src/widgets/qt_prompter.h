// The prompter of the windowed utility: QMessageBox and QInputDialog, modal
// over the window in front. Texts are shown in display form.
#pragma once

#include "session/prompter.h"

#include <functional>

class QString;
class QWidget;

namespace vantrel {

// The width a dialog needs so that the window manager shows its title whole.
int titleWidth(const QString& title);

class QtPrompter : public Prompter {
public:
    // parent() gives the window the dialogs are modal over.
    explicit QtPrompter(std::function<QWidget*()> parent);

    using Prompter::message;
    void message(std::string_view text, std::string_view title) override;
    bool question(std::string_view text, std::string_view title) override;
    std::string input(std::string_view prompt, std::string_view title) override;

private:
    std::function<QWidget*()> m_parent;
};

} // namespace vantrel
