// Index DDL: one CREATE INDEX with its columns, physical attributes and the BITMAP,
// UNIQUE and REVERSE words; called by the browser for an index and by the table writer
// for every index of its table.
#include <cstring>
#include <vector>

#include "oci/oci_schema_query.h"

namespace {

constexpr const char* kModule = "oci_schema_indexes";

constexpr const char* kIndexQuery =
    "select INDEX_TYPE,UNIQUENESS,TABLESPACE_NAME,INI_TRANS,MAX_TRANS,INITIAL_EXTENT,NEXT_EXTENT,MIN_EXTENTS,"
    "MAX_EXTENTS,PCT_INCREASE,PCT_THRESHOLD,FREELISTS,FREELIST_GROUPS,PCT_FREE,TABLE_NAME from all_indexes where "
    "owner=:p_schema and index_name=:p_index";
constexpr const char* kColumnQuery =
    "select COLUMN_NAME from all_ind_columns where index_owner=:p_schema and index_name=:p_index order by "
    "column_position";

// Positions 4 to 14 of the index row.
enum Number {
    IniTrans,
    MaxTrans,
    Initial,
    Next,
    MinExtents,
    MaxExtents,
    PctIncrease,
    PctThreshold,
    Freelists,
    FreelistGroups,
    PctFree,
    NumberCount
};

}  // namespace

int schema_index_ddl(void* window, const char* owner, const char* index) {
    char type[28] = {}, uniqueness[10] = {}, tablespace[kNameBufferBytes] = {}, table[kNameBufferBytes] = {};
    sb2 null_type = -1, null_unique = -1, null_tablespace = -1, null_table = -1;
    ub4 numbers[NumberCount] = {};
    sb2 nulls[NumberCount];
    for (sb2& indicator : nulls) indicator = -1;
    {
        SchemaQuery query(window, kModule);
        if (query.open(kIndexQuery, __LINE__) || query.bind(":p_schema", owner, __LINE__) ||
            query.bind(":p_index", index, __LINE__) || query.define_text(1, type, sizeof type, &null_type, __LINE__) ||
            query.define_text(2, uniqueness, sizeof uniqueness, &null_unique, __LINE__) ||
            query.define_text(3, tablespace, sizeof tablespace, &null_tablespace, __LINE__))
            return -1;
        for (int i = 0; i < NumberCount; ++i)
            if (query.define_unsigned(static_cast<ub4>(4 + i), &numbers[i], &nulls[i], __LINE__)) return -1;
        if (query.define_text(15, table, sizeof table, &null_table, __LINE__) || query.execute(__LINE__) ||
            query.fetch_one(__LINE__))
            return -1;
    }
    const auto type_is = [&](const char* value) { return null_type != -1 && std::strcmp(type, value) == 0; };

    schema_print(window, "CREATE");
    if (type_is("BITMAP") || type_is("BITMAP/REV")) schema_print(window, " BITMAP");
    if (null_unique != -1 && std::strcmp(uniqueness, "UNIQUE") == 0) schema_print(window, " UNIQUE");
    schema_print(window, " INDEX \"%s\" on \"%s\" (\n", index, null_table == -1 ? "" : table);
    if (schema_index_columns(window, owner, index) != 0) return -1;
    schema_print(window, ")\n");

    if (null_tablespace != -1) schema_print(window, "TABLESPACE \"%s\"\n", tablespace);
    if (nulls[PctFree] != -1) schema_print(window, "PCTFREE %u\n", numbers[PctFree]);
    if (nulls[IniTrans] != -1) schema_print(window, "INITRANS %u\n", numbers[IniTrans]);
    if (nulls[MaxTrans] != -1) schema_print(window, "MAXTRANS %u\n", numbers[MaxTrans]);

    struct StorageLine {
        Number item;
        const char* label;  // nine blanks and the keyword
    };
    static const StorageLine kStorage[] = {
        {Initial, "         INITIAL"},
        {Next, "         NEXT"},
        {MinExtents, "         MINEXTENTS"},
        {MaxExtents, "         MAXEXTENTS"},
        {PctIncrease, "         PCTINCREASE"},
        {Freelists, "         FREELISTS"},
        {FreelistGroups, "         FREELIST GROUPS"},
    };
    bool any_storage = false;
    for (const StorageLine& line : kStorage) any_storage = any_storage || nulls[line.item] != -1;
    if (any_storage) {
        schema_print(window, "STORAGE (\n");
        for (const StorageLine& line : kStorage)
            if (nulls[line.item] != -1) schema_print(window, "%s %u\n", line.label, numbers[line.item]);
        schema_print(window, "        )\n");
    }
    if (type_is("BITMAP/REV") || type_is("NORMAL/REV")) schema_print(window, "REVERSE\n");
    schema_print(window, "/\n\n");
    return 0;
}

int schema_index_columns(void* window, const char* owner, const char* index) {
    std::vector<char> name(4001, '\0');
    sb2 indicator = -1;
    SchemaQuery query(window, kModule);
    if (query.open(kColumnQuery, __LINE__) || query.bind(":p_schema", owner, __LINE__) ||
        query.bind(":p_index", index, __LINE__) ||
        query.define_text(1, name.data(), static_cast<sb4>(name.size()), &indicator, __LINE__) ||
        query.execute(__LINE__))
        return -1;
    bool failed = false;
    for (int row = 0; query.next_row(__LINE__, &failed); ++row)
        schema_print(window, row == 0 ? "  \"%s\"\n" : " ,\"%s\"\n", indicator == -1 ? "" : name.data());
    return failed ? -1 : 0;
}
