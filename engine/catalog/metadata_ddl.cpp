// DBMS_METADATA's GET_DDL, GET_DEPENDENT_DDL and GET_GRANTED_DDL: the DDL is written from
// the session's dictionary views (the temporary views of dictionary.cpp), so that what a
// user sees in USER_TAB_COLS or USER_CONSTRAINTS and what the DDL says are the same facts.
// The text follows Oracle's default layout and runs back through the engine's own parser.
#include "catalog/metadata_ddl.h"

#include "values/errors.h"
#include "values/sql_functions.h"

#include <cctype>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The session transform: SET_TRANSFORM_PARAM(SESSION_TRANSFORM, ...) changes it for the
// rest of the session, 'DEFAULT' TRUE puts every parameter back.
struct Transform {
    bool sqlterminator = false;
    bool pretty = true;
    bool segment_attributes = true;
    bool storage = true;
    bool tablespace = true;
    bool constraints = true;
    bool ref_constraints = true;
};

struct MetadataState {
    SessionSettings* settings = nullptr;
    Transform transform;
};

const struct {
    const char* name;
    bool Transform::*flag;
} kTransformParams[] = {
    {"SQLTERMINATOR", &Transform::sqlterminator},
    {"PRETTY", &Transform::pretty},
    {"SEGMENT_ATTRIBUTES", &Transform::segment_attributes},
    {"STORAGE", &Transform::storage},
    {"TABLESPACE", &Transform::tablespace},
    {"CONSTRAINTS", &Transform::constraints},
    {"REF_CONSTRAINTS", &Transform::ref_constraints},
};

using Row = std::vector<std::string>;

// Runs sql with text binds ?1, ?2 ... and returns its rows (NULL as empty text).
std::vector<Row> query(sqlite3* db, const std::string& sql, const std::vector<std::string>& binds) {
    std::vector<Row> out;
    sqlite3_stmt* q = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &q, nullptr) != SQLITE_OK) return out;
    for (std::size_t i = 0; i < binds.size(); ++i)
        sqlite3_bind_text(q, static_cast<int>(i + 1), binds[i].c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(q) == SQLITE_ROW) {
        Row r;
        for (int c = 0; c < sqlite3_column_count(q); ++c) {
            const unsigned char* t = sqlite3_column_text(q, c);
            r.push_back(t ? reinterpret_cast<const char*>(t) : "");
        }
        out.push_back(r);
    }
    sqlite3_finalize(q);
    return out;
}

