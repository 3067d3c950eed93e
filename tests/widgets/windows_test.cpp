// Every window of the utility in real use: the names a screen reader says,
// text that stays legible under a dark theme, the keyboard.
#include "support/painted_colours.h"
#include "support/running_utility.h"

#include "app/main_window.h"
#include "app/qt_window_host.h"
#include "inspector/record_inspector.h"
#include "journal/journal_window.h"
#include "widgets/form.h"
#include "widgets/legible.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

namespace vantrel {
namespace {

using test::Painted;
using test::paintedColours;

using test::RunningUtility;

const char* const kSecondaryWindows[] = {"OtherDevicesForm", "KeyEntryForm", "TestFunctionForm", "GraphicsDisplay",
                                         "iXCatTestForm"};

// The main window, every secondary window, the record inspector and the call journal, shown.
std::vector<QWidget*> showEveryWindow(RunningUtility& u)
{
    MainWindow& main = u.app->mainWindow();
    main.show();
    main.button("DispenserInfo")->click(); // the result box and the inspector have text
    std::vector<QWidget*> windows{&main};
    for (const char* name : kSecondaryWindows) {
        u.app->windows().showWindow(name);
        windows.push_back(u.app->windows().window(name));
    }
    main.showInspector();
    windows.push_back(main.inspector());
    main.showJournal();
    windows.push_back(main.journalWindow());
    return windows;
}

bool takesFocus(const QWidget* w)
{
    return (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(w->window());
}

// What a screen reader says for the control: its accessible name, or the text Qt gives it.
QString saidName(QWidget* w)
{
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name) : QString();
}

TEST(AccessibleNames, EveryFocusableControlOfEveryWindowHasOne)
{
    RunningUtility u;
    for (QWidget* window : showEveryWindow(u)) {
        ASSERT_NE(window, nullptr);
        for (QWidget* w : window->findChildren<QWidget*>())
            if (takesFocus(w) && w->window() == window && !qobject_cast<QComboBox*>(w->parentWidget())) {
                EXPECT_FALSE(saidName(w).trimmed().isEmpty())
                    << window->objectName().toStdString() << "/" << w->objectName().toStdString() << " ("
                    << w->metaObject()->className() << ") has no accessible name";
            }
    }
    MainWindow& main = u.app->mainWindow();
    EXPECT_EQ(main.selectorButton(7)->accessibleName().toStdString(), "Fueling position 7");
    EXPECT_EQ(main.textBox()->accessibleName().toStdString(), "Description");
    EXPECT_EQ(main.inBox()->accessibleName().toStdString(), "Result");
    EXPECT_EQ(u.app->windows().window("OtherDevicesForm")->findChild<QWidget*>("CodeBox")->accessibleName().toStdString(),
              "Code");
    EXPECT_EQ(u.app->windows().window("OtherDevicesForm")->button("WAYNE_CHIP_READER_DISABLE")->accessibleName().toStdString(),
              "DISABLE_CHIP READER");
}


QString shownText(QWidget* w)
{
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    if (auto* line = qobject_cast<QLineEdit*>(w))
        return line->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return button->text();
    if (auto* box = qobject_cast<QPlainTextEdit*>(w))
        return box->toPlainText();
    return {};
}

QPalette darkPalette()
{
    QPalette dark;
    const QColor window(0x35, 0x35, 0x35), base(0x2a, 0x2a, 0x2a);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Base, base);
    dark.setColor(QPalette::AlternateBase, window);
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::Button, window);
    dark.setColor(QPalette::ButtonText, Qt::white);
    dark.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    dark.setColor(QPalette::HighlightedText, Qt::black);
    dark.setColor(QPalette::ToolTipBase, base);
    dark.setColor(QPalette::ToolTipText, Qt::white);
    return dark;
}

// A dark theme for the length of a test.
struct DarkTheme {
    QString style = QApplication::style()->name();
    QPalette palette = QApplication::palette();
    DarkTheme()
    {
        QApplication::setStyle(QStyleFactory::create("Fusion"));
        QApplication::setPalette(darkPalette());
    }
    ~DarkTheme()
    {
        QApplication::setStyle(QStyleFactory::create(style));
        QApplication::setPalette(palette);
    }
};

