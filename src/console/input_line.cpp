// The statement being typed: insertion, the typing path, Enter with continuation lines,
// tab stops, backspace and delete with line joins, and caret movement. The input text is
// the statement; the console rows only show it, so every edit keeps both in step.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "console/console_buffer.h"
#include "console/console_internal.h"
#include "settings/options.h"

namespace {

bool is_word_delimiter(char c) {
    return c != '\0' && std::strchr("\n\t ()+-*/<>=!~;:.'%,\\\"^&|{}?[]@", c) != nullptr;
}

int count_newlines(const std::string& text, int from, int to) {
    return static_cast<int>(std::count(text.begin() + from, text.begin() + to, '\n'));
}

int line_start(const std::string& text, int offset) {
    if (offset <= 0) return 0;
    const size_t nl = text.rfind('\n', static_cast<size_t>(offset - 1));
    return nl == std::string::npos ? 0 : static_cast<int>(nl) + 1;
}

int line_end(const std::string& text, int offset) {
    const size_t nl = text.find('\n', static_cast<size_t>(offset));
    return nl == std::string::npos ? static_cast<int>(text.size()) : static_cast<int>(nl);
}

bool echo_on(const ConsoleBuffer* console) { return console->echo.load() != 0; }

void print_prompt_nospool(ConsoleBuffer* console) {
    if (console->silent.load()) return;
    console_print_nospool("%s ", console_prompt_text(console).c_str());
}

// Where the lines from the cursor's line on start: their number, how many there are and
// the offset of the first.
struct Tail {
    int number;
    int lines;
    int start;
};

Tail tail_at_cursor() {
    const std::string& text = g_input.text;
    return Tail{1 + count_newlines(text, 0, g_input.cursor),
                1 + count_newlines(text, g_input.cursor, g_input.length()), line_start(text, g_input.cursor)};
}

// Rows and caret after a line join or a newline inserted inside the input: the last
// tail.lines rows are dropped and the input is drawn again from the tail's first line,
// whose leading "\r" overwrites the row left standing above them.
void redraw_tail(ConsoleBuffer* console, const Tail& tail) {
    console_drop_rows(console, tail.lines);
    input_redraw_from(console, tail.start, tail.number);
    input_place_caret(console);
}

void after_move(ConsoleBuffer* console) {
    input_place_caret(console);
    console_keep_caret_visible(console);
}

// Enter without its first step (the row was already ended).
void enter_after_newline(ConsoleBuffer* console) {
    InputLine& in = g_input;
    if (in.text.empty()) {
        in.line_number = 1;
        if (echo_on(console)) print_prompt_nospool(console);
        return;
    }
    const bool at_end = in.cursor == in.length();
    const ConsoleCommandHooks& hooks = console_command_hooks();
    if (!console->recall_mode.load() && at_end && hooks.dispatch) {
        if (hooks.dispatch(console) != 0) return;
    }
    const bool blank_lines_kept = console->options && console->options->script.sqlblanklines;
    if (!in.block_open && !blank_lines_kept && !console->recall_mode.load() && !in.text.empty() &&
        in.text.back() == '\n') {
        // The statement ended this way is not run but becomes the SQL buffer: "/" or "r"
        // runs it next.
        if (hooks.finish) hooks.finish(console, true, true);
        return;
    }
    if (in.cursor == in.length()) {
        input_insert("\n");
        in.line_number += 1;
        if (echo_on(console)) input_redraw_from(console, in.cursor, in.line_number);
        return;
    }
    // Measured before the newline goes in: Enter already appended an empty row, so
    // dropping one row per line from the cursor's line on removes that row and the rows
    // below the cursor's line; the redraw then overwrites the cursor's line and goes on.
    in.block_open = false;
    const Tail tail = tail_at_cursor();
    in.line_number += 1;
    input_insert("\n");
    if (echo_on(console)) {
        redraw_tail(console, tail);
        console_keep_caret_visible(console);
    }
}

// An input erased to nothing is no statement any more: a block it opened is closed and
// the dispatcher forgets the words it kept, so the next statement is taken afresh.
void forget_if_erased() {
    if (!g_input.text.empty()) return;
    g_input.block_open = false;
    if (const auto forget = console_command_hooks().forget_statement) forget();
}

// Shared by backspace and delete when they removed a newline.
void joined_lines(ConsoleBuffer* console) {
    if (echo_on(console)) redraw_tail(console, tail_at_cursor());
    g_input.line_number = std::max(1, g_input.line_number - 1);
}

}  // namespace

void input_reset() {
    g_input.text.clear();
    g_input.text.shrink_to_fit();
    g_input.cursor = 0;
    g_input.line_number = 1;
    g_input.block_open = false;
}

void input_insert(const char* text) {
    if (!text) return;
    const size_t length = std::strlen(text);
    g_input.text.insert(static_cast<size_t>(g_input.cursor), text, length);
    g_input.cursor += static_cast<int>(length);
}

void input_type_text(ConsoleBuffer* console, const char* text) {
    input_insert(text);
    if (echo_on(console)) console_echo(text);
}

void input_feed(ConsoleBuffer* console, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    char* text = myvsprintf(format, args);
    va_end(args);
    if (!text) return;
    std::string segment;
    auto flush = [&] {
        if (segment.empty()) return;
        input_type_text(console, segment.c_str());
        segment.clear();
    };
    for (const char* p = text; *p; ++p) {
        switch (*p) {
        case '\b':
            // What was typed before the backspace in the same text stays typed.
            flush();
            if (input_backspace(console) == 1 && echo_on(console)) console_print("%c", '\b');
            break;
        case '\t':
            flush();
            input_tab(console);
            break;
        case '\n':
            input_insert(segment.c_str());
            if (echo_on(console)) console_print("%s\n", segment.c_str());
            segment.clear();
            if (console->line_input_mode.load() != LineInputNone) {
                console->line_input_mode.store(LineInputNone);
            } else {
                enter_after_newline(console);
            }
            break;
        case '\r':
            segment += ' ';
            break;
        default:
            segment += *p;
            break;
        }
    }
    flush();
    std::free(text);
}

