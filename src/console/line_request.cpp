// A worker (or the GUI thread) asks the user for one line while the statement being run
// stays in the input line untouched. The request clears the busy flag so that the front
// end accepts typing again, and waits until Enter ends the line.
#include "console/console_buffer.h"
#include "console/console_internal.h"
#include "frontend/frontend.h"

namespace {

// No line can come any more: the request gets an empty line and a running script stops,
// since every later request would end the same way.
std::string end_of_input(ConsoleBuffer* console) {
    if (console->script_depth.load() > 0) console->script_stop.store(1);
    return std::string();
}

}  // namespace

std::string console_request_line(ConsoleBuffer* console, bool hidden) {
    if (console->input_ended.load()) return end_of_input(console);
    InputLine saved;
    ThreadId saved_busy;
    int saved_echo;
    // Whoever reads the spool file while the user types sees what came before the question.
    spool_flush();
    {
        std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
        saved = std::move(g_input);
        g_input = InputLine();
        console->line_request_active.fetch_add(1);
        saved_echo = console->echo.exchange(1);
        saved_busy = busy_thread_id.exchange(0);
        console->line_input_mode.store(hidden ? LineInputHidden : LineInputVisible);
    }
    if (saved_busy == 0) {
        // On the GUI thread: keep handling events until Enter ends the line.
        if (Frontend* front = frontend()) front->pump_until_line_entered(console->line_input_mode);
        console->line_input_mode.store(LineInputNone);
    } else {
        while (console->line_input_mode.load() != LineInputNone) platform_sleep_ms(50);
    }
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    busy_thread_id.store(saved_busy);
    console->echo.store(saved_echo);
    std::string line = std::move(g_input.text);
    g_input = std::move(saved);
    console->line_request_active.fetch_sub(1);
    if (console->input_ended.load()) return end_of_input(console);
    return line;
}
