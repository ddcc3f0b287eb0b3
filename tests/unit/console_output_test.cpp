// The console row store and ConsoleWriter: the maxlines bound, the control characters,
// the view following the caret, the error position marker, the spool file's line ends
// and output that has no console to go to.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "console_harness.h"
#include "test_home.h"

namespace {

const bool kFreshHome = use_fresh_vantro_home();

using Rows = std::vector<std::string>;

class ConsoleOutputTest : public ConsoleTest {
protected:
    std::string spool_path() const { return FreshHomeEnvironment::folder() + "/spool.lst"; }
    void open_spool() {
        std::FILE* file = std::fopen(spool_path().c_str(), "wb");
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(console_spool_swap(console, file), nullptr);
    }
    void close_spool() {
        if (std::FILE* file = console_spool_swap(console, nullptr)) std::fclose(file);
    }
};

}  // namespace

TEST_F(ConsoleOutputTest, MaxlinesKeepsTheNewestRows) {
    auto& maxlines = console->options->rows[static_cast<int>(Option::Maxlines)].number;
    const int least = kMaxlinesMinimum;
    maxlines.store(3);   // a stored value below the least counts as the least
    console_print("\r");
    for (int i = 0; i < least + 2; ++i) console_print("r%d\n", i);
    Rows kept = rows();
    ASSERT_EQ(kept.size(), static_cast<size_t>(least));
    EXPECT_EQ(kept.front(), "r3");
    EXPECT_EQ(kept.back(), "");
    EXPECT_EQ(console->caret_row, least);
    EXPECT_EQ(console->caret_column, 0);
    console_print("e");
    EXPECT_EQ(rows().back(), "e");
    // A larger bound takes effect at the next row; nothing dropped comes back.
    maxlines.store(least + 2);
    console_print("\nf\n");
    kept = rows();
    ASSERT_EQ(kept.size(), static_cast<size_t>(least + 2));
    EXPECT_EQ(kept.front(), "r3");
    EXPECT_EQ(kept[static_cast<size_t>(least) - 1], "e");
    EXPECT_EQ(kept[static_cast<size_t>(least)], "f");
    EXPECT_EQ(console->caret_row, least + 2);
    EXPECT_TRUE(console->stream_pending.empty()) << "without a streaming viewer nothing is kept";
}

// A viewer that writes rows out once (the terminal) gets every row exactly once and in
// order, however many rows leave the store between two of its looks, with a live area of
// rows that may still change at the bottom.
TEST_F(ConsoleOutputTest, AStreamingViewerGetsEveryRowOnce) {
    console_stream_start(console);
    console_print("\r");
    Rows written;
    std::uint64_t next = 0;   // the number of the first row not written for good
    auto look = [&](int live) {
        ConsoleStreamRows taken;
        console_stream_take(console, next, live, &taken);
        const std::uint64_t first = taken.rows_appended + 1 - taken.rows.size();
        ASSERT_LE(first, next == 0 ? first : next) << "no row was skipped";
        const std::uint64_t live_first = taken.rows_appended + 1 - static_cast<std::uint64_t>(live);
        for (std::uint64_t n = std::max(next, first); n < live_first; ++n)
            written.push_back(taken.rows[static_cast<size_t>(n - first)]);
        next = std::max(next, live_first);
        EXPECT_EQ(taken.rows[static_cast<size_t>(taken.caret_row - 1)], rows()[static_cast<size_t>(console->caret_row - 1)]);
    };
    look(1);
    const int total = 5 * kMaxlinesMinimum + 17;
    for (int i = 0; i < total; ++i) {
        console_print("r%d\n", i);
        if (i % 7 == 0 || (i > 200 && i < 260)) look(1);
        if (i == 300) look(3);   // rows of a taller live area leave the store, then are written
    }
    look(1);
    ASSERT_EQ(written.size(), static_cast<size_t>(total));
    for (int i = 0; i < total; ++i) ASSERT_EQ(written[static_cast<size_t>(i)], "r" + std::to_string(i));
    EXPECT_TRUE(console->stream_pending.empty());
}

