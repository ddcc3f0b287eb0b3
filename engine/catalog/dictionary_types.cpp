// vantro_type_field reads a type's CREATE TYPE source from the PL/SQL units catalog and
// parses it with the SQL grammar, as statements that use the type do, so the views show
// what the engine itself makes of the declaration.
#include "catalog/dictionary_types.h"
#include "catalog/catalog_sqlite.h"

#include "sql/sql_type_details.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

struct TypeName {
    std::uint16_t code;
    const char* name;
    const char* national;
};

// Oracle's names of the built-in types an attribute or element may have.
const TypeName kTypeNames[] = {
    {kTypeVarchar2, "VARCHAR2", "NVARCHAR2"},
    {kTypeChar, "CHAR", "NCHAR"},
    {kTypeNumber, "NUMBER", "NUMBER"},
    {kTypeDate, "DATE", "DATE"},
    {kTypeRaw, "RAW", "RAW"},
    {kTypeLong, "LONG", "LONG"},
    {kTypeLongRaw, "LONG RAW", "LONG RAW"},
    {kTypeClob, "CLOB", "NCLOB"},
    {kTypeBlob, "BLOB", "BLOB"},
    {kTypeBfile, "BFILE", "BFILE"},
    {kTypeBinaryFloat, "BINARY_FLOAT", "BINARY_FLOAT"},
    {kTypeBinaryDouble, "BINARY_DOUBLE", "BINARY_DOUBLE"},
    {kTypeTimestamp, "TIMESTAMP", "TIMESTAMP"},
    {kTypeTimestampTz, "TIMESTAMP WITH TZ", "TIMESTAMP WITH TZ"},
    {kTypeTimestampLtz, "TIMESTAMP WITH LOCAL TZ", "TIMESTAMP WITH LOCAL TZ"},
    {kTypeIntervalYm, "INTERVAL YEAR TO MONTH", "INTERVAL YEAR TO MONTH"},
    {kTypeIntervalDs, "INTERVAL DAY TO SECOND", "INTERVAL DAY TO SECOND"},
};

bool is_text(const OraType& t) {
    return t.code == kTypeVarchar2 || t.code == kTypeChar || t.code == kTypeClob;
}

bool read_source(sqlite3* db, const unsigned char* owner, const unsigned char* name, std::string* source) {
    sqlite3_stmt* q = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT text FROM main.vantro_plsql_source WHERE owner=?1 AND name=?2 AND type='TYPE'"
                           " ORDER BY line",
                           -1, &q, nullptr) != SQLITE_OK)
        return false;
    sqlite3_bind_text(q, 1, reinterpret_cast<const char*>(owner), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(q, 2, reinterpret_cast<const char*>(name), -1, SQLITE_TRANSIENT);
    bool found = false;
    while (sqlite3_step(q) == SQLITE_ROW) {
        const unsigned char* t = sqlite3_column_text(q, 0);
        if (t) *source += reinterpret_cast<const char*>(t);
        found = true;
    }
    sqlite3_finalize(q);
    return found;
}

using catalog_sqlite::result_text;

// A property of one attribute or element: what USER_TYPE_ATTRS and USER_COLL_TYPES show.
void item_field(sqlite3_context* ctx, const ColumnDef& c, const std::string& type_owner, const char* field) {
    const OraType& t = c.type;
    const bool integer =
        t.code == kTypeNumber && (c.type_name == "INTEGER" || c.type_name == "INT" || c.type_name == "SMALLINT");
    const bool is_float = t.code == kTypeNumber && c.type_name == "FLOAT";
    if (!std::strcmp(field, "NAME")) return result_text(ctx, c.name);
    if (!std::strcmp(field, "TYPE_OWNER")) {
        if (c.user_type) result_text(ctx, c.type_owner.empty() ? type_owner : c.type_owner);
        return;
    }
    if (!std::strcmp(field, "TYPE_NAME")) {
        if (c.user_type || integer) return result_text(ctx, c.user_type ? c.type_name : "INTEGER");
        if (is_float) return result_text(ctx, "FLOAT");
        for (const TypeName& n : kTypeNames)
            if (n.code == t.code) return result_text(ctx, t.national ? n.national : n.name);
        return result_text(ctx, c.type_name);
    }
    if (c.user_type) return;
    if (!std::strcmp(field, "LENGTH")) {
        if (t.code == kTypeVarchar2 || t.code == kTypeChar || t.code == kTypeRaw) sqlite3_result_int64(ctx, t.size);
        return;
    }
    if (!std::strcmp(field, "PRECISION")) {
        if ((t.code == kTypeNumber && !integer && t.precision > 0) || t.code == kTypeIntervalYm ||
            t.code == kTypeIntervalDs)
            sqlite3_result_int(ctx, t.precision);
        return;
    }
    if (!std::strcmp(field, "SCALE")) {
        if ((t.code == kTypeNumber && !is_float && t.scale != -127) || t.code == kTypeTimestamp ||
            t.code == kTypeTimestampTz || t.code == kTypeTimestampLtz || t.code == kTypeIntervalDs)
            sqlite3_result_int(ctx, t.scale);
        return;
    }
    if (!std::strcmp(field, "CHARSET")) {
        if (is_text(t)) result_text(ctx, t.national ? "NCHAR_CS" : "CHAR_CS");
        return;
    }
    if (!std::strcmp(field, "CHAR_USED")) {
        if (t.code == kTypeVarchar2 || t.code == kTypeChar) result_text(ctx, t.char_used || t.national ? "C" : "B");
    }
}

