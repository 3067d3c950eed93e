#include "qt_prompter.h"

#include "display_form.h"

#include <QApplication>
#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace vantrel {

int titleWidth(const QString& title)
{
    // The title bar holds the title, the window's icon and its buttons: a
    // dialog narrower than that gets its title cut by the window manager.
    QFont bold = QApplication::font();
    bold.setBold(true);
    return QFontMetrics(bold).horizontalAdvance(title) + 160;
}

namespace {
// A message box sizes itself to its text; a spacer row keeps it as wide as its title needs.
void keepTitleWhole(QMessageBox& box)
{
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(titleWidth(box.windowTitle()), 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                      grid->rowCount(), 0, 1, grid->columnCount());
}
} // namespace

QtPrompter::QtPrompter(std::function<QWidget*()> parent) : m_parent(std::move(parent)) {}

void QtPrompter::message(std::string_view text, std::string_view title)
{
    QMessageBox box(QMessageBox::NoIcon, fromBytes(title), toDisplayForm(text), QMessageBox::Ok, m_parent());
    keepTitleWhole(box);
    box.exec();
}

bool QtPrompter::question(std::string_view text, std::string_view title)
{
    QMessageBox box(QMessageBox::Question, fromBytes(title), toDisplayForm(text), QMessageBox::Yes | QMessageBox::No,
                    m_parent());
    keepTitleWhole(box);
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
        // The entry is as wide as the title needs: the dialog's layout sizes
        // the dialog to its contents.
        if (auto* line = dialog.findChild<QLineEdit*>()) {
            line->setMaxLength(static_cast<int>(kEntryLimit) + 1);
            line->setMinimumWidth(titleWidth(dialog.windowTitle()));
        }
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
