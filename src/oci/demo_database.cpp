// The embedded demo database's first use: see demo_database.h.
#include "oci/demo_database.h"

#include <cctype>
#include <cstdio>

#include "platform/files.h"
#include "platform/platform.h"

const char* const kDemoDatabaseName = "demo";

namespace {

constexpr const char* kMarkerName = "demo.created";
constexpr const char* kScriptName = "demo.sql";

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

bool file_exists(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::fclose(file);
    return true;
}

// Creates the marker; false when it cannot be written.
bool write_marker(const std::string& path) {
    std::FILE* file = platform_file_open_private(path.c_str(), "wb");
    if (!file) return false;
    return std::fclose(file) == 0;
}

}  // namespace

bool demo_database_named(const std::string& database) {
    std::size_t begin = 0, end = database.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(database[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(database[end - 1]))) --end;
    const std::string name = kDemoDatabaseName;
    if (end - begin != name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(database[begin + i])) != name[i]) return false;
    return true;
}

std::vector<std::string> demo_script_candidates(const std::string& executable_folder) {
    const std::string folder = executable_folder == "/" ? std::string() : executable_folder;
    const std::string up = folder + kSeparator + ".." + kSeparator;
    return {folder + kSeparator + kScriptName, up + "share" + kSeparator + "vantro" + kSeparator + kScriptName};
}

DemoFirstUse demo_database_first_use(const std::string& database, OciLibraryKind kind,
                                     const std::string& databases_folder, const std::vector<std::string>& candidates) {
    DemoFirstUse result;
    if (kind != OciLibraryKind::Embedded || !demo_database_named(database) || databases_folder.empty()) return result;
    const std::string marker = databases_folder + kSeparator + kMarkerName;
    if (file_exists(marker)) return result;
    std::string script;
    for (const std::string& candidate : candidates) {
        if (file_exists(candidate)) {
            script = candidate;
            break;
        }
    }
    if (script.empty()) {
        result.note = "The demo script ";
        result.note += kScriptName;
        result.note += " was not found";
        if (!candidates.empty()) result.note += " (looked for " + candidates.front() + ")";
        result.note += "; the demo database stays empty.\n";
        return result;
    }
    if (!write_marker(marker)) {
        // Without the marker the script would run again at every logon, over the objects
        // it created: leave the database as it is and say why.
        result.note = "The demo database cannot be created: " + marker + " cannot be written (" +
                      platform_last_error_text() + ").\n";
        return result;
    }
    result.note = "Creating the demo database (first use)...\n";
    result.script_line = "@\"" + script + "\"";
    return result;
}

DemoFirstUse demo_database_first_use(const std::string& database) {
    const OciLoadResult library = oci_load();
    if (library.code != 0) return {};
    return demo_database_first_use(database, library.kind, platform_user_folder(UserFolder::Databases),
                                   demo_script_candidates(oci_executable_folder()));
}

bool demo_database_offered() {
    const OciLoadResult library = oci_load();
    return library.code == 0 && library.kind == OciLibraryKind::Embedded;
}
