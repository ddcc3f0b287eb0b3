// Tests of the console window's window-independent arithmetic (selection, click, view
// size and scrolling, paste splitting and feeding), of the stored recent-logon lists and
// of reading and copying rows of the result file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "console/console_buffer.h"
#include "ui/headless/headless_frontend.h"
#include "ui/win32/console_view.h"
#include "ui/win32/result_rows.h"
#include "ui/win32/session_hooks.h"

namespace {

void select_block(ConsoleBuffer& c, int col0, int row0, int col1, int row1) {
    c.selecting = true;
    c.sel_anchor_column = col0;
    c.sel_anchor_row = row0;
    c.sel_end_column = col1;
    c.sel_end_row = row1;
}

TEST(ConsoleSelection, BlockTextCutsEachRowToTheColumns) {
    ConsoleBuffer c;
    c.rows = {"abcdef", "xy", "0123456789"};
    EXPECT_EQ(console_selection_text(&c), "");
    select_block(c, 2, 0, 4, 2);
    EXPECT_EQ(console_selection_text(&c), "cde\n\n234");
    // Dragging up and to the left selects the same block.
    select_block(c, 4, 2, 2, 0);
    EXPECT_EQ(console_selection_text(&c), "cde\n\n234");
    // A block reaching below the last row stops at the last row.
    select_block(c, 0, 1, 1, 9);
    EXPECT_EQ(console_selection_text(&c), "xy\n01");
    EXPECT_EQ(text_to_crlf("cde\n\n234"), "cde\r\n\r\n234");
}

TEST(ConsoleView, ResizeAndScrollStayInsideTheRows) {
    ConsoleBuffer c;
    c.char_width = 8;
    c.char_height = 16;
    c.rows.assign(25, "row");
    c.rows[20] = std::string(150, 'x');
    console_view_resize(&c, 804, 164);
    EXPECT_EQ(c.visible_columns, 100);
    EXPECT_EQ(c.visible_rows, 10);
    EXPECT_EQ(c.top_row, 15);   // the view starts at the bottom
    console_view_scroll_rows(&c, 100);
    EXPECT_EQ(c.top_row, 15);
    console_view_scroll_columns(&c, 500);
    EXPECT_EQ(c.left_column, 50);   // the widest visible row is 150 wide
    console_view_scroll_rows(&c, -100);
    EXPECT_EQ(c.top_row, 0);
    EXPECT_EQ(c.left_column, 0);    // nothing in this view is wider than the window
    console_view_scroll_columns(&c, 5);
    EXPECT_EQ(c.left_column, 0);
}

TEST(ConsoleClick, PlacesTheCursorOnlyOnInputRows) {
    ConsoleBuffer c;
    c.char_width = 8;
    c.char_height = 16;
    c.rows = {"old output", "SQL> select", "   2 from dual"};
    g_input.text = "select\nfrom dual";
    g_input.cursor = 0;
    auto x_of = [](int column) { return kConsoleMargin + column * 8 + 1; };
    auto y_of = [](int row) { return kConsoleMargin + row * 16 + 1; };

    EXPECT_TRUE(console_click_place_cursor(&c, x_of(5 + 3), y_of(2)));
    EXPECT_EQ(g_input.cursor, 7 + 3);
    EXPECT_TRUE(console_click_place_cursor(&c, x_of(40), y_of(1)));
    EXPECT_EQ(g_input.cursor, 6);   // past the line's end: at its end
    EXPECT_TRUE(console_click_place_cursor(&c, x_of(1), y_of(2)));
    EXPECT_EQ(g_input.cursor, 7);   // on the prompt: the line's start
    g_input.cursor = 3;
    EXPECT_FALSE(console_click_place_cursor(&c, x_of(5), y_of(0)));
    EXPECT_FALSE(console_click_place_cursor(&c, x_of(5), y_of(7)));
    EXPECT_EQ(g_input.cursor, 3);
    g_input = InputLine();
}

TEST(PasteSplit, LineEndsAndTheOpenLastPiece) {
    bool open = false;
    EXPECT_EQ(paste_split_lines("a\r\nb\nc", &open), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(open);
    EXPECT_EQ(paste_split_lines("a\n\nb\r\n", &open), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_FALSE(open);
    // A lone CR ends its line without eating the next character.
    EXPECT_EQ(paste_split_lines("ab\rcd\n", &open), (std::vector<std::string>{"ab", "cd"}));
    EXPECT_TRUE(paste_split_lines("", &open).empty());
    EXPECT_FALSE(open);
}

TEST(PasteFeed, CompleteLinesAreEnteredAndTheLastPieceStaysInTheInput) {
    HeadlessFrontend front;
    ConsoleBuffer* console = front.start();
    console_feed_text(console, "select 1\r\nfrom dual\nwhere");
    EXPECT_EQ(g_input.text, "select 1\nfrom dual\nwhere");
    EXPECT_EQ(g_input.cursor, g_input.length());
    front.stop();
    g_input = InputLine();
}

TEST(RecentList, SlotsAreReadWithinTheirBounds) {
    char image[kRecentImageBytes] = {};
    std::strcpy(image, "scott");
    std::strcpy(image + 2 * kRecentImageSlotSize, "hr");
    EXPECT_EQ(recent_list_parse(image, sizeof image), (std::vector<std::string>{"scott", "hr"}));
    // A slot without its NUL is cut to 99 characters, never read into the next slot.
    std::memset(image + 3 * kRecentImageSlotSize, 'u', kRecentImageSlotSize);
    const std::vector<std::string> entries = recent_list_parse(image, sizeof image);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2], std::string(99, 'u'));
    // A short stored value yields only its complete slots.
    EXPECT_EQ(recent_list_parse(image, 150), (std::vector<std::string>{"scott"}));
}

TEST(SessionHooks, ConnectWithoutADatabaseLayerFailsWithAMessage) {
    HeadlessFrontend front;
    ConsoleBuffer* console = front.start();
    EXPECT_NE(session_connect(console, "scott", "tiger", "", "NORMAL"), 0);
    EXPECT_FALSE(session_is_open());
    EXPECT_NE(front.screen().find("Not connected to a database"), std::string::npos);
    front.stop();
}

// A result file of two columns (widths 4 and 6, NUL-terminated fields) and three rows,
// the last with a NULL first field and a second field that fills its width.
std::FILE* result_file_of_three_rows() {
    std::FILE* file = std::tmpfile();
    const char records[] = "1\0\0\0ALPHA\0"
                           "22\0\0B C\0\0\0"
                           "\0\0\0\0FULL5\0";
    std::fwrite(records, 1, sizeof records - 1, file);
    return file;
}

TEST(ResultRows, FieldsAreReadUpToTheirNulAtRecordOffsets) {
    std::FILE* file = result_file_of_three_rows();
    const std::vector<int> widths = {4, 6};
    std::string text;
    EXPECT_TRUE(result_field_text(file, widths, 1, 1, &text));
    EXPECT_EQ(text, "B C");
    EXPECT_TRUE(result_field_text(file, widths, 2, 0, &text));
    EXPECT_EQ(text, "");
    EXPECT_TRUE(result_field_text(file, widths, 2, 1, &text));
    EXPECT_EQ(text, "FULL5");
    // Out of range or past the end of the file: no text, and a failure.
    EXPECT_FALSE(result_field_text(file, widths, 3, 0, &text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(result_field_text(file, widths, 0, 2, &text));
    EXPECT_FALSE(result_field_text(nullptr, widths, 0, 0, &text));
    std::fclose(file);
}

TEST(ResultRows, CopiedRowsAreJoinedByCrLfWithBlanksBetweenFields) {
    std::FILE* file = result_file_of_three_rows();
    const std::vector<int> widths = {4, 6};
    EXPECT_EQ(result_rows_text(file, widths, {0, 2}, true), "1 ALPHA\r\n FULL5");
    EXPECT_EQ(result_rows_text(file, widths, {0, 1}, false), "1\r\n22");
    // A row that cannot be read ends the text; nothing partial of it is added.
    EXPECT_EQ(result_rows_text(file, widths, {1, 7, 0}, true), "22 B C");
    EXPECT_EQ(result_rows_text(file, widths, {}, true), "");
    std::fclose(file);
}

}  // namespace
