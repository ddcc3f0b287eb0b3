// vantro: the console in a terminal, line by line. Each line read from standard input is
// typed into the console followed by Enter; the console rows that result are written to
// standard output, the row of the next prompt without a line end.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <unistd.h>

#include "console/console_buffer.h"
#include "ui/headless/headless_frontend.h"

namespace {

const char* kUsage =
    "Usage: vantro [--help] [--version]\n"
    "Reads statements and commands from standard input and prints the console's output.\n";

// Writes the rows completed since the last call, then the caret row as the open prompt.
class RowStreamer {
public:
    RowStreamer(ConsoleBuffer* console, bool skip_typed_row) : console_(console), skip_typed_row_(skip_typed_row) {}

    void flush() {
        std::vector<std::string> rows;
        std::uint64_t appended;
        {
            std::lock_guard<std::mutex> guard(console_->lock);
            rows = console_->rows;
            appended = console_->rows_appended;
        }
        const std::uint64_t fresh = appended - printed_;
        const size_t completed = rows.size() - 1;
        const size_t first = fresh > completed ? 0 : completed - static_cast<size_t>(fresh);
        for (size_t i = first; i < completed; ++i) {
            std::string row = rows[i];
            // The first new row continues the prompt already written; a terminal also
            // shows what the user typed after it.
            if (i == first && row.compare(0, shown_.size(), shown_) == 0) {
                row.erase(0, shown_.size());
                if (skip_typed_row_) continue;
            }
            std::fwrite(row.data(), 1, row.size(), stdout);
            std::fputc('\n', stdout);
        }
        if (fresh > 0 || shown_.empty()) {
            std::fwrite(rows.back().data(), 1, rows.back().size(), stdout);
            shown_ = rows.back();
        }
        std::fflush(stdout);
        printed_ = appended;
    }

private:
    ConsoleBuffer* console_;
    bool skip_typed_row_;
    std::string shown_;   // the open row as written last
    std::uint64_t printed_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("vantro %s\n", VANTRO_VERSION);
            return 0;
        }
        std::fprintf(stderr, "vantro: unknown argument %s\n%s", argv[i], kUsage);
        return 2;
    }
    HeadlessFrontend front;
    ConsoleBuffer* console = front.start();
    console_print("Vantro %s\n\n", VANTRO_VERSION);
    console_print_prompt();
    RowStreamer streamer(console, isatty(STDIN_FILENO) != 0);
    streamer.flush();
    std::string line;
    while (!front.quit_requested() && std::getline(std::cin, line)) {
        front.type(line + "\n");
        front.wait_idle(24 * 60 * 60 * 1000);
        streamer.flush();
    }
    std::fputc('\n', stdout);
    front.stop();
    return 0;
}
