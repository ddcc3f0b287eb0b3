// Enter inside the input (newline allowed): both halves of the split line stay on screen.
#include <gtest/gtest.h>

#include "console/console_buffer.h"
#include "ui/headless/headless_frontend.h"

namespace {

std::vector<std::string> last_rows(const HeadlessFrontend& front, size_t n) {
    const std::vector<std::string> rows = front.rows();
    return std::vector<std::string>(rows.end() - static_cast<std::ptrdiff_t>(std::min(n, rows.size())), rows.end());
}

TEST(InputEnter, SplittingALineRedrawsBothHalves) {
    HeadlessFrontend front;
    ConsoleBuffer* console = front.start();
    console_print_prompt();
    front.type("select abc");
    {
        std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
        for (int i = 0; i < 3; ++i) input_left(console, false);
    }
    front.type("\n");
    EXPECT_EQ(g_input.text, "select \nabc");
    EXPECT_EQ(last_rows(front, 2), (std::vector<std::string>{"SQL> select ", "   2 abc"}));

    // Splitting the first of three lines keeps the lines below it.
    {
        std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
        input_home(console, true);
        input_right(console, false);
    }
    front.type("\n");
    EXPECT_EQ(g_input.text, "s\nelect \nabc");
    EXPECT_EQ(last_rows(front, 3), (std::vector<std::string>{"SQL> s", "   2 elect ", "   3 abc"}));
    front.stop();
    g_input = InputLine();
}

}  // namespace
