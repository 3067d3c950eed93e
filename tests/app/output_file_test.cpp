// Output files: only a regular file, or a link to one, is written, through a
// temporary file beside it renamed into place; a device, a FIFO or a folder
// is refused and left as it is, and a failing step leaves the earlier file.
#include "app/output_file.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

using namespace vantrel;
namespace fs = std::filesystem;

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::string& content) { std::ofstream(path, std::ios::binary) << content; }

std::set<std::string> entries(const std::string& dir)
{
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

// What a path is, without following it: its type, and where a link points.
std::string kindOf(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return "missing";
    const std::string type = std::to_string(st.st_mode & S_IFMT);
    return S_ISLNK(st.st_mode) ? type + " -> " + fs::read_symlink(path).string() : type;
}

mode_t modeOf(const std::string& path)
{
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

struct Refused {
    const char* name;
    std::function<std::string(const std::string& dir)> make; // gives the output path
    const char* reason;
};
void PrintTo(const Refused& c, std::ostream* os) { *os << c.name; }

} // namespace

class OutputRefused : public ::testing::TestWithParam<Refused> {};

TEST_P(OutputRefused, IsLeftAsItIsAndSaysWhy)
{
    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString();
    const std::string path = GetParam().make(dir);
    const std::string before = kindOf(path);
    const auto names = entries(dir);

    EXPECT_NE(outputRefusal(path).find(GetParam().reason), std::string::npos) << outputRefusal(path);
    std::string reason;
    EXPECT_FALSE(writeOutputFile(path, "bytes", false, reason));
    EXPECT_EQ(reason, outputRefusal(path));
    EXPECT_EQ(kindOf(path), before);
    EXPECT_EQ(entries(dir), names); // no temporary file left beside it
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, OutputRefused,
    ::testing::Values(
        Refused{"Fifo", [](const std::string& d) { ::mkfifo((d + "/f").c_str(), 0600); return d + "/f"; }, "a FIFO, not a regular file"},
        Refused{"Folder", [](const std::string& d) { fs::create_directory(d + "/sub"); return d + "/sub"; }, "a folder"},
        Refused{"LinkToFolder",
                [](const std::string& d) {
                    fs::create_directory(d + "/sub");
                    fs::create_symlink("sub", d + "/l");
                    return d + "/l";
                },
                "a link to a folder"},
        Refused{"LinkToDevNull", [](const std::string& d) { fs::create_symlink("/dev/null", d + "/l"); return d + "/l"; },
                "a link to a character device"},
        Refused{"DevNull", [](const std::string&) { return std::string("/dev/null"); }, "a character device"},
        Refused{"Socket",
                [](const std::string& d) {
                    const std::string path = d + "/s";
                    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
                    sockaddr_un address{};
                    address.sun_family = AF_UNIX;
                    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
                    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
                    ::close(fd);
                    return path;
                },
                "a socket"},
        Refused{"LinkLoop",
                [](const std::string& d) {
                    fs::create_symlink("b", d + "/a");
                    fs::create_symlink("a", d + "/b");
                    return d + "/a";
                },
                std::strerror(ELOOP)},
        // Said before a run starts, in the words the writer fails with at its end.
        Refused{"InAFolderThatIsNotThere", [](const std::string& d) { return d + "/gone/out"; }, std::strerror(ENOENT)},
        Refused{"LinkIntoAFolderThatIsNotThere",
                [](const std::string& d) {
                    fs::create_symlink("gone/out", d + "/l");
                    return d + "/l";
                },
                std::strerror(ENOENT)},
        Refused{"InAFileTakenForAFolder",
                [](const std::string& d) {
                    writeFile(d + "/f", "a file");
                    return d + "/f/out";
                },
                std::strerror(ENOTDIR)}),
    [](const auto& info) { return std::string(info.param.name); });

struct Written {
    const char* name;
    std::function<void(const std::string& dir)> make; // what lies at dir/out before
    const char* target;                                 // where the bytes land
};
void PrintTo(const Written& c, std::ostream* os) { *os << c.name; }

class OutputWritten : public ::testing::TestWithParam<Written> {};

TEST_P(OutputWritten, ReplacesTheFileAndKeepsTheLink)
{
    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString();
    GetParam().make(dir);
    const bool link = fs::is_symlink(dir + "/out");
    std::string reason;
    ASSERT_TRUE(writeOutputFile(dir + "/out", std::string("new\0bytes", 9), false, reason)) << reason;
    EXPECT_EQ(readFile(dir + "/" + GetParam().target), std::string("new\0bytes", 9));
    EXPECT_EQ(fs::is_symlink(dir + "/out"), link);
    for (const auto& name : entries(dir))
        EXPECT_NE(name.front(), '.') << "left behind: " << name;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, OutputWritten,
    ::testing::Values(Written{"NewFile", [](const std::string&) {}, "out"},
                      Written{"RegularFile", [](const std::string& d) { writeFile(d + "/out", "old and longer"); }, "out"},
                      Written{"LinkToFile",
                              [](const std::string& d) {
                                  writeFile(d + "/real", "old");
                                  fs::create_symlink("real", d + "/out");
                              },
                              "real"},
                      Written{"LinkToNothingYet", [](const std::string& d) { fs::create_symlink("later", d + "/out"); },
                              "later"}),
    [](const auto& info) { return std::string(info.param.name); });

struct Fault {
    const char* step;
    int error;
};
void PrintTo(const Fault& c, std::ostream* os) { *os << c.step; }

class OutputFault : public ::testing::TestWithParam<Fault> {
protected:
    void TearDown() override { test_hooks::setOutputFault({}); }
};

TEST_P(OutputFault, FailsWithTheSystemsReasonAndKeepsTheEarlierFile)
{
    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString();
    writeFile(dir + "/out", "earlier");
    test_hooks::setOutputFault([](std::string_view step) { return step == GetParam().step ? GetParam().error : 0; });
    std::string reason;
    EXPECT_FALSE(writeOutputFile(dir + "/out", "a new text that does not fit", false, reason));
    EXPECT_EQ(reason, std::strerror(GetParam().error));
    EXPECT_EQ(readFile(dir + "/out"), "earlier");
    EXPECT_EQ(entries(dir), std::set<std::string>{"out"});
}

INSTANTIATE_TEST_SUITE_P(Steps, OutputFault,
                         ::testing::Values(Fault{"write", ENOSPC}, Fault{"fsync", EIO}, Fault{"close", EDQUOT},
                                           Fault{"rename", EACCES}),
                         [](const auto& info) { return std::string(info.param.step); });

TEST(OutputFile, WritesNothingAfterAFailedWriteAndNothingUncommitted)
{
    QTemporaryDir tmp;
    const std::string path = tmp.filePath("out").toStdString();
    {
        OutputFile file(path);
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write("line\n"));
        EXPECT_FALSE(fs::exists(path)); // the lines go beside it until the commit
        EXPECT_TRUE(fs::exists(file.temporaryPath()));
    } // never committed: discarded
    EXPECT_TRUE(entries(tmp.path().toStdString()).empty());
}

TEST(OutputFile, ModesOwnerOnlyForUnmaskedDataElseKeptOrFromTheUmask)
{
    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString();
    std::string reason;
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(writeOutputFile(dir + "/new", "x", false, reason));
    EXPECT_EQ(modeOf(dir + "/new"), 0644u);
    writeFile(dir + "/kept", "x");
    ::chmod((dir + "/kept").c_str(), 0640);
    ASSERT_TRUE(writeOutputFile(dir + "/kept", "y", false, reason));
    EXPECT_EQ(modeOf(dir + "/kept"), 0640u);
    ASSERT_TRUE(writeOutputFile(dir + "/new", "z", true, reason));
    EXPECT_EQ(modeOf(dir + "/new"), 0600u);
    ASSERT_TRUE(writeOutputFile(dir + "/secret", "z", true, reason));
    EXPECT_EQ(modeOf(dir + "/secret"), 0600u);
    ::umask(mask);
}
