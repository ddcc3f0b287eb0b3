// Tests of threads, the tick count, the current directory, error texts and the per-user
// folders.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/process.h"
#include "test_support.h"

namespace fs = std::filesystem;
using test_support::EnvGuard;
using test_support::TempFolder;

namespace {

// Threads wait at a gate until all of them started, so that every id is held by a live
// thread when it is read (Windows reuses the ids of ended threads).
struct ThreadProbe {
    std::atomic<bool>* gate = nullptr;
    std::atomic<int>* done = nullptr;
    std::atomic<ThreadId> seen_first{0};
    std::atomic<ThreadId> seen_second{0};
    void* arg_seen = nullptr;
};

int probe_routine(void* raw) {
    ThreadProbe* probe = static_cast<ThreadProbe*>(raw);
    probe->seen_first = platform_current_thread_id();
    probe->arg_seen = raw;
    while (!probe->gate->load()) platform_sleep_ms(1);
    probe->seen_second = platform_current_thread_id();
    probe->done->fetch_add(1);
    return 0;
}

void wait_for(const std::atomic<int>& counter, int value) {
    for (int i = 0; i < 20000 && counter.load() < value; ++i) platform_sleep_ms(1);
    ASSERT_EQ(counter.load(), value) << "threads did not finish";
}

}  // namespace

TEST(PlatformThreads, StartedThreadsKnowTheirOwnDistinctIds) {
    constexpr int kThreads = 8;
    std::atomic<bool> gate{false};
    std::atomic<int> done{0};
    std::vector<ThreadProbe> probes(kThreads);
    std::vector<ThreadId> returned;
    for (ThreadProbe& probe : probes) {
        probe.gate = &gate;
        probe.done = &done;
        returned.push_back(platform_thread_start(probe_routine, &probe));
    }
    gate = true;
    wait_for(done, kThreads);

    ThreadId main_id = platform_current_thread_id();
    EXPECT_NE(main_id, 0u);
    EXPECT_EQ(main_id, platform_current_thread_id());
    std::set<ThreadId> distinct(returned.begin(), returned.end());
    distinct.insert(main_id);
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kThreads + 1));
    for (int i = 0; i < kThreads; ++i) {
        EXPECT_NE(returned[i], 0u);
        EXPECT_EQ(probes[i].seen_first.load(), returned[i]) << "thread " << i;
        EXPECT_EQ(probes[i].seen_second.load(), returned[i]) << "thread " << i;
        EXPECT_EQ(probes[i].arg_seen, &probes[i]);
    }
}

TEST(PlatformThreads, ThreadsStartedElsewhereGetIdsToo) {
    ThreadId main_id = platform_current_thread_id();
    ThreadId ids[2] = {0, 0};
    std::thread first([&] { ids[0] = platform_current_thread_id(); });
    std::thread second([&] { ids[1] = platform_current_thread_id(); });
    first.join();
    second.join();
    EXPECT_NE(ids[0], 0u);
    EXPECT_NE(ids[1], 0u);
    EXPECT_NE(ids[0], ids[1]);
    EXPECT_NE(ids[0], main_id);
    EXPECT_NE(ids[1], main_id);
}

TEST(PlatformTime, TickNeverGoesBackAndSleepWaitsAtLeastItsTime) {
#ifdef _WIN32
    const std::uint32_t granularity = 16;  // GetTickCount advances in steps of the timer
#else
    const std::uint32_t granularity = 0;
#endif
    std::uint32_t previous = platform_tick_ms();
    for (int i = 0; i < 1000; ++i) {
        std::uint32_t now = platform_tick_ms();
        EXPECT_LT(static_cast<std::uint32_t>(now - previous), 0x80000000u) << "went backwards";
        previous = now;
    }
    std::uint32_t start = platform_tick_ms();
    platform_sleep_ms(50);
    std::uint32_t slept = platform_tick_ms() - start;
    EXPECT_GE(slept + granularity, 50u);
    EXPECT_LT(slept, 0x80000000u);
}

