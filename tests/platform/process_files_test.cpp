// Argument vectors for external programs, and files that replace their old version:
// two writers of one path at the same time, and the unique temporary names behind them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/process.h"

namespace {

using Words = std::vector<std::string>;

TEST(ProcessArguments, CommandSettingsSplitIntoWords) {
    EXPECT_EQ(process_command_words("vi"), Words{"vi"});
    EXPECT_EQ(process_command_words("  code  -w\t--new-window "), (Words{"code", "-w", "--new-window"}));
    EXPECT_EQ(process_command_words("\"C:\\Program Files\\Ed\\ed.exe\" -n"),
              (Words{"C:\\Program Files\\Ed\\ed.exe", "-n"}));
    EXPECT_EQ(process_command_words("emacs \"\" -nw"), (Words{"emacs", "", "-nw"})) << "an empty quoted word stays";
    EXPECT_EQ(process_command_words("ed \"open end"), (Words{"ed", "open end"}));
    EXPECT_EQ(process_command_words("sh;rm${IFS}x|y"), Words{"sh;rm${IFS}x|y"}) << "shell syntax is plain text";
    EXPECT_TRUE(process_command_words("   ").empty());
}

TEST(ProcessArguments, WindowsCommandLinesQuoteWhatTheRuntimeWouldSplit) {
    EXPECT_EQ(process_windows_command_line({"notepad.exe", "afiedt.buf"}), "notepad.exe afiedt.buf");
    EXPECT_EQ(process_windows_command_line({"C:\\Program Files\\ed.exe", "my file.sql"}),
              "\"C:\\Program Files\\ed.exe\" \"my file.sql\"");
    EXPECT_EQ(process_windows_command_line({"ed", ""}), "ed \"\"");
    EXPECT_EQ(process_windows_command_line({"ed", "a\"b"}), "ed \"a\\\"b\"");
    EXPECT_EQ(process_windows_command_line({"ed", "dir\\ x\\"}), "ed \"dir\\ x\\\\\"") << "backslashes before the closing quote double";
    EXPECT_EQ(process_windows_command_line({"ed", "a\\\\\"b"}), "ed \"a\\\\\\\\\\\"b\"");
    EXPECT_EQ(process_windows_command_line({"ed", "a&calc|x^y"}), "ed a&calc|x^y") << "no command interpreter reads it";
}

TEST(ProcessRun, AProgramThatDoesNotExistIsNotStarted) {
    EXPECT_EQ(platform_process_run_and_wait({"vantro-no-such-program-here"}, nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(platform_process_run_and_wait({}, nullptr, nullptr, nullptr), -1);
}

std::string contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

TEST(ReplacingFiles, TwoWritersOfOnePathBothComplete) {
    const auto folder = std::filesystem::temp_directory_path() / ("vantro_replacing_" + std::to_string(std::rand()));
    std::filesystem::create_directories(folder);
    const std::string target = (folder / "vantro.his").string();
    {
        ReplacingFile first(target);
        ReplacingFile second(target);
        ASSERT_NE(first.get(), nullptr);
        ASSERT_NE(second.get(), nullptr);
        std::fputs("first", first.get());
        std::fputs("second", second.get());
        EXPECT_TRUE(second.commit());
        EXPECT_TRUE(first.commit()) << "each writer has a temporary file of its own";
    }
    EXPECT_EQ(contents(target), "first");
    {
        ReplacingFile abandoned(target);
        std::fputs("half", abandoned.get());
    }
    EXPECT_EQ(contents(target), "first");
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++files;
        EXPECT_EQ(entry.path().filename(), "vantro.his");
    }
    EXPECT_EQ(files, 1) << "no temporary file is left behind";
#if !defined(_WIN32)
    EXPECT_EQ(std::filesystem::status(target).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::FILE* log = platform_file_open_private((folder / "log.txt").string().c_str(), "ab");
    ASSERT_NE(log, nullptr);
    std::fclose(log);
    EXPECT_EQ(std::filesystem::status(folder / "log.txt").permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
#endif
    std::filesystem::remove_all(folder);
}

}  // namespace
