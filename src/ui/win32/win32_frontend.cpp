// Win32Frontend: answers the core's requests on the GUI thread. Calls made from a worker
// are posted to the main or console window; calls made on the GUI thread act at once.
#include "ui/win32/win32_frontend.h"

#include <cstring>
#include <mutex>

#include "console/console_buffer.h"
#include "ui/win32/sql_analyzer.h"
#include "ui/win32/win32_app.h"

AppWindows g_app;
std::atomic<int> g_console_repaint_flags{0};

namespace {

bool on_gui_thread() { return GetCurrentThreadId() == gui_thread_id.load(); }

bool post_or_send(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
    if (!g_app.main) return false;
    if (on_gui_thread()) {
        SendMessageA(g_app.main, message, wparam, lparam);
        return true;
    }
    return PostMessageA(g_app.main, message, wparam, lparam) != 0;
}

// A text request: the handler frees the copy, or it is freed here when nobody took it.
void post_text(UINT message, const char* text) {
    const size_t n = std::strlen(text);
    char* copy = new char[n + 1];
    std::memcpy(copy, text, n + 1);
    if (!post_or_send(message, 0, reinterpret_cast<LPARAM>(copy))) delete[] copy;
}

// Ids of the plan steps given to the core; the analyzer maps them to its tree items.
std::atomic<std::uintptr_t> g_plan_next_id{1};

}  // namespace

void Win32Frontend::console_changed(bool scrollbars) {
    const int flags = 1 | (scrollbars ? 2 : 0);
    const int before = g_console_repaint_flags.fetch_or(flags);
    if (before == 0 && g_app.console) PostMessageA(g_app.console, kMsgConsoleChanged, 0, 0);
}

void Win32Frontend::pump_until_line_entered(const std::atomic<int>& mode) {
    MSG msg;
    while (mode.load() != LineInputNone) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            // Keep the quit for the outer loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (got < 0) return;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void Win32Frontend::request_quit() {
    if (on_gui_thread())
        PostQuitMessage(0);
    else if (g_app.main)
        PostMessageA(g_app.main, kMsgQuit, 0, 0);
}

void Win32Frontend::result_list_clear() { post_or_send(kMsgResultClear); }
void Win32Frontend::result_list_setup() { post_or_send(kMsgResultSetup); }

void Win32Frontend::error_box(const char* text) {
    MessageBoxA(on_gui_thread() ? g_app.main : nullptr, text, nullptr, MB_OK | MB_ICONSTOP);
}

void Win32Frontend::set_title(const char* text) {
    if (!g_app.main) return;
    if (on_gui_thread()) {
        SetWindowTextA(g_app.main, text);
        return;
    }
    post_text(kMsgSetTitle, text);
}

void Win32Frontend::set_wait_cursor(bool on) { post_or_send(kMsgWaitCursor, on ? 1 : 0); }
void Win32Frontend::toolbar_rebuild() { post_or_send(kMsgToolbarRebuild); }

// ---- the completion list --------------------------------------------------------
// A popup of class HintClass under the console's last row holding the list box HINTLIST.
// The core keeps the entries in order and the selection; this only shows them, and tells
// the console window when the user clicks or double-clicks an entry or the list gives up.

namespace {

constexpr int kHintListId = 1;
HWND g_hint_popup = nullptr;
HWND g_hint_list = nullptr;

LRESULT CALLBACK hint_popup_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND && LOWORD(wparam) == kHintListId && g_app.console) {
        // A click selects the entry under the mouse in the list itself; the core follows,
        // so that a double click inserts that entry, not the one chosen with the keys.
        const LRESULT clicked = SendMessageA(reinterpret_cast<HWND>(lparam), LB_GETCURSEL, 0, 0);
        if (HIWORD(wparam) == LBN_SELCHANGE && clicked >= 0)
            PostMessageA(g_app.console, kMsgHintSelect, static_cast<WPARAM>(clicked), 0);
        if (HIWORD(wparam) == LBN_DBLCLK && clicked >= 0)
            PostMessageA(g_app.console, kMsgHintAccept, static_cast<WPARAM>(clicked), 0);
        if (HIWORD(wparam) == LBN_SELCANCEL) PostMessageA(g_app.console, kMsgHintClose, 0, 0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

bool hint_class_registered() {
    static bool registered = [] {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = hint_popup_proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.cbWndExtra = sizeof(void*);
        wc.lpszClassName = "HintClass";
        return RegisterClassExA(&wc) != 0;
    }();
    return registered;
}

// Sizes the popup to its widest entry and at most ten rows, under the caret column of
// the console's last row, and shows it without taking the focus from the console.
void hint_show() {
    if (!g_hint_popup || !g_hint_list || !g_app.console || !g_console) return;
    const int count = static_cast<int>(SendMessageA(g_hint_list, LB_GETCOUNT, 0, 0));
    if (count <= 0) return;
    HDC dc = GetDC(g_hint_list);
    HGDIOBJ old_font = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(g_hint_list, WM_GETFONT, 0, 0)));
    int widest = 0;
    char text[256];
    for (int i = 0; i < count; ++i) {
        if (SendMessageA(g_hint_list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0) >= static_cast<LRESULT>(sizeof text)) continue;
        const int length = static_cast<int>(SendMessageA(g_hint_list, LB_GETTEXT, static_cast<WPARAM>(i),
                                                         reinterpret_cast<LPARAM>(text)));
        SIZE size = {};
        if (length > 0 && GetTextExtentPoint32A(dc, text, length, &size) && size.cx > widest) widest = size.cx;
    }
    SelectObject(dc, old_font);
    ReleaseDC(g_hint_list, dc);
    const int item_height = static_cast<int>(SendMessageA(g_hint_list, LB_GETITEMHEIGHT, 0, 0));
    const int shown = count < 10 ? count : 10;
    RECT console_rect = {};
    GetWindowRect(g_app.console, &console_rect);
    int x = 0, y = 0;
    {
        std::lock_guard<std::mutex> guard(g_console->lock);
        x = (g_console->caret_column - g_console->left_column) * g_console->char_width + console_rect.left + 2;
        y = (g_console->row_count() - g_console->top_row) * g_console->char_height + console_rect.top + 4;
    }
    const int width = widest + 20 + GetSystemMetrics(SM_CXVSCROLL);
    const int height = shown * item_height + 2 + 2 * GetSystemMetrics(SM_CYBORDER);
    SetWindowPos(g_hint_popup, HWND_TOP, x, y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    MoveWindow(g_hint_list, 0, 0, width - 2 * GetSystemMetrics(SM_CXBORDER), height - 2 * GetSystemMetrics(SM_CYBORDER),
               TRUE);
}

}  // namespace

