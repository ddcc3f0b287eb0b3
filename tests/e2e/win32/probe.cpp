// vantro_probe.exe: reads the state of a running vantro.exe for the end-to-end tests.
//   console-text             the console rows (WM_GETTEXT of the console window)
//   button-rect COMMAND      screen rectangle of a toolbar button: left top right bottom
//   button-checked COMMAND   1 when the toolbar button is pressed, else 0
//   window-exists TITLE      exit 0 when a top-level window with that title exists
//   dialog-text TITLE ID     text of control ID in the top-level window TITLE
//   child-rect ID            screen rectangle of child ID of the main window (201 console,
//                            202 result pane): left top right bottom
//   dialog-focus TITLE ID    asks the dialog TITLE to move its focus to control ID and
//                            selects the control's text
//   close TITLE              asks the top-level window TITLE to close (WM_CLOSE)
//   hit X Y                  child id of the window at a screen point and its hit-test code
//   console-origin           screen position of the console's client area: x y
//   console-cell N COLUMN    screen point in the middle of a console cell: the Nth row
//                            from the bottom (0 the last), the column counted from the
//                            left edge; assumes the view shows the last rows
//   main-count               how many main windows (instances of vantro.exe) exist
//   close-newest-main        asks the main window of the latest started instance to close
//   list-headings            the result list's column headings, joined by '|'
//   list-rows                the result list's rows, one a line, cells joined by '|'
//   list-row-point N         screen point in the middle of the first cell of row N: x y
//   list-end                 scrolls the result list to its last row and prints the
//                            rows, the top row and the rows per page: count top page
//   list-row N               the cells of row N of the result list, joined by '|'
//   counts                   the console's paints and the result pane's cell reads so
//                            far: paints reads
//   dialog-rect TITLE ID     screen rectangle of control ID of the window TITLE
//   dialog-visible TITLE ID  exit 0 when that control is visible
//   list-items TITLE ID      the entries of list box ID, one a line, "*" before the
//                            selected ones
//   list-item-point TITLE ID N  screen point in the middle of entry N of that list box
//   tree-items TITLE         the items of the plan tree (child 1028 of pane 206) of the
//                            window TITLE, one a line, two blanks of indent a level
//   hint-item-point N        screen point in the middle of entry N of the completion list
//   combo-items TITLE ID     the entries of combo box ID, one a line, "*" before the
//                            selected one
//   window-text TITLE ID     the whole text of control ID, however long, bytes unchanged
//   edit-selection TITLE ID  selection of edit control ID, its text length and its first
//                            visible line: start end length first
//   client-rect TITLE        screen rectangle of the client area of the window TITLE
//   class-count CLASS        how many top-level windows of that class exist
//   clipboard                the clipboard's text
//   set-clipboard TEXT       puts TEXT (with "\n" turned into CR LF) on the clipboard
// Exits 1 when the window asked for is not there. Changes nothing but the clipboard and
// what `close` asks for.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commctrl.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

HWND main_window() { return FindWindowA("VListVwClass", nullptr); }