TEST(PlatformDirectory, ChangesAndReportsTheCurrentDirectory) {
    TempFolder folder;
    std::string before = platform_current_directory();
    ASSERT_FALSE(before.empty());
    ASSERT_TRUE(platform_set_current_directory(folder.str().c_str()));
    std::string inside = platform_current_directory();
    EXPECT_TRUE(fs::equivalent(inside, folder.path())) << inside;
    ASSERT_TRUE(platform_set_current_directory(before.c_str()));
    EXPECT_EQ(platform_current_directory(), before);
}

TEST(PlatformDirectory, FailureLeavesDirectoryAndGivesAClearError) {
    TempFolder folder;
    std::string before = platform_current_directory();
    std::string missing = (folder.path() / "no-such-folder").string();
    std::string file = (folder.path() / "a-file").string();
    std::ofstream(file) << "x";
    const std::string targets[] = {missing, file, std::string()};
    for (const std::string& target : targets) {
        platform_set_last_error_code(0);
        EXPECT_FALSE(platform_set_current_directory(target.c_str())) << target;
        EXPECT_NE(platform_last_error_code(), 0) << target;
        std::string text = platform_last_error_text();
        EXPECT_FALSE(text.empty());
        EXPECT_EQ(text.find_last_of("\r\n"), std::string::npos) << text;
        EXPECT_NE(text.back(), ' ');
        EXPECT_EQ(platform_current_directory(), before);
    }
    EXPECT_FALSE(platform_set_current_directory(nullptr));
}

TEST(PlatformErrors, TextNamesTheCodeAndKeepsIt) {
#ifdef _WIN32
    const int code = ERROR_FILE_NOT_FOUND;
#else
    const int code = ENOENT;
#endif
    platform_set_last_error_code(code);
    EXPECT_EQ(platform_last_error_code(), code);
    std::string text = platform_last_error_text();
#ifndef _WIN32
    EXPECT_EQ(text, "No such file or directory");
#endif
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find_last_of("\r\n"), std::string::npos) << text;
    EXPECT_EQ(platform_last_error_code(), code) << "reading the text changed the code";

    platform_set_last_error_code(987654);
    EXPECT_FALSE(platform_last_error_text().empty());
}

TEST(PlatformFolders, VantroHomeReplacesEveryFolderAndIsCreated) {
    EnvGuard guard("VANTRO_HOME");
    TempFolder temp;
    fs::path home = temp.path() / "nested" / "home";
    test_support::set_env("VANTRO_HOME", home.string().c_str());
    EXPECT_EQ(platform_user_folder(UserFolder::Config), home.string());
    EXPECT_TRUE(fs::is_directory(home));
    EXPECT_EQ(platform_user_folder(UserFolder::Data), home.string());
    EXPECT_EQ(platform_user_folder(UserFolder::Documents), home.string());
    EXPECT_EQ(platform_user_folder(UserFolder::Databases), (home / "databases").string());
    EXPECT_TRUE(fs::is_directory(home / "databases"));

    fs::path file = temp.path() / "plain-file";
    std::ofstream(file.string()) << "x";
    test_support::set_env("VANTRO_HOME", file.string().c_str());
    EXPECT_EQ(platform_user_folder(UserFolder::Config), "");
    EXPECT_EQ(platform_user_folder(UserFolder::Databases), "");
}

TEST(PlatformFolders, RelativeVantroHomeDoesNotFollowDirectoryChanges) {
    EnvGuard guard("VANTRO_HOME");
    TempFolder elsewhere;
    std::string before = platform_current_directory();
    std::string name = test_support::unique_name("vantro-relative-home");
    test_support::set_env("VANTRO_HOME", name.c_str());
    std::string first = platform_user_folder(UserFolder::Config);
    ASSERT_TRUE(platform_set_current_directory(elsewhere.str().c_str()));
    std::string second = platform_user_folder(UserFolder::Config);
    ASSERT_TRUE(platform_set_current_directory(before.c_str()));
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, second);
    EXPECT_FALSE(fs::exists(elsewhere.path() / name));
    std::error_code ignored;
    fs::remove_all(first, ignored);
}

