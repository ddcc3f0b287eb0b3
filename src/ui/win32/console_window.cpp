// The console window (class "TextClass"): paints the console rows in a fixed-pitch font,
// turns keys, characters, mouse actions and clipboard text into input operations, keeps
// the rectangular selection with its auto-scroll timers, and answers WM_GETTEXT with the
// rows so that screen readers and tests can read it. It owns no data: the ConsoleBuffer
// hangs in its extra window word. It never runs statements itself; Enter hands the input
// to the dispatcher through input_enter.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "console/console_buffer.h"
#include "settings/options.h"
#include "command/history.h"
#include "command/history_file.h"
#include "complete/autocomplete.h"
#include "ui/win32/console_view.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/win32_app.h"
#include "ui/win32/win32_frontend.h"

namespace {

constexpr const char* kClassName = "TextClass";
constexpr UINT kTimerLeft = 1, kTimerRight = 2, kTimerUp = 3, kTimerDown = 4;
constexpr UINT kTimerPeriod = 20;

HFONT g_font = nullptr;
int g_swallow = 0;   // characters to drop after Tab, Enter or Escape were handled as keys

ConsoleBuffer* buffer_of(HWND window) {
    return reinterpret_cast<ConsoleBuffer*>(GetWindowLongPtrA(window, 0));
}

bool worker_running() { return busy_thread_id.load() != 0; }

void place_caret(HWND, ConsoleBuffer* console) {
    int x, y;
    bool has;
    {
        std::lock_guard<std::mutex> guard(console->lock);
        has = console->has_caret;
        x = (console->caret_column - console->left_column) * console->char_width + kConsoleMargin;
        y = (console->caret_row - 1 - console->top_row) * console->char_height + kConsoleMargin + 2;
    }
    if (has) SetCaretPos(x, y);
}

void update_scrollbars(HWND window, ConsoleBuffer* console) {
    int rows, visible_rows, top, widest, visible_columns, left;
    {
        std::lock_guard<std::mutex> guard(console->lock);
        rows = console->row_count();
        visible_rows = console->visible_rows;
        top = console->top_row;
        widest = console_view_widest_locked(console);
        visible_columns = console->visible_columns;
        left = console->left_column;
    }
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    if (rows > visible_rows) {
        info.nMax = rows - 1;
        info.nPage = static_cast<UINT>(visible_rows);
        info.nPos = top;
        SetScrollInfo(window, SB_VERT, &info, TRUE);
        EnableScrollBar(window, SB_VERT, ESB_ENABLE_BOTH);
    } else {
        SetScrollInfo(window, SB_VERT, &info, TRUE);
        EnableScrollBar(window, SB_VERT, ESB_DISABLE_BOTH);
    }
    SCROLLINFO hinfo{};
    hinfo.cbSize = sizeof hinfo;
    hinfo.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    if (widest > visible_columns) {
        hinfo.nMax = widest - 1;
        hinfo.nPage = static_cast<UINT>(visible_columns);
        hinfo.nPos = left;
        SetScrollInfo(window, SB_HORZ, &hinfo, TRUE);
        EnableScrollBar(window, SB_HORZ, ESB_ENABLE_BOTH);
    } else {
        SetScrollInfo(window, SB_HORZ, &hinfo, TRUE);
        EnableScrollBar(window, SB_HORZ, ESB_DISABLE_BOTH);
    }
}

void repaint(HWND window) { InvalidateRect(window, nullptr, FALSE); }

// ---- creation, size, focus ----------------------------------------------------

LRESULT on_create(HWND window, const CREATESTRUCTA* create) {
    auto* console = static_cast<ConsoleBuffer*>(create->lpCreateParams);
    SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(console));
    HDC dc = GetDC(window);
    if (!g_font) {
        g_font = CreateFontA(-MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                             FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             FIXED_PITCH | FF_MODERN, "Courier New");
        if (!g_font) last_error_box();
    }
    if (g_font) SelectObject(dc, g_font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    ReleaseDC(window, dc);
    {
        std::lock_guard<std::mutex> guard(console->lock);
        console->char_height = std::max(1, static_cast<int>(metrics.tmHeight));
        console->char_width = std::max(1, static_cast<int>(metrics.tmAveCharWidth));
    }
    EnableScrollBar(window, SB_VERT, ESB_DISABLE_BOTH);
    EnableScrollBar(window, SB_HORZ, ESB_DISABLE_BOTH);
    return 0;
}

void on_size(HWND window, ConsoleBuffer* console) {
    RECT rc;
    GetClientRect(window, &rc);
    console_view_resize(console, rc.right - rc.left, rc.bottom - rc.top);
    update_scrollbars(window, console);
    repaint(window);
}

void on_focus(HWND window, ConsoleBuffer* console, bool gained) {
    if (gained) {
        CreateCaret(window, nullptr, 2, std::max(1, console->char_height - 4));
        ShowCaret(window);
        {
            std::lock_guard<std::mutex> guard(console->lock);
            console->has_caret = true;
        }
        place_caret(window, console);
    } else {
        DestroyCaret();
        std::lock_guard<std::mutex> guard(console->lock);
        console->has_caret = false;
    }
}

// ---- painting -------------------------------------------------------------------

// Paints so far; a long output must cost a few, not one per row.
long g_paint_count = 0;

void on_paint(HWND window, ConsoleBuffer* console) {
    ++g_paint_count;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    std::vector<std::string> shown;
    int top, left, visible_rows, visible_columns, cw, ch, rows, client_w, client_h;
    SelectionBlock block{};
    bool selected;
    {
        std::lock_guard<std::mutex> guard(console->lock);
        top = console->top_row;
        left = console->left_column;
        visible_rows = console->visible_rows;
        visible_columns = console->visible_columns;
        cw = console->char_width;
        ch = console->char_height;
        rows = console->row_count();
        client_w = console->client_width;
        client_h = console->client_height;
        selected = console_selection_block(console, &block);
        const int end = std::min(rows, top + visible_rows);
        for (int i = top; i < end; ++i) {
            const std::string& row = console->rows[static_cast<size_t>(i)];
            std::string cut = left < static_cast<int>(row.size()) ? row.substr(static_cast<size_t>(left)) : "";
            cut.resize(static_cast<size_t>(visible_columns), ' ');
            shown.push_back(std::move(cut));
        }
    }
    if (g_font) SelectObject(dc, g_font);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    HBRUSH background = CreateSolidBrush(GetSysColor(COLOR_WINDOW));
    for (size_t i = 0; i < shown.size(); ++i)
        TextOutA(dc, kConsoleMargin, static_cast<int>(i) * ch + kConsoleMargin, shown[i].data(),
                 static_cast<int>(shown[i].size()));
    RECT strip{0, 0, kConsoleMargin, client_h};
    FillRect(dc, &strip, background);
    strip = RECT{0, 0, client_w, kConsoleMargin};
    FillRect(dc, &strip, background);
    strip = RECT{visible_columns * cw + kConsoleMargin, 0, client_w, client_h};
    FillRect(dc, &strip, background);
    strip = RECT{0, ch * std::min(rows, visible_rows) + kConsoleMargin, client_w, client_h};
    FillRect(dc, &strip, background);
    DeleteObject(background);

    if (selected && block.last_row >= top && block.first_row < top + visible_rows &&
        block.last_column >= left && block.first_column < left + visible_columns) {
        const int x0 = block.first_column < left ? kConsoleMargin : (block.first_column - left) * cw + kConsoleMargin;
        const int y0 = block.first_row < top ? kConsoleMargin : (block.first_row - top) * ch + kConsoleMargin;
        const int x1 = block.last_column >= left + visible_columns ? (visible_columns + 1) * cw + kConsoleMargin
                                                                   : (block.last_column - left + 1) * cw + kConsoleMargin;
        const int y1 = block.last_row >= top + visible_rows ? (visible_rows + 1) * ch + kConsoleMargin
                                                            : (block.last_row - top + 1) * ch + kConsoleMargin;
        HBRUSH ink = CreateSolidBrush(GetSysColor(COLOR_WINDOWTEXT));
        HGDIOBJ old_brush = SelectObject(dc, ink);
        HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
        const int old_rop = SetROP2(dc, R2_MERGEPENNOT);
        Rectangle(dc, x0, y0, x1 + 1, y1 + 1);
        SetROP2(dc, old_rop);
        SelectObject(dc, old_pen);
        SelectObject(dc, old_brush);
        DeleteObject(ink);
    }
    EndPaint(window, &ps);
    place_caret(window, console);
}

// ---- scrolling --------------------------------------------------------------------

int scroll_delta(WPARAM wparam, int page, int current) {
    switch (LOWORD(wparam)) {
    case SB_LINEUP: return -1;
    case SB_LINEDOWN: return 1;
    case SB_PAGEUP: return -page;
    case SB_PAGEDOWN: return page;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: return static_cast<int>(HIWORD(wparam)) - current;
    default: return 0;
    }
}

void on_scroll(HWND window, ConsoleBuffer* console, WPARAM wparam, bool vertical) {
    if (vertical) {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        GetScrollInfo(window, SB_VERT, &info);
        int delta = scroll_delta(wparam, console->visible_rows, console->top_row);
        if (LOWORD(wparam) == SB_THUMBTRACK) delta = info.nTrackPos - console->top_row;
        console_view_scroll_rows(console, delta);
    } else {
        console_view_scroll_columns(console, scroll_delta(wparam, console->visible_columns, console->left_column));
    }
    update_scrollbars(window, console);
    repaint(window);
}

// ---- keys and characters --------------------------------------------------------

bool key_held(int key) { return (GetKeyState(key) & 0x8000) != 0; }

void on_enter_key(ConsoleBuffer* console) {
    g_swallow = 1;
    const bool allow_newline = key_held(VK_SHIFT) || (console->options && console->options->on(Option::AllowNewline));
    if (!allow_newline) {
        g_input.cursor = g_input.length();
        input_place_caret(console);
    }
    input_enter(console);
}

void on_key(HWND window, ConsoleBuffer* console, WPARAM key) {
    if (worker_running() || key < 9 || key > 46) return;
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    const bool ctrl = key_held(VK_CONTROL);
    const bool pending_line = console->line_input_mode.load() != LineInputNone;
    switch (key) {
    case VK_TAB:
        // With autocomplete off, or nothing to complete, the character message inserts
        // blanks to the next tab stop.
        if (console->options && console->options->on(Option::Autocomplete) && autocomplete_start(console) == 1)
            g_swallow = 1;
        break;
    case VK_RETURN:
        if (autocomplete_is_open()) {
            g_swallow = 1;
            autocomplete_accept(console);
        } else {
            on_enter_key(console);
        }
        break;
    case VK_ESCAPE:
        autocomplete_close(console);
        g_swallow = 1;
        break;
    case VK_PRIOR: input_home(console, true); break;
    case VK_NEXT: input_end(console, true); break;
    case VK_END: input_end(console, false); break;
    case VK_HOME: input_home(console, false); break;
    case VK_LEFT: input_left(console, ctrl); break;
    case VK_RIGHT: input_right(console, ctrl); break;
    case VK_UP:
        if (pending_line) break;
        if (autocomplete_is_open())
            autocomplete_move(console, -1);
        else if (g_input.cursor < g_input.length())
            input_up(console);
        else
            history_previous(console);
        break;
    case VK_DOWN:
        if (pending_line) break;
        if (autocomplete_is_open())
            autocomplete_move(console, 1);
        else if (g_input.cursor < g_input.length())
            input_down(console);
        else
            history_next(console);
        break;
    case VK_INSERT:
        if (ctrl) {
            console_copy_selection(console);
        } else if (key_held(VK_SHIFT) && paste_thread_id.load() == 0) {
            console_paste(console);
        }
        break;
    case VK_DELETE:
        if (input_delete(console)) {
            console_delete_at_caret(console);
            repaint(window);
        }
        break;
    default: break;
    }
}

void on_char(ConsoleBuffer* console, WPARAM code) {
    if (g_swallow > 0) {
        --g_swallow;
        return;
    }
    if (worker_running()) return;
    const unsigned char c = static_cast<unsigned char>(code);
    // Control characters other than Backspace and Tab come from Ctrl chords, not text.
    if (c < 32 && c != '\b' && c != '\t') return;
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    input_feed(console, "%c", static_cast<char>(c));
    autocomplete_refresh(console);
}

// ---- mouse and selection --------------------------------------------------------

void start_timer(HWND window, ConsoleBuffer* console, UINT id) {
    console->timer_ids[id - 1] = SetTimer(window, id, kTimerPeriod, nullptr);
}

void stop_timer(HWND window, ConsoleBuffer* console, UINT id) {
    if (console->timer_ids[id - 1]) KillTimer(window, id);
    console->timer_ids[id - 1] = 0;
}

void on_mouse_move(HWND window, ConsoleBuffer* console, int x, int y) {
    {
        std::lock_guard<std::mutex> guard(console->lock);
        if (!console->selecting) {
            console->selecting = true;
            console->sel_anchor_column = console->sel_end_column = console_view_column_at(console, x);
            console->sel_anchor_row = console->sel_end_row = console_view_row_at(console, y);
        }
        if (x >= 0 && x <= console->client_width) console->sel_end_column = console_view_column_at(console, x);
        if (y >= 0 && y < console->client_height) console->sel_end_row = console_view_row_at(console, y);
    }
    if (x < 0) {
        start_timer(window, console, kTimerLeft);
        stop_timer(window, console, kTimerRight);
    } else {
        if (x <= console->client_width) stop_timer(window, console, kTimerRight);
        else start_timer(window, console, kTimerRight);
        stop_timer(window, console, kTimerLeft);
    }
    if (y < 0) {
        start_timer(window, console, kTimerUp);
        stop_timer(window, console, kTimerDown);
    } else {
        if (y < console->client_height) stop_timer(window, console, kTimerDown);
        else start_timer(window, console, kTimerDown);
        stop_timer(window, console, kTimerUp);
    }
    repaint(window);
}

void on_timer(HWND window, ConsoleBuffer* console, UINT_PTR id) {
    {
        std::lock_guard<std::mutex> guard(console->lock);
        switch (id) {
        case kTimerLeft:
            if (console->sel_end_column > 0) console->sel_end_column -= 1;
            console->left_column = std::min(console->left_column, std::max(0, console->sel_end_column));
            break;
        case kTimerRight:
            if (console->sel_end_column < console_view_widest_locked(console)) console->sel_end_column += 1;
            console->left_column = std::max(console->left_column, console->sel_end_column - console->visible_columns);
            break;
        case kTimerUp:
            if (console->sel_end_row > 0) console->sel_end_row -= 1;
            console->top_row = std::min(console->top_row, std::max(0, console->sel_end_row));
            break;
        case kTimerDown:
            if (console->sel_end_row < console->row_count()) console->sel_end_row += 1;
            console->top_row = std::max(console->top_row, console->sel_end_row - console->visible_rows);
            console->top_row = std::max(0, std::min(console->top_row, console->row_count() - console->visible_rows));
            break;
        default: return;
        }
    }
    update_scrollbars(window, console);
    repaint(window);
}

void on_left_down(HWND window, ConsoleBuffer* console) {
    bool had;
    {
        std::lock_guard<std::mutex> guard(console->lock);
        had = console->selecting;
        console->selecting = false;
    }
    if (had) repaint(window);
    SetCapture(window);
}

void on_left_up(HWND window, ConsoleBuffer* console, int x, int y) {
    ReleaseCapture();
    for (UINT id = kTimerLeft; id <= kTimerDown; ++id) stop_timer(window, console, id);
    if (console->selecting || worker_running()) return;
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    if (console_click_place_cursor(console, x, y)) input_place_caret(console);
}

// ---- paste ------------------------------------------------------------------------

struct PasteJob {
    ConsoleBuffer* console;
    bool from_clipboard;
    std::string text;
};

DWORD WINAPI paste_thread(LPVOID arg) {
    auto* job = static_cast<PasteJob*>(arg);
    paste_thread_id.store(GetCurrentThreadId());
    if (job->from_clipboard) {
        if (!OpenClipboard(g_app.console)) {
            paste_thread_id.store(0);
            delete job;
            return 0;
        }
        UINT format = 0, chosen = 0;
        while ((format = EnumClipboardFormats(format)) != 0) {
            if (format == CF_OEMTEXT) chosen = CF_OEMTEXT;
            if (format == CF_TEXT && chosen == 0) chosen = CF_TEXT;
        }
        HANDLE data = chosen ? GetClipboardData(chosen) : nullptr;
        bool got = false;
        if (data) {
            if (const char* text = static_cast<const char*>(GlobalLock(data))) {
                job->text.assign(text, strnlen(text, GlobalSize(data)));
                GlobalUnlock(data);
                got = true;
            }
        }
        CloseClipboard();
        if (!got) last_error_box();
    }
    console_feed_text(job->console, job->text);
    delete job;
    paste_thread_id.store(0);
    return 0;
}

HANDLE start_paste(ConsoleBuffer* console, bool from_clipboard, std::string text) {
    if (paste_thread_id.load() != 0) return nullptr;
    auto* job = new PasteJob{console, from_clipboard, std::move(text)};
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, paste_thread, job, CREATE_SUSPENDED, &id);
    if (!thread) {
        delete job;
        last_error_box();
        return nullptr;
    }
    // Marked running before it starts, so that a second request is refused at once.
    paste_thread_id.store(id);
    ResumeThread(thread);
    return thread;
}

