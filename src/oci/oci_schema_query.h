// The one query pattern of the DDL writers: a statement handle of its own (the name
// runner keeps its statement open while a writer runs its queries, so the writers do not
// use the session's single current statement), binds by name as NUL-terminated text,
// defines by position with 16-bit indicators, and every failure reported into the
// schema pane of the writer's window. The handle is freed on every exit path.
#pragma once

#include <cstring>

#include "oci/db_session.h"
#include "oci/oci_schema.h"

class SchemaQuery {
public:
    SchemaQuery(void* window, const char* module) : window_(window), module_(module) {}
    ~SchemaQuery() { close(); }
    SchemaQuery(const SchemaQuery&) = delete;
    SchemaQuery& operator=(const SchemaQuery&) = delete;

    // Each returns true when the step failed (the failure is already in the pane).
    bool report(sword status, int line, int tolerated = 0) const {
        return report_oci_status(status, module_, line, ReportToSchemaPane, tolerated, window_) != 0;
    }
    bool open(const char* sql, int line) {
        if (!g_db || !g_db->env_handle || !g_db->service_context) {
            schema_print(window_, "Not connected to a database\n");
            return true;
        }
        if (report(oci().OCIHandleAlloc(g_db->env_handle, reinterpret_cast<void**>(&statement_), OCI_HTYPE_STMT, 0,
                                        nullptr),
                   line)) {
            statement_ = nullptr;
            return true;
        }
        return report(oci().OCIStmtPrepare(statement_, g_db->error_handle, reinterpret_cast<const OraText*>(sql),
                                           static_cast<ub4>(std::strlen(sql)), OCI_NTV_SYNTAX, OCI_DEFAULT),
                      line);
    }
    // The bound text must outlive the execute.
    bool bind(const char* placeholder, const char* value, int line) {
        OCIBind* bind = nullptr;
        return report(
            oci().OCIBindByName(statement_, &bind, g_db->error_handle, reinterpret_cast<const OraText*>(placeholder),
                                static_cast<sb4>(std::strlen(placeholder)), const_cast<char*>(value),
                                static_cast<sb4>(std::strlen(value) + 1), SQLT_STR, nullptr, nullptr, nullptr, 0,
                                nullptr, OCI_DEFAULT),
            line);
    }
    bool define_text(ub4 position, char* buffer, sb4 size, sb2* indicator, int line) {
        OCIDefine* define = nullptr;
        return report(oci().OCIDefineByPos(statement_, &define, g_db->error_handle, position, buffer, size, SQLT_STR,
                                           indicator, nullptr, nullptr, OCI_DEFAULT),
                      line);
    }
    bool define_unsigned(ub4 position, ub4* value, sb2* indicator, int line) {
        OCIDefine* define = nullptr;
        return report(
            oci().OCIDefineByPos(statement_, &define, g_db->error_handle, position, value,
                                 static_cast<sb4>(sizeof(ub4)), SQLT_UIN, indicator, nullptr, nullptr, OCI_DEFAULT),
            line);
    }
    bool execute(int line) {
        return report(oci().OCIStmtExecute(g_db->service_context, statement_, g_db->error_handle, 0, 0, nullptr,
                                           nullptr, OCI_DEFAULT),
                      line);
    }
    sword fetch(ub4 rows) {
        return oci().OCIStmtFetch(statement_, g_db->error_handle, rows, OCI_FETCH_NEXT, OCI_DEFAULT);
    }
    // One row that must exist: no row is a failure like any other (ORA-01403).
    bool fetch_one(int line) { return report(fetch(1), line); }
    // The next row of a list: true while there is one. The end of the rows ends the list
    // quietly; any other failure (a name cut short, an error) is reported and ends it
    // too, with `failed` set, so that a list is never silently shortened.
    bool next_row(int line, bool* failed) {
        const sword status = fetch(1);
        if (status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO) return true;
        if (status != OCI_NO_DATA) {
            report(status, line);
            *failed = true;
        }
        return false;
    }
    OCIStmt* get() const { return statement_; }
    void* window() const { return window_; }
    void close() {
        if (statement_) oci().OCIHandleFree(statement_, OCI_HTYPE_STMT);
        statement_ = nullptr;
    }

private:
    void* window_;
    const char* module_;
    OCIStmt* statement_ = nullptr;
};
