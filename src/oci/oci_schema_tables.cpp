// Table DDL: CREATE TABLE with one line per column and the physical attributes, then the
// DDL of every index on the table and its constraints (primary key, unique, check,
// foreign key).
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "oci/oci_schema_query.h"

namespace {

constexpr const char* kModule = "oci_schema_tables";

constexpr const char* kStorageQuery =
    "select tablespace_name,cluster_name,iot_name,pct_free,pct_used,ini_trans,max_trans,initial_extent,next_extent,"
    "min_extents,max_extents,pct_increase,freelists,freelist_groups,iot_type from all_tables where owner=:p_schema "
    "and table_name=:p_table";
constexpr const char* kColumnQuery =
    "select column_name,data_type,data_type_mod,data_type_owner,data_length,data_precision,data_scale,nullable,"
    "default_length,data_default from all_tab_columns where owner=:p_schema and table_name=:p_table order by "
    "column_id";

// The dependent passes, in the order they are written.
struct TablePass {
    const char* query;
    DdlWriter writer;
};
const TablePass kPasses[] = {
    {"SELECT INDEX_NAME FROM ALL_INDEXES WHERE OWNER=:schema_name AND table_name=:object_name", schema_index_ddl},
    {"SELECT CONSTRAINT_NAME FROM ALL_CONSTRAINTS WHERE OWNER=:schema_name AND CONSTRAINT_TYPE='P' AND "
     "table_name=:object_name",
     schema_constraint_ddl},
    {"SELECT CONSTRAINT_NAME FROM ALL_CONSTRAINTS WHERE OWNER=:schema_name AND CONSTRAINT_TYPE='U' AND "
     "table_name=:object_name",
     schema_constraint_ddl},
    {"SELECT CONSTRAINT_NAME FROM ALL_CONSTRAINTS WHERE OWNER=:schema_name AND CONSTRAINT_TYPE='C' AND "
     "table_name=:object_name",
     schema_constraint_ddl},
    {"SELECT CONSTRAINT_NAME FROM ALL_CONSTRAINTS WHERE OWNER=:schema_name AND CONSTRAINT_TYPE='R' AND "
     "table_name=:object_name",
     schema_constraint_ddl},
};

// The columns whose NOT NULL comes from the primary key alone, with no NOT NULL check of
// their own: their column lines leave NOT NULL out, since the key added after the table
// makes them NOT NULL again and a written NOT NULL would add a check the table never had.
// 0, or -1 after a failure reported into the pane.
int key_only_not_null(void* window, const char* owner, const char* table, std::set<std::string>* columns) {
    std::vector<char> text(32000, '\0');
    sb2 indicator = -1;
    std::set<std::string> checked;
    {
        SchemaQuery query(window, kModule);
        if (query.open("select search_condition from all_constraints where owner=:p_schema and table_name=:p_table "
                       "and constraint_type='C'",
                       __LINE__) ||
            query.bind(":p_schema", owner, __LINE__) || query.bind(":p_table", table, __LINE__) ||
            query.define_text(1, text.data(), static_cast<sb4>(text.size()), &indicator, __LINE__) ||
            query.execute(__LINE__))
            return -1;
        bool failed = false;
        static const char kTail[] = "\" IS NOT NULL";
        while (query.next_row(__LINE__, &failed))
            if (indicator != -1 && wildcard_match("\"*\" IS NOT NULL", text.data()))
                checked.insert(std::string(text.data() + 1, std::strlen(text.data()) - 1 - (sizeof kTail - 1)));
        if (failed) return -1;
    }
    char name[kNameBufferBytes] = {};
    SchemaQuery query(window, kModule);
    if (query.open("select k.column_name from all_constraints c, all_cons_columns k where c.owner=:p_schema and "
                   "c.table_name=:p_table and c.constraint_type='P' and k.owner=c.owner and "
                   "k.constraint_name=c.constraint_name",
                   __LINE__) ||
        query.bind(":p_schema", owner, __LINE__) || query.bind(":p_table", table, __LINE__) ||
        query.define_text(1, name, sizeof name, &indicator, __LINE__) || query.execute(__LINE__))
        return -1;
    bool failed = false;
    while (query.next_row(__LINE__, &failed))
        if (indicator != -1 && !checked.count(name)) columns->insert(name);
    return failed ? -1 : 0;
}

bool is_sized_type(const char* type) {
    static const char* const kSized[] = {"VARCHAR2", "NVARCHAR2", "RAW", "CHAR", "NCHAR"};
    for (const char* sized : kSized)
        if (std::strcmp(type, sized) == 0) return true;
    return false;
}

}  // namespace

