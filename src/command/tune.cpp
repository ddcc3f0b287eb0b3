// The tune command and the autotrace explain: the statement goes to the front end's SQL
// analyzer and its plan is explained there (in the terminal the console itself shows the
// plan). A front end without an analyzer explains nothing. And the analyzer's Execute,
// which types its statement into the console.
//
// `tune` alone explains the last database statement. `tune HINT [names]` is the
// analyzer's hint choice in text form: the last statement is rewritten with the hint
// comment, printed, explained, and becomes the last statement, so that "/" runs it and a
// second tune replaces the hint again.
#include "command/tune.h"

#include <cctype>
#include <mutex>
#include <string>
#include <vector>

#include "analyzer/optimizer_hints.h"
#include "command/client_commands.h"
#include "command/command_handlers.h"
#include "command/command_table.h"
#include "command/history.h"
#include "command/statement.h"
#include "console/console_buffer.h"
#include "frontend/frontend.h"
#include "oci/oci_statements.h"

namespace {

// The words after the hint name, split at blanks; a double-quoted name stays one word as
// written, any other is folded to upper case as Oracle folds unquoted names.
std::vector<std::string> hint_names(const std::string& text) {
    std::vector<std::string> names;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
        if (i >= text.size()) break;
        std::string name;
        bool quoted = false;
        while (i < text.size() &&
               (quoted || (text[i] != ' ' && text[i] != '\t' && text[i] != '\n' && text[i] != '\r'))) {
            if (text[i] == '"') quoted = !quoted;
            name += text[i++];
        }
        if (name[0] != '"')
            for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        names.push_back(name);
    }
    return names;
}

// The hint names, eight to a line.
void print_hint_list() {
    std::string text = "Optimizer hints:";
    for (int i = 0; i < kOptimizerHintCount; ++i) {
        text += i % 8 == 0 ? "\n  " : " ";
        text += kOptimizerHints[i].name;
    }
    console_print("%s\n", text.c_str());
}

// The usage of one hint, from the kinds of names it takes.
void print_hint_usage(const OptimizerHint& hint) {
    const char* tables = "";
    switch (hint.tables) {
    case HintArguments::None:
        break;
    case HintArguments::One:
        tables = " table";
        break;
    case HintArguments::Several:
        tables = " table [table ...]";
        break;
    }
    const char* indexes = "";
    switch (hint.indexes) {
    case HintArguments::None:
        break;
    case HintArguments::One:
        indexes = " [index]";
        break;
    case HintArguments::Several:
        indexes = " [index ...]";
        break;
    }
    console_print("Usage: tune %s%s%s\n", hint.name, tables, indexes);
}

// Splits the names into the hint's tables and indexes; false when they do not fit it.
bool take_names(const OptimizerHint& hint, const std::vector<std::string>& names, std::vector<std::string>* tables,
                std::vector<std::string>* indexes) {
    switch (hint.tables) {
    case HintArguments::None:
        return names.empty();
    case HintArguments::One:
        if (names.empty()) return false;
        tables->push_back(names[0]);
        break;
    case HintArguments::Several:
        if (names.empty()) return false;
        *tables = names;
        return true;
    }
    indexes->assign(names.begin() + 1, names.end());
    switch (hint.indexes) {
    case HintArguments::None:
        return indexes->empty();
    case HintArguments::One:
        return indexes->size() <= 1;
    case HintArguments::Several:
        return true;
    }
    return false;
}

void show_in_analyzer(const std::string& text) {
    Frontend* front = frontend();
    if (!front || !front->analyzer_open(text.c_str()))
        console_print("tune: this command is not available in this build\n");
    else
        explain_plan(text.c_str());
}

// tune HINT [names]: the statement rewritten with the hint, printed and explained; empty
// after a usage or hint error (printed).
std::string tune_with_hint(const std::string& statement, std::vector<std::string> words) {
    const OptimizerHint* hint = optimizer_hint_find(words[0]);
    if (!hint) {
        console_print("Unknown optimizer hint %s\n", words[0].c_str());
        print_hint_list();
        return std::string();
    }
    words.erase(words.begin());
    std::vector<std::string> tables, indexes;
    if (!take_names(*hint, words, &tables, &indexes)) {
        print_hint_usage(*hint);
        return std::string();
    }
    const std::string hint_text = build_hint_text(hint, tables, indexes);
    const std::string rewritten = apply_hint(statement, hint_text);
    if (rewritten == statement && !hint_text.empty()) {
        console_print("A hint can only be added to a statement that starts with select, update or delete\n");
        return std::string();
    }
    console_print("%s\n", rewritten.c_str());
    show_in_analyzer(rewritten);
    return rewritten;
}


// Types one line as the user would; tabs become blanks to the next tab stop.
void type_line(ConsoleBuffer* console, const std::string& line) {
    if (line.find('\t') != std::string::npos)
        input_feed(console, "%s", line.c_str());
    else
        input_type_text(console, line.c_str());
}

void autotrace_explain(StatementJob* job) {
    Frontend* front = frontend();
    if (front && front->analyzer_open(job->text.c_str())) explain_plan(job->text.c_str());
}

}  // namespace

void command_tune(const ClientCommandContext& c) {
    std::string text;
    if (!history_sql_buffer(&text)) {
        console_print("No previous command\n");
        finish(c.console, true, false);
        return;
    }
    cut_terminator(c.terminator);
    const std::vector<std::string> words = hint_names(command_arguments(c));
    if (words.empty()) {
        show_in_analyzer(text);
        finish(c.console, true, false);
        return;
    }
    const std::string rewritten = tune_with_hint(text, words);
    finish(c.console, true, false);
    // Recorded after the tune line itself, so that it is the newest entry.
    if (!rewritten.empty()) history_record_statement(c.console, rewritten);
}

void tune_install() {
    WorkerRoutines routines = dispatcher_workers();
    routines.autotrace_explain = autotrace_explain;
    dispatcher_install_workers(routines);
}

void analyzer_execute(ConsoleBuffer* console, const std::string& text) {
    const std::string statement = statement_for_execute(text);
    if (statement.empty() || !console) return;
    std::vector<std::string> lines;
    size_t start = 0, end;
    while ((end = statement.find_first_of("\r\n", start)) != std::string::npos) {
        lines.push_back(statement.substr(start, end - start));
        start = end + (statement.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    lines.push_back(statement.substr(start));
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    if (!g_input.text.empty()) {
        console_print("\r");
        finish(console, false, false);
    }
    // Enter only breaks the line while recall_mode is set; the last Enter runs it.
    console->recall_mode.store(1);
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        type_line(console, lines[i]);
        input_enter(console);
    }
    console->recall_mode.store(0);
    type_line(console, lines.back());
    input_enter(console);
}
