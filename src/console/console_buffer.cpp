// The console's row store: creation, row appending with the maxlines bound, row
// dropping, view arithmetic and snapshots. Callers hold `lock` where noted; no front-end
// calls are made from here while it is held.
#include "console/console_buffer.h"

#include <algorithm>

#include "console/console_internal.h"
#include "frontend/frontend.h"
#include "settings/options.h"

ConsoleBuffer* g_console = nullptr;
InputLine g_input;
std::atomic<ThreadId> busy_thread_id{0};
std::atomic<ThreadId> paste_thread_id{0};
std::atomic<ThreadId> gui_thread_id{0};
std::recursive_mutex g_input_mutex;

namespace {
ConsoleCommandHooks g_hooks;
}

void console_install_command_hooks(const ConsoleCommandHooks& hooks) { g_hooks = hooks; }

const ConsoleCommandHooks& console_command_hooks() { return g_hooks; }

ConsoleBuffer* console_create(OptionTable* options) {
    auto* console = new ConsoleBuffer();
    console->options = options;
    g_console = console;
    return console;
}

void console_destroy(ConsoleBuffer* console) {
    if (!console) return;
    if (g_console == console) g_console = nullptr;
    if (std::FILE* spool = console_spool_swap(console, nullptr)) std::fclose(spool);
    delete console;
}

int console_maxlines(const ConsoleBuffer* console) {
    if (!console->options) return 1000;
    return std::max(kMaxlinesMinimum, console->options->number(Option::Maxlines));
}

void console_append_row_locked(ConsoleBuffer* console) {
    console->rows.emplace_back();
    console->rows_appended += 1;
    console->caret_row += 1;
    const int maxlines = console_maxlines(console);
    if (console->row_count() > maxlines) {
        const int excess = console->row_count() - maxlines;
        if (console->streaming) {
            std::uint64_t number = console->rows_appended + 1 - static_cast<std::uint64_t>(console->row_count());
            for (int i = 0; i < excess; ++i, ++number)
                if (number >= console->stream_shown)
                    console->stream_pending.push_back(std::move(console->rows[static_cast<size_t>(i)]));
        }
        console->rows.erase(console->rows.begin(), console->rows.begin() + excess);
    }
    console->caret_row = std::min(console->caret_row, console->row_count());
    console->caret_column = 0;
    console->left_column = 0;
}

void console_stream_start(ConsoleBuffer* console) {
    std::lock_guard<std::mutex> guard(console->lock);
    console->streaming = true;
}

void console_stream_take(ConsoleBuffer* console, std::uint64_t from, int live, ConsoleStreamRows* out) {
    std::lock_guard<std::mutex> guard(console->lock);
    const int count = console->row_count();
    const std::uint64_t first = console->rows_appended + 1 - static_cast<std::uint64_t>(count);
    const std::uint64_t pending_first = first - static_cast<std::uint64_t>(console->stream_pending.size());
    const int kept_live = std::clamp(live, 0, count);
    // The last `live` rows are always taken; before them, only rows not taken for good.
    std::uint64_t begin = std::min(std::max(from, pending_first),
                                   first + static_cast<std::uint64_t>(count - std::max(kept_live, 1)));
    out->rows.clear();
    for (std::uint64_t n = begin; n < first; ++n)
        out->rows.push_back(std::move(console->stream_pending[static_cast<size_t>(n - pending_first)]));
    console->stream_pending.clear();
    const int skip = begin > first ? static_cast<int>(begin - first) : 0;
    const int taken_pending = static_cast<int>(out->rows.size());
    out->rows.insert(out->rows.end(), console->rows.begin() + skip, console->rows.end());
    out->rows_appended = console->rows_appended;
    out->caret_row = std::max(1, console->caret_row - skip + taken_pending);
    out->caret_column = console->caret_row > skip ? console->caret_column : 0;
    console->stream_shown =
        std::max(console->stream_shown, first + static_cast<std::uint64_t>(count - kept_live));
}

std::string& console_caret_row_locked(ConsoleBuffer* console) {
    const int index = std::clamp(console->caret_row - 1, 0, console->row_count() - 1);
    return console->rows[static_cast<size_t>(index)];
}

void console_drop_rows(ConsoleBuffer* console, int n) {
    if (!console || n <= 0) return;
    {
        std::lock_guard<std::mutex> guard(console->lock);
        // The store always keeps one row for the caret.
        n = std::min(n, console->row_count() - 1);
        if (n <= 0) return;
        console->rows.resize(console->rows.size() - static_cast<size_t>(n));
        console->rows_appended -= static_cast<std::uint64_t>(n);
        console->caret_row = std::min(console->caret_row, console->row_count());
        if (console->top_row + console->visible_rows > console->row_count()) console->top_row = 0;
    }
    console_notify(console, true);
}

void console_delete_at_caret(ConsoleBuffer* console) {
    if (!console) return;
    {
        std::lock_guard<std::mutex> guard(console->lock);
        std::string& row = console_caret_row_locked(console);
        if (console->caret_column >= 0 && console->caret_column < static_cast<int>(row.size()))
            row.erase(static_cast<size_t>(console->caret_column), 1);
    }
    console_notify(console, false);
}

bool console_keep_caret_visible_locked(ConsoleBuffer* console) {
    const int old_top = console->top_row, old_left = console->left_column;
    if (console->caret_column - 1 >= console->left_column + console->visible_columns)
        console->left_column = console->caret_column - console->visible_columns + 10;
    if (console->caret_column - 1 < console->left_column)
        console->left_column = std::max(console->caret_column - 10, 0);
    if (console->caret_row - 1 < console->top_row) console->top_row = console->caret_row - 1;
    if (console->caret_row - 1 >= console->top_row + console->visible_rows)
        console->top_row = console->caret_row - console->visible_rows;
    if (console->top_row < 0) console->top_row = 0;
    return console->top_row != old_top || console->left_column != old_left;
}

void console_keep_caret_visible(ConsoleBuffer* console) {
    if (!console) return;
    {
        std::lock_guard<std::mutex> guard(console->lock);
        console_keep_caret_visible_locked(console);
    }
    console_notify(console, true);
}

void console_notify(ConsoleBuffer* console, bool scrollbars) {
    if (console->repaint_suppressed.load()) return;
    if (Frontend* front = frontend()) front->console_changed(scrollbars);
}

std::vector<std::string> console_rows_snapshot(const ConsoleBuffer* console) {
    std::lock_guard<std::mutex> guard(console->lock);
    return std::vector<std::string>(console->rows.begin(), console->rows.end());
}
