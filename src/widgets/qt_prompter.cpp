#include "qt_prompter.h"

#include "display_form.h"

#include <QInputDialog>
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
        bool ok = false;
        typed = QInputDialog::getText(m_parent(), fromBytes(title), fromBytes(prompt), QLineEdit::Normal, typed, &ok);
        if (!ok)
            return {};
        if (auto bytes = toBytes(typed))
            return *bytes;
        // Refuse text the record cannot carry, and ask again with the entry kept for correction.
        QMessageBox::warning(m_parent(), fromBytes(title), QString::fromLatin1(kNotSendable));
    }
}

} // namespace vantrel
