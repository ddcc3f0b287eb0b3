// The console: a bounded store of text rows with a caret and a view, the statement
// being typed (InputLine), and the output interface every subsystem writes through
// (ConsoleWriter). Plain data and free functions; no window code here. A front end
// paints the rows and turns keys into the input operations declared below.
#pragma once

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"

struct OptionTable;

#if defined(__MINGW32__)
#define VANTRO_PRINTF(f, a) __attribute__((format(gnu_printf, f, a)))
#elif defined(__GNUC__)
#define VANTRO_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define VANTRO_PRINTF(f, a)
#endif

// A worker waits for a line: none, a visible line, a hidden line (password).
enum LineInputMode : int { LineInputNone = 0, LineInputVisible = 1, LineInputHidden = 2 };

constexpr int kPathMax = 260;

struct ConsoleBuffer {
    // Guards rows and the view and caret fields against the painting thread while a
    // worker prints. Never held while calling into the front end.
    mutable std::mutex lock;

    // One per row, no newline inside. A deque: at the maxlines bound every new row drops
    // the oldest, which must not move all the others.
    std::deque<std::string> rows{std::string()};
    int top_row = 0, left_column = 0;
    int visible_columns = 0, visible_rows = 0;
    int char_width = 0, char_height = 0;
    int client_width = 0, client_height = 0;
    int caret_column = 0;
    int caret_row = 1;                               // 1-based: the row at index caret_row - 1

    bool has_caret = false;
    void* hint_window = nullptr;
    bool selecting = false;
    int sel_anchor_column = 0, sel_anchor_row = 0, sel_end_column = 0, sel_end_row = 0;
    std::uintptr_t timer_ids[4] = {};

    std::atomic<int> recall_mode{0};
    std::atomic<int> echo{1};
    // Silent start (the terminal's -s): no banner, no prompts, typed lines not echoed.
    std::atomic<int> silent{0};
    std::atomic<int> repaint_suppressed{0};
    std::atomic<int> script_depth{0};
    std::atomic<int> line_input_mode{LineInputNone};
    // Set by the front end when no more input can come (the end of piped input, a closed
    // terminal): a line request then ends at once with an empty line, and the running
    // script stops.
    std::atomic<bool> input_ended{false};
    // Set by a front end whose typed lines come from a person (a terminal, a window):
    // only then does PAUSE wait for a line.
    std::atomic<bool> input_interactive{false};
    // Set by a front end whose lines are read from a file or pipe as a whole script (the
    // terminal with redirected input): they are substituted, and an exec command ends with
    // its line, as in a script run with "@".
    std::atomic<bool> input_scripted{false};
    // Set for the whole of a line request, also after Enter until the caller has its line
    // back: busy_thread_id is 0 meanwhile, yet the statement has not ended.
    std::atomic<int> line_request_active{0};

    OptionTable* options = nullptr;
    std::FILE* spool_file = nullptr;                 // opened in binary mode; CR LF written here

    std::atomic<std::uint32_t> start_tick{0};        // of the running statement
    char script_directory[kPathMax] = {};
    std::atomic<int> script_stop{0};
    int saved_screen = 0;
    void* analyzer_window = nullptr;
    void* schema_window = nullptr;

    // Rows appended since creation (rows dropped by maxlines included, rows dropped from the
    // end by console_drop_rows taken off again): the number of the last row, the first row
    // being 0, so that a viewer streaming the console can tell which rows are new.
    std::uint64_t rows_appended = 0;

    // For a front end that writes the rows out once each (the terminal): rows numbered
    // from stream_shown on that the maxlines bound drops are kept in stream_pending, in
    // order, until the front end takes them, so that no row is lost however far the front
    // end lags behind the output.
    bool streaming = false;
    std::uint64_t stream_shown = 0;
    std::deque<std::string> stream_pending;

    // Output is dropped unless a front end shows this console.
    std::atomic<bool> attached{false};

    int row_count() const { return static_cast<int>(rows.size()); }
};

// What a streaming front end takes from the console in one go.
struct ConsoleStreamRows {
    std::vector<std::string> rows;   // rows that left the store unshown first, then the store's
    std::uint64_t rows_appended = 0; // the number of the last row
    int caret_row = 1;               // 1-based within `rows`
    int caret_column = 0;
};

// Makes the console keep the rows the maxlines bound drops before a front end has taken
// them (console_stream_take). The terminal front end turns this on once at start-up.
void console_stream_start(ConsoleBuffer* console);
// Takes the rows numbered from `from` on (and at least the last `live` rows, which may
// still change): pending rows that left the store, then the store's own. Rows below the
// last `live` count as shown from now on; rows from there on are kept if they leave the
// store before the next call.
void console_stream_take(ConsoleBuffer* console, std::uint64_t from, int live, ConsoleStreamRows* out);

// The statement being typed; lines separated by '\n'.
struct InputLine {
    std::string text;
    int cursor = 0;        // byte offset, 0..length
    int line_number = 1;   // number of the line being typed
    bool block_open = false;

    int length() const { return static_cast<int>(text.size()); }
};

