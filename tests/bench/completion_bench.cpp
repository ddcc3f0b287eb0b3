// Benchmark: Tab completion of a table-name prefix, from the key to the list, in the
// schema TABS of the database TABS that vantro_bench_data made under the given VANTRO_HOME. The core runs
// in-process with the headless front end, as the console window runs it.
// Usage: vantro_completion_bench home prefix runs. Prints the median and each run in
// milliseconds and the number of entries listed; status 1 when no list opened.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "complete/autocomplete.h"
#include "console/console_buffer.h"
#include "oci/db_session.h"
#include "settings/options.h"
#include "ui/headless/headless_frontend.h"

int main(int argc, char** argv) {
    if (argc != 4 || std::atoi(argv[3]) < 1) {
        std::fprintf(stderr, "usage: %s home prefix runs\n", argv[0]);
        return 2;
    }
    setenv("VANTRO_HOME", argv[1], 1);
    setenv("VANTRO_OCI_LIB", "embedded", 1);
    const std::string prefix = argv[2];
    const int runs = std::atoi(argv[3]);

    HeadlessFrontend front;
    ConsoleBuffer* console = front.start(24, 80);
    console_print_prompt();
    front.type("connect tabs/tabs@tabs\n");
    if (!front.wait_idle(60000) || !session_open.load()) {
        std::fprintf(stderr, "connect failed:\n%s\n", front.screen().c_str());
        front.stop();
        return 1;
    }
    if (console->options) (*console->options)[Option::Autocomplete].number.store(1);

    std::vector<double> times;
    size_t listed = 0;
    for (int i = 0; i < runs; ++i) {
        input_reset();
        front.type("select * from " + prefix);
        const auto start = std::chrono::steady_clock::now();
        autocomplete_start(console);
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        listed = autocomplete_is_open() ? autocomplete_entries().size() : 0;
        autocomplete_close(console);
        if (listed == 0) {
            std::fprintf(stderr, "no list for %s:\n%s\n", prefix.c_str(), front.screen().c_str());
            break;
        }
    }
    input_reset();
    db_disconnect();
    front.stop();
    if (listed == 0) return 1;
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    const size_t n = sorted.size();
    const double median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    std::printf("completion_ms %.2f entries %zu runs", median, listed);
    for (double t : times) std::printf(" %.2f", t);
    std::printf("\n");
    return 0;
}
