// The terminal front end: raw mode, the event loop over standard input and a self-pipe
// (worker threads and SIGWINCH only wake it; they never write to the terminal), keys
// turned into the console's input operations, and the renderer's bytes written out.
// It must not paint from any thread but the one that runs the loop.
#include "ui/terminal/terminal_frontend.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "command/core_init.h"
#include "command/history.h"
#include "command/statement.h"
#include "command/variables.h"
#include "complete/autocomplete.h"
#include "console/console_buffer.h"
#include "oci/db_session.h"
#include "settings/options.h"

namespace {

int g_wake[2] = {-1, -1};
volatile std::sig_atomic_t g_resized = 0;
volatile std::sig_atomic_t g_terminated = 0;
termios g_saved_termios;
bool g_have_saved_termios = false;

// Milliseconds an incomplete escape sequence may wait for its remaining bytes.
constexpr int kEscapeTimeoutMs = 40;

// Set while a wake-up byte waits in the pipe: output printed meanwhile needs no further
// byte, so that many rows cost one write and one repaint rather than one each.
std::atomic<bool> g_wake_pending{false};

// Milliseconds between repaints while a statement runs. Output of a running statement
// does not wake the loop; it is drawn on this clock, so that a script of many short
// statements costs one repaint per interval rather than a wake-up and a repaint each.
constexpr int kBusyRepaintMs = 10;

// Set by the loop while it waits on its repaint clock because a statement runs.
std::atomic<bool> g_repaint_on_clock{false};

void wake() {
    if (g_wake[1] < 0) return;
    if (g_wake_pending.exchange(true)) return;
    const char byte = 'w';
    const ssize_t ignored = ::write(g_wake[1], &byte, 1);
    (void)ignored;   // a full pipe already holds a wake-up
}

void on_resize(int) {
    g_resized = 1;
    const int saved = errno;
    wake();
    errno = saved;
}

void on_terminate(int) {
    g_terminated = 1;
    const int saved = errno;
    wake();
    errno = saved;
}

bool open_wake_pipe() {
    if (g_wake[0] >= 0) return true;
    if (::pipe(g_wake) != 0) return false;
    for (int fd : g_wake) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    return true;
}

void drain_wake_pipe() {
    char buffer[256];
    while (::read(g_wake[0], buffer, sizeof buffer) > 0) {
    }
    // Cleared after the pipe is empty: a wake-up coming in between finds the flag still set
    // and writes nothing, but what it announced happened before the caller looks and renders.
    g_wake_pending.store(false);
}

// Looks for the end of the running statement (or its request for a line) for up to
// kBusySpin; true when it came.
constexpr auto kBusySpin = std::chrono::microseconds(200);

// How often output of fed lines is written while further lines wait in the input.
constexpr auto kPlainRenderInterval = std::chrono::milliseconds(10);

bool spin_while_busy(const ConsoleBuffer* console) {
    const auto end = std::chrono::steady_clock::now() + kBusySpin;
    do {
        if (busy_thread_id.load() == 0 || console->line_request_active.load() != 0 ||
            console->line_input_mode.load() != LineInputNone)
            return true;
        std::this_thread::yield();
    } while (std::chrono::steady_clock::now() < end);
    return false;
}

bool is_continuation(char c) { return (static_cast<unsigned char>(c) & 0xc0) == 0x80; }

bool input_at_end() { return g_input.cursor >= g_input.length(); }

}  // namespace

