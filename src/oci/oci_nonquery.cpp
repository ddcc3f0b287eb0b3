// Non-query statements with their progress texts, commit and rollback, the quiet
// statement behind the serveroutput option, the small dictionary lookups, and cancel.
#include <cctype>
#include <cstring>

#include "console/console_buffer.h"
#include "frontend/frontend.h"
#include "oci/bind_variables.h"
#include "oci/oci_calls.h"
#include "oci/oci_statements.h"

namespace {

constexpr const char* kModule = "oci_nonquery";

constexpr const char* kOwnerLookup =
    "SELECT user  FROM user_objects WHERE object_name=:v_object and object_type!='SYNONYM'";
constexpr const char* kSynonymLookup =
    "SELECT table_owner,table_name FROM all_synonyms WHERE synonym_name=:v_object and owner in "
    "(user,'PUBLIC') order by decode(owner,user,0,1)";
constexpr const char* kTypeLookup =
    "SELECT object_type FROM all_objects WHERE owner=:v_owner AND object_name=:v_object AND "
    "subobject_name IS NULL AND object_type!='PACKAGE BODY'";
constexpr const char* kSynonymTarget =
    "select TABLE_OWNER,TABLE_NAME,DB_LINK from all_synonyms where owner=:p_schema and synonym_name=:p_synonym";
constexpr const char* kUserLookup = "SELECT user FROM dual";

// Executes with one iteration, the first row landing in the defines: 1 a row, 0 no row,
// -1 a failure (reported).
int execute_single_row(OCIStmt* statement) {
    const sword status = oci_execute(statement, 1);
    if (status == OCI_NO_DATA) return 0;
    if (status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO) {
        OCI_REPORT(status);
        return 1;
    }
    OCI_REPORT(status);
    return -1;
}

// mark: the statement was typed by the user, so an error shows where in it the error lies.
int execute_statement(const char* text, bool mark, bool show_progress, const char* label) {
    StatementSlot statement(kModule);
    if (!statement.ok()) return -1;
    if (show_progress) console_print_nospool("\rParsing statement");
    if (OCI_REPORT(oci_prepare(statement.get(), text))) return -2;
    // A statement the user typed takes the bind variables it names, in and out.
    HostBinds binds;
    if (mark && binds.attach(statement.get(), text) != 0) return -2;
    if (mark) g_db->mark_error_position.store(1);
    if (show_progress) {
        if (!label || !*label)
            console_print_nospool("\rExecuting statement");
        else
            console_print_nospool("\r%s", label);
    }
    if (OCI_REPORT(oci_execute(statement.get(), 1))) {
        g_db->mark_error_position.store(0);
        return -3;
    }
    g_db->mark_error_position.store(0);
    binds.store();
    ub4 rows = 0;
    OCI_REPORT(oci().OCIAttrGet(statement.get(), OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT,
                                g_db->error_handle));
    return static_cast<int>(rows);
}

}  // namespace

int run_nonquery(const char* text, bool show_progress, const char* label) {
    if (!session_open.load()) {
        console_print("Not connected to a database\n");
        return -1;
    }
    return execute_statement(text, true, show_progress, label);
}

int run_quiet(const char* text) {
    if (!session_open.load()) {
        if (Frontend* front = frontend()) front->error_box("Not connected to a database\n");
        return -1;
    }
    return execute_statement(text, false, false, nullptr);
}

void commit_work(bool report) {
    if (!session_open.load()) {
        console_print("Not connected to a database\n");
        return;
    }
    if (OCI_REPORT(oci().OCITransCommit(g_db->service_context, g_db->error_handle, OCI_DEFAULT)) == 0 && report)
        console_print("Commit complete\n");
}

void rollback_work() {
    if (!session_open.load()) {
        console_print("Not connected to a database\n");
        return;
    }
    if (OCI_REPORT(oci().OCITransRollback(g_db->service_context, g_db->error_handle, OCI_DEFAULT)) == 0)
        console_print("Rollback complete\n");
}

std::string dictionary_name(const std::string& typed) {
    const size_t start = typed.find_first_not_of(" \t\r\n");
    const size_t end = typed.find_last_not_of(" \t\r\n");
    if (start == std::string::npos) return std::string();
    const std::string text = typed.substr(start, end - start + 1);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        std::string out;
        for (size_t i = 1; i + 1 < text.size(); ++i) {
            out += text[i];
            if (text[i] == '"' && i + 2 < text.size() && text[i + 1] == '"') ++i;
        }
        return out;
    }
    std::string out = text;
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool split_owner_name(const std::string& typed, std::string* owner, std::string* object) {
    bool quoted = false;
    for (size_t i = 0; i < typed.size(); ++i) {
        if (typed[i] == '"') quoted = !quoted;
        if (typed[i] == '.' && !quoted) {
            *owner = dictionary_name(typed.substr(0, i));
            *object = dictionary_name(typed.substr(i + 1));
            return true;
        }
    }
    owner->clear();
    *object = dictionary_name(typed);
    return false;
}

