// Autocomplete's dictionary lookups: one short query with up to three text binds whose
// single column of names is handed to the hint list, fetched 1000 names at a time; that
// batch reader, shared with the analyzer's and the schema browser's list filler; and the
// SQL analyzer's table and index lists. Runs on the GUI thread between statements (Tab
// is not handled while a worker runs).
#include <cstring>
#include <vector>

#include "oci/oci_calls.h"
#include "oci/oci_statements.h"

namespace {

constexpr const char* kModule = "oci_hints";
constexpr int kBatchRows = 1000;
constexpr int kNameBytes = 200;
constexpr int kTruncated = 1406;

// Binds a text to every occurrence of a placeholder: the prefix queries use :1 up to
// three times, and a bind by position would reach the first occurrence only (ORA-01008).
sword bind_name(OCIStmt* statement, const char* placeholder, const char* text) {
    OCIBind* bind = nullptr;
    return oci().OCIBindByName(statement, &bind, g_db->error_handle, reinterpret_cast<const OraText*>(placeholder),
                               static_cast<sb4>(std::strlen(placeholder)), const_cast<char*>(text),
                               static_cast<sb4>(std::strlen(text)), SQLT_CHR, nullptr, nullptr, nullptr, 0, nullptr,
                               OCI_DEFAULT);
}

}  // namespace

void fetch_names(OCIStmt* statement, std::vector<char>& names, int rows, int bytes, const char* module, int target,
                 const std::function<void(const char*)>& add) {
    ub4 seen = 0;
    while (true) {
        const sword fetched =
            oci().OCIStmtFetch(statement, g_db->error_handle, static_cast<ub4>(rows), OCI_FETCH_NEXT, OCI_DEFAULT);
        if (fetched != OCI_SUCCESS && fetched != OCI_SUCCESS_WITH_INFO && fetched != OCI_NO_DATA &&
            report_oci_status(fetched, module, __LINE__, ReportToConsole, kTruncated, nullptr) != 0)
            break;
        ub4 count = 0;
        if (report_oci_status(oci().OCIAttrGet(statement, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_ROW_COUNT,
                                               g_db->error_handle),
                              module, __LINE__, target, 0, nullptr))
            break;
        const ub4 fresh = count >= seen ? count - seen : 0;
        for (ub4 i = 0; i < fresh && i < static_cast<ub4>(rows); ++i) {
            char* name = names.data() + static_cast<size_t>(i) * static_cast<size_t>(bytes);
            name[bytes - 1] = '\0';
            add(name);
        }
        seen = count;
        if (fresh != static_cast<ub4>(rows) || fetched == OCI_NO_DATA) break;
    }
}

void hints_query(const char* sql, const char* bind1, const char* bind2, const char* bind3,
                 const std::function<void(const char*)>& add) {
    if (!g_db) return;
    StatementSlot statement(kModule);
    if (!statement.ok()) return;
    if (OCI_REPORT(oci_prepare(statement.get(), sql)) || OCI_REPORT(bind_name(statement.get(), ":1", bind1))) return;
    if (bind2 && OCI_REPORT(bind_name(statement.get(), ":2", bind2))) return;
    if (bind2 && bind3 && OCI_REPORT(bind_name(statement.get(), ":3", bind3))) return;
    std::vector<char> names(static_cast<size_t>(kBatchRows) * kNameBytes);
    if (OCI_REPORT(oci_define(statement.get(), 1, names.data(), kNameBytes, SQLT_STR, nullptr))) return;
    g_db->mark_error_position.store(1);
    const sword executed = oci_execute(statement.get(), 0);
    g_db->mark_error_position.store(0);
    if (executed != OCI_SUCCESS && executed != OCI_NO_DATA) {
        OCI_REPORT(executed);
        return;
    }
    fetch_names(statement.get(), names, kBatchRows, kNameBytes, kModule, ReportToConsole, add);
}

void analyzer_table_names(const std::function<void(const char*)>& add) {
    fill_name_list("select table_name from user_tables", {}, add);
}

void analyzer_index_names(const std::string& table, const std::function<void(const char*)>& add) {
    fill_name_list("select index_name from user_indexes where table_name=:table_name", {table}, add);
}