std::string name_in_quotes(const std::string& name) {
    std::string out = "\"";
    for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string qualified(const std::string& owner, const std::string& name) {
    return name_in_quotes(owner) + "." + name_in_quotes(name);
}

std::string text_literal(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string trim_right(std::string s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
    return s;
}

// One failure of a call: the error raised as the function's SQL error.
struct Failure {
    int code = 0;
    std::string a1, a2, a3;
};

// ---- Table pieces ----

// The column's type as CREATE TABLE spells it, from USER_TAB_COLS.
std::string column_type(const Row& c) {
    const std::string& type = c[1];
    const std::string& length = c[2];
    const std::string& precision = c[3];
    const std::string& scale = c[4];
    if (type == "NUMBER") {
        if (precision.empty() && scale.empty()) return "NUMBER";
        if (precision.empty()) return "NUMBER(*," + scale + ")";
        return "NUMBER(" + precision + "," + (scale.empty() ? "0" : scale) + ")";
    }
    if (type == "FLOAT") return "FLOAT(" + (precision.empty() ? std::string("126") : precision) + ")";
    if (type == "VARCHAR2" || type == "CHAR" || type == "NVARCHAR2" || type == "NCHAR") {
        const bool national = type[0] == 'N';
        const std::string n = c[5].empty() ? length : c[5];
        return type + "(" + n + (c[6] == "C" && !national ? " CHAR" : "") + ")";
    }
    if (type == "RAW") return "RAW(" + length + ")";
    return type;
}

struct Constraint {
    std::string name, type, condition, r_owner, r_name, delete_rule, status, deferrable, deferred, validated, generated,
        index_name;
    std::vector<std::string> columns;
};

std::vector<std::string> constraint_columns(sqlite3* db, const std::string& name) {
    std::vector<std::string> out;
    for (const Row& r : query(db,
                              "SELECT column_name FROM temp.\"USER_CONS_COLUMNS\" WHERE constraint_name=?1"
                              " ORDER BY position",
                              {name}))
        out.push_back(r[0]);
    return out;
}

std::vector<Constraint> table_constraints(sqlite3* db, const std::string& table) {
    std::vector<Constraint> out;
    for (const Row& r : query(db,
                              "SELECT constraint_name,constraint_type,search_condition,r_owner,r_constraint_name,"
                              "delete_rule,status,\"DEFERRABLE\",\"DEFERRED\",validated,generated,index_name"
                              " FROM temp.\"USER_CONSTRAINTS\" WHERE table_name=?1 ORDER BY"
                              " CASE constraint_type WHEN 'P' THEN 1 WHEN 'U' THEN 2 WHEN 'C' THEN 3 ELSE 4 END,"
                              " constraint_name",
                              {table})) {
        Constraint k{r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8], r[9], r[10], r[11], {}};
        k.columns = constraint_columns(db, k.name);
        out.push_back(k);
    }
    return out;
}

std::string column_list(const std::vector<std::string>& cols) {
    std::string out = "(";
    for (std::size_t i = 0; i < cols.size(); ++i) out += (i ? ", " : "") + name_in_quotes(cols[i]);
    return out + ")";
}

// The column a NOT NULL check is about ('"C" IS NOT NULL'); empty for another check.
std::string not_null_column(const Constraint& k) {
    if (k.type != "C" || k.columns.size() != 1) return {};
    const std::string want = name_in_quotes(k.columns[0]) + " IS NOT NULL";
    return upper(k.condition) == upper(want) ? k.columns[0] : std::string();
}

// The state words after a constraint: DEFERRABLE, DISABLE, NOVALIDATE as Oracle adds them.
std::string constraint_state(const Constraint& k) {
    std::string out;
    if (k.deferrable == "DEFERRABLE")
        out += k.deferred == "DEFERRED" ? " DEFERRABLE INITIALLY DEFERRED" : " DEFERRABLE";
    const bool enabled = k.status != "DISABLED";
    out += enabled ? " ENABLE" : " DISABLE";
    if (enabled && k.validated == "NOT VALIDATED") out += " NOVALIDATE";
    return out;
}

// STORAGE(...) and TABLESPACE of a segment from one row of USER_TABLES or USER_INDEXES:
// initial, next, minext, maxext, pctinc, freelists, flgroups, buffer_pool, tablespace.
std::string segment_storage(const Transform& t, const Row& s, std::size_t at) {
    std::string out;
    if (t.storage)
        out += "\n  STORAGE(INITIAL " + s[at] + " NEXT " + s[at + 1] + " MINEXTENTS " + s[at + 2] + " MAXEXTENTS " +
               s[at + 3] + "\n  PCTINCREASE " + s[at + 4] + " FREELISTS " + s[at + 5] + " FREELIST GROUPS " +
               s[at + 6] + "\n  BUFFER_POOL " + s[at + 7] + " FLASH_CACHE DEFAULT CELL_FLASH_CACHE DEFAULT)";
    if (t.tablespace && !s[at + 8].empty()) out += "\n  TABLESPACE " + name_in_quotes(s[at + 8]);
    return out;
}

const char* const kIndexSegment =
    "SELECT pct_free,ini_trans,max_trans,initial_extent,next_extent,min_extents,max_extents,pct_increase,"
    "freelists,freelist_groups,buffer_pool,tablespace_name,logging FROM temp.\"USER_INDEXES\" WHERE index_name=?1";

// The physical attributes of an index: after USING INDEX or a CREATE INDEX.
std::string index_segment(sqlite3* db, const Transform& t, const std::string& index, bool standalone) {
    if (!t.segment_attributes) return {};
    std::vector<Row> rows = query(db, kIndexSegment, {index});
    if (rows.empty()) return {};
    const Row& s = rows[0];
    std::string out = std::string(standalone ? "\n  " : "") + "PCTFREE " + s[0] + " INITRANS " + s[1] + " MAXTRANS " +
                      s[2] + " COMPUTE STATISTICS " + (s[12] == "NO" ? "NOLOGGING " : "");
    return out + segment_storage(t, s, 3);
}

// The constraint's clause (after CONSTRAINT name); an index-organized table's primary key
// is the table itself and has no USING INDEX.
std::string constraint_clause(sqlite3* db, const Transform& t, const Constraint& k, bool iot) {
    std::string out = "CONSTRAINT " + name_in_quotes(k.name);
    if (k.type == "P" || k.type == "U") {
        out += std::string(k.type == "P" ? " PRIMARY KEY " : " UNIQUE ") + column_list(k.columns);
        if (!k.index_name.empty() && !(iot && k.type == "P")) {
            const std::string seg = index_segment(db, t, k.index_name, false);
            out += "\n  USING INDEX " + seg + (seg.empty() ? " " : "\n  ");
        }
    } else if (k.type == "C") {
        out += " CHECK (" + k.condition + ")";
    } else if (k.type == "R") {
        std::vector<Row> ref = query(db,
                                     "SELECT table_name FROM temp.\"ALL_CONSTRAINTS\" WHERE owner=?1 AND"
                                     " constraint_name=?2",
                                     {k.r_owner, k.r_name});
        std::vector<std::string> ref_cols;
        for (const Row& r : query(db,
                                  "SELECT column_name FROM temp.\"ALL_CONS_COLUMNS\" WHERE owner=?1 AND"
                                  " constraint_name=?2 ORDER BY position",
                                  {k.r_owner, k.r_name}))
            ref_cols.push_back(r[0]);
        out += " FOREIGN KEY " + column_list(k.columns) + "\n\t  REFERENCES " +
               qualified(k.r_owner, ref.empty() ? k.r_name : ref[0][0]) + " " + column_list(ref_cols);
        if (k.delete_rule == "CASCADE") out += " ON DELETE CASCADE";
        if (k.delete_rule == "SET NULL") out += " ON DELETE SET NULL";
    }
    std::string state = constraint_state(k);
    if (!out.empty() && out.back() == ' ' && !state.empty()) state.erase(0, 1);
    return out + state;
}

bool out_of_line(const Constraint& k, const Transform& t) {
    if (k.type == "R") return t.ref_constraints;
    if (k.type == "P" || k.type == "U") return t.constraints;
    if (k.type == "C") return t.constraints && not_null_column(k).empty();
    return false;
}

// What follows a column's type: identity, virtual expression, DEFAULT, NOT NULL.
std::string column_tail(sqlite3* db, const std::string& table, const Row& c, const std::vector<Constraint>& ks) {
    const std::string& name = c[0];
    std::string out;
    if (c[9] == "YES") {
        std::vector<Row> g = query(db,
                                   "SELECT i.generation_type,s.min_value,s.max_value,s.increment_by,s.last_number,"
                                   "s.cache_size,s.order_flag,s.cycle_flag FROM temp.\"USER_TAB_IDENTITY_COLS\" i"
                                   " LEFT JOIN temp.\"USER_SEQUENCES\" s ON s.sequence_name=i.sequence_name"
                                   " WHERE i.table_name=?1 AND i.column_name=?2",
                                   {table, name});
        if (!g.empty()) {
            const Row& s = g[0];
            out += " GENERATED " + s[0] + (c[10] == "YES" ? " ON NULL" : "") + " AS IDENTITY MINVALUE " + s[1] +
                   " MAXVALUE " + s[2] + " INCREMENT BY " + s[3] + " START WITH " + s[4] +
                   (s[5] == "0" ? std::string(" NOCACHE") : " CACHE " + s[5]) + (s[6] == "Y" ? " ORDER" : " NOORDER") +
                   " " + (s[7] == "Y" ? " CYCLE" : " NOCYCLE") + "  NOKEEP  NOSCALE";
        }
    } else if (c[8] == "YES") {
        out += " GENERATED ALWAYS AS (" + trim_right(c[7]) + ") VIRTUAL";
    } else if (!c[7].empty()) {
        out += std::string(" DEFAULT ") + (c[10] == "YES" ? "ON NULL " : "") + trim_right(c[7]);
    }
    bool written = false;
    for (const Constraint& k : ks)
        if (not_null_column(k) == name) {
            out += (k.generated == "USER NAME" ? " CONSTRAINT " + name_in_quotes(k.name) : std::string()) +
                   " NOT NULL" + constraint_state(k);
            written = true;
            break;
        }
    if (!written && c[11] == "N" && c[9] != "YES") {
        bool in_key = false;
        for (const Constraint& k : ks)
            if (k.type == "P")
                for (const std::string& kc : k.columns) in_key = in_key || kc == name;
        if (!in_key) out += " NOT NULL ENABLE";
    }
    return out;
}

bool table_exists(sqlite3* db, const std::string& table) {
    return !query(db, "SELECT 1 FROM temp.\"USER_TABLES\" WHERE table_name=?1", {table}).empty();
}

// The partitioning clause from USER_PART_TABLES and USER_TAB_PARTITIONS (RANGE, LIST, HASH).
std::string partition_clause(sqlite3* db, const std::string& table) {
    std::vector<Row> p =
        query(db, "SELECT partitioning_type,interval FROM temp.\"USER_PART_TABLES\" WHERE table_name=?1", {table});
    if (p.empty()) return {};
    std::vector<std::string> keys;
    for (const Row& r : query(db,
                              "SELECT column_name FROM temp.\"USER_PART_KEY_COLUMNS\" WHERE name=?1"
                              " ORDER BY column_position",
                              {table}))
        keys.push_back(r[0]);
    std::string out = "\n  PARTITION BY " + p[0][0] + " " + column_list(keys);
    if (!p[0][1].empty()) out += " INTERVAL (" + p[0][1] + ")";
    out += " \n (";
    std::vector<Row> parts = query(db,
                                   "SELECT partition_name,high_value FROM temp.\"USER_TAB_PARTITIONS\""
                                   " WHERE table_name=?1 ORDER BY partition_position",
                                   {table});
    for (std::size_t i = 0; i < parts.size(); ++i) {
        out += (i ? ", \n " : "") + std::string("PARTITION ") + name_in_quotes(parts[i][0]);
        if (p[0][0] == "RANGE") out += "  VALUES LESS THAN (" + parts[i][1] + ")";
        if (p[0][0] == "LIST") out += "  VALUES (" + parts[i][1] + ")";
    }
    return out + ")";
}

const char* const kTableSegment =
    "SELECT temporary,duration,iot_type,pct_free,pct_used,ini_trans,max_trans,initial_extent,next_extent,"
    "min_extents,max_extents,pct_increase,freelists,freelist_groups,buffer_pool,tablespace_name,logging"
    " FROM temp.\"USER_TABLES\" WHERE table_name=?1";

// A heap table's segment attributes from a row of kTableSegment.
std::string heap_segment(const Transform& t, const Row& ti) {
    return "SEGMENT CREATION IMMEDIATE \n  PCTFREE " + ti[3] + " PCTUSED " + ti[4] + " INITRANS " + ti[5] +
           " MAXTRANS " + ti[6] + " \n NOCOMPRESS " + (ti[16] == "NO" ? "NOLOGGING" : "LOGGING") +
           segment_storage(t, ti, 7) + " ";
}

std::string table_ddl(sqlite3* db, const Transform& t, const std::string& owner, const std::string& table) {
    std::vector<Row> info = query(db, kTableSegment, {table});
    if (info.empty()) return {};
    const Row& ti = info[0];
    const bool temporary = ti[0] == "Y";
    const bool iot = !ti[2].empty();
    const std::vector<Constraint> ks = table_constraints(db, table);
    std::vector<Row> cols = query(db,
                                  "SELECT column_name,data_type,data_length,data_precision,data_scale,char_length,"
                                  "char_used,data_default,virtual_column,identity_column,default_on_null,nullable"
                                  " FROM temp.\"USER_TAB_COLS\" WHERE table_name=?1 AND hidden_column='NO'"
                                  " ORDER BY column_id",
                                  {table});
    std::string out = std::string("\n  CREATE ") + (temporary ? "GLOBAL TEMPORARY " : "") + "TABLE " +
                      qualified(owner, table) + " \n   (";
    std::vector<std::string> items;
    for (const Row& c : cols)
        items.push_back(name_in_quotes(c[0]) + " " + column_type(c) + column_tail(db, table, c, ks));
    for (const Constraint& k : ks)
        if (out_of_line(k, t)) items.push_back(" " + constraint_clause(db, t, k, iot));
    for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", \n\t" : "\t") + items[i];
    out += "\n   ) ";
    if (iot) {
        std::string key;
        for (const Constraint& k : ks)
            if (k.type == "P") key = k.index_name;
        out += "ORGANIZATION INDEX NOCOMPRESS ";
        if (!t.segment_attributes) return out;
        std::vector<Row> s = query(db, kIndexSegment, {key});
        if (s.empty()) return out;
        return out + "PCTFREE " + s[0][0] + " INITRANS " + s[0][1] + " MAXTRANS " + s[0][2] + " " +
               (s[0][12] == "NO" ? "NOLOGGING" : "LOGGING") + segment_storage(t, s[0], 3) + "\n PCTTHRESHOLD 50";
    }
    if (temporary) return out + (ti[1] == "SYS$SESSION" ? "ON COMMIT PRESERVE ROWS " : "ON COMMIT DELETE ROWS ");
    if (t.segment_attributes) out += heap_segment(t, ti);
    return out + partition_clause(db, table);
}

