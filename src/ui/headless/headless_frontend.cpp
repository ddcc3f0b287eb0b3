// The windowless front end: typing goes through the same input operations as the
// console window's keys, and everything the core asks of a front end is kept for
// inspection.
#include "ui/headless/headless_frontend.h"

#include <cstring>

#include "command/core_init.h"
#include "console/console_buffer.h"

ConsoleBuffer* HeadlessFrontend::start(int visible_rows, int visible_columns) {
    console_ = core_start(this);
    console_->visible_rows = visible_rows;
    console_->visible_columns = visible_columns;
    console_->attached.store(true);
    return console_;
}

void HeadlessFrontend::stop() {
    wait_idle();
    core_stop(console_);
    console_ = nullptr;
    frontend_install(nullptr);
}

void HeadlessFrontend::type(const std::string& text) {
    for (char c : text) {
        std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
        // The console window ignores keys while a statement runs, unless the statement is
        // waiting for a typed line.
        if (busy_thread_id.load() != 0) continue;
        if (c == '\n') {
            input_enter(console_);
        } else {
            input_feed(console_, "%c", c);
        }
    }
}

bool HeadlessFrontend::wait_idle(int timeout_ms) {
    const std::uint32_t start = platform_tick_ms();
    // During a line request the worker's id is set aside, so the request counts as busy.
    while (busy_thread_id.load() != 0 || console_->line_request_active.load() != 0) {
        if (platform_tick_ms() - start > static_cast<std::uint32_t>(timeout_ms)) return false;
        platform_sleep_ms(2);
    }
    // A worker ends its statement while holding the input mutex.
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    return true;
}

bool HeadlessFrontend::wait_line_request(int timeout_ms) {
    const std::uint32_t start = platform_tick_ms();
    while (console_->line_input_mode.load() == LineInputNone) {
        if (platform_tick_ms() - start > static_cast<std::uint32_t>(timeout_ms)) return false;
        platform_sleep_ms(2);
    }
    return true;
}

void HeadlessFrontend::queue_line(const std::string& line) {
    std::lock_guard<std::mutex> guard(mutex_);
    queued_lines_.push_back(line);
}

std::vector<std::string> HeadlessFrontend::rows() const { return console_rows_snapshot(console_); }

std::string HeadlessFrontend::screen() const {
    std::string text;
    for (const std::string& row : rows()) {
        if (!text.empty()) text += '\n';
        text += row;
    }
    return text;
}

std::vector<std::string> HeadlessFrontend::error_boxes() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return errors_;
}

std::string HeadlessFrontend::title() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return title_;
}

void HeadlessFrontend::console_changed(bool) { console_changes_.fetch_add(1); }

void HeadlessFrontend::pump_until_line_entered(const std::atomic<int>& mode) {
    while (mode.load() != LineInputNone && !quit_.load()) {
        std::string line;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            if (queued_lines_.empty()) return;   // nobody will answer: give up with an empty line
            line = queued_lines_.front();
            queued_lines_.pop_front();
        }
        type(line + "\n");
    }
}

void HeadlessFrontend::request_quit() { quit_.store(true); }
void HeadlessFrontend::result_list_clear() { ++result_list_clears; }
void HeadlessFrontend::result_list_setup() { ++result_list_setups; }

void HeadlessFrontend::error_box(const char* text) {
    std::lock_guard<std::mutex> guard(mutex_);
    errors_.emplace_back(text);
}

void HeadlessFrontend::set_title(const char* text) {
    std::lock_guard<std::mutex> guard(mutex_);
    title_ = text;
}

void HeadlessFrontend::set_wait_cursor(bool) {}
void HeadlessFrontend::toolbar_rebuild() { toolbar_rebuilds_.fetch_add(1); }
void HeadlessFrontend::hint_open() { hints.clear(); }
void HeadlessFrontend::hint_add(const char* entry) { hints.emplace_back(entry); }
void HeadlessFrontend::hint_select(int) {}
void HeadlessFrontend::hint_close() { hints.clear(); }
bool HeadlessFrontend::analyzer_open(const char* statement) {
    analyzer_statement = statement;
    return true;
}

void HeadlessFrontend::plan_clear() {
    plan_lines.clear();
    plan_depth_.clear();
}

std::uintptr_t HeadlessFrontend::plan_insert(std::uintptr_t parent, const char* text) {
    const auto found = plan_depth_.find(parent);
    const int depth = parent == 0 || found == plan_depth_.end() ? 0 : found->second + 1;
    plan_lines.push_back(std::string(static_cast<size_t>(depth) * 2, ' ') + text);
    plan_depth_[next_plan_id_] = depth;
    return next_plan_id_++;
}

void HeadlessFrontend::plan_message(const char* text) { plan_lines.emplace_back(text); }
// The test host keeps the pane's text and, like the terminal, shows it on the console
// and in the spool file.
void HeadlessFrontend::schema_append(void*, const char* text) {
    schema_text += text;
    console_print_nospool("%s", text);
    spool_write_text(text, std::strlen(text));
}

bool HeadlessFrontend::clipboard_set(const std::string& text) {
    std::lock_guard<std::mutex> guard(mutex_);
    clipboard_ = text;
    return true;
}

bool HeadlessFrontend::clipboard_get(std::string* text) {
    std::lock_guard<std::mutex> guard(mutex_);
    *text = clipboard_;
    return true;
}
