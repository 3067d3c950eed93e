#include "support/session_rig.h"

#include "inspector/call_summary.h"
#include "inspector/copy_forms.h"
#include "inspector/hex_dump.h"
#include "inspector/marked_text.h"
#include "inspector/record_inspector.h"
#include "inspector/record_table_model.h"

#include "server/automation_error.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTextBlock>

#include <gtest/gtest.h>

#include <cmath>

namespace vantrel {
namespace {

using namespace std::string_literals;

const std::string kAuthorize = "FuelingPosition=07\r\nHose=1\r\nMOP=2\r\nLimit=000020\r\n\0"s;

struct Inspected {
    test::SessionRig rig;
    RecordInspector inspector{rig.session};

    template <typename T>
    T* child(const char* name) { return inspector.findChild<T*>(name); }
    QString text() { return child<QPlainTextEdit>("textView")->toPlainText(); }
    QString hex() { return child<QPlainTextEdit>("hexView")->toPlainText(); }
    QString header() { return child<QLabel>("header")->text(); }
    int rows() { return child<QTableView>("tableView")->model()->rowCount(); }
    void showNow()
    {
        inspector.show();
        QApplication::processEvents();
    }
};

TEST(RecordInspector, FollowsThePutRecordInEveryView)
{
    Inspected in;
    EXPECT_EQ(in.inspector.objectName(), "RecordInspector");
    EXPECT_EQ(in.inspector.windowTitle(), "Record Inspector");
    EXPECT_TRUE(in.inspector.isWindow());
    EXPECT_EQ(in.inspector.header(), "No call yet");
    in.showNow();
    EXPECT_EQ(in.header(), "No call yet");
    in.rig.session.server().put("Authorize", Value::string(kAuthorize));
    QApplication::processEvents();
    EXPECT_EQ(in.header(), QString::fromUtf8("put Authorize · 50 bytes"));
    EXPECT_EQ(in.text(), QString::fromUtf8("FuelingPosition=07CR LF\nHose=1CR LF\nMOP=2CR LF\nLimit=000020CR LF\nNUL"));
    EXPECT_EQ(in.hex().toStdString() + "\n", inspector::hexDumpText(kAuthorize));
    EXPECT_EQ(in.rows(), 4);
}

TEST(RecordInspector, MakesItsViewsWhenFirstShownAndDrawsTheLastCallKeptMeanwhile)
{
    Inspected in;
    in.rig.session.server().put("Stop", Value::string("07"));
    in.rig.session.server().put("Authorize", Value::string(kAuthorize));
    QApplication::processEvents();
    EXPECT_FALSE(in.inspector.viewsMade());
    EXPECT_EQ(in.child<QPlainTextEdit>("hexView"), nullptr);
    EXPECT_EQ(in.inspector.header(), QString::fromUtf8("put Authorize · 50 bytes"));
    in.showNow();
    EXPECT_TRUE(in.inspector.viewsMade());
    EXPECT_EQ(in.header(), QString::fromUtf8("put Authorize · 50 bytes"));
    EXPECT_EQ(in.hex().toStdString() + "\n", inspector::hexDumpText(kAuthorize));
    // Hidden again, it keeps following and draws the newest call when shown.
    in.inspector.hide();
    in.rig.session.server().put("Stop", Value::string("07"));
    in.showNow();
    EXPECT_EQ(in.text(), "07");
}

TEST(RecordInspector, ShowsTheTextReturnedByARead)
{
    Inspected in;
    in.rig.server.answer("FuelingPositionInformation", Value::string("State=Idle\r\n\0"s));
    in.showNow();
    in.rig.session.server().get("FuelingPositionInformation", Value::int16(7));
    QApplication::processEvents();
    EXPECT_EQ(in.header(), QString::fromUtf8("get FuelingPositionInformation(7) → 13 bytes"));
    EXPECT_EQ(in.text(), QString::fromUtf8("State=IdleCR LF\nNUL"));
    in.rig.server.answer("QueCountQuery", Value::int16(3));
    in.rig.session.server().call("QueCountQuery", std::nullopt);
    QApplication::processEvents();
    EXPECT_EQ(in.header(), QString::fromUtf8("call QueCountQuery → int16 3"));
    EXPECT_EQ(in.text(), "3");
}

TEST(RecordInspector, NamesTheErrorOfAFailedCall)
{
    Inspected in;
    in.rig.server.fail("Authorize", 1101, "No such position");
    in.showNow();
    EXPECT_THROW(in.rig.session.server().put("Authorize", Value::string(kAuthorize)), AutomationError);
    QApplication::processEvents();
    EXPECT_EQ(in.header(), QString::fromUtf8("error 1101: No such position · put Authorize · 50 bytes"));
    EXPECT_EQ(in.rows(), 4);
}

TEST(RecordInspector, CopiesEachForm)
{
    Inspected in;
    const std::string record = "A=\x1b" "1\r\n\xe9\0"s;
    in.rig.session.server().put("DisplayData", Value::string(record));
    in.showNow();
    const struct {
        const char* button;
        std::string expected;
    } cases[] = {{"copyText", inspector::copyAsText(record)},
                 {"copyHex", "41 3D 1B 31 0D 0A E9 00"},
                 {"copyCString", inspector::copyAsCString(record)}};
    for (const auto& c : cases) {
        QApplication::clipboard()->clear();
        QTest::mouseClick(in.child<QPushButton>(c.button), Qt::LeftButton);
        const QString copied = QApplication::clipboard()->text();
        EXPECT_EQ(copied.toLatin1().toStdString(), c.expected) << c.button;
    }
}

TEST(RecordInspector, ShowsA64KibRecord)
{
    Inspected in;
    std::string record;
    for (int i = 0; i < 65536; ++i)
        record += static_cast<char>(i % 256);
    in.rig.session.server().put("PacketQueOutput", Value::string(record));
    in.showNow();
    EXPECT_EQ(in.child<QPlainTextEdit>("hexView")->document()->blockCount(), 4096);
    EXPECT_EQ(in.child<QPlainTextEdit>("textView")->document()->blockCount(), 257);
    EXPECT_EQ(in.rows(), 257);
}

QTextCharFormat formatAt(const QTextBlock& block, int position)
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        if (f.position() <= position && position < f.position() + f.length())
            return f.charFormat();
    }
    ADD_FAILURE() << "no character at " << position;
    return {};
}

