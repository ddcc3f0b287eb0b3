// The renderer's decisions: which rows are written for good, how the live area is
// redrawn in place and where the cursor ends, with wrapping, UTF-8 and rows dropped at
// either end of the store.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/terminal/renderer.h"

namespace {

// Runs frames and keeps what a terminal would show: the text with the escape sequences
// of the live area applied to a simple line model.
struct Screen {
    std::vector<std::string> lines{std::string()};
    int line = 0, column = 0;

    void feed(const std::string& bytes) {
        for (size_t i = 0; i < bytes.size(); ++i) {
            const char c = bytes[i];
            if (c == '\x1b') {
                size_t j = i + 2;
                int n = 0;
                while (j < bytes.size() && bytes[j] >= '0' && bytes[j] <= '9') n = n * 10 + (bytes[j++] - '0');
                const char command = bytes[j];
                if (command == 'A') line -= n;
                if (command == 'C') column += n;
                if (command == 'J') {
                    lines.resize(static_cast<size_t>(line) + 1);
                    lines[static_cast<size_t>(line)].resize(static_cast<size_t>(column));
                }
                i = j;
            } else if (c == '\r') {
                column = 0;
            } else if (c == '\n') {
                ++line;
                if (static_cast<size_t>(line) >= lines.size()) lines.emplace_back();
            } else {
                std::string& text = lines[static_cast<size_t>(line)];
                if (text.size() <= static_cast<size_t>(column)) text.resize(static_cast<size_t>(column), ' ');
                text.insert(text.begin() + column, c);
                text.resize(static_cast<size_t>(column) + 1);
                ++column;
            }
        }
    }
};

RenderFrame frame_of(const std::vector<std::string>& rows, std::uint64_t appended, int live, int caret_row,
                     int caret_column, int columns = 80) {
    RenderFrame frame;
    frame.rows = &rows;
    frame.rows_appended = appended;
    frame.live_rows = live;
    frame.caret_row = caret_row;
    frame.caret_column = caret_column;
    frame.columns = columns;
    return frame;
}

TEST(Renderer, PermanentRowsOnceLiveAreaRedrawnInPlace) {
    RenderState state;
    Screen screen;
    std::vector<std::string> rows{"Vantro", "SQL> select *"};
    screen.feed(render_frame(frame_of(rows, 1, 1, 2, 13), &state));
    EXPECT_EQ(screen.lines, (std::vector<std::string>{"Vantro", "SQL> select *"}));
    EXPECT_EQ(screen.column, 13);

    // The statement grows to two lines: both are live, the banner is not written again.
    rows = {"Vantro", "SQL> select *", "  2 from dual"};
    const std::string bytes = render_frame(frame_of(rows, 2, 2, 3, 13), &state);
    EXPECT_EQ(bytes.find("Vantro"), std::string::npos);
    screen.feed(bytes);
    EXPECT_EQ(screen.lines, (std::vector<std::string>{"Vantro", "SQL> select *", "  2 from dual"}));
    EXPECT_EQ(screen.line, 2);

    // Caret moved up to the first line of the statement: the cursor follows it.
    screen.feed(render_frame(frame_of(rows, 2, 2, 2, 7), &state));
    EXPECT_EQ(screen.line, 1);
    EXPECT_EQ(screen.column, 7);
    EXPECT_EQ(screen.lines.size(), 3u);

    // A worker prints: the statement becomes permanent, only the caret row stays live.
    rows = {"Vantro", "SQL> select *", "  2 from dual", "D    ", "-", "X", ""};
    const std::string output = render_frame(frame_of(rows, 6, 1, 7, 0), &state);
    EXPECT_NE(output.find("\r\nD\r\n-\r\n"), std::string::npos) << "trailing blanks left out";
    screen.feed(output);
    EXPECT_EQ(screen.lines, (std::vector<std::string>{"Vantro", "SQL> select *", "  2 from dual", "D", "-", "X", ""}));
    EXPECT_EQ(state.written, 6u);
}

TEST(Renderer, RowsDroppedByMaxlinesAndAtTheEnd) {
    RenderState state;
    Screen screen;
    std::vector<std::string> rows{"a", "b", "SQL> x"};
    screen.feed(render_frame(frame_of(rows, 2, 1, 3, 6), &state));
    // The store dropped its two oldest rows and gained three: only the new ones are written.
    rows = {"SQL> x", "c", "d", "SQL> "};
    screen.feed(render_frame(frame_of(rows, 5, 1, 4, 5), &state));
    EXPECT_EQ(screen.lines, (std::vector<std::string>{"a", "b", "SQL> x", "c", "d", "SQL> "}));
    // Backspace joined two input lines: the store dropped a row at its end (the row number
    // went down) and the live area shrinks without writing anything twice.
    rows = {"SQL> x", "c", "d", "SQL> ab", "  2 cd"};
    screen.feed(render_frame(frame_of(rows, 6, 2, 5, 6), &state));
    rows = {"SQL> x", "c", "d", "SQL> abcd"};
    screen.feed(render_frame(frame_of(rows, 5, 1, 4, 7), &state));
    EXPECT_EQ(screen.lines, (std::vector<std::string>{"a", "b", "SQL> x", "c", "d", "SQL> abcd"}));
    EXPECT_EQ(screen.column, 7);
}

TEST(Renderer, LiveAreaNeverReachesBackOverWrittenRows) {
    RenderState state;
    Screen screen;
    // A password request below a two-line statement: one live row.
    std::vector<std::string> rows{"SQL> connect", "  2 scott", "Enter password: **"};
    screen.feed(render_frame(frame_of(rows, 2, 1, 3, 18), &state));
    // The request ended and the two-line statement is back in the input; its rows are
    // above the written request rows and are not drawn again.
    rows = {"SQL> connect", "  2 scott", "Enter password: **", "SQL> "};
    screen.feed(render_frame(frame_of(rows, 3, 2, 4, 5), &state));
    EXPECT_EQ(screen.lines, (std::vector<std::string>{"SQL> connect", "  2 scott", "Enter password: **", "SQL> "}));
}

TEST(Renderer, WrappedRowsAndUtf8Columns) {
    RenderState state;
    Screen screen;
    // 10 columns: a 14-character row takes two lines; the caret on the second.
    std::vector<std::string> rows{"SQL> abcdefghi"};
    std::string bytes = render_frame(frame_of(rows, 0, 1, 1, 14, 10), &state);
    EXPECT_EQ(state.cursor_line, 1);
    EXPECT_NE(bytes.find("\x1b[4C"), std::string::npos);
    // Redrawing moves up over both lines first.
    bytes = render_frame(frame_of(rows, 0, 1, 1, 0, 10), &state);
    EXPECT_EQ(bytes.rfind("\x1b[1A\r\x1b[J", 0), 0u);
    EXPECT_EQ(state.cursor_line, 0);
    // An exactly filled line with the caret after it gets a fresh line for the caret.
    rows = {"SQL> abcde"};
    bytes = render_frame(frame_of(rows, 0, 1, 1, 10, 10), &state);
    EXPECT_EQ(state.cursor_line, 1);
    EXPECT_NE(bytes.find("abcde\r\n"), std::string::npos);
    // Two-byte characters take one column each.
    rows = {"SQL> \xc3\xa9\xc3\xa9x"};
    render_frame(frame_of(rows, 0, 1, 1, 9, 80), &state);
    EXPECT_EQ(state.caret_display_column, 7);
    EXPECT_EQ(render_display_width("\xe2\x82\xac\xe2\x82\xac", 6), 2);
    // A resize to 5 columns puts the cursor on the second line of the row as re-wrapped.
    render_reflow(&state, 5);
    EXPECT_EQ(state.cursor_line, 1);
}

TEST(Renderer, FinalFrameWritesEverythingAndPlainOutputStreams) {
    RenderState state;
    Screen screen;
    std::vector<std::string> rows{"one", "SQL> exit", "SQL> "};
    screen.feed(render_frame(frame_of(rows, 2, 1, 3, 5), &state));
    screen.feed(render_frame(frame_of(rows, 2, 0, 3, 5), &state));
    EXPECT_EQ(screen.lines, (std::vector<std::string>{"one", "SQL> exit", "SQL>", ""}));
    EXPECT_EQ(screen.column, 0);

    std::uint64_t written = 0;
    EXPECT_EQ(render_plain({"Vantro", "SQL> sel"}, 1, 1, &written), "Vantro\n");
    EXPECT_EQ(render_plain({"Vantro", "SQL> select 1 from dual;", "1", ""}, 3, 1, &written),
              "SQL> select 1 from dual;\n1\n");
    EXPECT_EQ(render_plain({"1", ""}, 3, 1, &written), "");
}

// Control characters of fetched values or typed text reach the terminal as "?", one column
// each, so that they cannot move the cursor or start a sequence; a pipe gets the bytes.
TEST(Renderer, ControlCharactersAreShownNotObeyed) {
    RenderState state;
    Screen screen;
    const std::vector<std::string> rows{"a\x1b[2Jb\x07" "c\x7f|\xc2\x9b" "1m|\xc3\xa4", "SQL> x\x1b]0;t"};
    const std::string bytes = render_frame(frame_of(rows, 2, 1, 2, 11), &state);
    EXPECT_EQ(bytes.find('\x07'), std::string::npos);
    EXPECT_EQ(bytes.find("\xc2\x9b"), std::string::npos);
    screen.feed(bytes);
    EXPECT_EQ(screen.lines, (std::vector<std::string>{"a?[2Jb?c?|?1m|\xc3\xa4", "SQL> x?]0;t"}));
    EXPECT_EQ(render_cut("x\x1b[31my", 0, 10), "x?[31my");
    EXPECT_EQ(render_cut("ab\x1b" "cdef", 1, 4), "<?c>");
    // Bytes that are no UTF-8 character take one column each and show as "?".
    const std::string invalid = "a\xff\x80\xc3(\xe0\x80\x80\xed\xa0\x80z";
    EXPECT_EQ(render_display_width(invalid, static_cast<int>(invalid.size())), 12);
    EXPECT_EQ(render_cut(invalid, 0, 20), "a???" "(??????z");
    EXPECT_EQ(render_cut(invalid + "\xc3\xa4", 11, 2), "<\xc3\xa4");
    std::uint64_t written = 0;
    EXPECT_EQ(render_plain({"a\x1b[0mb", ""}, 2, 1, &written), "a\x1b[0mb\n");
}

}  // namespace