// vantro_type_field(owner, name, item, field). Item 0 with TYPECODE, ATTRIBUTES,
// METHODS, FINAL, INSTANTIABLE, INCOMPLETE, COLL_TYPE, UPPER_BOUND: the type's; with
// an item field (NAME, TYPE_OWNER, TYPE_NAME, LENGTH, PRECISION, SCALE, CHARSET,
// CHAR_USED): a collection's element's. Item n > 0: the object type's n-th attribute's.
void fn_type_field(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const unsigned char* owner = sqlite3_value_text(argv[0]);
    const unsigned char* name = sqlite3_value_text(argv[1]);
    const long long item = sqlite3_value_int64(argv[2]);
    const unsigned char* field_text = sqlite3_value_text(argv[3]);
    if (!owner || !name || !field_text) return;
    const char* field = reinterpret_cast<const char*>(field_text);
    std::string source;
    if (!read_source(sqlite3_context_db_handle(ctx), owner, name, &source)) return;
    ObjectTypeDecl decl;
    TypeDetails details;
    const bool complete = sql_parse_type_details(source, &decl, &details);
    if (!std::strcmp(field, "INCOMPLETE")) return result_text(ctx, complete ? "NO" : "YES");
    if (!complete) return;
    const bool object = decl.kind == ObjectTypeDecl::Kind::Object;
    if (item > 0) {
        if (object && item <= static_cast<long long>(decl.attributes.size()))
            item_field(ctx, decl.attributes[static_cast<std::size_t>(item - 1)], reinterpret_cast<const char*>(owner),
                       field);
        return;
    }
    if (!std::strcmp(field, "TYPECODE")) return result_text(ctx, object ? "OBJECT" : "COLLECTION");
    if (!std::strcmp(field, "ATTRIBUTES"))
        return sqlite3_result_int64(ctx, object ? static_cast<long long>(decl.attributes.size()) : 0);
    if (!std::strcmp(field, "METHODS")) return sqlite3_result_int(ctx, details.methods);
    if (!std::strcmp(field, "FINAL")) return result_text(ctx, details.final ? "YES" : "NO");
    if (!std::strcmp(field, "INSTANTIABLE")) return result_text(ctx, details.instantiable ? "YES" : "NO");
    if (object) return;
    if (!std::strcmp(field, "COLL_TYPE"))
        return result_text(ctx, decl.kind == ObjectTypeDecl::Kind::Table ? "TABLE" : "VARYING ARRAY");
    if (!std::strcmp(field, "UPPER_BOUND")) {
        if (decl.kind == ObjectTypeDecl::Kind::Varray) sqlite3_result_int64(ctx, decl.limit);
        return;
    }
    item_field(ctx, decl.element, reinterpret_cast<const char*>(owner), field);
}

// The parameters of a method as the dictionary lists them: SELF first for a member
// method and a constructor that do not declare it (IN for a member function, IN OUT
// otherwise), then those declared.
struct MethodParam {
    std::string name, mode, type;
};

std::vector<MethodParam> method_params(const TypeMethodDecl& m, const std::string& type_name) {
    std::vector<MethodParam> out;
    if (m.kind != TypeMethodDecl::Kind::Static && !m.explicit_self)
        out.push_back({"SELF", m.function && m.kind == TypeMethodDecl::Kind::Member ? "IN" : "IN OUT", type_name});
    for (std::size_t i = 0; i < m.params.size(); ++i) {
        std::string type = i < m.param_types.size() ? m.param_types[i] : std::string();
        if (m.params[i] == "SELF" && (type.empty() || type == "SELF")) type = type_name;
        out.push_back({m.params[i], i < m.param_modes.size() ? m.param_modes[i] : "IN", type});
    }
    return out;
}

