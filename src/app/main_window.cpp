#include "main_window.h"

#include "shell_handlers.h"
#include "status_line.h"

#include "fueling/fueling_controls.h"
#include "reader/reader_controls.h"
#include "session/session.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace vantrel {

namespace {
constexpr int kStatusLineHeight = 20;

QLineEdit* makeLine(QWidget* parent, const char* name, const Twips& at)
{
    auto* line = new QLineEdit(parent);
    line->setObjectName(name);
    line->setGeometry(toPixels(at));
    line->setReadOnly(true);
    return line;
}
} // namespace

QString MainWindow::titleFor(const QDate& date)
{
    return QStringLiteral("Vantrel Test Utility  (") + QLocale::system().toString(date, QLocale::ShortFormat) + ")";
}

MainWindow::MainWindow(Session& session, const QString& title)
    : Form(session, QString::fromLatin1(shell::kMainWindow), title, {0, 0, 8655, 7860}, nullptr)
{
    auto* headline = makeLine(this, "Headline", {0, 0, 8535, 360});
    headline->setText("VantrelTest Utility Ver 1508.28");
    headline->setFont(QFont("Tahoma"));
    m_textBox = makeLine(this, "TextBox", {1800, 480, 4935, 375});
    m_pumpNumber = makeLine(this, "TextBoxPumpNumber", {6720, 960, 1695, 285});
    fitText(m_pumpNumber, "Fueling Position -> 32", m_pumpNumber->width() - 8, false);
    m_inBox = new QPlainTextEdit(this);
    m_inBox->setObjectName("InBox");
    m_inBox->setGeometry(toPixels({3960, 1320, 2655, 3255}));
    m_inBox->setReadOnly(true);
    m_inBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_inBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_inBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    addLabel({"FPLabel", "Fueling Position Select", {6720, 600, 1695, 255}, {}});
    auto* authLabel = addLabel({"STATIC_AUTH", "Authorize Options", {4200, 4680, 1935, 255}, {}});
    authLabel->setFont(QFont("MS Sans Serif"));

    session.setTextBox("Function Box");
    m_bindings.push_back(std::make_unique<BoxBinding>(session, Box::TextBox, m_textBox));
    m_bindings.push_back(std::make_unique<BoxBinding>(session, Box::InBox, m_inBox));
    m_bindings.push_back(std::make_unique<BoxBinding>(session, Box::TextBoxPumpNumber, m_pumpNumber));

    // PayOutSale leads the fueling table, so it is first in the tab order.
    addButtons(fueling::mainWindowButtons());
    addButtons(reader::mainWindowButtons());
    addButtons(shell::mainWindowButtons());
    buildSelector();

    addTimer("Timer1", 1000, reader::stressTick);

    // The status line goes below the client area, which keeps its size.
    const int clientHeight = height();
    m_status = new StatusLine(session, this);
    m_status->setGeometry(0, clientHeight, width(), kStatusLineHeight);
    setFixedSize(width(), clientHeight + kStatusLineHeight);
    if (auto* first = button("PayOutSale"))
        setFocusProxy(first);
}

MainWindow::~MainWindow() = default;

void MainWindow::setServerDescription(const QString& description) { m_status->setServer(description); }

void MainWindow::showWaiting(bool waiting, const QString& member)
{
    m_status->setWaiting(waiting, member);
    if (waiting)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void MainWindow::buildSelector()
{
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    for (int n = 1; n <= 32; ++n) {
        const int column = n <= 16 ? 0 : 1;
        const int row = (n - 1) % 16;
        const int top = 1320 + 360 * row;
        auto* radio = new QRadioButton(this);
        radio->setObjectName(QStringLiteral("Button%1").arg(n));
        radio->setGeometry(toPixels({column ? 7800 : 6840, top, 255, 255}));
        radio->installEventFilter(this);
        group->addButton(radio, n);
        connect(radio, &QRadioButton::clicked, this, [this, n] { run([n](Session& s) { shell::selectorClick(s, n); }); });
        m_selector.push_back(radio);
        addLabel({"ButtLab" + std::to_string(n), std::to_string(n), {column ? 8160 : 7200, top, 255, 255}, colours::White})
            ->setAlignment(Qt::AlignCenter);
    }
    m_selector.front()->setChecked(true);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    auto* radio = qobject_cast<QRadioButton*>(watched);
    if (radio) {
        const int n = static_cast<int>(std::find(m_selector.begin(), m_selector.end(), radio) - m_selector.begin()) + 1;
        // Focus that leaves or returns with the whole window (a dialog opening,
        // another application) is no move between controls; only real moves count.
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
                return Form::eventFilter(watched, event);
        }
        switch (event->type()) {
        case QEvent::FocusIn: run([n](Session& s) { shell::selectorGotFocus(s, n); }); break;
        case QEvent::FocusOut: run([n](Session& s) { shell::selectorLostFocus(s, n); }); break;
        case QEvent::MouseButtonDblClick: run([n](Session& s) { shell::selectorDoubleClick(s, n); }); break;
        default: break;
        }
    }
    return Form::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    emit closing();
    Form::closeEvent(event);
}

} // namespace vantrel
