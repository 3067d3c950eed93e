// The manual inside the utility: where the documents are found, how their
// links are followed, and what the window says when there are none.
#include "support/running_utility.h"

#include "app/help_window.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

using namespace vantrel;

namespace {

void write(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

struct LinkCase {
    const char* name;
    const char* from; // below the root
    const char* link;
    HelpLink::Kind kind;
    const char* target; // below the root, or the link itself when it leaves the documentation
};
void PrintTo(const LinkCase& c, std::ostream* os) { *os << c.name; }

class HelpLinks : public ::testing::TestWithParam<LinkCase> {};
TEST_P(HelpLinks, AreFollowedInTheWindowOrOutsideOrSaidMissing)
{
    const auto& c = GetParam();
    QTemporaryDir root;
    write(root.filePath("README.md"), "# Manual\n[scripts](docs/scripts.md)\n");
    write(root.filePath("docs/scripts.md"), "# Scripts\n");
    write(root.filePath("docs/trace.md"), "# Trace\n");
    write(root.filePath("docs/shot.png"), "png");
    const HelpLink got = followLink(QUrl::fromLocalFile(root.filePath(c.from)), QUrl(c.link));
    EXPECT_EQ(got.kind, c.kind);
    switch (c.kind) {
    case HelpLink::Kind::Show:
    case HelpLink::Kind::OpenOutside: {
        const QString target = QString::fromLatin1(c.target);
        const QUrl expected = target.contains(':') ? QUrl(target) : QUrl::fromLocalFile(root.filePath(target));
        EXPECT_EQ(got.url.adjusted(QUrl::RemoveFragment), expected.adjusted(QUrl::RemoveFragment)) << got.url.toString().toStdString();
        EXPECT_EQ(got.url.fragment(), QUrl(c.link).fragment());
        break;
    }
    case HelpLink::Kind::Missing:
        EXPECT_EQ(got.text, QString::fromLatin1(c.link) + " is not part of the documentation here.");
        break;
    }
}
INSTANTIATE_TEST_SUITE_P(
    Links, HelpLinks,
    ::testing::Values(
        LinkCase{"ReadmeToDocs", "README.md", "docs/scripts.md", HelpLink::Kind::Show, "docs/scripts.md"},
        LinkCase{"BetweenDocs", "docs/trace.md", "scripts.md", HelpLink::Kind::Show, "docs/scripts.md"},
        LinkCase{"FragmentKept", "README.md", "docs/trace.md#events", HelpLink::Kind::Show, "docs/trace.md"},
        LinkCase{"UpwardsToTheReadme", "docs/trace.md", "../README.md", HelpLink::Kind::Show, "README.md"},
        LinkCase{"PictureOpensOutside", "README.md", "docs/shot.png", HelpLink::Kind::OpenOutside, "docs/shot.png"},
        LinkCase{"WebOpensOutside", "README.md", "https://example.org/x", HelpLink::Kind::OpenOutside,
                 "https://example.org/x"},
        LinkCase{"SourceNotInstalled", "README.md", "src/dbus/wire_contract.cpp", HelpLink::Kind::Missing, ""},
        LinkCase{"MissingDocument", "docs/trace.md", "nothing.md", HelpLink::Kind::Missing, ""}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

TEST(HelpDocuments, TheFirstRootHoldingTheDocumentWins)
{
    QTemporaryDir first, second;
    write(second.filePath("docs/scripts.md"), "# Scripts\n");
    write(first.filePath("README.md"), "# Manual\n");
    write(second.filePath("README.md"), "# Other\n");
    const QStringList roots{first.path() + "/missing", first.path(), second.path()};
    EXPECT_EQ(findDocument(roots, "docs/scripts.md"), QFileInfo(second.filePath("docs/scripts.md")).absoluteFilePath());
    EXPECT_EQ(findDocument(roots, "README.md"), QFileInfo(first.filePath("README.md")).absoluteFilePath());
    EXPECT_TRUE(findDocument(roots, "docs/trace.md").isEmpty());
    QDir().mkpath(first.filePath("docs/trace.md")); // a folder of that name is no document
    EXPECT_TRUE(findDocument(roots, "docs/trace.md").isEmpty());
}

// Run from the build folder, the utility finds the documents of its sources.
TEST(HelpDocuments, EveryPageOfTheHelpIsFoundFromTheBuildFolder)
{
    for (const char* page : {"README.md", "docs/scripts.md", "docs/trace.md", "docs/dbus.md"})
        EXPECT_FALSE(findDocument(documentationRoots(), page).isEmpty()) << page;
}

TEST(HelpWindowTest, ShowsTheMarkdownAndFollowsItsLinks)
{
    QTemporaryDir root;
    write(root.filePath("README.md"), "# The manual\n\nSee [the scripts](docs/scripts.md).\n");
    write(root.filePath("docs/scripts.md"), "# Scripts\n\n`press NAME` presses a button.\n");
    HelpWindow help({root.path()});
    help.showDocument("README.md");
    EXPECT_TRUE(help.browser()->toPlainText().startsWith("The manual")) << help.browser()->toPlainText().toStdString();
    emit help.browser()->anchorClicked(QUrl("docs/scripts.md"));
    EXPECT_EQ(help.browser()->source(), QUrl::fromLocalFile(QFileInfo(root.filePath("docs/scripts.md")).absoluteFilePath()));
    EXPECT_TRUE(help.browser()->toPlainText().contains("press NAME presses a button."));
    emit help.browser()->anchorClicked(QUrl("gone.md"));
    EXPECT_EQ(help.message(), "gone.md is not part of the documentation here.");
    help.browser()->backward();
    EXPECT_TRUE(help.browser()->toPlainText().startsWith("The manual"));
    EXPECT_FALSE(help.browser()->accessibleName().isEmpty());
}

TEST(HelpWindowTest, SaysWhereItLookedWhenNothingIsInstalled)
{
    HelpWindow help({"/nonexistent/a", "/nonexistent/b"});
    help.showDocument("docs/scripts.md");
    EXPECT_EQ(help.message(),
              "The document docs/scripts.md is not installed here: looked in /nonexistent/a and /nonexistent/b.");
    EXPECT_EQ(help.browser()->toPlainText(), help.message());
}

TEST(HelpWindowTest, EscCloses)
{
    HelpWindow help({"/nonexistent"});
    help.show();
    ASSERT_TRUE(help.isVisible());
    QTest::keyClick(&help, Qt::Key_Escape);
    EXPECT_FALSE(help.isVisible());
}

TEST(HelpWindowTest, F1ShowsTheManualFromTheMainWindow)
{
    vantrel::test::RunningUtility s;
    MainWindow& w = s.app->mainWindow();
    w.findChild<QAction*>("actionManual")->trigger();
    ASSERT_NE(w.helpWindow(), nullptr);
    EXPECT_TRUE(w.helpWindow()->isVisible());
    EXPECT_TRUE(w.helpWindow()->browser()->source().toLocalFile().endsWith("/README.md"));
    EXPECT_TRUE(w.helpWindow()->message().isEmpty());
    w.helpWindow()->close();
}