// A materialized view: its columns, the segment of its container table, how it is built
// and refreshed, and its query.
std::string mview_ddl(sqlite3* db, const Transform& t, const std::string& owner, const std::string& mview) {
    std::vector<Row> m = query(db,
                               "SELECT query,refresh_mode,refresh_method,build_mode,rewrite_enabled"
                               " FROM temp.\"USER_MVIEWS\" WHERE mview_name=?1",
                               {mview});
    if (m.empty()) return {};
    std::vector<std::string> cols;
    for (const Row& r : query(db,
                              "SELECT column_name FROM temp.\"USER_TAB_COLUMNS\" WHERE table_name=?1"
                              " ORDER BY column_id",
                              {mview}))
        cols.push_back(r[0]);
    std::string out = "\n  CREATE MATERIALIZED VIEW " + qualified(owner, mview) + " " + column_list(cols) + "\n  ";
    std::vector<Row> seg = query(db, kTableSegment, {mview});
    if (t.segment_attributes && !seg.empty()) out += heap_segment(t, seg[0]) + "\n  ";
    out += "BUILD " + (m[0][3].empty() ? std::string("IMMEDIATE") : m[0][3]) + "\n  USING INDEX \n  ";
    if (m[0][2] == "NEVER")
        out += "NEVER REFRESH";
    else
        out += "REFRESH " + (m[0][2].empty() ? std::string("FORCE") : m[0][2]) + " ON DEMAND";
    out +=
        std::string("\n  ") + (m[0][4] == "Y" ? "ENABLE" : "DISABLE") + " QUERY REWRITE\n  AS " + trim_right(m[0][0]);
    return out;
}