void resolve_object(const char* name, std::string* owner, std::string* object, bool report) {
    owner->clear();
    object->clear();
    char fetched_owner[kNameBufferBytes] = {};
    {
        StatementSlot statement(kModule);
        if (!statement.ok() || OCI_REPORT(oci_prepare(statement.get(), kOwnerLookup)) ||
            OCI_REPORT(oci_bind_text(statement.get(), 1, name)) ||
            OCI_REPORT(oci_define(statement.get(), 1, fetched_owner, sizeof fetched_owner, SQLT_STR, nullptr)))
            return;
        const int row = execute_single_row(statement.get());
        if (row < 0) return;
        if (row == 1) {
            *owner = fetched_owner;
            *object = name;
            return;
        }
    }
    char table_owner[kNameBufferBytes] = {}, table_name[kNameBufferBytes] = {};
    StatementSlot statement(kModule);
    if (!statement.ok() || OCI_REPORT(oci_prepare(statement.get(), kSynonymLookup)) ||
        OCI_REPORT(oci_bind_text(statement.get(), 1, name)) ||
        OCI_REPORT(oci_define(statement.get(), 1, table_owner, sizeof table_owner, SQLT_STR, nullptr)) ||
        OCI_REPORT(oci_define(statement.get(), 2, table_name, sizeof table_name, SQLT_STR, nullptr)))
        return;
    const int row = execute_single_row(statement.get());
    if (row == 1) {
        *owner = table_owner;
        *object = table_name;
    } else if (row == 0 && report) {
        console_print("Object %s does not exist\n", name);
    }
}

std::string object_type_of(const char* owner, const char* name, bool report) {
    char type[40] = {};
    StatementSlot statement(kModule);
    if (!statement.ok() || OCI_REPORT(oci_prepare(statement.get(), kTypeLookup)) ||
        OCI_REPORT(oci_bind_text(statement.get(), 1, owner)) || OCI_REPORT(oci_bind_text(statement.get(), 2, name)) ||
        OCI_REPORT(oci_define(statement.get(), 1, type, sizeof type, SQLT_STR, nullptr)))
        return std::string();
    const int row = execute_single_row(statement.get());
    if (row == 1) return type;
    if (row == 0 && report) console_print("Object %s.%s does not exist\n", owner, name);
    return std::string();
}

bool synonym_target(const char* owner, const char* name, std::string* target_owner, std::string* target_name) {
    char table_owner[kNameBufferBytes] = {}, table_name[kNameBufferBytes] = {}, link[kNameBufferBytes] = {};
    sb2 link_null = -1;
    StatementSlot statement(kModule);
    if (!statement.ok() || OCI_REPORT(oci_prepare(statement.get(), kSynonymTarget)) ||
        OCI_REPORT(oci_bind_text(statement.get(), 1, owner)) || OCI_REPORT(oci_bind_text(statement.get(), 2, name)) ||
        OCI_REPORT(oci_define(statement.get(), 1, table_owner, sizeof table_owner, SQLT_STR, nullptr)) ||
        OCI_REPORT(oci_define(statement.get(), 2, table_name, sizeof table_name, SQLT_STR, nullptr)) ||
        OCI_REPORT(oci_define(statement.get(), 3, link, sizeof link, SQLT_STR, &link_null)))
        return false;
    if (execute_single_row(statement.get()) != 1 || link_null != -1 || !table_owner[0] || !table_name[0]) return false;
    *target_owner = table_owner;
    *target_name = table_name;
    return true;
}

std::string current_user_name() {
    char user[kNameBufferBytes] = {};
    StatementSlot statement(kModule);
    if (!statement.ok() || OCI_REPORT(oci_prepare(statement.get(), kUserLookup)) ||
        OCI_REPORT(oci_define(statement.get(), 1, user, sizeof user, SQLT_STR, nullptr)))
        return std::string();
    return execute_single_row(statement.get()) == 1 ? std::string(user) : std::string();
}

int query_single_value(const char* sql, char* buffer, int size) {
    if (size > 0) buffer[0] = '\0';
    StatementSlot statement(kModule);
    if (!statement.ok()) return -1;
    if (OCI_REPORT(oci_prepare(statement.get(), sql))) return -2;
    if (OCI_REPORT(oci_define(statement.get(), 1, buffer, size, SQLT_STR, nullptr))) return -3;
    const int row = execute_single_row(statement.get());
    if (row < 0) return -4;
    if (row == 0 && size > 0) buffer[0] = '\0';
    return 0;
}

void db_cancel() {
    if (busy_thread_id.load() == 0 || !g_db) return;
    if (rows_fetched.load() != 0 && fetch_stop.load() == 0) {
        fetch_stop.store(1);
    } else if (g_db->service_context) {
        if (OCI_REPORT(oci().OCIBreak(g_db->service_context, g_db->error_handle)) == 0)
            OCI_REPORT(oci().OCIReset(g_db->service_context, g_db->error_handle));
    }
    if (g_console && g_console->script_depth.load() > 0) g_console->script_stop.store(1);
}