TEST(RecordInspector, TheHexViewShowsWholeLinesAtANarrowWidth)
{
    Inspected in;
    in.inspector.resize(480, 400);
    in.showNow();
    in.rig.session.server().put("Authorize", Value::string(kAuthorize));
    QApplication::processEvents();
    auto* hex = in.child<QPlainTextEdit>("hexView");
    const QString first = hex->toPlainText().section('\n', 0, 0);
    ASSERT_EQ(first.size(), RecordInspector::kHexLineLength);
    EXPECT_LE(QFontMetrics(hex->font()).horizontalAdvance(first), hex->viewport()->width());
    EXPECT_GE(hex->font().pointSizeF(), 6.5);
    // At the inspector's own width the face keeps its full size.
    in.inspector.resize(900, 600);
    QApplication::processEvents();
    EXPECT_EQ(hex->font().pointSizeF(), in.child<QPlainTextEdit>("textView")->font().pointSizeF());
}

TEST(MarkedText, ControlPicturesOfATextBecomeMarks)
{
    QPlainTextEdit edit;
    showPicturesMarked(&edit, QString::fromUtf8("A\u240D\u240A\n\u2400B \u2421"));
    EXPECT_EQ(edit.toPlainText(), QString::fromUtf8("ACR\u2009LF\nNULB DEL"));
    const QTextBlock first = edit.document()->firstBlock();
    EXPECT_NE(formatAt(first, first.position()).fontWeight(), QFont::Bold); // the plain A
    EXPECT_EQ(formatAt(first, first.position() + 1).fontWeight(), QFont::Bold);
    EXPECT_EQ(formatAt(first, first.position() + 1).foreground(), markFormat(inspector::MarkRole::LineEnd).foreground());
    const QTextBlock second = edit.document()->lastBlock();
    EXPECT_EQ(formatAt(second, second.position()).foreground(), markFormat(inspector::MarkRole::Nul).foreground());
    EXPECT_EQ(pictureByte(QChar(0x241B)), 0x1B);
    EXPECT_EQ(pictureByte(QChar('A')), -1);
}

TEST(MarkedText, EveryMarkReadsOnItsOwnGround)
{
    // Marks paint their own ground, so they read the same under a light and a dark theme.
    for (const auto role : {inspector::MarkRole::LineEnd, inspector::MarkRole::Nul, inspector::MarkRole::Escape,
                            inspector::MarkRole::Control}) {
        const MarkColours c = markColours(role);
        const auto lum = [](const QColor& x) {
            auto lin = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
            return 0.2126 * lin(x.redF()) + 0.7152 * lin(x.greenF()) + 0.0722 * lin(x.blueF());
        };
        EXPECT_GE((lum(c.ground) + 0.05) / (lum(c.text) + 0.05), 4.5) << static_cast<int>(role);
    }
}

TEST(MarkedText, MarksAreBoldColouredAndDistinct)
{
    QPlainTextEdit edit;
    showMarked(&edit, "A\x1b\x1a\r\nB"s, "note\n");
    EXPECT_EQ(edit.toPlainText(), QString::fromUtf8("note\nAESC SUB CR LF\nB"));
    const QTextBlock marks = edit.document()->findBlockByNumber(1);
    const int at = marks.position();
    const QTextCharFormat plain = formatAt(marks, at), esc = formatAt(marks, at + 1), gap = formatAt(marks, at + 4),
                          sub = formatAt(marks, at + 5), cr = formatAt(marks, at + 9);
    EXPECT_NE(plain.fontWeight(), QFont::Bold);
    EXPECT_NE(gap.fontWeight(), QFont::Bold);
    EXPECT_EQ(esc.fontWeight(), QFont::Bold);
    EXPECT_EQ(esc.foreground(), markFormat(inspector::MarkRole::Escape).foreground());
    EXPECT_NE(esc.foreground(), sub.foreground());
    EXPECT_NE(cr.foreground(), sub.foreground());

    appendMarked(&edit, "\0C\x1b"s);
    appendMarked(&edit, "\x7f"s); // a mark after a mark: the gap spans the two appends
    EXPECT_EQ(edit.toPlainText(), QString::fromUtf8("note\nAESC SUB CR LF\nBNULCESC DEL"));
    const QTextBlock last = edit.document()->lastBlock();
    EXPECT_NE(formatAt(last, last.position() + 4).fontWeight(), QFont::Bold); // the plain C after NUL
}

} // namespace
} // namespace vantrel