void on_right_down(ConsoleBuffer* console) {
    if (!console->selecting || paste_thread_id.load() != 0) return;
    const std::string text = console_selection_text(console);
    if (HANDLE thread = start_paste(console, false, text + "\n")) CloseHandle(thread);
}

// ---- text for screen readers and tests -------------------------------------------

std::string joined_rows(const ConsoleBuffer* console) {
    std::string text;
    const std::vector<std::string> rows = console_rows_snapshot(console);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i) text += "\r\n";
        text += rows[i];
    }
    return text;
}

LRESULT on_get_text(ConsoleBuffer* console, WPARAM size, LPARAM buffer) {
    char* out = reinterpret_cast<char*>(buffer);
    if (!out || size == 0) return 0;
    const std::string text = joined_rows(console);
    const size_t n = std::min(text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return static_cast<LRESULT>(n);
}

LRESULT CALLBACK console_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CREATE) return on_create(window, reinterpret_cast<CREATESTRUCTA*>(lparam));
    ConsoleBuffer* console = buffer_of(window);
    if (!console) return DefWindowProcA(window, message, wparam, lparam);
    const int x = static_cast<short>(LOWORD(lparam)), y = static_cast<short>(HIWORD(lparam));
    switch (message) {
    case WM_SIZE: on_size(window, console); return 0;
    case WM_SETFOCUS: on_focus(window, console, true); return 0;
    case WM_KILLFOCUS: on_focus(window, console, false); return 0;
    case WM_MOUSEACTIVATE: SetFocus(window); return MA_ACTIVATE;
    case WM_PAINT: on_paint(window, console); return 0;
    case kMsgPaintCount: return static_cast<LRESULT>(g_paint_count);
    case WM_ERASEBKGND: return 1;
    case WM_VSCROLL: on_scroll(window, console, wparam, true); return 0;
    case WM_HSCROLL: on_scroll(window, console, wparam, false); return 0;
    case WM_MOUSEWHEEL:
        console_view_scroll_rows(console, -3 * GET_WHEEL_DELTA_WPARAM(wparam) / WHEEL_DELTA);
        update_scrollbars(window, console);
        repaint(window);
        return 0;
    case WM_KEYDOWN: on_key(window, console, wparam); return 0;
    case WM_CHAR: on_char(console, wparam); return 0;
    case kMsgHintAccept:
        if (!worker_running()) {
            std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
            autocomplete_select(console, static_cast<int>(wparam));
            autocomplete_accept(console);
        }
        SetFocus(window);
        return 0;
    case kMsgHintSelect:
        // The keys stay with the console, as while the list is only shown.
        autocomplete_select(console, static_cast<int>(wparam));
        SetFocus(window);
        return 0;
    case kMsgHintClose: autocomplete_close(console); return 0;
    case WM_LBUTTONDOWN: on_left_down(window, console); return 0;
    case WM_MOUSEMOVE:
        if (wparam & MK_LBUTTON) on_mouse_move(window, console, x, y);
        return 0;
    case WM_LBUTTONUP: on_left_up(window, console, x, y); return 0;
    case WM_RBUTTONDOWN: on_right_down(console); return 0;
    case WM_TIMER: on_timer(window, console, wparam); return 0;
    case WM_GETTEXT: return on_get_text(console, wparam, lparam);
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(joined_rows(console).size());
    case kMsgConsoleChanged:
        if (g_console_repaint_flags.exchange(0) & 2) update_scrollbars(window, console);
        repaint(window);
        return 0;
    default: return DefWindowProcA(window, message, wparam, lparam);
    }
}

}  // namespace

bool console_window_register(HINSTANCE instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = console_proc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    if (RegisterClassExA(&wc)) return true;
    last_error_box();
    return false;
}

HWND console_window_create(HWND parent, ConsoleBuffer* console) {
    HWND window = CreateWindowExA(WS_EX_CLIENTEDGE, kClassName, "", WS_CHILD | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE,
                                  0, 0, 100, 100, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_CONSOLE)),
                                  g_app.instance, console);
    if (!window) last_error_box();
    return window;
}

void console_copy_selection(ConsoleBuffer* console) {
    if (!console->selecting) return;
    const std::string text = text_to_crlf(console_selection_text(console));
    if (!OpenClipboard(g_app.console)) return;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    bool ok = false;
    if (memory) {
        if (char* p = static_cast<char*>(GlobalLock(memory))) {
            std::memcpy(p, text.c_str(), text.size() + 1);
            GlobalUnlock(memory);
            ok = SetClipboardData(CF_TEXT, memory) != nullptr;
        }
        if (!ok) GlobalFree(memory);
    }
    CloseClipboard();
    if (!ok) last_error_box();
}

HANDLE console_paste(ConsoleBuffer* console) { return start_paste(console, true, std::string()); }
