// ConsoleWriter: the output interface every subsystem prints through, from any thread.
// Text is formatted, copied to the spool file when a statement worker runs, then
// written at the caret with the control characters '\n' (new row), '\r' (clear the caret
// row) and '\b' (delete the character before the caret).
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "console/console_buffer.h"
#include "console/console_internal.h"
#include "frontend/frontend.h"
#include "settings/options.h"

namespace {

// The spool file's output is collected here and written in blocks of about this size, so
// that a long result costs a few large writes instead of one per cell.
constexpr size_t kSpoolBlockSize = 64 * 1024;

// Serialises spool writes with opening, flushing and closing the spool file; guards the
// buffer and the failure text.
std::mutex g_spool_mutex;
std::string g_spool_buffer;
std::string g_spool_failure;   // set when a write failed; reported once the lock is released

// Appends text with the line-end conversion: each '\n' becomes CR LF, a '\r' drops the
// segment pending since the last line end or carriage return of this text.
void spool_append_locked(const char* text, size_t length) {
    const char* p = text;
    const char* const end = text + length;
    while (p < end) {
        const char* newline = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        const char* line_end = newline ? newline : end;
        while (const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(line_end - p))))
            p = cr + 1;
        g_spool_buffer.append(p, static_cast<size_t>(line_end - p));
        if (!newline) break;
        g_spool_buffer.append("\r\n", 2);
        p = newline + 1;
    }
}

// Writes the buffer to the file. A failed write closes the spool file (what follows
// would have a gap) and keeps the reason for spool_report_failure. With keep_open the
// file stays open for the caller, who closes it.
void spool_flush_locked(ConsoleBuffer* console, bool keep_open) {
    std::FILE* file = console->spool_file;
    if (!file) {
        g_spool_buffer.clear();
        return;
    }
    if (g_spool_buffer.empty()) return;
    const size_t written = std::fwrite(g_spool_buffer.data(), 1, g_spool_buffer.size(), file);
    const bool failed = written != g_spool_buffer.size() || std::fflush(file) != 0;
    g_spool_buffer.clear();
    if (!failed) return;
    g_spool_failure = "Writing the spool file failed, spooling stopped: " + platform_last_error_text();
    if (!keep_open) {
        std::fclose(file);
        console->spool_file = nullptr;
    }
}

void spool_add_locked(ConsoleBuffer* console, const char* text, size_t length) {
    if (!console->spool_file) return;
    spool_append_locked(text, length);
    if (g_spool_buffer.size() >= kSpoolBlockSize) spool_flush_locked(console, false);
}

// Shows a write failure kept by spool_flush_locked; call without the spool lock.
void spool_report_failure() {
    std::string failure;
    {
        std::lock_guard<std::mutex> guard(g_spool_mutex);
        if (g_spool_failure.empty()) return;
        failure.swap(g_spool_failure);
    }
    if (Frontend* front = frontend()) front->error_box(failure.c_str());
}

void spool_copy(ConsoleBuffer* console, const char* text, size_t length) {
    if (busy_thread_id.load() == 0) return;
    bool failed;
    {
        std::lock_guard<std::mutex> guard(g_spool_mutex);
        spool_add_locked(console, text, length);
        failed = !g_spool_failure.empty();
    }
    if (failed) spool_report_failure();
}

void spool_copy(ConsoleBuffer* console, const char* text) { spool_copy(console, text, std::strlen(text)); }

// Inserts text into the caret row at the caret column; hidden line input shows stars.
void insert_segment_locked(ConsoleBuffer* console, const char* text, size_t length) {
    if (length == 0) return;
    std::string& row = console_caret_row_locked(console);
    size_t column = static_cast<size_t>(std::max(console->caret_column, 0));
    if (column > row.size()) column = row.size();
    if (console->line_input_mode.load() == LineInputHidden)
        row.insert(column, length, '*');
    else
        row.insert(column, text, length);
    console->caret_column = static_cast<int>(column + length);
}

void keep_output_visible_locked(ConsoleBuffer* console) {
    if (console->caret_row > console->top_row + console->visible_rows)
        console->top_row = console->caret_row - console->visible_rows;
    if (console->caret_column > console->left_column + console->visible_columns)
        console->left_column = console->caret_column - console->visible_columns;
}

