// The handlers of the client command table, each defined in the module that owns what
// the command does. Only the table (command_table.cpp) names them.
#pragma once

#include "command/client_commands.h"

void command_exit(const ClientCommandContext& c);          // whenever.cpp
void command_whenever(const ClientCommandContext& c);
void command_set(const ClientCommandContext& c);          // client_commands.cpp
void command_prompt(const ClientCommandContext& c);
void command_column(const ClientCommandContext& c);
void command_host(const ClientCommandContext& c);
void command_variable(const ClientCommandContext& c);   // bind_commands.cpp
void command_print(const ClientCommandContext& c);
void command_dir(const ClientCommandContext& c);
void command_show_parameter(const ClientCommandContext& c);
void command_commit(const ClientCommandContext& c);        // workers.cpp
void command_rollback(const ClientCommandContext& c);
void command_connect(const ClientCommandContext& c);
void command_disconnect(const ClientCommandContext& c);
void command_describe(const ClientCommandContext& c);      // describe.cpp
void command_show_errors(const ClientCommandContext& c);
void command_edit(const ClientCommandContext& c);          // editor.cpp
void command_save(const ClientCommandContext& c);
void command_get(const ClientCommandContext& c);
void command_run_last(const ClientCommandContext& c);      // history.cpp
void command_rerun_last(const ClientCommandContext& c);
void command_tune(const ClientCommandContext& c);          // tune.cpp
void command_define(const ClientCommandContext& c);        // variables.cpp
void command_undefine(const ClientCommandContext& c);
void command_accept(const ClientCommandContext& c);
void command_spool(const ClientCommandContext& c);         // scripts.cpp
void command_ddl(const ClientCommandContext& c);           // ddl_command.cpp
void command_export(const ClientCommandContext& c);       // export/result_commands.cpp
void command_copy(const ClientCommandContext& c);
void command_start(const ClientCommandContext& c);         // report_commands.cpp
void command_show(const ClientCommandContext& c);
void command_timing(const ClientCommandContext& c);
void command_pause(const ClientCommandContext& c);
void command_clear(const ClientCommandContext& c);
void command_break(const ClientCommandContext& c);
void command_compute(const ClientCommandContext& c);
void command_title(const ClientCommandContext& c);
void command_list(const ClientCommandContext& c);
