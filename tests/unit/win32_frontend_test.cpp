// The Windows front end's line-input wait on the GUI thread: the nested message loop
// keeps dispatching until Enter ends the line, and hands a quit on to the outer loop.
#include <gtest/gtest.h>

#include "command/core_init.h"
#include "console/console_buffer.h"
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

}  // namespace
