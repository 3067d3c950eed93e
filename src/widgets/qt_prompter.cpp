#include "qt_prompter.h"

#include "display_form.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace vantrel {

QtPrompter::QtPrompter(std::function<QWidget*()> parent) : m_parent(std::move(parent)) {}

void QtPrompter::message(std::string_view text, std::string_view title)
{
    QMessageBox box(QMessageBox::NoIcon, fromBytes(title), toDisplayForm(text), QMessageBox::Ok, m_parent());
    box.exec();
}

bool QtPrompter::question(std::string_view text, std::string_view title)
{
    QMessageBox box(QMessageBox::Question, fromBytes(title), toDisplayForm(text), QMessageBox::Yes | QMessageBox::No,
                    m_parent());
    return box.exec() == QMessageBox::Yes;
}

std::string QtPrompter::input(std::string_view prompt, std::string_view title)
{
    QString typed;
    for (;;) {
        QInputDialog dialog(m_parent());
        dialog.setWindowTitle(fromBytes(title));
        dialog.setLabelText(fromBytes(prompt));
        dialog.setTextValue(typed);
        // One character past the limit still goes in, so that an entry too
        // long is refused with a message instead of being cut without a word.
        if (auto* line = dialog.findChild<QLineEdit*>())
            line->setMaxLength(static_cast<int>(kEntryLimit) + 1);
        if (dialog.exec() != QDialog::Accepted)
            return {};
        typed = dialog.textValue();
        // Refuse what the record cannot carry, and ask again with the entry kept for correction.
        if (static_cast<std::size_t>(typed.size()) > kEntryLimit)
            QMessageBox::warning(m_parent(), fromBytes(title), QString::fromLatin1(kEntryTooLong));
        else if (auto bytes = toBytes(typed))
            return *bytes;
        else
            QMessageBox::warning(m_parent(), fromBytes(title), QString::fromLatin1(kNotSendable));
    }
}

} // namespace vantrel
