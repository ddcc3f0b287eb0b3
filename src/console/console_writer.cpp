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

// Serialises spool writes with opening and closing the spool file.
std::mutex g_spool_mutex;

void spool_write_text_locked(std::FILE* file, const char* text) {
    const char* segment = text;
    for (const char* p = text;; ++p) {
        if (*p == '\n') {
            std::fwrite(segment, 1, static_cast<size_t>(p - segment), file);
            std::fwrite("\r\n", 1, 2, file);
            segment = p + 1;
        } else if (*p == '\r') {
            segment = p + 1;
        } else if (*p == '\0') {
            std::fwrite(segment, 1, static_cast<size_t>(p - segment), file);
            break;
        }
    }
    std::fflush(file);
}

void spool_copy(ConsoleBuffer* console, const char* text) {
    if (busy_thread_id.load() == 0) return;
    std::lock_guard<std::mutex> guard(g_spool_mutex);
    if (console->spool_file) spool_write_text_locked(console->spool_file, text);
}

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

void console_write_text(const char* text, bool spool) {
    ConsoleBuffer* console = console_output_target();
    if (!console) return;
    if (spool) spool_copy(console, text);
    {
        std::lock_guard<std::mutex> guard(console->lock);
        const char* segment = text;
        for (const char* p = text;; ++p) {
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
            } else if (c == '\0') {
                insert_segment_locked(console, segment, static_cast<size_t>(p - segment));
                break;
            }
        }
        keep_output_visible_locked(console);
    }
    console_notify(console, true);
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
        console_append_row_locked(console);
        if (console->row_count() > console->top_row + console->visible_rows)
            console->top_row = std::max(0, console->row_count() - console->visible_rows);
    }
    console_notify(console, true);
}

void console_print_prompt() {
    ConsoleBuffer* console = console_output_target();
    if (!console) return;
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
    {
        std::lock_guard<std::mutex> guard(g_spool_mutex);
        if (console->spool_file) spool_write_text_locked(console->spool_file, text);
    }
    std::free(text);
}

std::FILE* console_spool_swap(ConsoleBuffer* console, std::FILE* file) {
    std::lock_guard<std::mutex> guard(g_spool_mutex);
    std::FILE* old = console->spool_file;
    console->spool_file = file;
    return old;
}

std::string console_prompt_text(const ConsoleBuffer* console) { return prompt_text(console); }
