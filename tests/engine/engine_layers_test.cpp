// The engine's folders are layers: each README names the folders it may use, and this
// test holds every #include of the engine's sources to the table below (which says the
// same as the READMEs).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

namespace {

const std::map<std::string, std::set<std::string>> kMayUse = {
    {"oci", {"oci", "sql", "plsql", "catalog", "values", "os"}},
    {"sql", {"sql", "catalog", "values"}},
    {"plsql", {"plsql", "oci", "sql", "catalog", "values", "os"}},
    {"catalog", {"catalog", "sql", "values", "os"}},
    {"values", {"values", "os"}},
    {"os", {"os"}},
};

TEST(EngineLayers, EveryIncludeStaysWithinItsFoldersLayer) {
  namespace fs = std::filesystem;
  const fs::path root = VANTRO_ENGINE_DIR;
  int files = 0;
  for (const auto& [folder, allowed] : kMayUse) {
    ASSERT_TRUE(fs::exists(root / folder / "README.md")) << folder << " says what it may use";
    for (const auto& entry : fs::directory_iterator(root / folder)) {
      std::string ext = entry.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      ++files;
      std::ifstream in(entry.path());
      std::string line;
      while (std::getline(in, line)) {
        if (line.rfind("#include \"", 0) != 0) continue;
        std::string target = line.substr(10, line.find('"', 10) - 10);
        std::size_t slash = target.find('/');
        if (slash == std::string::npos) {
          EXPECT_EQ(target, "oci_api.h") << entry.path() << ": the console's OCI declarations only";
          continue;
        }
        EXPECT_TRUE(allowed.count(target.substr(0, slash))) << entry.path() << " includes " << target;
      }
    }
  }
  EXPECT_GT(files, 40);
  for (const auto& entry : fs::directory_iterator(root)) {
    if (entry.is_directory()) {
      EXPECT_TRUE(kMayUse.count(entry.path().filename().string())) << entry.path() << " has no layer";
    }
  }
}

}  // namespace
