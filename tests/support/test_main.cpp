// The one main of every test binary, built three ways (VANTREL_TEST_APP):
//   0  the tests of the plain C++ layers: no Qt application, no display;
//   1  the tests on a private bus: a QCoreApplication, no display;
//   2  the tests with windows: a QApplication, offscreen when there is no
//      display (test discovery runs the binary without the tests'
//      environment).
// A binary may also carry a command it runs instead of its tests
// (main_command.h).
#include "support/main_command.h"

#if VANTREL_TEST_APP == 2
#include <QApplication>
#include <sys/stat.h>
#include <unistd.h>
#elif VANTREL_TEST_APP == 1
#include <QCoreApplication>
#endif

#include <gmock/gmock.h>

#include <cstring>
#include <map>
#include <string>

namespace vantrel::test {
namespace {
std::map<std::string, MainCommandRun>& commands()
{
    static std::map<std::string, MainCommandRun> table;
    return table;
}
} // namespace

MainCommand::MainCommand(const char* flag, MainCommandRun run) { commands()[flag] = run; }

} // namespace vantrel::test

int main(int argc, char** argv)
{
#if VANTREL_TEST_APP == 2
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt wants a private runtime folder; headless machines often have none.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray dir = "/tmp/vantrel-runtime-" + QByteArray::number(getuid());
        mkdir(dir.constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", dir);
    }
    QApplication app(argc, argv);
#elif VANTREL_TEST_APP == 1
    QCoreApplication app(argc, argv);
#endif
    if (argc >= 2) {
        const auto command = vantrel::test::commands().find(argv[1]);
        if (command != vantrel::test::commands().end())
            return command->second(argc, argv);
    }
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
