// The statement being typed: prompts and continuation numbers, Enter inside the input,
// joining lines, tab stops, caret movement, hidden input and line requests answered on
// the GUI thread.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "console_harness.h"

namespace {

using Rows = std::vector<std::string>;

class InputLineTest : public ConsoleTest {
protected:
    // The last n rows of the console.
    Rows tail(size_t n) const {
        const Rows all = rows();
        return n > all.size() ? all : Rows(all.end() - static_cast<long>(n), all.end());
    }
    void expect_caret(int rows_from_end, int column) const {
        EXPECT_EQ(console->caret_row, console->row_count() - rows_from_end) << "caret row";
        EXPECT_EQ(console->caret_column, column) << "caret column";
    }
};

}  // namespace

TEST_F(InputLineTest, PromptAndContinuationNumbers) {
    front.type("select *\nfrom dual\nwhere 1 = 1");
    EXPECT_EQ(tail(3), (Rows{"SQL> select *", "   2 from dual", "   3 where 1 = 1"}));
    EXPECT_EQ(g_input.text, "select *\nfrom dual\nwhere 1 = 1");
    EXPECT_EQ(g_input.line_number, 3);
    // The number stands right-aligned under a prompt of any length.
    console->options->rows[static_cast<int>(Option::Prompt)].text = "db>";
    front.type("\n");
    EXPECT_EQ(last_row(), "  4 ");
    // An empty line ends the unfinished statement without running it; the prompt returns.
    front.type("\n");
    EXPECT_EQ(last_row(), "db> ");
    EXPECT_EQ(g_input.text, "");
    EXPECT_EQ(g_input.line_number, 1);
    // Enter on an empty input only shows the prompt again; blanks alone end nothing.
    front.type("\n");
    EXPECT_EQ(tail(2), (Rows{"db> ", "db> "}));
    front.type("   \n");
    EXPECT_EQ(tail(2), (Rows{"db>    ", "db> "}));
    EXPECT_EQ(g_input.text, "");
}

TEST_F(InputLineTest, EnterInsideTheInputRenumbersTheLines) {
    front.type("aaa\nbbbb\ncc");
    input_up(console);   // line 2, column 2
    EXPECT_EQ(g_input.cursor, 6);
    front.type("\n");
    EXPECT_EQ(g_input.text, "aaa\nbb\nbb\ncc");
    EXPECT_EQ(g_input.line_number, 4);
    EXPECT_EQ(g_input.cursor, 7);
    EXPECT_EQ(rows(), (Rows{"SQL> aaa", "   2 bb", "   3 bb", "   4 cc"}));
    expect_caret(1, 5);
    // Typing goes in at the caret, in the input and on the screen alike.
    front.type("X");
    EXPECT_EQ(g_input.text, "aaa\nbb\nXbb\ncc");
    EXPECT_EQ(row_from_end(1), "   3 Xbb");
    // On the first line the prompt is drawn again.
    input_home(console, true);
    front.type("\n");
    EXPECT_EQ(rows(), (Rows{"SQL> ", "   2 aaa", "   3 bb", "   4 Xbb", "   5 cc"}));
    expect_caret(3, 5);
}

TEST_F(InputLineTest, BackspaceAndDeleteJoinLines) {
    front.type("aaa\nbb\nbbb\ncc");
    input_up(console);
    input_home(console, false);   // start of line 3
    front.type("\b");
    EXPECT_EQ(g_input.text, "aaa\nbbbbb\ncc");
    EXPECT_EQ(g_input.line_number, 3);
    EXPECT_EQ(rows(), (Rows{"SQL> aaa", "   2 bbbbb", "   3 cc"}));
    expect_caret(1, 7);
    input_up(console);
    input_end(console, false);    // end of line 1
    EXPECT_EQ(input_delete(console), 0);   // a newline: the lines are redrawn
    EXPECT_EQ(g_input.text, "aaabbbbb\ncc");
    EXPECT_EQ(g_input.line_number, 2);
    EXPECT_EQ(rows(), (Rows{"SQL> aaabbbbb", "   2 cc"}));
    expect_caret(1, 8);
    // Plain characters: the caller removes them from the row.
    EXPECT_EQ(input_delete(console), 1);
    EXPECT_EQ(g_input.text, "aaabbbb\ncc");
    input_end(console, true);
    front.type("\b\b\bz");
    EXPECT_EQ(g_input.text, "aaabbbbz");
    EXPECT_EQ(g_input.line_number, 1);
    EXPECT_EQ(rows(), (Rows{"SQL> aaabbbbz"}));
    input_home(console, true);
    EXPECT_EQ(input_backspace(console), 0);   // nothing before the start
    input_end(console, true);
    EXPECT_EQ(input_delete(console), 0);      // nothing after the end
    EXPECT_EQ(g_input.text, "aaabbbbz");
}

