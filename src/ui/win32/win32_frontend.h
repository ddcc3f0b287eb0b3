// The Windows implementation of the front-end seam. Requests from a worker are posted to
// the GUI thread (repaints, result list, title, toolbar, quit); nothing is painted from a
// worker. The line-input wait of the GUI thread runs a nested message loop.
#pragma once

#include <atomic>

#include "frontend/frontend.h"

class Win32Frontend : public Frontend {
public:
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
};

// Repaint requests waiting for the console window: bit 0 repaint, bit 1 scroll bars too.
// The console window takes them all at once, so a worker printing many rows posts once.
extern std::atomic<int> g_console_repaint_flags;