void Win32Frontend::hint_open() {
    hint_close();
    if (!g_app.console || !hint_class_registered()) return;
    HWND owner = GetAncestor(g_app.console, GA_ROOT);
    g_hint_popup = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, "HintClass", "", WS_POPUP | WS_BORDER, 0, 0, 100,
                                   40, owner, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!g_hint_popup) return;
    g_hint_list = CreateWindowExA(0, "LISTBOX", "HINTLIST", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY, 0, 0, 100, 40,
                                  g_hint_popup, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kHintListId)),
                                  GetModuleHandleA(nullptr), nullptr);
    if (HFONT font = reinterpret_cast<HFONT>(SendMessageA(g_app.console, WM_GETFONT, 0, 0)))
        SendMessageA(g_hint_list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void Win32Frontend::hint_add(const char* entry) {
    if (g_hint_list) SendMessageA(g_hint_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
}

void Win32Frontend::hint_select(int index) {
    if (!g_hint_list) return;
    SendMessageA(g_hint_list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    if (!IsWindowVisible(g_hint_popup)) hint_show();
}

void Win32Frontend::hint_close() {
    if (g_hint_popup) DestroyWindow(g_hint_popup);
    g_hint_popup = nullptr;
    g_hint_list = nullptr;
}
// ---- the SQL analyzer --------------------------------------------------------------
// Requests go to the main window: at once on the GUI thread, posted from any other (a
// script's worker, the paste thread), so that they are handled in the order made and no
// thread waits for the GUI thread.

bool Win32Frontend::analyzer_open(const char* statement) {
    if (!g_app.main) return false;
    post_text(kMsgAnalyzerShow, statement);
    return true;
}

void Win32Frontend::plan_clear() {
    g_plan_next_id.store(1);
    post_or_send(kMsgPlanClear);
}

std::uintptr_t Win32Frontend::plan_insert(std::uintptr_t parent, const char* text) {
    const std::uintptr_t id = g_plan_next_id.fetch_add(1);
    auto* item = new PlanItemRequest{id, parent, text};
    if (!post_or_send(kMsgPlanInsert, 0, reinterpret_cast<LPARAM>(item))) delete item;
    return id;
}

void Win32Frontend::plan_message(const char* text) { post_text(kMsgPlanMessage, text); }
void Win32Frontend::schema_append(void*, const char*) {}

bool Win32Frontend::clipboard_set(const std::string& text) {
    if (!OpenClipboard(g_app.main)) return false;
    EmptyClipboard();
    std::string crlf;
    for (char c : text) {
        if (c == '\n' && (crlf.empty() || crlf.back() != '\r')) crlf += '\r';
        crlf += c;
    }
    bool ok = false;
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, crlf.size() + 1)) {
        if (char* p = static_cast<char*>(GlobalLock(memory))) {
            std::memcpy(p, crlf.c_str(), crlf.size() + 1);
            GlobalUnlock(memory);
            ok = SetClipboardData(CF_TEXT, memory) != nullptr;
        }
        if (!ok) GlobalFree(memory);
    }
    CloseClipboard();
    return ok;
}

bool Win32Frontend::clipboard_get(std::string* text) {
    if (!OpenClipboard(g_app.main)) return false;
    bool ok = false;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(data))) {
            text->assign(p, strnlen(p, GlobalSize(data)));
            GlobalUnlock(data);
            ok = true;
        }
    }
    CloseClipboard();
    return ok;
}