// ---- Indexes ----

std::string index_ddl(sqlite3* db, const Transform& t, const std::string& owner, const std::string& index) {
    std::vector<Row> info = query(db,
                                  "SELECT table_name,uniqueness,index_type FROM temp.\"USER_INDEXES\""
                                  " WHERE index_name=?1",
                                  {index});
    if (info.empty()) return {};
    const Row& ii = info[0];
    std::vector<Row> exprs = query(db,
                                   "SELECT column_position,column_expression FROM temp.\"USER_IND_EXPRESSIONS\""
                                   " WHERE index_name=?1",
                                   {index});
    std::string cols = "(";
    std::vector<Row> ic = query(db,
                                "SELECT column_name,descend,column_position FROM temp.\"USER_IND_COLUMNS\""
                                " WHERE index_name=?1 ORDER BY column_position",
                                {index});
    for (std::size_t i = 0; i < ic.size(); ++i) {
        std::string col = name_in_quotes(ic[i][0]);
        for (const Row& e : exprs)
            if (e[0] == ic[i][2]) col = trim_right(e[1]);
        cols += (i ? ", " : "") + col + (ic[i][1] == "DESC" ? " DESC" : "");
    }
    cols += ")";
    const char* kind = ii[1] == "UNIQUE" ? "UNIQUE " : ii[2].find("BITMAP") != std::string::npos ? "BITMAP " : "";
    std::string out = std::string("\n  CREATE ") + kind + "INDEX " + qualified(owner, index) + " ON " +
                      qualified(owner, ii[0]) + " " + cols + " ";
    if (ii[2].find("REV") != std::string::npos) out += "REVERSE ";
    if (!query(db, "SELECT 1 FROM temp.\"USER_PART_INDEXES\" WHERE index_name=?1 AND locality='LOCAL'", {index})
             .empty())
        return out + index_segment(db, t, index, true) + " LOCAL";
    return out + index_segment(db, t, index, true);
}

// ---- Other objects ----

