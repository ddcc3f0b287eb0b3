// The one seam between the portable core and a front end (Win32 window, terminal,
// headless test host). The core never calls a window system; everything only a front
// end can do goes through this interface, installed once at start-up. Names say what
// the core needs, not how a front end does it.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

struct ConsoleBuffer;

class Frontend {
public:
    virtual ~Frontend() = default;

    // Console view: the rows changed and should be shown again (a request; it may be
    // answered later on the front end's own thread). scrollbars: the row count or the
    // caret moved, so scroll bars and the caret need updating too.
    virtual void console_changed(bool scrollbars) = 0;
    // Runs the front end's event loop on its own thread until mode becomes 0 (the user
    // ended a requested line) or the application is asked to quit.
    virtual void pump_until_line_entered(const std::atomic<int>& mode) = 0;
    // Ends the application after the current event (exit command, from any thread).
    virtual void request_quit() = 0;

    // Result list below the console: forget the rows shown; show the current result.
    virtual void result_list_clear() = 0;
    virtual void result_list_setup() = 0;

    // A modal error message (stop icon, default caption); blocks until dismissed.
    virtual void error_box(const char* text) = 0;
    virtual void set_title(const char* text) = 0;
    virtual void set_wait_cursor(bool on) = 0;
    // The option buttons follow the option values again.
    virtual void toolbar_rebuild() = 0;

    // Autocomplete popup.
    virtual void hint_open() = 0;
    virtual void hint_add(const char* entry) = 0;
    virtual void hint_select(int index) = 0;   // -1: none selected
    virtual void hint_close() = 0;

    // Loads the statement into the SQL analyzer, opening one when none is open, ready for
    // its plan (from any thread); false when this front end has none, so nothing is
    // explained.
    virtual bool analyzer_open(const char* statement) = 0;
    // Explain-plan tree of the analyzer window; parent 0 is the root level.
    virtual void plan_clear() = 0;
    virtual std::uintptr_t plan_insert(std::uintptr_t parent, const char* text) = 0;
    virtual void plan_message(const char* text) = 0;

    // Schema pane: appends text to the DDL pane of the browser `window` (the window the
    // caller of the DDL writers passed in; a front end without browser windows has one
    // pane and ignores it). Each "\n" is a line break of the pane; a text pane that
    // wants CR LF converts it.
    virtual void schema_append(void* window, const char* text) = 0;

    // Plain-text clipboard; false when it cannot be reached.
    virtual bool clipboard_set(const std::string& text) = 0;
    virtual bool clipboard_get(std::string* text) = 0;
};

// The installed front end; never null once start-up installed one.
Frontend* frontend();
void frontend_install(Frontend* front);
