// View DDL: CREATE OR REPLACE FORCE VIEW with its column list and its query text, read
// into a buffer of the text's own length.
#include <new>
#include <memory>

#include "frontend/frontend.h"
#include "oci/oci_schema_query.h"

namespace {
constexpr const char* kModule = "oci_schema_views";
}

int schema_view_ddl(void* window, const char* owner, const char* name) {
    ub4 text_length = 0;
    sb2 null_length = -1;
    {
        SchemaQuery query(window, kModule);
        if (query.open("select TEXT_LENGTH from all_views where owner=:p_schema and view_name=:p_view", __LINE__) ||
            query.bind(":p_schema", owner, __LINE__) || query.bind(":p_view", name, __LINE__) ||
            query.define_unsigned(1, &text_length, &null_length, __LINE__) || query.execute(__LINE__) ||
            query.fetch_one(__LINE__))
            return -1;
    }
    if (null_length == -1) text_length = 0;
    // A view text longer than a define can take (2 GB) is refused rather than cut.
    if (text_length >= 0x7fffffffu) {
        schema_print(window, "View text of %u bytes is too long\n", text_length);
        return -1;
    }
    const size_t size = static_cast<size_t>(text_length) + 1;
    std::unique_ptr<char[]> text(new (std::nothrow) char[size]);
    if (!text) {
        if (Frontend* front = frontend()) front->error_box("Out of memory");
        return -1;
    }
    text[0] = '\0';
    sb2 null_text = -1;
    {
        SchemaQuery query(window, kModule);
        if (query.open("select TEXT from all_views where owner=:p_schema and view_name=:p_view", __LINE__) ||
            query.bind(":p_schema", owner, __LINE__) || query.bind(":p_view", name, __LINE__) ||
            query.define_text(1, text.get(), static_cast<sb4>(size), &null_text, __LINE__) || query.execute(__LINE__) ||
            query.fetch_one(__LINE__))
            return -1;
    }
    if (null_text == -1) text[0] = '\0';
    schema_print(window, "CREATE OR REPLACE FORCE VIEW \"%s\"\n(", name);
    schema_view_columns(window, owner, name);
    schema_print(window, ")\nAS\n%s\n/\n", text.get());
    schema_print(window, "show err\n");
    return 0;
}

int schema_view_columns(void* window, const char* owner, const char* view) {
    char name[kNameBufferBytes] = {};
    sb2 indicator = -1;
    SchemaQuery query(window, kModule);
    if (query.open("select column_name from all_tab_columns where owner=:p_schema and table_name=:p_view order by "
                   "column_id",
                   __LINE__) ||
        query.bind(":p_schema", owner, __LINE__) || query.bind(":p_view", view, __LINE__) ||
        query.define_text(1, name, sizeof name, &indicator, __LINE__) || query.execute(__LINE__))
        return -1;
    bool failed = false;
    for (int row = 0; query.next_row(__LINE__, &failed); ++row)
        schema_print(window, row == 0 ? "\"%s\"" : ",\"%s\"", indicator == -1 ? "" : name);
    return failed ? -1 : 0;
}
