// Tests of the per-user store: round trips of the three value types, the refusals that
// protect a caller's buffer, isolation by VANTRO_HOME, tolerance of a damaged store file
// and concurrent writers. Every test works below a key of its own, in a store of its own.
#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "test_support.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using test_support::EnvGuard;
using test_support::TempFolder;

namespace {

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::set_env("VANTRO_HOME", home_.str().c_str());
        root_ = "SOFTWARE\\" + test_support::unique_name("VantroTest");
        key_ = root_ + "\\main";
    }
    void TearDown() override { EXPECT_TRUE(platform_store_delete_key(root_.c_str())); }

    bool write_string(const std::string& key, const char* name, const std::string& value) {
        return platform_store_write(key.c_str(), name, StoreType::String, value.c_str(),
                                    value.size() + 1);
    }
    bool write_dword(const std::string& key, const char* name, std::uint32_t value) {
        return platform_store_write(key.c_str(), name, StoreType::Dword, &value, sizeof value);
    }
    // The string value, or "<none>" when it cannot be read.
    std::string read_string(const std::string& key, const char* name) {
        std::vector<char> buffer(65536);
        std::size_t got = 0;
        if (!platform_store_read(key.c_str(), name, StoreType::String, buffer.data(),
                                 buffer.size(), &got))
            return "<none>";
        EXPECT_GE(got, 1u);
        EXPECT_EQ(buffer[got - 1], '\0');
        return std::string(buffer.data(), got - 1);
    }
    std::string read_binary(const std::string& key, const char* name) {
        std::vector<char> buffer(65536);
        std::size_t got = 0;
        if (!platform_store_read(key.c_str(), name, StoreType::Binary, buffer.data(),
                                 buffer.size(), &got))
            return "<none>";
        return std::string(buffer.data(), got);
    }

    EnvGuard home_guard_{"VANTRO_HOME"};
    TempFolder home_;
    std::string root_;
    std::string key_;
};

}  // namespace

TEST_F(StoreTest, StringsRoundTripWithTheirNul) {
    const std::string tricky = std::string("tab\there, 100% \"quoted\"\r\nnext line \xE9\xC3\xA9 ") +
                               std::string(3000, 'x');
    ASSERT_TRUE(write_string(key_, "prompt", "SQL>"));
    ASSERT_TRUE(write_string(key_, "tricky", tricky));
    ASSERT_TRUE(write_string(key_, "empty", ""));
    ASSERT_TRUE(platform_store_write(key_.c_str(), "no_nul", StoreType::String, "abc", 3));

    char buffer[16];
    std::size_t got = 0;
    ASSERT_TRUE(platform_store_read(key_.c_str(), "prompt", StoreType::String, buffer,
                                    sizeof buffer, &got));
    EXPECT_EQ(got, 5u);
    EXPECT_EQ(std::memcmp(buffer, "SQL>", 5), 0);
    EXPECT_EQ(read_string(key_, "tricky"), tricky);
    EXPECT_EQ(read_string(key_, "empty"), "");
    EXPECT_EQ(read_string(key_, "no_nul"), "abc") << "a string is always stored with its NUL";

    ASSERT_TRUE(write_string(key_, "prompt", "X>"));
    EXPECT_EQ(read_string(key_, "prompt"), "X>");
}

