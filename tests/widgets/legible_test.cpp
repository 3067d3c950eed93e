// Text colours chosen against their ground, the names a screen reader says,
// and captions set small enough to stay whole.
#include "widgets/form.h"
#include "widgets/legible.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace vantrel {
namespace {

struct GroundCase {
    std::string name;
    QColor ground;
    QColor text; // the colour chosen for text on it
};
class TextOnGround : public ::testing::TestWithParam<GroundCase> {};

TEST_P(TextOnGround, TheTextStandsOutAtLeastThreeToOne)
{
    const auto& c = GetParam();
    EXPECT_EQ(textColourOn(c.ground), c.text);
    EXPECT_GE(contrastRatio(textColourOn(c.ground), c.ground), 3.0);
}

// Every face colour the windows paint, and the dark grounds of a dark theme.
INSTANTIATE_TEST_SUITE_P(
    Faces, TextOnGround,
    ::testing::Values(GroundCase{"Green", QColor(0, 255, 0), Qt::black}, GroundCase{"Yellow", QColor(255, 255, 0), Qt::black},
                      GroundCase{"Magenta", QColor(255, 0, 255), Qt::black}, GroundCase{"Cyan", QColor(0, 255, 255), Qt::black},
                      GroundCase{"Orange", QColor(255, 128, 0), Qt::black}, GroundCase{"DarkCyan", QColor(0, 192, 192), Qt::black},
                      GroundCase{"LightBlue", QColor(128, 128, 255), Qt::black}, GroundCase{"Red", QColor(255, 0, 0), Qt::black},
                      GroundCase{"DarkGreen", QColor(0, 128, 0), Qt::white}, GroundCase{"White", QColor(255, 255, 255), Qt::black},
                      GroundCase{"LightYellow", QColor(255, 255, 128), Qt::black},
                      GroundCase{"DarkGrey", QColor(0x35, 0x35, 0x35), Qt::white}, GroundCase{"Navy", QColor(0, 0, 128), Qt::white}),
    [](const auto& info) { return info.param.name; });

TEST(Contrast, RatiosOfKnownPairs)
{
    EXPECT_NEAR(contrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(contrastRatio(Qt::white, Qt::white), 1.0, 1e-9);
    EXPECT_NEAR(contrastRatio(QColor(255, 0, 0), Qt::black), 5.252, 1e-3);
    EXPECT_NEAR(relativeLuminance(QColor(128, 128, 128)), 0.2159, 1e-4);
}

struct NameCase {
    std::string name;
    QString caption;
    QString said;
};
class NameFromCaption : public ::testing::TestWithParam<NameCase> {};
TEST_P(NameFromCaption, RunsOfBlanksCollapse)
{
    EXPECT_EQ(nameFromCaption(GetParam().caption).toStdString(), GetParam().said.toStdString());
}
INSTANTIATE_TEST_SUITE_P(
    Captions, NameFromCaption,
    ::testing::Values(NameCase{"Plain", "Get Status", "Get Status"},
                      NameCase{"NineBlanks", "WAYNE iXCAT EMV         CONTROL", "WAYNE iXCAT EMV CONTROL"},
                      NameCase{"LeadingBlank", " DISABLE_CHIP READER", "DISABLE_CHIP READER"},
                      NameCase{"LineBreak", "Print\nReceipt1", "Print Receipt1"}, NameCase{"Empty", "", ""}),
    [](const auto& info) { return info.param.name; });

TEST(ControlNames, BoxesAndSelectorButtonsAreNamed)
{
    EXPECT_EQ(nameForControl("Button7").toStdString(), "Fueling position 7");
    EXPECT_EQ(nameForControl("Button32").toStdString(), "Fueling position 32");
    EXPECT_EQ(nameForControl("TextBox").toStdString(), "Description");
    EXPECT_EQ(nameForControl("InBox").toStdString(), "Result");
    EXPECT_EQ(nameForControl("CodeBox").toStdString(), "Code");
    EXPECT_EQ(nameForControl("Price3Blend").toStdString(), "Blend prices");
    EXPECT_FALSE(purposeOfControl("Price3Blend").isEmpty());
    for (const char* other : {"ButtonX", "Button", "Button7a", "Button-7", "MyButton7", "Preset"})
        EXPECT_TRUE(nameForControl(QString::fromLatin1(other)).isEmpty()) << other;
}

struct FitCase {
    std::string name;
    QString text;
    int width;
    bool mayWrap;
};
class FitText : public ::testing::TestWithParam<FitCase> {};

// A caption is set at the largest half point below its own 8 that fits (by
// its widest word where it may wrap), 6 points at the least.
TEST_P(FitText, TakesTheLargestHalfPointThatFits)
{
    const auto& c = GetParam();
    QLabel label;
    QFont own = label.font();
    own.setPointSizeF(8.0);
    label.setFont(own);
    auto widestAt = [&](double size) {
        QFont f = own;
        f.setPointSizeF(size);
        int w = 0;
        for (const QString& part : c.mayWrap ? c.text.split(' ', Qt::SkipEmptyParts) : QStringList{c.text})
            w = std::max(w, QFontMetrics(f).horizontalAdvance(part));
        return w;
    };
    fitText(&label, c.text, c.width, c.mayWrap);
    const double size = label.font().pointSizeF();
    EXPECT_EQ(std::fmod(8.0 - size, 0.5), 0.0) << size;
    EXPECT_GE(size, 6.0);
    if (size > 6.0) {
        EXPECT_LE(widestAt(size), c.width) << size;
    }
    for (double larger = size + 0.5; larger <= 8.0; larger += 0.5)
        EXPECT_GT(widestAt(larger), c.width) << larger;
}

INSTANTIATE_TEST_SUITE_P(
    Captions, FitText,
    ::testing::Values(FitCase{"Fits", QStringLiteral("Stop"), 200, true},
                      FitCase{"PositionLine", QStringLiteral("Fueling Position -> 32"), 105, false},
                      FitCase{"LongWord", QStringLiteral("ClearTopKeyQue"), 60, true},
                      FitCase{"TwoWords", QStringLiteral("Dispenser Info"), 40, true},
                      FitCase{"NoRoom", QStringLiteral("Authorize Options"), 5, false}),
    [](const auto& info) { return info.param.name; });

// A family that is installed is taken; one that is not leaves the face as
// it was, its size too, rather than asking fontconfig for a stand-in.
TEST(FaceFamily, TakenWhereInstalledAndLeftAloneElsewhere)
{
    QLabel label;
    QFont own = label.font();
    own.setPointSizeF(8.0);
    label.setFont(own);
    useFamilyWhereInstalled(&label, QStringLiteral("Vantrel No Such Face"));
    EXPECT_EQ(label.font(), own);
    const QString installed = QFontDatabase::families().value(0);
    ASSERT_FALSE(installed.isEmpty());
    useFamilyWhereInstalled(&label, installed);
    EXPECT_EQ(label.font().families(), QStringList{installed});
    EXPECT_EQ(label.font().pointSizeF(), 8.0);
}

} // namespace
} // namespace vantrel
