#include "byte_picker.h"

#include "value_views.h"

#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantrel::compose {

BytePicker::BytePicker(QWidget* parent) : QDialog(parent)
{
    setObjectName("BytePicker");
    setWindowTitle(QStringLiteral("Insert byte"));
    m_list = new QComboBox;
    m_list->setObjectName("byteList");
    m_list->setAccessibleName(QStringLiteral("Byte"));
    m_list->setEditable(true);
    m_list->setInsertPolicy(QComboBox::NoInsert);
    m_list->completer()->setCompletionMode(QCompleter::PopupCompletion);
    m_list->completer()->setFilterMode(Qt::MatchContains);
    m_list->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    for (unsigned byte = 0; byte <= 0xFF; ++byte) {
        const std::string label = byteLabel(static_cast<unsigned char>(byte));
        m_list->addItem(QString::fromLatin1(label.data(), static_cast<qsizetype>(label.size())));
    }
    m_list->setCurrentIndex(0x1B); // ESC, the control byte typed most
    auto* prompt = new QLabel(QStringLiteral("&Byte (a number 0 to 255, 0x and hex digits, or a name such as ESC):"));
    prompt->setBuddy(m_list);
    m_why = new QLabel;
    m_why->setObjectName("byteProblem");
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QComboBox::editTextChanged, this, &BytePicker::check);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(m_list);
    layout->addWidget(m_why);
    layout->addWidget(m_buttons);
    check();
}

std::optional<unsigned char> BytePicker::chosen() const
{
    const QString text = m_list->currentText();
    // Latin-1: a typed character above 255 names no byte.
    for (const QChar c : text)
        if (c.unicode() > 0xFF)
            return std::nullopt;
    return byteNamed(text.toLatin1().toStdString());
}

void BytePicker::check()
{
    const bool ok = chosen().has_value();
    m_why->setText(ok ? QString() : QStringLiteral("No byte has that name or number"));
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(ok);
}

std::optional<unsigned char> BytePicker::ask(QWidget* parent)
{
    BytePicker picker(parent);
    if (picker.exec() != QDialog::Accepted)
        return std::nullopt;
    return picker.chosen();
}

} // namespace vantrel::compose
