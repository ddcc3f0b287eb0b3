// A test fixture around the headless front end: a started core with an attached console
// showing the first prompt, and helpers to read the rows. Tests drive it by typing; the
// fixture restores the process-wide state (workers, history hooks, open statement) after
// each test so that the tests of one program do not see each other.
#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "command/client_commands.h"
#include "command/statement.h"
#include "console/console_buffer.h"
#include "settings/options.h"
#include "ui/headless/headless_frontend.h"

// The whole content of a file, as bytes.
inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        console = front.start(visible_rows, visible_columns);
        g_input.block_open = false;
        console_print_prompt();
    }

    void TearDown() override {
        front.wait_idle();
        finish(console, false, false);
        g_input.block_open = false;
        dispatcher_install_workers(WorkerRoutines());
        dispatcher_install_history(HistoryHooks());
        front.stop();
    }

    // The row `back` places before the last one (0: the last row).
    std::string row_from_end(int back) const {
        const std::vector<std::string> rows = front.rows();
        const int index = static_cast<int>(rows.size()) - 1 - back;
        return index >= 0 ? rows[static_cast<size_t>(index)] : std::string("<no row>");
    }
    std::string last_row() const { return row_from_end(0); }
    std::vector<std::string> rows() const { return front.rows(); }

    int visible_rows = 0;
    int visible_columns = 0;
    HeadlessFrontend front;
    ConsoleBuffer* console = nullptr;
};
