// The splitter pane at the bottom of the main window (class "SplitterClass") and the
// owner-data result list view inside it. The pane can only be resized at its top edge.
// The list never holds rows: it asks for each cell when shown, and the cell is read from
// the query's result file (fixed-length records) at that moment.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "command/history_file.h"
#include "oci/oci_statements.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/result_rows.h"
#include "ui/win32/win32_app.h"

namespace {

constexpr const char* kSplitterClass = "SplitterClass";
constexpr int kPaneHeight = 198;
constexpr int kHeadingPadding = 16;   // left and right margins of a header item

int g_frame_x = 0, g_frame_y = 0;
int g_inserted_columns = 0;
long long g_record_length = 0;
std::vector<char> g_cell;   // one field, reused for every cell request
long g_cell_reads = 0;      // cells read from the result file so far

// Answers the list's request for the text of one cell from the result file.
void fill_cell(NMLVDISPINFOA* info) {
    if (!(info->item.mask & LVIF_TEXT)) return;
    const int column = info->item.iSubItem;
    std::FILE* file = result_file();
    if (!file || column < 0 || column >= static_cast<int>(result_columns.size()) || g_cell.empty()) return;
    long long offset = 0;
    for (int c = 0; c < column; ++c) offset += result_columns[static_cast<size_t>(c)].width;
    const size_t width = static_cast<size_t>(result_columns[static_cast<size_t>(column)].width);
    std::fill(g_cell.begin(), g_cell.end(), '\0');
    ++g_cell_reads;
    if (_fseeki64(file, static_cast<long long>(info->item.iItem) * g_record_length + offset, SEEK_SET) == 0)
        (void)std::fread(g_cell.data(), 1, width, file);
    g_cell[width - 1] = '\0';
    info->item.pszText = g_cell.data();
}
// The popup of the list, offered once a query has left a result file.
void show_context_menu(LPARAM lparam) {
    if (!result_file() || !g_app.list_popup) return;
    POINT at{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
    if (at.x == -1 && at.y == -1) {   // from the keyboard: at the list's corner
        at = POINT{0, 0};
        ClientToScreen(g_app.list, &at);
    }
    const int command = TrackPopupMenu(GetSubMenu(g_app.list_popup, 0), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y,
                                       0, g_app.main, nullptr);
    if (command == IDC_COPY_FIRST_COLUMN) copy_result_rows(g_app.list, false);
    if (command == IDC_COPY_ENTIRE_LINE) copy_result_rows(g_app.list, true);
}

int g_drag_offset = -1;   // while the top edge is dragged: pointer y minus the pane's top

constexpr int kMinPaneHeight = 40;
constexpr int kMinConsoleHeight = 40;

// Moves the pane's top edge to screen row `top`, keeping its bottom; the console and the
// pane each keep a usable height.
void splitter_drag_to(HWND window, int top) {
    RECT pane;
    GetWindowRect(window, &pane);
    POINT corner{pane.left, pane.bottom};
    ScreenToClient(g_app.main, &corner);
    RECT bar{};
    if (g_app.toolbar) GetWindowRect(g_app.toolbar, &bar);
    POINT wanted{0, top};
    ScreenToClient(g_app.main, &wanted);
    const int lowest_top = corner.y - kMinPaneHeight;
    const int highest_top = static_cast<int>(bar.bottom - bar.top) + kMinConsoleHeight;
    const int new_top = std::max(highest_top, std::min(lowest_top, static_cast<int>(wanted.y)));
    MoveWindow(window, corner.x, new_top, pane.right - pane.left, corner.y - new_top, TRUE);
}

// Wherever the user grabs the pane's frame, dragging moves its top edge: corners, sides,
// the bottom and the size box count as the top edge too. Some systems answer "nowhere"
// for a thin dialog frame, so any point of the frame outside the client area counts.
LRESULT splitter_hit_test(HWND window, WPARAM wparam, LPARAM lparam) {
    const LRESULT hit = DefWindowProcA(window, WM_NCHITTEST, wparam, lparam);
    switch (hit) {
    case HTBOTTOM:
    case HTBOTTOMLEFT:
    case HTBOTTOMRIGHT:
    case HTLEFT:
    case HTRIGHT:
    case HTGROWBOX:
    case HTTOP:
    case HTTOPLEFT:
    case HTTOPRIGHT:
    case HTBORDER: return HTTOP;
    default: break;
    }
    const POINT at{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
    RECT outer, inner;
    GetWindowRect(window, &outer);
    GetClientRect(window, &inner);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&inner), 2);
    if (PtInRect(&outer, at) && !PtInRect(&inner, at)) return HTTOP;
    return hit;
}

LRESULT CALLBACK splitter_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_SIZE: splitter_layout(); return 1;
    case WM_NCHITTEST: return splitter_hit_test(window, wparam, lparam);
    // The top edge is dragged here rather than by the system's sizing loop, so that the
    // pane's bottom and sides never move.
    case WM_NCLBUTTONDOWN:
        if (wparam != HTTOP) return DefWindowProcA(window, message, wparam, lparam);
        {
            RECT pane;
            GetWindowRect(window, &pane);
            g_drag_offset = static_cast<short>(HIWORD(lparam)) - pane.top;
            SetCapture(window);
        }
        return 0;
    case WM_MOUSEMOVE:
        if (g_drag_offset >= 0) {
            POINT at{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
            ClientToScreen(window, &at);
            splitter_drag_to(window, at.y - g_drag_offset);
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (g_drag_offset >= 0) {
            g_drag_offset = -1;
            if (message == WM_LBUTTONUP) ReleaseCapture();
        }
        return 0;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lparam);
        if (header->idFrom == ID_RESULT_LIST && header->code == LVN_GETDISPINFOA)
            fill_cell(reinterpret_cast<NMLVDISPINFOA*>(lparam));
        return 0;
    }
    case WM_CONTEXTMENU: show_context_menu(lparam); return 0;
    case kMsgCellReadCount: return static_cast<LRESULT>(g_cell_reads);
    default: return DefWindowProcA(window, message, wparam, lparam);
    }
}