// Cut rows: each row one screen line with "<" and ">" at the edges where it goes on.
TEST(RendererCut, CutAtWidthWithEdgeMarks) {
    EXPECT_EQ(render_cut("short row   ", 0, 10), "short row");
    EXPECT_EQ(render_cut("exactly10!", 0, 10), "exactly10!") << "a row that fits has no mark";
    EXPECT_EQ(render_cut("exactly10!   ", 0, 10), "exactly10!") << "trailing blanks do not go on";
    EXPECT_EQ(render_cut("0123456789ABCDEF", 0, 10), "012345678>");
    EXPECT_EQ(render_cut("0123456789ABCDEF", 3, 10), "<456789AB>");
    EXPECT_EQ(render_cut("0123456789ABCDEF", 7, 10), "<89ABCDEF");
    EXPECT_EQ(render_cut("0123", 8, 10), "<") << "a row ending left of the view still shows it goes on";
    EXPECT_EQ(render_cut("", 8, 10), "");
    EXPECT_EQ(render_cut("0123456789", 0, 1), ">");
    // UTF-8: columns are characters, never a split sequence.
    EXPECT_EQ(render_cut("\xc3\xa4\xc3\xb6\xc3\xbc" "abc", 1, 3), "<\xc3\xbc>");
    EXPECT_EQ(render_cut("\xc3\xa4\xc3\xb6\xc3\xbc", 0, 3), "\xc3\xa4\xc3\xb6\xc3\xbc");

    EXPECT_EQ(render_max_left(80, 80), 0);
    EXPECT_EQ(render_max_left(100, 80), 20);
    EXPECT_EQ(render_cut(std::string(100, 'x') + "END", render_max_left(103, 80), 80).substr(76), "xEND");
}