std::string prompt_text(const ConsoleBuffer* console) {
    return console->options ? console->options->text(Option::Prompt) : std::string("SQL>");
}

// Rows a streaming front end may have pending before the statement worker waits for it.
constexpr size_t kStreamPendingLimit = 50000;

// The statement worker waits while a streaming front end has many rows pending, so that
// they stay bounded when the terminal is slow (or stopped by flow control). A front end
// that takes nothing for ten seconds is not waited for any longer: the rows stay pending.
void stream_throttle(ConsoleBuffer* console) {
    const ThreadId self = platform_current_thread_id();
    if (busy_thread_id.load() != self || gui_thread_id.load() == self) return;
    size_t last = 0;
    int idle_ms = 0;
    for (;;) {
        size_t pending;
        {
            std::lock_guard<std::mutex> guard(console->lock);
            if (!console->streaming) return;
            pending = console->stream_pending.size();
        }
        if (pending < kStreamPendingLimit || !console->attached.load()) return;
        idle_ms = pending < last ? 0 : idle_ms + 1;
        if (idle_ms > 10000) return;
        last = pending;
        console_notify(console, true);
        platform_sleep_ms(1);
    }
}

}  // namespace

ConsoleBuffer* console_output_target() {
    ConsoleBuffer* console = g_console;
    return (console && console->attached.load()) ? console : nullptr;
}

char* myvsprintf(const char* format, std::va_list args) {
    std::va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    const size_t size = needed > 0 ? static_cast<size_t>(needed) + 1 : 1;
    char* text = static_cast<char*>(std::malloc(size));
    if (!text) {
        if (Frontend* front = frontend()) front->error_box("myvsprintf(): Out of memory");
        return nullptr;
    }
    if (needed > 0)
        std::vsnprintf(text, size, format, args);
    else
        text[0] = '\0';
    return text;
}

namespace {

// The control-character walk at the caret; requires console->lock.
void write_at_caret_locked(ConsoleBuffer* console, const char* text, size_t length) {
    const char* segment = text;
    const char* const end = text + length;
    for (const char* p = text; p < end; ++p) {
        const char c = *p;
        if (c == '\n') {
            insert_segment_locked(console, segment, static_cast<size_t>(p - segment));
            console_append_row_locked(console);
            segment = p + 1;
        } else if (c == '\r') {
            std::string& row = console_caret_row_locked(console);
            row.clear();
            row.shrink_to_fit();
            console->caret_column = 0;
            console->left_column = 0;
            segment = p + 1;
        } else if (c == '\b') {
            std::string& row = console_caret_row_locked(console);
            if (!row.empty() && console->caret_column > 0) {
                const size_t at = std::min(static_cast<size_t>(console->caret_column), row.size());
                row.erase(at - 1, 1);
                console->caret_column = static_cast<int>(at - 1);
            }
            segment = p + 1;
        }
    }
    insert_segment_locked(console, segment, static_cast<size_t>(end - segment));
}

// The row end of console_newline; requires console->lock.
void end_row_locked(ConsoleBuffer* console) {
    console_append_row_locked(console);
    if (console->row_count() > console->top_row + console->visible_rows)
        console->top_row = std::max(0, console->row_count() - console->visible_rows);
}

}  // namespace

// TERMOUT OFF: what a script prints (feedback, prompt texts, errors, echo) reaches only
// the spool file, and its progress lines (which begin by clearing their row) do not show
// either. Other messages that never go to the spool (boxes, failures) still show, and
// typed input keeps its console.
bool console_termout_held_back(const ConsoleBuffer* console) {
    return console->script_depth.load() > 0 && console->options && !console->options->script.termout &&
           console->line_request_active.load() == 0;
}

void console_write_text(const char* text, bool spool) {
    ConsoleBuffer* console = console_output_target();
    if (!console) return;
    const size_t length = std::strlen(text);
    if (spool) spool_copy(console, text, length);
    if ((spool || text[0] == '\r') && console_termout_held_back(console)) return;
    {
        std::lock_guard<std::mutex> guard(console->lock);
        write_at_caret_locked(console, text, length);
        keep_output_visible_locked(console);
    }
    console_notify(console, true);
    stream_throttle(console);
}

