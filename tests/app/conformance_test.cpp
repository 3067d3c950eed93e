// The conformance suite: the shipped scripts against the embedded forecourt
// and vantrel-forecourt, and against a server that breaks one rule at a time,
// served on a private bus so that the client's real timeout applies.
#include "app/conformance_report.h"
#include "app/conformance_run.h"
#include "app/script_files.h"
#include "app/script_runner.h"
#include "app/server_choice.h"
#include "bus_fixture.h"
#include "support/case_names.h"
#include "embedded_script.h"

#include "dbus/service_object.h"
#include "dbus/wire_contract.h"
#include "forecourt/forecourt_server.h"
#include "server/automation_registry.h"
#include "session/script.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>
#include <sstream>

namespace vantrel {
namespace {

using namespace std::chrono_literals;
using conformance::Result;
using dbus::test::PrivateBus;

std::vector<std::string> shippedScripts()
{
    std::string reason;
    return expandScriptPaths({conformance::shippedSuite()}, reason);
}

Result runAgainst(const std::string& spec, std::chrono::milliseconds timeout, conformance::Options options = {})
{
    AutomationRegistry registry;
    std::string reason;
    const auto server = chooseServer(registry, spec, timeout, true, reason);
    options.timeout = timeout;
    std::ostringstream out;
    return conformance::runSuite(shippedScripts(), registry, server->progId, options, out);
}

// The failed checks: label, and what the check said.
std::map<std::string, std::string> failedChecks(const Result& result)
{
    std::map<std::string, std::string> failed;
    for (const auto& part : result.parts)
        for (const auto& check : part.checks)
            if (!check.passed)
                failed[check.label] = check.answer;
    return failed;
}

TEST(ConformanceSuite, EveryCheckIsLabelledAndEveryMemberOfTheSiteIsChecked)
{
    std::set<std::string> checkedMembers;
    for (const std::string& path : shippedScripts()) {
        std::string reason;
        const auto content = readScriptFile(path, reason);
        ASSERT_TRUE(content) << path << ": " << reason;
        const auto commands = parseScript(*content);
        EXPECT_EQ(conformance::notConformance(commands), "") << path;
        for (const auto& c : commands)
            if (c.kind == ScriptCommand::Kind::ExpectMember)
                checkedMembers.insert(c.target);
    }
    for (const auto& m : forecourt::ForecourtServer::members())
        EXPECT_TRUE(checkedMembers.count(m.name)) << m.name << " has no expect member line";
    const Result result = runAgainst(forecourt::kProgId, 5000ms);
    EXPECT_EQ(result.parts.size(), 11u);
    for (const auto& part : result.parts)
        for (const auto& check : part.checks)
            EXPECT_EQ(check.label.rfind("line ", 0), std::string::npos) << part.name << ":" << check.line;
    EXPECT_EQ(result.failed(), 0) << conformance::summaryLine(result);
}

// The rules a server can break, one per row; the server is the embedded
// forecourt with that one thing changed.
enum class Rule { MemberMissing, ShapeRefused, WrongType, UntypedBadPosition, Slow };

class BrokenForecourt : public forecourt::ForecourtServer {
public:
    explicit BrokenForecourt(Rule rule) : m_rule(rule)
    {
        if (rule == Rule::Slow)
            setFault("member SystemVersions slow 5000");
    }
    void put(std::string_view member, const Value& value) override
    {
        // A keypad record whose last line ends with LF alone, refused as malformed.
        if (m_rule == Rule::ShapeRefused && member == "KeyPadConfiguration" &&
            value.asString().find("\r\nKeyData=1\n") != std::string::npos)
            throw AutomationError(ErrorCode::MalformedRecord, "the last line has no CR");
        ForecourtServer::put(member, value);
    }
    Value get(std::string_view member, const std::optional<Value>& argument) override
    {
        if (m_rule == Rule::WrongType && member == "SelfDiagnosticsReportStatus")
            return Value::string("busy");
        if (m_rule == Rule::UntypedBadPosition && member == "ReaderInformation" && argument &&
            argument->asInt16() == 40)
            throw std::out_of_range("vector::at"); // a crash-like failure: no number of the server's own
        return ForecourtServer::get(member, argument);
    }

private:
    Rule m_rule;
};

// The served object, counting the times it is asked for its introspection.
class CountingObject : public dbus::ServiceObject {
public:
    CountingObject(std::atomic<int>& count, dbus::InstanceFactory factory,
                   std::span<const forecourt::MemberInfo> members)
        : ServiceObject(std::move(factory), members), m_count(count)
    {
    }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() == QLatin1String(dbus::kIntrospectableInterface))
            ++m_count;
        return ServiceObject::handleMessage(message, connection);
    }

private:
    std::atomic<int>& m_count;
};