ConsoleBuffer* TerminalFrontend::start(bool interactive, const TerminalHistoryHooks& history) {
    interactive_ = interactive;
    // Rows are cut only on a terminal; written to a file or pipe they stay whole.
    cut_rows_ = interactive && ::isatty(STDOUT_FILENO) != 0;
    history_ = history;
    if (!open_wake_pipe()) {
        std::fprintf(stderr, "vantro: cannot create a pipe: %s\n", std::strerror(errno));
        return nullptr;
    }
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    sigemptyset(&action.sa_mask);
    if (interactive_) {
        if (!enter_raw_mode()) {
            std::fprintf(stderr, "vantro: cannot set the terminal mode: %s\n", std::strerror(errno));
            return nullptr;
        }
        action.sa_handler = on_resize;
        sigaction(SIGWINCH, &action, nullptr);
    }
    // Hang-up and termination end the program in order: the running statement is
    // cancelled, the spool file gets what was buffered for it, the terminal is given back.
    // Scripted, an interrupt does the same (interactive, Ctrl+C is a key).
    action.sa_handler = on_terminate;
    sigaction(SIGHUP, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    if (!interactive_) sigaction(SIGINT, &action, nullptr);
    console_ = core_start(this);
    if (console_) {
        console_->input_interactive.store(interactive_);
        console_->input_scripted.store(!interactive_);
    }
    // Every row is written out once: rows that leave the store before they were written
    // wait for the renderer.
    console_stream_start(console_);
    update_size();
    console_->attached.store(true);
    return console_;
}

void TerminalFrontend::stop() {
    if (!console_) return;
    // A statement waiting for a typed line gets an empty one, then it is cancelled.
    while (busy_thread_id.load() != 0 || console_->line_request_active.load() != 0) {
        {
            std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
            console_->line_input_mode.store(LineInputNone);
        }
        if (busy_thread_id.load() != 0) db_cancel();
        render();   // a worker waiting for pending rows to be written goes on
        platform_sleep_ms(20);
    }
    if (std::FILE* spool = console_spool_swap(console_, nullptr)) std::fclose(spool);
    if (history_.save) history_.save(console_);
    if (session_open.load()) db_disconnect();
    // The last rows, the prompt included, stay on the terminal.
    ConsoleStreamRows taken;
    console_stream_take(console_, 0, 0, &taken);
    const std::vector<std::string>& rows = taken.rows;
    if (interactive_) {
        RenderFrame frame;
        frame.rows_appended = taken.rows_appended;
        frame.rows = &rows;
        frame.live_rows = 0;
        frame.columns = columns_;
        write_out(render_frame(frame, &render_state_));
    } else {
        std::string out = render_plain(rows, taken.rows_appended, 1, &plain_written_);
        if (!rows.empty() && !rows.back().empty()) out += rows.back() + "\n";
        write_out(out);
    }
    console_->attached.store(false);
    core_stop(console_);
    console_ = nullptr;
    frontend_install(nullptr);
    signal(SIGHUP, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    if (interactive_) {
        signal(SIGWINCH, SIG_DFL);
        leave_raw_mode();
    } else {
        signal(SIGINT, SIG_DFL);
    }
}

bool TerminalFrontend::enter_raw_mode() {
    termios mode;
    if (::tcgetattr(STDIN_FILENO, &mode) != 0) return false;
    if (!g_have_saved_termios) {
        g_saved_termios = mode;
        g_have_saved_termios = true;
    }
    mode.c_iflag &= ~static_cast<tcflag_t>(BRKINT | ICRNL | INPCK | ISTRIP | IXON);
    mode.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    mode.c_cflag |= CS8;
    mode.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN | ISIG);
    mode.c_cc[VMIN] = 1;
    mode.c_cc[VTIME] = 0;
    if (::tcsetattr(STDIN_FILENO, TCSAFLUSH, &mode) != 0) return false;
    raw_ = true;
    return true;
}

void TerminalFrontend::leave_raw_mode() {
    if (!raw_ || !g_have_saved_termios) return;
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_saved_termios);
    raw_ = false;
}

void TerminalFrontend::suspend() {
    if (!interactive_) return;
    render();
    // Everything drawn so far stays; the other program starts on a fresh line.
    std::vector<std::string> rows;
    RenderFrame frame;
    {
        std::lock_guard<std::mutex> guard(console_->lock);
        rows.assign(console_->rows.begin(), console_->rows.end());
        frame.rows_appended = console_->rows_appended;
    }
    frame.rows = &rows;
    frame.live_rows = 0;
    frame.columns = columns_;
    RenderState copy = render_state_;
    write_out(render_frame(frame, &copy));
    leave_raw_mode();
}

void TerminalFrontend::resume() {
    if (!interactive_) return;
    enter_raw_mode();
    // The live area starts afresh on the line the other program left the cursor on.
    render_state_.cursor_line = 0;
    update_size();
    render();
}

void TerminalFrontend::update_size() {
    winsize size;
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
        columns_ = size.ws_col;
        lines_ = size.ws_row;
    }
    if (!console_) return;
    std::lock_guard<std::mutex> guard(console_->lock);
    console_->visible_columns = columns_;
    console_->visible_rows = lines_;
    console_->top_row = std::max(0, console_->row_count() - lines_);
    console_->left_column = 0;
}

void TerminalFrontend::write_out(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;   // the terminal is gone; nothing left to show it on
        done += static_cast<size_t>(n);
    }
}

