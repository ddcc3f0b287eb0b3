// The toolbar (six fixed command buttons and one check button per on/off option shown on
// it) and the Options dialog, which edits a working copy of the option table and writes
// everything back to the table and the per-user store on OK. The dialog procedure only
// moves data between its controls and the table.

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>
#include <vector>

#include "console/console_buffer.h"
#include "settings/options.h"
#include "settings/registry.h"
#include "command/history_file.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/win32_app.h"

#include <shlobj.h>

namespace {

struct FixedButton {
    int icon;
    int command;
};
const FixedButton kFixedButtons[] = {
    {IDI_CONNECT, IDC_CONNECT}, {IDI_NEW_WINDOW, IDC_NEW_WINDOW}, {0, 0},
    {IDI_COMMIT, IDC_COMMIT},   {IDI_ROLLBACK, IDC_ROLLBACK},     {IDI_CANCEL, IDC_CANCEL_QUERY},
    {IDI_REPEAT, IDC_REPEAT},   {0, 0},
};

int add_icon(HIMAGELIST images, int resource) {
    HICON icon = static_cast<HICON>(
        LoadImageA(g_app.instance, MAKEINTRESOURCEA(resource), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    const int index = ImageList_ReplaceIcon(images, -1, icon);
    if (icon) DestroyIcon(icon);
    return index;
}

// ---- Options dialog ---------------------------------------------------------------

struct OptionsDialog {
    ConsoleBuffer* console = nullptr;
    std::unique_ptr<OptionTable> work;
    bool filling = false;   // controls are being set from the table, not by the user
};

int selected_option(HWND dialog) {
    const LRESULT index = SendDlgItemMessageA(dialog, IDC_OPT_LIST, LB_GETCURSEL, 0, 0);
    return index == LB_ERR ? -1 : static_cast<int>(index);
}

void show_control(HWND dialog, int id, bool visible) { ShowWindow(GetDlgItem(dialog, id), visible ? SW_SHOW : SW_HIDE); }

void show_option(HWND dialog, OptionsDialog* state) {
    const int index = selected_option(dialog);
    state->filling = true;
    if (index < 0) {
        for (int id : {IDC_OPT_VALUE, IDC_OPT_VALUE_LABEL, IDC_OPT_CHECK, IDC_OPT_BROWSE, IDC_OPT_ON_TOOLBAR})
            show_control(dialog, id, false);
        state->filling = false;
        return;
    }
    const OptionEntry& row = state->work->rows[index];
    SetDlgItemTextA(dialog, IDC_OPT_DESCRIPTION, row.description);
    const bool on_off = row.type == OptionType::OnOff;
    show_control(dialog, IDC_OPT_VALUE, !on_off);
    show_control(dialog, IDC_OPT_VALUE_LABEL, !on_off);
    show_control(dialog, IDC_OPT_BROWSE, row.type == OptionType::Directory);
    show_control(dialog, IDC_OPT_CHECK, on_off);
    show_control(dialog, IDC_OPT_ON_TOOLBAR, on_off);
    switch (row.type) {
    case OptionType::String:
    case OptionType::Directory:
        SendDlgItemMessageA(dialog, IDC_OPT_VALUE, EM_LIMITTEXT, static_cast<WPARAM>(row.max_length - 1), 0);
        SetDlgItemTextA(dialog, IDC_OPT_VALUE, row.text.c_str());
        break;
    case OptionType::Number: {
        char text[24];
        std::snprintf(text, sizeof text, "%d", row.number.load());
        SendDlgItemMessageA(dialog, IDC_OPT_VALUE, EM_LIMITTEXT, 19, 0);
        SetDlgItemTextA(dialog, IDC_OPT_VALUE, text);
        break;
    }
    case OptionType::OnOff:
        CheckDlgButton(dialog, IDC_OPT_CHECK, row.number.load() ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_OPT_ON_TOOLBAR, row.on_toolbar.load() ? BST_CHECKED : BST_UNCHECKED);
        break;
    }
    state->filling = false;
}

void store_option(HWND dialog, OptionsDialog* state) {
    const int index = selected_option(dialog);
    if (index < 0 || state->filling) return;
    OptionEntry& row = state->work->rows[index];
    switch (row.type) {
    case OptionType::String:
    case OptionType::Directory: {
        std::vector<char> text(static_cast<size_t>(row.max_length), '\0');
        GetDlgItemTextA(dialog, IDC_OPT_VALUE, text.data(), row.max_length);
        option_set_text(row, text.data());
        break;
    }
    case OptionType::Number: {
        char text[20] = {};
        GetDlgItemTextA(dialog, IDC_OPT_VALUE, text, sizeof text);
        // Text that is no number reads as 0 (stored as 1 on OK); a number beyond the
        // option's range is cut to the range.
        const long long value = std::strtoll(text, nullptr, 10);
        row.number.store(static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX)));
        break;
    }
    case OptionType::OnOff:
        row.number.store(IsDlgButtonChecked(dialog, IDC_OPT_CHECK) == BST_CHECKED ? 1 : 0);
        row.on_toolbar.store(IsDlgButtonChecked(dialog, IDC_OPT_ON_TOOLBAR) == BST_CHECKED ? 1 : 0);
        break;
    }
}

void browse_folder(HWND dialog) {
    BROWSEINFOA info{};
    info.hwndOwner = dialog;
    info.lpszTitle = "Select Directory";
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    if (!chosen) return;
    char path[MAX_PATH] = {};
    if (SHGetPathFromIDListA(chosen, path)) SetDlgItemTextA(dialog, IDC_OPT_VALUE, path);
    CoTaskMemFree(chosen);
}

// Copies the working table into the console's table and the per-user store.
void commit_options(OptionsDialog* state) {
    ConsoleBuffer* console = state->console;
    OptionTable& table = *console->options;
    for (int i = 0; i < kOptionCount; ++i) {
        const OptionEntry& from = state->work->rows[i];
        OptionEntry& to = table.rows[i];
        switch (to.type) {
        case OptionType::String:
        case OptionType::Directory:
            option_set_text(to, from.text.c_str());
            registry_write_string(kRegistryKey, to.name, to.text.c_str());
            break;
        case OptionType::Number:
        case OptionType::OnOff: {
            // A count of 0 or less would leave fetching, history or scripts without room;
            // as with `set`, it becomes 1.
            int value = from.number.load();
            if (to.type == OptionType::Number && value <= 0) value = 1;
            to.number.store(value);
            registry_write_dword(kRegistryKey, to.name, static_cast<std::uint32_t>(value));
            if (to.type == OptionType::OnOff) {
                to.on_toolbar.store(from.on_toolbar.load());
                registry_write_dword(kRegistryToolbarKey, to.name, static_cast<std::uint32_t>(to.on_toolbar.load()));
            }
            break;
        }
        }
        if (to.on_change) to.on_change(console, to);
    }
}

}  // namespace

