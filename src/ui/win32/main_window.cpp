// vantro.exe: the entry point, the main window (class "VListVwClass") with its menu,
// accelerators and tooltips, the commands and their busy guards, the message loop and
// the shutdown order. Everything a command does is done by the module named in it; this
// file only decides when and in which order.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "command/whenever.h"
#include "command/core_init.h"
#include "command/editor.h"
#include "command/history.h"
#include "command/history_file.h"
#include "command/statement.h"
#include "console/console_buffer.h"
#include "oci/db_session.h"
#include "oci/oci_loader.h"
#include "platform/process.h"
#include "settings/options.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/schema_browser.h"
#include "ui/win32/session_hooks.h"
#include "ui/win32/sql_analyzer.h"
#include "ui/win32/win32_app.h"
#include "ui/win32/win32_frontend.h"
#include "vantro_version.h"

namespace {

constexpr const char* kMainClass = "VListVwClass";

Win32Frontend g_frontend;

bool busy() { return busy_thread_id.load() != 0; }

// Drops the unfinished input and types a statement as if the user had typed it.
void run_typed(ConsoleBuffer* console, const char* text, bool drop_input) {
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    if (drop_input) {
        console_print("\r");
        finish(console, false, false);
    }
    input_feed(console, "%s", text);
}

bool file_exists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The application file of New window: the path the process was started with, or found
// in the current directory or along PATH.
std::string find_application() {
    std::string name = g_app.app_path;
    if (name.size() < 4 || _stricmp(name.c_str() + name.size() - 4, ".exe") != 0) name += ".exe";
    if (name.find('\\') != std::string::npos) return file_exists(name) ? name : std::string();
    if (file_exists(name)) return name;
    char path[1025] = {};
    GetEnvironmentVariableA("PATH", path, sizeof path);
    const std::string list = path;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(';', start);
        if (end == std::string::npos) end = list.size();
        const std::string candidate = list.substr(start, end - start) + "\\" + name;
        if (end > start && file_exists(candidate)) return candidate;
        start = end + 1;
    }
    return std::string();
}

