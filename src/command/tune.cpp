// The tune command and the autotrace explain: the statement goes to the front end's SQL
// analyzer and its plan is explained there (in the terminal the console itself shows the
// plan). A front end without an analyzer explains nothing.
#include "command/tune.h"

#include "command/client_commands.h"
#include "command/history.h"
#include "command/statement.h"
#include "console/console_buffer.h"
#include "frontend/frontend.h"
#include "oci/oci_statements.h"

namespace {

void command_tune(const ClientCommandContext& c) {
    const int last = history_last_sql();
    if (last < 0) {
        console_print("No previous command\n");
        finish(c.console, true, false);
        return;
    }
    const std::string text = history_entries()[static_cast<size_t>(last)].text;
    Frontend* front = frontend();
    if (!front || !front->analyzer_open(text.c_str()))
        console_print("%s: this command is not available in this build\n", c.words[0]);
    else
        explain_plan(text.c_str());
    finish(c.console, true, false);
}

void autotrace_explain(StatementJob* job) {
    Frontend* front = frontend();
    if (front && front->analyzer_open(job->text.c_str())) explain_plan(job->text.c_str());
}

}  // namespace

void tune_install() {
    client_command_install(ClientCommandId::Tune, command_tune);
    WorkerRoutines routines = dispatcher_workers();
    routines.autotrace_explain = autotrace_explain;
    dispatcher_install_workers(routines);
}
