// What the DDL writers share: the text sink into the front end's schema pane, the type
// table that picks a writer for an object type, the browser's three name lists, the
// name runner that calls a writer for every name a query returns, and the writers of
// stored source (procedures, functions, packages, types, Java source).
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "console/console_buffer.h"
#include "frontend/frontend.h"
#include "oci/oci_schema_query.h"
#include "oci/oci_statements.h"
#include "platform/platform.h"

namespace {

constexpr const char* kModule = "oci_schema_general";
constexpr int kTruncated = 1406;
constexpr int kBatchRows = 1000;
constexpr int kNameBytes = kNameBufferBytes;
constexpr int kLineBytes = 4001;

// Fetches a batch and reads the cumulative row count; false when the loop must end
// (failures reported on the console, a cut value tolerated).
bool fetch_batch(SchemaQuery& query, ub4* count) {
    const sword fetched = query.fetch(kBatchRows);
    if (fetched != OCI_SUCCESS && fetched != OCI_SUCCESS_WITH_INFO && fetched != OCI_NO_DATA &&
        report_oci_status(fetched, kModule, __LINE__, ReportToConsole, kTruncated, nullptr) != 0)
        return false;
    return report_oci_status(
               oci().OCIAttrGet(query.get(), OCI_HTYPE_STMT, count, nullptr, OCI_ATTR_ROW_COUNT, g_db->error_handle),
               kModule, __LINE__, ReportToConsole, 0, nullptr) == 0;
}

int source_writer(void* window, const char* owner, const char* name, const char* type) {
    schema_print(window, "create or replace ");
    if (schema_source_ddl(window, owner, name, type) != 0) return -1;
    schema_print(window, "/\n");
    schema_print(window, "show err\n");
    return 0;
}

}  // namespace

void schema_print(void* window, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    char* text = myvsprintf(format, args);
    va_end(args);
    if (!text) return;
    if (Frontend* front = frontend()) front->schema_append(window, text);
    std::free(text);
}

const SchemaWriterEntry kSchemaWriters[] = {
    {"TABLE", schema_table_ddl},
    {"INDEX", schema_index_ddl},
    {"PROCEDURE", schema_procedure_ddl},
    {"FUNCTION", schema_function_ddl},
    {"PACKAGE", schema_package_ddl},
    {"PACKAGE BODY", schema_package_body_ddl},
    {"TYPE", schema_type_ddl},
    {"TYPE BODY", schema_type_body_ddl},
    {"TRIGGER", schema_trigger_ddl},
    {"VIEW", schema_view_ddl},
    {"JAVA SOURCE", schema_java_source_ddl},
    {"SYNONYM", schema_synonym_ddl},
    {"SEQUENCE", schema_sequence_ddl},
};
const int kSchemaWriterCount = static_cast<int>(sizeof kSchemaWriters / sizeof kSchemaWriters[0]);

DdlWriter schema_writer_for(const char* object_type) {
    if (!object_type) return nullptr;
    for (const SchemaWriterEntry& entry : kSchemaWriters)
        if (std::strcmp(entry.object_type, object_type) == 0) return entry.writer;
    return nullptr;
}

int schema_show_ddl(void* window, const char* owner, const char* object_type, const char* name) {
    if (!name || !*name || !owner || !object_type) return -1;
    // The writers use the one session: never beside a statement worker of another thread
    // (a script's own ddl runs on the worker itself).
    const ThreadId busy = busy_thread_id.load();
    if (busy != 0 && busy != platform_current_thread_id()) {
        schema_print(window, "A statement is running; try again when it has finished\n");
        return -1;
    }
    const DdlWriter writer = schema_writer_for(object_type);
    if (!writer) {
        schema_print(window, "Feature not implemented yet: %s", object_type);
        return 0;
    }
    return writer(window, owner, name);
}

void schema_list_owners(const std::function<void(const char*)>& add) {
    fill_name_list(
        "select username from (select username from all_users union select 'PUBLIC' from dual) u where "
        "exists (select 1 from all_objects where owner=u.username and rownum=1)",
        {}, add);
}

void schema_list_types(const char* owner, const std::function<void(const char*)>& add) {
    fill_name_list(
        "select distinct object_type from all_objects where owner=:1 and object_type not in ('TABLE "
        "PARTITION','INDEX PARTITION')",
        {owner}, add);
}

void schema_list_names(const char* owner, const char* object_type, const std::function<void(const char*)>& add) {
    fill_name_list("select object_name from all_objects where owner=:1 and object_type=:2", {owner, object_type}, add);
}

