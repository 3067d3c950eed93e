#include "embedded_script.h"

#include "app/output_file.h"
#include "app/trace_writer.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

using namespace vantrel;

TEST(Trace, EveryByteRoundTrips)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    QTemporaryDir dir;
    const std::string path = dir.filePath("t.jsonl").toStdString();
    {
        TraceWriter trace(path);
        ASSERT_TRUE(trace.isOpen());
        trace.boxChanged(Box::DeviceData, all);
        trace.callMade({Access::Put, "PacketQueOutput", Value::string(all), std::nullopt});
    }
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const auto lines = f.readAll().split('\n');
    const auto box = QJsonDocument::fromJson(lines[0]).object();
    EXPECT_EQ(box["box"].toString(), "DeviceData");
    EXPECT_EQ(decodeBytes(box["text"].toString()), all);
    const auto call = QJsonDocument::fromJson(lines[1]).object();
    EXPECT_EQ(decodeBytes(call["value"].toObject()["value"].toString()), all);
    EXPECT_FALSE(call.contains("args"));
}

struct ValueCase {
    Value value;
    const char* type;
};
class TraceValue : public ::testing::TestWithParam<ValueCase> {};
TEST_P(TraceValue, NamesItsType) { EXPECT_EQ(encodeValue(GetParam().value)["type"].toString(), GetParam().type); }
INSTANTIATE_TEST_SUITE_P(Types, TraceValue,
                         ::testing::Values(ValueCase{Value(), "empty"}, ValueCase{Value::int16(1), "int16"},
                                           ValueCase{Value::int32(70000), "int32"}, ValueCase{Value::real(2.5), "double"},
                                           ValueCase{Value::boolean(false), "bool"}, ValueCase{Value::string("x"), "string"}),
                         [](const auto& info) { return std::string(info.param.type); });

TEST(Trace, UnwritablePathIsReported)
{
    TraceWriter trace("/nonexistent-dir/trace.jsonl");
    EXPECT_FALSE(trace.isOpen());
    EXPECT_FALSE(trace.errorText().empty());
}

namespace {
QByteArray contentOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}
} // namespace

TEST(Trace, GoesBesideItsFileUntilFinishedThenTakesItsPlace)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("t.jsonl");
    TraceWriter trace(path.toStdString());
    trace.writeStart(traceStart("server", true));
    trace.waitStarted(3);
    EXPECT_FALSE(QFile::exists(path));
    ASSERT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    ASSERT_TRUE(trace.finish());
    EXPECT_EQ(contentOf(path).count('\n'), 2);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"t.jsonl"});
}

TEST(Trace, ALineThatCannotBeWrittenFailsItAndTheEarlierTraceStays)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("t.jsonl");
    ASSERT_TRUE(test::writeEarlier(path));
    int writes = 0;
    test_hooks::setOutputFault([&writes](std::string_view step) { return step == "write" && ++writes == 2 ? ENOSPC : 0; });
    {
        TraceWriter trace(path.toStdString());
        trace.writeStart(traceStart("server", true));
        EXPECT_TRUE(trace.ok());
        trace.waitStarted(1);
        EXPECT_FALSE(trace.ok());
        EXPECT_EQ(trace.errorText(), std::strerror(ENOSPC));
        trace.waitStarted(2);
        EXPECT_FALSE(trace.finish());
    }
    test_hooks::setOutputFault({});
    EXPECT_EQ(contentOf(path), "earlier\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"t.jsonl"});
}
