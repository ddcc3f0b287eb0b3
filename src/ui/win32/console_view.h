// The window-independent arithmetic of the console window: view size, scrolling limits,
// the rectangular selection and its text, placing the input cursor from a click, and
// feeding pasted text as typed lines. No window calls here, so that it can be tested
// without a display; the console window calls these with the console's lock rules below.
#pragma once

#include <string>
#include <vector>

struct ConsoleBuffer;

constexpr int kConsoleMargin = 2;   // pixels between the client edge and the first cell

// Recomputes the visible rows and columns for a client area and puts the view at the
// bottom (and at the caret's column). Takes the console's lock.
void console_view_resize(ConsoleBuffer* console, int client_width, int client_height);

// Length of the longest row from top_row to top_row + visible_rows. Caller holds the lock.
int console_view_widest_locked(const ConsoleBuffer* console);

// Scrolls the view by rows (vertical) or columns, clamped; never moves the caret.
void console_view_scroll_rows(ConsoleBuffer* console, int delta);
void console_view_scroll_columns(ConsoleBuffer* console, int delta);

// The selected block, inclusive; false when nothing is selected.
struct SelectionBlock {
    int first_column, last_column, first_row, last_row;
};
bool console_selection_block(const ConsoleBuffer* console, SelectionBlock* block);
// The block's text: each row cut to the block's columns, rows joined with '\n'.
std::string console_selection_text(const ConsoleBuffer* console);
// '\n' becomes CR LF (the clipboard's line end).
std::string text_to_crlf(const std::string& text);

// The cell under a client point (may be negative or past the rows).
int console_view_column_at(const ConsoleBuffer* console, int x);
int console_view_row_at(const ConsoleBuffer* console, int y);

// Moves the input cursor to the input line and column under the client point; false
// (nothing changed) when the point is not on a row of the input. Caller holds
// g_input_mutex.
bool console_click_place_cursor(ConsoleBuffer* console, int x, int y);

// Splits pasted text into lines at LF, CR or CR LF. `last_open` tells whether the last
// piece had no line end (it is typed without Enter).
std::vector<std::string> paste_split_lines(const std::string& text, bool* last_open);

// Types text as the user would: each complete line followed by Enter, waiting after each
// Enter until a statement it started has ended; a last piece without a line end stays in
// the input. Called on the paste thread.
void console_feed_text(ConsoleBuffer* console, const std::string& text);