int console_text() {
    HWND console = GetDlgItem(main_window(), 201);
    if (!console) return 1;
    const LRESULT length = SendMessageA(console, WM_GETTEXTLENGTH, 0, 0);
    std::vector<char> text(static_cast<size_t>(length) + 1);
    const LRESULT got = SendMessageA(console, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    std::fwrite(text.data(), 1, static_cast<size_t>(got), stdout);
    std::fputs("\n", stdout);
    return 0;
}

// The toolbar belongs to another process: its rectangle is read through a block of that
// process's memory.
int button_rect(int command) {
    HWND bar = GetDlgItem(main_window(), 204);
    if (!bar) return 1;
    const LRESULT index = SendMessageA(bar, TB_COMMANDTOINDEX, static_cast<WPARAM>(command), 0);
    if (index < 0) return 1;
    DWORD pid = 0;
    GetWindowThreadProcessId(bar, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return 1;
    void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    RECT rc{};
    SIZE_T read = 0;
    const bool ok = remote && SendMessageA(bar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(remote)) &&
                    ReadProcessMemory(process, remote, &rc, sizeof rc, &read);
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    if (!ok) return 1;
    POINT corners[2] = {{rc.left, rc.top}, {rc.right, rc.bottom}};
    MapWindowPoints(bar, nullptr, corners, 2);
    std::printf("%ld %ld %ld %ld\n", corners[0].x, corners[0].y, corners[1].x, corners[1].y);
    return 0;
}

int button_checked(int command) {
    HWND bar = GetDlgItem(main_window(), 204);
    if (!bar) return 1;
    std::printf("%d\n", SendMessageA(bar, TB_ISBUTTONCHECKED, static_cast<WPARAM>(command), 0) ? 1 : 0);
    return 0;
}

// A block of memory inside the process that owns a window, for list-view messages that
// take a pointer.
struct RemoteBlock {
    HANDLE process = nullptr;
    char* base = nullptr;
    explicit RemoteBlock(HWND window, size_t size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process) base = static_cast<char*>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    }
    ~RemoteBlock() {
        if (base) VirtualFreeEx(process, base, 0, MEM_RELEASE);
        if (process) CloseHandle(process);
    }
    bool write(size_t offset, const void* data, size_t size) {
        SIZE_T done = 0;
        return WriteProcessMemory(process, base + offset, data, size, &done) && done == size;
    }
    bool read(size_t offset, void* data, size_t size) {
        SIZE_T done = 0;
        return ReadProcessMemory(process, base + offset, data, size, &done) && done == size;
    }
};

HWND result_list() { return GetDlgItem(GetDlgItem(main_window(), 202), 200); }

int list_column_count(HWND list) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    return header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

constexpr size_t kTextAt = 512;   // offset of the text buffer inside the remote block
constexpr size_t kTextSize = 1024;

int list_headings() {
    HWND list = result_list();
    if (!list) return 1;
    RemoteBlock block(list, kTextAt + kTextSize);
    if (!block.base) return 1;
    const int columns = list_column_count(list);
    for (int c = 0; c < columns; ++c) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT;
        column.pszText = block.base + kTextAt;
        column.cchTextMax = static_cast<int>(kTextSize);
        char text[kTextSize] = {};
        if (!block.write(0, &column, sizeof column) ||
            !SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(block.base)) ||
            !block.read(kTextAt, text, sizeof text - 1))
            return 1;
        std::printf("%s%s", c ? "|" : "", text);
    }
    std::printf("\n");
    return 0;
}

int list_rows() {
    HWND list = result_list();
    if (!list) return 1;
    RemoteBlock block(list, kTextAt + kTextSize);
    if (!block.base) return 1;
    const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    const int columns = list_column_count(list);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            LVITEMA item{};
            item.iSubItem = c;
            item.pszText = block.base + kTextAt;
            item.cchTextMax = static_cast<int>(kTextSize);
            char text[kTextSize] = {};
            if (!block.write(0, &item, sizeof item)) return 1;
            SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(block.base));
            if (!block.read(kTextAt, text, sizeof text - 1)) return 1;
            std::printf("%s%s", c ? "|" : "", text);
        }
        std::printf("\n");
    }
    return 0;
}

// The text of the cells of one row, joined by '|'.
int list_row(int row) {
    HWND list = result_list();
    if (!list) return 1;
    RemoteBlock block(list, kTextAt + kTextSize);
    if (!block.base) return 1;
    const int columns = list_column_count(list);
    for (int c = 0; c < columns; ++c) {
        LVITEMA item{};
        item.iSubItem = c;
        item.pszText = block.base + kTextAt;
        item.cchTextMax = static_cast<int>(kTextSize);
        char text[kTextSize] = {};
        if (!block.write(0, &item, sizeof item)) return 1;
        SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(block.base));
        if (!block.read(kTextAt, text, sizeof text - 1)) return 1;
        std::printf("%s%s", c ? "|" : "", text);
    }
    std::printf("\n");
    return 0;
}

int list_end() {
    HWND list = result_list();
    if (!list) return 1;
    const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    if (rows > 0) SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(rows - 1), FALSE);
    UpdateWindow(list);
    std::printf("%d %d %d\n", rows, static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0)),
                static_cast<int>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0)));
    return 0;
}

// The message numbers of vantro.exe's counters (kMsgPaintCount, kMsgCellReadCount).
int counts() {
    HWND console = GetDlgItem(main_window(), 201);
    HWND pane = GetDlgItem(main_window(), 202);
    if (!console || !pane) return 1;
    std::printf("%ld %ld\n", static_cast<long>(SendMessageA(console, WM_APP + 60, 0, 0)),
                static_cast<long>(SendMessageA(pane, WM_APP + 61, 0, 0)));
    return 0;
}

