// vantro: the console in a terminal. Start-up (banner, command history, recent lists, the
// connect string of the first argument or a text logon, the remaining arguments typed as
// one line), then either the interactive terminal or, when standard input is not a
// terminal, its lines typed one after another; shutdown in the core's order. Argument
// handling and the logon live here; keys and painting live in TerminalFrontend.
#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>
#include <unistd.h>

#include "command/editor.h"
#include "command/history.h"
#include "command/history_file.h"
#include "command/statement.h"
#include "command/whenever.h"
#include "console/console_buffer.h"
#include "oci/db_session.h"
#include "oci/demo_database.h"
#include "oci/oci_loader.h"
#include "settings/options.h"
#include "ui/terminal/terminal_frontend.h"
#include "vantro_version.h"

namespace {

const char* kUsage =
    "Usage: vantro [-s] [-l] [connectstring | /nolog [command ...]]\n"
    "       vantro --help | --version\n"
    "\n"
    "Starts the console. connectstring is user/password@database (\"as sysdba\" and the\n"
    "like may follow in quotes); without it a logon asks for the user, password and\n"
    "database, and /nolog starts without a session (connect later). The words after it\n"
    "are run as one typed line, so\n"
    "    vantro scott/tiger@demo @report.sql\n"
    "connects and runs a script. -s (silent) leaves out the banner, the prompts and the\n"
    "echo of lines read from standard input; -l makes a failed connect of the command\n"
    "line end the program instead of asking for another logon. When standard input is not a terminal, its lines are\n"
    "typed into the console one after another and the output goes to standard output;\n"
    "the program ends at the end of the input or at exit.\n"
    "\n"
    "Exit status: 0, or 1 when the connect of the command line failed; what\n"
    "    exit [success|failure|warning|n|sql.sqlcode|&variable|:variable] [commit|rollback]\n"
    "asks for (success 0, failure 1, warning 2; quit is the same command); and what\n"
    "    whenever sqlerror|oserror exit ...   (continue [commit|rollback|none] goes on)\n"
    "asks for when a statement fails (sqlerror) or a script or spool file cannot be\n"
    "opened (oserror). sql.sqlcode is the Oracle error number of the last failure; a\n"
    "shell sees every status modulo 256 (ORA-00942 gives 174). Piped input and a\n"
    "script given on the command line both stop at such an exit.\n"
    "\n"
    "Scripts: @name and @@name look for name (.sql added without an extension) in the\n"
    "current folder (@@: the calling script's), then in each folder of SQLPATH.\n"
    "    variable name type     declares a bind variable (number, char(n), varchar2(n),\n"
    "                           nchar(n), nvarchar2(n), clob, nclob, binary_float,\n"
    "                           binary_double, refcursor); :name in SQL and PL/SQL binds it\n"
    "    print [name ...]       shows values; a refcursor prints its rows once\n"
    "    spool file [create|replace|append]   create refuses an existing file\n"
    "    host command, !command runs a shell command line, its output in the console\n"
    "\n"
    "In the console, tune shows the execution plan of the last statement, and\n"
    "    tune HINT [table ...] [index ...]      for example: tune index emp pk_emp\n"
    "rewrites that statement with the optimizer hint HINT on those tables and\n"
    "indexes, shows it and its plan, and keeps it as the last statement for / to run.\n"
    "\n"
    "    ddl [owner.]object [type]              for example: ddl emp_admin package body\n"
    "prints the object's DDL (as the Windows schema browser shows it); the name is\n"
    "resolved as describe does, and the type word chooses among objects of one name.\n"
    "\n"
    "In a terminal every row of the console takes one line, cut at the window's width;\n"
    "a \">\" in the last column shows that a row goes on, a \"<\" in the first that it\n"
    "starts further left. These keys move the rows above the input sideways:\n"
    "    Alt+Right, Alt+Left             one column\n"
    "    Alt+PageDown, Alt+PageUp        a window's width less ten columns\n"
    "    Alt+End or Alt+Shift+Right      to the end of the widest row on the screen\n"
    "    Alt+Home or Alt+Shift+Left      back to the left edge (Enter does so too)\n"
    "The input line scrolls on its own to keep the cursor in view. When standard output\n"
    "is not a terminal, rows are written whole.\n";

// The longest user, password or database the logon accepts (the connect buffers hold
// 100 bytes with the NUL).
constexpr size_t kLogonFieldMax = 99;

void mark_busy(bool busy) { busy_thread_id.store(busy ? static_cast<ThreadId>(1) : static_cast<ThreadId>(0)); }

// Asks for one logon field on the console; the offered default stands in the input,
// editable, as in a combo box's edit field. Refuses answers longer than the buffers.
std::string ask_field(TerminalFrontend& front, ConsoleBuffer* console, const char* label, const char* offered,
                      bool hidden) {
    for (;;) {
        console_print_nospool("%s: ", label);
        front.set_line_prefill(offered ? offered : "");
        std::string answer = console_request_line(console, hidden);
        if (answer.size() <= kLogonFieldMax) return answer;
        console_print_nospool("%s is longer than %zu characters; type it again.\n", label, kLogonFieldMax);
    }
}

// The text logon: true once a session is open; false when the user name was left empty
// (or the input ended), which ends the program.
bool text_logon(TerminalFrontend& front, ConsoleBuffer* console) {
    for (;;) {
        const std::string user = ask_field(front, console, "Username", recent_users.slots[0], false);
        if (user.empty() || front.quit_requested()) return false;
        const std::string password = ask_field(front, console, "Password", nullptr, true);
        const std::string database = ask_field(front, console, "Database", recent_databases.slots[0], false);
        if (front.quit_requested()) return false;
        if (db_connect(user.c_str(), password.c_str(), database.c_str(), "NORMAL") == 0) return true;
        if (session_open.load()) return true;
    }
}

// The banner's second line: which OCI library the session will use.
void print_library_line() {
    const OciLoadResult library = oci_load();
    if (library.code != 0) return;   // the loader's own message says what failed
    const size_t slash = library.path.find_last_of('/');
    const std::string file = slash == std::string::npos ? library.path : library.path.substr(slash + 1);
    const char* kind = "";
    switch (library.kind) {
    case OciLibraryKind::Embedded: kind = "embedded engine"; break;
    case OciLibraryKind::Oracle: kind = "Oracle client"; break;
    case OciLibraryKind::Explicit: kind = "library from VANTRO_OCI_LIB"; break;
    case OciLibraryKind::None: return;
    }
    console_print("OCI: %s (%s)\n", kind, file.c_str());
}

// The front end the editor hooks hand the terminal over with.
TerminalFrontend* g_front = nullptr;

bool is_option(const char* word, const char* short_form, const char* long_form) {
    return strcasecmp(word, short_form) == 0 || strcasecmp(word, long_form) == 0;
}

std::string join_words(int argc, char** argv, int first) {
    std::string line;
    for (int i = first; i < argc; ++i) {
        if (!line.empty()) line += ' ';
        line += argv[i];
    }
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    int first_word = 1;
    if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Vantro version %s\n", VANTRO_VERSION);
        return 0;
    }
    bool silent = false;
    bool logon_once = false;
    for (; first_word < argc; ++first_word) {
        if (is_option(argv[first_word], "-s", "-silent"))
            silent = true;
        else if (is_option(argv[first_word], "-l", "-logon"))
            logon_once = true;
        else
            break;
    }
    if (first_word < argc && std::strcmp(argv[first_word], "--") == 0) ++first_word;
    if (first_word < argc && argv[first_word][0] == '-' && argv[first_word][1] == '-') {
        std::fprintf(stderr, "vantro: unknown option %s\n%s", argv[first_word], kUsage);
        return 2;
    }
    const bool interactive = isatty(STDIN_FILENO) != 0;

