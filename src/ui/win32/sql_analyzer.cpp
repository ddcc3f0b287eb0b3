// The SQL Analyzer dialog (template IDD_ANALYZER) with its lower pane (class
// "SQLSplitterClass": the hint description above the plan tree). The dialog procedure
// moves data between its controls and the core: the hint table and the rewriting of the
// statement (analyzer/optimizer_hints.h), the table and index lists
// (analyzer_table_names, analyzer_index_names), explain_plan, and analyzer_execute. Every list and button action is
// ignored while a statement worker runs.
#include "ui/win32/sql_analyzer.h"

#include <algorithm>
#include <string>
#include <vector>

#include "analyzer/optimizer_hints.h"
#include "command/history_file.h"
#include "command/statement.h"
#include "command/tune.h"
#include "console/console_buffer.h"
#include "oci/oci_statements.h"
#include "ui/win32/resource_ids.h"

namespace {

constexpr const char* kPaneClass = "SQLSplitterClass";
constexpr int kPaneHeight = 271;  // pixels, before the user drags its top edge
constexpr int kMinPaneHeight = 60;
constexpr int kMinEditHeight = 24;

struct Analyzer {
    ConsoleBuffer* console = nullptr;
    HWND dialog = nullptr;
    HWND pane = nullptr;
    HWND description = nullptr;
    HWND tree = nullptr;
    HFONT edit_font = nullptr;
    bool laying_out = false;
    int drag_offset = -1;          // while the pane's top edge is dragged: pointer y minus its top
    std::vector<HTREEITEM> items;  // the tree item of plan step id i + 1
};

Analyzer* g_analyzer = nullptr;  // the one open analyzer, or null

bool worker_running() {
    return busy_thread_id.load() != 0;
}

HWND control(const Analyzer& a, int id) {
    return GetDlgItem(a.dialog, id);
}

std::string window_text(HWND window) {
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(std::max(0, length)) + 1, '\0');
    const int got = GetWindowTextA(window, &text[0], length + 1);
    text.resize(static_cast<size_t>(std::max(0, got)));
    return text;
}

std::string list_text(HWND list, int index) {
    const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT got = SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got == LB_ERR ? 0 : static_cast<size_t>(got));
    return text;
}

// The chosen entries of a list: the one selected of a single-selection list, every
// selected one of an extended-selection list.
std::vector<std::string> selected_entries(HWND list, bool several) {
    std::vector<std::string> chosen;
    if (!several) {
        const LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
        if (index != LB_ERR) chosen.push_back(list_text(list, static_cast<int>(index)));
        return chosen;
    }
    const LRESULT count = SendMessageA(list, LB_GETSELCOUNT, 0, 0);
    if (count <= 0) return chosen;
    std::vector<int> indexes(static_cast<size_t>(count));
    const LRESULT got =
        SendMessageA(list, LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(indexes.data()));
    for (LRESULT i = 0; i < got; ++i) chosen.push_back(list_text(list, indexes[static_cast<size_t>(i)]));
    return chosen;
}

const OptimizerHint* selected_hint(const Analyzer& a) {
    HWND combo = control(a, IDC_AN_HINT);
    const LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return nullptr;
    const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) return nullptr;
    std::string name(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&name[0]));
    name.resize(static_cast<size_t>(length));
    return optimizer_hint_find(name);
}

// The list in use for a hint's kind of names (null for kind None): the single-selection
// or the extended-selection one of the pair.
HWND list_for(const Analyzer& a, HintArguments kind, int single_id, int several_id) {
    switch (kind) {
    case HintArguments::None:
        return nullptr;
    case HintArguments::One:
        return control(a, single_id);
    case HintArguments::Several:
        return control(a, several_id);
    }
    return nullptr;
}

HWND table_list(const Analyzer& a, HintArguments kind) {
    return list_for(a, kind, IDC_AN_TABLE, IDC_AN_TABLES);
}
HWND index_list(const Analyzer& a, HintArguments kind) {
    return list_for(a, kind, IDC_AN_INDEX, IDC_AN_INDEXES);
}

void add_to_list(HWND list, const char* name) {
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
}

