// Helpers shared by the database modules: the statement slot of the session as an RAII
// guard, and the reporting shorthand with the module name and the call's line.
#pragma once

#include "oci/db_session.h"
#include "oci/oci_loader.h"

#include <cstring>
#include <functional>
#include <vector>

#define OCI_REPORT(status) report_oci_status((status), kModule, __LINE__, ReportToConsole, 0, nullptr)

// Allocates the session's statement (current_statement) and frees it on every exit path.
class StatementSlot {
public:
    explicit StatementSlot(const char* module) {
        ok_ = report_oci_status(oci().OCIHandleAlloc(g_db->env_handle,
                                                     reinterpret_cast<void**>(&g_db->current_statement),
                                                     OCI_HTYPE_STMT, 0, nullptr),
                                module, __LINE__, ReportToConsole, 0, nullptr) == 0;
        if (!ok_) g_db->current_statement = nullptr;
    }
    ~StatementSlot() { release(); }
    StatementSlot(const StatementSlot&) = delete;
    StatementSlot& operator=(const StatementSlot&) = delete;

    bool ok() const { return ok_; }
    OCIStmt* get() const { return g_db->current_statement; }
    void release() {
        if (g_db->current_statement) oci().OCIHandleFree(g_db->current_statement, OCI_HTYPE_STMT);
        g_db->current_statement = nullptr;
        ok_ = false;
    }

private:
    bool ok_ = false;
};

// Fetches an executed one-column query `rows` at a time into `names` (rows x bytes) and
// hands each NUL-terminated name to `add`, until a batch comes back short. Fetch failures
// are reported on the console (a cut name, ORA-01406, is not one); a failing row count
// goes to `target`.
void fetch_names(OCIStmt* statement, std::vector<char>& names, int rows, int bytes, const char* module, int target,
                 const std::function<void(const char*)>& add);

inline sword oci_prepare(OCIStmt* statement, const char* text) {
    return oci().OCIStmtPrepare(statement, g_db->error_handle, reinterpret_cast<const OraText*>(text),
                                static_cast<ub4>(std::strlen(text)), OCI_NTV_SYNTAX, OCI_DEFAULT);
}

inline sword oci_execute(OCIStmt* statement, ub4 iterations) {
    return oci().OCIStmtExecute(g_db->service_context, statement, g_db->error_handle, iterations, 0, nullptr,
                                nullptr, OCI_DEFAULT);
}

inline sword oci_bind_text(OCIStmt* statement, ub4 position, const char* text) {
    OCIBind* bind = nullptr;
    return oci().OCIBindByPos(statement, &bind, g_db->error_handle, position, const_cast<char*>(text),
                              static_cast<sb4>(std::strlen(text)), SQLT_CHR, nullptr, nullptr, nullptr, 0, nullptr,
                              OCI_DEFAULT);
}

inline sword oci_define(OCIStmt* statement, ub4 position, void* buffer, sb4 size, ub2 type, void* indicators) {
    OCIDefine* define = nullptr;
    return oci().OCIDefineByPos(statement, &define, g_db->error_handle, position, buffer, size, type, indicators,
                                nullptr, nullptr, OCI_DEFAULT);
}
