// The spool file's buffering: output reaches the file in large blocks and at the flush
// points, never lost at a swap, and a write that fails is reported once and ends the
// spooling instead of leaving a silently cut file.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "console_harness.h"
#include "test_home.h"

#if defined(__linux__)
#include <unistd.h>
#endif

namespace {

const bool kFreshHome = use_fresh_vantro_home();

class SpoolBufferTest : public ConsoleTest {
protected:
    std::string path() const { return FreshHomeEnvironment::folder() + "/buffered.lst"; }
    std::FILE* open_spool(const std::string& name) {
        std::FILE* file = std::fopen(name.c_str(), "wb");
        EXPECT_NE(file, nullptr);
        EXPECT_EQ(console_spool_swap(console, file), nullptr);
        return file;
    }
    void close_spool() {
        if (std::FILE* file = console_spool_swap(console, nullptr)) std::fclose(file);
    }
};

}  // namespace

TEST_F(SpoolBufferTest, OutputWaitsForAFlushAndASwapWritesTheRest) {
    open_spool(path());
    spool_write("first\n");
    EXPECT_EQ(read_file(path()), "");
    spool_flush();
    EXPECT_EQ(read_file(path()), "first\r\n");
    // A carriage return drops only what its own call had pending, not what is buffered.
    spool_write("second");
    spool_write("\rthird\n");
    const std::string row = "row of a long result";
    for (int i = 0; i < 2; ++i) spool_write_text(row.data(), row.size());
    close_spool();
    EXPECT_EQ(read_file(path()), "first\r\nsecondthird\r\n" + row + row);
    // Without a spool file the buffer takes nothing that a later file could receive.
    spool_write("lost\n");
    open_spool(path());
    close_spool();
    EXPECT_EQ(read_file(path()), "");
}

TEST_F(SpoolBufferTest, ALongOutputIsWrittenInBlocksAsItGrows) {
    open_spool(path());
    const std::string line(99, 'x');
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        spool_write_text((line + "\n").c_str(), line.size() + 1);
        expected += line + "\r\n";
    }
    // Most of the 505,000 bytes are in the file before any flush, the rest is buffered.
    const size_t early = read_file(path()).size();
    EXPECT_GT(early, expected.size() - 70000);
    EXPECT_LT(early, expected.size());
    close_spool();
    EXPECT_EQ(read_file(path()), expected);
    EXPECT_TRUE(front.error_boxes().empty());
}

TEST_F(SpoolBufferTest, ALineRequestFlushesWhatCameBefore) {
    open_spool(path());
    spool_write("Enter value for x: \n");
    front.queue_line("42");
    EXPECT_EQ(console_request_line(console, false), "42");
    EXPECT_EQ(read_file(path()), "Enter value for x: \r\n");
    close_spool();
}

#if defined(__linux__)
TEST_F(SpoolBufferTest, AFullDeviceIsReportedOnceAndEndsSpooling) {
    std::FILE* file = std::fopen("/dev/full", "wb");
    if (!file) GTEST_SKIP() << "no /dev/full";
    ASSERT_EQ(console_spool_swap(console, file), nullptr);
    const std::string line(199, 'y');
    for (int i = 0; i < 2000; ++i) spool_write_text((line + "\n").c_str(), line.size() + 1);
    spool_flush();
    ASSERT_EQ(front.error_boxes().size(), 1u);
    EXPECT_NE(front.error_boxes()[0].find("Writing the spool file failed, spooling stopped: "), std::string::npos)
        << front.error_boxes()[0];
    // The spool is closed: "spool off" finds nothing open, further output goes nowhere.
    EXPECT_EQ(console_spool_swap(console, nullptr), nullptr);
    spool_write("more\n");
    spool_flush();
    EXPECT_EQ(front.error_boxes().size(), 1u);
}

TEST_F(SpoolBufferTest, AClosedDescriptorFailsAtTheFlushOfTheStatementsEnd) {
    std::FILE* file = open_spool(path());
    spool_write("kept\n");
    spool_flush();
    ::close(fileno(file));
    spool_write("cannot be written\n");
    finish(console, false, false);
    ASSERT_EQ(front.error_boxes().size(), 1u);
    EXPECT_EQ(console_spool_swap(console, nullptr), nullptr);
    EXPECT_EQ(read_file(path()), "kept\r\n");
}
#endif