const char* toolbar_tooltip(int command) {
    switch (command) {
    case IDC_CANCEL_QUERY: return "Cancel Query";
    case IDC_CONNECT: return "Logon";
    case IDC_NEW_WINDOW: return "New Window";
    case IDC_COMMIT: return "Commit";
    case IDC_ROLLBACK: return "Rollback";
    case IDC_REPEAT: return "Repeat Statement";
    default: break;
    }
    const int index = command - IDC_OPTION_BASE;
    if (index >= 0 && index < kOptionCount && g_app.buffer && g_app.buffer->options)
        return g_app.buffer->options->rows[index].label;
    return nullptr;
}

HWND toolbar_build(ConsoleBuffer* console, HINSTANCE instance, HWND parent) {
    if (g_app.toolbar) DestroyWindow(g_app.toolbar);
    if (g_app.toolbar_images) ImageList_Destroy(g_app.toolbar_images);
    g_app.toolbar = nullptr;
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 30, 1);
    g_app.toolbar_images = images;

    std::vector<TBBUTTON> buttons;
    for (const FixedButton& fixed : kFixedButtons) {
        TBBUTTON b{};
        if (fixed.command == 0) {
            b.fsStyle = BTNS_SEP;
        } else {
            b.iBitmap = add_icon(images, fixed.icon);
            b.idCommand = fixed.command;
            b.fsState = TBSTATE_ENABLED;
            b.fsStyle = BTNS_BUTTON;
        }
        buttons.push_back(b);
    }
    for (int i = 0; i < kOptionCount; ++i) {
        const OptionEntry& row = console->options->rows[i];
        if (row.type != OptionType::OnOff || !row.on_toolbar.load() || row.toolbar_command == 0) continue;
        TBBUTTON b{};
        b.iBitmap = add_icon(images, row.toolbar_command);
        b.idCommand = IDC_OPTION_BASE + i;
        b.fsState = static_cast<BYTE>(TBSTATE_ENABLED | (row.number.load() ? TBSTATE_CHECKED : 0));
        b.fsStyle = BTNS_CHECK;
        buttons.push_back(b);
    }

    HWND bar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | TBSTYLE_TOOLTIPS, 0, 0, 0, 0, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_TOOLBAR)), instance, nullptr);
    if (!bar) {
        last_error_box();
        return nullptr;
    }
    SendMessageA(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(bar, TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageA(bar, TB_SETINDENT, 2, 0);
    SendMessageA(bar, TB_AUTOSIZE, 0, 0);
    ShowWindow(bar, SW_SHOW);
    return bar;
}

INT_PTR CALLBACK options_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* state = reinterpret_cast<OptionsDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        state = new OptionsDialog;
        state->console = reinterpret_cast<ConsoleBuffer*>(lparam);
        state->work = std::make_unique<OptionTable>(*state->console->options);
        SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
        for (const OptionEntry& row : state->work->rows)
            SendDlgItemMessageA(dialog, IDC_OPT_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.name));
        SendDlgItemMessageA(dialog, IDC_OPT_LIST, LB_SETCURSEL, 0, 0);
        show_option(dialog, state);
        return TRUE;
    }
    case WM_COMMAND: {
        if (!state) return FALSE;
        const int id = LOWORD(wparam), code = HIWORD(wparam);
        if (id == IDC_OPT_LIST && code == LBN_SELCHANGE) show_option(dialog, state);
        if (id == IDC_OPT_VALUE && code == EN_CHANGE) store_option(dialog, state);
        if ((id == IDC_OPT_CHECK || id == IDC_OPT_ON_TOOLBAR) && code == BN_CLICKED) store_option(dialog, state);
        if (id == IDC_OPT_BROWSE) browse_folder(dialog);
        if (id == IDC_OPT_OK || id == IDOK) {
            commit_options(state);
            ConsoleBuffer* console = state->console;
            delete state;
            SetWindowLongPtrA(dialog, DWLP_USER, 0);
            option_apply_directory(console);
            EndDialog(dialog, 1);
            if (busy_thread_id.load() == 0) PostMessageA(g_app.main, kMsgToolbarRebuild, 0, 0);
        }
        if (id == IDC_OPT_CANCEL || id == IDCANCEL) {
            delete state;
            SetWindowLongPtrA(dialog, DWLP_USER, 0);
            EndDialog(dialog, 0);
        }
        return TRUE;
    }
    default: return FALSE;
    }
}
