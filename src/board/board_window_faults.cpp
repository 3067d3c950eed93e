// The board's fault menus: what a right click on a device offers (board_faults.h
// builds the items), the value a fault takes asked for, and the fault sent
// to the site as an action of the session.
#include "board_window.h"

#include "forecourt/fault_command.h"

#include <QAction>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>

namespace vantrel::board {

namespace {
QString q(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

forecourt::FaultCommand device(forecourt::FaultDevice kind, int number = 0, std::string member = {})
{
    forecourt::FaultCommand c;
    c.device = kind;
    c.number = number;
    c.member = std::move(member);
    return c;
}
} // namespace

void BoardWindow::setFault(const std::string& fault)
{
    // A line that does not read (a value typed wrong) is said at once: it
    // is no action, so a saved session holds no line its replay cannot read.
    if (const auto parsed = forecourt::parseFaultCommand(fault); !parsed.command) {
        m_answer->setText("\u26A0 " + q(parsed.reason));
        return;
    }
    send(fault, UserAction::Kind::Fault);
}

std::vector<std::vector<FaultMenuItem>> BoardWindow::faultMenus(const CanvasSpot& spot) const
{
    using forecourt::FaultDevice;
    std::vector<forecourt::FaultCommand> devices;
    switch (spot.kind) {
    case CanvasSpot::Kind::Pump: devices.push_back(device(FaultDevice::Position, spot.number)); break;
    case CanvasSpot::Kind::Reader: devices.push_back(device(FaultDevice::Reader, selectedPosition())); break;
    case CanvasSpot::Kind::Tank: devices.push_back(device(FaultDevice::Tank, spot.number)); break;
    case CanvasSpot::Kind::Wash: devices.push_back(device(FaultDevice::Wash)); break;
    case CanvasSpot::Kind::Sign:
        for (const char* member : kSignMembers)
            devices.push_back(device(FaultDevice::Member, 0, member));
        break;
    case CanvasSpot::Kind::None: break;
    }
    std::vector<std::vector<FaultMenuItem>> menus;
    for (const auto& d : devices)
        menus.push_back(faultMenu(d, m_view.faults));
    return menus;
}

void BoardWindow::showFaultMenu(const CanvasSpot& spot, const QPoint& at)
{
    const auto menus = faultMenus(spot);
    if (menus.empty() || m_offline)
        return;
    QMenu menu(this);
    menu.setObjectName("faultMenu");
    for (const auto& items : menus) {
        if (!menu.isEmpty())
            menu.addSeparator();
        for (const FaultMenuItem& item : items) {
            QAction* action = menu.addAction(q(item.caption));
            const bool clearing = item.fault.rfind("clear", 0) == 0;
            if (clearing) {
                action->setEnabled(item.set); // nothing to clear otherwise
            } else {
                action->setCheckable(true);
                action->setChecked(item.set);
            }
            connect(action, &QAction::triggered, this, [this, item] { chooseFault(item); });
        }
    }
    menu.exec(at);
}

void BoardWindow::chooseFault(const FaultMenuItem& item)
{
    std::string fault = item.fault;
    if (!item.ask.empty()) {
        bool ok = false;
        const QString value =
            QInputDialog::getText(this, "Fault", q(item.ask), QLineEdit::Normal, {}, &ok).simplified();
        if (!ok || value.isEmpty())
            return;
        fault += " " + value.toStdString();
    }
    setFault(fault); // the site says why when the value does not read
}

} // namespace vantrel::board