// The method_no-th method of owner.name (from 1), or null.
const TypeMethodDecl* type_method_at(sqlite3_context* ctx, sqlite3_value** argv, TypeDetails* details,
                                     ObjectTypeDecl* decl) {
    const unsigned char* owner = sqlite3_value_text(argv[0]);
    const unsigned char* name = sqlite3_value_text(argv[1]);
    const long long n = sqlite3_value_int64(argv[2]);
    std::string source;
    if (!owner || !name || !read_source(sqlite3_context_db_handle(ctx), owner, name, &source) ||
        !sql_parse_type_details(source, decl, details) || n < 1 ||
        n > static_cast<long long>(details->declared.size()))
        return nullptr;
    return &details->declared[static_cast<std::size_t>(n - 1)];
}

// vantro_type_method(owner, name, method_no, field): NAME, KIND (MEMBER, STATIC or
// CONSTRUCTOR), METHOD_TYPE (MAP, ORDER or PUBLIC), PARAMETERS, RESULTS, RESULT_TYPE.
void fn_type_method(sqlite3_context* ctx, int, sqlite3_value** argv) {
    TypeDetails details;
    ObjectTypeDecl decl;
    const TypeMethodDecl* m = type_method_at(ctx, argv, &details, &decl);
    const unsigned char* field_text = sqlite3_value_text(argv[3]);
    if (!m || !field_text) return;
    const std::string field = reinterpret_cast<const char*>(field_text);
    const bool constructor = m->kind == TypeMethodDecl::Kind::Constructor;
    if (field == "NAME") return result_text(ctx, constructor ? decl.name : m->name);
    if (field == "KIND")
        return result_text(ctx, constructor                                   ? "CONSTRUCTOR"
                                : m->kind == TypeMethodDecl::Kind::Static ? "STATIC"
                                                                          : "MEMBER");
    if (field == "METHOD_TYPE") return result_text(ctx, m->map ? "MAP" : m->order ? "ORDER" : "PUBLIC");
    if (field == "PARAMETERS")
        return sqlite3_result_int64(ctx, static_cast<long long>(method_params(*m, decl.name).size()));
    if (field == "RESULTS") return sqlite3_result_int(ctx, m->function || constructor ? 1 : 0);
    if (field == "RESULT_TYPE" && (m->function || constructor))
        return result_text(ctx, constructor || m->return_type == "SELF" ? decl.name : m->return_type);
}

// vantro_method_param(owner, name, method_no, param_no, field): NAME, MODE, TYPE of the
// param_no-th parameter (from 1).
void fn_method_param(sqlite3_context* ctx, int, sqlite3_value** argv) {
    TypeDetails details;
    ObjectTypeDecl decl;
    const TypeMethodDecl* m = type_method_at(ctx, argv, &details, &decl);
    const unsigned char* field_text = sqlite3_value_text(argv[4]);
    if (!m || !field_text) return;
    const std::vector<MethodParam> params = method_params(*m, decl.name);
    const long long k = sqlite3_value_int64(argv[3]);
    if (k < 1 || k > static_cast<long long>(params.size())) return;
    const MethodParam& p = params[static_cast<std::size_t>(k - 1)];
    const std::string field = reinterpret_cast<const char*>(field_text);
    if (field == "NAME") return result_text(ctx, p.name);
    if (field == "MODE") return result_text(ctx, p.mode);
    if (field == "TYPE") return result_text(ctx, p.type);
}

// vantro_type_oid(object_id): the type's 16-byte identifier, its object number in the
// last bytes, so that it stays the same for the life of the type.
void fn_type_oid(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return;
    unsigned long long id = static_cast<unsigned long long>(sqlite3_value_int64(argv[0]));
    unsigned char oid[16] = {};
    for (int i = 15; i >= 8; --i, id >>= 8) oid[i] = static_cast<unsigned char>(id & 0xff);
    sqlite3_result_blob(ctx, oid, sizeof oid, SQLITE_TRANSIENT);
}

}  // namespace

bool dictionary_types_register(sqlite3* db) {
    return sqlite3_create_function(db, "vantro_type_method", 4, SQLITE_UTF8, nullptr, fn_type_method, nullptr,
                                   nullptr) == SQLITE_OK &&
           sqlite3_create_function(db, "vantro_method_param", 5, SQLITE_UTF8, nullptr, fn_method_param, nullptr,
                                   nullptr) == SQLITE_OK &&
           sqlite3_create_function(db, "vantro_type_field", 4, SQLITE_UTF8, nullptr, fn_type_field, nullptr, nullptr) ==
               SQLITE_OK &&
           sqlite3_create_function(db, "vantro_type_oid", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, fn_type_oid,
                                   nullptr, nullptr) == SQLITE_OK;
}