// Rewrites the statement in the edit with the hint chosen now.
void rewrite_statement(const Analyzer& a) {
    const OptimizerHint* hint = selected_hint(a);
    std::vector<std::string> tables, indexes;
    if (hint) {
        if (HWND list = table_list(a, hint->tables))
            tables = selected_entries(list, hint->tables == HintArguments::Several);
        if (HWND list = index_list(a, hint->indexes))
            indexes = selected_entries(list, hint->indexes == HintArguments::Several);
    }
    HWND edit = control(a, IDC_AN_STATEMENT);
    const std::string text = window_text(edit);
    const std::string rewritten = apply_hint(text, build_hint_text(hint, tables, indexes));
    if (rewritten != text) SetWindowTextA(edit, rewritten.c_str());
}

// Fills the index list with the indexes of every table chosen in the table list.
void fill_indexes(const Analyzer& a, const OptimizerHint& hint) {
    HWND tables = table_list(a, hint.tables);
    HWND indexes = index_list(a, hint.indexes);
    if (!tables || !indexes) return;
    for (const std::string& table : selected_entries(tables, hint.tables == HintArguments::Several))
        analyzer_index_names(table, [indexes](const char* name) { add_to_list(indexes, name); });
}

void on_hint_change(const Analyzer& a) {
    for (int id : {IDC_AN_TABLE, IDC_AN_TABLES, IDC_AN_INDEX, IDC_AN_INDEXES}) {
        SendMessageA(control(a, id), LB_RESETCONTENT, 0, 0);
        ShowWindow(control(a, id), SW_HIDE);
    }
    ShowWindow(control(a, IDC_AN_TABLE_LABEL), SW_HIDE);
    ShowWindow(control(a, IDC_AN_INDEX_LABEL), SW_HIDE);
    const OptimizerHint* hint = selected_hint(a);
    if (!hint) return;
    if (a.description) SetWindowTextA(a.description, hint->description);
    if (HWND tables = table_list(a, hint->tables)) {
        SetWindowTextA(control(a, IDC_AN_TABLE_LABEL), hint->tables == HintArguments::One ? "Table:" : "Tables:");
        ShowWindow(control(a, IDC_AN_TABLE_LABEL), SW_SHOW);
        ShowWindow(tables, SW_SHOW);
        analyzer_table_names([tables](const char* name) { add_to_list(tables, name); });
        if (HWND indexes = index_list(a, hint->indexes)) {
            SetWindowTextA(control(a, IDC_AN_INDEX_LABEL), hint->indexes == HintArguments::One ? "Index:" : "Indexes:");
            ShowWindow(control(a, IDC_AN_INDEX_LABEL), SW_SHOW);
            ShowWindow(indexes, SW_SHOW);
            fill_indexes(a, *hint);
        }
    }
    rewrite_statement(a);
}

void on_table_change(const Analyzer& a) {
    SendMessageA(control(a, IDC_AN_INDEX), LB_RESETCONTENT, 0, 0);
    SendMessageA(control(a, IDC_AN_INDEXES), LB_RESETCONTENT, 0, 0);
    if (const OptimizerHint* hint = selected_hint(a)) fill_indexes(a, *hint);
    rewrite_statement(a);
}

void on_explain(const Analyzer& a) {
    const std::string text = window_text(control(a, IDC_AN_STATEMENT));
    if (!text.empty()) explain_plan(text.c_str());
}

void on_execute(const Analyzer& a) {
    analyzer_execute(a.console, window_text(control(a, IDC_AN_STATEMENT)));
}

void close_analyzer(Analyzer& a) {
    DestroyWindow(a.dialog);
}

void on_command(Analyzer& a, int id, int code) {
    if (id == IDC_AN_CLOSE || id == IDCANCEL) {
        close_analyzer(a);
        return;
    }
    if (worker_running()) return;
    switch (id) {
    case IDC_AN_HINT:
        if (code == CBN_SELCHANGE) on_hint_change(a);
        break;
    case IDC_AN_TABLE:
    case IDC_AN_TABLES:
        if (code == LBN_SELCHANGE) on_table_change(a);
        break;
    case IDC_AN_INDEX:
    case IDC_AN_INDEXES:
        if (code == LBN_SELCHANGE) rewrite_statement(a);
        break;
    case IDC_AN_EXPLAIN:
        if (code == BN_CLICKED) on_explain(a);
        break;
    case IDC_AN_EXECUTE:
        if (code == BN_CLICKED) on_execute(a);
        break;
    default:
        break;
    }
}

// ---- layout -----------------------------------------------------------------------

int dialog_x(HWND dialog, int units) {
    RECT rc{0, 0, units, 0};
    MapDialogRect(dialog, &rc);
    return rc.right;
}

