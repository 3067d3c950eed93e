// A server on the system bus of another machine, reached over ssh: an sshd
// on the loopback address whose far "system bus" is a private dbus-daemon
// serving vantrel-forecourt. Calls go through, other client libraries open
// the same local address, and every way ssh can fail reaches the caller as
// ssh's own words instead of a hang or a bare disconnect.
#include "bus_fixture.h"
#include "ssh_fixture.h"

#include "dbus/dbus_client.h"
#include "dbus/ssh_command.h"
#include "server/automation_error.h"

#include "support/case_names.h"

#include <QFileInfo>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace vantrel;
using namespace vantrel::dbus;
using namespace std::chrono_literals;
using ::testing::HasSubstr;

namespace {

class OverSsh : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new test::SshServer; }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override
    {
        if (!server->problem().isEmpty())
            GTEST_SKIP() << "no ssh server: " << server->problem().toStdString();
    }
    static inline test::SshServer* server = nullptr;
};

class ServedOverSsh : public OverSsh {
protected:
    test::PrivateBus bus;
    test::ServiceProcess service{bus, {"--virtual-clock", "-q"}};
    test::ScopedVariable options{kSshOptionsVariable, server->options()};
    test::ScopedVariable bridge{kSshBridgeVariable, test::bridgeTo(bus.address())};
    Endpoint endpoint = *parseServerSpec("dbus:Vantrel.Application@ssh:127.0.0.1");
};

TEST_F(ServedOverSsh, CallsReachTheFarServerUntilItsBusGoes)
{
    ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
    DBusClient direct(bus.endpoint(), 10s);
    const Value before = direct.get("DispenserInformation", Value::int16(7));

    DBusClient far(endpoint, 10s);
    ASSERT_TRUE(far.hasVirtualClock());
    far.put("Authorize", Value::string(test::kAuthorize7));
    far.advance(4000ms);
    const Value after = far.get("DispenserInformation", Value::int16(7));
    EXPECT_NE(after, before);
    EXPECT_EQ(after, direct.get("DispenserInformation", Value::int16(7)));

    service.kill();
    bus.stop();
    // The first call may still go out on the connection that is closing;
    // the one after opens a new one, whose ssh tells why it cannot.
    EXPECT_THROW(far.get("SystemVersions", std::nullopt), AutomationError);
    try {
        far.get("SystemVersions", std::nullopt);
        ADD_FAILURE() << "a call went through to a bus that is gone";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), static_cast<int>(ErrorCode::ServerUnavailable));
        EXPECT_THAT(error.description(), HasSubstr("ssh 127.0.0.1 ended with status 1: Failed to start bus client"));
    }
}