int list_row_point(int row) {
    HWND list = result_list();
    if (!list) return 1;
    RemoteBlock block(list, sizeof(RECT));
    RECT rc{};
    rc.left = LVIR_LABEL;
    if (!block.base || !block.write(0, &rc, sizeof rc) ||
        !SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(block.base)) ||
        !block.read(0, &rc, sizeof rc))
        return 1;
    POINT at{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    ClientToScreen(list, &at);
    std::printf("%ld %ld\n", at.x, at.y);
    return 0;
}

// The console's cell size, measured with the font the console window creates.
SIZE console_cell_size(HWND console) {
    HDC dc = GetDC(console);
    HFONT font = CreateFontA(-MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             FIXED_PITCH | FF_MODERN, "Courier New");
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(console, dc);
    return SIZE{metrics.tmAveCharWidth, metrics.tmHeight};
}

int console_cell(int from_bottom, int column) {
    HWND console = GetDlgItem(main_window(), 201);
    if (!console) return 1;
    const LRESULT length = SendMessageA(console, WM_GETTEXTLENGTH, 0, 0);
    std::vector<char> text(static_cast<size_t>(length) + 1);
    SendMessageA(console, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    int rows = 1;
    for (char c : text)
        if (c == '\n') ++rows;
    const SIZE cell = console_cell_size(console);
    RECT client;
    GetClientRect(console, &client);
    const int visible = (client.bottom - 4) / cell.cy;
    const int top = rows > visible ? rows - visible : 0;
    const int row = rows - 1 - from_bottom - top;
    POINT at{2 + column * cell.cx + cell.cx / 2, 2 + row * cell.cy + cell.cy / 2};
    ClientToScreen(console, &at);
    std::printf("%ld %ld\n", at.x, at.y);
    return 0;
}

std::vector<HWND> main_windows() {
    std::vector<HWND> found;
    for (HWND w = FindWindowExA(nullptr, nullptr, "VListVwClass", nullptr); w;
         w = FindWindowExA(nullptr, w, "VListVwClass", nullptr))
        found.push_back(w);
    return found;
}

// The main window whose process started last.
int close_newest_main() {
    HWND newest = nullptr;
    ULONGLONG newest_start = 0;
    for (HWND w : main_windows()) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        if (!process) continue;
        FILETIME created, ended, kernel, user;
        if (GetProcessTimes(process, &created, &ended, &kernel, &user)) {
            const ULONGLONG start = (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
            if (!newest || start > newest_start) {
                newest = w;
                newest_start = start;
            }
        }
        CloseHandle(process);
    }
    return newest && PostMessageA(newest, WM_CLOSE, 0, 0) ? 0 : 1;
}

int console_origin() {
    HWND console = GetDlgItem(main_window(), 201);
    if (!console) return 1;
    POINT origin{0, 0};
    ClientToScreen(console, &origin);
    std::printf("%ld %ld\n", origin.x, origin.y);
    return 0;
}

// Control ID anywhere inside the window TITLE (also inside a child pane).
HWND dialog_control(const char* title, int id) {
    HWND window = FindWindowA(nullptr, title);
    if (!window) return nullptr;
    if (HWND direct = GetDlgItem(window, id)) return direct;
    struct Search {
        int id;
        HWND found;
    } search{id, nullptr};
    EnumChildWindows(
        window,
        [](HWND child, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (GetDlgCtrlID(child) != s->id) return TRUE;
            s->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int print_rect(HWND window) {
    RECT rc{};
    if (!window || !GetWindowRect(window, &rc)) return 1;
    std::printf("%ld %ld %ld %ld\n", rc.left, rc.top, rc.right, rc.bottom);
    return 0;
}

int list_items(HWND list) {
    if (!list) return 1;
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    // Asked in the wide form: between processes the ANSI form may come back as wide text.
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t wide[512] = {};
        char text[1024] = {};
        if (SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0) >= 511) return 1;
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide));
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        std::printf("%s%s\n", SendMessageA(list, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0 ? "*" : "", text);
    }
    return 0;
}

// From the item height and the first entry shown, without a pointer into the other process.
int list_item_point(HWND list, int index) {
    if (!list) return 1;
    const int height = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    const int top = static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
    POINT at{12, (index - top) * height + height / 2};
    ClientToScreen(list, &at);
    std::printf("%ld %ld\n", at.x, at.y);
    return 0;
}

void print_tree(HWND tree, RemoteBlock& block, HTREEITEM item, int depth) {
    for (; item; item = reinterpret_cast<HTREEITEM>(
                     SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
        TVITEMA request{};
        request.mask = TVIF_TEXT | TVIF_HANDLE;
        request.hItem = item;
        request.pszText = block.base + kTextAt;
        request.cchTextMax = static_cast<int>(kTextSize);
        char text[kTextSize] = {};
        if (block.write(0, &request, sizeof request) &&
            SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(block.base)))
            block.read(kTextAt, text, sizeof text - 1);
        std::printf("%*s%s\n", depth * 2, "", text);
        print_tree(tree, block,
                   reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item))),
                   depth + 1);
    }
}

