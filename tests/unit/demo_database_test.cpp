// The demo database's first use and where an install keeps its files: which connects
// create the demo database, that the marker stops a second run, and what happens when
// the script or the marker's folder is missing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "oci/demo_database.h"
#include "oci/oci_loader.h"

namespace {

namespace fs = std::filesystem;

class DemoDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("vantro-demo-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "databases");
        fs::create_directories(root_ / "share" / "vantro");
        script_ = (root_ / "share" / "vantro" / "demo.sql").string();
        missing_ = (root_ / "bin" / "demo.sql").string();
    }
    void TearDown() override { fs::remove_all(root_); }
    void write_script() { std::ofstream(script_) << "select 1 from dual;\n"; }
    std::string databases() const { return (root_ / "databases").string(); }
    bool marker_exists() const { return fs::exists(root_ / "databases" / "demo.created"); }

    fs::path root_;
    std::string script_, missing_;
};

TEST_F(DemoDatabaseTest, OnlyTheEmbeddedDemoDatabaseIsCreated) {
    write_script();
    for (const char* other : {"demo2", "", "de mo", "scott"})
        EXPECT_TRUE(
            demo_database_first_use(other, OciLibraryKind::Embedded, databases(), {script_}).script_line.empty())
            << other;
    for (OciLibraryKind kind : {OciLibraryKind::Oracle, OciLibraryKind::Explicit, OciLibraryKind::None})
        EXPECT_TRUE(demo_database_first_use("demo", kind, databases(), {script_}).script_line.empty());
    EXPECT_TRUE(demo_database_first_use("demo", OciLibraryKind::Embedded, "", {script_}).script_line.empty());
    EXPECT_FALSE(marker_exists());
    EXPECT_TRUE(demo_database_named(" DEMO "));
}

TEST_F(DemoDatabaseTest, FirstConnectRunsTheFirstScriptFoundAndOnlyOnce) {
    write_script();
    const DemoFirstUse first =
        demo_database_first_use("Demo", OciLibraryKind::Embedded, databases(), {missing_, script_});
    EXPECT_EQ(first.script_line, "@\"" + script_ + "\"");
    EXPECT_EQ(first.note, "Creating the demo database (first use)...\n");
    EXPECT_TRUE(marker_exists());
#if !defined(_WIN32)
    EXPECT_EQ(fs::status(root_ / "databases" / "demo.created").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write)
        << "the console's files are its user's alone";
#endif
    const DemoFirstUse second =
        demo_database_first_use("demo", OciLibraryKind::Embedded, databases(), {missing_, script_});
    EXPECT_TRUE(second.script_line.empty());
    EXPECT_TRUE(second.note.empty());
}

TEST_F(DemoDatabaseTest, WithoutTheScriptNothingIsMarkedAndALaterConnectCreatesIt) {
    const DemoFirstUse none =
        demo_database_first_use("demo", OciLibraryKind::Embedded, databases(), {missing_, script_});
    EXPECT_TRUE(none.script_line.empty());
    EXPECT_NE(none.note.find("was not found (looked for " + missing_ + ")"), std::string::npos) << none.note;
    EXPECT_FALSE(marker_exists());
    write_script();
    EXPECT_FALSE(demo_database_first_use("demo", OciLibraryKind::Embedded, databases(), {missing_, script_})
                     .script_line.empty());
}

TEST_F(DemoDatabaseTest, AMarkerThatCannotBeWrittenRunsNothing) {
    write_script();
    const std::string absent = (root_ / "no-such-folder").string();
    const DemoFirstUse result = demo_database_first_use("demo", OciLibraryKind::Embedded, absent, {script_});
    EXPECT_TRUE(result.script_line.empty());
    EXPECT_NE(result.note.find("cannot be written"), std::string::npos) << result.note;
}

#ifndef _WIN32
TEST(InstallLayout, EngineAndDemoScriptAreBesideTheExecutableThenInTheInstallTree) {
    EXPECT_EQ(oci_embedded_library_candidates("/opt/v/bin"),
              (std::vector<std::string>{"/opt/v/bin/libvantro_oci.so", "/opt/v/bin/../lib/libvantro_oci.so"}));
    EXPECT_EQ(oci_embedded_library_candidates("/"),
              (std::vector<std::string>{"/libvantro_oci.so", "/../lib/libvantro_oci.so"}));
    EXPECT_EQ(demo_script_candidates("/usr/bin"),
              (std::vector<std::string>{"/usr/bin/demo.sql", "/usr/bin/../share/vantro/demo.sql"}));
}
#else
TEST(InstallLayout, EngineAndDemoScriptAreBesideTheExecutable) {
    EXPECT_EQ(oci_embedded_library_candidates("C:\\Vantro"), std::vector<std::string>{"C:\\Vantro\\vantro_oci.dll"});
    EXPECT_EQ(demo_script_candidates("C:\\Vantro").front(), "C:\\Vantro\\demo.sql");
}
#endif

}  // namespace
