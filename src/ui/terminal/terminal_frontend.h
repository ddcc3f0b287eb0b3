// The terminal front end of `vantro`: raw-mode key input decoded into the console's input
// operations, the console streamed into the terminal (rows that can no longer change are
// written once, the statement being typed is redrawn in place), and a scripted mode in
// which lines read from standard input are typed one after another and the output goes to
// standard output as plain text. POSIX terminal calls stay in this folder.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "frontend/frontend.h"
#include "ui/terminal/key_decoder.h"
#include "ui/terminal/renderer.h"

struct ConsoleBuffer;

// Operations of the command history that the keys and the start-up and shutdown use; null
// entries do nothing.
struct TerminalHistoryHooks {
    void (*previous)(ConsoleBuffer* console) = nullptr;
    void (*next)(ConsoleBuffer* console) = nullptr;
    void (*load)(ConsoleBuffer* console) = nullptr;
    void (*save)(ConsoleBuffer* console) = nullptr;
};

class TerminalFrontend : public Frontend {
public:
    // interactive: standard input is a terminal, put into raw mode; otherwise lines are
    // read from it (scripted). Starts the core with this front end. Null on failure
    // (message on stderr).
    ConsoleBuffer* start(bool interactive, const TerminalHistoryHooks& history);
    // Shutdown: stops a running statement, closes the spool file, saves the history,
    // disconnects, releases the core and gives the terminal back.
    void stop();

    // Interactive: handles keys and repaints until quit is requested.
    void run();
    // Scripted: types the lines of standard input until its end or quit, echoed or not.
    void run_script(bool echo = true);
    // Types one line and Enter as the paste path does, then waits until the statement it
    // started has ended (line requests meanwhile are answered from the keyboard or, when
    // scripted, from the following input lines). Echo off when `echo` is false.
    void type_line(const std::string& line, bool echo);
    // Waits until no statement runs, answering line requests.
    void wait_idle();
    bool quit_requested() const { return quit_.load(); }
    // Text that stands, editable, in the input of the next line request (a default).
    void set_line_prefill(const std::string& text) { prefill_ = text; }

    // Hands the terminal to another program (external editor) and takes it back.
    void suspend();
    void resume();

    // Writes what changed in the console to the terminal (terminal thread only).
    void render();
    // One decoded key, as the console window's key table does it (terminal thread).
    void handle_key(const Key& key);
    // Moves the view of the rows above the input sideways (terminal thread): by `delta`
    // display columns, or to the left edge (`to_edge` < 0) or to the end of the widest
    // row on the screen (`to_edge` > 0). Kept within what the rows on the screen need.
    void scroll_sideways(int delta, int to_edge);
    int view_left() const { return view_left_; }

    // Frontend
    void console_changed(bool scrollbars) override;
    void pump_until_line_entered(const std::atomic<int>& mode) override;
    void request_quit() override;
    void result_list_clear() override {}
    void result_list_setup() override {}
    void error_box(const char* text) override;
    void set_title(const char* text) override;
    void set_wait_cursor(bool) override {}
    void toolbar_rebuild() override {}
    // The autocomplete list is drawn as rows below the input, inside the live area.
    void hint_open() override;
    void hint_add(const char* entry) override;
    void hint_select(int index) override;
    void hint_close() override;
    // The console is the terminal's analyzer: a plan prints as an indented tree.
    bool analyzer_open(const char*) override { return true; }
    void plan_clear() override;
    std::uintptr_t plan_insert(std::uintptr_t parent, const char* text) override;
    void plan_message(const char* text) override;
    void schema_append(void* window, const char* text) override;
    bool clipboard_set(const std::string& text) override;
    bool clipboard_get(std::string*) override { return false; }

private:
    bool enter_raw_mode();
    void leave_raw_mode();
    void update_size();
    // Waits for input, a wake-up or the escape timeout and handles what came, at most
    // timeout_ms (-1: no limit).
    void poll_once(int timeout_ms);
    void decode_pending(bool final);
    // Scripted: the next line of standard input; false at its end.
    bool read_script_line(std::string* line);
    void write_out(const std::string& bytes);
    int live_rows() const;
    // Scripted: whether the output is to be written now. Lines fed one after another write
    // their output every kPlainRenderInterval, and always before the input is read again
    // from the pipe, where whoever feeds it may wait for what came so far.
    bool plain_render_due() const;

    ConsoleBuffer* console_ = nullptr;
    bool interactive_ = false;
    bool raw_ = false;
    bool cut_rows_ = false;   // one screen line per row (standard output is a terminal)
    bool stdin_closed_ = false;
    // Scripted: standard input read in blocks; the lines before stdin_used_ are handed out.
    static constexpr size_t kStdinBlockSize = 64 * 1024;
    std::string stdin_buffer_;
    size_t stdin_used_ = 0;
    TerminalHistoryHooks history_;
    RenderState render_state_;
    std::mutex hint_mutex_;
    std::vector<std::string> hints_;
    std::vector<int> plan_depths_;   // by item number - 1
    int hint_selected_ = -1;
    std::uint64_t plain_written_ = 0;
    std::chrono::steady_clock::time_point plain_rendered_{};  // when the output was last written, scripted
    std::string prefill_;
    std::string pending_;   // bytes of a key sequence not complete yet
    // Widest row (display columns) among the rows that fill the screen.
    int widest_on_screen() const;

    int view_left_ = 0;        // horizontal offset of the rows above the input
    bool repaint_ = false;     // the screen is to be redrawn (resize, Ctrl+L)
    int columns_ = 80;
    int lines_ = 24;
    std::atomic<bool> quit_{false};
    std::mutex control_mutex_;
    std::string pending_control_;   // title and clipboard sequences for the terminal thread
};
