// Server output: after a statement, the lines PL/SQL wrote with dbms_output are fetched
// one by one and printed. Uses a statement handle of its own, never current_statement.
#include "console/console_buffer.h"
#include "oci/oci_calls.h"
#include "oci/oci_statements.h"

namespace {
constexpr const char* kModule = "oci_serveroutput";
constexpr const char* kGetLine = "begin dbms_output.get_line(:1,:2); end;";
}  // namespace

int print_server_output(ConsoleBuffer*) {
    if (!session_open.load()) {
        console_print("Not connected to a database");
        return -1;
    }
    OCIStmt* statement = nullptr;
    if (OCI_REPORT(oci().OCIHandleAlloc(g_db->env_handle, reinterpret_cast<void**>(&statement), OCI_HTYPE_STMT, 0,
                                        nullptr)))
        return -1;
    struct Free {
        OCIStmt* statement;
        ~Free() { oci().OCIHandleFree(statement, OCI_HTYPE_STMT); }
    } free_on_exit{statement};

    char line[255] = {};
    int status = 1;
    sb2 line_indicator = 0, status_indicator = 0;
    OCIBind* line_bind = nullptr;
    OCIBind* status_bind = nullptr;
    if (OCI_REPORT(oci_prepare(statement, kGetLine)) ||
        OCI_REPORT(oci().OCIBindByPos(statement, &line_bind, g_db->error_handle, 1, line, sizeof line, SQLT_STR,
                                      &line_indicator, nullptr, nullptr, 0, nullptr, OCI_DEFAULT)) ||
        OCI_REPORT(oci().OCIBindByPos(statement, &status_bind, g_db->error_handle, 2, &status, sizeof status,
                                      SQLT_INT, &status_indicator, nullptr, nullptr, 0, nullptr, OCI_DEFAULT)))
        return -2;
    if (OCI_REPORT(oci_execute(statement, 1))) return -2;
    while (status == 0) {
        line[sizeof line - 1] = '\0';
        if (line_indicator == -1) line[0] = '\0';
        console_print("%s\n", line);
        if (OCI_REPORT(oci_execute(statement, 1))) return -2;
    }
    return 0;
}