void input_enter(ConsoleBuffer* console) {
    if (echo_on(console)) console_newline();
    if (console->line_input_mode.load() != LineInputNone) {
        console->line_input_mode.store(LineInputNone);
        return;
    }
    enter_after_newline(console);
}

int input_backspace(ConsoleBuffer* console) {
    InputLine& in = g_input;
    if (in.cursor <= 0) return 0;
    const char removed = in.text[static_cast<size_t>(in.cursor - 1)];
    in.text.erase(static_cast<size_t>(in.cursor - 1), 1);
    in.cursor -= 1;
    forget_if_erased();
    if (removed != '\n') return 1;
    joined_lines(console);
    return 0;
}

int input_delete(ConsoleBuffer* console) {
    InputLine& in = g_input;
    if (in.cursor >= in.length()) return 0;
    const char removed = in.text[static_cast<size_t>(in.cursor)];
    in.text.erase(static_cast<size_t>(in.cursor), 1);
    forget_if_erased();
    if (removed != '\n') return 1;
    joined_lines(console);
    return 0;
}

void input_tab(ConsoleBuffer* console) {
    const InputLine& in = g_input;
    const int start = line_start(in.text, in.cursor);
    const int distance = start == 0 ? in.cursor : in.cursor - (start - 1);
    const std::string blanks(static_cast<size_t>(8 - distance % 8), ' ');
    input_type_text(console, blanks.c_str());
}

void input_redraw_from(ConsoleBuffer* console, int offset, int number) {
    const std::string prompt = console_prompt_text(console);
    const int width = static_cast<int>(prompt.size());
    if (number == 1)
        console_print("\r%s ", prompt.c_str());
    else
        console_print("\r%*d ", width, number);
    const std::string& text = g_input.text;
    size_t from = static_cast<size_t>(std::clamp(offset, 0, g_input.length()));
    while (true) {
        const size_t nl = text.find('\n', from);
        const std::string piece = text.substr(from, nl == std::string::npos ? std::string::npos : nl - from);
        if (!piece.empty()) console_echo(piece.c_str());
        if (nl == std::string::npos) break;
        number += 1;
        console_print("\n%*d ", width, number);
        from = nl + 1;
    }
}

void input_place_caret(ConsoleBuffer* console) {
    {
        std::lock_guard<std::mutex> guard(console->lock);
        console->caret_row = console->row_count();
        console->caret_column = static_cast<int>(console->rows.back().size());
        const std::string& text = g_input.text;
        for (int i = g_input.length() - 1; i >= g_input.cursor; --i) {
            if (text[static_cast<size_t>(i)] == '\n') {
                if (console->caret_row > 1) console->caret_row -= 1;
                console->caret_column =
                    static_cast<int>(console->rows[static_cast<size_t>(console->caret_row - 1)].size());
            } else {
                console->caret_column = std::max(0, console->caret_column - 1);
            }
        }
    }
    console_notify(console, false);
}

void input_left(ConsoleBuffer* console, bool by_word) {
    InputLine& in = g_input;
    const std::string& t = in.text;
    if (!by_word) {
        if (in.cursor > 0) in.cursor -= 1;
    } else {
        while (in.cursor > 0 && is_word_delimiter(t[static_cast<size_t>(in.cursor - 1)])) in.cursor -= 1;
        while (in.cursor > 0 && !is_word_delimiter(t[static_cast<size_t>(in.cursor - 1)])) in.cursor -= 1;
    }
    after_move(console);
}

void input_right(ConsoleBuffer* console, bool by_word) {
    InputLine& in = g_input;
    const std::string& t = in.text;
    if (!by_word) {
        if (in.cursor < in.length()) in.cursor += 1;
    } else {
        while (in.cursor < in.length() && !is_word_delimiter(t[static_cast<size_t>(in.cursor)])) in.cursor += 1;
        while (in.cursor < in.length() && is_word_delimiter(t[static_cast<size_t>(in.cursor)])) in.cursor += 1;
    }
    after_move(console);
}

void input_home(ConsoleBuffer* console, bool whole) {
    g_input.cursor = whole ? 0 : line_start(g_input.text, g_input.cursor);
    after_move(console);
}

void input_end(ConsoleBuffer* console, bool whole) {
    g_input.cursor = whole ? g_input.length() : line_end(g_input.text, g_input.cursor);
    after_move(console);
}

void input_up(ConsoleBuffer* console) {
    InputLine& in = g_input;
    const int start = line_start(in.text, in.cursor);
    if (start == 0) return;
    const int column = in.cursor - start;
    const int previous_start = line_start(in.text, start - 1);
    in.cursor = std::min(previous_start + column, start - 1);
    after_move(console);
}

void input_down(ConsoleBuffer* console) {
    InputLine& in = g_input;
    const int end = line_end(in.text, in.cursor);
    if (end == in.length()) {
        in.cursor = in.length();
    } else {
        const int column = in.cursor - line_start(in.text, in.cursor);
        const int next_start = end + 1;
        in.cursor = std::min(next_start + column, line_end(in.text, next_start));
    }
    after_move(console);
}
