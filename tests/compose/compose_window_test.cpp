// The compose window in the whole utility, against the embedded forecourt:
// opened from the File menu, a call typed and sent, a failing one, edit and
// resend from the journal and the inspector, a value that cannot be sent,
// and the saved session that repeats what was sent.
#include "support/running_utility.h"

#include "app/main_window.h"
#include "compose/compose_window.h"
#include "compose/lines_table.h"
#include "compose/member_list.h"
#include "compose/value_editor.h"
#include "dbus/introspection.h"
#include "inspector/record_inspector.h"
#include "journal/call_journal.h"
#include "journal/journal_window.h"
#include "session/raw_call.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace vantrel;
using namespace std::string_literals;

namespace {

struct Composing : ::testing::Test {
    test::RunningUtility utility;
    MainWindow& main = utility.app->mainWindow();
    compose::ComposeWindow* window = nullptr;

    void SetUp() override
    {
        // The utility lists the embedded forecourt's members by itself.
        main.findChild<QAction*>("actionNewCall")->trigger();
        window = main.composeWindow();
        ASSERT_NE(window, nullptr);
    }
    template <class W>
    W* child(const char* name) const
    {
        return window->findChild<W*>(name);
    }
    void choose(const char* kind, const char* type, const QString& member)
    {
        child<QComboBox>("kind")->setCurrentText(QString::fromLatin1(kind));
        child<QComboBox>("type")->setCurrentText(QString::fromLatin1(type));
        QComboBox* members = child<QComboBox>("member");
        members->setFocus();
        members->lineEdit()->selectAll();
        QTest::keyClicks(members->lineEdit(), member);
    }
    std::string boxes() const
    {
        const Session& s = utility.app->session();
        return s.box(Box::TextBox) + "|" + s.box(Box::InBox) + "|" + s.box(Box::TextBoxPumpNumber);
    }
};

TEST_F(Composing, OpensBesideTheMainWindowWithTheServersMembers)
{
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->objectName(), "ComposeWindow");
    QComboBox* members = child<QComboBox>("member");
    EXPECT_EQ(static_cast<std::size_t>(members->count()), compose::embeddedMembers().size());
    // A member chosen from the list brings its kind and type.
    const int price = members->findText("FuelingPositionInformation");
    ASSERT_GE(price, 0);
    members->setCurrentIndex(price);
    emit members->activated(price);
    EXPECT_EQ(child<QComboBox>("kind")->currentText(), "get");
    EXPECT_EQ(child<QComboBox>("type")->currentText(), "int16");
    const QRect inBox(main.inBox()->mapToGlobal(QPoint(0, 0)), main.inBox()->size());
    EXPECT_FALSE(window->frameGeometry().intersects(inBox));
}

// A server on D-Bus lists the members it announces: the introspection the
// service serves gives the same members, kinds and types as the embedded table.
TEST(ComposeMembers, AServersIntrospectionListsWhatTheEmbeddedTableDoes)
{
    const auto members = forecourt::ForecourtServer::members();
    EXPECT_EQ(compose::membersFromIntrospection(dbus::introspectDocument(members, {true, true})),
              compose::embeddedMembers());
    EXPECT_TRUE(compose::membersFromIntrospection(QStringLiteral("<node><interface")).empty());
}

TEST_F(Composing, EveryFieldHasANameAndTheWindowFitsBesideTheMainWindowOnALaptop)
{
    for (QWidget* field : window->findChildren<QWidget*>()) {
        const bool named = qobject_cast<QComboBox*>(field) || qobject_cast<QPlainTextEdit*>(field) ||
                           qobject_cast<QTableWidget*>(field) || qobject_cast<QLineEdit*>(field);
        if (named && !qobject_cast<QComboBox*>(field->parentWidget())) {
            EXPECT_FALSE(field->accessibleName().isEmpty()) << field->objectName().toStdString();
        }
        if (named || qobject_cast<QPushButton*>(field)) {
            EXPECT_TRUE(field->focusPolicy() & Qt::TabFocus) << field->objectName().toStdString();
        }
    }
    // 1366 x 768, less the main window beside it and a title bar.
    const QSize least = window->minimumSizeHint();
    EXPECT_LE(least.width(), 1366 - main.frameGeometry().width()) << least.width();
    EXPECT_LE(least.height(), 768 - 40) << least.height();
    // The hex preview shows whole lines, its text column included, in a window as narrow as a laptop leaves.
    window->resize(1366 - main.frameGeometry().width(), window->height());
    QApplication::processEvents();
    QPlainTextEdit* hex = child<QPlainTextEdit>("previewHex");
    EXPECT_LE(hex->fontMetrics().horizontalAdvance(QString(RecordInspector::kHexLineLength, QLatin1Char('0'))),
              hex->viewport()->width());
}

