// The OTHER DEVICES window: the car wash, tank monitor, price sign and chip
// reader groups, the code box CodeBox and the window's own result box
// DeviceData. Created once, then only hidden and shown, so its state
// (CodeNumber, PriceSET, the two boxes) lives as long as the program.
#pragma once

#include "devices_handlers.h"

#include "widgets/box_binding.h"
#include "widgets/form.h"

#include <memory>

class QLineEdit;
class QPlainTextEdit;

namespace vantrel::devices {

class OtherDevicesForm : public Form {
    Q_OBJECT
public:
    OtherDevicesForm(Session& session, QWidget* owner);
    ~OtherDevicesForm() override;

    const OtherDevicesState& state() const { return m_state; }
    QLineEdit* codeBox() const { return m_codeBox; }
    QPlainTextEdit* deviceData() const { return m_deviceData; }

private:
    OtherDevicesState m_state; // PriceSET is 0 from the moment the window is loaded
    QLineEdit* m_codeBox = nullptr;
    QPlainTextEdit* m_deviceData = nullptr;
    std::unique_ptr<BoxBinding> m_deviceDataBinding;
};

} // namespace vantrel::devices
