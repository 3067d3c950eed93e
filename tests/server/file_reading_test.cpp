// Reading a file whole: to its end whatever size it gives, bounded, and only
// a regular file (a FIFO is refused without waiting for a writer).
#include "server/file_reading.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace vantrel;

namespace {

struct TempDir {
    std::string path;
    TempDir()
    {
        char pattern[] = "/tmp/vantrel-reading-XXXXXX";
        path = ::mkdtemp(pattern);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
};

} // namespace

TEST(FileReading, AFileWhoseSizeSaysNothingIsReadToItsEnd)
{
    std::string content;
    ASSERT_EQ(readWholeFile("/proc/self/status", 1 << 20, content), FileProblem::None);
    EXPECT_EQ(content.rfind("Name:", 0), 0u) << content.substr(0, 40);
    // The bound holds for such a file too.
    EXPECT_EQ(readWholeFile("/proc/self/status", 8, content), FileProblem::TooLarge);
}

TEST(FileReading, ARegularFileComesBackByteForByteUpToTheBound)
{
    TempDir dir;
    const std::string path = dir.path + "/f";
    const std::string bytes("a\0b\xff\r\n", 6);
    std::ofstream(path, std::ios::binary) << bytes;
    std::string content;
    ASSERT_EQ(readWholeFile(path, 6, content), FileProblem::None);
    EXPECT_EQ(content, bytes);
    EXPECT_EQ(readWholeFile(path, 5, content), FileProblem::TooLarge);
}

TEST(FileReading, WhatIsNoRegularFileIsRefusedAndSaysWhy)
{
    TempDir dir;
    std::string content;
    int error = 0;
    EXPECT_EQ(readWholeFile(dir.path + "/missing", 100, content, &error), FileProblem::Missing);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(readWholeFile(dir.path, 100, content), FileProblem::Folder);
    ASSERT_EQ(::mkfifo((dir.path + "/fifo").c_str(), 0600), 0);
    EXPECT_EQ(readWholeFile(dir.path + "/fifo", 100, content), FileProblem::NotRegular);
    EXPECT_EQ(readWholeFile("/dev/null", 100, content), FileProblem::NotRegular);
}