TEST_F(Composing, TheThreeViewsStayInStepAndThePreviewShowsEveryByte)
{
    choose("put", "string", "DisplayData");
    compose::ValueEditor* editor = window->editor();
    QTest::keyClicks(editor->textView(), "ReaderPosition=01\\r");
    QTest::keyClick(editor->textView(), Qt::Key_Return); // Enter types \n
    QTest::keyClicks(editor->textView(), "X=\\x1B\\0");
    const std::string sent = "ReaderPosition=01\r\nX=\x1B\0"s;
    EXPECT_EQ(editor->bytes(), sent);
    EXPECT_EQ(child<QLabel>("byteCount")->text(), "Goes out: 23 bytes");
    EXPECT_TRUE(child<QPlainTextEdit>("previewHex")->toPlainText().startsWith("00000000  52 65 61 64"));
    EXPECT_TRUE(child<QPlainTextEdit>("previewText")->toPlainText().contains("ESC"));

    editor->tabs()->setCurrentWidget(editor->hexView());
    EXPECT_EQ(editor->hexView()->toPlainText(), "52 65 61 64 65 72 50 6F 73 69 74 69 6F 6E 3D 30\n31 0D 0A 58 3D 1B 00");
    editor->tabs()->setCurrentWidget(editor->linesView());
    QTableWidget* table = editor->linesView()->table();
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(0, compose::LinesTable::Key)->text(), "ReaderPosition");
    EXPECT_EQ(table->item(0, compose::LinesTable::End)->text(), "CR LF");
    EXPECT_EQ(table->item(1, compose::LinesTable::Value)->text(), "\\x1B");
    EXPECT_TRUE(editor->linesView()->finalNul()->isChecked());
    // Edited as lines: no NUL at the end, the first line ended by LF alone, a line added.
    editor->linesView()->finalNul()->setChecked(false);
    table->item(0, compose::LinesTable::End)->setText("LF");
    table->setCurrentCell(1, compose::LinesTable::Key);
    editor->linesView()->addLine();
    ASSERT_EQ(table->rowCount(), 3);
    table->item(2, compose::LinesTable::Key)->setText("Y");
    table->item(2, compose::LinesTable::Value)->setText("\\r");
    editor->linesView()->moveLine(-1);
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(editor->bytes(), "ReaderPosition=01\nY=\r\r\nX=\x1B\r\n"s);
    editor->tabs()->setCurrentWidget(editor->textView());
    EXPECT_EQ(editor->textView()->toPlainText(), "ReaderPosition=01\\n\nY=\\r\\r\\n\nX=\\x1B\\r\\n\n");
}

