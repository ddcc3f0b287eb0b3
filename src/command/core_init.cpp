// Start-up and shutdown of the portable core.
#include "command/core_init.h"

#include <cstdio>

#include "command/editor.h"
#include "command/history.h"
#include "command/history_file.h"
#include "command/scripts.h"
#include "command/statement.h"
#include "command/variables.h"
#include "command/whenever.h"
#include "command/workers.h"
#include "oci/bind_variables.h"
#include "oci/db_session.h"
#include "oci/oci_statements.h"
#include "console/console_buffer.h"
#include "frontend/frontend.h"
#include "settings/options.h"

ConsoleBuffer* core_start(Frontend* front) {
    frontend_install(front);
    gui_thread_id.store(platform_current_thread_id());
    program_exit_reset();
    workers_install();
    db_init();
    ConsoleBuffer* console = console_create(nullptr);
    options_load(console);
    dispatcher_init();
    variables_install();
    scripts_install();
    history_install();
    whenever_install_bind_lookup([](const std::string& name, std::string* value) {
        BindVariable variable;
        if (!bind_variable_find(name, &variable)) return false;
        *value = variable.value;
        return true;
    });
    input_reset();
    return console;
}

void core_stop(ConsoleBuffer* console) {
    // Cursor variables hold statement handles of the environment db_release frees.
    bind_variables_clear();
    db_release();
    free_result_columns();
    close_result_file();
    if (!console) return;
    if (std::FILE* spool = console_spool_swap(console, nullptr)) std::fclose(spool);
    OptionTable* options = console->options;
    console_destroy(console);
    delete options;
}
