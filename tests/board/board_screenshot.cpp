// Draws the board for the documentation: "sale" (a busy forecourt during
// sales), "faults" (the same with a fault on each kind of device) or "ixcat"
// (after the iX CAT special test at position 7), into the
// PNG file named. Run from the build: board_screenshot sale docs/board-sale.png
// --dark draws it under Fusion with a dark palette; --on-screen shows it on
// the display as a user sees it, framed by the window manager, and saves the
// whole screen once it has settled (the pictures in docs/ are taken so, on a
// 1366x768 screen under openbox).
#include "board/board_window.h"
#include "forecourt/customer.h"
#include "session/handler_runner.h"
#include "suites/ixcat_sequences.h"
#include "support/session_rig.h"

#include <QApplication>
#include <QPalette>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>

#include <cstdio>
#include <string>

using namespace vantrel;
using namespace vantrel::test;

namespace {

void put(ForecourtRig& rig, const char* member, const std::string& record, bool nul = true)
{
    rig.server.put(member, Value::string(nul ? record + '\0' : record));
}

void busySite(ForecourtRig& rig)
{
    put(rig, "Price", "FuelingPosition=03\r\nHose=1\r\nTier1=1.459\r\nTier2=1.399\r\nHose=2\r\nTier1=1.629\r\nTier2=1.579\r\n");
    put(rig, "Authorize", "FuelingPosition=01\r\nHose=1\r\nMOP=1\r\nLimit=002000\r\n");
    put(rig, "Authorize", "FuelingPosition=06\r\nHose=0\r\nMOP=F\r\nLimit=999999\r\n");
    rig.advance(9000);
    put(rig, "Authorize", "FuelingPosition=12\r\nHose=1\r\nMOP=1\r\nLimit=000500\r\n");
    put(rig, "Authorize", "FuelingPosition=17\r\nHose=3\r\nMOP=1\r\nLimit=001000\r\n");
    rig.advance(30000);
    put(rig, "PayOutSale", "12", false);
    put(rig, "Stop", "06", false);
    put(rig, "Authorize", "FuelingPosition=22\r\nHose=1\r\nMOP=N\r\nLimit=003000\r\n");
    put(rig, "Authorize", "FuelingPosition=03\r\nHose=2\r\nMOP=2\r\nLimit=004000\r\n");
    rig.advance(3000);
    forecourt::liftNozzle(rig.server, 9);
    forecourt::liftNozzle(rig.server, 27);
    put(rig, "DisplayData", "ReaderPosition=03\r\nMessage=Fuelling hose 2\r\nPlease hang up when done\r\n");
    put(rig, "PrintOutput", "ReaderPosition=03\r\nJob=Header\r\nMessage=--- VANTREL FUELS ---\r\n");
    put(rig, "PrintOutput", "ReaderPosition=03\r\nJob=Receipt\r\nMessage=Pump 03  Hose 2\r\nVolume  12.345 l\r\nAmount  19.49\r\n\r\n\x1b" "B4006381333931\x03\r\nSignature ____________\r\n");
    put(rig, "KeyEntryType", "ReaderPosition=03\r\nEntryMode=NumericWithEcho\r\n");
    put(rig, "KeyPadConfiguration", "ReaderPosition=03\r\nKeyData=123@R456A@789NYL0EHCe\n");
    put(rig, "BeeperControl", "ReaderPosition=03\nBeepCounts=02\n");
    forecourt::insertCard(rig.server, 3, 2);
    forecourt::insertCash(rig.server, 3, "20");
    put(rig, "PriceSignDataSend", "Command=SendPrices\r\nLine1=001459\r\nLine2=001629\r\nLine3=001549\r\nLine4=001399\r\n");
    put(rig, "CarWashInformationRequest", "RequestCarWashCode\r\nProgramNumber=02\r\nPriceLevel=01\r\nOptionCount=0\r\n");
    put(rig, "CarWashInformationRequest", "RequestCarWashCode\r\nProgramNumber=01\r\nPriceLevel=01\r\nOptionCount=0\r\n");
    forecourt::enterWashCode(rig.server);
    rig.advance(14000);
    rig.server.put("TankMonitorStartReport", Value::int16(1));
    rig.select(3);
}

} // namespace

void darkTheme()
{
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 32));
    dark.setColor(QPalette::AlternateBase, QColor(45, 45, 48));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Button, QColor(60, 60, 64));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    dark.setColor(QPalette::PlaceholderText, QColor(150, 150, 150));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, Qt::black);
    dark.setColor(QPalette::ToolTipBase, QColor(30, 30, 32));
    dark.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
    QApplication::setPalette(dark);
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    bool onScreen = false;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--dark")
            darkTheme();
        else if (a == "--on-screen")
            onScreen = true;
        else
            args.push_back(a);
    }
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: board_screenshot sale|faults|ixcat FILE.png [--dark] [--on-screen]\n");
        return 2;
    }
    argv[1] = args[0].data();
    argv[2] = args[1].data();
    const std::string scene = argv[1];
    ForecourtRig rig;
    if (scene == "sale") {
        busySite(rig);
    } else if (scene == "faults") {
        busySite(rig);
        for (const char* fault : {"position 1 stop-at 12.50", "position 17 offline", "position 22 stall", "position 5 error 42",
                                  "position 6 offline",
                                  "reader 3 paper-out", "tank 2 low", "wash out-of-order", "member PriceSignDataSend slow 2000",
                                  "member CardQue error 1201 3"})
            rig.server.setFault(fault);
    } else if (scene == "ixcat") {
        put(rig, "Authorize", "FuelingPosition=07\r\nHose=1\r\nMOP=1\r\nLimit=002500\r\n");
        rig.select(7);
        suites::IxCatState state;
        if (!runHandler(rig.session, [&](Session& s) { suites::runSpecialTest(s, state); }))
            return 1;
        rig.advance(5000);
        put(rig, "ReaderControl", "ReaderPosition=07\r\nChipReaderControl=Enable\r\n");
        forecourt::insertCard(rig.server, 7, forecourt::kChipCard);
    } else {
        std::fprintf(stderr, "no scene %s\n", scene.c_str());
        return 2;
    }
    board::BoardWindow board(rig.server, rig.session);
    if (onScreen) {
        board.show();
        bool saved = false;
        QTimer::singleShot(1500, [&] {
            saved = board.screen()->grabWindow(0).save(QString::fromLocal8Bit(argv[2]));
            app.quit();
        });
        app.exec();
        return saved ? 0 : 1;
    }
    board.resize(1240, 820);
    board.setAttribute(Qt::WA_DontShowOnScreen);
    board.show();
    QApplication::processEvents();
    return board.grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