TEST_F(Composing, SendsThroughTheJournalAndLeavesTheBoxesAsTheyWere)
{
    const std::string before = boxes();
    const std::size_t rows = utility.app->journal().size();
    choose("get", "int16", "FuelingPositionInformation");
    QTest::keyClicks(child<QLineEdit>("typedValue"), "7");
    ASSERT_TRUE(window->canSend()) << window->problem().toStdString();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(child<QLineEdit>("typedValue"), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_EQ(utility.app->journal().size(), rows + 1);
    const journal::JournalEntry& row = utility.app->journal().at(rows);
    EXPECT_EQ(row.call.window, "ComposeWindow");
    EXPECT_EQ(row.call.member, "FuelingPositionInformation");
    EXPECT_EQ(row.call.argument, Value::int16(7));
    EXPECT_EQ(boxes(), before);
    EXPECT_TRUE(window->result()->header().startsWith("get FuelingPositionInformation(7)"));
    EXPECT_FALSE(window->result()->textView()->toPlainText().isEmpty());

    // The saved session makes the same call again.
    QTemporaryDir dir;
    QString reason;
    ASSERT_TRUE(main.saveSessionAs(dir.filePath("s.vts"), reason)) << reason.toStdString();
    QFile saved(dir.filePath("s.vts"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().contains("\nget FuelingPositionInformation int16 7\n"));
}

TEST_F(Composing, AFailingCallShowsItsErrorInTheWindowAndTheUtilityGoesOn)
{
    choose("get", "int16", "FuelingPositionInformation");
    QTest::keyClicks(child<QLineEdit>("typedValue"), "40");
    EXPECT_TRUE(window->send());
    EXPECT_TRUE(window->result()->error().startsWith("Error ")) << window->result()->error().toStdString();
    EXPECT_TRUE(window->result()->error().contains(": "));
    // The next call goes out and clears the error.
    child<QLineEdit>("typedValue")->setText("3");
    EXPECT_TRUE(window->send());
    EXPECT_EQ(window->result()->error(), "");
}

TEST_F(Composing, AValueThatCannotBeSentIsMarkedAndNothingGoesOut)
{
    choose("put", "string", "DisplayData");
    compose::ValueEditor* editor = window->editor();
    editor->tabs()->setCurrentWidget(editor->hexView());
    QTest::keyClicks(editor->hexView(), "41 4G");
    EXPECT_FALSE(child<QPushButton>("send")->isEnabled());
    EXPECT_EQ(child<QLabel>("problemLine")->text(), "Hex, at character 5: \"G\" is no hexadecimal digit (0 to 9, A to F)");
    const auto marks = editor->hexView()->extraSelections();
    ASSERT_FALSE(marks.isEmpty());
    EXPECT_EQ(marks.front().cursor.selectionStart(), 4);
    EXPECT_EQ(marks.front().cursor.selectionEnd(), 5);
    const std::size_t rows = utility.app->journal().size();
    EXPECT_FALSE(window->send());
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(editor->hexView(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(utility.app->journal().size(), rows);
    // Put right, it can go.
    QTest::keyClick(editor->hexView(), Qt::Key_Backspace);
    QTest::keyClicks(editor->hexView(), "2");
    EXPECT_TRUE(child<QPushButton>("send")->isEnabled());
    EXPECT_EQ(editor->bytes(), "AB");

    // A member name with a blank and an int16 out of range are marked too.
    choose("put", "int16", "Tank Monitor");
    EXPECT_TRUE(window->problem().contains("is not a member name")) << window->problem().toStdString();
    choose("put", "int16", "TankMonitorStartReport");
    QTest::keyClicks(child<QLineEdit>("typedValue"), "40000");
    EXPECT_TRUE(window->problem().startsWith("int16 takes a whole number")) << window->problem().toStdString();
    EXPECT_FALSE(child<QPushButton>("send")->isEnabled());
}

TEST_F(Composing, EditAndResendFromAJournalRowAndTheInspectorFillsTheWindow)
{
    const std::string record = "ReaderPosition=01\r\nDisplayData=HELLO\r\n\0"s;
    rawCall(utility.app->session(), Access::Put, "DisplayData", Value::string(record));
    main.showJournal();
    journal::JournalWindow* journal = main.journalWindow();
    QTreeView* rows = journal->view();
    rows->setCurrentIndex(rows->model()->index(rows->model()->rowCount() - 1, 0));
    journal->findChild<QAction*>("actionEditAndResend")->trigger();
    EXPECT_EQ(child<QComboBox>("member")->currentText(), "DisplayData");
    EXPECT_EQ(child<QComboBox>("kind")->currentText(), "put");
    EXPECT_EQ(child<QComboBox>("type")->currentText(), "string");
    EXPECT_EQ(window->editor()->bytes(), record);
    EXPECT_EQ(window->editor()->textView()->toPlainText(),
              "ReaderPosition=01\\r\\n\nDisplayData=HELLO\\r\\n\n\\0");

    rawCall(utility.app->session(), Access::Get, "FuelingPositionInformation", Value::int16(5));
    ASSERT_TRUE(main.inspector()->editAndResend()) << main.inspector()->copyNote().toStdString();
    EXPECT_EQ(child<QComboBox>("kind")->currentText(), "get");
    EXPECT_EQ(child<QLineEdit>("typedValue")->text(), "5");
    ASSERT_TRUE(window->copyScriptLine());
    EXPECT_EQ(QApplication::clipboard()->text(), "get FuelingPositionInformation int16 5");
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(Composing, ARowWhoseValueWasKeptOnlyInPartIsNotOpened)
{
    const std::string huge(journal::CallJournal::kValueLimit + 10, 'A');
    rawCall(utility.app->session(), Access::Put, "PrintOutput", Value::string(huge));
    window->compose(compose::composedFrom(Access::Get, "CardQue", std::nullopt));
    main.showJournal();
    journal::JournalWindow* journal = main.journalWindow();
    QTreeView* rows = journal->view();
    rows->setCurrentIndex(rows->model()->index(rows->model()->rowCount() - 1, 0));
    EXPECT_FALSE(journal->editAndResend());
    EXPECT_TRUE(journal->note().startsWith("Not opened: only the first bytes of the value sent were kept"))
        << journal->note().toStdString();
    EXPECT_EQ(child<QComboBox>("member")->currentText(), "CardQue");
}

} // namespace
