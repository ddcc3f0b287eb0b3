// The Windows front end's line-input wait on the GUI thread: the nested message loop
// keeps dispatching until Enter ends the line, and hands a quit on to the outer loop. And
// its analyzer requests: handled at once on the GUI thread, posted in order from others.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "command/core_init.h"
#include "console/console_buffer.h"
#include "ui/win32/sql_analyzer.h"
#include "ui/win32/win32_app.h"
#include "ui/win32/win32_frontend.h"

namespace {

ConsoleBuffer* g_test_console = nullptr;

// Types "abc" and Enter from a timer, as keys handled by the console window would.
void CALLBACK type_answer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    input_feed(g_test_console, "%s", "abc");
    input_enter(g_test_console);
}

TEST(Win32LineRequest, NestedLoopRunsUntilEnterAndKeepsTheStatement) {
    Win32Frontend front;
    ConsoleBuffer* console = core_start(&front);
    console->attached.store(true);
    g_test_console = console;
    {
        std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
        input_feed(console, "%s", "select 1");
    }
    ASSERT_NE(SetTimer(nullptr, 0, 10, type_answer), 0u);
    EXPECT_EQ(console_request_line(console, false), "abc");
    EXPECT_EQ(g_input.text, "select 1");
    EXPECT_EQ(console->line_input_mode.load(), LineInputNone);
    core_stop(console);
    frontend_install(nullptr);
    g_input = InputLine();
}

TEST(Win32LineRequest, QuitEndsTheWaitAndReachesTheOuterLoop) {
    Win32Frontend front;
    std::atomic<int> mode{LineInputVisible};
    PostQuitMessage(7);
    front.pump_until_line_entered(mode);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

// What a stand-in main window received of the analyzer requests, one line each.
std::vector<std::string> g_requests;

LRESULT CALLBACK recording_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case kMsgAnalyzerShow:
    case kMsgPlanMessage: {
        char* text = reinterpret_cast<char*>(lparam);
        g_requests.push_back(std::string(message == kMsgAnalyzerShow ? "show " : "message ") + text);
        delete[] text;
        return 0;
    }
    case kMsgPlanClear: g_requests.push_back("clear"); return 0;
    case kMsgPlanInsert: {
        auto* item = reinterpret_cast<PlanItemRequest*>(lparam);
        g_requests.push_back("insert " + std::to_string(item->id) + " under " + std::to_string(item->parent) + " " +
                             item->text);
        delete item;
        return 0;
    }
    default: return DefWindowProcA(window, message, wparam, lparam);
    }
}

void explain_two_steps(Win32Frontend& front, std::vector<std::uintptr_t>* ids) {
    front.analyzer_open("select 1\nfrom dual");
    front.plan_clear();
    ids->push_back(front.plan_insert(0, "SELECT STATEMENT"));
    ids->push_back(front.plan_insert(ids->back(), "FAST DUAL"));
    front.plan_message("ORA-00942: table or view does not exist");
}

TEST(Win32AnalyzerRequests, ArriveInTheOrderMadeFromAnyThread) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = recording_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "RecordingMain";
    RegisterClassA(&wc);
    g_app.main = CreateWindowA("RecordingMain", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(g_app.main, nullptr);
    gui_thread_id.store(GetCurrentThreadId());
    Win32Frontend front;
    const std::vector<std::string> expected = {"show select 1\nfrom dual", "clear", "insert 1 under 0 SELECT STATEMENT",
                                               "insert 2 under 1 FAST DUAL",
                                               "message ORA-00942: table or view does not exist"};

    // On the GUI thread each request is handled before the call returns.
    std::vector<std::uintptr_t> ids;
    explain_two_steps(front, &ids);
    EXPECT_EQ(g_requests, expected);
    EXPECT_EQ(ids, (std::vector<std::uintptr_t>{1, 2}));

    // From a worker nothing waits for the GUI thread; the queue keeps the order.
    g_requests.clear();
    ids.clear();
    std::thread worker([&] { explain_two_steps(front, &ids); });
    worker.join();
    EXPECT_TRUE(g_requests.empty());
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    EXPECT_EQ(g_requests, expected);
    EXPECT_EQ(ids, (std::vector<std::uintptr_t>{1, 2})) << "a new plan starts its ids again";

    DestroyWindow(g_app.main);
    g_app.main = nullptr;
    gui_thread_id.store(0);
}

}  // namespace