// The broken server on a thread of its own, under Vantrel.Application on the private bus.
class BrokenService : public QThread {
public:
    BrokenService(const QString& address, Rule rule) : m_address(address), m_rule(rule)
    {
        for (const auto& m : forecourt::ForecourtServer::members())
            if (rule != Rule::MemberMissing || std::string_view(m.name) != "PriceSignDataRead")
                m_members.push_back(m);
        start();
        m_ready.acquire();
    }
    ~BrokenService() override
    {
        quit();
        wait();
    }
    int introspections() const { return m_introspections; }

protected:
    void run() override
    {
        const QString name = "broken@" + m_address;
        {
            QDBusConnection connection = QDBusConnection::connectToBus(m_address, name);
            CountingObject object(
                m_introspections,
                [rule = m_rule] { return dbus::ServedInstance{std::make_unique<BrokenForecourt>(rule), nullptr}; },
                m_members);
            connection.registerVirtualObject(dbus::kObjectPath, &object);
            connection.interface()->registerService(dbus::kDefaultBusName);
            m_ready.release();
            exec();
            connection.unregisterObject(dbus::kObjectPath);
        }
        QDBusConnection::disconnectFromBus(name);
    }

private:
    QString m_address;
    Rule m_rule;
    std::vector<forecourt::MemberInfo> m_members;
    QSemaphore m_ready;
    std::atomic<int> m_introspections{0};
};

struct BrokenRow {
    const char* name;
    Rule rule;
    const char* failingCheck; // the one check that must fail
    const char* saying;       // how its answer begins
};

class BrokenServer : public ::testing::TestWithParam<BrokenRow> {};

TEST_P(BrokenServer, ExactlyTheCheckOfTheBrokenRuleFails)
{
    PrivateBus bus;
    BrokenService service(bus.address(), GetParam().rule);
    const Result result = runAgainst("dbus:Vantrel.Application@" + bus.address().toStdString(), 1500ms);
    EXPECT_EQ(result.parts.size(), 11u) << "the suite goes on";
    const auto failed = failedChecks(result);
    ASSERT_EQ(failed.size(), 1u) << conformance::summaryLine(result);
    EXPECT_EQ(failed.begin()->first, GetParam().failingCheck);
    EXPECT_EQ(failed.begin()->second.rfind(GetParam().saying, 0), 0u) << failed.begin()->second;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, BrokenServer,
    ::testing::Values(
        BrokenRow{"member_missing_from_introspection", Rule::MemberMissing, "PriceSignDataRead is offered for get",
                  "the server does not offer PriceSignDataRead"},
        BrokenRow{"record_shape_refused", Rule::ShapeRefused,
                  "KeyPadConfiguration takes a keypad record whose last line ends with LF alone", "Error 1004: "},
        BrokenRow{"read_of_wrong_type", Rule::WrongType,
                  "SelfDiagnosticsReportStatus answers a number the button takes as a 16-bit integer",
                  "the answer does not hold (answers a 16-bit integer): busy"},
        BrokenRow{"bad_position_fails_without_number", Rule::UntypedBadPosition,
                  "ReaderInformation of position 40 is a numbered error", "Error 9001: "},
        BrokenRow{"answer_slower_than_timeout", Rule::Slow, "SystemVersions answers text the SystemVersions button shows",
                  "no answer within 1500 ms: it took "}),
    test_names::ByName{});

// The members offered are read from the introspection the client took when
// the server was created: the server is not asked a second time.
TEST(ConformanceSuite, MembersComeFromTheIntrospectionReadWhenTheServerWasCreated)
{
    PrivateBus bus;
    BrokenService service(bus.address(), Rule::MemberMissing);
    AutomationRegistry registry;
    std::string reason;
    const auto server =
        chooseServer(registry, "dbus:Vantrel.Application@" + bus.address().toStdString(), 5000ms, true, reason);
    ASSERT_TRUE(server) << reason;
    const conformance::Part part = conformance::runPart(
        "members", "expect member put Authorize\nexpect member get PriceSignDataRead\nexpect member get CardQue\n",
        registry, server->progId, {});
    ASSERT_EQ(part.checks.size(), 3u);
    EXPECT_TRUE(part.checks[0].passed && part.checks[2].passed);
    EXPECT_EQ(part.checks[1].answer, "the server does not offer PriceSignDataRead");
    EXPECT_EQ(service.introspections(), 1);
}

