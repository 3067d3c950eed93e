// Every example script gives the same calls and answers, byte for byte,
// against vantrel-forecourt on a private bus as against the embedded server.
#include "bus_fixture.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace vantrel::dbus::test;

namespace {

struct ScriptRun {
    int status = -1;
    QByteArray output;
    std::vector<std::string> calls; // call and error events of the trace, as written
};

ScriptRun runScript(const QString& script, const QString& server, const QString& trace)
{
    QProcess p;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(VANTREL_TEST_EXE, {"--script", script, "--server", server, "--trace", trace});
    p.waitForFinished(120000);
    ScriptRun run{p.exitCode(), p.readAllStandardOutput(), {}};
    QFile file(trace);
    file.open(QIODevice::ReadOnly);
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QString event = QJsonDocument::fromJson(line).object().value("event").toString();
        if (event == "call" || event == "error")
            run.calls.push_back(line.toStdString());
    }
    return run;
}

class ExampleOverBus : public ::testing::TestWithParam<QString> {};
} // namespace
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << s.toStdString(); }
QT_END_NAMESPACE
namespace {

TEST_P(ExampleOverBus, SameCallsAndAnswersAsEmbedded)
{
    QTemporaryDir dir;
    const QString script = QStringLiteral(VANTREL_EXAMPLES) + "/" + GetParam();
    const ScriptRun embedded = runScript(script, "Vantrel.Application", dir.filePath("embedded.jsonl"));
    ASSERT_EQ(embedded.status, 0) << embedded.output.toStdString();

    PrivateBus bus;
    ServiceProcess service(bus, {"--virtual-clock", "-q"});
    ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
    const ScriptRun remote = runScript(script, "dbus:Vantrel.Application@" + bus.address(), dir.filePath("bus.jsonl"));
    ASSERT_EQ(remote.status, 0) << remote.output.toStdString();
    EXPECT_TRUE(remote.output.startsWith("server: Vantrel.Application at " + bus.address().toUtf8()))
        << remote.output.left(200).toStdString();
    ASSERT_EQ(remote.calls.size(), embedded.calls.size());
    for (std::size_t i = 0; i < embedded.calls.size(); ++i)
        ASSERT_EQ(remote.calls[i], embedded.calls[i]) << "call " << i << " of " << GetParam().toStdString();
}

std::vector<QString> examples()
{
    std::vector<QString> names;
    for (const QString& name : QDir(VANTREL_EXAMPLES).entryList({"*.vts"}, QDir::Files, QDir::Name))
        names.push_back(name);
    return names;
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleOverBus, ::testing::ValuesIn(examples()), [](const auto& info) {
    return info.param.section('.', 0, 0).toStdString();
});

} // namespace
