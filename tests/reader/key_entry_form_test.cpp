// The KeyEntryForm window built offscreen: caption, colours, captions with
// their blanks, the two-column arrangement, and a press end to end through
// the started utility.
#include "press.h"

#include "app/application.h"
#include "forecourt/forecourt_server.h"
#include "reader/key_entry_form.h"
#include "server/automation_registry.h"
#include "support/painted_colours.h"
#include "support/running_utility.h"
#include "support/session_rig.h"
#include "widgets/window_catalog.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::test;

namespace {

struct FormCase {
    std::string control, caption;
    std::optional<Bgr> colour;
};

class KeyEntryFormButtonTest : public ::testing::TestWithParam<FormCase> {};

TEST_P(KeyEntryFormButtonTest, CaptionAndColour)
{
    SessionRig rig;
    reader::KeyEntryForm form(rig.session, nullptr);
    const auto& c = GetParam();
    auto* button = form.button(c.control);
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isEnabled());
    auto* caption = form.findChild<QLabel*>(QString::fromStdString(c.control + "_caption"));
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->text().toStdString(), c.caption);
    // A coloured button shows its colour; the others the style's grey.
    const QColor ground = paintedColours(button).ground;
    if (c.colour)
        EXPECT_EQ(ground.name(), QColor(c.colour->red(), c.colour->green(), c.colour->blue()).name());
    else
        EXPECT_EQ(ground.hsvSaturation(), 0) << ground.name().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, KeyEntryFormButtonTest,
    ::testing::Values(FormCase{"NUM_NO_ECHO_BUTTON", "      NUM       NO ECHO", colours::Green},
                      FormCase{"NUM_ECHO_BUTTON", "   NUM      ECHO", colours::Green},
                      FormCase{"NUM_NO_ECHO_N_CUR_BUTTON", "     NUM      NO ECHO NO CUR", std::nullopt},
                      FormCase{"NUM_ECHO_N_CUR_BUTTON", "     NUM             ECHO       NO CUR", std::nullopt},
                      FormCase{"DES_BUTTON", "DES", std::nullopt},
                      FormCase{"DES_NO_CUR_BUTTON", "    DES      NO CUR", std::nullopt},
                      FormCase{"ALPHA_AND_NUM_BUTTON", "    ALPHA  AND NUM", colours::Cyan},
                      FormCase{"ALPHA_NUM_ONLY_BUTTON", "  ALPHA   NUM ONLY", colours::Cyan},
                      FormCase{"ALPHA_ONLY_BUTTON", "ALPHA ONLY", colours::Cyan},
                      FormCase{"FUNC_KEY", "FUNC", colours::Orange},
                      FormCase{"SECURE_PROMPT", "SECURE PROMPT", colours::LightBlue}),
    [](const auto& info) { return info.param.control; });

TEST(KeyEntryFormWindow, CaptionBackColourAndEleven)
{
    SessionRig rig;
    reader::KeyEntryForm form(rig.session, nullptr);
    EXPECT_EQ(form.objectName(), "KeyEntryForm");
    EXPECT_EQ(form.windowTitle(), "Key Entry Type");
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(255, 255, 0));
    EXPECT_TRUE(form.autoFillBackground());
    EXPECT_EQ(form.controls().size(), 11u);
}

TEST(KeyEntryFormWindow, TwoColumnsWithFuncAloneOnTop)
{
    SessionRig rig;
    reader::KeyEntryForm form(rig.session, nullptr);
    auto geometry = [&](const char* name) { return form.button(name)->geometry(); };
    const std::pair<const char*, const char*> rows[] = {
        {"NUM_NO_ECHO_BUTTON", "NUM_ECHO_BUTTON"},
        {"NUM_NO_ECHO_N_CUR_BUTTON", "NUM_ECHO_N_CUR_BUTTON"},
        {"DES_BUTTON", "DES_NO_CUR_BUTTON"},
        {"ALPHA_AND_NUM_BUTTON", "ALPHA_NUM_ONLY_BUTTON"},
        {"ALPHA_ONLY_BUTTON", "SECURE_PROMPT"},
    };
    int above = geometry("FUNC_KEY").bottom();
    const int left = geometry(rows[0].first).x();
    const int right = geometry(rows[0].second).x();
    EXPECT_LT(geometry(rows[0].first).right(), right);
    for (const auto& [l, r] : rows) {
        EXPECT_EQ(geometry(l).x(), left) << l;
        EXPECT_EQ(geometry(r).x(), right) << r;
        EXPECT_EQ(geometry(l).y(), geometry(r).y()) << l << " beside " << r;
        EXPECT_GT(geometry(l).y(), above) << l;
        above = geometry(l).bottom();
    }
    for (const auto& spec : form.controls())
        EXPECT_TRUE(form.rect().contains(geometry(spec.name.c_str()))) << spec.name;
}

TEST(KeyEntryFormWindow, RegisteredUnderTheMainWindow)
{
    WindowCatalog catalog;
    reader::registerWindows(catalog);
    const WindowFactory* factory = catalog.find("KeyEntryForm");
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->owner, "VantrelTest");
}

TEST(KeyEntryFormWindow, OpenedByKeyEntryTypeButtonAndHiddenAfterAPress)
{
    test::RunningUtility utility;
    auto& app = utility.app;
    ASSERT_NE(app, nullptr);
    app->mainWindow().button("KeyEntryTypeButton")->click();
    Form* form = app->windows().window("KeyEntryForm");
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->parentWidget(), &app->mainWindow());
    form->button("DES_BUTTON")->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(app->session().inBox(), lit("ReaderPosition=01\r\nEntryMode=DESEncryption\r\n\0"));
    auto& server = dynamic_cast<forecourt::ForecourtServer&>(app->server());
    EXPECT_EQ(server.readers().reader(1).entryMode, "DESEncryption");
    // Shown again, the same window comes back.
    app->mainWindow().button("KeyEntryTypeButton")->click();
    EXPECT_EQ(app->windows().window("KeyEntryForm"), form);
    EXPECT_TRUE(form->isVisible());
    form->button("ALPHA_ONLY_BUTTON")->click();
    EXPECT_FALSE(form->isVisible());
}

} // namespace