    // No result grid here: query rows print in the console unless the user stored otherwise.
    option_set_default(Option::Screen, 1);

    TerminalFrontend front;
    TerminalHistoryHooks history;
    history.previous = history_previous;
    history.next = history_next;
    history.load = history_load;
    history.save = [](ConsoleBuffer* c) { history_save(c); };
    ConsoleBuffer* console = front.start(interactive, history);
    if (!console) return 1;
    console->silent.store(silent ? 1 : 0);
    // The external editor gets the terminal in its ordinary mode while it runs.
    g_front = &front;
    EditorHooks editor;
    editor.suspend = [] { g_front->suspend(); };
    editor.resume = [] { g_front->resume(); };
    editor_install_hooks(editor);
    if (!silent) {
        console_print("Vantro version %s\n", VANTRO_VERSION);
        print_library_line();
    }
    option_apply_directory(console);

    mark_busy(true);
    if (history.load) history.load(console);
    load_recent();

    int status = 0;
    const bool no_logon = first_word < argc && strcasecmp(argv[first_word], "/nolog") == 0;
    const bool have_connect = first_word < argc && !no_logon;
    if (have_connect) {
        mark_busy(false);
        const int connected = db_connect_command(argv[first_word]);
        mark_busy(true);
        if (connected == 1) console_print_nospool("Usage: vantro [user[/password][@database] [as mode]]\n");
        if (logon_once && !session_open.load()) {
            mark_busy(false);
            front.stop();
            return 1;
        }
    }
    DemoFirstUse demo;
    if (session_open.load()) {
        demo = demo_database_first_use(current_database());
        if (!demo.note.empty()) console_print("%s", demo.note.c_str());
        // The options again, now that the session can take what their hooks send; the
        // prompt after them so that nothing they print lands on the prompt's row.
        options_load(console);
        option_apply_directory(console);
        console_print_prompt();
    } else if (no_logon) {
        console_print_prompt();
    } else if (interactive) {
        // A line request made with the busy mark set would wait for a worker's answer.
        mark_busy(false);
        if (!text_logon(front, console)) {
            mark_busy(false);
            front.stop();
            return 0;
        }
        demo = demo_database_first_use(current_database());
        if (!demo.note.empty()) console_print("%s", demo.note.c_str());
        console_print_prompt();
    } else {
        if (have_connect) status = 1;
        console_print_prompt();
    }
    mark_busy(false);

    // A new demo database is filled from the demo script before anything else runs.
    if (!demo.script_line.empty()) front.type_line(demo.script_line, true);
    if (first_word + 1 < argc) front.type_line(join_words(argc, argv, first_word + 1), false);
    if (interactive) {
        front.run();
    } else {
        front.run_script(!silent);
    }
    front.stop();
    // exit n, or a WHENEVER ... EXIT, gives the process its status.
    return program_exit_requested() ? program_exit_status() : status;
}