int tree_items(const char* title) {
    HWND tree = GetDlgItem(dialog_control(title, 206), 1028);
    if (!tree) return 1;
    RemoteBlock block(tree, kTextAt + kTextSize);
    if (!block.base) return 1;
    print_tree(tree, block, reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)), 0);
    return 0;
}

int combo_items(HWND combo) {
    if (!combo) return 1;
    const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    const LRESULT selected = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t wide[512] = {};
        char text[1024] = {};
        if (SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) >= 511) return 1;
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide));
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        std::printf("%s%s\n", i == selected ? "*" : "", text);
    }
    return 0;
}

int window_text(HWND window) {
    if (!window) return 1;
    _setmode(_fileno(stdout), _O_BINARY);
    const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::vector<char> text(static_cast<size_t>(length) + 1);
    const LRESULT got = SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    std::fwrite(text.data(), 1, static_cast<size_t>(got), stdout);
    return 0;
}

int edit_selection(HWND edit) {
    if (!edit) return 1;
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    std::printf("%lu %lu %ld %ld\n", static_cast<unsigned long>(start), static_cast<unsigned long>(end),
                static_cast<long>(SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0)),
                static_cast<long>(SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0)));
    return 0;
}

int class_count(const char* name) {
    int count = 0;
    for (HWND w = FindWindowExA(nullptr, nullptr, name, nullptr); w; w = FindWindowExA(nullptr, w, name, nullptr)) ++count;
    std::printf("%d\n", count);
    return 0;
}

int clipboard() {
    _setmode(_fileno(stdout), _O_BINARY);   // the text's own CR LF, unchanged
    if (!OpenClipboard(nullptr)) return 1;
    int rc = 1;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* text = static_cast<const char*>(GlobalLock(data))) {
            std::fputs(text, stdout);
            GlobalUnlock(data);
            rc = 0;
        }
    }
    CloseClipboard();
    return rc;
}