// Front ends hold this around every input event (key, character, pasted line, click) and
// the core holds it while it hands the input line back and forth (line requests, the end
// of a statement), so that a key pressed just as a worker finishes never edits an input
// line that is being swapped or reset. Recursive: a line request made on the GUI thread
// runs a nested event loop inside an event.
extern std::recursive_mutex g_input_mutex;

// Process-wide state the console consults.
extern ConsoleBuffer* g_console;                 // the one console, null before start-up
extern InputLine g_input;                        // the one input line
extern std::atomic<ThreadId> busy_thread_id;     // the statement worker, 0 when none
extern std::atomic<ThreadId> paste_thread_id;    // the paste thread, 0 when none
extern std::atomic<ThreadId> gui_thread_id;      // recorded at start-up

// The command processor's entry points, installed at start-up so that the console
// does not link against it: dispatch returns 0 while the statement is incomplete;
// finish ends the current statement (record, reset the input, prompt).
// forget_statement: the input was erased to nothing, so what the dispatcher kept about
// the statement (its first ten words, an open block) no longer applies.
struct ConsoleCommandHooks {
    int (*dispatch)(ConsoleBuffer* console) = nullptr;
    void (*finish)(ConsoleBuffer* console, bool store, bool is_sql) = nullptr;
    void (*forget_statement)() = nullptr;
};
void console_install_command_hooks(const ConsoleCommandHooks& hooks);

// Creates the one console (one empty row, echo on) with the given option table and
// makes it g_console. The front end sets `attached` once it shows the console.
ConsoleBuffer* console_create(OptionTable* options);
void console_destroy(ConsoleBuffer* console);

// ---- ConsoleWriter: usable from any thread -------------------------------------

// Formats into a newly allocated string (free with std::free); null when memory ran out
// (an error box says so).
char* myvsprintf(const char* format, std::va_list args);

// Formats, copies to the spool file (when a worker runs), then writes at the caret:
// '\n' starts a new row, '\r' clears the caret row, '\b' deletes the character before the caret.
void console_print(const char* format, ...) VANTRO_PRINTF(1, 2);
// As console_print, never copied to the spool file.
void console_print_nospool(const char* format, ...) VANTRO_PRINTF(1, 2);
// Inserts text at the caret with no control characters (hidden input shows '*').
void console_echo(const char* text);
void console_newline();
void console_print_prompt();
// Whether the console the output goes to was started silent.
bool console_silent();
// Whether a script's TERMOUT OFF holds its output back from the console (spooled only).
bool console_termout_held_back(const ConsoleBuffer* console);
// Shows the input line holding byte `offset` with a star under that byte.
void console_show_error_position(int offset);
// Writes one finished row of already formatted text: as console_print of the text
// followed by console_newline, with one spool copy and one repaint request.
void console_print_line(const char* text, size_t length);
// Asks the front end to show the console now, also while repaints are suppressed (a
// long output's progress).
void console_repaint(ConsoleBuffer* console);
// Writes to the spool file: each '\n' becomes CR LF, a '\r' drops the pending segment.
// Spool output is buffered and written in large blocks; a failed write shows its reason
// once and closes the spool file.
void spool_write(const char* format, ...) VANTRO_PRINTF(1, 2);
// As spool_write with text already formatted.
void spool_write_text(const char* text, size_t length);
// Writes what the spool buffer holds, so that a reader of the open file sees everything
// printed so far: at the end of a statement, before a line request, at spool off and exit.
void spool_flush();
// Replaces the console's spool file (null: none) and returns the previous one, which the
// caller closes; what was buffered for it is written first. Serialised with every spool
// write.
std::FILE* console_spool_swap(ConsoleBuffer* console, std::FILE* file);
// Frees the last n rows.
void console_drop_rows(ConsoleBuffer* console, int n);
// Deletes the character at the caret column of the caret row (the Delete key's echo).
void console_delete_at_caret(ConsoleBuffer* console);

// Keeps the caret inside the view with the window's margins (10 columns).
void console_keep_caret_visible(ConsoleBuffer* console);

// A copy of the rows, taken under the lock (painting, tests, screen readers).
std::vector<std::string> console_rows_snapshot(const ConsoleBuffer* console);

// ---- InputLine operations: one caller at a time -------------------------------

void input_reset();
void input_feed(ConsoleBuffer* console, const char* format, ...) VANTRO_PRINTF(2, 3);
void input_insert(const char* text);
void input_type_text(ConsoleBuffer* console, const char* text);
void input_enter(ConsoleBuffer* console);
int input_backspace(ConsoleBuffer* console);
int input_delete(ConsoleBuffer* console);
void input_tab(ConsoleBuffer* console);
void input_left(ConsoleBuffer* console, bool by_word);
void input_right(ConsoleBuffer* console, bool by_word);
void input_home(ConsoleBuffer* console, bool whole);
void input_end(ConsoleBuffer* console, bool whole);
void input_up(ConsoleBuffer* console);
void input_down(ConsoleBuffer* console);
void input_redraw_from(ConsoleBuffer* console, int offset, int number);
void input_place_caret(ConsoleBuffer* console);

// Asks the user for one line (hidden: shown as stars) and blocks until Enter. Called by
// a worker or the GUI thread; the statement being typed is kept aside meanwhile. The line
// is returned whole; callers with fixed buffers cut or refuse it.
std::string console_request_line(ConsoleBuffer* console, bool hidden);