TEST_F(StoreTest, DwordsAndBinariesRoundTrip) {
    const std::uint32_t values[] = {0u, 1u, 100u, 0x7FFFFFFFu, 0xFFFFFFFFu};
    for (std::uint32_t value : values) {
        ASSERT_TRUE(write_dword(key_, "arraysize", value));
        std::uint32_t read = 12345;
        std::size_t got = 0;
        ASSERT_TRUE(platform_store_read(key_.c_str(), "arraysize", StoreType::Dword, &read,
                                        sizeof read, &got));
        EXPECT_EQ(read, value);
        EXPECT_EQ(got, 4u);
    }

    std::string logons(1000, '\0');
    for (std::size_t i = 0; i < logons.size(); ++i) logons[i] = static_cast<char>(i * 7 % 256);
    ASSERT_TRUE(platform_store_write(key_.c_str(), "last_usernames", StoreType::Binary,
                                     logons.data(), logons.size()));
    EXPECT_EQ(read_binary(key_, "last_usernames"), logons);

    const char with_nuls[] = {'\0', 'a', '\0', '\0', 'b', '\0'};
    ASSERT_TRUE(platform_store_write(key_.c_str(), "nuls", StoreType::Binary, with_nuls,
                                     sizeof with_nuls));
    EXPECT_EQ(read_binary(key_, "nuls"), std::string(with_nuls, sizeof with_nuls));

    ASSERT_TRUE(platform_store_write(key_.c_str(), "nothing", StoreType::Binary, nullptr, 0));
    EXPECT_EQ(read_binary(key_, "nothing"), "");
}

TEST_F(StoreTest, BadWritesAreRefused) {
    std::uint16_t short_value = 7;
    EXPECT_FALSE(platform_store_write(key_.c_str(), "n", StoreType::Dword, &short_value,
                                      sizeof short_value));
    EXPECT_FALSE(platform_store_write(nullptr, "n", StoreType::String, "a", 2));
    EXPECT_FALSE(platform_store_write("", "n", StoreType::String, "a", 2));
    EXPECT_FALSE(platform_store_write(key_.c_str(), nullptr, StoreType::String, "a", 2));
    EXPECT_FALSE(platform_store_write(key_.c_str(), "n", StoreType::Binary, nullptr, 4));
    std::string huge((1u << 20) + 1, 'h');
    EXPECT_FALSE(platform_store_write(key_.c_str(), "n", StoreType::Binary, huge.data(), huge.size()));
    huge.pop_back();
    EXPECT_FALSE(write_string(key_, "n", huge)) << "with its NUL the string is one byte too long";
    EXPECT_EQ(read_string(key_, "n"), "<none>");
}

TEST_F(StoreTest, ReadsThatCannotBeSatisfiedLeaveTheBufferAlone) {
    ASSERT_TRUE(write_string(key_, "editor", "notepad"));
    ASSERT_TRUE(write_dword(key_, "screen", 1));
    std::string blob(1000, 'b');
    ASSERT_TRUE(platform_store_write(key_.c_str(), "blob", StoreType::Binary, blob.data(), blob.size()));

    char buffer[8];
    std::size_t got = 99;
    auto untouched = [&] {
        for (char c : buffer) {
            if (c != '#') return false;
        }
        return true;
    };
    struct Case {
        const char* key_suffix;
        const char* name;
        StoreType type;
        std::size_t size;
        std::size_t expected_got;
    };
    const Case cases[] = {
        {"", "missing", StoreType::String, sizeof buffer, 0},           // no such value
        {"\\nokey", "editor", StoreType::String, sizeof buffer, 0},    // no such key
        {"", "editor", StoreType::Dword, sizeof buffer, 0},             // another type
        {"", "screen", StoreType::String, sizeof buffer, 0},
        {"", "screen", StoreType::Binary, sizeof buffer, 0},
        {"", "editor", StoreType::String, 7, 8},                        // the NUL does not fit
        {"", "blob", StoreType::Binary, sizeof buffer, 1000},           // binary too long
        {"", "screen", StoreType::Dword, 3, 4},
    };
    for (const Case& c : cases) {
        std::memset(buffer, '#', sizeof buffer);
        got = 99;
        std::string key = key_ + c.key_suffix;
        EXPECT_FALSE(platform_store_read(key.c_str(), c.name, c.type, buffer, c.size, &got)) << c.name;
        EXPECT_EQ(got, c.expected_got) << c.name;
        EXPECT_TRUE(untouched()) << c.name;
        EXPECT_NE(platform_last_error_code(), 0) << c.name;
    }

    std::memset(buffer, '#', sizeof buffer);
    ASSERT_TRUE(platform_store_read(key_.c_str(), "editor", StoreType::String, buffer, 8, nullptr));
    EXPECT_STREQ(buffer, "notepad");
}