int schema_for_each_name(void* window, const char* query_text, const char* owner, const char* object,
                         DdlWriter writer) {
    SchemaQuery query(window, kModule);
    if (query.open(query_text, __LINE__) || query.bind(":schema_name", owner, __LINE__) ||
        query.bind(":object_name", object, __LINE__))
        return -1;
    char* names = new (std::nothrow) char[static_cast<size_t>(kBatchRows) * kNameBytes];
    if (!names) {
        if (Frontend* front = frontend()) front->error_box("Out of memory");
        return -2;
    }
    std::unique_ptr<char[]> owned(names);
    OCIDefine* define = nullptr;
    if (query.report(oci().OCIDefineByPos(query.get(), &define, g_db->error_handle, 1, names, kNameBytes, SQLT_STR,
                                          nullptr, nullptr, nullptr, OCI_DEFAULT),
                     __LINE__))
        return -1;
    const sword executed = oci().OCIStmtExecute(g_db->service_context, query.get(), g_db->error_handle, 0, 0, nullptr,
                                                nullptr, OCI_DEFAULT);
    if (executed != OCI_SUCCESS && executed != OCI_NO_DATA) return -1;

    ub4 seen = 0;
    while (true) {
        ub4 count = 0;
        if (!fetch_batch(query, &count)) break;
        const ub4 fresh = count >= seen ? count - seen : 0;
        seen = count;
        for (ub4 i = 0; i < fresh && i < static_cast<ub4>(kBatchRows); ++i) {
            char* name = names + static_cast<size_t>(i) * kNameBytes;
            name[kNameBytes - 1] = '\0';
            if (writer(window, owner, name) != 0) return -1;
        }
        if (fresh != static_cast<ub4>(kBatchRows)) break;
    }
    return 0;
}

int schema_source_ddl(void* window, const char* owner, const char* name, const char* type) {
    SchemaQuery query(window, kModule);
    if (query.open("select text from all_source where owner=:p_schema and name=:p_name and type=:p_type order by "
                   "line",
                   __LINE__) ||
        query.bind(":p_schema", owner, __LINE__) || query.bind(":p_name", name, __LINE__) ||
        query.bind(":p_type", type, __LINE__))
        return -1;
    char* lines = new (std::nothrow) char[static_cast<size_t>(kBatchRows) * kLineBytes];
    sb2* indicators = new (std::nothrow) sb2[kBatchRows];
    std::unique_ptr<char[]> owned_lines(lines);
    std::unique_ptr<sb2[]> owned_indicators(indicators);
    if (!lines || !indicators) {
        if (Frontend* front = frontend()) front->error_box("Out of memory");
        return -2;
    }
    OCIDefine* define = nullptr;
    if (query.report(oci().OCIDefineByPos(query.get(), &define, g_db->error_handle, 1, lines, kLineBytes, SQLT_STR,
                                          indicators, nullptr, nullptr, OCI_DEFAULT),
                     __LINE__) ||
        query.execute(__LINE__))
        return -1;

    bool wrote = false;
    char last = '\0';
    ub4 seen = 0;
    while (true) {
        ub4 count = 0;
        if (!fetch_batch(query, &count)) break;
        const ub4 fresh = count >= seen ? count - seen : 0;
        seen = count;
        for (ub4 i = 0; i < fresh && i < static_cast<ub4>(kBatchRows); ++i) {
            if (indicators[i] == -1) {
                schema_print(window, "\n");
                wrote = true;
                last = '\0';
                continue;
            }
            char* line = lines + static_cast<size_t>(i) * kLineBytes;
            line[kLineBytes - 1] = '\0';
            schema_print(window, "%s", line);
            wrote = true;
            const size_t length = std::strlen(line);
            if (length > 0) last = line[length - 1];
        }
        if (fresh != static_cast<ub4>(kBatchRows)) break;
    }
    if (!wrote || last != '\n') schema_print(window, "\n");
    return 0;
}

int schema_procedure_ddl(void* window, const char* owner, const char* name) {
    return source_writer(window, owner, name, "PROCEDURE");
}
int schema_function_ddl(void* window, const char* owner, const char* name) {
    return source_writer(window, owner, name, "FUNCTION");
}
int schema_package_ddl(void* window, const char* owner, const char* name) {
    return source_writer(window, owner, name, "PACKAGE");
}
int schema_package_body_ddl(void* window, const char* owner, const char* name) {
    return source_writer(window, owner, name, "PACKAGE BODY");
}
int schema_type_ddl(void* window, const char* owner, const char* name) {
    return source_writer(window, owner, name, "TYPE");
}
int schema_type_body_ddl(void* window, const char* owner, const char* name) {
    return source_writer(window, owner, name, "TYPE BODY");
}
int schema_java_source_ddl(void* window, const char* owner, const char* name) {
    return source_writer(window, owner, name, "JAVA SOURCE");
}
