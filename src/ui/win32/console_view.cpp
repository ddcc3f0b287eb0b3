// Window-independent parts of the console window: view arithmetic, selection, click and
// paste feeding. Must not include window headers.
#include "ui/win32/console_view.h"

#include <algorithm>
#include <mutex>

#include "console/console_buffer.h"
#include "platform/platform.h"
#include "settings/options.h"

void console_view_resize(ConsoleBuffer* console, int client_width, int client_height) {
    std::lock_guard<std::mutex> guard(console->lock);
    console->client_width = client_width;
    console->client_height = client_height;
    const int cw = std::max(1, console->char_width);
    const int ch = std::max(1, console->char_height);
    console->visible_columns = std::max(0, (client_width - 2 * kConsoleMargin) / cw);
    console->visible_rows = std::max(0, (client_height - 2 * kConsoleMargin) / ch);
    console->top_row = std::max(0, console->row_count() - console->visible_rows);
    console->left_column = std::max(0, console->caret_column - console->visible_columns);
}

int console_view_widest_locked(const ConsoleBuffer* console) {
    int widest = 0;
    const int end = std::min(console->row_count(), console->top_row + console->visible_rows);
    for (int i = std::max(0, console->top_row); i < end; ++i)
        widest = std::max(widest, static_cast<int>(console->rows[static_cast<size_t>(i)].size()));
    return widest;
}

void console_view_scroll_rows(ConsoleBuffer* console, int delta) {
    std::lock_guard<std::mutex> guard(console->lock);
    int top = console->top_row + delta;
    top = std::min(top, console->row_count() - console->visible_rows);
    console->top_row = std::max(0, top);
    if (console_view_widest_locked(console) <= console->visible_columns) console->left_column = 0;
}

void console_view_scroll_columns(ConsoleBuffer* console, int delta) {
    std::lock_guard<std::mutex> guard(console->lock);
    int left = console->left_column + delta;
    left = std::min(left, console_view_widest_locked(console) - console->visible_columns);
    console->left_column = std::max(0, left);
}

bool console_selection_block(const ConsoleBuffer* console, SelectionBlock* block) {
    if (!console->selecting) return false;
    block->first_column = std::min(console->sel_anchor_column, console->sel_end_column);
    block->last_column = std::max(console->sel_anchor_column, console->sel_end_column);
    block->first_row = std::min(console->sel_anchor_row, console->sel_end_row);
    block->last_row = std::max(console->sel_anchor_row, console->sel_end_row);
    return true;
}

std::string console_selection_text(const ConsoleBuffer* console) {
    std::lock_guard<std::mutex> guard(console->lock);
    SelectionBlock b;
    if (!console_selection_block(console, &b)) return std::string();
    std::string text;
    const int last = std::min(b.last_row, console->row_count() - 1);
    for (int r = std::max(0, b.first_row); r <= last; ++r) {
        if (r > std::max(0, b.first_row)) text += '\n';
        const std::string& row = console->rows[static_cast<size_t>(r)];
        const int first = std::max(0, b.first_column);
        if (first >= static_cast<int>(row.size())) continue;
        text += row.substr(static_cast<size_t>(first), static_cast<size_t>(b.last_column - first + 1));
    }
    return text;
}

std::string text_to_crlf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

int console_view_column_at(const ConsoleBuffer* console, int x) {
    const int cw = std::max(1, console->char_width);
    // Division that rounds towards minus infinity, so a point left of the margin is column -1.
    const int offset = x - kConsoleMargin;
    return (offset >= 0 ? offset / cw : -((-offset + cw - 1) / cw)) + console->left_column;
}

int console_view_row_at(const ConsoleBuffer* console, int y) {
    const int ch = std::max(1, console->char_height);
    const int offset = y - kConsoleMargin;
    return (offset >= 0 ? offset / ch : -((-offset + ch - 1) / ch)) + console->top_row;
}

bool console_click_place_cursor(ConsoleBuffer* console, int x, int y) {
    int row, rows, column;
    {
        std::lock_guard<std::mutex> guard(console->lock);
        row = console_view_row_at(console, y);
        rows = console->row_count();
        column = console_view_column_at(console, x);
    }
    const std::string prompt = console->options ? console->options->text(Option::Prompt) : std::string("SQL>");
    column -= static_cast<int>(prompt.size()) + 1;

    const std::string& text = g_input.text;
    const int input_lines = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    const int from_bottom = rows - 1 - row;   // 0: the last row
    if (row >= rows || from_bottom >= input_lines) return false;
    const int line = input_lines - 1 - from_bottom;

    size_t start = 0;
    for (int i = 0; i < line; ++i) start = text.find('\n', start) + 1;
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const int length = static_cast<int>(end - start);
    g_input.cursor = static_cast<int>(start) + std::clamp(column, 0, length);
    return true;
}

std::vector<std::string> paste_split_lines(const std::string& text, bool* last_open) {
    std::vector<std::string> lines;
    std::string current;
    *last_open = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(current);
            current.clear();
            // A CR followed by LF is one line end; a lone CR ends a line by itself and
            // the character after it is kept.
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            current += c;
        }
    }
    if (!current.empty()) {
        lines.push_back(current);
        *last_open = true;
    }
    return lines;
}

namespace {

void type_line(ConsoleBuffer* console, const std::string& line) {
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    if (line.find('\t') != std::string::npos)
        input_feed(console, "%s", line.c_str());
    else
        input_type_text(console, line.c_str());
}

void wait_for_worker() {
    while (busy_thread_id.load() != 0) platform_sleep_ms(10);
}

}  // namespace

void console_feed_text(ConsoleBuffer* console, const std::string& text) {
    bool last_open = false;
    const std::vector<std::string> lines = paste_split_lines(text, &last_open);
    for (size_t i = 0; i < lines.size(); ++i) {
        wait_for_worker();
        type_line(console, lines[i]);
        if (last_open && i + 1 == lines.size()) break;
        {
            std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
            input_enter(console);
        }
        wait_for_worker();
    }
}