TEST(RendererCut, RowsAreOneLineEachAndAnOffsetRedrawsTheScreen) {
    RenderState state;
    const std::string wide = "NAME" + std::string(40, ' ') + "NULL?" + std::string(40, ' ') + "TYPE";
    std::vector<std::string> rows{wide, "EMPNO" + std::string(80, ' ') + "NUMBER(4)", "SQL> "};
    RenderFrame frame = frame_of(rows, 3, 1, 3, 5, 40);
    frame.cut = true;
    frame.lines = 10;
    Screen screen;
    screen.feed(render_frame(frame, &state));
    ASSERT_EQ(screen.lines.size(), 3u) << "no row wraps";
    EXPECT_EQ(screen.lines[0], wide.substr(0, 39) + ">");
    EXPECT_EQ(screen.lines[2], "SQL>");
    EXPECT_EQ(screen.column, 5);

    // Moving the view: the screen's rows are drawn again over it from its top, at the
    // offset; the input line keeps its own offset.
    frame.left_column = render_max_left(render_row_width(rows[1]), 40);
    const std::string bytes = render_frame(frame, &state);
    ASSERT_EQ(bytes.rfind("\x1b[H", 0), 0u);
    EXPECT_EQ(bytes.find("2J"), std::string::npos) << "no clear of the whole screen";
    Screen moved;
    moved.feed(bytes.substr(3));
    ASSERT_EQ(moved.lines.size(), 3u);
    EXPECT_EQ(moved.lines[0], "<" + wide.substr(static_cast<size_t>(frame.left_column) + 1)) << "the far column shows";
    EXPECT_EQ(moved.lines[1].substr(moved.lines[1].size() - 9), "NUMBER(4)");
    EXPECT_EQ(moved.lines[1][0], '<');
    EXPECT_EQ(moved.lines[2], "SQL>");
    EXPECT_EQ(state.left, frame.left_column);
    // The same offset again: no repaint, nothing written twice.
    EXPECT_EQ(render_frame(frame, &state).find("\x1b[H"), std::string::npos);

    // A repaint on a small screen draws only the rows that fit above the live area.
    std::vector<std::string> many;
    for (int i = 0; i < 30; ++i) many.push_back("row " + std::to_string(i));
    many.push_back("SQL> ");
    RenderState fresh;
    RenderFrame tall = frame_of(many, 31, 1, 31, 5, 40);
    tall.cut = true;
    tall.lines = 5;
    render_frame(tall, &fresh);
    tall.repaint = true;
    const std::string again = render_frame(tall, &fresh);
    EXPECT_EQ(again.find("row 25\r\n"), std::string::npos);
    EXPECT_EQ(again, "\x1b[Hrow 26\x1b[K\r\nrow 27\x1b[K\r\nrow 28\x1b[K\r\nrow 29\x1b[K\r\n\x1b[JSQL>\r\x1b[5C");
}