std::string view_ddl(sqlite3* db, const std::string& owner, const std::string& view) {
    std::vector<Row> v = query(db, "SELECT text FROM temp.\"USER_VIEWS\" WHERE view_name=?1", {view});
    if (v.empty()) return {};
    std::vector<std::string> cols;
    for (const Row& r : query(db,
                              "SELECT column_name FROM temp.\"USER_TAB_COLUMNS\" WHERE table_name=?1"
                              " ORDER BY column_id",
                              {view}))
        cols.push_back(r[0]);
    std::string out = "\n  CREATE OR REPLACE FORCE EDITIONABLE VIEW " + qualified(owner, view) + " " +
                      column_list(cols) + " AS \n  " + trim_right(v[0][0]);
    return out;
}

std::string sequence_ddl(sqlite3* db, const std::string& owner, const std::string& seq) {
    std::vector<Row> s = query(db,
                               "SELECT min_value,max_value,increment_by,last_number,cache_size,order_flag,cycle_flag"
                               " FROM temp.\"USER_SEQUENCES\" WHERE sequence_name=?1",
                               {seq});
    if (s.empty()) return {};
    const Row& r = s[0];
    return "\n   CREATE SEQUENCE  " + qualified(owner, seq) + "  MINVALUE " + r[0] + " MAXVALUE " + r[1] +
           " INCREMENT BY " + r[2] + " START WITH " + r[3] + " " +
           (r[4] == "0" ? std::string("NOCACHE  ") : "CACHE " + r[4] + " ") + (r[5] == "Y" ? "ORDER " : "NOORDER ") +
           (r[6] == "Y" ? " CYCLE " : " NOCYCLE ") + " NOKEEP  NOSCALE  GLOBAL";
}

std::string synonym_ddl(const Row& s) {
    // s: owner, synonym_name, table_owner, table_name
    const std::string target = s[2].empty() ? name_in_quotes(s[3]) : qualified(s[2], s[3]);
    if (s[0] == "PUBLIC") return "\n  CREATE OR REPLACE PUBLIC SYNONYM " + name_in_quotes(s[1]) + " FOR " + target;
    return "\n  CREATE OR REPLACE EDITIONABLE SYNONYM " + qualified(s[0], s[1]) + " FOR " + target;
}

std::size_t skip_blanks(const std::string& s, std::size_t at) {
    while (at < s.size() && std::isspace(static_cast<unsigned char>(s[at]))) ++at;
    return at;
}

// Past one name (plain or double-quoted) at at.
std::size_t skip_name(const std::string& s, std::size_t at) {
    if (at < s.size() && s[at] == '"') {
        std::size_t end = s.find('"', at + 1);
        return end == std::string::npos ? s.size() : end + 1;
    }
    while (at < s.size() &&
           (std::isalnum(static_cast<unsigned char>(s[at])) || s[at] == '_' || s[at] == '$' || s[at] == '#'))
        ++at;
    return at;
}

// A stored unit's source with its head name written as "OWNER"."NAME": the source starts
// with its kind words (PROCEDURE, PACKAGE BODY ...) and the name as it was typed.
std::string unit_text(sqlite3* db, const std::string& owner, const std::string& name, const std::string& type) {
    std::string src;
    for (const Row& r :
         query(db, "SELECT text FROM temp.\"USER_SOURCE\" WHERE name=?1 AND type=?2 ORDER BY line", {name, type}))
        src += r[0];
    std::size_t at = skip_blanks(src, 0);
    std::size_t words = type.find(' ') == std::string::npos ? 1 : 2;
    for (std::size_t w = 0; w < words; ++w) at = skip_blanks(src, skip_name(src, at));
    std::size_t end = skip_name(src, at);
    std::size_t dot = skip_blanks(src, end);
    if (dot < src.size() && src[dot] == '.') end = skip_name(src, skip_blanks(src, dot + 1));
    std::string rest = src.substr(end);
    while (!rest.empty() && (rest.back() == '\n' || rest.back() == ' ')) rest.pop_back();
    return "\n  CREATE OR REPLACE EDITIONABLE " + type + " " + qualified(owner, name) + rest + "\n";
}

std::string trigger_ddl(sqlite3* db, const Transform& t, const std::string& owner, const std::string& trigger) {
    std::vector<Row> s = query(db, "SELECT status FROM temp.\"USER_TRIGGERS\" WHERE trigger_name=?1", {trigger});
    if (s.empty()) return {};
    std::string out = unit_text(db, owner, trigger, "TRIGGER");
    out += "/\nALTER TRIGGER " + qualified(owner, trigger) + (s[0][0] == "DISABLED" ? " DISABLE" : " ENABLE");
    return out + (t.sqlterminator ? ";" : "");
}

// ---- The object types ----

// What GET_DDL knows: the object type's name, the USER_OBJECTS type it is listed as.
const struct {
    const char* type;
    const char* object_type;
} kObjectTypes[] = {
    {"TABLE", "TABLE"},
    {"INDEX", "INDEX"},
    {"VIEW", "VIEW"},
    {"SEQUENCE", "SEQUENCE"},
    {"SYNONYM", "SYNONYM"},
    {"TRIGGER", "TRIGGER"},
    {"PROCEDURE", "PROCEDURE"},
    {"FUNCTION", "FUNCTION"},
    {"PACKAGE", "PACKAGE"},
    {"PACKAGE_BODY", "PACKAGE BODY"},
    {"TYPE", "TYPE"},
    {"TYPE_BODY", "TYPE BODY"},
    {"CONSTRAINT", nullptr},
    {"REF_CONSTRAINT", nullptr},
    {"MATERIALIZED_VIEW", "MATERIALIZED VIEW"},
};