TEST_F(InputLineTest, TabStops) {
    front.type("\tx");
    EXPECT_EQ(g_input.text, "        x");
    front.type("abcdef\t|");
    EXPECT_EQ(g_input.text, "        xabcdef |");
    EXPECT_EQ(last_row(), "SQL>         xabcdef |");
    // On later lines the column counts from the newline, so the first stop is 7 blanks away.
    front.type("\n\t|");
    EXPECT_EQ(g_input.text, "        xabcdef |\n       |");
    EXPECT_EQ(last_row(), "   2        |");
}

TEST_F(InputLineTest, CaretMovesByCharacterWordLineAndInput) {
    front.type("select a.b from t");
    input_home(console, false);
    EXPECT_EQ(g_input.cursor, 0);
    expect_caret(0, 5);
    input_right(console, true);
    EXPECT_EQ(g_input.cursor, 7);   // start of "a"
    input_right(console, true);
    EXPECT_EQ(g_input.cursor, 9);   // start of "b": "." is a delimiter
    input_left(console, true);
    EXPECT_EQ(g_input.cursor, 7);
    input_left(console, true);
    EXPECT_EQ(g_input.cursor, 0);
    input_left(console, false);
    EXPECT_EQ(g_input.cursor, 0);
    input_end(console, true);
    EXPECT_EQ(g_input.cursor, 17);
    expect_caret(0, 22);
    input_right(console, false);
    EXPECT_EQ(g_input.cursor, 17);
}

TEST_F(InputLineTest, CaretMovesAcrossLines) {
    front.type("ab\ncdef\ng");
    input_up(console);
    EXPECT_EQ(g_input.cursor, 4);   // line 2, column 1
    expect_caret(1, 6);
    input_up(console);
    EXPECT_EQ(g_input.cursor, 1);
    expect_caret(2, 6);
    input_up(console);              // first line: nothing
    EXPECT_EQ(g_input.cursor, 1);
    input_down(console);
    input_end(console, false);
    EXPECT_EQ(g_input.cursor, 7);   // end of "cdef"
    expect_caret(1, 9);
    input_down(console);            // "g" is shorter: its end
    EXPECT_EQ(g_input.cursor, 9);
    expect_caret(0, 6);
    input_home(console, false);
    input_left(console, false);     // back over the newline: end of the row above
    EXPECT_EQ(g_input.cursor, 7);
    expect_caret(1, 9);
    input_right(console, false);    // forward over it: after the line number
    EXPECT_EQ(g_input.cursor, 8);
    expect_caret(0, 5);
    input_home(console, true);
    EXPECT_EQ(g_input.cursor, 0);
    expect_caret(2, 5);
    input_down(console);
    input_down(console);
    input_down(console);            // on the last line: to the end of the input
    EXPECT_EQ(g_input.cursor, 9);
    expect_caret(0, 6);
    // Word movement crosses lines too.
    input_left(console, true);
    input_left(console, true);
    EXPECT_EQ(g_input.cursor, 3);
    expect_caret(1, 5);
}

TEST_F(InputLineTest, HiddenInputShowsStarsButKeepsTheText) {
    console->line_input_mode.store(LineInputHidden);
    front.type("pw1");
    EXPECT_EQ(g_input.text, "pw1");
    EXPECT_EQ(last_row(), "SQL> ***");
    front.type("\b");
    EXPECT_EQ(g_input.text, "pw");
    EXPECT_EQ(last_row(), "SQL> **");
    // Enter ends the request and dispatches nothing.
    front.type("\n");
    EXPECT_EQ(console->line_input_mode.load(), LineInputNone);
    EXPECT_EQ(g_input.text, "pw");
    front.type("x");
    EXPECT_EQ(last_row(), "x");
}

TEST_F(InputLineTest, LineRequestOnTheGuiThreadKeepsTheStatement) {
    front.type("select 1\nfrom");
    console_print("\nName: ");
    front.queue_line("scott");
    EXPECT_EQ(console_request_line(console, false), "scott");
    EXPECT_EQ(console->line_input_mode.load(), LineInputNone);
    EXPECT_EQ(g_input.text, "select 1\nfrom");
    EXPECT_EQ(g_input.line_number, 2);
    EXPECT_EQ(row_from_end(1), "Name: scott");
    console_print("Password: ");
    front.queue_line("tiger");
    EXPECT_EQ(console_request_line(console, true), "tiger");
    EXPECT_EQ(row_from_end(1), "Password: *****");
    EXPECT_EQ(g_input.text, "select 1\nfrom");
    EXPECT_EQ(console->echo.load(), 1);
}
