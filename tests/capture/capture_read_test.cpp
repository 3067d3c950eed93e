#include "capture_fixtures.h"

#include "support/case_names.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>

namespace vantrel::capture::test {
namespace {

using namespace std::string_literals;

const std::string kFirst = signalWith("first", 1);
const std::string kSecond = signalWith("second", 2);

std::string withSerialZero(std::string message) { return message.replace(8, 1, 1, '\0'); }

// One kind of bad block after a good packet, and a good packet after it:
// the messages read (1 where reading ends at the bad block) and the reason.
struct BadBlock {
    const char* name;
    std::function<void(PcapngFile&)> bad;
    std::size_t messages;
    std::string reason; // "" for a block passed over without a word
};
void PrintTo(const BadBlock& row, std::ostream* out) { *out << row.name; }
class BadBlocks : public ::testing::TestWithParam<BadBlock> {};

TEST_P(BadBlocks, AreSkippedAndTold)
{
    PcapngFile file;
    file.section().interface().interface(1).packet(kFirst);
    const std::size_t badAt = file.bytes.size();
    GetParam().bad(file);
    file.packet(kSecond);
    const CaptureRead read = readCapture(file.bytes);
    EXPECT_EQ(read.error, "");
    ASSERT_EQ(read.messages.size(), GetParam().messages);
    EXPECT_EQ(read.messages.back().bytes, GetParam().messages == 1 ? kFirst : kSecond);
    ASSERT_EQ(read.skipped.size(), GetParam().reason.empty() ? 0u : 1u);
    if (!read.skipped.empty()) {
        EXPECT_EQ(read.skipped[0].offset, badAt);
        EXPECT_EQ(read.skipped[0].reason, GetParam().reason);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Capture, BadBlocks,
    ::testing::Values(
        BadBlock{"OtherKindPassedOver", [](PcapngFile& f) { f.block(4, "names"); }, 2, ""},
        BadBlock{"OtherLinkType", [](PcapngFile& f) { f.packet(kFirst, 0, 1); }, 2, "link type 1 is not D-Bus"},
        BadBlock{"UndescribedInterface", [](PcapngFile& f) { f.packet(kFirst, 0, 5); }, 2,
                 "interface 5 is not described"},
        BadBlock{"CapturedPastItsBlock", [](PcapngFile& f) { f.packet(kFirst, 0, 0, 4000); }, 2,
                 "captured length 4000 runs past the end of its block"},
        BadBlock{"CutBySizeLimit", [](PcapngFile& f) { f.packet(kFirst.substr(0, 16), 0, 0, 16, 4096); }, 2,
                 "message cut to 16 of its 4096 bytes by the capture's size limit"},
        BadBlock{"PacketBlockTooShort", [](PcapngFile& f) { f.block(6, std::string(12, '\0')); }, 2,
                 "block of type 6 has 24 bytes, fewer than its least of 32"},
        BadBlock{"NoMessageHeader", [](PcapngFile& f) { f.packet(std::string(16, 'x')); }, 2,
                 "malformed D-Bus message: the message header is not valid"},
        BadBlock{"TooFewBytesForAHeader", [](PcapngFile& f) { f.packet("l\x04"); }, 2,
                 "malformed D-Bus message: 2 bytes are too few for a message header"},
        BadBlock{"HeaderGivesOtherLength", [](PcapngFile& f) { f.packet(kFirst + "tail"); }, 2,
                 "malformed D-Bus message: the header gives 114 bytes, the packet holds 118"},
        BadBlock{"MessageLibdbusRefuses", [](PcapngFile& f) { f.packet(withSerialZero(kFirst)); }, 2,
                 "malformed D-Bus message: Message is corrupted (Bad serial)"},
        BadBlock{"SectionOfAnotherVersion",
                 [](PcapngFile& f) { f.section(2).interface().packet(kFirst).section().interface(); }, 2,
                 "section of pcapng version 2.0 is not read"},
        BadBlock{"HugeBlock", [](PcapngFile& f) { f.block(6, "", 0x7FFFFFF0); }, 1,
                 "block length 2147483632 is larger than a block of a D-Bus capture may be"},
        BadBlock{"LengthPastTheEnd", [](PcapngFile& f) { f.block(6, "", 4096); }, 1,
                 "truncated block: its length 4096 runs past the end of the file"},
        BadBlock{"LengthNotAMultipleOf4", [](PcapngFile& f) { f.block(6, "", 30); }, 1,
                 "block length 30 is not a multiple of 4"},
        BadBlock{"LengthBelowABlock", [](PcapngFile& f) { f.block(6, "", 8); }, 1,
                 "block length 8 is shorter than a block"},
        BadBlock{"LengthsDiffer", [](PcapngFile& f) { f.block(6, "", 0, 16); }, 1,
                 "block length 12 at its start, 16 at its end"},
        BadBlock{"BadByteOrderMagic", [](PcapngFile& f) { f.block(0x0A0D0D0A, std::string(16, '\0')); }, 1,
                 "section header block with an unknown byte-order magic"}),
    test_names::ByName{});

TEST(Capture, TruncatedBlockAtTheEndIsTold)
{
    PcapngFile file;
    file.section().interface().packet(kFirst).bytes += "\x06\x00\x00\x00\x20"s;
    const CaptureRead read = readCapture(file.bytes);
    ASSERT_EQ(read.messages.size(), 1u);
    ASSERT_EQ(read.skipped.size(), 1u);
    EXPECT_EQ(read.skipped[0].reason, "truncated block: 5 bytes at the end of the file");
}

TEST(Capture, BadBlocksBeyondTenThousandAreCountedInOne)
{
    PcapngFile file;
    file.section().interface().interface(1);
    std::size_t firstUnlisted = 0;
    for (int i = 0; i < 10'005; ++i) {
        if (i == 10'000)
            firstUnlisted = file.bytes.size();
        file.packet(kFirst, 0, 1);
    }
    const CaptureRead read = readCapture(file.packet(kSecond).bytes);
    ASSERT_EQ(read.skipped.size(), 10'001u);
    EXPECT_EQ(read.skipped[9'999].reason, "link type 1 is not D-Bus");
    EXPECT_EQ(read.skipped.back().offset, firstUnlisted);
    EXPECT_EQ(read.skipped.back().reason, "5 more bad blocks, not listed");
    EXPECT_EQ(read.messages.size(), 1u);
}

TEST(Capture, WhatIsNoPcapngIsAnErrorWithNothingRead)
{
    for (const std::string& bytes : {""s, "ReaderPosition=07\r\n"s, "\xd4\xc3\xb2\xa1\x02\0\x04\0\0\0\0\0"s /* pcap */,
                                    "\x0a\x0d\x0d\x0a\x1c\0\0\0\0\0\0\0"s /* no byte-order magic */}) {
        const CaptureRead read = readCapture(bytes);
        EXPECT_EQ(read.error, "not a pcapng file");
        EXPECT_TRUE(read.messages.empty() && read.skipped.empty());
    }
}

// Time stamps in the interface's resolution and offset, in microseconds.
struct Stamp {
    const char* name;
    int resolution;             // if_tsresol, -1: not given
    std::int64_t offsetSeconds; // if_tsoffset, 0: not given
    std::uint64_t stamp;
    std::int64_t usec;
};
void PrintTo(const Stamp& row, std::ostream* out) { *out << row.name; }
class Stamps : public ::testing::TestWithParam<Stamp> {};

TEST_P(Stamps, AreMicrosecondsInEitherByteOrder)
{
    for (const bool big : {false, true}) {
        PcapngFile file{{big}, {}};
        std::string options;
        if (GetParam().resolution >= 0)
            options += file.option(9, std::string(1, static_cast<char>(GetParam().resolution)));
        if (GetParam().offsetSeconds != 0)
            options += file.option(14, file.numbers({{static_cast<std::uint64_t>(GetParam().offsetSeconds), 8}}));
        file.section().interface(kLinkTypeDBus, options).packet(kFirst, GetParam().stamp).simplePacket(kSecond);
        const CaptureRead read = readCapture(file.bytes);
        ASSERT_EQ(read.messages.size(), 2u);
        EXPECT_EQ(read.messages[0].usec, GetParam().usec);
        EXPECT_EQ(read.messages[1].usec, GetParam().usec); // a simple packet has the time of the one before
        EXPECT_EQ(read.messages[1].bytes, kSecond);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Capture, Stamps,
    ::testing::Values(Stamp{"MicrosecondsUnsaid", -1, 0, 1'700'000'000'123'456, 1'700'000'000'123'456},
                      Stamp{"Nanoseconds", 9, 0, 1'700'000'000'123'456'789, 1'700'000'000'123'456},
                      Stamp{"Seconds", 0, 0, 1'700'000'000, 1'700'000'000'000'000},
                      Stamp{"PowerOfTwo", 0x80 | 20, 0, 3u << 20, 3'000'000},
                      Stamp{"WithOffset", -1, -10, 15'000'005, 5'000'005},
                      Stamp{"BeyondInt64Held", 0, 0, ~std::uint64_t{0}, std::numeric_limits<std::int64_t>::max()}),
    test_names::ByName{});

TEST(Capture, BusctlCaptureReadsWithItsMessages)
{
    const CaptureRead read = readCaptureFile(VANTREL_CAPTURE_TEST_DATA "/busctl_calls.pcapng");
    EXPECT_EQ(read.error, "");
    EXPECT_TRUE(read.skipped.empty());
    std::string described;
    for (const tap::TapMessage& message : read.messages)
        described += std::to_string(message.usec) + ' ' + describe(message.bytes) + '\n';
    std::ifstream expected(VANTREL_CAPTURE_TEST_DATA "/busctl_calls.expected");
    EXPECT_EQ(described, std::string(std::istreambuf_iterator<char>(expected), {}));
}

TEST(Capture, FilesThatAreNoCaptureAreRefusedWithoutWaiting)
{
    const auto dir = std::filesystem::temp_directory_path() / ("capture_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string pipe = (dir / "pipe").string(), missing = (dir / "missing").string();
    const std::string large = (dir / "large").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(readCaptureFile(pipe).error, pipe + " is not a regular file");
    EXPECT_EQ(readCaptureFile(dir.string()).error, dir.string() + " is not a regular file");
    EXPECT_EQ(readCaptureFile(missing).error, "cannot open " + missing + ": No such file or directory");
    std::ofstream(large).close();
    std::filesystem::resize_file(large, kMaxFile + 1); // sparse: nothing is written
    EXPECT_EQ(readCaptureFile(large).error, large + " is larger than the 1 GiB that is read of a capture");
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace vantrel::capture::test
