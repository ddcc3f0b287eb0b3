// VARIABLE and PRINT: declaring the session's bind variables and showing their values.
// The values are set by the statements that name them (":name"), see oci/bind_variables.
#include <algorithm>
#include <cstdio>
#include <string>

#include "command/client_commands.h"
#include "command/command_handlers.h"
#include "command/command_table.h"
#include "command/statement.h"
#include "command/workers.h"
#include "console/console_buffer.h"
#include "oci/bind_variables.h"
#include "settings/options.h"

namespace {

std::string trimmed(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    return text.substr(begin, end - begin);
}

// The command's argument text without the ";" that may end it.
std::string arguments_of(const ClientCommandContext& c) {
    std::string text = trimmed(command_arguments(c));
    if (!text.empty() && text.back() == ';') text = trimmed(text.substr(0, text.size() - 1));
    return text;
}

void show_declaration(const BindVariable& v) {
    console_print("variable   %s\ndatatype   %s\n", v.name.c_str(), v.type.c_str());
}

void not_declared(const std::string& name) { console_print("Bind variable %s not declared\n", name.c_str()); }

// One variable as a query of one column: heading, dashes and its value (empty for NULL).
void print_value(const ConsoleBuffer* console, const BindVariable& v) {
    const size_t width = std::max(v.name.size(), v.value.size());
    if (!console->options || console->options->on(Option::Heading)) {
        std::string name = v.name;
        name.resize(width, ' ');
        console_print("%s\n%s\n", name.c_str(), std::string(width, '-').c_str());
    }
    console_print("%s\n", v.value.c_str());
}

}  // namespace

// VARIABLE [name [type]]: alone lists every variable, with a name shows it, with a type
// declares it (again), with a NULL value.
void command_variable(const ClientCommandContext& c) {
    const std::string text = arguments_of(c);
    size_t end = 0;
    while (end < text.size() && text[end] != ' ' && text[end] != '\t') ++end;
    const std::string name = text.substr(0, end);
    const std::string type = trimmed(text.substr(end));
    if (name.empty()) {
        const std::vector<BindVariable> all = bind_variable_list();
        if (all.empty()) console_print("No bind variables declared\n");
        for (size_t i = 0; i < all.size(); ++i) {
            if (i > 0) console_print("\n");
            show_declaration(all[i]);
        }
    } else if (type.empty()) {
        BindVariable v;
        if (bind_variable_find(name, &v))
            show_declaration(v);
        else
            not_declared(name);
    } else {
        const std::string error = bind_variable_declare(name, type);
        if (!error.empty()) console_print("%s", error.c_str());
    }
    finish(c.console, true, false);
}

// PRINT [name ...]: the values of the named variables (":name" as well), or of all.
void command_print(const ClientCommandContext& c) {
    const std::vector<std::string> names = split_arguments(arguments_of(c).c_str());
    std::vector<BindVariable> shown;
    if (names.empty()) {
        shown = bind_variable_list();
        if (shown.empty()) console_print("No bind variables declared\n");
    }
    for (std::string name : names) {
        if (!name.empty() && name[0] == ':') name.erase(0, 1);
        BindVariable v;
        if (bind_variable_find(name, &v))
            shown.push_back(v);
        else
            not_declared(name);
    }
    // Values are printed at once; the rows of cursors come from the database, on a worker.
    std::string cursors;
    bool any = false;
    for (const BindVariable& v : shown) {
        if (v.cursor) {
            cursors += (cursors.empty() ? "" : " ") + v.name;
            continue;
        }
        if (any) console_print("\n");
        any = true;
        print_value(c.console, v);
    }
    if (cursors.empty()) {
        finish(c.console, true, false);
        return;
    }
    if (any) console_print("\n");
    auto* job = new StatementJob();
    job->console = c.console;
    job->kind = StatementKind::Query;
    job->text = cursors;
    std::snprintf(job->done_message, sizeof job->done_message, "%s", "\r%d row%s selected");
    dispatcher_hand_off(job, run_cursor_worker);
}
