// Oracle's error texts come from the two tables of engine/values/errors.cpp (ORA and
// PLS numbers overlap, so each has its own). These tests read the engine's sources: no
// "ORA-nnnnn"/"PLS-nnnnn" text is spelt out elsewhere, every number the engine looks up
// has a row, and no number has two rows. Then the lookups themselves.
#include "values/errors.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The source with its comments blanked out; string and character literals are kept,
// so that "//" inside a literal is not taken for a comment.
std::string without_comments(const std::string& src) {
    std::string out = src;
    std::size_t i = 0;
    while (i < out.size()) {
        char c = out[i];
        if (c == '"' || c == '\'') {
            for (++i; i < out.size() && out[i] != c; ++i)
                if (out[i] == '\\') ++i;
            ++i;
        } else if (out.compare(i, 2, "//") == 0) {
            for (; i < out.size() && out[i] != '\n'; ++i) out[i] = ' ';
        } else if (out.compare(i, 2, "/*") == 0) {
            std::size_t end = out.find("*/", i + 2);
            end = end == std::string::npos ? out.size() : end + 2;
            for (; i < end; ++i)
                if (out[i] != '\n') out[i] = ' ';
        } else {
            ++i;
        }
    }
    return out;
}

// The codes of one table's rows, in order, duplicates kept.
std::vector<int> table_codes(const std::string& errors_cpp, const std::string& table) {
    std::vector<int> codes;
    std::size_t start = errors_cpp.find(table + "[] = {");
    if (start == std::string::npos) return codes;
    std::size_t end = errors_cpp.find("\n};", start);
    std::string body = errors_cpp.substr(start, end - start);
    std::regex row(R"(\{(\d+), ")");
    for (std::sregex_iterator it(body.begin(), body.end(), row), last; it != last; ++it)
        codes.push_back(std::stoi((*it)[1]));
    return codes;
}

struct EngineSource {
    std::string path;
    std::string code;  // comments blanked
};

std::vector<EngineSource> engine_sources() {
    std::vector<EngineSource> sources;
    for (const auto& folder : fs::directory_iterator(VANTRO_ENGINE_DIR)) {
        if (!folder.is_directory()) continue;
        for (const auto& entry : fs::directory_iterator(folder.path())) {
            std::string ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h") continue;
            sources.push_back({entry.path().string(), without_comments(read(entry.path()))});
        }
    }
    return sources;
}

bool is_errors_cpp(const std::string& path) {
    return fs::path(path).filename() == "errors.cpp" && fs::path(path).parent_path().filename() == "values";
}

TEST(ErrorsTable, NoNumberHasTwoRows) {
    std::string errors_cpp = without_comments(read(fs::path(VANTRO_ENGINE_DIR) / "values" / "errors.cpp"));
    for (const char* table : {"kMessages", "kPlsMessages"}) {
        std::vector<int> codes = table_codes(errors_cpp, table);
        EXPECT_GT(codes.size(), 20u) << table;
        std::set<int> seen;
        for (int code : codes) EXPECT_TRUE(seen.insert(code).second) << table << " has two rows for " << code;
    }
}

TEST(ErrorsTable, NoErrorTextIsSpeltOutOutsideTheTable) {
    std::regex numbered(R"((ORA|PLS)-[0-9])");
    int files = 0;
    for (const EngineSource& s : engine_sources()) {
        if (is_errors_cpp(s.path)) continue;
        ++files;
        std::istringstream lines(s.code);
        std::string line;
        for (int n = 1; std::getline(lines, line); ++n) {
            if (line.find("ORA-") == std::string::npos && line.find("PLS-") == std::string::npos) continue;
            EXPECT_FALSE(std::regex_search(line, numbered)) << s.path << ":" << n << ": " << line;
        }
    }
    EXPECT_GT(files, 40);
}

// The numbers named by each call of one of the lookups in code: the first argument, or
// both branches of a choice ("ora_line(more ? 947 : 913)").
std::vector<std::pair<int, std::string>> lookups_of(const std::string& code, const std::string& lookup) {
    static const std::regex first(R"(([^;,()]*(?:\(\))?[^;,()]*\? )?(\d+)(?: : (\d+))?)");
    std::vector<std::pair<int, std::string>> found;
    for (std::size_t at = code.find(lookup + "("); at != std::string::npos; at = code.find(lookup + "(", at + 1)) {
        char before = at ? code[at - 1] : ' ';
        if (std::isalnum(static_cast<unsigned char>(before)) || before == '_') continue;
        std::size_t args = at + lookup.size() + 1;
        std::string call = code.substr(args, code.find_first_of(";{", args) - args);
        std::smatch m;
        if (!std::regex_search(call, m, first, std::regex_constants::match_continuous)) continue;
        found.push_back({std::stoi(m[2]), lookup + "(" + call});
        if (m[3].matched) found.push_back({std::stoi(m[3]), lookup + "(" + call});
    }
    return found;
}