int dialog_y(HWND dialog, int units) {
    RECT rc{0, 0, 0, units};
    MapDialogRect(dialog, &rc);
    return rc.bottom;
}

// Inside the pane: the description on a strip of four text lines, the tree below it.
void layout_pane(const Analyzer& a) {
    if (!a.pane || !a.description || !a.tree) return;
    RECT rc;
    GetClientRect(a.pane, &rc);
    const int strip = std::min<int>(rc.bottom, 4 * dialog_y(a.dialog, 8) + 6);
    MoveWindow(a.description, 0, 0, rc.right, strip, TRUE);
    MoveWindow(a.tree, 0, strip, rc.right, std::max<LONG>(0, rc.bottom - strip), TRUE);
}

// The pane keeps its height at the bottom; above it the control row (three groups of a
// third of the width each, the buttons under the hint group) and the edit over the rest.
void layout(Analyzer& a) {
    if (a.laying_out) return;
    a.laying_out = true;
    HWND d = a.dialog;
    RECT rc;
    GetClientRect(d, &rc);
    const int width = rc.right, height = rc.bottom;
    const int margin_x = dialog_x(d, 7), margin_y = dialog_y(d, 7);
    const int row_height = dialog_y(d, 49);
    int pane_height = kPaneHeight;
    if (a.pane) {
        RECT pane;
        GetWindowRect(a.pane, &pane);
        pane_height = pane.bottom - pane.top;
    }
    pane_height = std::max(kMinPaneHeight, std::min(pane_height, height - row_height - 2 * margin_y - kMinEditHeight));
    const int row_top = height - pane_height - row_height - dialog_y(d, 2);
    if (a.pane) MoveWindow(a.pane, 0, height - pane_height, width, pane_height, TRUE);
    MoveWindow(control(a, IDC_AN_STATEMENT), margin_x, margin_y, std::max(0, width - 2 * margin_x),
               std::max(kMinEditHeight, row_top - dialog_y(d, 4) - margin_y), TRUE);

    const int group = std::max(0, (width - 2 * margin_x) / 3);
    const int gap = dialog_x(d, 5);
    const int label_top = row_top + dialog_y(d, 2), label_height = dialog_y(d, 8);
    const int hint_label = dialog_x(d, 17), list_label = dialog_x(d, 30);
    MoveWindow(control(a, IDC_AN_HINT_LABEL), margin_x, label_top, hint_label, label_height, TRUE);
    MoveWindow(control(a, IDC_AN_HINT), margin_x + hint_label, row_top + dialog_y(d, 1),
               std::max(0, group - hint_label - gap), dialog_y(d, 112), TRUE);
    const int list_height = dialog_y(d, 40);
    for (int column = 1; column <= 2; ++column) {
        const int x = margin_x + column * group;
        const int label = column == 1 ? IDC_AN_TABLE_LABEL : IDC_AN_INDEX_LABEL;
        MoveWindow(control(a, label), x, label_top, list_label, label_height, TRUE);
        for (int id : column == 1 ? std::vector<int>{IDC_AN_TABLE, IDC_AN_TABLES}
                                  : std::vector<int>{IDC_AN_INDEX, IDC_AN_INDEXES})
            MoveWindow(control(a, id), x + list_label, row_top,
                       std::max(0, group - list_label - (column == 2 ? 0 : gap)), list_height, TRUE);
    }
    const int button_width = dialog_x(d, 50), button_height = dialog_y(d, 14);
    MoveWindow(control(a, IDC_AN_EXPLAIN), margin_x, row_top + dialog_y(d, 17), button_width, button_height, TRUE);
    MoveWindow(control(a, IDC_AN_EXECUTE), margin_x, row_top + dialog_y(d, 35), button_width, button_height, TRUE);
    MoveWindow(control(a, IDC_AN_CLOSE), margin_x + dialog_x(d, 64), row_top + dialog_y(d, 35), button_width,
               button_height, TRUE);
    layout_pane(a);
    a.laying_out = false;
}

// ---- the lower pane -----------------------------------------------------------------

// Dragging the frame only moves the top edge: the sides, the bottom and its corners and
// the size box count as plain border, the top corners and plain border as the top edge.
LRESULT pane_hit_test(HWND window, WPARAM wparam, LPARAM lparam) {
    const LRESULT hit = DefWindowProcA(window, WM_NCHITTEST, wparam, lparam);
    switch (hit) {
    case HTLEFT:
    case HTRIGHT:
    case HTBOTTOM:
    case HTBOTTOMLEFT:
    case HTBOTTOMRIGHT:
    case HTGROWBOX:
        return HTBORDER;
    case HTTOPLEFT:
    case HTTOPRIGHT:
    case HTBORDER:
        return HTTOP;
    default:
        return hit;
    }
}

