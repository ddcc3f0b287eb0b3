// The schema browser window (class "SchemaBrowserClass"): three drop-down lists, Schema,
// Object and Name, filled by the core's dictionary lists (oci/oci_schema.h), and the DDL pane
// (an ordinary editable edit control) written by the core's DDL writers. Choosing in a
// list refills the lists to its right and rewrites the pane. The current owner, type and
// name are always read back from the lists; the window keeps no other state. Every step
// that reaches the database is ignored while a statement worker runs, so the browser and
// a worker never use the session at the same time.
#include "ui/win32/schema_browser.h"

#include <functional>
#include <string>

#include "command/history_file.h"
#include "command/statement.h"
#include "console/console_buffer.h"
#include "oci/oci_schema.h"
#include "oci/oci_statements.h"
#include "ui/win32/resource_ids.h"

namespace {

constexpr const char* kClassName = "SchemaBrowserClass";
constexpr int kDropDownHeight = 300;  // the lists' height when opened

// The controls in the order they are created, with their places before the first layout.
struct ControlSpec {
    int id;
    const char* window_class;
    const char* text;
    int x, y, width, height;
    DWORD ex_style;
    DWORD style;
    bool pane_font;
};

constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP;
constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP;
constexpr DWORD kPaneStyle = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_WANTRETURN |
                             WS_VSCROLL | WS_HSCROLL | WS_TABSTOP;

constexpr ControlSpec kControls[] = {
    {IDC_SB_SCHEMA_LABEL, "STATIC", "Schema", 10, 10, 100, 17, 0, kLabelStyle, false},
    {IDC_SB_SCHEMA, "COMBOBOX", "", 10, 30, 100, kDropDownHeight, 0, kListStyle, false},
    {IDC_SB_OBJECT_LABEL, "STATIC", "Object", 120, 10, 100, 17, 0, kLabelStyle, false},
    {IDC_SB_OBJECT, "COMBOBOX", "", 120, 30, 100, kDropDownHeight, 0, kListStyle, false},
    {IDC_SB_NAME_LABEL, "STATIC", "Name", 230, 10, 100, 17, 0, kLabelStyle, false},
    {IDC_SB_NAME, "COMBOBOX", "", 230, 30, 100, kDropDownHeight, 0, kListStyle, false},
    {IDC_SB_PANE, "EDIT", "", 10, 60, 440, 400, WS_EX_CLIENTEDGE, kPaneStyle, true},
};

// One pair of fonts per process, made when a browser is created and deleted when it is
// closed: the labels' and lists' font and the pane's fixed-pitch font.
HFONT g_list_font = nullptr;
HFONT g_pane_font = nullptr;
// The open browser, from its creation (before the console records it) to its end.
HWND g_browser = nullptr;

bool worker_running() {
    return busy_thread_id.load() != 0;
}

HFONT make_font(HWND window, int points, int family, const char* face) {
    HDC dc = GetDC(window);
    const int height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(window, dc);
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, family, face);
}

void delete_fonts() {
    if (g_list_font) DeleteObject(g_list_font);
    if (g_pane_font) DeleteObject(g_pane_font);
    g_list_font = g_pane_font = nullptr;
}

HWND pane_of(HWND browser) {
    return GetDlgItem(browser, IDC_SB_PANE);
}

// The wait cursor while one step runs; the cursor before it comes back at the end.
class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

// The selected entry of a list, or "" when none is selected.
std::string selected_text(HWND browser, int id) {
    HWND list = GetDlgItem(browser, id);
    const LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return std::string();
    const LRESULT length = SendMessageA(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR || length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT got =
        SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got == CB_ERR ? 0 : static_cast<size_t>(got));
    return text;
}

using NameSink = std::function<void(const char*)>;

// Empties a list and, when the lists to its left have a choice, fills it with the names
// the core's list query hands over; a list right of an empty choice stays empty.
void refill(HWND browser, int id, bool have_choice, const std::function<void(const NameSink&)>& list_names) {
    HWND list = GetDlgItem(browser, id);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    if (!have_choice) return;
    list_names([list](const char* name) { SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name)); });
}