TEST(ConformanceSuite, ServerThatVanishesMidSuiteIsFailuresNotACrash)
{
    PrivateBus bus;
    dbus::test::ServiceProcess service(bus);
    ASSERT_TRUE(service.waitUntilServing());
    conformance::Options options;
    int seen = 0;
    options.onCheck = [&](const conformance::Part&, const conformance::Check&) {
        if (++seen == 20)
            service.kill();
    };
    const Result result = runAgainst("dbus:Vantrel.Application@" + bus.address().toStdString(), 5000ms, options);
    ASSERT_EQ(result.parts.size(), 11u);
    EXPECT_EQ(result.failed(), result.checks() - 20) << conformance::summaryLine(result);
    // Each part after it says that the server cannot be created.
    EXPECT_EQ(result.parts.back().checks.size(), 1u);
    EXPECT_EQ(result.parts.back().checks.front().label, "the server can be created");
}

TEST(ConformanceCommand, VantrelForecourtPassesWholeWithReportAndJunit)
{
    PrivateBus bus;
    dbus::test::ServiceProcess service(bus);
    ASSERT_TRUE(service.waitUntilServing());
    QTemporaryDir dir;
    QProcess run;
    run.start(VANTREL_EXE, {"--conformance", "dbus:Vantrel.Application@" + bus.address(), "--report",
                            dir.filePath("r.html"), "--junit", dir.filePath("j.xml")});
    ASSERT_TRUE(run.waitForFinished(120000));
    const QString out = QString::fromUtf8(run.readAllStandardOutput());
    EXPECT_EQ(run.exitCode(), 0) << out.toStdString() << run.readAllStandardError().toStdString();
    EXPECT_TRUE(out.endsWith(" checks, 0 failed\n")) << out.toStdString();
    QFile page(dir.filePath("r.html")), junit(dir.filePath("j.xml"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly) && junit.open(QIODevice::ReadOnly));
    const QByteArray html = page.readAll();
    EXPECT_EQ(html.count("<table>"), 11);
    EXPECT_TRUE(html.contains("<h2>06-beeper-packets: "));
    EXPECT_TRUE(junit.readAll().contains("failures=\"0\""));
}

struct UsageRow {
    const char* name;
    QStringList args;
    const char* reason;
};

class ConformanceUsage : public ::testing::TestWithParam<UsageRow> {};

TEST_P(ConformanceUsage, IsRefusedWithStatus2AndTheReason)
{
    QProcess run;
    run.start(VANTREL_EXE, GetParam().args);
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 2);
    EXPECT_TRUE(run.readAllStandardError().contains(GetParam().reason));
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, ConformanceUsage,
    ::testing::Values(UsageRow{"unknown_server", {"--conformance", "No.Such.Server"}, "there is no such server"},
                      UsageRow{"report_without_conformance", {"--report", "r.html"}, "give --conformance too"},
                      UsageRow{"with_a_script", {"--conformance", "Vantrel.Application", "--script", "x.vts"},
                               "it takes no --script"},
                      UsageRow{"report_is_a_folder", {"--conformance", "Vantrel.Application", "--report", "/tmp"},
                               "--report /tmp"}),
    test_names::ByName{});

// A script of the suite named as the page or the JUnit file is refused, and stays as it was.
TEST(ConformanceCommand, AnOutputOverAScriptOfTheSuiteIsRefusedAndTheScriptKept)
{
    const std::string path = shippedScripts().front();
    QFile script(QString::fromStdString(path));
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    const QByteArray before = script.readAll();
    script.close();
    for (const char* option : {"--report", "--junit"}) {
        QProcess run;
        run.start(VANTREL_EXE, {"--conformance", "Vantrel.Application", option, QString::fromStdString(path)});
        ASSERT_TRUE(run.waitForFinished(120000));
        EXPECT_EQ(run.exitCode(), 2) << option;
        EXPECT_TRUE(run.readAllStandardError().contains(" is the script ")) << option;
        ASSERT_TRUE(script.open(QIODevice::ReadOnly));
        const QByteArray after = script.readAll();
        script.close();
        if (after != before && script.open(QIODevice::WriteOnly)) { // put the suite back for the tests after this one
            script.write(before);
            script.close();
        }
        EXPECT_EQ(after, before) << option;
    }
}

