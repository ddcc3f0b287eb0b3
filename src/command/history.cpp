// The in-memory command history and browsing. The recording step runs on whichever
// thread ends a statement; browsing runs on the GUI thread while no worker runs. A
// mutex guards the entries; it is never held while typing into the console.
#include "command/history.h"

#include <mutex>

#include "command/classify.h"
#include "command/client_commands.h"
#include "command/command_handlers.h"
#include "command/history_file.h"
#include "command/statement.h"
#include "command/words.h"
#include "console/console_buffer.h"
#include "settings/options.h"

namespace {

std::mutex g_history_lock;
std::vector<HistoryEntry> g_entries;
int g_position = 0;
bool g_has_saved_input = false;
std::string g_saved_input;
// The last statement sent to the database, scripts included: "r", "/", list, edit and
// tune work on it. The entries leave out what scripts run, so it is kept beside them.
bool g_has_sql_buffer = false;
std::string g_sql_buffer;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string trimmed(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && is_blank(text[begin])) ++begin;
    while (end > begin && is_blank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

}  // namespace

std::string history_text_without_password(const std::string& text) {
    std::string copy = text;
    char* words[kMaxWords] = {};
    const int count = split_words(&copy[0], words);
    if (classify_words(words, count, false).command != ClientCommandId::Connect) return text;
    // The connect string is the first word after the command word, read as the connect
    // command reads it (blank- or tab-separated, quotes grouping): user/password@database,
    // the password running to the first "@" after the "/".
    size_t p = 0;
    while (p < text.size() && is_blank(text[p])) ++p;
    while (p < text.size() && !is_blank(text[p])) ++p;
    while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
    size_t begin = p, end;
    if (p < text.size() && (text[p] == '"' || text[p] == '\'')) {
        begin = p + 1;
        end = text.find(text[p], begin);
        if (end == std::string::npos) end = text.size();
    } else {
        end = text.find_first_of(" \t", p);
        if (end == std::string::npos) end = text.size();
    }
    const size_t slash = text.find('/', begin);
    if (slash == std::string::npos || slash >= end) return text;
    size_t at = text.find('@', slash + 1);
    if (at == std::string::npos || at > end) at = end;
    if (at == slash + 1) return text;   // "/" or "/@db": external credentials, nothing secret
    // The "/" stays when there is no user ("/@db" still means external credentials) and
    // when the database names a "/" itself (host:port/service): without it that "/" would
    // be read as the one after the user. "app/@db" asks for the password again.
    const bool keep_slash = slash == begin || text.find('/', at) < end;
    return text.substr(0, keep_slash ? slash + 1 : slash) + text.substr(at);
}

namespace {

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

}  // namespace

void history_forget_sql() {
    std::lock_guard<std::mutex> guard(g_history_lock);
    for (HistoryEntry& entry : g_entries) entry.is_sql = false;
    g_has_sql_buffer = false;
    g_sql_buffer.clear();
}

bool history_sql_buffer(std::string* text) {
    std::lock_guard<std::mutex> guard(g_history_lock);
    if (g_has_sql_buffer) {
        *text = g_sql_buffer;
        return true;
    }
    const int last = last_sql_locked();
    if (last < 0) return false;
    *text = g_entries[static_cast<size_t>(last)].text;
    return true;
}

namespace {

bool last_sql_text(std::string* text) { return history_sql_buffer(text); }

// What ends the entry when it runs again: a "/" line, as typed after any statement, or
// ";" for a statement that only a semicolon completes (exec), so that it is sent again
// as it was sent the first time.
std::string rerun_terminator(const std::string& text) {
    std::string copy = text;
    char* words[kMaxWords] = {};
    const int count = split_words(&copy[0], words);
    const std::string slashed = text + "\n/";
    if (count == 0) return "\n/";
    const Completion completion = classify_words(words, count, false).completion;
    if (completion == Completion::CommentEnd || is_complete(completion, slashed, find_terminator(slashed)))
        return "\n/";
    return ";";
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
        const std::string terminator = rerun_terminator(text);
        if (terminator == ";") {
            g_input.text += ";";
        } else {
            input_enter(c.console);
            g_input.text += terminator;
        }
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
        g_input.text = text + rerun_terminator(text);
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
    if (is_sql && !trimmed(input).empty()) {
        std::lock_guard<std::mutex> guard(g_history_lock);
        g_sql_buffer = trimmed(input);
        g_has_sql_buffer = true;
    }
    if (input.empty() || console->script_depth.load() > 0 || limit < 1) return;
    int lines = 1;
    for (char c : input)
        if (c == '\n') ++lines;
    if (lines >= maxlines) return;
    // A connect command is kept without its password: the entries go to the history
    // file and the daily log.
    const std::string text = history_text_without_password(trimmed(input));
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
    g_has_sql_buffer = false;
    g_sql_buffer.clear();
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