void show_header(bool visible) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(g_app.list, LVM_GETHEADER, 0, 0));
    if (header) ShowWindow(header, visible ? SW_SHOW : SW_HIDE);
    RedrawWindow(g_app.list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace

HWND splitter_create(HWND parent) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = splitter_proc;
    wc.hInstance = g_app.instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = kSplitterClass;
    RegisterClassExA(&wc);
    g_frame_x = GetSystemMetrics(SM_CXFRAME);
    g_frame_y = GetSystemMetrics(SM_CYFRAME);
    RECT rc;
    GetClientRect(parent, &rc);
    return CreateWindowExA(WS_EX_WINDOWEDGE, kSplitterClass, "", WS_CHILD | WS_VISIBLE | WS_DLGFRAME | WS_THICKFRAME,
                           -g_frame_x, rc.bottom - kPaneHeight + g_frame_y, rc.right + 2 * g_frame_x, kPaneHeight,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_SPLITTER)), g_app.instance,
                           nullptr);
}

HWND result_list_create(HWND parent) {
    HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_NOSORTHEADER,
                                0, 0, 100, 100, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_RESULT_LIST)),
                                g_app.instance, nullptr);
    if (list)
        SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                     LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP);
    return list;
}

void result_list_clear_now() {
    if (!g_app.list) return;
    SendMessageA(g_app.list, LVM_DELETEALLITEMS, 0, 0);
    for (; g_inserted_columns > 0; --g_inserted_columns) SendMessageA(g_app.list, LVM_DELETECOLUMN, 0, 0);
    // Some header controls keep showing the last headings after they were deleted: an
    // empty header is hidden, and shown again by the next setup.
    show_header(false);
}