TEST(ConformanceReport, AnswersAreMaskedEscapedAndTheirControlBytesMarked)
{
    Result result;
    result.parts.push_back({"01-fueling",
                            {{3, "A <b> check", "Authorize", "put a record, taken", false,
                              std::string("Card=4111111111111111\r\n<b>&\x07%1"), 12}},
                            0});
    const std::string page = conformance::htmlReport(result, {"Vantrel.Application (embedded)", "2026-01-01", 5000});
    EXPECT_EQ(page.find("4111111111111111"), std::string::npos);
    EXPECT_NE(page.find("<td>A &lt;b&gt; check</td>"), std::string::npos);
    EXPECT_NE(page.find("<span class=\"ctl\">\u240D</span><span class=\"ctl\">\u240A</span>&lt;b&gt;&amp;"
                        "<span class=\"ctl\">\u2407</span>%1</td>"),
              std::string::npos);
    EXPECT_NE(page.find("<td class=\"verdict\">FAIL</td>"), std::string::npos);
    EXPECT_NE(page.find("1 checks, 1 failed (01-fueling: 1 of 1)"), std::string::npos);
}

// The embedded forecourt, but SystemVersions answers 1 MiB with a card
// number across the 4096th byte, where every output cuts what it shows.
class LongAnswerForecourt : public forecourt::ForecourtServer {
public:
    static std::string answer()
    {
        return std::string(4080, 'v') + "\r\nPAN=4111111111111111\r\n" + std::string(std::size_t(1) << 20, 'w');
    }
    Value get(std::string_view member, const std::optional<Value>& argument) override
    {
        return member == "SystemVersions" ? Value::string(answer()) : ForecourtServer::get(member, argument);
    }
};

TEST(ConformanceReport, AnAnswerFarLongerThanShownIsKeptByItsStartMaskedWholeAndItsLengthSaid)
{
    QTemporaryDir dir;
    const QString script = dir.filePath("07-long.vts");
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# SystemVersions answers\nget SystemVersions\n"
               "# SystemVersions answers a number\nget SystemVersions\nexpect result type int16\n");
    file.close();
    AutomationRegistry registry;
    registry.add("Test.Long", [] { return std::make_unique<LongAnswerForecourt>(); });
    std::ostringstream printed;
    const Result result = conformance::runSuite({script.toStdString()}, registry, "Test.Long", {}, printed);
    ASSERT_EQ(result.parts.size(), 1u);
    ASSERT_EQ(result.parts[0].checks.size(), 2u);
    const std::string whole = std::to_string(LongAnswerForecourt::answer().size());
    for (const conformance::Check& check : result.parts[0].checks)
        EXPECT_LE(check.answer.size(), conformance::kKeptAnswer) << check.label;
    EXPECT_EQ(result.parts[0].checks[0].answerSize, LongAnswerForecourt::answer().size());

    const std::string page = conformance::htmlReport(result, {"Test.Long", "2026-01-01", 5000});
    EXPECT_EQ(page.find("4111111111"), std::string::npos) << "the card number is masked before the page cuts it";
    EXPECT_NE(page.find("411111"), std::string::npos);
    EXPECT_NE(page.find(" (" + whole + " bytes, the first 4096 shown)"), std::string::npos);

    EXPECT_LT(printed.str().size(), 3 * conformance::kShownAnswer);
    EXPECT_NE(printed.str().find("FAILED 07-long:4 SystemVersions answers a number: the answer does not hold"),
              std::string::npos);
    std::string reason;
    const QString junit = dir.filePath("j.xml");
    ASSERT_TRUE(conformance::writeConformanceJunit(junit.toStdString(), result, true, reason)) << reason;
    EXPECT_LT(QFileInfo(junit).size(), 3 * static_cast<qint64>(conformance::kShownAnswer));
}