TEST(DarkTheme, EveryTextOfEveryWindowStandsOutFromItsGround)
{
    DarkTheme dark;
    RunningUtility u;
    const auto windows = showEveryWindow(u);
    // The focused position's red label, and a visited one's light yellow.
    MainWindow& main = u.app->mainWindow();
    main.selectorFocusIn(3);
    main.selectorFocusIn(5);
    int checked = 0;
    for (QWidget* window : windows)
        for (QWidget* w : window->findChildren<QWidget*>()) {
            const QString text = shownText(w).trimmed();
            if (text.isEmpty() || !w->isVisibleTo(window) || w->width() < 8 || w->height() < 8)
                continue;
            const Painted p = paintedColours(w);
            ++checked;
            EXPECT_GE(contrastRatio(p.text, p.ground), 3.0)
                << window->objectName().toStdString() << "/" << w->objectName().toStdString() << " \""
                << text.left(20).toStdString() << "\": " << p.text.name().toStdString() << " on "
                << p.ground.name().toStdString();
        }
    EXPECT_GT(checked, 150);
    // The check sees a text lost on its ground: a label that paints a white
    // ground and leaves its text to the dark theme.
    QLabel lost(QStringLiteral("17"), u.app->windows().window("OtherDevicesForm"));
    lost.setStyleSheet(QStringLiteral("background-color: white;"));
    lost.setGeometry(4, 4, 40, 24);
    lost.show();
    EXPECT_LT(contrastRatio(paintedColours(&lost).text, paintedColours(&lost).ground), 1.5);
    // The selector's numbers: black on white, on red while focused, on light yellow after.
    EXPECT_EQ(paintedColours(main.findChild<QLabel*>("ButtLab1")).ground, QColor(Qt::white));
    EXPECT_EQ(paintedColours(main.findChild<QLabel*>("ButtLab5")).ground, QColor(Qt::red));
    EXPECT_EQ(paintedColours(main.findChild<QLabel*>("ButtLab3")).ground, QColor(255, 255, 128));
}

// What the first window does not show is made when it is first asked for:
// the record inspector's views (it follows the calls meanwhile), the result
// box's fixed-width face with its first text.
TEST(StartUp, MakesWhatTheMainWindowDoesNotShowWhenFirstAskedFor)
{
    RunningUtility u;
    MainWindow& main = u.app->mainWindow();
    main.show();
    const QFont ownFace = main.inBox()->font();
    EXPECT_FALSE(main.inspector()->viewsMade());
    main.button("DispenserInfo")->click();
    EXPECT_FALSE(main.inspector()->viewsMade());
    EXPECT_NE(main.inBox()->font(), ownFace);
    main.showInspector();
    EXPECT_TRUE(main.inspector()->viewsMade());
    // Shown, it draws the call it kept while it had no views.
    EXPECT_NE(main.inspector()->header(), QStringLiteral("No call yet"));
    EXPECT_EQ(main.inspector()->findChild<QLabel*>("header")->text(), main.inspector()->header());
}

// Coloured faces without a style sheet (a style sheet gives each widget a
// style of its own, at a price the start-up pays for every one): a label's
// ground and text from its palette, a button's face painted by the button,
// in its colour, a shade darker while held down, its caption in black or
// white; a colour given again repaints it.
TEST(PaintedFaces, InTheirColourWithTheirTextAndNoStyleSheet)
{
    const QColor red(255, 0, 0);
    QLabel label(QStringLiteral("7"));
    paintButton(&label, colours::Red);
    EXPECT_TRUE(label.styleSheet().isEmpty());
    EXPECT_TRUE(label.autoFillBackground());
    EXPECT_EQ(label.palette().color(QPalette::Window), red);
    EXPECT_EQ(label.palette().color(QPalette::WindowText), textColourOn(red));

    RunningUtility u;
    MainWindow& main = u.app->mainWindow();
    main.show();
    struct Face {
        const char* button;
        QColor face, text;
    };
    for (const Face& f : {Face{"Fillup", QColor(0, 255, 0), Qt::black}, Face{"NewPreset", QColor(0, 192, 192), Qt::black},
                          Face{"STRESS_BUTTON", QColor(255, 0, 255), Qt::black}}) {
        auto* button = main.findChild<QPushButton*>(f.button);
        ASSERT_NE(button, nullptr) << f.button;
        auto* caption = button->findChild<QLabel*>();
        ASSERT_NE(caption, nullptr) << f.button;
        EXPECT_TRUE(button->styleSheet().isEmpty() && caption->styleSheet().isEmpty()) << f.button;
        // The text's colour as drawn, its edges smoothed: within a shade of black or white.
        const auto shown = paintedColours(button);
        EXPECT_EQ(shown.ground.name(), f.face.name()) << f.button;
        EXPECT_LT(contrastRatio(shown.text, f.text), 1.1) << f.button << " " << shown.text.name().toStdString();
        button->setDown(true);
        EXPECT_EQ(paintedColours(button).ground.name(), f.face.darker(115).name()) << f.button;
        button->setDown(false);
    }
    auto* stress = main.findChild<QPushButton*>("STRESS_BUTTON");
    paintButton(stress, colours::DarkGreen);
    EXPECT_EQ(paintedColours(stress).ground.name(), QColor(0, 128, 0).name());
    EXPECT_LT(contrastRatio(paintedColours(stress).text, Qt::white), 1.1);
}