int set_clipboard(const char* text) {
    std::string crlf;
    for (const char* p = text; *p; ++p) {
        if (p[0] == '\\' && p[1] == 'n') {
            crlf += "\r\n";
            ++p;
        } else {
            crlf += *p;
        }
    }
    if (!OpenClipboard(nullptr)) return 1;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, crlf.size() + 1);
    bool ok = false;
    if (memory) {
        if (char* p = static_cast<char*>(GlobalLock(memory))) {
            std::memcpy(p, crlf.c_str(), crlf.size() + 1);
            GlobalUnlock(memory);
            ok = SetClipboardData(CF_TEXT, memory) != nullptr;
        }
    }
    CloseClipboard();
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "console-text") == 0) return console_text();
    if (argc >= 3 && std::strcmp(argv[1], "button-rect") == 0) return button_rect(std::atoi(argv[2]));
    if (argc >= 3 && std::strcmp(argv[1], "button-checked") == 0) return button_checked(std::atoi(argv[2]));
    if (argc >= 4 && std::strcmp(argv[1], "dialog-text") == 0) {
        HWND control = dialog_control(argv[2], std::atoi(argv[3]));
        char text[4096] = {};
        if (!control) return 1;
        SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        std::printf("%s\n", text);
        return 0;
    }
    if (argc >= 4 && std::strcmp(argv[1], "dialog-focus") == 0) {
        HWND dialog = FindWindowA(nullptr, argv[2]);
        HWND control = GetDlgItem(dialog, std::atoi(argv[3]));
        if (!control) return 1;
        SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
        char name[32] = {};
        GetClassNameA(control, name, sizeof name);
        if (_stricmp(name, "ComboBox") == 0)
            SendMessageA(control, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
        else
            SendMessageA(control, EM_SETSEL, 0, -1);
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "child-rect") == 0) {
        RECT rc{};
        if (!GetWindowRect(GetDlgItem(main_window(), std::atoi(argv[2])), &rc)) return 1;
        std::printf("%ld %ld %ld %ld\n", rc.left, rc.top, rc.right, rc.bottom);
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "close") == 0) {
        HWND w = FindWindowA(nullptr, argv[2]);
        return w && PostMessageA(w, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    if (argc >= 4 && std::strcmp(argv[1], "hit") == 0) {
        POINT at{std::atoi(argv[2]), std::atoi(argv[3])};
        HWND w = WindowFromPoint(at);
        std::printf("%d %ld\n", w ? GetDlgCtrlID(w) : -1,
                    static_cast<long>(SendMessageA(w, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y))));
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "console-origin") == 0) return console_origin();
    if (argc >= 4 && std::strcmp(argv[1], "dialog-rect") == 0) return print_rect(dialog_control(argv[2], std::atoi(argv[3])));
    if (argc >= 4 && std::strcmp(argv[1], "dialog-visible") == 0) {
        HWND w = dialog_control(argv[2], std::atoi(argv[3]));
        return w && IsWindowVisible(w) ? 0 : 1;
    }
    if (argc >= 4 && std::strcmp(argv[1], "list-items") == 0) return list_items(dialog_control(argv[2], std::atoi(argv[3])));
    if (argc >= 5 && std::strcmp(argv[1], "list-item-point") == 0)
        return list_item_point(dialog_control(argv[2], std::atoi(argv[3])), std::atoi(argv[4]));
    if (argc >= 3 && std::strcmp(argv[1], "tree-items") == 0) return tree_items(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "hint-item-point") == 0)
        return list_item_point(FindWindowExA(FindWindowA("HintClass", nullptr), nullptr, "LISTBOX", nullptr),
                               std::atoi(argv[2]));
    if (argc >= 4 && std::strcmp(argv[1], "combo-items") == 0) return combo_items(dialog_control(argv[2], std::atoi(argv[3])));
    if (argc >= 4 && std::strcmp(argv[1], "window-text") == 0) return window_text(dialog_control(argv[2], std::atoi(argv[3])));
    if (argc >= 4 && std::strcmp(argv[1], "edit-selection") == 0)
        return edit_selection(dialog_control(argv[2], std::atoi(argv[3])));
    if (argc >= 3 && std::strcmp(argv[1], "class-count") == 0) return class_count(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "client-rect") == 0) {
        HWND w = FindWindowA(nullptr, argv[2]);
        RECT rc{};
        if (!w || !GetClientRect(w, &rc)) return 1;
        MapWindowPoints(w, nullptr, reinterpret_cast<POINT*>(&rc), 2);
        std::printf("%ld %ld %ld %ld\n", rc.left, rc.top, rc.right, rc.bottom);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "clipboard") == 0) return clipboard();
    if (argc >= 2 && std::strcmp(argv[1], "list-headings") == 0) return list_headings();
    if (argc >= 2 && std::strcmp(argv[1], "main-count") == 0) {
        std::printf("%zu\n", main_windows().size());
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "close-newest-main") == 0) return close_newest_main();
    if (argc >= 4 && std::strcmp(argv[1], "console-cell") == 0) return console_cell(std::atoi(argv[2]), std::atoi(argv[3]));
    if (argc >= 2 && std::strcmp(argv[1], "list-rows") == 0) return list_rows();
    if (argc >= 3 && std::strcmp(argv[1], "list-row-point") == 0) return list_row_point(std::atoi(argv[2]));
    if (argc >= 3 && std::strcmp(argv[1], "list-row") == 0) return list_row(std::atoi(argv[2]));
    if (argc >= 2 && std::strcmp(argv[1], "list-end") == 0) return list_end();
    if (argc >= 2 && std::strcmp(argv[1], "counts") == 0) return counts();
    if (argc >= 3 && std::strcmp(argv[1], "set-clipboard") == 0) return set_clipboard(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "window-exists") == 0) return FindWindowA(nullptr, argv[2]) ? 0 : 1;
    if (argc >= 3 && std::strcmp(argv[1], "class-visible") == 0) {
        HWND w = FindWindowA(argv[2], nullptr);
        return w && IsWindowVisible(w) ? 0 : 1;
    }
    if (argc >= 3 && std::strcmp(argv[1], "post-command") == 0)
        return PostMessageA(main_window(), WM_COMMAND, static_cast<WPARAM>(std::atoi(argv[2])), 0) ? 0 : 1;
    std::fputs("usage: vantro_probe COMMAND [ARGUMENTS] (the commands are listed at the top of probe.cpp)\n", stderr);
    return 2;
}