bool plsql_terminated(const std::string& type) {
    return type != "TABLE" && type != "INDEX" && type != "VIEW" && type != "SEQUENCE" && type != "SYNONYM" &&
           type != "CONSTRAINT" && type != "REF_CONSTRAINT" && type != "MATERIALIZED_VIEW";
}

std::string alter_constraint_ddl(sqlite3* db, const Transform& t, const std::string& owner, const Constraint& k,
                                 const std::string& table) {
    return "\n  ALTER TABLE " + qualified(owner, table) + " ADD " + constraint_clause(db, t, k, false);
}

// The constraint named name of type P/U/C (ref false) or R (ref true); false when none.
bool find_constraint(sqlite3* db, const std::string& name, bool ref, Constraint* out, std::string* table) {
    std::vector<Row> r = query(db,
                               "SELECT table_name,constraint_type FROM temp.\"USER_CONSTRAINTS\" WHERE"
                               " constraint_name=?1",
                               {name});
    if (r.empty() || (r[0][1] == "R") != ref) return false;
    for (const Constraint& k : table_constraints(db, r[0][0]))
        if (k.name == name) {
            *out = k;
            *table = r[0][0];
            return true;
        }
    return false;
}

bool object_ddl(sqlite3* db, const Transform& t, const std::string& type, const std::string& owner,
                const std::string& name, std::string* out, Failure* f) {
    const char* listed = nullptr;
    bool known = false;
    for (const auto& o : kObjectTypes)
        if (type == o.type) {
            listed = o.object_type;
            known = true;
        }
    if (!known) {
        *f = {31600, type, "OBJECT_TYPE", "GET_DDL"};
        return false;
    }
    *f = {31603, name, type, owner};
    if (type == "CONSTRAINT" || type == "REF_CONSTRAINT") {
        Constraint k;
        std::string table;
        if (!find_constraint(db, name, type == "REF_CONSTRAINT", &k, &table) || not_null_column(k) != "") return false;
        *out = alter_constraint_ddl(db, t, owner, k, table);
    } else if (type == "SYNONYM") {
        std::vector<Row> s = query(db,
                                   "SELECT owner,synonym_name,table_owner,table_name FROM temp.\"ALL_SYNONYMS\""
                                   " WHERE owner=?1 AND synonym_name=?2",
                                   {owner, name});
        if (s.empty()) return false;
        *out = synonym_ddl(s[0]);
    } else {
        if (query(db, "SELECT 1 FROM temp.\"USER_OBJECTS\" WHERE object_name=?1 AND object_type=?2", {name, listed})
                .empty())
            return false;
        if (type == "TABLE") {
            if (!table_exists(db, name)) return false;
            // Subpartition keys are not kept, so a composite table's DDL cannot be written.
            if (!query(db,
                       "SELECT 1 FROM temp.\"USER_PART_TABLES\" WHERE table_name=?1 AND"
                       " subpartitioning_type<>'NONE'",
                       {name})
                     .empty()) {
                *f = {3001, "", "", ""};
                return false;
            }
            *out = table_ddl(db, t, owner, name);
        } else if (type == "INDEX") {
            *out = index_ddl(db, t, owner, name);
        } else if (type == "VIEW") {
            *out = view_ddl(db, owner, name);
        } else if (type == "MATERIALIZED_VIEW") {
            *out = mview_ddl(db, t, owner, name);
        } else if (type == "SEQUENCE") {
            *out = sequence_ddl(db, owner, name);
        } else if (type == "TRIGGER") {
            *out = trigger_ddl(db, t, owner, name);
            return !out->empty();
        } else if (type == "PACKAGE" || type == "TYPE") {
            *out = unit_text(db, owner, name, listed) + (t.sqlterminator ? "/\n" : "");
            std::string body_type = std::string(listed) + " BODY";
            if (!query(db, "SELECT 1 FROM temp.\"USER_SOURCE\" WHERE name=?1 AND type=?2", {name, body_type}).empty())
                *out += unit_text(db, owner, name, body_type) + (t.sqlterminator ? "/\n" : "");
            return true;
        } else {
            *out = unit_text(db, owner, name, listed);
        }
    }
    // A view, index or sequence whose rows went between the register and its own view.
    if (out->empty()) return false;
    if (t.sqlterminator) *out += plsql_terminated(type) ? "/\n" : ";";
    return true;
}

