// Values of megabytes in the views: every box keeps its bound and its widget
// lays out only its newest part, the inspector keeps and shows a bounded copy,
// the journal's cells say what was not kept, and every copy of a partial
// value says it is partial.
#include "support/session_rig.h"

#include "inspector/call_summary.h"
#include "inspector/record_inspector.h"
#include "journal/call_journal.h"
#include "journal/journal_model.h"
#include "widgets/box_binding.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

namespace vantrel {
namespace {

constexpr std::size_t kMiB = std::size_t(1) << 20;

// Lines of 64 bytes ended by CR LF, numbered so that a cut shows where it fell.
std::string lines(std::size_t size)
{
    std::string text;
    text.reserve(size + 64);
    for (std::size_t n = 0; text.size() < size; ++n) {
        std::string line = "Line=" + std::to_string(n);
        line.resize(62, '.');
        text += line + "\r\n";
    }
    text.resize(size);
    return text;
}

struct BoxCase {
    const char* name;
    Box box;
    std::size_t size;
    bool flat; // one line without a line end
};

void PrintTo(const BoxCase& c, std::ostream* os) { *os << c.name; }

class EveryBox : public ::testing::TestWithParam<BoxCase> {};

TEST_P(EveryBox, KeepsItsNewestBytesAndCountsTheRest)
{
    test::SessionRig rig;
    const BoxCase& c = GetParam();
    const std::string text = c.flat ? std::string(c.size, 'x') : lines(c.size);
    rig.session.setBox(c.box, text);
    const std::string& kept = rig.session.box(c.box);
    EXPECT_LE(kept.size(), Session::kBoxLimit);
    EXPECT_GE(kept.size(), Session::kBoxLimit - 64);
    EXPECT_EQ(kept.size() + rig.session.droppedBytes(c.box), text.size());
    EXPECT_TRUE(kept == text.substr(text.size() - kept.size()));
    if (!c.flat) {
        EXPECT_EQ(kept.substr(0, 5), "Line="); // from a line start
    }
    rig.session.setBox(c.box, "short");
    EXPECT_EQ(rig.session.box(c.box), "short");
    EXPECT_EQ(rig.session.droppedBytes(c.box), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, EveryBox,
    ::testing::Values(BoxCase{"InBoxLines", Box::InBox, 3 * kMiB, false},
                      BoxCase{"InBoxOneLine", Box::InBox, 3 * kMiB, true},
                      BoxCase{"TextBox", Box::TextBox, 2 * kMiB + 7, false},
                      BoxCase{"DeviceData", Box::DeviceData, 5 * kMiB, false},
                      BoxCase{"DeviceDataOneLine", Box::DeviceData, kMiB + 1, true},
                      BoxCase{"PumpNumber", Box::TextBoxPumpNumber, kMiB + 100, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EveryBox, AHugeAppendKeepsOnlyItsTail)
{
    test::SessionRig rig;
    rig.session.setInBox("start\r\n");
    const std::string text = lines(4 * kMiB);
    rig.session.appendInBox(text);
    const std::string& kept = rig.session.inBox();
    EXPECT_LE(kept.size(), Session::kBoxLimit / 4 * 3);
    EXPECT_EQ(kept.size() + rig.session.droppedBytes(Box::InBox), text.size() + 7);
    EXPECT_TRUE(kept == text.substr(text.size() - kept.size()));
}

struct BoundView {
    test::SessionRig rig;
    QPlainTextEdit edit;
    BoxBinding binding{rig.session, Box::InBox, &edit};
};

TEST(BoxView, ShowsTheNewestPartOfAFullBoxAndSaysWhatItLeavesOut)
{
    BoundView v;
    const std::string text(3 * kMiB, 'x');
    v.rig.session.setInBox(text + "END");
    const std::size_t dropped = v.rig.session.droppedBytes(Box::InBox);
    EXPECT_EQ(dropped, 2 * kMiB + 3);
    EXPECT_EQ(v.binding.shownBytes(), BoxBinding::kShownBytes);
    const QString shown = v.edit.toPlainText();
    EXPECT_TRUE(shown.startsWith(droppedNote(dropped) + hiddenNote(Session::kBoxLimit - BoxBinding::kShownBytes)));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("xxxEND")));
    EXPECT_LT(shown.size(), static_cast<qsizetype>(BoxBinding::kShownBytes + 300));
}

TEST(BoxView, AppendsPastTheViewStartAgainFromItsNewestPart)
{
    BoundView v;
    const std::string line = std::string(999, 'a') + "\n";
    std::size_t appended = 0;
    while (appended <= BoxBinding::kShownBytes) {
        v.rig.session.appendInBox(line);
        appended += line.size();
        ASSERT_LE(v.binding.shownBytes(), BoxBinding::kShownBytes);
    }
    EXPECT_LE(v.binding.shownBytes(), BoxBinding::kShownBytes / 4 * 3);
    EXPECT_EQ(v.rig.session.inBox().size(), appended); // the box itself keeps everything
    const QString shown = v.edit.toPlainText();
    EXPECT_TRUE(shown.startsWith(hiddenNote(appended - v.binding.shownBytes()))) << shown.left(120).toStdString();
    v.rig.session.appendInBox("tail");
    EXPECT_TRUE(v.edit.toPlainText().endsWith(QStringLiteral("tail")));
}

// A multi-line view takes the fixed-width face, at its own size, with its
// first text, whether that is set or appended; empty, it keeps its own face.
TEST(BoxView, TakesTheFixedWidthFaceWithItsFirstText)
{
    const QString fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    for (const bool append : {false, true}) {
        SCOPED_TRACE(append ? "appended" : "set");
        BoundView v;
        const int size = v.edit.font().pointSize();
        EXPECT_NE(v.edit.font().family(), fixed);
        if (append)
            v.rig.session.appendInBox("Key=1");
        else
            v.rig.session.setInBox("Key=1");
        EXPECT_EQ(v.edit.font().family(), fixed);
        EXPECT_EQ(v.edit.font().pointSize(), size);
    }
}

TEST(BoxView, ALineShowsTheStartOfAHugeText)
{
    test::SessionRig rig;
    QLineEdit line;
    line.setMaxLength(1 << 20);
    BoxBinding binding(rig.session, Box::TextBox, &line, true);
    rig.session.setTextBox(std::string(kMiB, 'd'));
    EXPECT_EQ(line.text(), QString(BoxBinding::kLineShown, u'd') + QChar(0x2026));
    EXPECT_EQ(line.toolTip(), line.text());
}

const std::string kHuge = [] {
    std::string text = "Key=";
    text += std::string(3 * kMiB, 'v');
    return text;
}();

struct Inspected {
    test::SessionRig rig;
    RecordInspector inspector{rig.session};
    QString text() { return inspector.findChild<QPlainTextEdit*>("textView")->toPlainText(); }
    QString hex() { return inspector.findChild<QPlainTextEdit*>("hexView")->toPlainText(); }
    QString header() { return inspector.findChild<QLabel*>("header")->text(); }
    QString clipboard() { return QApplication::clipboard()->text(); }
};

TEST(RecordInspector, KeepsTheFirstMebibyteOfAHugeAnswerAndSaysSo)
{
    Inspected in;
    in.rig.server.answer("CardQue", Value::string(kHuge));
    in.rig.session.server().get("CardQue", std::nullopt);
    in.inspector.show();
    QApplication::processEvents();
    const std::size_t omitted = kHuge.size() - RecordInspector::kKeptBytes;
    EXPECT_EQ(in.inspector.bytes(), kHuge.substr(0, RecordInspector::kKeptBytes));
    EXPECT_EQ(in.inspector.omittedBytes(), omitted);
    EXPECT_EQ(in.header(), QString::fromUtf8("get CardQue → 3145732 bytes, the first 1048576 kept"));
    const QString kept = QStringLiteral("… 983,040 more bytes kept but not shown here: the copy buttons take them");
    const QString notKept = QStringLiteral("… 2,097,156 more bytes not kept");
    EXPECT_TRUE(in.text().startsWith(QStringLiteral("Key=vvv")));
    EXPECT_TRUE(in.text().endsWith(QStringLiteral("vvv\n") + kept + QStringLiteral("\n") + notKept));
    EXPECT_TRUE(in.hex().endsWith(kept + QStringLiteral("\n") + notKept));
    EXPECT_LT(in.hex().count(QLatin1Char('\n')), 5000);
}

struct CopyCase {
    const char* name;
    void (RecordInspector::*copy)();
    const char* ending;
};

void PrintTo(const CopyCase& c, std::ostream* os) { *os << c.name; }

class PartialCopy : public ::testing::TestWithParam<CopyCase> {};

TEST_P(PartialCopy, SaysItIsPartial)
{
    Inspected in;
    in.rig.server.answer("CardQue", Value::string(kHuge));
    in.rig.session.server().get("CardQue", std::nullopt);
    (in.inspector.*GetParam().copy)();
    const QString copied = in.clipboard();
    EXPECT_TRUE(copied.endsWith(QString::fromLatin1(GetParam().ending))) << copied.right(80).toStdString();
    EXPECT_TRUE(copied.size() > static_cast<qsizetype>(RecordInspector::kKeptBytes)); // the kept part, beyond the view
    // A whole value is copied as it is, with no note.
    in.rig.server.answer("KeyQue", Value::string("Key=1"));
    in.rig.session.server().get("KeyQue", std::nullopt);
    (in.inspector.*GetParam().copy)();
    EXPECT_FALSE(in.clipboard().contains(QStringLiteral("not kept")));
}

INSTANTIATE_TEST_SUITE_P(
    Forms, PartialCopy,
    ::testing::Values(CopyCase{"Text", &RecordInspector::copyAsText, "vvv\n... 2,097,156 more bytes not kept"},
                      CopyCase{"Hex", &RecordInspector::copyAsHex, "76 76\n... 2,097,156 more bytes not kept"},
                      CopyCase{"CString", &RecordInspector::copyAsCString, "vvv\" /* ... 2,097,156 more bytes not kept */"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RecordInspector, AJournalRowBringsWhatTheJournalLeftOut)
{
    Inspected in;
    journal::CallJournal journal;
    in.rig.session.addObserver(&journal);
    in.rig.server.answer("CardQue", Value::string(kHuge));
    in.rig.session.server().get("CardQue", std::nullopt);
    in.rig.session.server().put("Stop", Value::string("07"));
    in.rig.session.removeObserver(&journal);
    const journal::JournalEntry& row = journal.at(0);
    const std::size_t omitted = kHuge.size() - journal::CallJournal::kValueLimit;
    EXPECT_EQ(row.resultOmitted, omitted);
    EXPECT_TRUE(journal::JournalModel::cellText(row, journal::JournalModel::Result)
                    .endsWith(QStringLiteral("vvv … ") + QString::fromStdString(inspector::omittedNote(omitted))));
    EXPECT_EQ(journal::JournalModel::cellText(journal.at(1), journal::JournalModel::Sent), QStringLiteral("07"));

    in.inspector.inspect(row.call, row.errorNumber, row.errorDescription, row.argumentOmitted, row.resultOmitted);
    EXPECT_EQ(in.inspector.omittedBytes(), omitted);
    EXPECT_EQ(in.inspector.header(), QString::fromUtf8("get CardQue → 3145732 bytes, the first 262144 kept"));
}

} // namespace
} // namespace vantrel