// Moves the pane's top edge to the client row `top` of the dialog, keeping its bottom.
void pane_drag_to(Analyzer& a, int top) {
    RECT pane;
    GetWindowRect(a.pane, &pane);
    MapWindowPoints(nullptr, a.dialog, reinterpret_cast<POINT*>(&pane), 2);
    const int highest = dialog_y(a.dialog, 49) + 2 * dialog_y(a.dialog, 7) + kMinEditHeight;
    const int new_top = std::max(highest, std::min(top, static_cast<int>(pane.bottom) - kMinPaneHeight));
    MoveWindow(a.pane, pane.left, new_top, pane.right - pane.left, pane.bottom - new_top, TRUE);
}

LRESULT CALLBACK pane_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    Analyzer* a = g_analyzer && g_analyzer->pane == window ? g_analyzer : nullptr;
    switch (message) {
    case WM_NCHITTEST:
        return pane_hit_test(window, wparam, lparam);
    case WM_NCLBUTTONDOWN:
        if (!a || wparam != HTTOP) break;
        {
            RECT pane;
            GetWindowRect(window, &pane);
            a->drag_offset = static_cast<short>(HIWORD(lparam)) - pane.top;
            SetCapture(window);
        }
        return 0;
    case WM_MOUSEMOVE:
        if (a && a->drag_offset >= 0) {
            POINT at{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
            MapWindowPoints(window, a->dialog, &at, 1);
            pane_drag_to(*a, at.y - a->drag_offset);
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (a && a->drag_offset >= 0) {
            a->drag_offset = -1;
            if (message == WM_LBUTTONUP) ReleaseCapture();
        }
        return 0;
    case WM_SIZE:
        if (a) {
            layout_pane(*a);
            layout(*a);
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

bool pane_class_registered() {
    static const bool registered = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = pane_proc;
        wc.hInstance = g_app.instance;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
        wc.lpszClassName = kPaneClass;
        return RegisterClassExA(&wc) != 0;
    }();
    return registered;
}

void create_pane(Analyzer& a) {
    if (!pane_class_registered()) {
        last_error_box();
        return;
    }
    RECT rc;
    GetClientRect(a.dialog, &rc);
    a.pane = CreateWindowExA(WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE, kPaneClass, "", WS_CHILD | WS_VISIBLE | WS_DLGFRAME,
                             0, rc.bottom - kPaneHeight, rc.right, kPaneHeight, a.dialog,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_AN_PANE)), g_app.instance, nullptr);
    if (!a.pane) {
        last_error_box();
        return;
    }
    a.description =
        CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_SUNKEN | SS_LEFT, 0, 0, 10, 10, a.pane,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_AN_DESCRIPTION)), g_app.instance, nullptr);
    a.tree = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, 0, 0,
                             10, 10, a.pane, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_AN_PLAN_TREE)),
                             g_app.instance, nullptr);
    const WPARAM font = static_cast<WPARAM>(SendMessageA(control(a, IDC_AN_HINT_LABEL), WM_GETFONT, 0, 0));
    if (a.description) SendMessageA(a.description, WM_SETFONT, font, FALSE);
    if (a.tree) SendMessageA(a.tree, WM_SETFONT, font, FALSE);
}

// ---- the dialog -------------------------------------------------------------------

void on_init(HWND dialog, ConsoleBuffer* console) {
    auto* a = new Analyzer;
    a->console = console;
    a->dialog = dialog;
    g_analyzer = a;
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(a));
    HDC dc = GetDC(dialog);
    a->edit_font = CreateFontA(-MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                               ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               FIXED_PITCH | FF_MODERN, "Courier New");
    ReleaseDC(dialog, dc);
    if (a->edit_font)
        SendMessageA(control(*a, IDC_AN_STATEMENT), WM_SETFONT, reinterpret_cast<WPARAM>(a->edit_font), FALSE);
    HWND combo = control(*a, IDC_AN_HINT);
    for (int i = 0; i < kOptimizerHintCount; ++i)
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kOptimizerHints[i].name));
    const LRESULT none = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(kOptimizerHints[0].name));
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(none), 0);
    create_pane(*a);
    on_hint_change(*a);
    layout(*a);
}