TEST_F(ServedOverSsh, RelayListensInAFolderOnlyThisUserOpens)
{
    const std::string address = localAddress(endpoint);
    ASSERT_EQ(address.rfind("unix:path=", 0), 0u) << address;
    const QString folder = QFileInfo(QString::fromStdString(address.substr(10))).path();
    struct stat info {};
    ASSERT_EQ(::stat(folder.toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(info.st_uid, ::geteuid());
    EXPECT_EQ(localAddress(endpoint), address); // one relay per target and options
}

// Other D-Bus libraries open the same local address: sd-bus (busctl) and
// libdbus itself (dbus-send, which registers with --bus=, not --address).
// sd-bus ends a connection whose Hello failed without saying the bus's
// reason, so busctl only fails; libdbus gives it, as QtDBus does.
struct ClientCase {
    const char* name;
    const char* program;
    const char* arguments; // %1: the address
    const char* answer;    // how its output begins DispenserInformation's bytes, "Dispenser=7"
    bool saysSshsWords;
};

class OtherClients : public OverSsh, public ::testing::WithParamInterface<ClientCase> {
protected:
    std::pair<int, std::string> run(const Endpoint& endpoint)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(GetParam().program,
                      QString(GetParam().arguments).arg(QString::fromStdString(localAddress(endpoint))).split(' '));
        process.waitForFinished(60000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAll().toStdString()};
    }
};

TEST_P(OtherClients, CallThroughTheRelayAndReadSshsWords)
{
    test::PrivateBus bus;
    test::ServiceProcess service(bus, {"--virtual-clock", "-q"});
    ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
    const test::ScopedVariable bridge(kSshBridgeVariable, test::bridgeTo(bus.address()));
    const Endpoint endpoint = *parseServerSpec("dbus:Vantrel.Application@ssh:127.0.0.1");
    {
        const test::ScopedVariable options(kSshOptionsVariable, server->options());
        const auto [status, output] = run(endpoint);
        EXPECT_EQ(status, 0) << output;
        EXPECT_THAT(output, HasSubstr(GetParam().answer));
    }
    const test::ScopedVariable options(kSshOptionsVariable, server->refusedOptions());
    const auto [status, output] = run(endpoint);
    EXPECT_NE(status, 0) << output;
    if (GetParam().saysSshsWords) {
        EXPECT_THAT(output, ::testing::ContainsRegex("ssh 127.0.0.1 ended with status 255: ssh: connect to host "
                                                     "127.0.0.1 port [0-9]+: Connection refused"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Libraries, OtherClients,
    ::testing::Values(ClientCase{"busctl", "busctl",
                                 "--address=%1 call Vantrel.Application /Vantrel/Application Vantrel.Application "
                                 "DispenserInformation v n 7",
                                 " 68 105 115 112 101 110 115 101 114 61 55 13 10 ", false},
                      ClientCase{"dbus_send", "dbus-send",
                                 "--bus=%1 --print-reply --dest=Vantrel.Application /Vantrel/Application "
                                 "Vantrel.Application.DispenserInformation variant:int16:7",
                                 "array of bytes [\n         44 69 73 70 65 6e 73 65 72 3d 37 ", true}),
    vantrel::test_names::ByName{});

enum class Login { Accepted, WrongKey, NothingListens };

struct SshErrorCase {
    const char* name;
    const char* target;
    Login login;
    const char* bridge; // empty: systemd-stdio-bridge
    const char* says;   // after "ssh TARGET "
    const char* more = ""; // and further on
};

class SshErrors : public OverSsh, public ::testing::WithParamInterface<SshErrorCase> {};

TEST_P(SshErrors, AreClearAndCarrySshsWords)
{
    const SshErrorCase& c = GetParam();
    const QString options = c.login == Login::WrongKey         ? server->wrongKeyOptions()
                            : c.login == Login::NothingListens ? server->refusedOptions()
                                                               : server->options();
    const test::ScopedVariable sshOptions(kSshOptionsVariable, options);
    const test::ScopedVariable bridge(kSshBridgeVariable, c.bridge);
    const std::string target = c.target;
    const auto endpoint = parseServerSpec("dbus:Vantrel.Application@ssh:" + target);
    ASSERT_TRUE(endpoint);
    try {
        DBusClient client(*endpoint, 10s);
        ADD_FAILURE() << "connected";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), static_cast<int>(ErrorCode::CannotCreateObject));
        EXPECT_THAT(error.description(),
                    HasSubstr("cannot reach the bus at ssh:" + target + ": ssh " + target + " " + c.says));
        EXPECT_THAT(error.description(), HasSubstr(c.more));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SshErrors,
    ::testing::Values(
        SshErrorCase{"HostUnknown", "nowhere.invalid", Login::Accepted, "",
                     "ended with status 255: ssh: Could not resolve hostname nowhere.invalid"},
        SshErrorCase{"ConnectionRefused", "127.0.0.1", Login::NothingListens, "",
                     "ended with status 255: ssh: connect to host 127.0.0.1 port", ": Connection refused"},
        SshErrorCase{"AuthenticationRefused", "127.0.0.1", Login::WrongKey, "",
                     "ended with status 255: ", "@127.0.0.1: Permission denied (publickey)"},
        SshErrorCase{"NoBridgeThere", "127.0.0.1", Login::Accepted, "vantrel-no-such-bridge",
                     "ended with status 127: env: 'vantrel-no-such-bridge': No such file or directory"},
        SshErrorCase{"NoSystemBusThere", "127.0.0.1", Login::Accepted,
                     "systemd-stdio-bridge --bus-path=unix:path=/nonexistent/bus",
                     "ended with status 1: Failed to start bus client: No such file or directory"},
        // A far side that takes the connection and never answers: ended
        // before libdbus's own 25 seconds for Hello run out.
        SshErrorCase{"FarSideSilent", "127.0.0.1", Login::Accepted, "sh -c 'cat >/dev/null'",
                     "did not reach the far bus within 20 seconds"}),
    vantrel::test_names::ByName{});

} // namespace
