// The ssh form of --server, the ssh command line made of it, and the
// stand-in's side of the D-Bus authentication, without a network.
#include "ssh_fixture.h"

#include "dbus/endpoint.h"
#include "dbus/ssh_command.h"
#include "dbus/ssh_relay.h"
#include "dbus/ssh_stand_in.h"

#include "support/case_names.h"

#include <gtest/gtest.h>

#include <csignal>
#include <regex>

using namespace vantrel::dbus;

namespace {

struct SshFormCase {
    const char* name;
    const char* written;
    const char* target; // nullptr: refused
};

class SshForm : public ::testing::TestWithParam<SshFormCase> {};

TEST_P(SshForm, AcceptsOrRefuses)
{
    const auto endpoint = parseServerSpec(GetParam().written);
    if (!GetParam().target) {
        EXPECT_FALSE(endpoint) << endpoint->address;
        return;
    }
    ASSERT_TRUE(endpoint);
    EXPECT_EQ(endpoint->bus, Endpoint::Bus::Address);
    EXPECT_EQ(sshTarget(*endpoint), GetParam().target);
    EXPECT_EQ(describe(*endpoint), "Site.Forecourt on the system bus of " + std::string(GetParam().target) + " (over ssh)");
}

INSTANTIATE_TEST_SUITE_P(
    Forms, SshForm,
    ::testing::Values(SshFormCase{"Host", "dbus:Site.Forecourt@ssh:site", "site"},
                      SshFormCase{"UserAndHost", "dbus:Site.Forecourt@ssh:tech_2@site-7.example", "tech_2@site-7.example"},
                      SshFormCase{"Ipv6", "dbus:Site.Forecourt@ssh:fe80::1", "fe80::1"},
                      SshFormCase{"NoHost", "dbus:Site.Forecourt@ssh:", nullptr},
                      SshFormCase{"HostIsAnOption", "dbus:Site.Forecourt@ssh:-oProxyCommand=sh", nullptr},
                      SshFormCase{"UserIsAnOption", "dbus:Site.Forecourt@ssh:-l@site", nullptr},
                      SshFormCase{"EmptyUser", "dbus:Site.Forecourt@ssh:@site", nullptr},
                      SshFormCase{"TwoUsers", "dbus:Site.Forecourt@ssh:a@b@site", nullptr},
                      SshFormCase{"ShellWord", "dbus:Site.Forecourt@ssh:site;reboot", nullptr}),
    vantrel::test_names::ByName{});

TEST(LocalAddress, IsTheAddressItselfOrNothingForTheNamedBuses)
{
    EXPECT_EQ(localAddress(*parseServerSpec("dbus:Site.Forecourt@unix:path=/tmp/x")), "unix:path=/tmp/x");
    EXPECT_EQ(localAddress(*parseServerSpec("dbus:Site.Forecourt@system")), "");
    EXPECT_EQ(localAddress(*parseServerSpec("dbus")), "");
}

TEST(SshCommandLine, OursFirstThenTheEnvironmentsThenTargetAndBridge)
{
    const test::ScopedVariable options(kSshOptionsVariable, " -F /etc/site.conf  -p 2222 ");
    const test::ScopedVariable bridge(kSshBridgeVariable, "");
    const std::vector<std::string> expected{"ssh", "-xT", "-o", "BatchMode=yes", "-o", "ConnectTimeout=10",
                                            "-o", "ServerAliveInterval=10", "-o", "ServerAliveCountMax=3",
                                            "-o", "LogLevel=ERROR", "-F", "/etc/site.conf", "-p", "2222",
                                            "--", "tech@site", "env", "SYSTEMD_LOG_TARGET=console",
                                            "systemd-stdio-bridge"};
    EXPECT_EQ(sshCommand("tech@site"), expected);
}

TEST(SshFailureText, SaysStatusAndEveryLinePrintable)
{
    EXPECT_EQ(sshFailureText("site", 127 << 8, "  line one\r\n\nbad \x01\xc3 byte\n"),
              "ssh site ended with status 127: line one; bad ?? byte");
    EXPECT_EQ(sshFailureText("site", SIGKILL, ""), "ssh site ended on signal 9 and said nothing");
}

struct ExchangeCase {
    const char* name;
    std::string sent;
    const char* answer; // the stand-in's guid written as <guid>
    bool broken;
};

class StandInAuthentication : public ::testing::TestWithParam<ExchangeCase> {};

TEST_P(StandInAuthentication, AnswersAsABus)
{
    SshStandIn standIn("ssh site ended with status 255");
    const std::string answer = standIn.take(GetParam().sent);
    EXPECT_EQ(std::regex_replace(answer, std::regex("OK [0-9a-f]{32}\r\n"), "OK <guid>\r\n"), GetParam().answer);
    EXPECT_EQ(standIn.closing(), GetParam().broken);
    EXPECT_FALSE(standIn.refused());
}

// A message header: byte order, method call, no flags, version 1, body and fields lengths, serial.
std::string header(char order, std::uint32_t body)
{
    std::string bytes{order, 1, 0, 1};
    for (const std::uint32_t value : {body, 1u, 0u})
        for (int i = 0; i < 4; ++i)
            bytes += static_cast<char>((value >> (8 * (order == 'B' ? 3 - i : i))) & 0xFF);
    return bytes;
}

const std::string kBegun = std::string(1, '\0') + "AUTH ANONYMOUS\r\nBEGIN\r\n";

INSTANTIATE_TEST_SUITE_P(
    Exchanges, StandInAuthentication,
    ::testing::Values(
        ExchangeCase{"LibdbusExternal", std::string(1, '\0') + "AUTH EXTERNAL 30\r\n", "OK <guid>\r\n", false},
        ExchangeCase{"SdBusPipelined", std::string(1, '\0') + "AUTH EXTERNAL\r\nDATA\r\nNEGOTIATE_UNIX_FD\r\nBEGIN\r\n",
                     "DATA\r\nOK <guid>\r\nERROR\r\n", false},
        ExchangeCase{"NoMechanism", std::string(1, '\0') + "AUTH\r\n", "REJECTED EXTERNAL ANONYMOUS\r\n", false},
        ExchangeCase{"CancelledAfterOk", std::string(1, '\0') + "AUTH EXTERNAL 30\r\nCANCEL\r\n",
                     "OK <guid>\r\nREJECTED EXTERNAL ANONYMOUS\r\n", false},
        ExchangeCase{"NoLeadingNul", "AUTH EXTERNAL 30\r\n", "", true},
        ExchangeCase{"BeginBeforeAuth", std::string(1, '\0') + "BEGIN\r\n", "", true},
        ExchangeCase{"OverlongLine", std::string(1, '\0') + std::string(20000, 'A'), "", true},
        ExchangeCase{"MessageOverTheBound", kBegun + header('l', 2 * 1024 * 1024), "OK <guid>\r\n", true},
        ExchangeCase{"MessageNotWhole", kBegun + header('B', 8), "OK <guid>\r\n", false}),
    vantrel::test_names::ByName{});

} // namespace