void on_destroy(Analyzer* a) {
    if (a->console) a->console->analyzer_window = nullptr;
    if (a->edit_font) DeleteObject(a->edit_font);
    if (g_analyzer == a) g_analyzer = nullptr;
    delete a;
}

INT_PTR CALLBACK analyzer_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        on_init(dialog, reinterpret_cast<ConsoleBuffer*>(lparam));
        return TRUE;
    }
    auto* a = reinterpret_cast<Analyzer*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!a) return FALSE;
    switch (message) {
    case WM_COMMAND:
        on_command(*a, LOWORD(wparam), HIWORD(wparam));
        return TRUE;
    case WM_SIZE:
        layout(*a);
        return TRUE;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lparam);
        limits->ptMinTrackSize.x = dialog_x(dialog, 260);
        limits->ptMinTrackSize.y = dialog_y(dialog, 200);
        return TRUE;
    }
    case WM_CLOSE:
        close_analyzer(*a);
        return TRUE;
    case WM_DESTROY:
        SetWindowLongPtrA(dialog, DWLP_USER, 0);
        on_destroy(a);
        return TRUE;
    default:
        return FALSE;
    }
}

std::string with_crlf(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p == '\n' && (p == text || p[-1] != '\r')) out += '\r';
        out += *p;
    }
    return out;
}

}  // namespace

HWND analyzer_open(HWND parent, bool activate) {
    // Taken before the dialog is created: its initialisation gives its edit the focus.
    HWND keep_focus = GetFocus();
    HWND dialog = CreateDialogParamA(g_app.instance, MAKEINTRESOURCEA(IDD_ANALYZER), parent, analyzer_proc,
                                     reinterpret_cast<LPARAM>(g_app.buffer));
    if (!dialog) {
        last_error_box();
        return nullptr;
    }
    if (g_app.buffer) g_app.buffer->analyzer_window = dialog;
    ShowWindow(dialog, activate ? SW_SHOW : SW_SHOWNOACTIVATE);
    if (activate) {
        SetFocus(control(*g_analyzer, IDC_AN_STATEMENT));
    } else {
        // Some window managers activate every new window: the one the user types in
        // stays active.
        if (GetActiveWindow() != parent) SetActiveWindow(parent);
        if (keep_focus) SetFocus(keep_focus);
    }
    return dialog;
}

void analyzer_set_text(ConsoleBuffer* console, const char* text) {
    if (!console || !console->analyzer_window) return;
    SetDlgItemTextA(static_cast<HWND>(console->analyzer_window), IDC_AN_STATEMENT, with_crlf(text).c_str());
}

void analyzer_show_statement(const char* text) {
    if (!g_app.buffer) return;
    if (!g_app.buffer->analyzer_window && !analyzer_open(g_app.main, false)) return;
    analyzer_set_text(g_app.buffer, text);
}

void analyzer_plan_clear() {
    if (!g_analyzer) return;
    g_analyzer->items.clear();
    if (g_analyzer->tree) SendMessageA(g_analyzer->tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

namespace {

HTREEITEM insert_item(HWND tree, HTREEITEM parent, const char* text) {
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_STATE;
    insert.item.state = insert.item.stateMask = TVIS_EXPANDED;
    insert.item.pszText = const_cast<char*>(text);
    HTREEITEM item =
        reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    // A parent shows its children only once it has some: expand it again.
    if (parent != TVI_ROOT) SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
    return item;
}

}  // namespace

void analyzer_plan_insert(const PlanItemRequest& item) {
    if (!g_analyzer || !g_analyzer->tree || item.id == 0) return;
    std::vector<HTREEITEM>& items = g_analyzer->items;
    HTREEITEM parent = TVI_ROOT;
    if (item.parent > 0 && item.parent <= items.size() && items[item.parent - 1]) parent = items[item.parent - 1];
    if (items.size() < item.id) items.resize(item.id, nullptr);
    items[item.id - 1] = insert_item(g_analyzer->tree, parent, item.text.c_str());
}

void analyzer_plan_message(const char* text) {
    if (!g_analyzer || !g_analyzer->tree) return;
    analyzer_plan_clear();
    insert_item(g_analyzer->tree, TVI_ROOT, text);
}

bool analyzer_dialog_message(MSG* msg) {
    return g_analyzer && g_analyzer->dialog && IsDialogMessageA(g_analyzer->dialog, msg);
}