// The base table's dependent objects of one type; ORA-31608 when it has none.
bool dependent_ddl(sqlite3* db, const Transform& t, const std::string& type, const std::string& owner,
                   const std::string& table, std::string* out, Failure* f) {
    static const char* const kTypes[] = {"INDEX", "CONSTRAINT", "REF_CONSTRAINT", "TRIGGER", "COMMENT", "OBJECT_GRANT"};
    bool known = false;
    for (const char* k : kTypes) known = known || type == k;
    if (!known) {
        *f = {31600, type, "OBJECT_TYPE", "GET_DEPENDENT_DDL"};
        return false;
    }
    std::string sep = t.sqlterminator ? ";" : "";
    const bool exists =
        table_exists(db, table) || !query(db, "SELECT 1 FROM temp.\"USER_VIEWS\" WHERE view_name=?1", {table}).empty();
    if (!exists) {
        *f = {31603, table, "TABLE", owner};
        return false;
    }
    if (type == "INDEX") {
        for (const Row& r : query(db,
                                  "SELECT i.index_name FROM temp.\"USER_INDEXES\" i WHERE i.table_name=?1 AND NOT"
                                  " EXISTS (SELECT 1 FROM temp.\"USER_CONSTRAINTS\" k WHERE k.table_name=i.table_name"
                                  " AND k.index_name=i.index_name) ORDER BY i.index_name",
                                  {table}))
            *out += index_ddl(db, t, owner, r[0]) + sep + "\n";
    } else if (type == "CONSTRAINT" || type == "REF_CONSTRAINT") {
        for (const Constraint& k : table_constraints(db, table))
            if ((k.type == "R") == (type == "REF_CONSTRAINT") && not_null_column(k).empty())
                *out += alter_constraint_ddl(db, t, owner, k, table) + sep + "\n";
    } else if (type == "TRIGGER") {
        for (const Row& r : query(db,
                                  "SELECT trigger_name FROM temp.\"USER_TRIGGERS\" WHERE table_name=?1"
                                  " ORDER BY trigger_name",
                                  {table}))
            *out += trigger_ddl(db, t, owner, r[0]) + "\n";
    } else if (type == "COMMENT") {
        std::vector<Row> tc =
            query(db, "SELECT comments FROM temp.\"USER_TAB_COMMENTS\" WHERE table_name=?1 AND comments<>''", {table});
        if (!tc.empty())
            *out += "\n   COMMENT ON TABLE " + qualified(owner, table) + "  IS " + text_literal(tc[0][0]) + sep + "\n";
        for (const Row& r : query(db,
                                  "SELECT k.column_name,k.comments FROM temp.\"USER_COL_COMMENTS\" k JOIN"
                                  " temp.\"USER_TAB_COLUMNS\" c ON c.table_name=k.table_name AND"
                                  " c.column_name=k.column_name WHERE k.table_name=?1 AND k.comments<>''"
                                  " ORDER BY c.column_id",
                                  {table}))
            *out += "\n   COMMENT ON COLUMN " + qualified(owner, table) + "." + name_in_quotes(r[0]) + " IS " +
                    text_literal(r[1]) + sep + "\n";
    } else {
        for (const Row& r : query(db,
                                  "SELECT grantee,privilege,grantable FROM temp.\"USER_TAB_PRIVS_MADE\""
                                  " WHERE table_name=?1 ORDER BY grantee,privilege",
                                  {table}))
            *out += "\n  GRANT " + r[1] + " ON " + qualified(owner, table) + " TO " + name_in_quotes(r[0]) +
                    (r[2] == "YES" ? " WITH GRANT OPTION" : "") + sep + "\n";
    }
    if (out->empty()) {
        *f = {31608, type, "", ""};
        return false;
    }
    return true;
}

// GET_GRANTED_DDL: the grants the user holds, from the DBA_ privilege views.
bool granted_ddl(sqlite3* db, const Transform& t, const std::string& type, const std::string& grantee, std::string* out,
                 Failure* f) {
    const std::string sep = t.sqlterminator ? ";" : "";
    if (type == "SYSTEM_GRANT") {
        for (const Row& r : query(db,
                                  "SELECT privilege,admin_option FROM temp.\"DBA_SYS_PRIVS\" WHERE grantee=?1"
                                  " ORDER BY privilege",
                                  {grantee}))
            *out += "\n  GRANT " + r[0] + " TO " + name_in_quotes(grantee) +
                    (r[1] == "YES" ? " WITH ADMIN OPTION" : "") + sep + "\n";
    } else if (type == "ROLE_GRANT") {
        for (const Row& r : query(db,
                                  "SELECT granted_role,admin_option FROM temp.\"DBA_ROLE_PRIVS\" WHERE grantee=?1"
                                  " ORDER BY granted_role",
                                  {grantee}))
            *out += "\n   GRANT " + name_in_quotes(r[0]) + " TO " + name_in_quotes(grantee) +
                    (r[1] == "YES" ? " WITH ADMIN OPTION" : "") + sep + "\n";
    } else if (type == "OBJECT_GRANT") {
        for (const Row& r : query(db,
                                  "SELECT owner,table_name,privilege,grantable FROM temp.\"DBA_TAB_PRIVS\""
                                  " WHERE grantee=?1 ORDER BY owner,table_name,privilege",
                                  {grantee}))
            *out += "\n  GRANT " + r[2] + " ON " + qualified(r[0], r[1]) + " TO " + name_in_quotes(grantee) +
                    (r[3] == "YES" ? " WITH GRANT OPTION" : "") + sep + "\n";
    } else {
        *f = {31600, type, "OBJECT_TYPE", "GET_GRANTED_DDL"};
        return false;
    }
    if (out->empty()) {
        *f = {31608, type, "", ""};
        return false;
    }
    return true;
}

// A name argument: as given when it was quoted, else upper case.
std::string name_arg(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    std::string s = t ? reinterpret_cast<const char*>(t) : "";
    return s;
}

bool may_read_schema(sqlite3* db, const std::string& user, const std::string& owner) {
    if (owner == user || user == "SYS") return true;
    return !query(db, "SELECT 1 FROM temp.\"SESSION_ROLES\" WHERE role IN ('DBA','SELECT_CATALOG_ROLE')", {}).empty();
}

