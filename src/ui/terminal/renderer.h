// Decides what to write to a terminal so that it shows the console rows: rows that can
// no longer change are written once and scroll into the terminal's own scrollback; the
// last rows (the statement being typed and the caret row) form a live area at the bottom
// that is redrawn in place. Pure: it returns the bytes to write and keeps its own state,
// so it is tested without a terminal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RenderState {
    bool started = false;          // `written` holds a row index once the first frame ran
    std::uint64_t written = 0;     // number of the first row not yet written for good
    std::vector<std::string> live; // the live rows as drawn last
    int caret_live_row = 0;        // caret position within `live` as drawn last
    int caret_display_column = 0;
    int cursor_line = 0;           // screen line of the live area where the cursor stands
    int left = 0;                  // cut rows: horizontal offset of the rows above the live area as drawn
    int live_left = 0;             // cut rows: horizontal offset of the live area, follows the caret
};

struct RenderFrame {
    const std::vector<std::string>* rows = nullptr;
    std::uint64_t rows_appended = 0;  // ConsoleBuffer::rows_appended: number of the last row
    int live_rows = 1;                // rows at the bottom that may still change; 0: none
    int caret_row = 1;                // 1-based, as in ConsoleBuffer
    int caret_column = 0;             // byte offset in the caret row
    int columns = 80;                 // terminal width
    // Cut rows: every row takes one screen line, showing `columns` display columns from
    // `left_column` on; otherwise rows are written whole and the terminal wraps them.
    bool cut = false;
    int left_column = 0;
    int lines = 24;                   // terminal height, for a repaint
    // Cut rows: redraw the rows on the screen (resize, Ctrl+L). A change of `left_column`
    // redraws them as well.
    bool repaint = false;
};

// Display columns of a row without its trailing blanks.
int render_row_width(const std::string& row);

// The part of a row that a cut row shows: `columns` display columns from `left` on,
// trailing blanks left out. A row that goes on past the right edge ends in ">" in the
// last column; one with characters left of the view starts with "<".
std::string render_cut(const std::string& row, int left, int columns);

// The largest sensible horizontal offset for rows of at most `widest` display columns:
// 0 when they fit, else the offset whose view ends with the widest row's last character.
int render_max_left(int widest, int columns);

// Columns a row takes on the terminal: one per UTF-8 character, and one per byte that is
// not part of a valid character (shown as "?").
int render_display_width(const std::string& text, int bytes);

// The bytes that bring the terminal from what `state` says it shows to the frame; updates
// `state`. With live_rows 0 every row is written for good and the cursor ends at the start
// of a fresh line (program end, or handing the terminal to another program).
std::string render_frame(const RenderFrame& frame, RenderState* state);

// The terminal's width changed: recomputes where the cursor stands within the live area
// as drawn, for terminals that re-wrap their lines on a resize.
void render_reflow(RenderState* state, int columns);

// Plain output for a pipe or file: every row above the last `live_rows` rows not yet
// written is written once, each followed by "\n"; `written` is the state kept between
// calls (0 at first).
std::string render_plain(const std::vector<std::string>& rows, std::uint64_t rows_appended, int live_rows,
                         std::uint64_t* written);

// The OSC 52 sequence that asks the terminal to put `text` on the system clipboard: the
// text base64-encoded, ended by BEL.
std::string render_clipboard(const std::string& text);