void show_ddl(HWND browser) {
    WaitCursor wait;
    const std::string owner = selected_text(browser, IDC_SB_SCHEMA);
    const std::string type = selected_text(browser, IDC_SB_OBJECT);
    const std::string name = selected_text(browser, IDC_SB_NAME);
    HWND pane = pane_of(browser);
    ShowWindow(pane, SW_HIDE);
    SetWindowTextA(pane, "");
    // The writer's status is not needed: its failures are in the pane already.
    if (!name.empty()) schema_show_ddl(browser, owner.c_str(), type.c_str(), name.c_str());
    SendMessageA(pane, EM_SETSEL, 0, 0);
    SendMessageA(pane, EM_SCROLLCARET, 0, 0);
    ShowWindow(pane, SW_SHOW);
}

void fill_names(HWND browser) {
    {
        WaitCursor wait;
        const std::string owner = selected_text(browser, IDC_SB_SCHEMA);
        const std::string type = selected_text(browser, IDC_SB_OBJECT);
        refill(browser, IDC_SB_NAME, !owner.empty() && !type.empty(),
               [&](const NameSink& add) { schema_list_names(owner.c_str(), type.c_str(), add); });
        SendMessageA(GetDlgItem(browser, IDC_SB_NAME), CB_SETCURSEL, 0, 0);
    }
    show_ddl(browser);
}

void fill_objects(HWND browser) {
    {
        WaitCursor wait;
        const std::string owner = selected_text(browser, IDC_SB_SCHEMA);
        refill(browser, IDC_SB_OBJECT, !owner.empty(),
               [&](const NameSink& add) { schema_list_types(owner.c_str(), add); });
        SendMessageA(GetDlgItem(browser, IDC_SB_OBJECT), CB_SETCURSEL, 0, 0);
    }
    fill_names(browser);
}

// The schemas that own visible objects, the session user's selected when it is one.
void fill_schemas(HWND browser) {
    {
        WaitCursor wait;
        refill(browser, IDC_SB_SCHEMA, true, schema_list_owners);
        const std::string user = current_user_name();
        HWND list = GetDlgItem(browser, IDC_SB_SCHEMA);
        const LRESULT found = user.empty() ? CB_ERR
                                           : SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                          reinterpret_cast<LPARAM>(user.c_str()));
        SendMessageA(list, CB_SETCURSEL, found == CB_ERR ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(found), 0);
    }
    fill_objects(browser);
}

// ---- window messages ------------------------------------------------------------------

LRESULT on_create(HWND browser) {
    g_browser = browser;
    g_list_font = make_font(browser, 8, FF_SWISS, "MS Sans Serif");
    g_pane_font = make_font(browser, 10, FF_MODERN, "Courier New");
    for (const ControlSpec& spec : kControls) {
        HWND control = CreateWindowExA(spec.ex_style, spec.window_class, spec.text, spec.style, spec.x, spec.y,
                                       spec.width, spec.height, browser,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), g_app.instance, nullptr);
        if (!control) {
            last_error_box();
            break;
        }
        if (HFONT font = spec.pane_font ? g_pane_font : g_list_font)
            SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    SendMessageA(pane_of(browser), EM_SETLIMITTEXT, 0, 0);
    fill_schemas(browser);
    return 0;
}