TEST_F(ConsoleOutputTest, CarriageReturnAndBackspace) {
    console_print("\rabc\rxy");
    EXPECT_EQ(last_row(), "xy");
    EXPECT_EQ(console->caret_column, 2);
    // Text before a backspace in the same call is not shown; the backspace deletes the
    // character before the caret.
    console_print("abc\bd");
    EXPECT_EQ(last_row(), "xd");
    console_print("%c", '\b');
    console_print("%c", '\b');
    console_print("%c", '\b');   // nothing left to delete
    EXPECT_EQ(last_row(), "");
    EXPECT_EQ(console->caret_column, 0);
    console_print("12345\r");
    EXPECT_EQ(last_row(), "");
    // Output goes in at the caret, moving the rest of the row right.
    console_print("ad");
    console->caret_column = 1;
    console_print("bc");
    EXPECT_EQ(last_row(), "abcd");
    EXPECT_EQ(console->caret_column, 3);
    // Long texts are formatted whole.
    const std::string long_text(5000, 'x');
    console_print("\r%s|", long_text.c_str());
    EXPECT_EQ(last_row(), long_text + "|");
}

TEST_F(ConsoleOutputTest, ViewFollowsTheCaret) {
    console->visible_rows = 5;
    console->visible_columns = 10;
    for (int i = 0; i < 10; ++i) console_print("line %d\n", i);
    EXPECT_EQ(console->caret_row, 11);
    EXPECT_EQ(console->top_row, 6);
    console_print("123456789012345");
    EXPECT_EQ(console->left_column, 5);
    console_print("\r");
    EXPECT_EQ(console->left_column, 0);
}

TEST_F(ConsoleOutputTest, ErrorPositionPutsAStarUnderTheByte) {
    g_input.text = "select *\nfrom dula x";
    console_print("\n");
    console_show_error_position(14);   // the "d" of "dula"
    EXPECT_EQ(row_from_end(2), "from dula x");
    EXPECT_EQ(row_from_end(1), "     *");
    EXPECT_EQ(last_row(), "");
    console_show_error_position(0);
    EXPECT_EQ(row_from_end(2), "select *");
    EXPECT_EQ(row_from_end(1), "*");
    // An error at the very end of the statement (an incomplete command) is marked after
    // its last character.
    console_show_error_position(static_cast<int>(g_input.text.size()));
    EXPECT_EQ(row_from_end(2), "from dula x");
    EXPECT_EQ(row_from_end(1), "           *");
    const size_t count = rows().size();
    console_show_error_position(static_cast<int>(g_input.text.size()) + 1);
    console_show_error_position(-1);
    EXPECT_EQ(rows().size(), count);
}

TEST_F(ConsoleOutputTest, SpoolGetsCrLfAndOnlyWorkerOutput) {
    open_spool();
    // No worker runs: console output stays out of the spool file, prompts too.
    console_print("from the command\n");
    console_echo("echoed");
    console_newline();
    console_print_prompt();
    spool_write("abc\rxy\nsecond line\nno end");
    spool_write("\n%d%%\r\n", 5);
    close_spool();
    EXPECT_EQ(read_file(spool_path()), "xy\r\nsecond line\r\nno end\r\n\r\n");
    // Nothing is written, and nothing breaks, without a spool file.
    spool_write("lost\n");
    EXPECT_EQ(read_file(spool_path()), "xy\r\nsecond line\r\nno end\r\n\r\n");
}

TEST_F(ConsoleOutputTest, OutputWithoutAConsoleIsDropped) {
    const Rows before = rows();
    console->attached.store(false);
    console_print("dropped\n");
    console_print_nospool("dropped\n");
    console_echo("dropped");
    console_newline();
    console_print_prompt();
    EXPECT_EQ(rows(), before);
    console->attached.store(true);
    ConsoleBuffer* const saved = g_console;
    g_console = nullptr;
    console_print("dropped\n");
    console_newline();
    spool_write("dropped\n");
    g_console = saved;
    EXPECT_EQ(rows(), before);
}

TEST_F(ConsoleOutputTest, RowsPrintedWhileRepaintsAreSuppressedCostNoRepaint) {
    const int before = front.console_changes();
    console->repaint_suppressed.store(1);
    for (int i = 0; i < 1000; ++i) {
        const std::string row = "\rrow " + std::to_string(i);
        console_print_line(row.data(), row.size());
        console_print("cell");
        console_newline();
    }
    EXPECT_EQ(front.console_changes(), before);
    // A long output's progress is shown on request, suppressed or not.
    console_repaint(console);
    EXPECT_EQ(front.console_changes(), before + 1);
    console->repaint_suppressed.store(0);
    console_print_line("\rlast", 5);
    EXPECT_EQ(front.console_changes(), before + 2);
    const Rows all = rows();
    ASSERT_GE(all.size(), 4u);
    EXPECT_EQ(Rows(all.end() - 4, all.end()), (Rows{"row 999", "cell", "last", ""}));
}