void start_new_window() {
    const std::string exe = find_application();
    if (exe.empty()) {
        MessageBoxA(g_app.main, "Can't find vantro.exe!", nullptr, MB_OK | MB_ICONSTOP);
        return;
    }
    const std::string description =
        session_hooks().connect_description ? session_hooks().connect_description() : std::string();
    // The new instance reads the history file at start-up: it gets this one's history.
    history_save(g_app.buffer);
    // The description is one argument whatever it holds (a quoted password, blanks).
    std::vector<std::string> arguments{exe};
    if (!description.empty()) arguments.push_back(description);
    const std::string command_line = process_windows_command_line(arguments);
    std::vector<char> line(command_line.begin(), command_line.end());
    line.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        last_error_box();
        return;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

void open_options() {
    if (DialogBoxParamA(g_app.instance, MAKEINTRESOURCEA(IDD_OPTIONS), g_app.main, options_dialog_proc,
                        reinterpret_cast<LPARAM>(g_app.buffer)) == -1)
        last_error_box();
}

void start_paste_command() {
    if (paste_thread_id.load() != 0) return;
    HANDLE thread = console_paste(g_app.buffer);
    if (!thread) return;
    if (g_app.paste_thread) CloseHandle(g_app.paste_thread);
    g_app.paste_thread = thread;
    SetTimer(g_app.main, kPasteWatchTimer, 500, nullptr);
}

void recall_history(ConsoleBuffer* console, bool previous) {
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    if (previous)
        history_previous(console);
    else
        history_next(console);
}

void on_command(HWND window, int command) {
    ConsoleBuffer* console = g_app.buffer;
    if (command >= IDC_OPTION_BASE && command < IDC_OPTION_BASE + kOptionCount) {
        option_toggle(console, command - IDC_OPTION_BASE);
        return;
    }
    switch (command) {
    case IDC_EXIT:
        if (!busy()) DestroyWindow(window);
        break;
    case IDC_CANCEL_QUERY:
        if (session_hooks().cancel) session_hooks().cancel();
        break;
    case IDC_PREVIOUS:
    case IDC_NEXT:
        if (!busy()) recall_history(console, command == IDC_PREVIOUS);
        break;
    case IDC_OPTIONS: open_options(); break;
    case IDC_CONNECT:
        if (!busy() && logon_dialog(window, console)) logon_run_pending(console);
        break;
    case IDC_DISCONNECT:
        if (!busy() && session_hooks().disconnect) session_hooks().disconnect(console);
        break;
    case IDC_NEW_WINDOW: start_new_window(); break;
    case IDC_COMMIT:
        if (!busy()) run_typed(console, "commit;\n", true);
        break;
    case IDC_ROLLBACK:
        if (!busy()) run_typed(console, "rollback;\n", true);
        break;
    case IDC_REPEAT:
        if (!busy()) run_typed(console, "/\n", false);
        break;
    case IDC_COPY:
        if (GetFocus() == g_app.console)
            console_copy_selection(console);
        else if (g_app.list && GetFocus() == g_app.list)
            copy_result_rows(g_app.list, true);
        break;
    case IDC_PASTE: start_paste_command(); break;
    case IDC_FAVOURITES_ADD: favourites_open(window); break;
    case IDC_COPY_FIRST_COLUMN: copy_result_rows(g_app.list, false); break;
    case IDC_COPY_ENTIRE_LINE: copy_result_rows(g_app.list, true); break;
    case IDC_ANALYZER:
        if (console->analyzer_window)
            SetActiveWindow(static_cast<HWND>(console->analyzer_window));
        else
            analyzer_open(window, true);
        break;
    case IDC_SCHEMA:
        // While a browser is open the command does nothing; it opens none while busy.
        if (!console->schema_window) console->schema_window = schema_browser_open(nullptr);
        break;
    case IDC_EXPORT:
        if (!busy()) export_command(window, console);
        break;
    default: break;
    }
}

LRESULT on_create(HWND window) {
    g_app.main = window;
    g_app.splitter = splitter_create(window);
    if (g_app.splitter) {
        g_app.list = result_list_create(g_app.splitter);
        result_list_setup_now();
    }
    g_app.console = console_window_create(window, g_app.buffer);
    if (!g_app.console) return -1;
    g_app.toolbar = toolbar_build(g_app.buffer, g_app.instance, window);
    g_app.buffer->attached.store(true);
    SetForegroundWindow(g_app.console);
    EnableWindow(g_app.console, TRUE);
    console_print("Vantro version %s\n", VANTRO_VERSION);
    return 0;
}

// Tooltips ask in the ANSI or the wide form depending on the common controls in use; the
// texts are plain ASCII, copied into the request's own buffer for the wide form.
LRESULT on_notify(NMHDR* header) {
    if (header->code == TTN_GETDISPINFOA) {
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
        if (const char* text = toolbar_tooltip(static_cast<int>(header->idFrom))) info->lpszText = const_cast<char*>(text);
    } else if (header->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
        if (const char* text = toolbar_tooltip(static_cast<int>(header->idFrom))) {
            const size_t n = std::min(std::strlen(text), sizeof info->szText / sizeof info->szText[0] - 1);
            for (size_t i = 0; i < n; ++i) info->szText[i] = static_cast<WCHAR>(static_cast<unsigned char>(text[i]));
            info->szText[n] = 0;
            info->lpszText = info->szText;
        }
    }
    return 0;
}

void on_paste_watch(HWND window) {
    DWORD code = 0;
    if (g_app.paste_thread && GetExitCodeThread(g_app.paste_thread, &code) && code == STILL_ACTIVE) return;
    KillTimer(window, kPasteWatchTimer);
    g_app.toolbar = toolbar_build(g_app.buffer, g_app.instance, window);
    splitter_layout();
}

// The core's requests for the SQL analyzer; each frees what the requester allocated.
void on_analyzer_request(UINT message, LPARAM lparam) {
    switch (message) {
    case kMsgAnalyzerShow: {
        char* text = reinterpret_cast<char*>(lparam);
        analyzer_show_statement(text);
        delete[] text;
        break;
    }
    case kMsgPlanClear: analyzer_plan_clear(); break;
    case kMsgPlanInsert: {
        auto* item = reinterpret_cast<PlanItemRequest*>(lparam);
        analyzer_plan_insert(*item);
        delete item;
        break;
    }
    case kMsgPlanMessage: {
        char* text = reinterpret_cast<char*>(lparam);
        analyzer_plan_message(text);
        delete[] text;
        break;
    }
    default: break;
    }
}

LRESULT CALLBACK main_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE: return on_create(window);
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_SIZE:
        if (g_app.toolbar) SendMessageA(g_app.toolbar, TB_AUTOSIZE, 0, 0);
        splitter_place_at_bottom();
        splitter_layout();
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wparam) != WA_INACTIVE && g_app.console) SetFocus(g_app.console);
        return 0;
    case WM_NOTIFY: return on_notify(reinterpret_cast<NMHDR*>(lparam));
    case WM_TIMER:
        if (wparam == kPasteWatchTimer) on_paste_watch(window);
        return 0;
    case WM_COMMAND: on_command(window, LOWORD(wparam)); return 0;
    case kMsgQuit: DestroyWindow(window); return 0;
    case kMsgResultClear: result_list_clear_now(); return 0;
    case kMsgResultSetup: result_list_setup_now(); return 0;
    case kMsgToolbarRebuild:
        g_app.toolbar = toolbar_build(g_app.buffer, g_app.instance, window);
        splitter_layout();
        return 0;
    case kMsgSetTitle: {
        char* text = reinterpret_cast<char*>(lparam);
        SetWindowTextA(window, text);
        delete[] text;
        return 0;
    }
    case kMsgWaitCursor:
        SetCursor(LoadCursorA(nullptr, wparam ? IDC_WAIT : IDC_ARROW));
        return 0;
    case kMsgAnalyzerShow:
    case kMsgPlanClear:
    case kMsgPlanInsert:
    case kMsgPlanMessage: on_analyzer_request(message, lparam); return 0;
    case kMsgSchemaAppend: {
        char* text = reinterpret_cast<char*>(lparam);
        schema_browser_append(reinterpret_cast<HWND>(wparam), text);
        delete[] text;
        return 0;
    }
    default: return DefWindowProcA(window, message, wparam, lparam);
    }
}

