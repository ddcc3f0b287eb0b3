// Benchmark: a PL/SQL loop that calls a stored function and assigns its result, run as
// one anonymous block through OCI, beside the same loop with the function's expression
// written inline (the cost of the loop and the assignment alone) and the same loop
// calling a package's function. Usage:
// vantro_plsql_call_bench [iterations=1000000].
#include "bench_session.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    long n = argc > 1 ? std::atol(argv[1]) : 1000000;
    if (n < 1) {
        std::fprintf(stderr, "usage: %s [iterations]\n", argv[0]);
        return 2;
    }
    std::string iterations = std::to_string(n);
    std::string home = bench::fresh_home("vantro_plsql_call_bench");
    bench::Session s(home, "bench");
    s.exec("create table bench_result (total number)");
    s.exec("create or replace function bench_next(x in number) return number is begin return x + 1; end;");
    s.exec("create or replace package bench_pkg is function next(x in number) return number; end;");
    s.exec(
        "create or replace package body bench_pkg is function next(x in number) return number is begin "
        "return x + 1; end; end;");

    auto start = bench::now();
    s.exec("declare v number := 0; begin for i in 1.." + iterations +
           " loop v := bench_next(v); end loop; insert into bench_result values (v); end;");
    double call_time = bench::seconds_since(start);

    start = bench::now();
    s.exec("declare v number := 0; begin for i in 1.." + iterations +
           " loop v := v + 1; end loop; insert into bench_result values (v); end;");
    double inline_time = bench::seconds_since(start);

    start = bench::now();
    s.exec("declare v number := 0; begin for i in 1.." + iterations +
           " loop v := bench_pkg.next(v); end loop; insert into bench_result values (v); end;");
    double package_time = bench::seconds_since(start);

    std::string total;
    s.fetch_all("select min(total) || '/' || max(total) from bench_result", 1, &total);
    std::string expected = iterations + "/" + iterations;
    std::printf("iterations: %ld (results %s)\n", n, total.c_str());
    std::printf("loop calling a stored function:  %.3f s  (%.2f us per iteration)\n", call_time, call_time * 1e6 / n);
    std::printf("the same loop, expression inline: %.3f s  (%.2f us per iteration)\n", inline_time,
                inline_time * 1e6 / n);
    std::printf("loop calling a package function:  %.3f s  (%.2f us per iteration)\n", package_time,
                package_time * 1e6 / n);
    return total == expected ? 0 : 1;
}
