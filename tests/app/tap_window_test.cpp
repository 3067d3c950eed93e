// The site tap in the window: tapped rows in the journal's model (the
// client column, the waiting state, the client filter), Copy as script
// line, View → Site Tap on the embedded server and live on a private bus
// with vantrel-forecourt and busctl, File → Open capture and File → Save
// tap as capture.
#include "support/running_utility.h"

#include "app/main_window_tap.h"
#include "bus_fixture.h"
#include "capture/capture.h"
#include "journal/journal_model.h"
#include "journal/journal_window.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QClipboard>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTreeView>

#include <gtest/gtest.h>

#include <csignal>

namespace vantrel {
namespace {

using dbus::test::waitFor;

journal::TappedCall tapped(const std::string& client, const char* member, std::optional<Value> argument = {})
{
    journal::TappedCall call;
    call.call = CallEvent{Access::Get, member, std::move(argument), std::nullopt};
    call.call.client = client;
    return call;
}

TEST(TapWindow, TappedRowsShowTheirClientAndStateAndFilterByClient)
{
    journal::CallJournal journal;
    journal::JournalModel model(journal);
    journal.callMade({Access::Get, "QueCountQuery", std::nullopt, Value::string("Card=0")});
    const long long row = journal.addTapped(tapped(":1.7 (pid 9, busctl)", "DispenserInformation", Value::int16(7)));
    journal.addTapped(tapped(":1.8", "ReaderStatus"));
    using M = journal::JournalModel;
    EXPECT_EQ(model.headerData(M::Client, Qt::Horizontal).toString(), "Client");
    EXPECT_EQ(model.index(0, M::Client).data().toString(), "");
    EXPECT_EQ(model.index(1, M::Client).data().toString(), ":1.7 (pid 9, busctl)");
    EXPECT_EQ(model.index(1, M::Result).data().toString(), "(waiting for its reply)");

    int changed = -1;
    QObject::connect(&model, &QAbstractItemModel::dataChanged, [&](const QModelIndex& from) { changed = from.row(); });
    journal::TappedCall reply = tapped(":1.7 (pid 9, busctl)", "DispenserInformation", Value::int16(7));
    reply.state = journal::Tapped::Done;
    reply.call.result = Value::string("Dispenser=7");
    journal.updateTapped(row, reply);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(model.index(1, M::Result).data().toString(), "Dispenser=7");

    journal::JournalFilter filter;
    filter.setSourceModel(&model);
    filter.setClient(std::string());
    EXPECT_EQ(filter.rowCount(), 1); // this utility's own
    filter.setClient(std::string(":1.8"));
    ASSERT_EQ(filter.rowCount(), 1);
    EXPECT_EQ(filter.index(0, M::Member).data().toString(), "ReaderStatus");
    filter.setClient(std::nullopt);
    EXPECT_EQ(filter.rowCount(), 3);
}

TEST(TapWindow, CopyAsScriptLineCopiesTheExactLineOrSaysWhyNot)
{
    journal::CallJournal journal(10, journal::CallJournal::kByteLimit, 8);
    journal.addTapped(tapped(":1.7", "DispenserInformation", Value::int16(7)));
    journal.addTapped(tapped(":1.7", "Display", Value::string("0123456789")));
    journal::JournalWindow window(journal, {});
    QApplication::clipboard()->setText("before");
    window.view()->setCurrentIndex(window.view()->model()->index(0, 0));
    EXPECT_TRUE(window.copyScriptLine());
    EXPECT_EQ(QApplication::clipboard()->text(), "get DispenserInformation int16 7");
    window.view()->setCurrentIndex(window.view()->model()->index(1, 0));
    EXPECT_FALSE(window.copyScriptLine());
    EXPECT_EQ(QApplication::clipboard()->text(), "get DispenserInformation int16 7");
    EXPECT_TRUE(window.note().startsWith("Call 2 not copied: only the first bytes of the value sent were kept"))
        << window.note().toStdString();
}

TEST(TapWindow, ANarrowJournalKeepsTheMemberAndClientInSightAndGivesWidthBackWhenItGrows)
{
    journal::CallJournal journal;
    journal.addTapped(tapped(":1.7", "FuelingPositionInformation", Value::int16(7)));
    journal::JournalWindow window(journal, {});
    window.resize(780, 500);
    window.show();
    QApplication::processEvents();
    QApplication::processEvents();
    using M = journal::JournalModel;
    QHeaderView* columns = window.view()->header();
    const int digit = window.view()->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int room = window.view()->viewport()->width();
    // The window and control give way first; the member and the client keep a name's room.
    EXPECT_LT(columns->sectionSize(M::Window), 4 * digit + 12);
    EXPECT_GE(columns->sectionSize(M::Member), 12 * digit + 12);
    EXPECT_GE(columns->sectionSize(M::Client), 6 * digit + 12);
    EXPECT_GE(columns->sectionSize(M::Result), room / 4 - digit);
    window.resize(1900, 500);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(columns->sectionSize(M::Window), 14 * digit + 12);
    EXPECT_EQ(columns->sectionSize(M::Member), 20 * digit + 12);
}

TEST(TapWindow, SiteTapOnTheEmbeddedServerSaysItWatchesABusServer)
{
    test::RunningUtility utility;
    MainWindow& main = utility.app->mainWindow();
    auto* action = main.findChild<QAction*>("actionSiteTap");
    ASSERT_TRUE(action);
    EXPECT_EQ(action->shortcut(), QKeySequence("Ctrl+T"));
    action->trigger();
    EXPECT_FALSE(action->isChecked());
    auto* box = main.findChild<QMessageBox*>("SiteTapMessage");
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->text().contains("File → Connect to server")) << box->text().toStdString();
    EXPECT_EQ(main.siteTap(), nullptr);
}

QString captureWithJunkAtItsEnd(const QTemporaryDir& dir)
{
    QFile in(VANTREL_CAPTURE_TEST_DATA "/busctl_calls.pcapng");
    EXPECT_TRUE(in.open(QIODevice::ReadOnly));
    const QString path = dir.filePath("calls.pcapng");
    QFile out(path);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(in.readAll() + QByteArray("\x06\x00\x00\x00\x20", 5));
    return path;
}

TEST(TapWindow, OpenCaptureFillsTheJournalAndTellsTheSkippedBlocks)
{
    test::RunningUtility utility;
    MainWindow& main = utility.app->mainWindow();
    QTemporaryDir dir;
    QString report;
    ASSERT_TRUE(main.openCapture(captureWithJunkAtItsEnd(dir), report)) << report.toStdString();
    std::vector<journal::JournalEntry> rows; // after the utility's own start-up calls
    for (const auto& e : utility.app->journal().entries())
        if (e.tapped != journal::Tapped::None)
            rows.push_back(e);
    ASSERT_EQ(rows.size(), 3u); // busctl's put, and two calls
    EXPECT_EQ(rows[0].call.member, "PacketQueOutput");
    EXPECT_EQ(rows[0].call.access, Access::Put);
    EXPECT_TRUE(QString::fromStdString(rows[0].call.client).startsWith(":1."));
    EXPECT_EQ(rows[0].tapped, journal::Tapped::Done);
    EXPECT_TRUE(report.startsWith("Capture calls.pcapng: 3 exchanges, 0 waiting, ")) << report.toStdString();
    EXPECT_TRUE(report.endsWith("\n\n1 block of the file skipped:\n  at byte " +
                                QString::number(QFileInfo(dir.filePath("calls.pcapng")).size() - 5) +
                                ": truncated block: 5 bytes at the end of the file"))
        << report.toStdString();
    ASSERT_TRUE(main.journalWindow());
    EXPECT_TRUE(main.journalWindow()->tapLine().endsWith("other messages (hidden)"));
    EXPECT_TRUE(main.findChild<QAction*>("actionSaveTapCapture")->isEnabled());
}

TEST(TapWindow, LiveTapNamesTheClientAndSavesAMaskedCapture)
{
    dbus::test::PrivateBus bus;
    dbus::test::ServiceProcess service(bus);
    ASSERT_TRUE(service.waitUntilServing());
    test::RunningUtility utility;
    MainWindow& main = utility.app->mainWindow();
    main.setConnection("dbus:Vantrel.Application@" + bus.address(), 5000, nullptr);
    QString reason;
    ASSERT_TRUE(main.startSiteTap(reason)) << reason.toStdString();
    EXPECT_TRUE(main.findChild<QAction*>("actionSiteTap")->isChecked());

    const std::string card = "4111111111111111";
    const auto& journal = utility.app->journal();
    const std::size_t before = journal.size();
    // The server holds its answer while the window shows the call waiting.
    ::kill(static_cast<pid_t>(service.pid()), SIGSTOP);
    QProcess busctl;
    busctl.start("busctl", {"--address=" + bus.address(), "call", "Vantrel.Application", "/Vantrel/Application",
                            "Vantrel.Application", "DispenserInformation", "v", "s", QString::fromStdString(card)});
    ASSERT_TRUE(waitFor([&] { return journal.size() == before + 1; }));
    const journal::JournalEntry& row = journal.entries().back();
    EXPECT_EQ(row.tapped, journal::Tapped::Waiting);
    EXPECT_EQ(row.call.client, ":1." + row.call.client.substr(3, row.call.client.find(' ') - 3) + " (pid " +
                                   std::to_string(busctl.processId()) + ", busctl)");
    ::kill(static_cast<pid_t>(service.pid()), SIGCONT);
    ASSERT_TRUE(busctl.waitForFinished(10000));
    ASSERT_TRUE(waitFor([&] { return journal.entries().back().tapped == journal::Tapped::Done; }));
    EXPECT_EQ(journal.size(), before + 1);
    EXPECT_EQ(journal.clients().size(), 1u);
    EXPECT_TRUE(main.journalWindow()->tapLine().startsWith("Tapping Vantrel.Application on the bus at unix:path="));

    main.stopSiteTap();
    EXPECT_FALSE(main.findChild<QAction*>("actionSiteTap")->isChecked());
    QTemporaryDir dir;
    const QString path = dir.filePath("tap.pcapng");
    ASSERT_TRUE(main.saveTapCapture(path, reason)) << reason.toStdString();
    const capture::CaptureRead read = capture::readCaptureFile(path.toStdString());
    EXPECT_EQ(read.error, "");
    EXPECT_TRUE(read.skipped.empty());
    ASSERT_EQ(read.messages.size(), main.siteTap()->keptMessages());
    bool call = false;
    for (const auto& m : read.messages) {
        EXPECT_EQ(m.bytes.find(card), std::string::npos);
        call = call || m.bytes.find("DispenserInformation") != std::string::npos;
    }
    EXPECT_TRUE(call);
}

} // namespace
} // namespace vantrel
