// The handlers of the client command table that need only the console and the options,
// the run of a command through its row, and the helpers the handlers share.
#include "command/client_commands.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "command/command_handlers.h"
#include "command/command_table.h"
#include "command/statement.h"
#include "command/whenever.h"
#include "command/words.h"
#include "console/console_buffer.h"
#include "frontend/frontend.h"
#include "platform/process.h"
#include "settings/options.h"

namespace {

constexpr int kCommandCount = static_cast<int>(ClientCommandId::Count);
// Handlers put in place of a row's own (tests); null: the row's handler runs.
ClientCommandHandler g_replaced[kCommandCount] = {};

}  // namespace

void command_set(const ClientCommandContext& c) {
    if (c.count == 1) {
        option_show_all(c.console);
    } else if (c.count == 2 && c.terminator.character == ';') {
        // "set sqlterminator ;": with one name only, the ";" that ends the input is its value.
        option_set_command(c.console, (std::string(c.words[1]) + " ;").c_str());
    } else if (c.count == 2) {
        command_usage(c.command);
    } else {
        // A ";" ending the input is the terminator, not part of the last value.
        if (c.terminator.character == ';') cut_terminator(c.terminator);
        option_set_command(c.console, command_arguments(c));
    }
    finish(c.console, true, false);
}

void command_prompt(const ClientCommandContext& c) {
    if (c.count > 1) console_print("%s\n", command_arguments(c));
    finish(c.console, true, false);
}

namespace {

bool is_one_of(const std::string& word, const char* spellings) { return word_is_one_of(word.c_str(), spellings); }

}  // namespace

// COLUMN name [NEW_VALUE variable] [NOPRINT|PRINT] [CLEAR]: the column's last value goes
// into the variable after each query, NOPRINT leaves it out of the output. The other
// clauses (FORMAT, HEADING ...) are accepted and ignored.
void command_column(const ClientCommandContext& c) {
    const std::vector<std::string> words = split_arguments(command_arguments(c));
    if (words.size() >= 2 && c.console->options) {
        std::vector<ColumnSetting>& columns = c.console->options->script.columns;
        ColumnSetting setting;
        setting.name = words[0];
        bool clear = false, noted = false;
        for (const ColumnSetting& known : columns)
            if (word_is_one_of(known.name.c_str(), words[0].c_str())) setting = known;
        for (size_t i = 1; i < words.size(); ++i) {
            if (is_one_of(words[i], "new_v new_va new_val new_valu new_value") && i + 1 < words.size()) {
                setting.new_value = words[++i];
                noted = true;
            } else if (is_one_of(words[i], "nopri noprin noprint")) {
                setting.noprint = true;
                noted = true;
            } else if (is_one_of(words[i], "pri prin print")) {
                setting.noprint = false;
                noted = true;
            } else if (is_one_of(words[i], "cle clea clear")) {
                clear = true;
            }
        }
        columns.erase(std::remove_if(columns.begin(), columns.end(),
                                     [&](const ColumnSetting& known) {
                                         return word_is_one_of(known.name.c_str(), words[0].c_str());
                                     }),
                      columns.end());
        if (noted && !clear) columns.push_back(setting);
    }
    finish(c.console, true, false);
}

void command_dir(const ClientCommandContext& c) {
    run_client_query(c.console, "select object_name,object_type,status from user_objects order by 2,1");
}

void command_show_parameter(const ClientCommandContext& c) {
    if (c.count != 3) {
        command_usage(c.command);
        finish(c.console, true, false);
        return;
    }
    // The name goes into the statement as a literal: a quote in it is doubled so that it
    // cannot end the literal early.
    std::string name;
    for (const char* p = c.words[2]; *p; ++p) {
        if (*p == '\'') name += '\'';
        name += *p;
    }
    const std::string text = "select * from v$parameter where name like lower('%" + name + "%')";
    run_client_query(c.console, text.c_str());
}

namespace {

// The command's output on the console; carriage returns (CR LF line ends) are left out,
// since on the console they would clear the row.
void print_output(const char* text, std::size_t size, void*) {
    std::string piece;
    for (std::size_t i = 0; i < size; ++i)
        if (text[i] != '\r' && text[i] != '\0') piece += text[i];
    console_print("%s", piece.c_str());
}

}  // namespace

// HOST command, or !command: runs it through the system's command interpreter with its
// output in the console, and waits for it.
void command_host(const ClientCommandContext& c) {
    const char* rest = input_after_command(0);
    while (*rest == ' ' || *rest == '\t') ++rest;
    const char* command = *rest == '!' ? rest + 1 : command_arguments(c);
    while (*command == ' ' || *command == '\t') ++command;
    if (!*command) {
        command_usage(c.command);
        finish(c.console, true, false);
        return;
    }
    int status = 0;
    if (platform_process_run_captured(command, print_output, nullptr, &status) != 0) {
        console_print("Cannot run %s: %s\n", command, platform_last_error_text().c_str());
        whenever_os_failed(c.console);
    } else {
        // Output without a line end of its own would run into the prompt.
        bool open_row = false;
        {
            std::lock_guard<std::mutex> guard(c.console->lock);
            open_row = !c.console->rows.empty() && !c.console->rows.back().empty();
        }
        if (open_row) console_print("\n");
    }
    finish(c.console, true, false);
}

void client_command_install(ClientCommandId command, ClientCommandHandler handler) {
    g_replaced[static_cast<int>(command)] = handler;
}

void run_client_command(ConsoleBuffer* console, ClientCommandId command, const char* const* words,
                        int count, const Terminator& terminator) {
    const ClientCommandContext context{console, command, words, count, terminator};
    ClientCommandHandler handler = g_replaced[static_cast<int>(command)];
    if (!handler) {
        const ClientCommandRow* row = client_command_row(command);
        handler = row ? row->handler : nullptr;
    }
    if (!handler) {
        console_print("%s: this command is not available in this build\n", words[0]);
        finish(console, true, false);
        return;
    }
    handler(context);
}

void cut_terminator(const Terminator& terminator) {
    if (terminator.index >= 0 && (terminator.character == ';' || terminator.character == '/'))
        g_input.text.resize(static_cast<size_t>(terminator.index));
}

const char* input_after_command(int skip) {
    const std::string& text = g_input.text;
    size_t i = 0;
    while (i < text.size() && std::strchr(" \t\n\r", text[i])) ++i;
    if (i < text.size() && text[i] == '#') ++i;
    i += static_cast<size_t>(skip);
    return i < text.size() ? text.c_str() + i : "";
}

std::vector<std::string> command_name_words() { return split_name_words(input_after_command(0)); }

void start_script(ConsoleBuffer* console, const Terminator& terminator) {
    const int limit = console->options ? console->options->number(Option::MaxScripts) : 20;
    if (console->script_depth.load() >= limit) {
        console_print("Maximum number of nested scripts (%d) exceeded\n", limit);
        finish(console, true, false);
        return;
    }
    cut_terminator(terminator);
    auto* job = new StatementJob();
    job->console = console;
    job->kind = StatementKind::Script;
    job->text = g_input.text;
    dispatcher_hand_off(job, dispatcher_workers().script);
}

void run_client_query(ConsoleBuffer* console, const char* text) {
    auto* job = new StatementJob();
    job->console = console;
    job->kind = StatementKind::Query;
    job->text = text;
    dispatcher_hand_off(job, dispatcher_workers().query);
}
