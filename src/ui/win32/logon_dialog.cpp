// The Logon dialog (user, password, database, connect mode, with the recent user names
// and databases offered in its drop-down lists) and the favourites window. The connect
// itself is the database layer's, reached through the session hooks.

#include "command/statement.h"
#include "console/console_buffer.h"
#include "settings/options.h"
#include "command/history_file.h"
#include "oci/demo_database.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/session_hooks.h"
#include "ui/win32/win32_app.h"

namespace {

// The line that runs the demo script after a logon created the demo database; typed once
// the program accepts input (at start-up only after the dialog has closed).
std::string g_pending_line;

void fill_combo(HWND dialog, int id, const char* value_name) {
    const std::vector<std::string> entries = recent_list_load(value_name);
    for (const std::string& entry : entries)
        SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    if (!entries.empty()) SetDlgItemTextA(dialog, id, entries.front().c_str());
}

// On the embedded engine the database list offers the demo database, chosen at once
// when no database has been used yet (a fresh install).
void offer_demo_database(HWND dialog) {
    if (!demo_database_offered()) return;
    const LRESULT found = SendDlgItemMessageA(dialog, IDC_LOGON_DATABASE, CB_FINDSTRINGEXACT,
                                              static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(kDemoDatabaseName));
    if (found == CB_ERR)
        SendDlgItemMessageA(dialog, IDC_LOGON_DATABASE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kDemoDatabaseName));
    if (GetWindowTextLengthA(GetDlgItem(dialog, IDC_LOGON_DATABASE)) == 0)
        SetDlgItemTextA(dialog, IDC_LOGON_DATABASE, kDemoDatabaseName);
}

void logon_ok(HWND dialog, ConsoleBuffer* console) {
    char user[100] = {}, password[100] = {}, database[100] = {}, mode[10] = {};
    GetDlgItemTextA(dialog, IDC_LOGON_USER, user, sizeof user);
    GetDlgItemTextA(dialog, IDC_LOGON_PASSWORD, password, sizeof password);
    GetDlgItemTextA(dialog, IDC_LOGON_DATABASE, database, sizeof database);
    GetDlgItemTextA(dialog, IDC_LOGON_MODE, mode, sizeof mode);
    const int result = session_connect(console, user, password, database, mode);
    SecureZeroMemory(password, sizeof password);
    if (result == 0) EndDialog(dialog, 1);
    // A session open now (also after a connect that failed late) starts on a fresh prompt
    // with the stored options applied to it.
    if (session_is_open()) {
        std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
        if (result == 0) logon_prepare_first_use(database);
        finish(console, false, false);
        options_load(console);
        option_apply_directory(console);
    }
}

INT_PTR CALLBACK logon_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        // The fields hold what the connect takes (99 characters each); longer input is
        // refused as it is typed rather than cut afterwards.
        SendDlgItemMessageA(dialog, IDC_LOGON_USER, CB_LIMITTEXT, 99, 0);
        SendDlgItemMessageA(dialog, IDC_LOGON_DATABASE, CB_LIMITTEXT, 99, 0);
        SendDlgItemMessageA(dialog, IDC_LOGON_PASSWORD, EM_LIMITTEXT, 99, 0);
        fill_combo(dialog, IDC_LOGON_USER, "last_usernames");
        fill_combo(dialog, IDC_LOGON_DATABASE, "last_databases");
        offer_demo_database(dialog);
        SetFocus(dialog);
        for (const char* mode : {"NORMAL", "SYSOPER", "SYSDBA"})
            SendDlgItemMessageA(dialog, IDC_LOGON_MODE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(mode));
        SendDlgItemMessageA(dialog, IDC_LOGON_MODE, CB_SETCURSEL, 0, 0);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_LOGON_OK:
        case IDOK:
            logon_ok(dialog, reinterpret_cast<ConsoleBuffer*>(GetWindowLongPtrA(dialog, DWLP_USER)));
            return TRUE;
        case IDC_LOGON_CANCEL:
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
        default: return FALSE;
        }
    case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
    default: return FALSE;
    }
}

// ---- favourites window ------------------------------------------------------------

struct FavouritesFonts {
    HFONT small = nullptr;
    HFONT fixed = nullptr;
};

HFONT make_font(HWND window, int points, const char* face) {
    HDC dc = GetDC(window);
    const int height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(window, dc);
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
}

LRESULT favourites_create(HWND window) {
    auto* fonts = new FavouritesFonts;
    fonts->small = make_font(window, 8, "MS Sans Serif");
    fonts->fixed = make_font(window, 10, "Courier New");
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(fonts));
    HWND label = CreateWindowExA(0, "STATIC", "Favourites", WS_CHILD | WS_VISIBLE, 10, 10, 100, 17, window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_FAVOURITES_LABEL)), g_app.instance,
                                 nullptr);
    HWND tree = CreateWindowExA(0, WC_TREEVIEWA, "",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | TVS_HASLINES |
                                    TVS_LINESATROOT,
                                10, 30, 100, 300, window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_FAVOURITES_TREE)), g_app.instance,
                                nullptr);
    if (!label || !tree) last_error_box();
    if (label) SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(fonts->small), TRUE);
    if (tree) SendMessageA(tree, WM_SETFONT, reinterpret_cast<WPARAM>(fonts->small), TRUE);
    return 0;
}

LRESULT CALLBACK favourites_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE: return favourites_create(window);
    case WM_SIZE: return 0;
    case WM_CLOSE: {
        auto* fonts = reinterpret_cast<FavouritesFonts*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        DestroyWindow(window);
        if (fonts) {
            DeleteObject(fonts->small);
            DeleteObject(fonts->fixed);
            delete fonts;
        }
        return 0;
    }
    default: return DefWindowProcA(window, message, wparam, lparam);
    }
}

}  // namespace

int logon_dialog(HWND owner, ConsoleBuffer* console) {
    const INT_PTR result = DialogBoxParamA(g_app.instance, MAKEINTRESOURCEA(IDD_LOGON), owner, logon_proc,
                                           reinterpret_cast<LPARAM>(console));
    return result == 0 ? 0 : 1;
}

void logon_prepare_first_use(const std::string& database) {
    const DemoFirstUse demo = demo_database_first_use(database);
    if (!demo.note.empty()) console_print("%s", demo.note.c_str());
    g_pending_line = demo.script_line;
}

void logon_run_pending(ConsoleBuffer* console) {
    if (g_pending_line.empty()) return;
    const std::string line = g_pending_line;
    g_pending_line.clear();
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    input_type_text(console, line.c_str());
    input_enter(console);
}

HWND favourites_open(HWND owner) {
    if (busy_thread_id.load() != 0) return nullptr;
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = favourites_proc;
        wc.hInstance = g_app.instance;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.hIcon = LoadIconA(g_app.instance, MAKEINTRESOURCEA(IDI_APP));
        wc.hIconSm = static_cast<HICON>(LoadImageA(g_app.instance, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, 16, 16, 0));
        wc.lpszClassName = "FavouritesClass";
        if (!RegisterClassExA(&wc)) {
            last_error_box();
            return nullptr;
        }
        registered = true;
    }
    HWND window = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT | WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE,
                                  "FavouritesClass", "Favourites", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 500, 500,
                                  owner, nullptr, g_app.instance, nullptr);
    if (!window) {
        last_error_box();
        return nullptr;
    }
    ShowWindow(window, SW_SHOW);
    return window;
}
