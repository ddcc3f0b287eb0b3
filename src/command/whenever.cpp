// Exit statuses and the WHENEVER actions. The status and the actions are process-wide:
// WHENEVER set in a script stays in force after it, as it does in the scripts people
// bring from other consoles. Commit and rollback on the way out are silent.
#include "command/whenever.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

#include "command/client_commands.h"
#include "command/command_handlers.h"
#include "command/command_table.h"
#include "command/statement.h"
#include "command/variables.h"
#include "console/console_buffer.h"
#include "frontend/frontend.h"
#include "oci/db_session.h"
#include "oci/oci_statements.h"

namespace {

struct ErrorAction {
    bool exit = false;
    ExitSpec spec;                                     // when exit
    TransactionEnd on_continue = TransactionEnd::Keep;  // when not
};

std::mutex g_mutex;
ErrorAction g_sqlerror, g_oserror;
std::atomic<int> g_status{0};
std::atomic<bool> g_requested{false};
ExitVariableLookup g_bind_lookup = nullptr;

bool is(const std::string& word, const char* spellings) { return word_is_one_of(word.c_str(), spellings); }

bool integer_word(const std::string& word, int* value) {
    if (word.empty()) return false;
    char* end = nullptr;
    const long number = std::strtol(word.c_str(), &end, 10);
    if (*end != '\0') return false;
    *value = static_cast<int>(number);
    return true;
}

void end_transaction(TransactionEnd end) {
    if (!session_open.load()) return;
    switch (end) {
    case TransactionEnd::Keep: return;
    case TransactionEnd::Commit: run_quiet("commit"); return;
    case TransactionEnd::Rollback: run_quiet("rollback"); return;
    }
}

// The status a spec stands for now; a variable whose value is no number gives FAILURE.
int status_of(const ExitSpec& spec) {
    switch (spec.kind) {
    case ExitKind::Success: return 0;
    case ExitKind::Failure: return 1;
    case ExitKind::Warning: return 2;
    case ExitKind::Number: return spec.number;
    case ExitKind::SqlCode: return last_reported_error_code();
    case ExitKind::Variable: {
        std::string value;
        const std::string name = spec.variable.substr(spec.variable[1] == '&' ? 2 : 1);
        const bool found = spec.variable[0] == ':' ? g_bind_lookup && g_bind_lookup(name, &value)
                                                   : variable_lookup(name.c_str(), &value);
        int number = 0;
        if (found && integer_word(value, &number)) return number;
        console_print("Exit status %s is not a number: \"%s\"\n", spec.variable.c_str(), value.c_str());
        return 1;
    }
    }
    return 1;
}

// WHENEVER SQLERROR|OSERROR {EXIT [status] [COMMIT|ROLLBACK] | CONTINUE [COMMIT|ROLLBACK|NONE]}
bool parse_whenever(const std::vector<std::string>& words, ErrorAction* action) {
    if (words.empty()) return false;
    const std::vector<std::string> rest(words.begin() + 1, words.end());
    if (is(words[0], "exit")) {
        action->exit = true;
        return exit_spec_parse(rest, &action->spec);
    }
    if (!is(words[0], "continue")) return false;
    action->exit = false;
    if (rest.empty() || is(rest[0], "none")) {
        action->on_continue = TransactionEnd::Keep;
    } else if (is(rest[0], "commit")) {
        action->on_continue = TransactionEnd::Commit;
    } else if (is(rest[0], "rollback")) {
        action->on_continue = TransactionEnd::Rollback;
    } else {
        return false;
    }
    return rest.size() <= 1;
}

void run_action(ConsoleBuffer* console, const ErrorAction& action) {
    if (action.exit)
        program_exit(console, action.spec);
    else
        end_transaction(action.on_continue);
}

}  // namespace

bool exit_spec_parse(const std::vector<std::string>& words, ExitSpec* spec) {
    *spec = ExitSpec();
    size_t i = 0;
    if (i < words.size()) {
        const std::string& w = words[i];
        int number = 0;
        bool status = true;
        if (is(w, "success")) {
            spec->kind = ExitKind::Success;
        } else if (is(w, "failure")) {
            spec->kind = ExitKind::Failure;
        } else if (is(w, "warning")) {
            spec->kind = ExitKind::Warning;
        } else if (is(w, "sql.sqlcode")) {
            spec->kind = ExitKind::SqlCode;
        } else if (integer_word(w, &number)) {
            spec->kind = ExitKind::Number;
            spec->number = number;
        } else if (w.size() > 1 && (w[0] == '&' || w[0] == ':') && !(w == "&&")) {
            spec->kind = ExitKind::Variable;
            spec->variable = w;
        } else {
            status = false;
        }
        if (status) ++i;
    }
    if (i < words.size()) {
        if (is(words[i], "commit"))
            spec->transaction = TransactionEnd::Commit;
        else if (is(words[i], "rollback"))
            spec->transaction = TransactionEnd::Rollback;
        else
            return false;
        ++i;
    }
    return i == words.size();
}

void program_exit(ConsoleBuffer* console, const ExitSpec& spec) {
    end_transaction(spec.transaction);
    g_status.store(status_of(spec));
    g_requested.store(true);
    // No further line of any running script is read.
    if (console->script_depth.load() > 0) console->script_stop.store(1);
    if (Frontend* front = frontend()) front->request_quit();
}

int program_exit_status() { return g_status.load(); }
bool program_exit_requested() { return g_requested.load(); }

void program_exit_reset() {
    std::lock_guard<std::mutex> guard(g_mutex);
    g_status.store(0);
    g_requested.store(false);
    g_sqlerror = ErrorAction();
    g_oserror = ErrorAction();
}

void whenever_sql_failed(ConsoleBuffer* console) {
    ErrorAction action;
    {
        std::lock_guard<std::mutex> guard(g_mutex);
        action = g_sqlerror;
    }
    run_action(console, action);
}

void whenever_os_failed(ConsoleBuffer* console) {
    ErrorAction action;
    {
        std::lock_guard<std::mutex> guard(g_mutex);
        action = g_oserror;
    }
    run_action(console, action);
}

void whenever_install_bind_lookup(ExitVariableLookup lookup) { g_bind_lookup = lookup; }

void command_exit(const ClientCommandContext& c) {
    const std::vector<std::string> words(c.words + 1, c.words + c.count);
    ExitSpec spec;
    if (!exit_spec_parse(words, &spec)) {
        command_usage(c.command);
        finish(c.console, true, false);
        return;
    }
    program_exit(c.console, spec);
    finish(c.console, false, false);
}

void command_whenever(const ClientCommandContext& c) {
    ErrorAction action;
    const bool sql = c.count >= 2 && is(c.words[1], "sqlerror");
    const bool os = c.count >= 2 && is(c.words[1], "oserror");
    const std::vector<std::string> words(c.words + (c.count >= 2 ? 2 : c.count), c.words + c.count);
    if ((!sql && !os) || !parse_whenever(words, &action)) {
        command_usage(c.command);
    } else {
        std::lock_guard<std::mutex> guard(g_mutex);
        (sql ? g_sqlerror : g_oserror) = action;
    }
    finish(c.console, true, false);
}
