// Shared set-up of the fuzzers that need a console: the core started once with the
// headless front end, in a private per-user folder, output going to a console whose row
// store the maxlines bound keeps small. Line requests made on this thread end at once
// with an empty line, as no line is queued.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "console/console_buffer.h"
#include "ui/headless/headless_frontend.h"

inline ConsoleBuffer* fuzz_console() {
    static ConsoleBuffer* console = [] {
        char folder[] = "/tmp/vantro_fuzz_XXXXXX";
        if (!mkdtemp(folder)) std::abort();
        setenv("VANTRO_HOME", folder, 1);
        static HeadlessFrontend front;
        return front.start();
    }();
    return console;
}

// The fuzzer's input as text, NUL bytes included.
inline std::string fuzz_text(const unsigned char* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// A broken expectation is a fault: abort, so that libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                       \
    do {                                                                            \
        if (!(condition)) {                                                         \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                           \
        }                                                                           \
    } while (0)
