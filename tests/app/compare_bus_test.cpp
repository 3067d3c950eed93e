// vantrel-test --compare as a server maker runs it: the embedded forecourt
// against vantrel-forecourt --virtual-clock on a private bus, over every
// example script, finds no difference; a B that cannot be chosen is refused.
#include "bus_fixture.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vantrel::dbus::test;

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

Outcome vantrelTest(const QStringList& args)
{
    QProcess p;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("VANTREL_SERVER");
    p.setProcessEnvironment(env);
    p.start(VANTREL_EXE, args);
    p.waitForFinished(300000);
    return {p.exitCode(), p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
}

TEST(CompareOverBus, TheEmbeddedServerAndVantrelForecourtAnswerEveryExampleAlike)
{
    PrivateBus bus;
    ServiceProcess service(bus, {"--virtual-clock", "-q"});
    ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
    QTemporaryDir dir;
    const QString junit = dir.filePath("r.xml");
    const Outcome run = vantrelTest({"--script", VANTREL_EXAMPLES, "--server", "Vantrel.Application", "--compare",
                                 "dbus:Vantrel.Application@" + bus.address(), "--junit", junit});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("B: Vantrel.Application at " + bus.address().toStdString() + "\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("== " VANTREL_EXAMPLES "/tour.vts: A script passed, B script passed\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find(" calls compared, 0 differ\n"), std::string::npos) << run.out;
    EXPECT_TRUE(QFile::exists(junit));
}

TEST(CompareOverBus, ABThatCannotBeChosenIsAUsageError)
{
    const Outcome run = vantrelTest({"--script", VANTREL_EXAMPLES "/tour.vts", "--compare", "No.Such.Server"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.rfind("vantrel-test: --compare No.Such.Server: no server of that name", 0), 0u) << run.err;
}

} // namespace
