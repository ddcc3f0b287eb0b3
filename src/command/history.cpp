// The in-memory command history and browsing. The recording step runs on whichever
// thread ends a statement; browsing runs on the GUI thread while no worker runs. A
// mutex guards the entries; it is never held while typing into the console.
#include "command/history.h"

#include <mutex>

#include "command/client_commands.h"
#include "command/command_handlers.h"
#include "command/history_file.h"
#include "command/statement.h"
#include "console/console_buffer.h"
#include "settings/options.h"

namespace {

std::mutex g_history_lock;
std::vector<HistoryEntry> g_entries;
int g_position = 0;
bool g_has_saved_input = false;
std::string g_saved_input;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string trimmed(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && is_blank(text[begin])) ++begin;
    while (end > begin && is_blank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

int last_sql_locked() {
    for (int i = static_cast<int>(g_entries.size()) - 1; i >= 0; --i)
        if (g_entries[static_cast<size_t>(i)].is_sql) return i;
    return -1;
}

// Whether the input still shows the entry unchanged; the last ";" or "/" of the input is
// left out when the entry was ended by one.
bool input_shows(const std::string& input, const HistoryEntry& entry) {
    std::string shown = input;
    if (entry.terminator == ';' || entry.terminator == '/') {
        const size_t at = shown.find_last_of(entry.terminator);
        if (at != std::string::npos) shown.erase(at, 1);
    }
    return trimmed(shown) == entry.text;
}

void no_previous_command(ConsoleBuffer* console) {
    console_print("No previous command\n");
    {
        std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
        g_input.text.clear();
        g_input.cursor = 0;
    }
    finish(console, false, false);
}

bool last_sql_text(std::string* text) {
    std::lock_guard<std::mutex> guard(g_history_lock);
    const int last = last_sql_locked();
    if (last < 0) return false;
    *text = g_entries[static_cast<size_t>(last)].text;
    return true;
}



}  // namespace

void command_run_last(const ClientCommandContext& c) {
    std::string text;
    if (c.console->recall_mode.load() || !last_sql_text(&text)) {
        no_previous_command(c.console);
        return;
    }
    {
        std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
        g_input.text.clear();
        g_input.cursor = 0;
        finish(c.console, false, false);
        c.console->recall_mode.store(1);
        input_feed(c.console, "%s", text.c_str());
        input_enter(c.console);
        g_input.text += "\n/";
        g_input.cursor = g_input.length();
        if (c.console->echo.load()) console_print("\r");
    }
    c.console->recall_mode.store(0);
    dispatch(c.console);
}

void command_rerun_last(const ClientCommandContext& c) {
    std::string text;
    if (c.console->recall_mode.load() || !last_sql_text(&text)) {
        no_previous_command(c.console);
        return;
    }
    {
        std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
        g_input.text = text + "\n/";
        g_input.cursor = g_input.length();
    }
    c.console->recall_mode.store(1);
    dispatch(c.console);
    c.console->recall_mode.store(0);
}

namespace {

// Records one entry under the rules of the recording step: nothing while a script runs or
// with commandhistory below 1, no duplicate of the newest entry, the oldest dropped at the
// limit.
void store_entry(ConsoleBuffer* console, const std::string& input, char terminator, bool is_sql) {
    const OptionTable* options = console->options;
    const int limit = options ? options->number(Option::Commandhistory) : 100;
    const int maxlines = options ? options->number(Option::Maxlines) : 1000;
    if (input.empty() || console->script_depth.load() > 0 || limit < 1) return;
    int lines = 1;
    for (char c : input)
        if (c == '\n') ++lines;
    if (lines >= maxlines) return;
    const std::string text = trimmed(input);
    if (options && options->on(Option::History)) history_log_statement(text.c_str());

    std::lock_guard<std::mutex> guard(g_history_lock);
    if (!g_entries.empty() && g_entries.back().text == text) {
        g_position = static_cast<int>(g_entries.size());
        return;
    }
    // At the limit the oldest entries go (with a limit of 1, the one entry is replaced).
    const int count = static_cast<int>(g_entries.size());
    if (count >= limit) g_entries.erase(g_entries.begin(), g_entries.begin() + (count - limit + 1));
    // A command that keeps its ";" in its text (prompt, define) is recalled as typed: the
    // terminator is not added a second time.
    if ((terminator == ';' || terminator == '/') && !text.empty() && text.back() == terminator) terminator = '\n';
    g_entries.push_back(HistoryEntry{text, terminator, is_sql});
    g_position = static_cast<int>(g_entries.size());
}

}  // namespace

void history_record(ConsoleBuffer* console, char terminator, bool is_sql) {
    store_entry(console, g_input.text, terminator, is_sql);
}

void history_record_statement(ConsoleBuffer* console, const std::string& text) {
    store_entry(console, text, ';', true);
}

void history_discard_saved_input(ConsoleBuffer*) {
    std::lock_guard<std::mutex> guard(g_history_lock);
    g_has_saved_input = false;
    g_saved_input.clear();
}

int history_last_sql() {
    std::lock_guard<std::mutex> guard(g_history_lock);
    return last_sql_locked();
}

std::vector<HistoryEntry> history_entries() {
    std::lock_guard<std::mutex> guard(g_history_lock);
    return g_entries;
}

int history_position() {
    std::lock_guard<std::mutex> guard(g_history_lock);
    return g_position;
}

void history_clear() {
    std::lock_guard<std::mutex> guard(g_history_lock);
    g_entries.clear();
    g_position = 0;
    g_has_saved_input = false;
    g_saved_input.clear();
}

void history_load_into_console(ConsoleBuffer* console, const HistoryEntry* entry) {
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    int newlines = 0;
    for (char c : g_input.text)
        if (c == '\n') ++newlines;
    if (newlines > 0) console_drop_rows(console, newlines);
    console_print("\r");
    finish(console, false, false);
    if (!entry) return;
    console->recall_mode.store(1);
    const std::string& text = entry->text;
    size_t start = 0, newline;
    while ((newline = text.find('\n', start)) != std::string::npos) {
        input_type_text(console, text.substr(start, newline - start).c_str());
        input_enter(console);
        start = newline + 1;
    }
    input_type_text(console, text.substr(start).c_str());
    if (entry->terminator == ';') {
        input_type_text(console, ";");
    } else if (entry->terminator == '/') {
        input_enter(console);
        input_type_text(console, "/");
    }
    console->recall_mode.store(0);
}

void history_previous(ConsoleBuffer* console) {
    if (busy_thread_id.load() != 0) return;
    HistoryEntry entry;
    {
        std::lock_guard<std::mutex> guard(g_history_lock);
        if (g_position < 1) return;
        const int count = static_cast<int>(g_entries.size());
        const std::string& input = g_input.text;
        const bool browsing = g_position < count;
        if ((!browsing && !input.empty()) ||
            (browsing && !input_shows(input, g_entries[static_cast<size_t>(g_position)]))) {
            g_saved_input = input;
            g_has_saved_input = true;
        }
        g_position -= 1;
        entry = g_entries[static_cast<size_t>(g_position)];
    }
    history_load_into_console(console, &entry);
}

void history_next(ConsoleBuffer* console) {
    if (busy_thread_id.load() != 0) return;
    HistoryEntry entry;
    bool have_entry = false;
    {
        std::lock_guard<std::mutex> guard(g_history_lock);
        const int count = static_cast<int>(g_entries.size());
        if (g_position < count - 1) {
            g_position += 1;
            entry = g_entries[static_cast<size_t>(g_position)];
            have_entry = true;
        } else if (g_position == count - 1) {
            g_position = count;
            if (g_has_saved_input) {
                entry = HistoryEntry{g_saved_input, '\n', false};
                have_entry = true;
            }
            g_has_saved_input = false;
            g_saved_input.clear();
        } else {
            return;
        }
    }
    history_load_into_console(console, have_entry ? &entry : nullptr);
}

void history_install() {
    dispatcher_install_history(HistoryHooks{history_record, history_discard_saved_input});
}
