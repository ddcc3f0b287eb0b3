// Shared set-up of the command-language tests: a headless console started in an
// isolated per-user folder (VANTRO_HOME), helpers to write files there, to answer line
// requests of a script thread and to read the console back.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "command/history.h"
#include "command/variables.h"
#include "console/console_buffer.h"
#include "settings/options.h"
#include "ui/headless/headless_frontend.h"

inline void set_environment(const char* name, const std::string& value) {
#if defined(_WIN32)
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

class CommandLanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        home_ = std::filesystem::temp_directory_path() / ("vantro_cmdlang_" + std::to_string(stamp));
        std::filesystem::create_directories(home_);
        set_environment("VANTRO_HOME", home_.generic_string());
        history_clear();
        console_ = front_.start();
        // Settings saved by earlier tests (the Windows store is the registry, outside
        // VANTRO_HOME) must not leak in: start every test from the compiled defaults.
        *console_->options = options_defaults();
        saved_directory_ = std::filesystem::current_path();
        std::filesystem::current_path(home_);
    }
    void TearDown() override {
        front_.stop();
        std::filesystem::current_path(saved_directory_);
        std::error_code ignored;
        std::filesystem::remove_all(home_, ignored);
    }

    // A path in the test's folder, with forward slashes.
    std::string path(const std::string& name) const { return (home_ / name).generic_string(); }
    void write_file(const std::string& name, const std::string& content) const {
        std::ofstream out(home_ / name, std::ios::binary);
        out << content;
    }
    std::string read_file(const std::string& name) const {
        std::ifstream in(home_ / name, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }
    bool exists(const std::string& name) const { return std::filesystem::exists(home_ / name); }

    // Types the text and waits until no statement or script runs.
    void run(const std::string& text) {
        front_.type(text);
        ASSERT_TRUE(front_.wait_idle());
    }
    // Waits until a script thread asks for a line, then types the answer.
    void answer(const std::string& line) {
        for (int i = 0; i < 2000 && console_->line_input_mode.load() == LineInputNone; ++i) platform_sleep_ms(5);
        ASSERT_NE(console_->line_input_mode.load(), LineInputNone) << "no line was requested";
        front_.type(line + "\n");
        // The script thread takes the console back (busy again) shortly after the answer.
        for (int i = 0; i < 2000 && busy_thread_id.load() == 0 && console_->script_depth.load() > 0; ++i)
            platform_sleep_ms(2);
    }
    std::string screen() const { return front_.screen(); }
    static int occurrences(const std::string& text, const std::string& part) {
        int count = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
        return count;
    }
    bool defined(const char* name, std::string* value = nullptr) { return variable_lookup(name, value); }

    HeadlessFrontend front_;
    ConsoleBuffer* console_ = nullptr;
    std::filesystem::path home_;
    std::filesystem::path saved_directory_;
};
