// The OTHER DEVICES window built offscreen through the real start-up: its
// controls and layout, CodeBox feeding CodeNumber, and the window's state
// surviving EXIT and reopening, against the embedded server.
#include "support/running_utility.h"
#include "support/session_rig.h"

#include "app/application.h"
#include "devices/other_devices_form.h"
#include "forecourt/forecourt_server.h"
#include "server/automation_registry.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::devices;
using namespace vantrel::test;

namespace {

struct Started : RunningUtility {
    OtherDevicesForm* open()
    {
        app->mainWindow().button("OTHERDEVICESBUTTON")->click();
        return dynamic_cast<OtherDevicesForm*>(app->windows().window("OtherDevicesForm"));
    }
    void press(OtherDevicesForm* form, const char* name)
    {
        QPushButton* b = form->button(name);
        ASSERT_NE(b, nullptr) << name;
        b->click();
    }
    const std::string& deviceData() { return app->session().box(Box::DeviceData); }
};

// The text after "key=" on its own line of a CR LF separated answer.
std::string valueOf(const std::string& text, const std::string& key)
{
    const auto at = text.find(key + "=");
    if (at == std::string::npos)
        return "(none)";
    const auto start = at + key.size() + 1;
    return text.substr(start, text.find('\r', start) - start);
}

TEST(OtherDevicesWindow, OpensFromTheMainWindowWithItsLayout)
{
    Started s;
    ASSERT_NE(s.app, nullptr);
    OtherDevicesForm* form = s.open();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), "OTHER DEVICES");
    EXPECT_EQ(form->size(), QSize(728, 432));
    EXPECT_EQ(form->parentWidget(), &s.app->mainWindow());
    EXPECT_EQ(form->windowModality(), Qt::WindowModal);
    EXPECT_EQ(form->state().priceSet, 0);
    EXPECT_EQ(form->state().codeNumber, "");

    EXPECT_EQ(form->controls().size(), 24u);
    EXPECT_EQ(form->button("SETPRICEBUTTON")->geometry(), QRect(272, 160, 57, 33));
    EXPECT_EQ(form->button("EXIT_CMD")->geometry(), QRect(8, 400, 73, 25));
    EXPECT_EQ(form->findChild<QLabel*>("WAYNE_CHIP_READER_DISABLE_caption")->text(), " DISABLE_CHIP READER");
    auto* label2 = form->findChild<QLabel*>("Label2");
    ASSERT_NE(label2, nullptr);
    EXPECT_EQ(label2->text(), "WAYNE iXCAT EMV         CONTROL");
    EXPECT_TRUE(label2->wordWrap());
    EXPECT_EQ(form->findChild<QLabel*>("CWCOmmandsLABEL")->text(), "COMMANDS");

    QLineEdit* code = form->codeBox();
    ASSERT_EQ(code, form->findChild<QLineEdit*>("CodeBox"));
    EXPECT_EQ(code->geometry(), QRect(224, 344, 97, 25));
    EXPECT_TRUE(code->text().isEmpty());
    EXPECT_FALSE(code->isReadOnly());

    QPlainTextEdit* data = form->deviceData();
    ASSERT_EQ(data, form->findChild<QPlainTextEdit*>("DeviceData"));
    EXPECT_EQ(data->geometry(), QRect(496, 40, 217, 217));
    EXPECT_TRUE(data->isReadOnly());
    EXPECT_EQ(data->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(data->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(data->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_TRUE(data->toPlainText().isEmpty());
}

TEST(OtherDevicesWindow, KeystrokesInCodeBoxBecomeCodeNumber)
{
    Started s;
    OtherDevicesForm* form = s.open();
    ASSERT_NE(form, nullptr);
    QTest::keyClicks(form->codeBox(), "12");
    EXPECT_EQ(form->state().codeNumber, "12");
    QTest::keyClick(form->codeBox(), Qt::Key_Backspace);
    EXPECT_EQ(form->state().codeNumber, "1");
    form->codeBox()->setText(QString::fromLatin1("9\xE9"));
    EXPECT_EQ(form->state().codeNumber, "9\xE9");
    EXPECT_TRUE(form->state().codeSendable);
}

TEST(OtherDevicesWindow, CodeThatCannotBeSentIsRefusedWithAMessage)
{
    Started s;
    OtherDevicesForm* form = s.open();
    ASSERT_NE(form, nullptr);
    form->codeBox()->setText(QString::fromUtf8("12\u20AC"));
    EXPECT_FALSE(form->state().codeSendable);
    s.app->session().setTextBox("before");
    s.press(form, "CODESTATUS_BUTTON");
    s.press(form, "CANCELCODEBUTTON");
    EXPECT_EQ(s.prompter.messages(), (std::vector<std::string>{kCodeNotSendable, kCodeNotSendable}));
    EXPECT_EQ(s.app->session().textBox(), "before");
}

TEST(OtherDevicesWindow, StateSurvivesExitAndReopening)
{
    Started s;
    OtherDevicesForm* form = s.open();
    ASSERT_NE(form, nullptr);
    form->codeBox()->setText("1234");
    s.press(form, "SETPRICEBUTTON");
    EXPECT_EQ(form->state().priceSet, 1);
    const std::string tableA = s.deviceData();
    EXPECT_TRUE(tableA.starts_with("ProgramCount=03\r\nProgramNumber=01\r\nFullPrice=00500\r\n"));
    const QString shown = form->deviceData()->toPlainText();
    EXPECT_TRUE(shown.startsWith(QString::fromUtf8("ProgramCount=03CR\u2009LF\nProgramNumber=01")));

    s.press(form, "EXIT_CMD");
    EXPECT_FALSE(form->isVisible());

    OtherDevicesForm* again = s.open();
    EXPECT_EQ(again, form);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->codeBox()->text(), "1234");
    EXPECT_EQ(form->state().codeNumber, "1234");
    EXPECT_EQ(form->state().priceSet, 1);
    EXPECT_EQ(form->deviceData()->toPlainText(), shown);
    EXPECT_EQ(s.deviceData(), tableA);

    // The alternation goes on where it was: table B next.
    s.press(form, "SETPRICEBUTTON");
    EXPECT_EQ(form->state().priceSet, 0);
    EXPECT_TRUE(s.deviceData().starts_with("ProgramCount=03\r\nProgramNumber=01\r\nFullPrice=00501\r\n"));
    EXPECT_TRUE(s.prompter.messages().empty());
}

TEST(OtherDevicesWindow, CodeIssuedReadCheckedAndCancelled)
{
    Started s;
    OtherDevicesForm* form = s.open();
    ASSERT_NE(form, nullptr);
    s.press(form, "CWGETCODEBUTTON");
    s.press(form, "CARWASHREADDATABUTTON");
    const std::string code = valueOf(s.deviceData(), "CarWashCode");
    ASSERT_EQ(code.size(), 6u) << s.deviceData();

    QTest::keyClicks(form->codeBox(), QString::fromStdString(code));
    s.press(form, "CODESTATUS_BUTTON");
    s.press(form, "CARWASHREADDATABUTTON");
    EXPECT_EQ(s.deviceData(), "CarWashCode=" + code + "\r\nCodeStatus=Unused");

    s.press(form, "CANCELCODEBUTTON");
    s.press(form, "CARWASHREADDATABUTTON");
    EXPECT_EQ(s.deviceData(), "CarWashCode=" + code + "\r\nCodeStatus=Cancelled");
    s.press(form, "CAR_WASHSTATUSBUTTON");
    EXPECT_EQ(s.deviceData(), "Request=CancelCarWashCode\r\nRequestStatus=Complete");
    EXPECT_TRUE(s.prompter.messages().empty());

    // A code the controller never issued is refused with its number.
    form->codeBox()->setText("1234");
    s.press(form, "CODESTATUS_BUTTON");
    ASSERT_EQ(s.prompter.messages().size(), 1u);
    EXPECT_TRUE(s.prompter.messages()[0].starts_with("Error 1301: ")) << s.prompter.messages()[0];
}

} // namespace
