// Explain plan: the plan of one statement written into PLAN_TABLE inside a savepoint,
// read back as a tree through the front end's plan view, and the savepoint rolled back so
// that explaining leaves nothing behind; and the list filler of the analyzer and the
// schema browser. GUI thread only, between statements.
#include <cstring>
#include <ctime>
#include <string>
#include <unordered_map>
#include <vector>

#include "console/console_buffer.h"
#include "frontend/frontend.h"
#include "oci/oci_calls.h"
#include "oci/oci_statements.h"

namespace {

constexpr const char* kModule = "oci_explain_plan";
constexpr const char* kPlanQuery =
    "SELECT ID,PARENT_ID,OPERATION||DECODE(OTHER_TAG,NULL,'','*')||DECODE(OPTIONS,NULL,'',' ('||OPTIONS||')')||"
    "DECODE(OBJECT_NAME,NULL,'',' OF '''||OBJECT_NAME||'''')||DECODE(OBJECT_TYPE,NULL,'',' ('||OBJECT_TYPE||')')||"
    "DECODE(ID,0,DECODE(OPTIMIZER,NULL,'',' Optimizer='||OPTIMIZER))||DECODE(COST,NULL,'',' (Cost='||COST||"
    "DECODE(CARDINALITY,NULL,'',' Card='||CARDINALITY)||DECODE(BYTES,NULL,'',' Bytes='||BYTES||')'))||"
    "DECODE(PARTITION_START,NULL,'',' PStart='||PARTITION_START)||DECODE(PARTITION_STOP,NULL,'',' PStop='||"
    "PARTITION_STOP) PLAN FROM PLAN_TABLE START WITH ID=0 AND STATEMENT_ID='%s' CONNECT BY PRIOR ID=PARENT_ID AND "
    "STATEMENT_ID='%s' ORDER BY ID,POSITION";

#define PLAN_REPORT(status) report_oci_status((status), kModule, __LINE__, ReportToPlanTree, 0, nullptr)

std::string with_id(const char* pattern, const std::string& id) {
    std::string text;
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            text += id;
            ++p;
        } else {
            text += *p;
        }
    }
    return text;
}

// Reads the plan rows of `id` into the plan view. False when the query could not run.
bool read_plan(const std::string& id) {
    Frontend* front = frontend();
    StatementSlot statement(kModule);
    if (!statement.ok()) return false;
    int row_id = 0, parent_id = 0;
    sb2 parent_null = 0;
    char plan[2000] = {};
    const std::string query = with_id(kPlanQuery, id);
    OCIDefine* define = nullptr;
    if (PLAN_REPORT(oci_prepare(statement.get(), query.c_str())) ||
        PLAN_REPORT(oci().OCIDefineByPos(statement.get(), &define, g_db->error_handle, 1, &row_id, sizeof row_id,
                                         SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT)) ||
        PLAN_REPORT(oci().OCIDefineByPos(statement.get(), &define, g_db->error_handle, 2, &parent_id,
                                         sizeof parent_id, SQLT_INT, &parent_null, nullptr, nullptr, OCI_DEFAULT)) ||
        PLAN_REPORT(oci().OCIDefineByPos(statement.get(), &define, g_db->error_handle, 3, plan, sizeof plan,
                                         SQLT_STR, nullptr, nullptr, nullptr, OCI_DEFAULT)))
        return false;
    g_db->mark_error_position.store(0);
    const sword executed = oci_execute(statement.get(), 0);
    if (executed != OCI_SUCCESS && executed != OCI_NO_DATA) return false;
    std::unordered_map<int, std::uintptr_t> items;
    while (true) {
        const sword fetched = oci().OCIStmtFetch(statement.get(), g_db->error_handle, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
        if (fetched != OCI_SUCCESS && fetched != OCI_SUCCESS_WITH_INFO) break;
        plan[sizeof plan - 1] = '\0';
        std::uintptr_t parent = 0;
        if (parent_null != -1) {
            const auto found = items.find(parent_id);
            if (found != items.end()) parent = found->second;
        }
        items[row_id] = front ? front->plan_insert(parent, plan) : 0;
    }
    g_db->mark_error_position.store(0);
    return true;
}

}  // namespace

int plan_exec(const char* text) {
    if (!session_open.load()) {
        if (Frontend* front = frontend()) front->error_box("Not connected to a database\n");
        return -1;
    }
    StatementSlot statement(kModule);
    if (!statement.ok()) return -1;
    if (PLAN_REPORT(oci_prepare(statement.get(), text))) return -2;
    if (PLAN_REPORT(oci_execute(statement.get(), 1))) return -3;
    ub4 rows = 0;
    PLAN_REPORT(oci().OCIAttrGet(statement.get(), OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT,
                                 g_db->error_handle));
    return static_cast<int>(rows);
}

int explain_plan(const char* statement_text) {
    Frontend* front = frontend();
    const std::string id = "VANTRO_" + std::to_string(static_cast<long long>(std::time(nullptr)));
    if (front) front->plan_clear();
    plan_exec("savepoint VANTRO");
    if (plan_exec(with_id("delete from plan_table where statement_id='%s'", id).c_str()) < 0) {
        if (front) front->error_box("Can't access the plan table, maybe you need to run the utlxplan.sql script");
        return -1;
    }
    std::string text = statement_text ? statement_text : "";
    // The analyzer's edit may end with line ends after the ";": they do not hide it.
    while (!text.empty() && std::strchr(" \t\r\n", text.back())) text.pop_back();
    if (!text.empty() && text.back() == ';') text.pop_back();
    const int explained = plan_exec(("EXPLAIN PLAN SET STATEMENT_ID = '" + id + "' FOR " + text).c_str());
    const bool read = explained >= 0 && read_plan(id);
    // Whatever happened after the savepoint (the delete of this id's old rows, the new
    // plan rows) is undone, also when the explain or the plan query failed: explaining
    // never leaves changes in the user's transaction.
    plan_exec("rollback to savepoint VANTRO");
    return explained >= 0 && read ? 0 : -1;
}

void fill_name_list(const char* query, const std::vector<std::string>& values,
                    const std::function<void(const char*)>& add) {
    if (busy_thread_id.load() != 0 || !g_db) return;
    StatementSlot statement(kModule);
    if (!statement.ok()) return;
    if (PLAN_REPORT(oci_prepare(statement.get(), query))) return;
    for (size_t i = 0; i < values.size(); ++i) {
        OCIBind* bind = nullptr;
        if (PLAN_REPORT(oci().OCIBindByPos(statement.get(), &bind, g_db->error_handle, static_cast<ub4>(i + 1),
                                           const_cast<char*>(values[i].c_str()),
                                           static_cast<sb4>(values[i].size()), SQLT_CHR, nullptr, nullptr, nullptr,
                                           0, nullptr, OCI_DEFAULT)))
            return;
    }
    constexpr int kRows = 1000, kBytes = kNameBufferBytes;
    std::vector<char> names(static_cast<size_t>(kRows) * kBytes);
    if (PLAN_REPORT(oci_define(statement.get(), 1, names.data(), kBytes, SQLT_STR, nullptr))) return;
    g_db->mark_error_position.store(0);
    const sword executed = oci_execute(statement.get(), 0);
    if (executed != OCI_SUCCESS && executed != OCI_NO_DATA) return;
    fetch_names(statement.get(), names, kRows, kBytes, kModule, ReportToPlanTree, add);
}