// Three columns of width C = (W - 10) / 3 - 10 for the lists under their labels, the pane
// below them over the rest of the client area. The lists keep their opened height: the
// height given to a drop-down list is that of its opened list, not of its selection field.
void layout(HWND browser, int width, int height) {
    const int column = (width - 10) / 3 - 10;
    const int label_ids[] = {IDC_SB_SCHEMA_LABEL, IDC_SB_OBJECT_LABEL, IDC_SB_NAME_LABEL};
    const int list_ids[] = {IDC_SB_SCHEMA, IDC_SB_OBJECT, IDC_SB_NAME};
    for (int i = 0; i < 3; ++i) {
        const int x = 10 + i * (column + 10);
        MoveWindow(GetDlgItem(browser, label_ids[i]), x, 10, column, 17, TRUE);
        MoveWindow(GetDlgItem(browser, list_ids[i]), x, 27, column, kDropDownHeight, TRUE);
    }
    MoveWindow(pane_of(browser), 10, 60, width - 20, height - 70, TRUE);
    // The window does not clip its children: its background, erased after a control
    // painted itself at a new place, would hide that control until its next paint.
    RedrawWindow(browser, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void on_command(HWND browser, int id, int code) {
    if (id == IDC_SELECT_ALL) {
        SendMessageA(pane_of(browser), EM_SETSEL, 0, -1);
        return;
    }
    if (code != CBN_SELCHANGE || worker_running()) return;
    switch (id) {
    case IDC_SB_SCHEMA:
        fill_objects(browser);
        break;
    case IDC_SB_OBJECT:
        fill_names(browser);
        break;
    case IDC_SB_NAME:
        show_ddl(browser);
        break;
    default:
        break;
    }
}

void on_destroy(HWND browser) {
    delete_fonts();
    if (g_browser == browser) g_browser = nullptr;
    if (g_app.buffer && g_app.buffer->schema_window == browser) g_app.buffer->schema_window = nullptr;
}

LRESULT CALLBACK browser_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        return on_create(window);
    case WM_SIZE:
        layout(window, LOWORD(lparam), HIWORD(lparam));
        return 0;
    case WM_COMMAND:
        on_command(window, LOWORD(wparam), HIWORD(wparam));
        break;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        on_destroy(window);
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

bool register_class() {
    static bool registered = false;
    if (registered) return true;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = browser_proc;
    wc.hInstance = g_app.instance;
    wc.hIcon = LoadIconA(g_app.instance, MAKEINTRESOURCEA(IDI_APP));
    wc.hIconSm = static_cast<HICON>(LoadImageA(g_app.instance, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, 16, 16, 0));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_3DFACE + 1));
    wc.lpszClassName = kClassName;
    registered = RegisterClassExA(&wc) != 0;
    return registered;
}

}  // namespace

HWND schema_browser_open(HWND parent) {
    if (worker_running()) return nullptr;
    if (!register_class()) last_error_box();
    HWND browser = CreateWindowExA(
        WS_EX_APPWINDOW | WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE, kClassName, "Schema Browser",
        WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_VISIBLE, 0, 0, 500,
        500, parent, nullptr, g_app.instance, nullptr);
    if (!browser) {
        last_error_box();
        return nullptr;
    }
    ShowWindow(browser, SW_SHOW);
    return browser;
}

void schema_browser_append(HWND window, const char* text) {
    if (!window) window = g_browser;
    if (!window || window != g_browser || !text) return;
    HWND pane = pane_of(window);
    auto replace = [pane](const std::string& piece) {
        // Always at the end, whatever the selection: the pieces of one text stay in order.
        const int end = GetWindowTextLengthA(pane);
        SendMessageA(pane, EM_SETSEL, static_cast<WPARAM>(end), static_cast<LPARAM>(end));
        SendMessageA(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
    };
    const char* start = text;
    for (const char* p = text; *p; ++p) {
        if (*p != '\n') continue;
        // A writer's own CR before the line feed is not doubled.
        const char* end = p > start && p[-1] == '\r' ? p - 1 : p;
        replace(std::string(start, end));
        replace("\r\n");
        start = p + 1;
    }
    if (*start) replace(start);
}

bool schema_browser_translate(MSG* msg) {
    if (!g_app.buffer || !g_app.accel_schema) return false;
    HWND browser = static_cast<HWND>(g_app.buffer->schema_window);
    if (!browser || GetFocus() != pane_of(browser)) return false;
    return TranslateAcceleratorA(browser, g_app.accel_schema, msg) != 0;
}
