// Benchmark: rows generated with CONNECT BY LEVEL from DUAL, counted in the engine and
// fetched through OCI array defines, against the same number of rows from a recursive
// common table expression stepped through SQLite's C API. Usage:
// vantro_connect_by_bench [levels=1000000] [batch=1000].
#include "bench_session.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    long n = argc > 1 ? std::atol(argv[1]) : 1000000;
    ub4 batch = argc > 2 ? static_cast<ub4>(std::atol(argv[2])) : 1000;
    if (n < 1 || batch < 1) {
        std::fprintf(stderr, "usage: %s [levels] [batch]\n", argv[0]);
        return 2;
    }
    std::string levels = std::to_string(n);
    std::string home = bench::fresh_home("vantro_connect_by_bench");
    double count_time = 0, fetch_time = 0;
    std::string counted, last;
    long fetched = 0;
    {
        bench::Session s(home, "bench");
        auto start = bench::now();
        s.fetch_all("select count(*) from dual connect by level <= " + levels, 1, &counted);
        count_time = bench::seconds_since(start);
        start = bench::now();
        fetched = s.fetch_all("select level from dual connect by level <= " + levels, batch, &last);
        fetch_time = bench::seconds_since(start);
    }

    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    std::string cte = "with recursive r(l) as (select 1 union all select l + 1 from r where l < " + levels +
                      ") select l from r";
    auto start = bench::now();
    sqlite3_stmt* vm = nullptr;
    sqlite3_prepare_v2(db, cte.c_str(), -1, &vm, nullptr);
    long direct = 0;
    std::size_t bytes = 0;
    while (sqlite3_step(vm) == SQLITE_ROW) {
        sqlite3_column_text(vm, 0);
        bytes += static_cast<std::size_t>(sqlite3_column_bytes(vm, 0));
        ++direct;
    }
    sqlite3_finalize(vm);
    double sqlite_time = bench::seconds_since(start);
    sqlite3_close(db);

    std::printf("levels: %ld (count(*) answered %s; %ld rows fetched, last %s; SQLite %ld rows, %zu bytes)\n", n,
                counted.c_str(), fetched, last.c_str(), direct, bytes);
    std::printf("count(*) ... connect by level:     %.3f s\n", count_time);
    std::printf("select level ... through OCI:      %.3f s  (batch %u)\n", fetch_time, batch);
    std::printf("SQLite recursive CTE, as text:     %.3f s  (ratio fetch/SQLite %.2f)\n", sqlite_time,
                sqlite_time > 0 ? fetch_time / sqlite_time : 0.0);
    bool right = std::atol(counted.c_str()) == n && fetched == n && last == levels && direct == n;
    return right ? 0 : 1;
}
