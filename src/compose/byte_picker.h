// Insert byte…: a small dialog that asks for one byte, 0 to 255, chosen
// from a list of all of them ("27  0x1B  ESC") or typed by number, by 0x and
// hex digits, or by its control mark's name ("ESC").
#pragma once

#include <QDialog>

#include <optional>

class QComboBox;
class QDialogButtonBox;
class QLabel;

namespace vantrel::compose {

class BytePicker : public QDialog {
public:
    explicit BytePicker(QWidget* parent = nullptr);
    // The byte the list or the typed text names; nothing for a text that names none.
    std::optional<unsigned char> chosen() const;
    QComboBox* list() const { return m_list; }

    // Shows the dialog; the byte when it was accepted.
    static std::optional<unsigned char> ask(QWidget* parent);

private:
    void check();

    QComboBox* m_list = nullptr;
    QLabel* m_why = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};

} // namespace vantrel::compose
