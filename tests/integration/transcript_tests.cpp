// Transcript tests: each transcripts/NAME.sql is typed into the console line by line
// through the headless front end, with the embedded OCI library loaded by the real
// loader; the console's rows afterwards must equal transcripts/NAME.out. A mismatch leaves
// the actual output in NAME.actual beside the build's test programs.
#include <gtest/gtest.h>

#include <regex>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "command/whenever.h"
#include "console/console_buffer.h"
#include "oci/db_session.h"
#include "ui/headless/headless_frontend.h"

namespace fs = std::filesystem;

namespace {

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> transcript_names() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(VANTRO_TRANSCRIPT_DIR))
        if (entry.path().extension() == ".sql") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

fs::path engine_library() {
    return fs::path(VANTRO_BINARY_DIR) / VANTRO_ENGINE_FILE;
}

class Transcript : public ::testing::TestWithParam<std::string> {};

TEST_P(Transcript, MatchesExpectedOutput) {
    // Sessions named db_* need a database: the embedded OCI library.
    if (GetParam().rfind("db_", 0) == 0 && !fs::exists(engine_library()))
        GTEST_SKIP() << "the embedded OCI library is not built";
    // The process id keeps runs of other build trees on the machine out of this folder.
    const fs::path home =
        fs::temp_directory_path() / ("vantro-transcript-" + GetParam() + "-" + std::to_string(getpid()));
    fs::remove_all(home);
    fs::create_directories(home);
    setenv("VANTRO_HOME", home.string().c_str(), 1);
    setenv("VANTRO_OCI_LIB", engine_library().string().c_str(), 1);
    // Scripts the transcript runs (@files/NAME) are read from a copy, so that what they
    // write (spool files) stays out of the source tree.
    const fs::path work = home / "work";
    fs::create_directories(work);
    fs::copy(fs::path(VANTRO_TRANSCRIPT_DIR) / "files", work / "files", fs::copy_options::recursive);
    const fs::path previous_directory = fs::current_path();
    fs::current_path(work);
    // Scripts named without a folder are looked for here after the current folder.
    const std::string search = (work / "files" / "nothing here").string() + ":" + (work / "files" / "sqlpath").string();
    setenv("SQLPATH", search.c_str(), 1);

    // A session that exits ends the program: its status is noted and the following lines
    // go to the program started again, as a shell script would run it once more.
    auto front = std::make_unique<HeadlessFrontend>();
    front->start();
    console_print_prompt();
    std::string screens;
    std::istringstream script(read_file(fs::path(VANTRO_TRANSCRIPT_DIR) / (GetParam() + ".sql")));
    std::string line;
    while (std::getline(script, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        front->type(line + "\n");
        ASSERT_TRUE(front->wait_idle(60000)) << "statement did not end: " << line;
        if (front->quit_requested()) {
            screens += front->screen() + "\n[exit status " + std::to_string(program_exit_status()) + "]\n";
            front->stop();
            front = std::make_unique<HeadlessFrontend>();
            front->start();
            console_print_prompt();
        }
    }
    // The engine's banner names the SQLite version it was built with.
    const std::string actual = std::regex_replace(screens + front->screen() + "\n",
                                                  std::regex("SQLite [0-9]+\\.[0-9]+\\.[0-9]+"), "SQLite x.y.z");
    front->stop();
    fs::current_path(previous_directory);
    fs::remove_all(home);

    const std::string expected = read_file(fs::path(VANTRO_TRANSCRIPT_DIR) / (GetParam() + ".out"));
    if (actual != expected) {
        std::ofstream(fs::path(VANTRO_BINARY_DIR) / (GetParam() + ".actual"), std::ios::binary) << actual;
    }
    EXPECT_EQ(actual, expected);
}

INSTANTIATE_TEST_SUITE_P(Sessions, Transcript, ::testing::ValuesIn(transcript_names()),
                         [](const ::testing::TestParamInfo<std::string>& param) { return param.param; });

}  // namespace
