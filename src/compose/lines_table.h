// The Lines view of the compose window: the value as key=value lines in a
// table (Key, "=", Value, End), with buttons to add, remove and move lines
// and a box for the NUL at the end. Keys and values are written with the
// script escapes, as in the Text view, so every byte can be typed; the End
// column chooses CR LF, LF or none from a list.
#pragma once

#include "value_views.h"

#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QPushButton;
class QTableWidget;

namespace vantrel::compose {

class LinesTable : public QWidget {
public:
    enum Column { Key, Equals, Value, End, ColumnCount };

    // `edited` is told after every change the technician makes.
    explicit LinesTable(std::function<void()> edited, QWidget* parent = nullptr);
    ~LinesTable() override;

    // Shows the lines; the current cell stays where it was, where it can.
    void setLines(const Lines& lines);
    // The lines the table holds, or nothing with `problem` set ("Line 2,
    // value: unknown escape \q") and the bad cell made current.
    std::optional<Lines> lines(std::string& problem);

    QTableWidget* table() const { return m_table; }
    QCheckBox* finalNul() const { return m_finalNul; }

    void addLine();
    void removeLine();
    void moveLine(int by);

private:
    void setRow(int row, const Line& line);
    void tell();

    std::function<void()> m_edited;
    QTableWidget* m_table = nullptr;
    QCheckBox* m_finalNul = nullptr;
    bool m_filling = false; // the table is being filled, not edited
};

} // namespace vantrel::compose