int TerminalFrontend::live_rows() const {
    if (busy_thread_id.load() != 0) return 1;
    if (console_->line_input_mode.load() != LineInputNone) return 1;
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    if (console_->echo.load() == 0) return 1;
    return 1 + static_cast<int>(std::count(g_input.text.begin(), g_input.text.end(), '\n'));
}

void TerminalFrontend::hint_open() {
    std::lock_guard<std::mutex> guard(hint_mutex_);
    hints_.clear();
    hint_selected_ = -1;
}

void TerminalFrontend::hint_add(const char* entry) {
    std::lock_guard<std::mutex> guard(hint_mutex_);
    hints_.emplace_back(entry);
}

void TerminalFrontend::hint_select(int index) {
    std::lock_guard<std::mutex> guard(hint_mutex_);
    hint_selected_ = index;
}

void TerminalFrontend::hint_close() {
    std::lock_guard<std::mutex> guard(hint_mutex_);
    hints_.clear();
    hint_selected_ = -1;
}

void TerminalFrontend::render() {
    if (!console_) return;
    const int live = live_rows();
    // Only the rows not yet written for good (and the live area) are taken, so that a long
    // output does not copy the whole store at every repaint; rows that left the store
    // since the last frame come first.
    std::uint64_t written = interactive_ ? (render_state_.started ? render_state_.written : 0) : plain_written_;
    // A repaint draws again the rows that fill the screen.
    if (cut_rows_ && (repaint_ || view_left_ != render_state_.left))
        written -= std::min(written, static_cast<std::uint64_t>(lines_));
    ConsoleStreamRows taken;
    console_stream_take(console_, written, interactive_ ? live : 1, &taken);
    std::vector<std::string>& rows = taken.rows;
    RenderFrame frame;
    frame.rows_appended = taken.rows_appended;
    frame.caret_row = taken.caret_row;
    frame.caret_column = taken.caret_column;
    if (interactive_) {
        std::string control;
        {
            std::lock_guard<std::mutex> guard(control_mutex_);
            control.swap(pending_control_);
        }
        write_out(control);
    } else {
        write_out(render_plain(rows, frame.rows_appended, 1, &plain_written_));
        plain_rendered_ = std::chrono::steady_clock::now();
        return;
    }
    // The autocomplete list: up to ten entries around the selected one, below the input.
    int hint_rows = 0;
    {
        std::lock_guard<std::mutex> guard(hint_mutex_);
        const int count = static_cast<int>(hints_.size());
        constexpr int kShown = 10;
        const int first = std::clamp(hint_selected_ - kShown / 2, 0, std::max(0, count - kShown));
        for (int i = first; i < count && i < first + kShown; ++i) {
            rows.push_back((i == hint_selected_ ? "  > " : "    ") + hints_[static_cast<size_t>(i)]);
            ++hint_rows;
        }
    }
    frame.rows_appended += static_cast<std::uint64_t>(hint_rows);
    frame.rows = &rows;
    frame.live_rows = live + hint_rows;
    frame.columns = columns_;
    frame.cut = cut_rows_;
    frame.left_column = view_left_;
    frame.lines = lines_;
    frame.repaint = repaint_;
    repaint_ = false;
    write_out(render_frame(frame, &render_state_));
}

void TerminalFrontend::console_changed(bool) {
    // The end of a statement (busy_thread_id cleared before its prompt) and a request for
    // a line always wake the loop at once; other output of a running statement waits for
    // the repaint clock.
    if (g_repaint_on_clock.load() && busy_thread_id.load() != 0 && console_->line_request_active.load() == 0)
        return;
    wake();
}

void TerminalFrontend::poll_once(int timeout_ms) {
    pollfd fds[2];
    int count = 0;
    fds[count++] = pollfd{g_wake[0], POLLIN, 0};
    if (interactive_ && !stdin_closed_) fds[count++] = pollfd{STDIN_FILENO, POLLIN, 0};
    int wait = timeout_ms;
    if (!pending_.empty() && (wait < 0 || wait > kEscapeTimeoutMs)) wait = kEscapeTimeoutMs;
    const bool on_clock = busy_thread_id.load() != 0;
    g_repaint_on_clock.store(on_clock);
    if (on_clock && (wait < 0 || wait > kBusyRepaintMs)) wait = kBusyRepaintMs;
    const int ready = ::poll(fds, static_cast<nfds_t>(count), wait);
    if (ready < 0) return;   // EINTR: the caller loops
    if (fds[0].revents & POLLIN) drain_wake_pipe();
    if (g_terminated) request_quit();
    if (g_resized) {
        g_resized = 0;
        update_size();
        render_reflow(&render_state_, columns_);
        // Cut rows are redrawn for the new width, the offset kept within what it needs.
        view_left_ = std::min(view_left_, render_max_left(widest_on_screen(), columns_));
        repaint_ = true;
    }
    if (count > 1 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n > 0) {
            pending_.append(buffer, static_cast<size_t>(n));
            decode_pending(false);
        } else if (n == 0 || errno != EINTR) {
            stdin_closed_ = true;
            request_quit();
        }
    } else if (ready == 0 && !pending_.empty()) {
        decode_pending(true);
    }
}

