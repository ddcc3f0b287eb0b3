// Win32Frontend: answers the core's requests on the GUI thread. Calls made from a worker
// are posted to the main or console window; calls made on the GUI thread act at once.
#include "ui/win32/win32_frontend.h"

#include <cstring>

#include "console/console_buffer.h"
#include "ui/win32/win32_app.h"

AppWindows g_app;
std::atomic<int> g_console_repaint_flags{0};

namespace {

bool on_gui_thread() { return GetCurrentThreadId() == gui_thread_id.load(); }

void post_or_send(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
    if (!g_app.main) return;
    if (on_gui_thread())
        SendMessageA(g_app.main, message, wparam, lparam);
    else
        PostMessageA(g_app.main, message, wparam, lparam);
}

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
    const size_t n = std::strlen(text);
    char* copy = new char[n + 1];
    std::memcpy(copy, text, n + 1);
    if (!PostMessageA(g_app.main, kMsgSetTitle, 0, reinterpret_cast<LPARAM>(copy))) delete[] copy;
}

void Win32Frontend::set_wait_cursor(bool on) { post_or_send(kMsgWaitCursor, on ? 1 : 0); }
void Win32Frontend::toolbar_rebuild() { post_or_send(kMsgToolbarRebuild); }

// The hint popup, the analyzer's plan tree and the schema browser's pane belong to
// windows this front end does not have yet; their requests are dropped.
void Win32Frontend::hint_open() {}
void Win32Frontend::hint_add(const char*) {}
void Win32Frontend::hint_select(int) {}
void Win32Frontend::hint_close() {}
// The SQL analyzer window is not part of this version: nothing is explained.
bool Win32Frontend::analyzer_open(const char*) { return false; }
void Win32Frontend::plan_clear() {}
std::uintptr_t Win32Frontend::plan_insert(std::uintptr_t, const char*) { return 0; }
void Win32Frontend::plan_message(const char*) {}
void Win32Frontend::schema_append(const char*) {}

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