// Masking drops a track's discretionary digits, so the masked start of a
// long answer reaches further into it than its raw start: a card number
// that the kept bytes cut in two is still masked, as in the whole answer.
TEST(ConformanceReport, ACardNumberOverTheCutIsMaskedAsInTheWholeAnswer)
{
    std::string answer;
    while (answer.size() < 4400) // masking drops 12 discretionary digits a line: over 1 KiB in all
        answer += ";4111111111111111=2512101123456789012?\n";
    answer.append(conformance::kKeptAnswer - 8 - answer.size(), '.');
    answer += " 4111111111111111 and more\n";
    answer.append(3000, '.');
    conformance::Check check;
    conformance::keepAnswer(check, answer);
    EXPECT_EQ(check.answer.size(), conformance::kKeptAnswer);
    EXPECT_EQ(check.answerSize, answer.size());
    const std::string shown = conformance::shownAnswer(check, true);
    EXPECT_NE(shown.find(" 411111**"), std::string::npos) << shown.substr(shown.size() - 40);
    EXPECT_EQ(shown.find(" 41111111"), std::string::npos);
    EXPECT_EQ(conformance::shownAnswer(check, false), answer.substr(0, conformance::kShownAnswer));
}

// An answer is bytes, not text: whatever it holds (here what UTF-8 would read
// as the non-characters U+FFFE and U+FFFF), the JUnit file stays XML.
TEST(ConformanceReport, TheJUnitFileIsWellFormedWhateverBytesAnAnswerHolds)
{
    Result result;
    result.parts.push_back({"03-reader-queues",
                            {{5, "CardQue answers", "CardQue", "get, answered", false,
                              std::string("A\xEF\xBF\xBE B\xEF\xBF\xBF C\xE9\x07\x1B"), 3}},
                            0});
    QTemporaryDir dir;
    const QString path = dir.filePath("j.xml");
    std::string reason;
    ASSERT_TRUE(conformance::writeConformanceJunit(path.toStdString(), result, true, reason)) << reason;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QString message;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"failure")
            message = xml.attributes().value(QStringLiteral("message")).toString();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(message, QString::fromUtf8("get, answered: A\u00EF\u00BF\u00BE B\u00EF\u00BF\u00BF C\u00E9\u2407\u241B"));
}

struct FormRow {
    const char* name;
    const char* script;
    const char* reason; // what the refusal says; "" when the line reads
};

class ExpectationForm : public ::testing::TestWithParam<FormRow> {};

TEST_P(ExpectationForm, ReadsOrIsRefusedWithItsReason)
{
    try {
        const auto commands = parseScript(GetParam().script);
        EXPECT_STREQ(GetParam().reason, "") << "the script read";
        EXPECT_EQ(commands.back().kind == ScriptCommand::Kind::ExpectError, commands.back().number == kAnyServerError);
    } catch (const ScriptError& e) {
        EXPECT_NE(std::string(GetParam().reason), "");
        EXPECT_NE(e.reason.find(GetParam().reason), std::string::npos) << e.reason;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ExpectationForm,
    ::testing::Values(FormRow{"result_type_int16", "get M\nexpect result type int16\n", ""},
                      FormRow{"result_type_float", "get M\nexpect result type float\n", "takes string or int16"},
                      FormRow{"result_type_without_get", "expect result type string\n", "no get comes before it"},
                      FormRow{"error_any", "expect error any\n", ""},
                      FormRow{"error_some", "expect error some\n", "an error number or any"},
                      FormRow{"error_negative", "expect error -1\n", "an error number or any"},
                      FormRow{"member_put", "expect member put Authorize\n", ""},
                      FormRow{"member_fetch", "expect member fetch Authorize\n", "put|get|call NAME"},
                      FormRow{"member_not_a_name", "expect member get 9Lives\n", "takes a member name"}),
    test_names::ByName{});

// The expectation forms in a --script run, against the embedded forecourt.
TEST(ConformanceForms, HoldAndFailInAScriptRun)
{
    AutomationRegistry registry;
    const ScriptRunOptions options = test::onEmbeddedServer(registry, {});
    std::ostringstream out;
    const ScriptResult r = runScriptText("forms.vts",
                                         "expect member put Authorize\n"
                                         "expect member get Authorize\n"
                                         "expect error any\n"
                                         "get FuelingPositionInformation int16 40\n"
                                         "get SelfDiagnosticsReportStatus\n"
                                         "expect result type int16\n"
                                         "expect result type string\n",
                                         registry, options, out);
    EXPECT_EQ(r.status, 1) << out.str();
    ASSERT_EQ(r.failures.size(), 2u) << out.str();
    EXPECT_EQ(r.failures[0].text, "line 2: expected Authorize offered for get, but Authorize is offered, but not for "
                                  "get (no method)");
    EXPECT_EQ(r.failures[1].text, "line 7: expected result answers a string, but it is -1 (int16)");
}

} // namespace
} // namespace vantrel