void result_list_setup_now() {
    if (!g_app.list) return;
    result_list_clear_now();
    g_record_length = 0;
    std::vector<char>().swap(g_cell);
    if (result_columns.empty()) return;
    int widest = 0;
    for (size_t i = 0; i < result_columns.size(); ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = 120;
        column.pszText = const_cast<char*>(result_columns[i].name.c_str());
        column.iSubItem = static_cast<int>(i);
        if (SendMessageA(g_app.list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column)) >= 0)
            ++g_inserted_columns;
        g_record_length += result_columns[i].width;
        widest = std::max(widest, result_columns[i].width);
    }
    show_header(true);
    if (widest == 0) return;
    g_cell.assign(static_cast<size_t>(widest), '\0');
    ShowWindow(g_app.list, SW_HIDE);
    SendMessageA(g_app.list, LVM_DELETEALLITEMS, 0, 0);
    SendMessageA(g_app.list, LVM_SETITEMCOUNT, static_cast<WPARAM>(std::max(0, result_row_count.load())), 0);
    for (int i = 0; i < g_inserted_columns; ++i) {
        SendMessageA(g_app.list, LVM_SETCOLUMNWIDTH, i, LVSCW_AUTOSIZE);
        const LRESULT contents = SendMessageA(g_app.list, LVM_GETCOLUMNWIDTH, i, 0);
        SendMessageA(g_app.list, LVM_SETCOLUMNWIDTH, i, LVSCW_AUTOSIZE_USEHEADER);
        if (contents > SendMessageA(g_app.list, LVM_GETCOLUMNWIDTH, i, 0))
            SendMessageA(g_app.list, LVM_SETCOLUMNWIDTH, i, LVSCW_AUTOSIZE);
        // Some list views measure the heading of a narrow column too small and show it as
        // "..."; the heading's own width plus the header's padding is the least.
        const LRESULT heading = SendMessageA(g_app.list, LVM_GETSTRINGWIDTHA, 0,
                                             reinterpret_cast<LPARAM>(result_columns[static_cast<size_t>(i)].name.c_str()));
        if (heading > 0 && SendMessageA(g_app.list, LVM_GETCOLUMNWIDTH, i, 0) < heading + kHeadingPadding)
            SendMessageA(g_app.list, LVM_SETCOLUMNWIDTH, i, heading + kHeadingPadding);
    }
    ShowWindow(g_app.list, SW_SHOW);
}

void splitter_place_at_bottom() {
    if (!g_app.splitter || !g_app.main) return;
    RECT rc, pane;
    GetClientRect(g_app.main, &rc);
    GetWindowRect(g_app.splitter, &pane);
    const int height = pane.bottom - pane.top;
    MoveWindow(g_app.splitter, -g_frame_x, rc.bottom - height + g_frame_y, rc.right + 2 * g_frame_x, height, TRUE);
}

void splitter_layout() {
    if (!g_app.main) return;
    RECT rc{}, pane{}, pane_client{}, bar{};
    GetClientRect(g_app.main, &rc);
    int pane_height = 0;
    if (g_app.splitter) {
        GetWindowRect(g_app.splitter, &pane);
        GetClientRect(g_app.splitter, &pane_client);
        pane_height = pane.bottom - pane.top;
    }
    int bar_height = 0;
    if (g_app.toolbar) {
        GetWindowRect(g_app.toolbar, &bar);
        bar_height = bar.bottom - bar.top;
        MoveWindow(g_app.toolbar, 0, 0, rc.right, bar_height, TRUE);
    }
    debug_log("rc.right=%ld, rc.left=%ld, rc.bottom=%ld, rc.top=%ld", rc.right, rc.left, rc.bottom, rc.top);
    debug_log("sr.right=%ld, sr.left=%ld, sr.bottom=%ld, sr.top=%ld", pane.right, pane.left, pane.bottom, pane.top);
    debug_log("sr2.right=%ld, sr2.left=%ld, sr2.bottom=%ld, sr2.top=%ld", pane_client.right, pane_client.left,
              pane_client.bottom, pane_client.top);
    debug_log("tr.right=%ld, tr.left=%ld, tr.bottom=%ld, tr.top=%ld", bar.right, bar.left, bar.bottom, bar.top);
    if (g_app.console) {
        const int height = std::max(0, static_cast<int>(rc.bottom) - bar_height - pane_height + g_frame_y);
        MoveWindow(g_app.console, 0, bar_height, rc.right, height, TRUE);
    }
    if (g_app.list) MoveWindow(g_app.list, 0, 0, pane_client.right, pane_client.bottom, TRUE);
}

void copy_result_rows(HWND list, bool whole_line) {
    if (!list) return;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    const int selected = static_cast<int>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0));
    if (count <= 0 || selected <= 0) return;
    std::vector<int> rows;
    for (int item = -1; static_cast<int>(rows.size()) < selected;) {
        item = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(item), LVNI_SELECTED));
        if (item < 0) break;
        rows.push_back(item);
    }
    std::vector<int> widths;
    for (const ResultColumn& column : result_columns) widths.push_back(column.width);
    const std::string text = result_rows_text(result_file(), widths, rows, whole_line);
    if (!OpenClipboard(list)) return;
    EmptyClipboard();
    bool ok = false;
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
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
