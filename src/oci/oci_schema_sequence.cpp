// Sequence DDL: CREATE SEQUENCE with its bounds, step, flags, cache and the next number
// as START WITH; the numbers are read as text, so any magnitude is written digit for
// digit.
#include <cstring>

#include "oci/oci_schema_query.h"

namespace {
constexpr const char* kModule = "oci_schema_sequence";
}

int schema_sequence_ddl(void* window, const char* owner, const char* name) {
    char min_value[39] = {}, max_value[39] = {}, increment[39] = {}, cycle[2] = {}, order[2] = {}, cache[39] = {},
         last[39] = {};
    sb2 nulls[7];
    {
        SchemaQuery query(window, kModule);
        if (query.open("select MIN_VALUE,MAX_VALUE,INCREMENT_BY,CYCLE_FLAG,ORDER_FLAG,CACHE_SIZE,LAST_NUMBER from "
                       "all_sequences where sequence_owner=:p_schema and sequence_name=:p_sequence",
                       __LINE__) ||
            query.bind(":p_schema", owner, __LINE__) || query.bind(":p_sequence", name, __LINE__))
            return -1;
        char* buffers[] = {min_value, max_value, increment, cycle, order, cache, last};
        const sb4 sizes[] = {39, 39, 39, 2, 2, 39, 39};
        for (ub4 i = 0; i < 7; ++i)
            if (query.define_text(i + 1, buffers[i], sizes[i], &nulls[i], __LINE__)) return -1;
        for (sb2& indicator : nulls) indicator = -1;
        if (query.execute(__LINE__) || query.fetch_one(__LINE__)) return -1;
    }
    schema_print(window, "CREATE SEQUENCE \"%s\"\n", name);
    if (nulls[0] != -1) schema_print(window, "MINVALUE %s\n", min_value);
    if (nulls[1] != -1) schema_print(window, "MAXVALUE %s\n", max_value);
    if (nulls[2] != -1) schema_print(window, "INCREMENT BY %s\n", increment);
    if (nulls[3] != -1) schema_print(window, std::strcmp(cycle, "N") == 0 ? "NOCYCLE\n" : "CYCLE\n");
    if (nulls[4] != -1) schema_print(window, std::strcmp(order, "N") == 0 ? "NOORDER\n" : "ORDER\n");
    // The dictionary shows a sequence without a cache as cache size 0, and the database
    // refuses CACHE 0 (at least 2 values): it is written as NOCACHE.
    if (nulls[5] != -1 && std::strcmp(cache, "0") != 0)
        schema_print(window, "CACHE %s\n", cache);
    else
        schema_print(window, "NOCACHE\n");
    if (nulls[6] != -1) schema_print(window, "START WITH %s\n", last);
    schema_print(window, "/\n\n");
    return 0;
}