void TerminalFrontend::decode_pending(bool final) {
    while (!pending_.empty()) {
        Key key;
        const int used = key_decode(pending_.data(), static_cast<int>(pending_.size()), final, &key);
        if (used <= 0) return;
        pending_.erase(0, static_cast<size_t>(used));
        handle_key(key);
    }
}

void TerminalFrontend::handle_key(const Key& key) {
    // Alt with Left/Right, Home/End, PageUp/PageDown moves the view sideways, also while a
    // statement runs (Alt+Shift+Left/Right: to the edges, as Alt+Home/End). Handled before
    // the input lock is taken: the view is the front end's own.
    if (key.alt && !key.ctrl) {
        const int page = std::max(1, columns_ - 10);
        int delta = 0;
        int edge = 0;
        switch (key.code) {
        case KeyCode::Left: (key.shift ? edge : delta) = -1; break;
        case KeyCode::Right: (key.shift ? edge : delta) = 1; break;
        case KeyCode::Home: edge = -1; break;
        case KeyCode::End: edge = 1; break;
        case KeyCode::PageUp: delta = -page; break;
        case KeyCode::PageDown: delta = page; break;
        default: break;
        }
        if (delta != 0 || edge != 0) {
            scroll_sideways(delta, edge);
            wake();
            return;
        }
    }
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    ConsoleBuffer* c = console_;
    const bool requesting = c->line_input_mode.load() != LineInputNone;
    if (key.code == KeyCode::Interrupt) {
        if (busy_thread_id.load() != 0) {
            db_cancel();
        } else if (!requesting && c->line_request_active.load() == 0) {
            // The typed statement stays visible above a fresh prompt, as a shell does.
            input_end(c, true);
            console_print_nospool("^C\n");
            finish(c, false, false);
        }
        return;
    }
    // Keys are ignored while a statement runs, unless it waits for a typed line.
    if (busy_thread_id.load() != 0) return;
    switch (key.code) {
    case KeyCode::Text:
        input_feed(c, "%s", key.text.c_str());
        autocomplete_refresh(c);
        break;
    case KeyCode::Enter: {
        if (autocomplete_is_open()) {
            autocomplete_accept(c);
            break;
        }
        const bool newline_allowed = key.alt || key.shift || (c->options && c->options->on(Option::AllowNewline));
        if (!newline_allowed) {
            input_end(c, true);
            // A statement's output starts at the left edge.
            view_left_ = 0;
        }
        input_enter(c);
        break;
    }
    case KeyCode::Tab:
        if (!(c->options && c->options->on(Option::Autocomplete) && autocomplete_start(c) == 1)) input_tab(c);
        break;
    case KeyCode::Escape:
        autocomplete_close(c);
        break;
    case KeyCode::Insert:
    case KeyCode::Unknown:
        break;
    case KeyCode::Backspace:
        do {
            if (g_input.cursor <= 0) break;
            const bool continuation = is_continuation(g_input.text[static_cast<size_t>(g_input.cursor - 1)]);
            input_feed(c, "\b");
            if (!continuation) break;
        } while (true);
        autocomplete_refresh(c);
        break;
    case KeyCode::Delete:
        do {
            if (input_at_end()) break;
            if (input_delete(c) == 1) console_delete_at_caret(c);
        } while (!input_at_end() && is_continuation(g_input.text[static_cast<size_t>(g_input.cursor)]));
        break;
    case KeyCode::Home:
        input_home(c, false);
        break;
    case KeyCode::End:
        input_end(c, false);
        break;
    case KeyCode::PageUp:
        input_home(c, true);
        break;
    case KeyCode::PageDown:
        input_end(c, true);
        break;
    case KeyCode::Left:
        do {
            input_left(c, key.ctrl);
        } while (g_input.cursor > 0 && is_continuation(g_input.text[static_cast<size_t>(g_input.cursor)]));
        break;
    case KeyCode::Right:
        do {
            input_right(c, key.ctrl);
        } while (!input_at_end() && is_continuation(g_input.text[static_cast<size_t>(g_input.cursor)]));
        break;
    case KeyCode::Up:
        if (requesting) break;
        if (autocomplete_is_open()) {
            autocomplete_move(c, -1);
        } else if (!input_at_end()) {
            input_up(c);
        } else if (history_.previous) {
            history_.previous(c);
        }
        break;
    case KeyCode::Down:
        if (requesting) break;
        if (autocomplete_is_open()) {
            autocomplete_move(c, 1);
        } else if (!input_at_end()) {
            input_down(c);
        } else if (history_.next) {
            history_.next(c);
        }
        break;
    case KeyCode::EndOfInput:
        if (!requesting && g_input.text.empty()) request_quit();
        break;
    case KeyCode::Redraw:
        repaint_ = true;
        break;
    case KeyCode::Interrupt:
        break;
    }
    wake();
}