TEST_F(StoreTest, KeysAndNamesIgnoreCaseAndKeepKeysApart) {
    std::string toolbar = key_ + "\\toolbar";
    ASSERT_TRUE(write_dword(key_, "Sound", 1));
    ASSERT_TRUE(write_dword(toolbar, "sound", 0));
    ASSERT_TRUE(write_dword(root_ + "\\mainly", "sound", 5));

    std::uint32_t value = 9;
    std::string upper = key_;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ASSERT_TRUE(platform_store_read(upper.c_str(), "SOUND", StoreType::Dword, &value, 4, nullptr));
    EXPECT_EQ(value, 1u);
    ASSERT_TRUE(platform_store_read(toolbar.c_str(), "sound", StoreType::Dword, &value, 4, nullptr));
    EXPECT_EQ(value, 0u);

    ASSERT_TRUE(write_dword(upper, "SOUND", 2));
    ASSERT_TRUE(platform_store_read(key_.c_str(), "sound", StoreType::Dword, &value, 4, nullptr));
    EXPECT_EQ(value, 2u) << "a write in other case replaces the value";

    ASSERT_TRUE(platform_store_delete_key(key_.c_str()));
    EXPECT_FALSE(platform_store_read(key_.c_str(), "sound", StoreType::Dword, &value, 4, nullptr));
    EXPECT_FALSE(platform_store_read(toolbar.c_str(), "sound", StoreType::Dword, &value, 4, nullptr));
    ASSERT_TRUE(platform_store_read((root_ + "\\mainly").c_str(), "sound", StoreType::Dword, &value,
                                    4, nullptr))
        << "a key that only starts like the deleted one stays";
    EXPECT_EQ(value, 5u);
    EXPECT_TRUE(platform_store_delete_key(key_.c_str())) << "deleting a missing key succeeds";
}

TEST_F(StoreTest, ConcurrentWritersLoseNothing) {
    constexpr int kThreads = 4;
    constexpr int kWrites = 15;
    struct Writer {
        std::string key;
        int index = 0;
        std::atomic<int>* done = nullptr;
        std::atomic<int> failures{0};
    };
    std::atomic<int> done{0};
    std::vector<Writer> writers(kThreads);
    ASSERT_TRUE(write_string(key_, "shared", "before"));
    for (int t = 0; t < kThreads; ++t) {
        writers[t].key = key_;
        writers[t].index = t;
        writers[t].done = &done;
        ThreadId id = platform_thread_start(
            [](void* raw) {
                Writer* w = static_cast<Writer*>(raw);
                for (int i = 0; i < kWrites; ++i) {
                    std::string name = "t" + std::to_string(w->index) + "_" + std::to_string(i);
                    std::uint32_t value = static_cast<std::uint32_t>(w->index * 1000 + i);
                    if (!platform_store_write(w->key.c_str(), name.c_str(), StoreType::Dword,
                                              &value, sizeof value))
                        w->failures.fetch_add(1);
                    std::string text = "writer " + std::to_string(w->index);
                    if (!platform_store_write(w->key.c_str(), "shared", StoreType::String,
                                              text.c_str(), text.size() + 1))
                        w->failures.fetch_add(1);
                }
                w->done->fetch_add(1);
                return 0;
            },
            &writers[t]);
        ASSERT_NE(id, 0u);
    }
    int failed_reads = 0;
    std::uint32_t start = platform_tick_ms();
    while (done.load() < kThreads && platform_tick_ms() - start < 60000) {
        if (read_string(key_, "shared") == "<none>") ++failed_reads;
    }
    ASSERT_EQ(done.load(), kThreads);
    EXPECT_EQ(failed_reads, 0) << "a reader saw the store while it was being replaced";

    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(writers[t].failures.load(), 0);
        for (int i = 0; i < kWrites; ++i) {
            std::string name = "t" + std::to_string(t) + "_" + std::to_string(i);
            std::uint32_t value = 0;
            ASSERT_TRUE(platform_store_read(key_.c_str(), name.c_str(), StoreType::Dword, &value,
                                            sizeof value, nullptr))
                << name;
            EXPECT_EQ(value, static_cast<std::uint32_t>(t * 1000 + i));
        }
    }
    EXPECT_EQ(read_string(key_, "shared").rfind("writer ", 0), 0u);
}

