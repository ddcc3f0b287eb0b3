// Trigger DDL: CREATE OR REPLACE TRIGGER with the dictionary's description (name,
// timing, event, table), its WHEN condition and the body, ended by the slash line and show err.
#include <cstring>
#include <vector>

#include "oci/oci_schema_query.h"

namespace {
constexpr const char* kModule = "oci_schema_trigger";

bool ends_in_line_feed(const char* text) {
    const size_t length = std::strlen(text);
    return length > 0 && text[length - 1] == '\n';
}
}  // namespace

int schema_trigger_ddl(void* window, const char* owner, const char* name) {
    std::vector<char> body(32000, '\0'), description(4001, '\0');
    sb2 null_body = -1, null_description = -1;
    {
        SchemaQuery query(window, kModule);
        if (query.open("select TRIGGER_BODY,DESCRIPTION from all_triggers where owner=:p_schema and "
                       "trigger_name=:p_trigger",
                       __LINE__) ||
            query.bind(":p_schema", owner, __LINE__) || query.bind(":p_trigger", name, __LINE__) ||
            query.define_text(1, body.data(), static_cast<sb4>(body.size()), &null_body, __LINE__) ||
            query.define_text(2, description.data(), static_cast<sb4>(description.size()), &null_description,
                              __LINE__) ||
            query.execute(__LINE__) || query.fetch_one(__LINE__))
            return -1;
    }
    // The description stops before the WHEN clause; without the condition the text would
    // recreate a trigger that fires on every row.
    std::vector<char> when(4001, '\0');
    sb2 null_when = -1;
    {
        SchemaQuery query(window, kModule);
        if (query.open("select WHEN_CLAUSE from all_triggers where owner=:p_schema and trigger_name=:p_trigger",
                       __LINE__) ||
            query.bind(":p_schema", owner, __LINE__) || query.bind(":p_trigger", name, __LINE__) ||
            query.define_text(1, when.data(), static_cast<sb4>(when.size()), &null_when, __LINE__) ||
            query.execute(__LINE__) || query.fetch_one(__LINE__))
            return -1;
    }
    if (null_body == -1) body[0] = '\0';
    if (null_description == -1) description[0] = '\0';
    schema_print(window, "CREATE OR REPLACE TRIGGER %s", description.data());
    if (null_when != -1 && when[0] != '\0') {
        // The description may end in the blanks that stood before WHEN; the clause then
        // goes on that line, so the recreated trigger keeps the same description.
        const size_t length = std::strlen(description.data());
        if (length == 0 || (description[length - 1] != ' ' && description[length - 1] != '\n'))
            schema_print(window, "\n");
        schema_print(window, "WHEN (%s)\n", when.data());
    } else if (!ends_in_line_feed(description.data())) {
        schema_print(window, "\n");
    }
    schema_print(window, "%s", body.data());
    if (!ends_in_line_feed(body.data())) schema_print(window, "\n");
    schema_print(window, "/\n");
    schema_print(window, "show err\n");
    return 0;
}
