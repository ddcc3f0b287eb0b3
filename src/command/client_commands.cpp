// The client command table's handlers that need only the console and the options, and
// the installation point for the others.
#include "command/client_commands.h"

#include <cstring>
#include <string>

#include "command/statement.h"
#include "console/console_buffer.h"
#include "frontend/frontend.h"
#include "settings/options.h"

namespace {

constexpr int kCommandCount = static_cast<int>(ClientCommandId::ShowParameter) + 1;
ClientCommandHandler g_handlers[kCommandCount] = {};

void command_exit(const ClientCommandContext& c) {
    if (Frontend* front = frontend()) front->request_quit();
    finish(c.console, false, false);
}

void command_set(const ClientCommandContext& c) {
    if (c.count == 1) {
        option_show_all(c.console);
    } else if (c.count == 2) {
        console_print("Usage: set parameter value [parameter value ...]\n");
    } else {
        // A ";" ending the input is the terminator, not part of the last value.
        if (c.terminator.character == ';') cut_terminator(c.terminator);
        option_set_command(c.console, input_after_command(3));
    }
    finish(c.console, true, false);
}

void command_prompt(const ClientCommandContext& c) {
    if (c.count > 1) console_print("%s\n", input_after_command(7));
    finish(c.console, true, false);
}

void command_column(const ClientCommandContext& c) { finish(c.console, true, false); }

void command_dir(const ClientCommandContext& c) {
    run_client_query(c.console, "select object_name,object_type,status from user_objects order by 2,1");
}

void command_show_parameter(const ClientCommandContext& c) {
    if (c.count != 3) {
        console_print("Usage: show par[ameter] name\n");
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

bool install_builtins() {
    g_handlers[static_cast<int>(ClientCommandId::Exit)] = command_exit;
    g_handlers[static_cast<int>(ClientCommandId::Set)] = command_set;
    g_handlers[static_cast<int>(ClientCommandId::Prompt)] = command_prompt;
    g_handlers[static_cast<int>(ClientCommandId::Column)] = command_column;
    g_handlers[static_cast<int>(ClientCommandId::Dir)] = command_dir;
    g_handlers[static_cast<int>(ClientCommandId::ShowParameter)] = command_show_parameter;
    return true;
}
const bool g_builtins_installed = install_builtins();

}  // namespace

void client_command_install(ClientCommandId command, ClientCommandHandler handler) {
    g_handlers[static_cast<int>(command)] = handler;
}

void run_client_command(ConsoleBuffer* console, ClientCommandId command, const char* const* words,
                        int count, const Terminator& terminator) {
    (void)g_builtins_installed;
    const ClientCommandContext context{console, words, count, terminator};
    ClientCommandHandler handler = g_handlers[static_cast<int>(command)];
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