int TerminalFrontend::widest_on_screen() const {
    std::lock_guard<std::mutex> guard(console_->lock);
    const int count = console_->row_count();
    int widest = 0;
    for (int i = std::max(0, count - lines_); i < count; ++i)
        widest = std::max(widest, render_row_width(console_->rows[static_cast<size_t>(i)]));
    return widest;
}

void TerminalFrontend::scroll_sideways(int delta, int to_edge) {
    const int most = render_max_left(widest_on_screen(), columns_);
    if (to_edge < 0) {
        view_left_ = 0;
    } else if (to_edge > 0) {
        view_left_ = most;
    } else {
        view_left_ = std::clamp(view_left_ + delta, 0, most);
    }
}

void TerminalFrontend::run() {
    while (!quit_.load()) {
        render();
        poll_once(-1);
    }
    render();
}

bool TerminalFrontend::read_script_line(std::string* line) {
    line->clear();
    for (;;) {
        const size_t newline = stdin_buffer_.find('\n', stdin_used_);
        if (newline != std::string::npos) {
            line->assign(stdin_buffer_, stdin_used_, newline - stdin_used_);
            stdin_used_ = newline + 1;
            break;
        }
        if (stdin_closed_) {
            // The last line without a line end.
            line->assign(stdin_buffer_, stdin_used_, std::string::npos);
            stdin_buffer_.clear();
            stdin_used_ = 0;
            if (line->empty()) return false;
            break;
        }
        // Drop the lines handed out already, then read the next block.
        stdin_buffer_.erase(0, stdin_used_);
        stdin_used_ = 0;
        char block[kStdinBlockSize];
        const ssize_t n = ::read(STDIN_FILENO, block, sizeof block);
        if (n < 0 && errno == EINTR) {
            if (!g_terminated) continue;
            request_quit();
            return false;
        }
        if (n <= 0) {
            stdin_closed_ = true;
            continue;
        }
        stdin_buffer_.append(block, static_cast<size_t>(n));
    }
    if (!line->empty() && line->back() == '\r') line->pop_back();
    return true;
}

void TerminalFrontend::type_line(const std::string& line, bool echo) {
    if (dispatcher_refuse_nul_line(console_, line)) return;
    {
        std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
        const int saved_echo = console_->echo.load();
        // A connect line read from the input is shown without its password (the output
        // of a redirected run often ends up in a log); the line itself goes in unseen.
        bool masked = false;
        if (echo && saved_echo && g_input.text.empty()) {
            const std::string shown = history_text_without_password(line);
            if (shown != line) {
                console_echo(shown.c_str());
                console_newline();
                echo = false;
                masked = true;
            }
        }
        if (!echo) console_->echo.store(0);
        if (line.find('\t') != std::string::npos) {
            input_feed(console_, "%s", line.c_str());
        } else {
            input_type_text(console_, line.c_str());
        }
        input_enter(console_);
        console_->echo.store(saved_echo);
        // The connect ended while nothing was shown: its prompt is due now. One still
        // running on a worker ends after this lock is released and shows it itself.
        if (masked && g_input.text.empty() && busy_thread_id.load() == 0 && console_->line_request_active.load() == 0)
            console_print_nospool("%s ", console_->options ? console_->options->text(Option::Prompt).c_str() : "SQL>");
    }
    wake();
    wait_idle();
}

// An answer to a line request with a NUL byte cannot be typed whole: it is refused with
// an error and the request gets an empty line.
static std::string answer_without_nul(const std::string& answer) {
    if (answer.find('\0') == std::string::npos) return answer;
    console_print("\rError: the line holds a NUL byte and was not taken\n");
    return std::string();
}