TEST_F(StoreTest, VantroHomeIsolatesTheStore) {
    ASSERT_TRUE(write_string(key_, "prompt", "home A"));
    TempFolder other;
    test_support::set_env("VANTRO_HOME", other.str().c_str());
#ifdef _WIN32
    EXPECT_EQ(read_string(key_, "prompt"), "home A") << "the registry is one per user";
#else
    EXPECT_EQ(read_string(key_, "prompt"), "<none>");
    ASSERT_TRUE(write_string(key_, "prompt", "home B"));
    EXPECT_TRUE(fs::exists(other.path() / "registry"));
    test_support::set_env("VANTRO_HOME", home_.str().c_str());
    EXPECT_EQ(read_string(key_, "prompt"), "home A");
    EXPECT_TRUE(fs::exists(home_.path() / "registry"));
#endif
    test_support::set_env("VANTRO_HOME", home_.str().c_str());
}

#ifndef _WIN32

static std::string file_text(const fs::path& path) {
    std::ifstream in(path.string(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST_F(StoreTest, FileIsReadableTextWithCrLf) {
    ASSERT_TRUE(write_string(key_, "prompt", "SQL> 100%"));
    ASSERT_TRUE(write_dword(key_, "arraysize", 100));
    const unsigned char bytes[] = {0x00, 0xAB, 0x10};
    ASSERT_TRUE(platform_store_write(key_.c_str(), "last_databases", StoreType::Binary, bytes, 3));
    std::string text = file_text(home_.path() / "registry");
    EXPECT_NE(text.find(key_ + "\tprompt\tREG_SZ\tSQL> 100%25\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find(key_ + "\tarraysize\tREG_DWORD\t100\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find(key_ + "\tlast_databases\tREG_BINARY\t00ab10\r\n"), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(home_.path() / "registry.tmp"));
}

TEST_F(StoreTest, DamagedFileIsToleratedAndItsUnknownLinesKept) {
    const std::string damaged[] = {
        "garbage without tabs",
        key_ + "\tbad_dword\tREG_DWORD\t12x",
        key_ + "\ttoo_big\tREG_DWORD\t4294967296",
        key_ + "\todd_hex\tREG_BINARY\tabc",
        key_ + "\tbad_escape\tREG_SZ\t50%",
        key_ + "\tstrange\tREG_MULTI_SZ\tabc",
        key_ + "\textra\tREG_SZ\ta\tb",
        "\t\tREG_SZ\tno key",
        std::string("binary \x01\xff\0 junk", 15),
        "",
    };
    {
        std::ofstream out((home_.path() / "registry").string(), std::ios::binary);
        for (const std::string& line : damaged) out << line << "\n";
        out << key_ << "\tgood\tREG_SZ\tkept value\r\n";
        out << key_ << "\tgood\tREG_SZ\tshadowed duplicate\n";
        out << key_ << "\tlast\tREG_DWORD\t7";  // no line end
    }
    const char* unreadable[] = {"bad_dword", "too_big", "odd_hex", "bad_escape", "strange", "extra"};
    char buffer[64];
    for (const char* name : unreadable) {
        EXPECT_FALSE(platform_store_read(key_.c_str(), name, StoreType::String, buffer, sizeof buffer, nullptr));
        EXPECT_FALSE(platform_store_read(key_.c_str(), name, StoreType::Dword, buffer, sizeof buffer, nullptr));
        EXPECT_FALSE(platform_store_read(key_.c_str(), name, StoreType::Binary, buffer, sizeof buffer, nullptr));
    }
    EXPECT_EQ(read_string(key_, "good"), "kept value");
    std::uint32_t last = 0;
    ASSERT_TRUE(platform_store_read(key_.c_str(), "last", StoreType::Dword, &last, 4, nullptr));
    EXPECT_EQ(last, 7u);

    ASSERT_TRUE(write_string(key_, "good", "changed"));
    ASSERT_TRUE(write_string(key_, "added", "new"));
    EXPECT_EQ(read_string(key_, "good"), "changed");
    EXPECT_EQ(read_string(key_, "added"), "new");
    std::string text = file_text(home_.path() / "registry");
    std::size_t at = 0;
    for (const std::string& line : damaged) {
        std::size_t found = text.find(line + "\r\n", at);
        ASSERT_NE(found, std::string::npos) << "lost: " << line;
        at = found + line.size();
    }
    EXPECT_EQ(text.find("shadowed duplicate"), std::string::npos);
    ASSERT_TRUE(platform_store_read(key_.c_str(), "last", StoreType::Dword, &last, 4, nullptr));
    EXPECT_EQ(last, 7u);
}

TEST_F(StoreTest, UnreadableStoreIsNeverOverwritten) {
    fs::create_directory(home_.path() / "registry");
    EXPECT_FALSE(write_string(key_, "prompt", "X>"));
    EXPECT_EQ(read_string(key_, "prompt"), "<none>");
    EXPECT_TRUE(fs::is_directory(home_.path() / "registry"));
    EXPECT_FALSE(platform_store_delete_key(root_.c_str()));
    fs::remove(home_.path() / "registry");
}

TEST_F(StoreTest, WritersInSeveralProcessesLoseNothing) {
    constexpr int kProcesses = 3;
    constexpr int kWrites = 20;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int failures = 0;
            for (int i = 0; i < kWrites; ++i) {
                std::string name = "p" + std::to_string(p) + "_" + std::to_string(i);
                std::uint32_t value = static_cast<std::uint32_t>(i);
                if (!platform_store_write(key_.c_str(), name.c_str(), StoreType::Dword, &value, 4))
                    ++failures;
            }
            _exit(failures == 0 ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int p = 0; p < kProcesses; ++p) {
        for (int i = 0; i < kWrites; ++i) {
            std::string name = "p" + std::to_string(p) + "_" + std::to_string(i);
            std::uint32_t value = 99;
            EXPECT_TRUE(platform_store_read(key_.c_str(), name.c_str(), StoreType::Dword, &value, 4, nullptr))
                << name;
            EXPECT_EQ(value, static_cast<std::uint32_t>(i));
        }
    }
}

#endif

#ifdef _WIN32

TEST_F(StoreTest, ValuesAreRegistryValuesOfTheirTypeUnderAKeyOfThatClass) {
    ASSERT_TRUE(write_dword(key_, "arraysize", 250));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
    char class_name[32] = {};
    DWORD class_length = sizeof class_name;
    EXPECT_EQ(RegQueryInfoKeyA(key, class_name, &class_length, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    ASSERT_TRUE(write_string(key_, "prompt", "SQL>"));
    EXPECT_STREQ(class_name, "REG_DWORD") << "the class is the name of the value type written";

    DWORD type = 0;
    DWORD dword = 0;
    DWORD size = sizeof dword;
    EXPECT_EQ(RegQueryValueExA(key, "arraysize", nullptr, &type, reinterpret_cast<BYTE*>(&dword), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(dword, 250u);
    char text[16] = {};
    size = sizeof text;
    EXPECT_EQ(RegQueryValueExA(key, "prompt", nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 5u);
    EXPECT_STREQ(text, "SQL>");
    RegCloseKey(key);

    const char unterminated[] = {'a', 'b'};
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, key_.c_str(), "raw", REG_SZ, unterminated, 2), ERROR_SUCCESS);
    EXPECT_EQ(read_string(key_, "raw"), "ab") << "a string another program stored without NUL";
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, key_.c_str(), "multi", REG_MULTI_SZ, "a\0", 3), ERROR_SUCCESS);
    EXPECT_EQ(read_string(key_, "multi"), "<none>");
}

#endif