#ifndef _WIN32
TEST(PlatformFolders, XdgFoldersAndTheirFallbacks) {
    EnvGuard g1("VANTRO_HOME"), g2("HOME"), g3("XDG_CONFIG_HOME"), g4("XDG_DATA_HOME"),
        g5("XDG_DOCUMENTS_DIR");
    TempFolder temp;
    std::string home = temp.str();
    test_support::set_env("VANTRO_HOME", nullptr);
    test_support::set_env("HOME", home.c_str());
    test_support::set_env("XDG_CONFIG_HOME", nullptr);
    test_support::set_env("XDG_DATA_HOME", "relative/is/ignored");
    test_support::set_env("XDG_DOCUMENTS_DIR", nullptr);

    EXPECT_EQ(platform_user_folder(UserFolder::Config), home + "/.config/vantro");
    EXPECT_EQ(platform_user_folder(UserFolder::Data), home + "/.local/share/vantro");
    EXPECT_EQ(platform_user_folder(UserFolder::Databases), home + "/.local/share/vantro/databases");
    EXPECT_TRUE(fs::is_directory(home + "/.local/share/vantro/databases"));
    EXPECT_EQ(platform_user_folder(UserFolder::Documents), home);
    EXPECT_FALSE(fs::exists(home + "/Documents")) << "the documents folder is never created";

    fs::create_directory(home + "/Documents");
    EXPECT_EQ(platform_user_folder(UserFolder::Documents), home + "/Documents");
    fs::create_directory(home + "/docs");
    test_support::set_env("XDG_DOCUMENTS_DIR", (home + "/docs").c_str());
    EXPECT_EQ(platform_user_folder(UserFolder::Documents), home + "/docs");

    test_support::set_env("XDG_CONFIG_HOME", (home + "/cfg").c_str());
    test_support::set_env("XDG_DATA_HOME", (home + "/data").c_str());
    EXPECT_EQ(platform_user_folder(UserFolder::Config), home + "/cfg/vantro");
    EXPECT_EQ(platform_user_folder(UserFolder::Databases), home + "/data/vantro/databases");
}
#endif

namespace {

void collect(const char* text, std::size_t size, void* context) {
    static_cast<std::string*>(context)->append(text, size);
}

// A command line runs through the system's shell: its standard output and error come
// back in order of writing, and its exit status is kept apart from the call's result.
TEST(PlatformProcess, CapturedCommandGivesItsOutputAndStatus) {
    std::string output;
    int status = -1;
    ASSERT_EQ(platform_process_run_captured("echo one&& echo two>&2&& exit 3", collect, &output, &status), 0);
    std::string lines;
    for (char c : output)
        if (c != '\r') lines += c;
    EXPECT_EQ(lines, "one\ntwo\n");
    EXPECT_EQ(status, 3);

    // Output larger than the pipe's buffer arrives whole while the command still runs.
    output.clear();
#ifdef _WIN32
    const char* many = "for /L %i in (1,1,3000) do @echo line %i";
#else
    const char* many = "i=1; while [ $i -le 3000 ]; do echo line $i; i=$((i+1)); done";
#endif
    ASSERT_EQ(platform_process_run_captured(many, collect, &output, &status), 0);
    EXPECT_EQ(status, 0);
    lines.clear();
    for (char c : output)
        if (c != '\r') lines += c;
    EXPECT_EQ(lines.substr(0, 14), "line 1\nline 2\n");
    EXPECT_EQ(lines.size(), 28893u) << "every line of 1..3000 once";
    EXPECT_NE(lines.find("\nline 3000\n"), std::string::npos);
}

}  // namespace