TEST(ErrorsTable, EveryNumberTheEngineLooksUpHasARow) {
    std::string errors_cpp = without_comments(read(fs::path(VANTRO_ENGINE_DIR) / "values" / "errors.cpp"));
    std::vector<int> ora = table_codes(errors_cpp, "kMessages");
    std::vector<int> pls = table_codes(errors_cpp, "kPlsMessages");
    const std::map<std::string, std::set<int>> rows = {
        {"ora_error", {ora.begin(), ora.end()}},   {"ora_message", {ora.begin(), ora.end()}},
        {"ora_line", {ora.begin(), ora.end()}},    {"pl_error", {ora.begin(), ora.end()}},
        {"pls_message", {pls.begin(), pls.end()}}, {"pls_body", {pls.begin(), pls.end()}},
    };
    std::map<std::string, int> calls;
    for (const EngineSource& s : engine_sources()) {
        for (const auto& [lookup, table] : rows) {
            for (const auto& [number, call] : lookups_of(s.code, lookup)) {
                ++calls[lookup];
                EXPECT_TRUE(table.count(number)) << s.path << ": " << number << " in " << call;
            }
        }
    }
    EXPECT_GT(calls["ora_error"], 50);
    EXPECT_GT(calls["ora_line"], 10);
    EXPECT_GT(calls["pl_error"], 20);
    EXPECT_GT(calls["pls_message"], 50);
}

TEST(ErrorsTable, LookupsFillArgumentsInOrderAndOnlyOnce) {
    EXPECT_EQ(pls_message(201, "X"), "PLS-00201: identifier 'X' must be declared");
    EXPECT_EQ(pls_body(306, "F"), "wrong number or types of arguments in call to 'F'");
    EXPECT_EQ(pls_message(103, "end-of-file", "begin declare"),
              "PLS-00103: Encountered the symbol \"end-of-file\" when expecting one of the following:\n\n   "
              "begin declare");
    // An argument that itself holds "%s" is text, not a place for the next argument.
    EXPECT_EQ(pls_message(103, "%s", "begin"),
              "PLS-00103: Encountered the symbol \"%s\" when expecting one of the following:\n\n   begin");
    EXPECT_EQ(ora_message(932, "%s", "DATE"), "inconsistent datatypes: expected %s got DATE");
    EXPECT_EQ(ora_line(6512, "\"SCOTT.P\", line 4"), "ORA-06512: at \"SCOTT.P\", line 4");
    EXPECT_EQ(ora_line(6553, "306", pls_body(306, "F")),
              "ORA-06553: PLS-306: wrong number or types of arguments in call to 'F'");
    EXPECT_EQ(ora_line(22165, "3", "1", "2"), "ORA-22165: given index [3] must be in the range of [1] to [2]");
    // Missing arguments leave their places empty; surplus ones are dropped.
    EXPECT_EQ(ora_message(942, "x"), "table or view does not exist");
    EXPECT_EQ(ora_message(6508), "PL/SQL: could not find program unit being called");
    EXPECT_EQ(ora_message(3001), "unimplemented feature");
    EXPECT_EQ(ora_message(3001, ": CONNECT BY over a join"), "unimplemented feature: CONNECT BY over a join");
    EXPECT_EQ(ora_message(932, "NUMBER", "DATE"), "inconsistent datatypes: expected NUMBER got DATE");
}

TEST(ErrorsTable, SpecialAndUnknownNumbers) {
    // SQLERRM of 0 is printed with four digits.
    EXPECT_EQ(ora_line(0), "ORA-0000: normal, successful completion");
    EXPECT_EQ(ora_line(1403), "ORA-01403: no data found");
    EXPECT_EQ(ora_message(99999), "Message 99999 not found");
    EXPECT_EQ(pls_message(99999), "PLS-99999: Message 99999 not found");
    // PLS-00905 and ORA-00905 are different messages.
    EXPECT_EQ(pls_body(905, "SCOTT.P"), "object SCOTT.P is invalid");
    EXPECT_EQ(ora_message(905), "missing keyword");
    OraError e = ora_error(12899, "\"T\".\"C\" ", "5", "3");
    EXPECT_EQ(e.code, 12899);
    EXPECT_EQ(e.message, "value too large for column \"T\".\"C\" (actual: 5, maximum: 3)");
}

}  // namespace