void console_print_line(const char* text, size_t length) {
    ConsoleBuffer* console = console_output_target();
    if (!console) return;
    if (busy_thread_id.load() != 0) {
        bool failed;
        {
            std::lock_guard<std::mutex> guard(g_spool_mutex);
            spool_add_locked(console, text, length);
            spool_add_locked(console, "\n", 1);
            failed = !g_spool_failure.empty();
        }
        if (failed) spool_report_failure();
    }
    if (console_termout_held_back(console)) return;
    {
        std::lock_guard<std::mutex> guard(console->lock);
        write_at_caret_locked(console, text, length);
        keep_output_visible_locked(console);
        end_row_locked(console);
    }
    console_notify(console, true);
    stream_throttle(console);
}

void console_repaint(ConsoleBuffer* console) {
    if (!console) return;
    if (Frontend* front = frontend()) front->console_changed(true);
}

void console_print(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    char* text = myvsprintf(format, args);
    va_end(args);
    if (!text) return;
    console_write_text(text, true);
    std::free(text);
}

void console_print_nospool(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    char* text = myvsprintf(format, args);
    va_end(args);
    if (!text) return;
    console_write_text(text, false);
    std::free(text);
}

void console_echo(const char* text) {
    ConsoleBuffer* console = console_output_target();
    if (!console || !text) return;
    spool_copy(console, text);
    {
        std::lock_guard<std::mutex> guard(console->lock);
        insert_segment_locked(console, text, std::strlen(text));
        console_keep_caret_visible_locked(console);
    }
    console_notify(console, true);
}

void console_newline() {
    ConsoleBuffer* console = console_output_target();
    if (!console) return;
    spool_copy(console, "\n");
    {
        std::lock_guard<std::mutex> guard(console->lock);
        end_row_locked(console);
    }
    console_notify(console, true);
}

bool console_silent() {
    const ConsoleBuffer* console = console_output_target();
    return console && console->silent.load() != 0;
}

void console_print_prompt() {
    ConsoleBuffer* console = console_output_target();
    if (!console || console->silent.load()) return;
    console_print("%s ", prompt_text(console).c_str());
}

void console_show_error_position(int offset) {
    const std::string& text = g_input.text;
    // An offset equal to the length is the end of the statement (an incomplete command):
    // the star goes after its last character.
    if (offset < 0 || offset > static_cast<int>(text.size())) return;
    const size_t at = static_cast<size_t>(offset);
    const size_t newline_before = at == 0 ? std::string::npos : text.rfind('\n', at - 1);
    const size_t start = newline_before == std::string::npos ? 0 : newline_before + 1;
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    console_print("\r%s\n", line.c_str());
    console_print("%*s\n", static_cast<int>(at - start + 1), "*");
}

void spool_write(const char* format, ...) {
    ConsoleBuffer* console = g_console;
    if (!console) return;
    std::va_list args;
    va_start(args, format);
    char* text = myvsprintf(format, args);
    va_end(args);
    if (!text) return;
    spool_write_text(text, std::strlen(text));
    std::free(text);
}

void spool_write_text(const char* text, size_t length) {
    ConsoleBuffer* console = g_console;
    if (!console) return;
    bool failed;
    {
        std::lock_guard<std::mutex> guard(g_spool_mutex);
        spool_add_locked(console, text, length);
        failed = !g_spool_failure.empty();
    }
    if (failed) spool_report_failure();
}

void spool_flush() {
    ConsoleBuffer* console = g_console;
    if (!console) return;
    {
        std::lock_guard<std::mutex> guard(g_spool_mutex);
        spool_flush_locked(console, false);
    }
    spool_report_failure();
}

std::FILE* console_spool_swap(ConsoleBuffer* console, std::FILE* file) {
    std::FILE* old;
    {
        std::lock_guard<std::mutex> guard(g_spool_mutex);
        spool_flush_locked(console, true);
        old = console->spool_file;
        console->spool_file = file;
        // The buffer here collects the blocks: each goes to the file in one write.
        if (file) std::setvbuf(file, nullptr, _IONBF, 0);
    }
    spool_report_failure();
    return old;
}

std::string console_prompt_text(const ConsoleBuffer* console) { return prompt_text(console); }
