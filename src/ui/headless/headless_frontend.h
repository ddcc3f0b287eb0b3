// A front end without a window: it keeps what the core asked of it, lets a driver type
// text and keys as a user would, and reads the console rows back. Tests and the minimal
// console host use it.
#pragma once

#include <atomic>
#include <deque>
#include <mutex>
#include <map>
#include <string>
#include <vector>

#include "frontend/frontend.h"

struct ConsoleBuffer;

class HeadlessFrontend : public Frontend {
public:
    // Starts the core with this front end and attaches the console (rows of the given
    // view size; 0 leaves the view arithmetic unused).
    ConsoleBuffer* start(int visible_rows = 0, int visible_columns = 0);
    void stop();

    // Types text as keystrokes: each character goes through the typing path, so "\n" is
    // Enter (and "\t", "\b" are Tab and Backspace), while typing is refused during a
    // running statement exactly as the console window refuses it.
    void type(const std::string& text);
    // Waits until no statement worker runs and its statement has ended (prompt printed);
    // a worker waiting for a typed line has not ended. False after timeout_ms.
    bool wait_idle(int timeout_ms = 10000);
    // Waits until a worker asks for a line (console_request_line). False after timeout_ms.
    bool wait_line_request(int timeout_ms = 10000);
    // Lines handed to a line request made on this (the GUI) thread, in order.
    void queue_line(const std::string& line);

    std::vector<std::string> rows() const;
    std::string screen() const;   // rows joined with "\n"

    // What the core asked for.
    std::vector<std::string> error_boxes() const;
    std::string title() const;
    bool quit_requested() const { return quit_.load(); }
    int toolbar_rebuilds() const { return toolbar_rebuilds_.load(); }
    // Repaint requests of the console so far.
    int console_changes() const { return console_changes_.load(); }

    // Frontend
    void console_changed(bool scrollbars) override;
    void pump_until_line_entered(const std::atomic<int>& mode) override;
    void request_quit() override;
    void result_list_clear() override;
    void result_list_setup() override;
    void error_box(const char* text) override;
    void set_title(const char* text) override;
    void set_wait_cursor(bool on) override;
    void toolbar_rebuild() override;
    void hint_open() override;
    void hint_add(const char* entry) override;
    void hint_select(int index) override;
    void hint_close() override;
    bool analyzer_open(const char* statement) override;
    void plan_clear() override;
    std::uintptr_t plan_insert(std::uintptr_t parent, const char* text) override;
    void plan_message(const char* text) override;
    void schema_append(void* window, const char* text) override;
    bool clipboard_set(const std::string& text) override;
    bool clipboard_get(std::string* text) override;

    std::vector<std::string> hints;
    // The plan view: one line per item, indented two blanks per level.
    std::vector<std::string> plan_lines;
    std::string analyzer_statement;
    std::string schema_text;
    int result_list_clears = 0;
    int result_list_setups = 0;

private:
    ConsoleBuffer* console_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<std::string> errors_;
    std::string title_;
    std::string clipboard_;
    std::deque<std::string> queued_lines_;
    std::atomic<bool> quit_{false};
    std::atomic<int> toolbar_rebuilds_{0};
    std::atomic<int> console_changes_{0};
    std::uintptr_t next_plan_id_ = 1;
    std::map<std::uintptr_t, int> plan_depth_;
};