bool register_main_class(HINSTANCE instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = main_proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, 16, 16, 0));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszMenuName = MAKEINTRESOURCEA(IDM_MAIN);
    wc.lpszClassName = kMainClass;
    if (RegisterClassExA(&wc)) return true;
    WNDCLASSA plain{};
    plain.lpfnWndProc = main_proc;
    plain.hInstance = instance;
    plain.hIcon = wc.hIcon;
    plain.hCursor = wc.hCursor;
    plain.hbrBackground = wc.hbrBackground;
    plain.lpszMenuName = wc.lpszMenuName;
    plain.lpszClassName = kMainClass;
    return RegisterClassA(&plain) != 0;
}

HWND focus_owner_of(HWND focus) {
    for (HWND w = focus; w; w = GetParent(w))
        if (w == g_app.console || w == g_app.list) return g_app.main;
    return nullptr;
}

// One message as the main loop handles it: the schema browser's accelerators while its
// pane has the focus, the main window's while the console or the list has it, the
// analyzer's dialog keys, then the window's own.
void handle_message(MSG* msg) {
    if (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) {
        if (schema_browser_translate(msg)) return;
        HWND target = focus_owner_of(GetFocus());
        if (target && TranslateAcceleratorA(target, g_app.accel_main, msg)) return;
    }
    if (analyzer_dialog_message(msg)) return;
    TranslateMessage(msg);
    DispatchMessageA(msg);
}

int message_loop() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) handle_message(&msg);
    return static_cast<int>(msg.wParam);
}

// The database layer behind the Logon dialog, Cancel, Disconnect and New window.
void install_database_hooks() {
    SessionHooks hooks;
    hooks.connect = [](ConsoleBuffer*, const char* user, const char* password, const char* database,
                       const char* mode) { return db_connect(user, password, database, mode); };
    hooks.connect_command = [](ConsoleBuffer*, const char* connect_string) {
        return db_connect_command(connect_string);
    };
    hooks.session_open = [] { return session_open.load() != 0; };
    hooks.connect_description = [] { return connect_description(); };
    hooks.cancel = [] { db_cancel(); };
    hooks.disconnect = [](ConsoleBuffer*) { db_disconnect(); };
    session_install_hooks(hooks);
}

// The banner's second line: which OCI library the session uses.
void print_library_line() {
    const OciLoadResult library = oci_load();
    if (library.code != 0) return;   // the loader has said what failed
    const size_t slash = library.path.find_last_of("\\/");
    const std::string file = slash == std::string::npos ? library.path : library.path.substr(slash + 1);
    const char* kind = "";
    switch (library.kind) {
    case OciLibraryKind::Embedded: kind = "embedded engine"; break;
    case OciLibraryKind::Oracle: kind = "Oracle client"; break;
    case OciLibraryKind::Explicit: kind = "library from VANTRO_OCI_LIB"; break;
    case OciLibraryKind::None: return;
    }
    console_print("OCI: %s (%s)\n", kind, file.c_str());
}

