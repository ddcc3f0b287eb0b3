// What the windows of the Windows front end share: the process-wide window handles, the
// private messages a worker posts to the GUI thread, and the entry points of each window
// module. Only Win32 front-end files include this.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <commctrl.h>

#include <string>

struct ConsoleBuffer;

struct AppWindows {
    HINSTANCE instance = nullptr;
    HWND main = nullptr;
    HWND console = nullptr;
    HWND splitter = nullptr;
    HWND list = nullptr;
    HWND toolbar = nullptr;
    HIMAGELIST toolbar_images = nullptr;
    HMENU list_popup = nullptr;
    HACCEL accel_main = nullptr;
    HACCEL accel_schema = nullptr;
    ConsoleBuffer* buffer = nullptr;
    std::string app_path;
    HANDLE paste_thread = nullptr;   // started by the Paste command, watched by timer 5
};
extern AppWindows g_app;

// Posted to the main window by any thread; handled on the GUI thread.
constexpr UINT kMsgConsoleChanged = WM_APP + 1;   // to the console window; wParam: scroll bars too
constexpr UINT kMsgQuit = WM_APP + 2;
constexpr UINT kMsgResultClear = WM_APP + 3;
constexpr UINT kMsgResultSetup = WM_APP + 4;
constexpr UINT kMsgToolbarRebuild = WM_APP + 5;
constexpr UINT kMsgSetTitle = WM_APP + 6;          // lParam: char* from new[], freed by the handler
constexpr UINT kMsgWaitCursor = WM_APP + 7;        // wParam: on
constexpr UINT kMsgHintAccept = WM_APP + 8;        // to the console window: insert completion wParam (the entry's index)
constexpr UINT kMsgHintClose = WM_APP + 9;         // to the console window: close the completion list
constexpr UINT kMsgHintSelect = WM_APP + 10;       // to the console window: completion wParam was clicked
// The SQL analyzer's requests, in the order the core made them (see sql_analyzer.h).
constexpr UINT kMsgAnalyzerShow = WM_APP + 11;     // lParam: char* statement from new[], freed by the handler
constexpr UINT kMsgPlanClear = WM_APP + 12;
constexpr UINT kMsgPlanInsert = WM_APP + 13;       // lParam: PlanItemRequest* from new, freed by the handler
constexpr UINT kMsgPlanMessage = WM_APP + 14;      // lParam: char* from new[], freed by the handler
// Text for a schema browser's pane, in the order the core made it.
constexpr UINT kMsgSchemaAppend = WM_APP + 15;     // wParam: the browser (null: the open one); lParam: char* from new[], freed by the handler
// Counters for tests and screen readers, answered by the window they are sent to: the
// console window's paints, the result pane's cells read from the result file.
constexpr UINT kMsgPaintCount = WM_APP + 60;
constexpr UINT kMsgCellReadCount = WM_APP + 61;

constexpr UINT_PTR kPasteWatchTimer = 5;

// The system's text for the last error in a stop box.
void error_text_box(const char* text);
// last_error_box (the system text of the last error in a message box) is the core's,
// declared in command/history_file.h.

// Console window (TextClass).
bool console_window_register(HINSTANCE instance);
HWND console_window_create(HWND parent, ConsoleBuffer* console);
void console_copy_selection(ConsoleBuffer* console);
// Starts the paste thread unless one runs; its handle, or null.
HANDLE console_paste(ConsoleBuffer* console);

// Result list and splitter.
HWND splitter_create(HWND parent);
HWND result_list_create(HWND parent);
void splitter_layout();
void splitter_place_at_bottom();
void result_list_setup_now();
void result_list_clear_now();
// The selected rows of the result list on the clipboard: all fields of each row separated
// by a blank (whole_line), or only the first field.
void copy_result_rows(HWND list, bool whole_line);

// The Export command: save dialog, then the chosen format's writer.
void export_command(HWND owner, ConsoleBuffer* console);

// Toolbar and Options dialog.
HWND toolbar_build(ConsoleBuffer* console, HINSTANCE instance, HWND parent);
INT_PTR CALLBACK options_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
// Tooltip text of a toolbar command, or null.
const char* toolbar_tooltip(int command);

// Logon dialog: 1 after a successful connect, 0 when cancelled.
int logon_dialog(HWND owner, ConsoleBuffer* console);
// After a connect to `database`: when it opened the embedded demo database for the first
// time, says so on the console and keeps the line that runs the demo script.
void logon_prepare_first_use(const std::string& database);
// Types the line a logon left to run (the demo script of a new demo database), if any;
// call once the console accepts input again.
void logon_run_pending(ConsoleBuffer* console);

// Pending messages of the GUI thread, handled as the main loop would (the external
// editor's wait); a quit stays queued for the main loop.
void pump_pending_messages();

// Favourites window.
HWND favourites_open(HWND owner);