TEST(RendererCut, InputLineScrollsToKeepTheCaretVisible) {
    RenderState state;
    std::string input = "SQL> select " + std::string(60, 'c');
    std::vector<std::string> rows{input};
    RenderFrame frame = frame_of(rows, 1, 1, 1, static_cast<int>(input.size()), 40);
    frame.cut = true;
    Screen screen;
    screen.feed(render_frame(frame, &state));
    ASSERT_EQ(screen.lines.size(), 1u);
    EXPECT_GT(state.live_left, 0);
    EXPECT_EQ(screen.lines[0][0], '<');
    EXPECT_LT(screen.column, 39) << "the caret stands inside the window, not on the edge";
    EXPECT_EQ(state.live_left + screen.column, static_cast<int>(input.size()));

    // Back to the line's start: the offset returns to 0 and the prompt shows.
    frame.caret_column = 5;
    screen.feed(render_frame(frame, &state));
    EXPECT_EQ(state.live_left, 0);
    EXPECT_EQ(screen.lines[0], input.substr(0, 39) + ">");
    EXPECT_EQ(screen.column, 5);

    // The view's offset never moves the input line.
    frame.left_column = 30;
    render_frame(frame, &state);
    EXPECT_EQ(state.live_left, 0);
}

TEST(RendererClipboard, Osc52CarriesTheTextInBase64) {
    EXPECT_EQ(render_clipboard(""), "\x1b]52;c;\x07");
    EXPECT_EQ(render_clipboard("f"), "\x1b]52;c;Zg==\x07");
    EXPECT_EQ(render_clipboard("fo"), "\x1b]52;c;Zm8=\x07");
    EXPECT_EQ(render_clipboard("foo"), "\x1b]52;c;Zm9v\x07");
    EXPECT_EQ(render_clipboard("1 one\r\n2 two"), "\x1b]52;c;MSBvbmUNCjIgdHdv\x07");
    EXPECT_EQ(render_clipboard("\xff\xfe\x80"), "\x1b]52;c;//6A\x07") << "bytes above 127";
    EXPECT_EQ(render_clipboard("\x1b\x07"), "\x1b]52;c;Gwc=\x07") << "control bytes cannot end the sequence";
}
