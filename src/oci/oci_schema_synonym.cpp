// Synonym DDL: CREATE [PUBLIC] SYNONYM for the target object, with its owner and
// database link when it has them.
#include <cstring>

#include "oci/oci_schema_query.h"

namespace {
constexpr const char* kModule = "oci_schema_synonym";
}

int schema_synonym_ddl(void* window, const char* owner, const char* name) {
    char table_owner[kNameBufferBytes] = {}, table_name[kNameBufferBytes] = {}, link[129] = {};
    sb2 null_owner = -1, null_name = -1, null_link = -1;
    {
        SchemaQuery query(window, kModule);
        if (query.open("select TABLE_OWNER,TABLE_NAME,DB_LINK from all_synonyms where owner=:p_schema and "
                       "synonym_name=:p_synonym",
                       __LINE__) ||
            query.bind(":p_schema", owner, __LINE__) || query.bind(":p_synonym", name, __LINE__) ||
            query.define_text(1, table_owner, sizeof table_owner, &null_owner, __LINE__) ||
            query.define_text(2, table_name, sizeof table_name, &null_name, __LINE__) ||
            query.define_text(3, link, sizeof link, &null_link, __LINE__) || query.execute(__LINE__) ||
            query.fetch_one(__LINE__))
            return -1;
    }
    schema_print(window,
                 std::strcmp(owner, "PUBLIC") == 0 ? "CREATE PUBLIC SYNONYM \"%s\" FOR " : "CREATE SYNONYM \"%s\" FOR ",
                 name);
    if (null_owner != -1) schema_print(window, " \"%s\".", table_owner);
    schema_print(window, "\"%s\"", null_name == -1 ? "" : table_name);
    if (null_link != -1) schema_print(window, "@\"%s\"", link);
    schema_print(window, "\n/\n\n");
    return 0;
}
