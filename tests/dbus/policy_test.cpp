// The shipped system bus policy, on a private bus started with it: only
// root and the service's own user (as its systemd unit runs it) own
// Vantrel.Application, only root and the group vantrel call it.
#include "bus_fixture.h"

#include <QCoreApplication>
#include <QFile>

#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace {
constexpr const char* kOutsider = "65534"; // nobody
constexpr const char* kServiceUser = "vantrel-forecourt";

class SystemPolicy : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (geteuid() != 0)
            GTEST_SKIP() << "switching to other users needs root";
        if (!getgrnam("vantrel")) {
            ASSERT_EQ(QProcess::execute("groupadd", {"--system", "vantrel"}), 0);
            m_createdGroup = true;
        }
        if (!getpwnam(kServiceUser)) {
            ASSERT_EQ(QProcess::execute("useradd", {"--system", "--no-create-home", "--home-dir", "/", "--shell",
                                                    "/usr/sbin/nologin", kServiceUser}),
                      0);
            m_createdUser = true;
        }
        m_gid = QString::number(getgrnam("vantrel")->gr_gid);
        ASSERT_TRUE(m_dir.isValid());
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
        QFile config(m_dir.filePath("system.conf"));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        // The default policy of a system bus, and the shipped file.
        config.write(QStringLiteral(R"(<busconfig>
  <type>system</type>
  <listen>unix:path=%1/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <deny own="*"/>
    <deny send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
    <allow receive_type="signal"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus"/>
  </policy>
  <include>%2</include>
</busconfig>
)").arg(m_dir.path(), VANTREL_POLICY_FILE).toUtf8());
        config.close();
        m_bus = std::make_unique<vantrel::dbus::test::PrivateBus>(config.fileName());
        QFile::setPermissions(m_dir.filePath("bus"), QFile::permissions(m_dir.filePath("bus")) | QFile::WriteOther | QFile::ReadOther);
    }

    void TearDown() override
    {
        m_bus.reset();
        if (m_createdGroup)
            QProcess::execute("groupdel", {"vantrel"});
        if (m_createdUser)
            QProcess::execute("userdel", {kServiceUser});
    }

    // One put by the probe as uid `nobody`, with the given supplementary groups.
    QString probeAs(const QString& groups)
    {
        QProcess p;
        p.start("setpriv", {"--reuid", kOutsider, "--regid", kOutsider,
                            groups.isEmpty() ? QStringLiteral("--clear-groups") : "--groups=" + groups,
                            QCoreApplication::applicationFilePath(), "--probe", m_bus->address()});
        p.waitForFinished(20000);
        return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<vantrel::dbus::test::PrivateBus> m_bus;
    QString m_gid;
    bool m_createdGroup = false;
    bool m_createdUser = false;
};

// One test: the group and the user it creates are the machine's, shared by
// every process of the suite.
TEST_F(SystemPolicy, OnlyRootAndTheServiceUserOwnAndOnlyTheGroupCalls)
{
    using vantrel::dbus::test::ServiceProcess;
    {
        ServiceProcess intruder(*m_bus, {"--virtual-clock"},
                                {"setpriv", "--reuid", kOutsider, "--regid", kOutsider, "--clear-groups"});
        EXPECT_EQ(intruder.waitForExit(), 1);
        EXPECT_TRUE(intruder.log().contains("org.freedesktop.DBus.Error.AccessDenied")) << intruder.log().toStdString();
    }
    {
        ServiceProcess service(*m_bus);
        ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
        EXPECT_TRUE(probeAs({}).startsWith("70 ")) << probeAs({}).toStdString();
        EXPECT_EQ(probeAs(m_gid), "ok");
    }
    const passwd* user = getpwnam(kServiceUser);
    ASSERT_NE(user, nullptr);
    ServiceProcess service(*m_bus, {"--virtual-clock"},
                           {"setpriv", "--reuid", QString::number(user->pw_uid), "--regid",
                            QString::number(user->pw_gid), "--clear-groups"});
    ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
    EXPECT_TRUE(probeAs({}).startsWith("70 ")) << probeAs({}).toStdString();
    EXPECT_EQ(probeAs(m_gid), "ok");
}
} // namespace
