// Benchmark: N single-row INSERT statements, each its own text with literals as a
// script has them, through the embedded engine's OCI surface (allocate, prepare,
// execute, free per statement; one transaction, committed at the end), against the same
// statements through SQLite's C API (prepare, step, finalize per statement) in one
// transaction on a file of its own. Prints both times, the time per statement and the
// ratio. Usage: vantro_insert_bench [statements=10000].
#include "bench_session.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string insert_text(long i, bool oracle) {
    std::string day = std::to_string(1 + i % 28) + (oracle ? "-MAR-04" : "-03-2004");
    return "insert into bench values (" + std::to_string(i) + ", 'name " + std::to_string(i) + "', " +
           std::to_string(i % 1000) + ".25, '" + day + "', 'a note of some length')";
}

bool sqlite_exec(sqlite3* db, const char* sql) {
    char* msg = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &msg) == SQLITE_OK) return true;
    std::fprintf(stderr, "%s: %s\n", sql, msg ? msg : "?");
    sqlite3_free(msg);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    long n = argc > 1 ? std::atol(argv[1]) : 10000;
    if (n < 1) {
        std::fprintf(stderr, "usage: %s [statements]\n", argv[0]);
        return 2;
    }
    std::string home = bench::fresh_home("vantro_insert_bench");
    double oci_time = 0;
    long oci_rows = 0;
    {
        bench::Session s(home, "bench");
        s.exec("create table bench (id number(10), name varchar2(20), amount number(12,2), day date, "
               "note varchar2(40))");
        auto start = bench::now();
        for (long i = 1; i <= n; ++i) s.exec(insert_text(i, true));
        s.exec("commit");
        oci_time = bench::seconds_since(start);
        std::string count;
        s.fetch_all("select count(*) from bench", 1, &count);
        oci_rows = std::atol(count.c_str());
    }

    // The reference: the engine's table shape in plain SQLite, on a fresh file.
    std::string path = home + "_sqlite.db";
    std::remove(path.c_str());
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return 1;
    }
    if (!sqlite_exec(db, "create table bench (id integer, name text, amount real, day text, note text)")) return 1;
    auto start = bench::now();
    if (!sqlite_exec(db, "begin")) return 1;
    for (long i = 1; i <= n; ++i) {
        std::string sql = insert_text(i, false);
        sqlite3_stmt* vm = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &vm, nullptr) != SQLITE_OK ||
            sqlite3_step(vm) != SQLITE_DONE) {
            std::fprintf(stderr, "%s: %s\n", sql.c_str(), sqlite3_errmsg(db));
            return 1;
        }
        sqlite3_finalize(vm);
    }
    if (!sqlite_exec(db, "commit")) return 1;
    double sqlite_time = bench::seconds_since(start);
    sqlite3_close(db);
    std::remove(path.c_str());

    std::printf("statements: %ld single-row INSERTs, one transaction (%ld rows in the engine's table)\n", n, oci_rows);
    std::printf("engine through OCI:  %.3f s  (%.1f us per statement)\n", oci_time, oci_time * 1e6 / n);
    std::printf("SQLite C API:        %.3f s  (%.1f us per statement)\n", sqlite_time, sqlite_time * 1e6 / n);
    std::printf("ratio engine/SQLite: %.2f\n", sqlite_time > 0 ? oci_time / sqlite_time : 0.0);
    return oci_rows == n ? 0 : 1;
}