void raise(sqlite3_context* ctx, const Failure& f) {
    std::string text = ora_line(f.code, f.a1, f.a2, f.a3);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

// Without PRETTY the layout's line breaks and tabs become blanks. Quoted text and
// comments keep theirs (a literal's value, the end of a -- comment), and the stored
// source of PL/SQL units and triggers is written as it was typed.
std::string flatten(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        std::size_t end = std::string::npos;
        if (c == '\'' || c == '"') {
            end = s.find(c, i + 1);
        } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
            end = s.find('\n', i);
        } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
            end = s.find("*/", i + 2);
            if (end != std::string::npos) ++end;
        } else {
            out += (c == '\n' || c == '\t') ? ' ' : c;
            continue;
        }
        if (end == std::string::npos) end = s.size() - 1;
        out.append(s, i, end - i + 1);
        i = end;
    }
    return out;
}

void fn_metadata(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    MetadataState* st = static_cast<MetadataState*>(sqlite3_user_data(ctx));
    sqlite3* db = sqlite3_context_db_handle(ctx);
    if (argc < 3) {
        raise(ctx, {31600, "NULL", "NAME", "GET_DDL"});
        return;
    }
    const std::string kind = name_arg(argv[0]);
    const std::string type = name_arg(argv[1]);
    const std::string user = st->settings->user;
    std::string name = name_arg(argv[2]);
    std::string owner = argc > 3 ? name_arg(argv[3]) : std::string();
    Failure f;
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL || type.empty()) {
        raise(ctx, {31600, "NULL", "OBJECT_TYPE", kind});
        return;
    }
    if (kind == "GET_GRANTED_DDL" && sqlite3_value_type(argv[2]) == SQLITE_NULL) name = user;
    if (name.empty()) {
        raise(ctx, {31600, "NULL", kind == "GET_GRANTED_DDL" ? "GRANTEE" : "NAME", kind});
        return;
    }
    std::string out;
    bool ok = false;
    if (kind == "GET_GRANTED_DDL") {
        if (name != user && !may_read_schema(db, user, name)) {
            raise(ctx, {31608, type, "", ""});
            return;
        }
        ok = granted_ddl(db, st->transform, type, name, &out, &f);
    } else {
        if (owner.empty()) owner = st->settings->current_schema.empty() ? user : st->settings->current_schema;
        // The views this reads are the session user's own (and the PUBLIC synonyms); another
        // schema's objects are not written (ORA-31603 as for a schema the user may not read).
        if (owner != user && !(owner == "PUBLIC" && type == "SYNONYM" && kind == "GET_DDL")) {
            raise(ctx, kind == "GET_DDL" ? Failure{31603, name, type, owner} : Failure{31603, name, "TABLE", owner});
            return;
        }
        ok = kind == "GET_DDL" ? object_ddl(db, st->transform, type, owner, name, &out, &f)
                               : dependent_ddl(db, st->transform, type, owner, name, &out, &f);
    }
    if (!ok) {
        raise(ctx, f);
        return;
    }
    const bool source =
        kind != "GET_GRANTED_DDL" && plsql_terminated(type) && type != "COMMENT" && type != "OBJECT_GRANT";
    if (!st->transform.pretty && !source) out = flatten(out);
    sqlite3_result_text(ctx, out.c_str(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

void fn_transform(sqlite3_context* ctx, int, sqlite3_value** argv) {
    MetadataState* st = static_cast<MetadataState*>(sqlite3_user_data(ctx));
    const std::string name = upper(name_arg(argv[0]));
    const std::string value = upper(name_arg(argv[1]));
    const bool on = value == "1" || value == "TRUE";
    if (!on && value != "0" && value != "FALSE") {
        raise(ctx, {31600, value.empty() ? "NULL" : value, "VALUE", "SET_TRANSFORM_PARAM"});
        return;
    }
    if (name == "DEFAULT") {
        if (on) st->transform = Transform();
        sqlite3_result_int(ctx, 1);
        return;
    }
    for (const auto& p : kTransformParams)
        if (name == p.name) {
            st->transform.*p.flag = on;
            sqlite3_result_int(ctx, 1);
            return;
        }
    raise(ctx, {31600, name.empty() ? "NULL" : name, "NAME", "SET_TRANSFORM_PARAM"});
}

void destroy_state(void* p) {
    delete static_cast<MetadataState*>(p);
}

}  // namespace

bool metadata_functions_register(sqlite3* db, SessionSettings* settings) {
    // One state per connection, freed with the last function that holds it.
    auto* st = new MetadataState;
    st->settings = settings;
    if (sqlite3_create_function_v2(db, "vantro_metadata_transform", 2, SQLITE_UTF8, st, fn_transform, nullptr, nullptr,
                                   nullptr) != SQLITE_OK) {
        delete st;
        return false;
    }
    return sqlite3_create_function_v2(db, "vantro_metadata", -1, SQLITE_UTF8, st, fn_metadata, nullptr, nullptr,
                                      destroy_state) == SQLITE_OK;
}

bool metadata_set_transform(sqlite3* db, const std::string& name, const std::string& value, OraError* err) {
    sqlite3_stmt* q = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT vantro_metadata_transform(?1,?2)", -1, &q, nullptr) != SQLITE_OK) {
        *err = ora_error(31600, name, "NAME", "SET_TRANSFORM_PARAM");
        return false;
    }
    sqlite3_bind_text(q, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(q, 2, value.c_str(), -1, SQLITE_TRANSIENT);
    const int rc = sqlite3_step(q);
    std::string message = rc == SQLITE_ROW ? std::string() : sqlite3_errmsg(db);
    sqlite3_finalize(q);
    if (rc == SQLITE_ROW) return true;
    *err = ora_from_sqlite(SQLITE_ERROR, message);
    return false;
}