int schema_table_ddl(void* window, const char* owner, const char* table) {
    char tablespace[kNameBufferBytes] = {}, cluster[kNameBufferBytes] = {}, iot[kNameBufferBytes] = {};
    // pct_free .. freelist_groups, positions 4 to 14.
    ub4 numbers[11] = {};
    sb2 text_null[3] = {-1, -1, -1};
    sb2 number_null[11];
    for (sb2& indicator : number_null) indicator = -1;
    {
        SchemaQuery query(window, kModule);
        if (query.open(kStorageQuery, __LINE__) || query.bind(":p_schema", owner, __LINE__) ||
            query.bind(":p_table", table, __LINE__) ||
            query.define_text(1, tablespace, sizeof tablespace, &text_null[0], __LINE__) ||
            query.define_text(2, cluster, sizeof cluster, &text_null[1], __LINE__) ||
            query.define_text(3, iot, sizeof iot, &text_null[2], __LINE__))
            return -1;
        for (ub4 i = 0; i < 11; ++i)
            if (query.define_unsigned(4 + i, &numbers[i], &number_null[i], __LINE__)) return -1;
        if (query.execute(__LINE__) || query.fetch_one(__LINE__)) return -1;
    }

    schema_print(window, "CREATE TABLE \"%s\" (\n", table);
    if (schema_table_columns(window, owner, table) != 0) return -1;
    schema_print(window, ")\n");

    if (text_null[0] != -1) schema_print(window, "TABLESPACE \"%s\"\n", tablespace);
    static const char* const kAttributes[] = {"PCTFREE", "PCTUSED", "INITRANS", "MAXTRANS"};
    for (int i = 0; i < 4; ++i)
        if (number_null[i] != -1) schema_print(window, "%s %u\n", kAttributes[i], numbers[i]);
    static const char* const kStorage[] = {"         INITIAL",        "         NEXT",        "         MINEXTENTS",
                                           "         MAXEXTENTS",     "         PCTINCREASE", "         FREELISTS",
                                           "         FREELIST GROUPS"};
    bool any_storage = false;
    for (int i = 4; i < 11; ++i) any_storage = any_storage || number_null[i] != -1;
    if (any_storage) {
        schema_print(window, "STORAGE (\n");
        for (int i = 4; i < 11; ++i)
            if (number_null[i] != -1) schema_print(window, "%s %u\n", kStorage[i - 4], numbers[i]);
        schema_print(window, "        )\n");
    }
    schema_print(window, "/\n\n");

    for (const TablePass& pass : kPasses)
        if (schema_for_each_name(window, pass.query, owner, table, pass.writer) != 0) return -1;
    return 0;
}

int schema_table_columns(void* window, const char* owner, const char* table) {
    char name[kNameBufferBytes], type[107], type_mod[4], type_owner[kNameBufferBytes], nullable[2];
    std::vector<char> default_buffer(32000);
    char* default_text = default_buffer.data();
    ub4 length = 0, precision = 0, scale = 0, default_length = 0;
    sb2 null_name = -1, null_type = -1, null_mod = -1, null_owner = -1, null_length = -1, null_precision = -1,
        null_scale = -1, null_nullable = -1, null_default_length = -1, null_default = -1;

    std::set<std::string> key_only;
    if (key_only_not_null(window, owner, table, &key_only) != 0) return -1;

    SchemaQuery query(window, kModule);
    if (query.open(kColumnQuery, __LINE__) || query.bind(":p_schema", owner, __LINE__) ||
        query.bind(":p_table", table, __LINE__) || query.define_text(1, name, sizeof name, &null_name, __LINE__) ||
        query.define_text(2, type, sizeof type, &null_type, __LINE__) ||
        query.define_text(3, type_mod, sizeof type_mod, &null_mod, __LINE__) ||
        query.define_text(4, type_owner, sizeof type_owner, &null_owner, __LINE__) ||
        query.define_unsigned(5, &length, &null_length, __LINE__) ||
        query.define_unsigned(6, &precision, &null_precision, __LINE__) ||
        query.define_unsigned(7, &scale, &null_scale, __LINE__) ||
        query.define_text(8, nullable, sizeof nullable, &null_nullable, __LINE__) ||
        query.define_unsigned(9, &default_length, &null_default_length, __LINE__) ||
        query.define_text(10, default_text, static_cast<sb4>(default_buffer.size()), &null_default, __LINE__) ||
        query.execute(__LINE__))
        return -1;

    bool failed = false;
    for (int row = 0; query.next_row(__LINE__, &failed); ++row) {
        if (null_name == -1) name[0] = '\0';
        if (null_type == -1) type[0] = '\0';
        schema_print(window, row == 0 ? "  \"%s\" " : " ,\"%s\" ", name);
        if (null_owner != -1 && std::strcmp(type_owner, owner) != 0) schema_print(window, "%s.", type_owner);
        schema_print(window, "%s", type);
        const bool sized = is_sized_type(type);
        // DATA_LENGTH is in bytes: the national types keep two a character (AL16UTF16).
        const bool national = std::strcmp(type, "NVARCHAR2") == 0 || std::strcmp(type, "NCHAR") == 0;
        if (sized) schema_print(window, "(%u)", null_length == -1 ? 0u : (national ? length / 2 : length));
        if (std::strcmp(type, "NUMBER") == 0) {
            if (null_precision != -1) {
                schema_print(window, "(%u", precision);
                if (null_scale != -1) schema_print(window, ",%u", scale);
                schema_print(window, ")");
            } else if (null_scale != -1) {
                // Precision unset with a scale (NUMBER(*,s), INTEGER): the star keeps the
                // precision unset and the scale as it is.
                schema_print(window, "(*,%u)", scale);
            }
        }
        // FLOAT keeps its binary precision unless it is the default one (126), or the
        // text would recreate a column of another precision.
        if (std::strcmp(type, "FLOAT") == 0 && null_precision != -1 && precision != 126)
            schema_print(window, "(%u)", precision);
        // The dictionary's default is already an expression (a quoted literal for
        // character columns), so it is written as it stands for every type.
        if (null_default != -1) schema_print(window, " DEFAULT %s", default_text);
        if (null_nullable != -1 && std::strcmp(nullable, "N") == 0 && !key_only.count(name))
            schema_print(window, " NOT NULL");
        schema_print(window, "\n");
    }
    return failed ? -1 : 0;
}
