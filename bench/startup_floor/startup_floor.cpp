// The floor of start-up: a bare Qt Widgets program with as many controls as
// the utility's main window shows, and nothing of the utility. The main
// window, counted from the running window (children of the window):
//   55 push buttons (QPushButton), 32 radio buttons (the position selector),
//   3 one-line boxes (QLineEdit), 1 multi-line box (QPlainTextEdit; there is
//   no QTextEdit), 90 labels (QLabel: the 55 button captions, 32 selector
//   numbers, 2 headings and the status line), a menu bar of three menus and
//   a status line.
// This program builds the same numbers with plain Qt (no style sheets, no
// control tables), shows the window and ends as soon as the event loop is
// idle, as `vantrel-test --quit-when-idle` does; bench/startup_compare.sh
// times the two side by side.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>

namespace {
constexpr int kPushButtons = 55;
constexpr int kRadioButtons = 32;
constexpr int kLineEdits = 3;
constexpr int kLabels = 90; // the last of them is the status line

// The client area of the main window: 8655 × 7860 twips at 15 a pixel.
constexpr int kWidth = 577;
constexpr int kHeight = 524;

void addMenus(QMenuBar* bar, QMainWindow* window)
{
    struct Menu {
        const char* title;
        int actions;
    };
    for (const Menu& menu : {Menu{"&File", 5}, Menu{"&View", 3}, Menu{"&Help", 5}}) {
        QMenu* m = bar->addMenu(menu.title);
        for (int i = 0; i < menu.actions; ++i)
            m->addAction(QStringLiteral("Action %1").arg(i + 1), window, [] {});
    }
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle("Start-up floor");
    QFont small = window.font();
    small.setPointSize(8);
    window.setFont(small);
    addMenus(window.menuBar(), &window);

    auto* area = new QWidget(&window);
    area->setFixedSize(kWidth, kHeight);
    window.setCentralWidget(area);
    // Small controls in columns, as the main window places them: the boxes
    // on top, the buttons in five columns, the selector and its numbers in
    // two, the other labels below the buttons.
    for (int i = 0; i < kLineEdits; ++i) {
        auto* line = new QLineEdit(area);
        line->setGeometry(8 + 188 * i, 8, 180, 24);
        line->setReadOnly(true);
        line->setText(QStringLiteral("Line %1").arg(i + 1));
    }
    for (int i = 0; i < kPushButtons; ++i) {
        auto* button = new QPushButton(QStringLiteral("Button %1").arg(i + 1), area);
        button->setGeometry(8 + 76 * (i % 5), 40 + 24 * (i / 5), 72, 22);
    }
    for (int i = 0; i < kRadioButtons; ++i) {
        const int column = i / 16, row = i % 16;
        auto* radio = new QRadioButton(area);
        radio->setGeometry(400 + 90 * column, 40 + 24 * row, 17, 17);
        if (i == 0)
            radio->setChecked(true);
        auto* number = new QLabel(QString::number(i + 1), area);
        number->setGeometry(420 + 90 * column, 40 + 24 * row, 17, 17);
    }
    for (int i = 0; i < kLabels - 1 - kRadioButtons; ++i) {
        auto* label = new QLabel(QStringLiteral("Label %1").arg(i + 1), area);
        label->setGeometry(8 + 64 * (i % 6), 312 + 20 * (i / 6), 60, 17);
    }
    auto* box = new QPlainTextEdit(area);
    box->setGeometry(400, 424, 170, 96);
    box->setReadOnly(true);
    window.statusBar()->addWidget(new QLabel("Server: none", &window), 1);

    window.show();
    QTimer::singleShot(0, [] { QApplication::quit(); });
    return app.exec();
}