bool TerminalFrontend::plain_render_due() const {
    if (interactive_ || stdin_closed_ || stdin_buffer_.find('\n', stdin_used_) == std::string::npos) return true;
    return std::chrono::steady_clock::now() - plain_rendered_ >= kPlainRenderInterval;
}

void TerminalFrontend::wait_idle() {
    while (!quit_.load()) {
        if (plain_render_due()) render();
        const bool requesting = console_->line_input_mode.load() != LineInputNone;
        if (!interactive_ && requesting) {
            // A statement asks for a line: the next input line answers it.
            std::string answer;
            if (!read_script_line(&answer)) console_->input_ended.store(true);
            answer = answer_without_nul(answer);
            std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
            input_type_text(console_, answer.c_str());
            input_enter(console_);
            continue;
        }
        if (busy_thread_id.load() == 0 && console_->line_request_active.load() == 0) break;
        // Fed input waits for short statements by looking again for a moment: a sleeping
        // loop woken at every statement's end costs more than the statement.
        if (!interactive_ && spin_while_busy(console_)) continue;
        poll_once(interactive_ ? -1 : 50);
    }
    if (plain_render_due()) render();
}

void TerminalFrontend::run_script(bool echo) {
    std::string line;
    while (!quit_.load() && read_script_line(&line)) {
        if (dispatcher_refuse_nul_line(console_, line)) continue;
        // Substitution may ask for a value, which takes the next line of the input; when
        // none comes, the line does not run with an empty value in its place.
        const bool ended_before = console_->input_ended.load();
        const std::string text = variables_substitute(console_, line);
        if (!ended_before && console_->input_ended.load()) {
            console_print("No value given: the input has ended\n");
            break;
        }
        type_line(text, echo);
    }
    render();
}

void TerminalFrontend::pump_until_line_entered(const std::atomic<int>& mode) {
    if (!prefill_.empty() && interactive_) {
        std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
        input_type_text(console_, prefill_.c_str());
    }
    prefill_.clear();
    while (mode.load() != LineInputNone && !quit_.load()) {
        if (!interactive_) {
            std::string answer;
            if (!read_script_line(&answer)) console_->input_ended.store(true);
            answer = answer_without_nul(answer);
            std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
            input_type_text(console_, answer.c_str());
            input_enter(console_);
            continue;
        }
        if (stdin_closed_) {
            // Nobody can answer any more: the request ends.
            console_->input_ended.store(true);
            std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
            input_enter(console_);
            continue;
        }
        render();
        poll_once(-1);
    }
    render();
}

void TerminalFrontend::request_quit() {
    quit_.store(true);
    wake();
}

void TerminalFrontend::error_box(const char* text) {
    if (!console_ || !console_->attached.load()) {
        std::fprintf(stderr, "%s\n", text);
        return;
    }
    console_print_nospool("%s\n", text);
}

void TerminalFrontend::set_title(const char* text) {
    std::lock_guard<std::mutex> guard(control_mutex_);
    std::string title;
    for (const char* p = text; *p; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x20) title += *p;
    }
    pending_control_ += "\x1b]0;" + title + "\x07";
    wake();
}

void TerminalFrontend::plan_clear() {
    plan_depths_.clear();
    console_print("\rExecution Plan\n----------------------------------------------------------\n");
}

std::uintptr_t TerminalFrontend::plan_insert(std::uintptr_t parent, const char* text) {
    const int depth = parent == 0 || parent > plan_depths_.size() ? 0 : plan_depths_[parent - 1] + 1;
    plan_depths_.push_back(depth);
    console_print("%4d %*s%s\n", static_cast<int>(plan_depths_.size()) - 1, depth * 2, "", text);
    return plan_depths_.size();
}

void TerminalFrontend::plan_message(const char* text) { console_print_nospool("%s\n", text); }

// The terminal has no browser window: the DDL pane is the console, and every piece goes
// to the spool file as well (the ddl command runs outside any statement worker).
void TerminalFrontend::schema_append(void*, const char* text) {
    console_print_nospool("%s", text);
    spool_write_text(text, std::strlen(text));
}

bool TerminalFrontend::clipboard_set(const std::string& text) {
    // OSC 52: the terminal puts the text on the system clipboard where it allows it. A
    // pipe or file has no clipboard.
    if (!cut_rows_) return false;
    std::lock_guard<std::mutex> guard(control_mutex_);
    pending_control_ += render_clipboard(text);
    wake();
    return true;
}
