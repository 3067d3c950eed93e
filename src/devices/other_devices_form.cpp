#include "other_devices_form.h"

#include "widgets/display_form.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace vantrel::devices {

OtherDevicesForm::OtherDevicesForm(Session& session, QWidget* owner)
    : Form(session, QString::fromLatin1(kOtherDevicesWindow), QString::fromLatin1(kOtherDevicesCaption),
           {0, 0, 10920, 6480}, owner)
{
    for (const auto& label : otherDevicesLabels())
        addLabel(label);

    m_codeBox = new QLineEdit(this);
    m_codeBox->setObjectName("CodeBox");
    m_codeBox->setGeometry(toPixels({3360, 5160, 1455, 375}));
    // One character past the entry limit still goes in, so that an entry too
    // long is refused with a message instead of being cut without a word.
    m_codeBox->setMaxLength(static_cast<int>(kEntryLimit) + 1);
    // Every change of the box, a keystroke or a script's text, becomes CodeNumber.
    connect(m_codeBox, &QLineEdit::textChanged, this, [this](const QString& text) { m_state.codeChanged(toBytes(text)); });

    m_deviceData = new QPlainTextEdit(this);
    m_deviceData->setObjectName("DeviceData");
    m_deviceData->setGeometry(toPixels({7440, 600, 3255, 3255}));
    m_deviceData->setReadOnly(true);
    m_deviceData->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_deviceData->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_deviceData->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_deviceDataBinding = std::make_unique<BoxBinding>(session, Box::DeviceData, m_deviceData);

    addButtons(otherDevicesButtons(m_state));
}

OtherDevicesForm::~OtherDevicesForm() = default;

} // namespace vantrel::devices
