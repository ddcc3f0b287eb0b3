// The session's pure rules: connect descriptors from the short forms, the connect
// description, the recent lists and their registry image, elapsed-time texts and the
// row-count feedback.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "command/workers.h"
#include "oci/db_session.h"
#include "oci/oci_statements.h"
#include "settings/registry.h"
#include "test_support.h"

namespace {

TEST(ConnectDescriptor, ShortFormsBecomeTnsDescriptors) {
    EXPECT_EQ(build_connect_descriptor("dbhost:1522"),
              "(DESCRIPTION=(ADDRESS_LIST=(ADDRESS=(PROTOCOL=TCP)(HOST=dbhost)(PORT=1522)))(CONNECT_DATA=(SID=ORCL)))");
    EXPECT_EQ(build_connect_descriptor("dbhost:PROD"),
              "(DESCRIPTION=(ADDRESS_LIST=(ADDRESS=(PROTOCOL=TCP)(HOST=dbhost)(PORT=1521)))(CONNECT_DATA=(SID=PROD)))");
    EXPECT_EQ(build_connect_descriptor("dbhost:0"),
              "(DESCRIPTION=(ADDRESS_LIST=(ADDRESS=(PROTOCOL=TCP)(HOST=dbhost)(PORT=1521)))(CONNECT_DATA=(SID=0)))");
    EXPECT_EQ(build_connect_descriptor("dbhost:1522:PROD"),
              "(DESCRIPTION=(ADDRESS_LIST=(ADDRESS=(PROTOCOL=TCP)(HOST=dbhost)(PORT=1522)))(CONNECT_DATA=(SID=PROD)))");
    // Texts without a colon, and texts the pattern does not read, pass unchanged.
    EXPECT_EQ(build_connect_descriptor("demo"), "demo");
    EXPECT_EQ(build_connect_descriptor(":1521"), ":1521");
    // A field longer than the data model's limit is not cut into another host's name.
    const std::string long_host = std::string(60, 'h') + ":1521";
    EXPECT_EQ(build_connect_descriptor(long_host.c_str()), long_host);
}

TEST(ConnectDescription, JoinsTheConnectArgument) {
    EXPECT_EQ(build_connect_description("scott", "tiger", "demo", "sysdba"), "scott/tiger@demo as sysdba");
    EXPECT_EQ(build_connect_description("scott", "tiger", "", ""), "scott/tiger");
    EXPECT_EQ(build_connect_description("", "", "demo", ""), "/@demo");
}

class RecentLists : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = std::filesystem::temp_directory_path() / test_support::unique_name("vantro-recent");
        std::filesystem::create_directories(home_);
        test_support::set_env("VANTRO_HOME", home_.string().c_str());
        recent_users = RecentList();
        recent_databases = RecentList();
    }
    void TearDown() override { std::filesystem::remove_all(home_); }
    test_support::EnvGuard home_guard_{"VANTRO_HOME"};
    std::filesystem::path home_;
};

TEST_F(RecentLists, MostRecentFirstCaseInsensitiveAndBoundedToTen) {
    for (int i = 0; i < 11; ++i) remember_recent(("user" + std::to_string(i)).c_str(), "db");
    EXPECT_STREQ(recent_users.slots[0], "user10");
    EXPECT_STREQ(recent_users.slots[9], "user1");   // user0 dropped
    remember_recent("USER5", "db");
    EXPECT_STREQ(recent_users.slots[0], "USER5");   // moved up, written in the case just used
    EXPECT_STREQ(recent_users.slots[1], "user10");
    int fives = 0;
    for (const auto& slot : recent_users.slots) fives += std::string(slot) == "user5" || std::string(slot) == "USER5";
    EXPECT_EQ(fives, 1);
    EXPECT_STREQ(recent_databases.slots[0], "db");
    EXPECT_STREQ(recent_databases.slots[1], "");

    // The registry holds the 1000-byte image, which load_recent reads back.
    unsigned char image[1000] = {};
    std::size_t got = 0;
    ASSERT_TRUE(registry_read_binary(kRegistryKey, "last_usernames", image, sizeof image, &got));
    EXPECT_EQ(got, 1000u);
    EXPECT_STREQ(reinterpret_cast<const char*>(image), "USER5");
    EXPECT_STREQ(reinterpret_cast<const char*>(image + 100), "user10");
    recent_users = RecentList();
    load_recent();
    EXPECT_STREQ(recent_users.slots[0], "USER5");
}

TEST(ElapsedText, UnitsFromMillisecondsUpToDays) {
    EXPECT_EQ(elapsed_format(999), "(999 ms)");
    EXPECT_EQ(elapsed_format(1000), "(1 s 0 ms)");
    EXPECT_EQ(elapsed_format(61000), "(1 m 1 s 0 ms)");
    EXPECT_EQ(elapsed_format(3600000), "(1 h 0 m 0 s 0 ms)");
    EXPECT_EQ(elapsed_format(90061001), "(1 d 1 h 1 m 1 s 1 ms)");
    EXPECT_EQ(elapsed_format(4294967295UL), "(49 d 17 h 2 m 47 s 295 ms)");
}

TEST(RowCountText, FillsCountAndPluralWithoutActingAsAFormat) {
    EXPECT_EQ(format_row_count("\r%d row%s selected", 1), "\r1 row selected");
    EXPECT_EQ(format_row_count("\r%d row%s selected", 0), "\r0 rows selected");
    EXPECT_EQ(format_row_count("\r%d error%s", 3), "\r3 errors");
    EXPECT_EQ(format_row_count("100%n", 2), "100%n");
}

}  // namespace
