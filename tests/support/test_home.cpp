// A temporary VANTRO_HOME per test program (see test_home.h).
#include "test_home.h"

#include <cstdlib>
#include <filesystem>
#include <random>
#include <system_error>

namespace {

std::string g_folder;

void set_environment(const char* name, const std::string& value) {
#if defined(_WIN32)
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

}  // namespace

std::string make_temporary_folder(const char* tag) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = base / (std::string("vantro-") + tag + "-" + std::to_string(random() % 1000000000ULL));
        if (fs::create_directory(candidate, error)) return candidate.string();
    }
    return std::string();
}

void FreshHomeEnvironment::SetUp() {
    g_folder = make_temporary_folder("home");
    ASSERT_FALSE(g_folder.empty()) << "cannot create a temporary VANTRO_HOME";
    set_environment("VANTRO_HOME", g_folder);
}

void FreshHomeEnvironment::TearDown() {
    std::error_code error;
    if (!g_folder.empty()) std::filesystem::remove_all(g_folder, error);
}

const std::string& FreshHomeEnvironment::folder() { return g_folder; }

bool use_fresh_vantro_home() {
    ::testing::AddGlobalTestEnvironment(new FreshHomeEnvironment);
    return true;
}
