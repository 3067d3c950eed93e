// The two programs with --site: a file that is not valid stops them with
// status 2 and the one line that says where, and vantrel-test runs each of
// its scripts on a fresh server of the file's site.
#include "support/case_names.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

class SiteCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "vantrel-site-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        write("bad.json", "{\n  \"positions\": [\n    {\"position\": 33}\n  ]\n}\n");
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string path(const std::string& name) const { return (m_dir / name).string(); }
    void write(const std::string& name, const std::string& text) const { std::ofstream(path(name)) << text; }

    // Runs a program with `args` (no shell word in them), its standard error
    // kept; the exit status.
    int run(const std::string& program, const std::string& args, std::string& errors) const
    {
        const std::string command = "XDG_CONFIG_HOME='" + m_dir.string() + "' QT_QPA_PLATFORM=offscreen '" + program +
                                    "' " + args + " >'" + path("out.txt") + "' 2>'" + path("err.txt") + "'";
        const int status = std::system(command.c_str());
        std::ifstream in(path("err.txt"));
        std::ostringstream text;
        text << in.rdbuf();
        errors = text.str();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path m_dir;
};

TEST_F(SiteCommand, ForecourtRefusesAFileThatIsNotValid)
{
    std::string errors;
    EXPECT_EQ(run(VANTREL_FORECOURT_EXE, "--site '" + path("bad.json") + "'", errors), 2);
    EXPECT_EQ(errors, "vantrel-forecourt: --site " + path("bad.json") + ": line 3: a position is 1 to 32, not 33\n");
}

TEST_F(SiteCommand, UtilityRefusesAFileThatIsNotValid)
{
    write("empty.vts", "# nothing\n");
    std::string errors;
    EXPECT_EQ(run(VANTREL_EXE, "--site '" + path("bad.json") + "' --script '" + path("empty.vts") + "'", errors), 2);
    EXPECT_EQ(errors, "vantrel-test: --site " + path("bad.json") + ": line 3: a position is 1 to 32, not 33\n");
}

TEST_F(SiteCommand, UtilityRunsEachScriptOnTheSite)
{
    // The first script leaves a sale behind; the second finds the station as the file describes it.
    const std::string check = "get DispenserInformation int16 1\n"
                              "expect result contains Hose1Product=Unleaded 95\n"
                              "get FuelingPositionInformation int16 1\n"
                              "expect result contains State=Idle\n"
                              "expect error 1107\n"
                              "get FuelingPositionInformation int16 5\n"
                              "get SystemVersions\n"
                              "expect result contains Readers=4\n";
    write("a.vts", check + "put Authorize string FuelingPosition=01\\r\\nHose=2\\r\\nMOP=1\\r\\nLimit=000500\\r\\n\\0\n");
    write("b.vts", check);
    std::string errors;
    const std::string station = std::string(VANTREL_SITE_EXAMPLES) + "/station.json";
    EXPECT_EQ(run(VANTREL_EXE, "--site '" + station + "' --script '" + path("a.vts") + "' '" + path("b.vts") + "'", errors), 0)
        << errors;
}

TEST_F(SiteCommand, UtilityTakesNoSiteForAnotherServer)
{
    write("empty.vts", "# nothing\n");
    std::string errors;
    const std::string station = std::string(VANTREL_SITE_EXAMPLES) + "/station.json";
    EXPECT_EQ(run(VANTREL_EXE, "--site '" + station + "' --server dbus --script '" + path("empty.vts") + "'", errors), 2);
    EXPECT_NE(errors.find("--site sets up the embedded simulator's site, not that of dbus"), std::string::npos) << errors;
}

} // namespace