// The focus as Tab moves it from the first focus.
std::vector<std::string> tabStops(int presses)
{
    std::vector<std::string> stops;
    for (int i = 0; i < presses; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        stops.push_back(QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "");
    }
    return stops;
}

TEST(Keyboard, TabFollowsTheColumnsAndReachesTheSelectorRightAfterPayOutSale)
{
    RunningUtility u;
    MainWindow& main = u.app->mainWindow();
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    ASSERT_EQ(QApplication::focusWidget(), main.button("PayOutSale"))
        << QApplication::focusWidget()->objectName().toStdString() << " " << QApplication::focusWidget()->metaObject()->className();
    const auto stops = tabStops(60);
    EXPECT_EQ(stops[0], "Button1"); // one press from the first focus to the selector
    const std::vector<std::string> columns{"SelfTestStart", "SelfTestStatus", "OTHERDEVICESBUTTON", "SystemVersions",
                                           "DispenserInfo", "ReaderInfo", "TEST_FUNCTION_BUTTON", "KeyEntryTypeButton"};
    EXPECT_EQ(std::vector<std::string>(stops.begin() + 1, stops.begin() + 9), columns);
    const auto at = [&](const char* name) { return std::find(stops.begin(), stops.end(), name) - stops.begin(); };
    EXPECT_LT(at("PrintReceipt2"), at("TextBox"));
    EXPECT_LT(at("TextBox"), at("WindowControl"));
    EXPECT_LT(at("ClearCashEntry"), at("InBox"));
    EXPECT_LT(at("InBox"), at("Fillup"));
    // Every stop once, and round to PayOutSale again: 58 stops, the 55 buttons, the selector and the two result boxes.
    EXPECT_EQ(at("PayOutSale"), 57);
    EXPECT_EQ(std::set<std::string>(stops.begin(), stops.begin() + 58).size(), 58u);
}

TEST(Keyboard, EnterAndReturnPressTheFocusedButton)
{
    RunningUtility u;
    MainWindow& main = u.app->mainWindow();
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    main.button("DispenserInfo")->setFocus();
    QTest::keyClick(main.button("DispenserInfo"), Qt::Key_Return);
    EXPECT_EQ(u.app->journal().size(), 1u);
    main.button("SystemVersions")->setFocus();
    QTest::keyClick(main.button("SystemVersions"), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(u.app->journal().size(), 2u);
    // On the selector, Enter selects the focused position as Space does.
    main.selectorButton(12)->setFocus();
    QTest::keyClick(main.selectorButton(12), Qt::Key_Return);
    EXPECT_EQ(u.app->session().fpText(), "12");
    // A modifier makes it no press.
    main.button("DispenserInfo")->setFocus();
    const auto before = u.app->journal().size();
    QTest::keyClick(main.button("DispenserInfo"), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(u.app->journal().size(), before);
}

TEST(Keyboard, TheInspectorAndJournalShortcutsWorkFromAModalWindow)
{
    RunningUtility u;
    MainWindow& main = u.app->mainWindow();
    main.show();
    u.app->windows().showWindow("OtherDevicesForm");
    QWidget* devices = u.app->windows().window("OtherDevicesForm");
    devices->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(devices));
    QTest::keyClick(devices, Qt::Key_I, Qt::ControlModifier);
    EXPECT_TRUE(main.inspector()->isVisible());
    // From the iX CAT window too, opened over Test Functions.
    u.app->windows().hideWindow("OtherDevicesForm");
    main.inspector()->hide();
    u.app->windows().showWindow("TestFunctionForm");
    u.app->windows().showWindow("iXCatTestForm");
    QWidget* ixcat = u.app->windows().window("iXCatTestForm");
    ixcat->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == ixcat; }));
    QTest::keyClick(ixcat, Qt::Key_J, Qt::ControlModifier);
    ASSERT_NE(main.journalWindow(), nullptr);
    EXPECT_TRUE(main.journalWindow()->isVisible());
}

} // namespace
} // namespace vantrel