void shutdown_core() {
    ConsoleBuffer* console = g_app.buffer;
    console->attached.store(false);
    g_app.console = nullptr;
    // A statement waiting for a typed line gets an empty one, then it is cancelled; the
    // console must outlive every worker that may print to it.
    while (busy() || console->line_request_active.load() != 0) {
        {
            std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
            console->line_input_mode.store(LineInputNone);
        }
        if (busy() && session_hooks().cancel) session_hooks().cancel();
        Sleep(20);
    }
    while (paste_thread_id.load() != 0) Sleep(20);
    if (std::FILE* spool = console_spool_swap(console, nullptr)) std::fclose(spool);
    history_save(console);
    if (session_is_open() && session_hooks().disconnect) session_hooks().disconnect(console);
    core_stop(console);
    g_app.buffer = nullptr;
    frontend_install(nullptr);
}

// The words after the connect string run as one typed line, without echo.
void run_command_line(ConsoleBuffer* console, const std::vector<std::string>& words) {
    std::string line;
    for (size_t i = 2; i < words.size(); ++i) {
        if (!line.empty()) line += ' ';
        line += words[i];
    }
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    const int echo = console->echo.exchange(0);
    input_type_text(console, line.c_str());
    input_enter(console);
    console->echo.store(echo);
}

}  // namespace

void error_text_box(const char* text) { MessageBoxA(g_app.main, text, nullptr, MB_OK | MB_ICONSTOP); }

void pump_pending_messages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        handle_message(&msg);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    g_app.instance = instance;
    if (!register_main_class(instance)) return 0;
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES |
                                                                    ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    if (!console_window_register(instance)) return 0;

    // The core: the console with its options from the per-user store, the dispatcher, the
    // OCI handle set and the variables; the database layer behind the Logon dialog,
    // Cancel, Disconnect and New window.
    install_database_hooks();
    g_app.buffer = core_start(&g_frontend);
    if (g_app.buffer) g_app.buffer->input_interactive.store(true);
    // While the external editor runs, the windows keep answering: they repaint, move and
    // refuse statements (the edit marks the console busy).
    EditorHooks editor;
    editor.poll = [](void*) { pump_pending_messages(); };
    editor_install_hooks(editor);
    busy_thread_id.store(1);   // nothing can be typed until start-up is complete

    HWND main = CreateWindowExA(0, kMainClass, "Vantro", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (!main) {
        busy_thread_id.store(0);
        core_stop(g_app.buffer);
        return 0;
    }
    ShowWindow(main, show);
    UpdateWindow(main);
    print_library_line();

    const std::vector<std::string> words = split_arguments(GetCommandLineA());
    g_app.app_path = words.empty() ? std::string() : words.front();
    history_load(g_app.buffer);
    load_recent();
    g_app.list_popup = LoadMenuA(instance, MAKEINTRESOURCEA(IDM_LIST_POPUP));

    // A connect string on the command line connects at once; without one, or when it
    // fails, the Logon dialog asks, and cancelling it ends the program.
    if (words.size() > 1) {
        busy_thread_id.store(0);
        const int connected = session_connect_command(g_app.buffer, words[1].c_str());
        busy_thread_id.store(1);
        if (connected == 0) {
            std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
            logon_prepare_first_use(current_database());
            console_print_prompt();
        }
    }
    if (session_is_open()) {
        options_load(g_app.buffer);
        option_apply_directory(g_app.buffer);
    } else if (!logon_dialog(main, g_app.buffer)) {
        DestroyWindow(main);
        busy_thread_id.store(0);
        shutdown_core();
        return 0;
    }

    EnableWindow(g_app.console, TRUE);
    busy_thread_id.store(0);
    gui_thread_id.store(GetCurrentThreadId());
    g_app.accel_schema = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_SCHEMA));
    g_app.accel_main = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_MAIN));
    SetFocus(g_app.console);
    logon_run_pending(g_app.buffer);
    if (words.size() > 2) {
        // Typing is refused while a statement runs: the words wait for the demo script.
        while (busy()) {
            pump_pending_messages();
            Sleep(10);
        }
        run_command_line(g_app.buffer, words);
    }

    const int code = message_loop();
    shutdown_core();
    // exit n, or a WHENEVER ... EXIT, gives the process its status.
    return program_exit_requested() ? program_exit_status() : code;
}
