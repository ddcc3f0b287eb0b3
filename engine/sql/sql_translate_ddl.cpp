// Oracle-to-SQLite translation of the DDL of the SQL grammar: CREATE TABLE (with its
// columns and constraints, or AS SELECT), TRUNCATE, DROP and ALTER TABLE, CREATE and DROP
// INDEX. Names are checked against the catalog with Oracle's errors; the catalog rows
// that record what SQLite does not keep (Oracle types, constraint names and states) are
// written beside the SQLite statement.
#include "sql/sql_translate.h"

#include "catalog/constraint_ddl.h"
#include "catalog/constraints.h"
#include "values/sql_interval.h"
#include "values/errors.h"
#include "sql/sql_translator.h"
#include "sql/storage.h"
#include "values/values.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace {

// The column refuses NULL: an enabled NOT NULL or primary key written on it.
bool column_not_null(const ColumnDef& c) {
    return (c.not_null && !c.not_null_state.disabled) || (c.primary_key && !c.primary_key_state.disabled);
}

}  // namespace

// The SQLite text of a column's default, converted to the column's type; empty for
// DEFAULT NULL.
bool Translator::default_sql(const ColumnDef& c, std::string* stored) {
    stored->clear();
    if (!c.default_value || c.default_value->kind == ExprKind::Null) return true;
    Scope none;
    Emitted d;
    if (!expr(*c.default_value, none, &d)) return false;
    ColumnInfo target{c.name, c.type};
    return store_value(d, target, "", "", stored, c.default_value->offset);
}

bool Translator::column_sql(ColumnDef& c, std::string* sql, bool with_constraints) {
    std::string affinity;
    switch (c.type.code) {
    case kTypeNumber:
        affinity = "NUMERIC";
        break;
    case kTypeBinaryFloat:
    case kTypeBinaryDouble:
        affinity = "REAL";  // keeps an infinity a double, where TEXT would make it text
        break;
    case kTypeRaw:
    case kTypeBlob:
    case kTypeLongRaw:
        affinity = "BLOB";
        break;
    default:
        affinity = "TEXT";
        break;
    }
    std::string s = quote_name(c.name) + " " + affinity;
    if (c.virtual_expr) {
        std::string v;
        if (!table_scope_ || !virtual_sql(c, *table_scope_, &v)) return false;
        s += v;
    }
    // A column added with a constraint declared disabled: SQLite would enforce it.
    if (with_constraints && (c.primary_key_state.disabled || c.unique_state.disabled || c.references_state.disabled ||
                             c.check_state.disabled || c.not_null_state.disabled))
        return fail(3001, c.offset);
    if (column_not_null(c)) s += " NOT NULL";
    if (with_constraints && c.primary_key) s += " PRIMARY KEY";
    if (with_constraints && c.unique) s += " UNIQUE";
    if (c.default_value) {
        // The default is evaluated at insert time, converted to the column's type like any
        // value stored there. SQLite refuses a column added with such a default to a table
        // that has rows: the engine gives the value then (generated_columns.cpp), and
        // SQLite only a stand-in the rows it has are updated from.
        std::string stored;
        if (!default_sql(c, &stored)) return false;
        if (adding_column_ && c.not_null)
            s += " DEFAULT 0";
        else if (!adding_column_ && !stored.empty())
            s += " DEFAULT (" + stored + ")";
    } else if (adding_column_ && !c.identity.empty()) {
        s += " DEFAULT 0";
    }
    if (with_constraints && !c.references.name.empty()) {
        if (!c.references.owner.empty() && c.references.owner != ctx_.schema) return fail(3001, c.references.offset);
        std::vector<ColumnInfo> ref_cols;
        if (!ctx_.catalog->table_columns(owner_of(c.references), c.references.name, &ref_cols))
            return fail(942, c.references.offset);
        s += " REFERENCES " + quote_name(c.references.name);
        if (!c.ref_columns.empty()) s += "(" + quote_name(c.ref_columns[0]) + ")";
        if (!c.on_delete.empty()) s += " ON DELETE " + c.on_delete;
    }
    if (with_constraints && c.check) {
        Scope scope;
        scope.bare = true;
        Source self;
        self.columns.push_back({c.name, c.type});
        scope.sources.push_back(self);
        Emitted e;
        if (!expr(*c.check, scope, &e)) return false;
        s += " CHECK " + e.sql;
    }
    *sql = s;
    return true;
}

void Translator::catalog_insert(const std::string& owner, const std::string& table, const ColumnDef& c, int column_id) {
    out_->catalog_sql.push_back(
        "INSERT INTO main.vantro_columns(owner,table_name,column_name,column_id,type_code,type_name,data_length,"
        "data_precision,data_scale,char_used,national,nullable) VALUES (" +
        quote_text(owner) + "," + quote_text(table) + "," + quote_text(c.name) + "," + std::to_string(column_id) + "," +
        std::to_string(c.user_type ? kTypeObject : c.type.code) + "," + quote_text(c.type_name) + "," +
        std::to_string(c.type.size) + "," + std::to_string(c.type.precision) + "," + std::to_string(c.type.scale) +
        "," + (c.type.char_used ? "1" : "0") + "," + (c.type.national ? "1" : "0") + "," +
        (column_not_null(c) ? "0" : "1") + ")");
}

namespace {

// True for a name SQLite keeps for its own tables and indexes.
bool reserved_by_sqlite(const std::string& name) {
    const char* prefix = "SQLITE_";
    if (name.size() < 7) return false;
    for (std::size_t i = 0; i < 7; ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) != prefix[i]) return false;
    return true;
}

// True when a constraint written on c other than its reference is INITIALLY DEFERRED.
bool deferred_besides_reference(const ColumnDef& c) {
    return c.not_null_state.deferred || c.primary_key_state.deferred || c.unique_state.deferred ||
           c.check_state.deferred;
}

// A key or check the engine keeps by triggers of its own, so that the session can defer
// it: SQLite's own keys and checks are always checked at the statement.
bool kept_deferrable(TableConstraint::Kind kind, const ConstraintState& state) {
    return state.deferrable && !state.disabled && kind != TableConstraint::Kind::ForeignKey;
}

}  // namespace

bool Translator::create_table(Statement& s) {
    if (s.mview.kind == Statement::Mview::Kind::Log) return create_mview_log(s);
    std::string owner = owner_of(s.table);
    // CREATE TABLE for the session's own schema, CREATE ANY TABLE for another's.
    if ((owner == ctx_.schema || ctx_.catalog->user_exists(owner)) && !ctx_.catalog->may_create(owner, "TABLE"))
        return fail(1031, s.table.offset);
    if ((!s.table.owner.empty() || ctx_.catalog->user_exists(owner)) && !ctx_.catalog->schema_exists(owner))
        return fail(1918, s.table.offset, owner), false;
    // SQLite keeps names that start with sqlite_ (in any case) for itself.
    if (reserved_by_sqlite(s.table.name)) return fail(903, s.table.name_offset);
    // A table shares its schema's namespace with views, sequences and private synonyms.
    std::string synonym_owner, synonym_target;
    if (ctx_.catalog->object_exists(owner, s.table.name) || ctx_.catalog->sequence_exists(owner, s.table.name) ||
        ctx_.catalog->private_synonym_target(owner, s.table.name, &synonym_owner, &synonym_target))
        return fail(955, s.table.name_offset);
    const bool temporary = !s.temporary_duration.empty();
    if (temporary) {
        // The session's rows live in its TEMP schema under the table's name, beside the
        // dictionary's views and the session's plan table.
        std::vector<ColumnInfo> view_columns;
        std::string view_sql;
        if (s.table.name == "VANTRO_LIVE_OBJECTS" ||
            ctx_.catalog->dictionary_view(s.table.name, &view_columns, &view_sql))
            return fail(955, s.table.name_offset);
        out_->catalog_sql.push_back(
            "INSERT OR REPLACE INTO main.vantro_temporary_tables(owner,table_name,duration) VALUES (" +
            quote_text(owner) + "," + quote_text(s.table.name) + "," + quote_text(s.temporary_duration) + ")");
    }
    if (s.select) {
        // The rows of a query would be the creating session's own; ON COMMIT DELETE ROWS
        // empties them at the DDL's commit, so the table starts empty.
        if (temporary && s.temporary_duration != "SYS$TRANSACTION") return fail(3001, s.table.offset);
        if (!create_table_as(s, owner)) return false;
        if (temporary) out_->sql.resize(out_->sql.find("); INSERT INTO ") + 1);
        if (s.mview.kind == Statement::Mview::Kind::View) {
            // The view keeps the statement that fills its table again at a refresh.
            const std::size_t insert = out_->sql.find("); INSERT INTO ") + 3;
            const std::string target = quote_name(owner) + "." + quote_name(s.table.name);
            const std::string refresh = "DELETE FROM " + target + "; " + out_->sql.substr(insert);
            const bool deferred = s.mview.build_mode == "DEFERRED";
            if (deferred) out_->sql.resize(insert - 2);
            std::string query = text_.substr(std::min<std::size_t>(s.mview.query_offset, text_.size()));
            while (!query.empty() && (std::isspace(static_cast<unsigned char>(query.back())) || query.back() == ';'))
                query.pop_back();
            out_->catalog_sql.push_back(
                "INSERT INTO main.vantro_mviews(owner,mview_name,query,refresh_sql,refresh_method,refresh_mode,"
                "build_mode,rewrite_enabled,last_refresh,staleness) VALUES (" +
                quote_text(owner) + "," + quote_text(s.table.name) + "," + quote_text(query) + "," +
                quote_text(refresh) + "," + quote_text(s.mview.refresh_method) + "," +
                quote_text(s.mview.refresh_mode) + "," + quote_text(s.mview.build_mode) + "," +
                quote_text(s.mview.rewrite ? "Y" : "N") + "," +
                (deferred ? "NULL,'UNUSABLE'" : "datetime('now','localtime'),'FRESH'") + ")");
        }
        return true;
    }
    if (s.object_table && !object_table_columns(s, owner)) return false;
    std::set<std::string> names;
    std::string body;
    // Constraints written on a column become table constraints, so that every one carries
    // its name (given, or SYS_Cnnnnnn) into SQLite and the catalog.
    std::vector<TableConstraint> inline_constraints;
    Scope table_scope;
    table_scope.bare = true;
    Source columns;
    for (const ColumnDef& c : s.column_defs) columns.columns.push_back({c.name, c.type});
    table_scope.sources.push_back(columns);
    table_scope_ = &table_scope;
    int identities = 0;
    std::vector<std::string> deferrable_not_nulls;  // columns whose NOT NULL is DEFERRABLE
    for (ColumnDef& c : s.column_defs) {
        if (!names.insert(c.name).second) return fail(957, c.offset);
        if (c.user_type && !object_column(c, owner)) return false;
        // A session's rows of a temporary table are not seen by the triggers that would
        // defer a key or check.
        if (temporary && deferred_besides_reference(c)) return fail(3001, c.offset);
        // A deferrable NOT NULL is kept by the engine's triggers instead of SQLite's
        // column constraint, recorded below with the table's constraints.
        bool in_key = c.primary_key;
        for (const TableConstraint& k : s.constraints)
            if (k.kind == TableConstraint::Kind::PrimaryKey && !k.state.disabled)
                in_key = in_key || std::find(k.columns.begin(), k.columns.end(), c.name) != k.columns.end();
        const bool deferrable_not_null =
            !temporary && c.not_null && !in_key && kept_deferrable(TableConstraint::Kind::Check, c.not_null_state);
        if (deferrable_not_null) deferrable_not_nulls.push_back(c.name);
        if (!generated_check(c, &identities)) return false;
        auto add = [&](TableConstraint::Kind kind, const std::string& name, const ConstraintState& state) {
            TableConstraint k;
            k.kind = kind;
            k.name = name;
            k.state = state;
            k.columns.push_back(c.name);
            k.offset = c.offset;
            inline_constraints.push_back(std::move(k));
            return &inline_constraints.back();
        };
        if (c.primary_key) add(TableConstraint::Kind::PrimaryKey, c.primary_key_name, c.primary_key_state);
        if (c.unique) add(TableConstraint::Kind::Unique, c.unique_name, c.unique_state);
        if (!c.references.name.empty()) {
            TableConstraint* k = add(TableConstraint::Kind::ForeignKey, c.references_name, c.references_state);
            k->references = c.references;
            k->ref_columns = c.ref_columns;
            k->on_delete = c.on_delete;
        }
        if (c.check) add(TableConstraint::Kind::Check, c.check_name, c.check_state)->check = std::move(c.check);
        std::string cs;
        c.not_null = c.not_null && !deferrable_not_null;
        bool written = column_sql(c, &cs, false);
        c.not_null = c.not_null || deferrable_not_null;
        if (!written) return false;
        body += (body.empty() ? "" : ", ") + cs;
    }
    for (TableConstraint& k : s.constraints) inline_constraints.push_back(std::move(k));
    Scope check_scope;
    check_scope.bare = true;
    Source self;
    for (const ColumnDef& c : s.column_defs) self.columns.push_back({c.name, c.type});
    check_scope.sources.push_back(self);
    long long next_number = ctx_.catalog->next_constraint_number();
    std::set<std::string> constraint_names;
    std::vector<ConstraintRecord> records;
    std::vector<std::string> enforcement;  // the deferrable keys' indexes and triggers
    std::vector<ColumnInfo> table_columns;
    for (const ColumnDef& c : s.column_defs) table_columns.push_back({c.name, c.type});
    bool has_primary = false;
    for (TableConstraint& k : inline_constraints) {
        std::string kept_where;
        for (const std::string& col : k.columns)
            if (!names.count(col)) return fail(904, k.offset, "\"" + col + "\"");
        if (temporary && k.state.deferred && k.kind != TableConstraint::Kind::ForeignKey) return fail(3001, k.offset);
        const bool deferrable = !temporary && kept_deferrable(k.kind, k.state);
        if (k.kind == TableConstraint::Kind::PrimaryKey) {
            if (has_primary) return fail(2260, k.offset), false;
            has_primary = true;
        }
        ConstraintRecord record;
        record.id = next_number++;
        ConstraintSpec kept;  // a deferrable key's or check's enforcement
        kept.id = record.id;
        kept.owner = owner;
        kept.table = s.table.name;
        kept.columns = k.columns;
        kept.deferrable = "DEFERRABLE";
        kept.initially_deferred = k.state.deferred;
        record.name = k.name;
        record.columns = k.columns;
        record.state = k.state;
        if (k.name.empty()) {
            k.name = constraints_system_name(record.id);
        } else if (ctx_.catalog->constraint_exists(owner, k.name) || !constraint_names.insert(k.name).second) {
            return fail(2264, k.offset), false;
        }
        auto list = [&](const std::vector<std::string>& cols) {
            std::string l = "(";
            for (std::size_t i = 0; i < cols.size(); ++i) l += (i ? "," : "") + quote_name(cols[i]);
            return l + ")";
        };
        // A disabled constraint is recorded only: SQLite does not get it.
        const std::size_t body_size = body.size();
        body += ", CONSTRAINT " + quote_name(k.name);
        switch (k.kind) {
        case TableConstraint::Kind::PrimaryKey:
            body += " PRIMARY KEY " + list(k.columns);
            record.type = 'P';
            break;
        case TableConstraint::Kind::Unique:
            body += " UNIQUE " + list(k.columns);
            record.type = 'U';
            break;
        case TableConstraint::Kind::ForeignKey: {
            if (!k.references.owner.empty() && k.references.owner != owner) return fail(3001, k.references.offset);
            std::vector<ColumnInfo> ref_cols;
            if (k.references.name != s.table.name && !ctx_.catalog->table_columns(owner, k.references.name, &ref_cols))
                return fail(942, k.references.offset);
            // Keys between a temporary and a permanent table: rows of one session cannot
            // be the parents or children of rows every session sees.
            if (k.references.name != s.table.name &&
                ctx_.catalog->temporary_table(owner, k.references.name) != temporary)
                return fail(14455, k.references.offset);
            // The referenced key, named in full for SQLite: the parent's primary key when no
            // columns are given, else a primary or unique key of exactly those columns (a key
            // of this same table among this statement's).
            std::vector<std::string> r_columns = k.ref_columns;
            bool found = false;
            if (k.references.name == s.table.name) {
                for (const TableConstraint& own : inline_constraints) {
                    const bool key = own.kind == TableConstraint::Kind::PrimaryKey ||
                                     (own.kind == TableConstraint::Kind::Unique && !r_columns.empty());
                    if (key && (r_columns.empty() || own.columns == r_columns)) {
                        r_columns = own.columns;
                        found = true;
                        break;
                    }
                }
            } else {
                found = ctx_.catalog->key_columns(owner, k.references.name, &r_columns);
            }
            if (!found) return fail(k.ref_columns.empty() ? 2268 : 2270, k.references.offset);
            if (r_columns.size() != k.columns.size()) return fail(2256, k.references.offset);
            k.ref_columns = r_columns;
            body += " FOREIGN KEY " + list(k.columns) + " REFERENCES " + quote_name(k.references.name);
            body += list(k.ref_columns);
            if (!k.on_delete.empty()) body += " ON DELETE " + k.on_delete;
            if (k.state.deferred) body += " DEFERRABLE INITIALLY DEFERRED";
            record.type = 'R';
            record.r_table = k.references.name;
            record.r_columns = k.ref_columns;
            record.delete_rule = k.on_delete.empty() ? "NO ACTION" : k.on_delete;
            break;
        }
        case TableConstraint::Kind::Check: {
            Emitted e;
            if (!expr(*k.check, check_scope, &e)) return false;
            body += " CHECK " + e.sql;
            kept_where = "NOT (" + e.sql + ")";
            record.type = 'C';
            record.search_condition = text_.substr(k.check->offset, k.check->end - k.check->offset);
            record.column_positions = false;
            break;
        }
        }
        if (k.state.disabled || deferrable) body.resize(body_size);
        if (deferrable) {
            kept.name = k.name;
            kept.type = record.type;
            if (kept.type != 'C' && ctx_.catalog->object_exists(owner, k.name)) return fail(955, k.offset);
            constraint_enforce_sql(kept, table_columns, kept_where, &enforcement);
        }
        records.push_back(std::move(record));
    }
    for (const std::string& col : deferrable_not_nulls) {
        const ColumnDef* c = nullptr;
        for (const ColumnDef& d : s.column_defs)
            if (d.name == col) c = &d;
        ConstraintRecord record;
        record.id = next_number++;
        record.name = c->not_null_name;
        record.search_condition = "\"" + col + "\" IS NOT NULL";
        record.columns = {col};
        record.column_positions = false;
        record.state = c->not_null_state;
        ConstraintSpec kept;
        kept.id = record.id;
        kept.owner = owner;
        kept.table = s.table.name;
        kept.name = record.name.empty() ? constraints_system_name(record.id) : record.name;
        if (!record.name.empty() &&
            (ctx_.catalog->constraint_exists(owner, record.name) || !constraint_names.insert(record.name).second))
            return fail(2264, c->offset), false;
        kept.columns = record.columns;
        kept.condition = record.search_condition;
        kept.deferrable = "DEFERRABLE";
        kept.initially_deferred = record.state.deferred;
        constraint_enforce_sql(kept, table_columns, std::string(), &enforcement);
        records.push_back(std::move(record));
    }
    // Keys first, so that a foreign key of the table to itself finds the key it references.
    for (int pass = 0; pass < 2; ++pass)
        for (const ConstraintRecord& r : records)
            if ((r.type == 'P' || r.type == 'U') == (pass == 0))
                constraints_record_sql(owner, s.table.name, r, &out_->catalog_sql);
    // A primary key's columns are NOT NULL through the key, without a check of their own.
    std::set<std::string> key_columns;
    for (const TableConstraint& k : inline_constraints)
        if (k.kind == TableConstraint::Kind::PrimaryKey && !k.state.disabled)
            key_columns.insert(k.columns.begin(), k.columns.end());
    if (s.organization == "INDEX" && !organized_by_index(owner, s, inline_constraints)) return false;
    if (!s.partitioning.method.empty() && !partitioned_table(owner, s, check_scope, &enforcement)) return false;
    out_->sql = "CREATE TABLE " + quote_name(owner) + "." + quote_name(s.table.name) + " (" + body + ")";
    for (const std::string& e : enforcement) out_->sql += "; " + e;
    for (ColumnDef& c : s.column_defs)
        if (key_columns.count(c.name)) c.not_null = true;
    int id = 1;
    for (ColumnDef& c : s.column_defs) {
        catalog_insert(owner, s.table.name, c, id++);
        const bool recorded =
            std::find(deferrable_not_nulls.begin(), deferrable_not_nulls.end(), c.name) != deferrable_not_nulls.end();
        c.not_null = c.not_null && !recorded;
        constraints_column_sql(owner, s.table.name, c, key_columns.count(c.name) > 0, false, text_, &out_->catalog_sql);
        c.not_null = c.not_null || recorded;
        if (!generated_record(owner, s.table.name, c, false)) return false;
    }
    return true;
}

// ORGANIZATION INDEX: the table needs a primary key, whose index the dictionary shows as
// the table's ("IOT - TOP"); the table is recorded as an IOT.
bool Translator::organized_by_index(const std::string& owner, const Statement& s,
                                    const std::vector<TableConstraint>& constraints) {
    const TableConstraint* key = nullptr;
    for (const TableConstraint& k : constraints)
        if (k.kind == TableConstraint::Kind::PrimaryKey) key = &k;
    if (!key) return fail(25175, s.organization_offset);
    StorageClause index;
    index.index_type = "IOT - TOP";
    out_->catalog_sql.push_back(storage_catalog_sql(owner, key->name, true, index));
    out_->catalog_sql.push_back("INSERT OR REPLACE INTO main.vantro_table_options(owner,table_name,iot_type) VALUES (" +
                                quote_text(owner) + "," + quote_text(s.table.name) + ",'IOT')");
    return true;
}

// CREATE TABLE ... AS SELECT: the columns take the query's names and Oracle types.
bool Translator::create_table_as(Statement& s, const std::string& owner) {
    std::vector<ColumnInfo> cols;
    std::string query;
    if (!select(*s.select, nullptr, &cols, &query)) return false;
    // A materialized view's column list names the query's columns.
    const std::vector<std::string>& renamed = s.mview.columns;
    if (!renamed.empty() && renamed.size() != cols.size()) return fail(1730, s.table.offset);
    std::set<std::string> names;
    std::string body;
    int id = 1;
    // With a * among the items the columns no longer line up with the items; the columns
    // a * gives are named after the tables' own columns.
    bool starred = false;
    for (const SelectItem& it : s.select->items) starred = starred || (it.expr && it.expr->kind == ExprKind::Star);
    for (std::size_t i = 0; i < cols.size(); ++i) {
        ColumnDef c;
        c.name = renamed.empty() ? cols[i].name : renamed[i];
        c.type = cols[i].type;
        c.type.nullable = true;
        const SelectItem* item = !starred && i < s.select->items.size() ? &s.select->items[i] : nullptr;
        // A column reference is a name, however it is quoted ("lower col"); an expression
        // needs an alias unless its text is one.
        bool plain = !renamed.empty() || !c.name.empty();
        const bool column = starred || (item && item->expr && item->expr->kind == ExprKind::Column);
        for (char ch : c.name)
            plain = plain && (column || std::isalnum(static_cast<unsigned char>(ch)) || ch == '_' || ch == '$' ||
                              ch == '#' || static_cast<unsigned char>(ch) >= 0x80);
        // A cut expression text is no name either, even when its first bytes look like one.
        if ((!plain || (cols[i].name_cut && renamed.empty())) && item && item->alias.empty())
            return fail(998, item->offset);
        if (!names.insert(c.name).second) return fail(957, item ? item->offset : s.select->offset);
        if ((c.type.code == kTypeVarchar2 || c.type.code == kTypeChar || c.type.code == kTypeRaw) && c.type.size == 0)
            return fail(1723, item ? item->offset : s.select->offset);
        switch (c.type.code) {
        case kTypeVarchar2:
            c.type_name = c.type.national ? "NVARCHAR2" : "VARCHAR2";
            break;
        case kTypeChar:
            c.type_name = c.type.national ? "NCHAR" : "CHAR";
            break;
        case kTypeNumber:
            c.type_name = "NUMBER";
            break;
        case kTypeBinaryFloat:
            c.type_name = "BINARY_FLOAT";
            break;
        case kTypeBinaryDouble:
            c.type_name = "BINARY_DOUBLE";
            break;
        case kTypeDate:
            c.type_name = "DATE";
            break;
        case kTypeTimestamp:
            c.type_name = "TIMESTAMP";
            break;
        case kTypeRaw:
            c.type_name = "RAW";
            break;
        case kTypeTimestampTz:
        case kTypeTimestampLtz:
        case kTypeIntervalYm:
        case kTypeIntervalDs:
            c.type_name = datetime_type_name(c.type);
            break;
        case kTypeClob:
            c.type_name = "CLOB";
            break;
        case kTypeBlob:
            c.type_name = "BLOB";
            break;
        case kTypeLong:
            c.type_name = "LONG";
            break;
        default:
            c.type_name = "VARCHAR2";
            break;
        }
        std::string cs;
        if (!column_sql(c, &cs, true)) return false;
        body += (body.empty() ? "" : ", ") + cs;
        catalog_insert(owner, s.table.name, c, id++);
    }
    std::string target = quote_name(owner) + "." + quote_name(s.table.name);
    out_->sql = "CREATE TABLE " + target + " (" + body + "); INSERT INTO " + target + " " + query;
    return true;
}

bool Translator::truncate_table(Statement& s) {
    std::string owner = owner_of(s.table);
    std::vector<ColumnInfo> cols;
    if (!ctx_.catalog->table_columns(owner, s.table.name, &cols)) return fail(942, s.table.offset);
    if (!ctx_.catalog->may_change(owner, s.table.name, "", "DROP ANY TABLE")) return fail(1031, s.table.offset);
    // A key another table's foreign key references refuses the truncation even when no
    // row refers to it (a table's references to itself do not count); SQLite's DELETE
    // would otherwise cascade or set children to NULL. The row triggers are PL/SQL's
    // and are not run for it.
    std::string table = quote_text(s.table.name);
    std::string raise = ora_format(2266, ora_message(2266));
    raise.pop_back();
    out_->sql = "SELECT vantro_raise(" + quote_text(raise) + ") FROM " + quote_name(owner) +
                ".sqlite_master m, pragma_foreign_key_list(m.name," + quote_text(owner) +
                ") f WHERE m.type='table' AND m.name<>" + table + " AND f.\"table\"=" + table +
                " LIMIT 1; SELECT vantro_raise(" + quote_text(raise) +
                ") FROM main.vantro_constraints r JOIN main.vantro_constraints p ON p.id=r.r_constraint_id WHERE"
                " r.constraint_type='R' AND r.status='ENABLED' AND p.owner=" + quote_text(owner) +
                " AND p.table_name=" + table + " AND NOT (r.owner=p.owner AND r.table_name=p.table_name) LIMIT 1;"
                " DELETE FROM ";
    std::string rows;
    if (!rows_sql(owner, s.table.name, s.table.offset, &rows)) return false;
    out_->sql += rows;
    return true;
}

// CREATE MATERIALIZED VIEW LOG ON table: recorded for the dictionary. Refreshes are
// complete ones, so the log keeps no rows.
bool Translator::create_mview_log(Statement& s) {
    const std::string owner = owner_of(s.table);
    std::vector<ColumnInfo> cols;
    if (!ctx_.catalog->table_columns(owner, s.table.name, &cols)) return fail(942, s.table.offset);
    if (!ctx_.catalog->may_change(owner, s.table.name, "", "CREATE ANY TABLE")) return fail(1031, s.table.offset);
    if (ctx_.catalog->mview_log(owner, s.table.name)) return fail(12000, s.table.offset, s.table.name);
    out_->sql.clear();
    out_->catalog_sql.push_back("INSERT INTO main.vantro_mview_logs(log_owner,master,log_table) VALUES (" +
                                quote_text(owner) + "," + quote_text(s.table.name) + "," +
                                quote_text("MLOG$_" + s.table.name.substr(0, 20)) + ")");
    return true;
}

// DROP MATERIALIZED VIEW [PRESERVE TABLE] and DROP MATERIALIZED VIEW LOG ON table.
bool Translator::drop_mview(Statement& s) {
    const std::string owner = owner_of(s.table);
    if (s.mview.kind == Statement::Mview::Kind::Log) {
        if (!ctx_.catalog->mview_log(owner, s.table.name)) return fail(12002, s.table.offset, owner, s.table.name);
        out_->sql.clear();
        out_->catalog_sql.push_back("DELETE FROM main.vantro_mview_logs WHERE log_owner=" + quote_text(owner) +
                                    " AND master=" + quote_text(s.table.name));
        return true;
    }
    if (!ctx_.catalog->materialized_view(owner, s.table.name)) return fail(12003, s.table.offset, owner, s.table.name);
    if (!ctx_.catalog->may_change(owner, s.table.name, "", "DROP ANY MATERIALIZED VIEW"))
        return fail(1031, s.table.offset);
    const std::string forget = "DELETE FROM main.vantro_mviews WHERE owner=" + quote_text(owner) +
                               " AND mview_name=" + quote_text(s.table.name);
    if (s.mview.preserve_table) {
        out_->sql.clear();
        out_->catalog_sql.push_back(forget);
        return true;
    }
    if (!drop_table_of(s)) return false;
    out_->catalog_sql.push_back(forget);
    return true;
}

bool Translator::drop_table(Statement& s) {
    if (s.mview.kind != Statement::Mview::Kind::None) return drop_mview(s);
    const std::string owner = owner_of(s.table);
    if (ctx_.catalog->materialized_view(owner, s.table.name)) return fail(12083, s.table.offset, owner, s.table.name);
    return drop_table_of(s);
}

// The table, its triggers and its catalog rows.
bool Translator::drop_table_of(Statement& s) {
    std::string owner = owner_of(s.table);
    std::vector<ColumnInfo> cols;
    if (!ctx_.catalog->table_columns(owner, s.table.name, &cols)) return fail(942, s.table.offset);
    if (!ctx_.catalog->may_change(owner, s.table.name, "", "DROP ANY TABLE")) return fail(1031, s.table.offset);
    out_->sql.clear();
    // The triggers of its foreign keys that live on the tables they reference go first.
    for (const std::string& t : ctx_.catalog->foreign_key_triggers(owner, s.table.name))
        out_->sql += "DROP TRIGGER " + quote_name(owner) + "." + quote_name(t) + "; ";
    out_->sql += "DROP TABLE " + quote_name(owner) + "." + quote_name(s.table.name);
    out_->owner = owner;
    out_->table = s.table.name;
    out_->catalog_sql.push_back("DELETE FROM main.vantro_columns WHERE owner=" + quote_text(owner) +
                                " AND table_name=" + quote_text(s.table.name));
    // The key index of an index-organized table goes with its kind.
    out_->catalog_sql.push_back("DELETE FROM main.vantro_storage WHERE owner=" + quote_text(owner) +
                                " AND object_kind='INDEX' AND index_type='IOT - TOP' AND object_name IN (SELECT"
                                " coalesce(constraint_name,'SYS_C00'||(id+4999)) FROM main.vantro_constraints"
                                " WHERE owner=" +
                                quote_text(owner) + " AND table_name=" + quote_text(s.table.name) + ")");
    constraints_drop_sql(owner, s.table.name, &out_->catalog_sql);
    generated_drop(owner, s.table.name, "");
    out_->catalog_sql.push_back("DELETE FROM main.vantro_table_options WHERE owner=" + quote_text(owner) +
                                " AND table_name=" + quote_text(s.table.name));
    out_->catalog_sql.push_back("DELETE FROM main.vantro_object_tables WHERE owner=" + quote_text(owner) +
                                " AND table_name=" + quote_text(s.table.name));
    out_->catalog_sql.push_back("DELETE FROM main.vantro_index_expressions WHERE owner=" + quote_text(owner) +
                                " AND table_name=" + quote_text(s.table.name));
    out_->catalog_sql.push_back("DELETE FROM main.vantro_temporary_tables WHERE owner=" + quote_text(owner) +
                                " AND table_name=" + quote_text(s.table.name));
    out_->catalog_sql.push_back("DELETE FROM main.vantro_mview_logs WHERE log_owner=" + quote_text(owner) +
                                " AND master=" + quote_text(s.table.name));
    out_->catalog_sql.push_back("DELETE FROM main.vantro_ind_partitions WHERE owner=" + quote_text(owner) +
                                " AND index_name IN (SELECT index_name FROM main.vantro_index_options WHERE owner=" +
                                quote_text(owner) + " AND table_name=" + quote_text(s.table.name) + ")");
    // Its statistics and their lock go with it.
    for (const char* table : {"vantro_tab_stats", "vantro_col_stats", "vantro_ind_stats", "vantro_stats_locks"})
        out_->catalog_sql.push_back(std::string("DELETE FROM main.") + table + " WHERE owner=" + quote_text(owner) +
                                    " AND table_name=" + quote_text(s.table.name));
    for (const char* table :
         {"vantro_part_tables", "vantro_tab_partitions", "vantro_part_key_columns", "vantro_index_options"})
        out_->catalog_sql.push_back(std::string("DELETE FROM main.") + table + " WHERE owner=" + quote_text(owner) +
                                    " AND table_name=" + quote_text(s.table.name));
    return true;
}

bool Translator::alter_table(Statement& s) {
    std::string owner = owner_of(s.table);
    std::vector<ColumnInfo> cols;
    if (!ctx_.catalog->table_columns(owner, s.table.name, &cols)) return fail(942, s.table.offset);
    if (!ctx_.catalog->may_change(owner, s.table.name, "ALTER", "ALTER ANY TABLE")) return fail(1031, s.table.offset);
    std::string target = "ALTER TABLE " + quote_name(owner) + "." + quote_name(s.table.name);
    out_->owner = owner;
    out_->table = s.table.name;
    auto has = [&](const std::string& n) {
        for (const ColumnInfo& c : cols)
            if (c.name == n) return true;
        return false;
    };
    if (s.alter_action == "ADD") {
        // ADD (c1 ..., c2 ...): the columns in order, each numbered after the last.
        std::vector<GeneratedColumn> generated;
        ctx_.catalog->generated_columns(owner, s.table.name, &generated);
        int identities = 0;
        for (const GeneratedColumn& g : generated) identities += g.kind == 'I';
        Scope table_scope;
        table_scope.bare = true;
        Source columns;
        columns.columns = cols;
        table_scope.sources.push_back(columns);
        table_scope_ = &table_scope;
        adding_column_ = true;
        std::set<std::string> added;
        for (ColumnDef& c : s.column_defs) {
            if (has(c.name) || !added.insert(c.name).second) return fail(1430, c.offset), false;
            if (deferred_besides_reference(c) || c.references_state.deferred) return fail(3001, c.offset);
            if (!generated_check(c, &identities)) return false;
            std::string cs;
            if (!column_sql(c, &cs, true)) return false;
            out_->sql += (out_->sql.empty() ? "" : "; ") + target + " ADD COLUMN " + cs;
            catalog_insert(owner, s.table.name, c, static_cast<int>(cols.size() + added.size()));
            constraints_column_sql(owner, s.table.name, c, false, true, text_, &out_->catalog_sql);
            if (!generated_record(owner, s.table.name, c, true)) return false;
        }
        out_->alters_columns = true;
        return true;
    }
    if (s.alter_action == "MODIFY DEFAULT") return modify_default(owner, s.table.name, cols, s.column_defs[0]);
    if (s.alter_action == "PARTITION") return alter_partition(s, owner, cols);
    if (!has(s.name)) return fail(904, s.name_offset, "\"" + s.name + "\"");
    std::string where = " WHERE owner=" + quote_text(owner) + " AND table_name=" + quote_text(s.table.name);
    if (s.alter_action == "DROP COLUMN") {
        std::vector<std::string> names = s.columns.empty() ? std::vector<std::string>{s.name} : s.columns;
        std::vector<GeneratedColumn> generated;
        ctx_.catalog->generated_columns(owner, s.table.name, &generated);
        auto dropped = [&](const std::string& n) { return std::find(names.begin(), names.end(), n) != names.end(); };
        auto offset_of = [&](std::size_t i) {
            return i < s.column_offsets.size() ? s.column_offsets[i] : s.name_offset;
        };
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (!has(names[i])) return fail(904, offset_of(i), "\"" + names[i] + "\"");
            for (std::size_t j = 0; j < i; ++j)
                if (names[j] == names[i]) return fail(957, offset_of(i));
            // A virtual column that reads the column must go with it.
            for (const GeneratedColumn& g : generated)
                if (g.kind == 'V' && !dropped(g.name) && g.fill_sql.find(quote_name(names[i])) != std::string::npos)
                    return fail(54031, offset_of(i));
            out_->sql += (i ? "; " : "") + target + " DROP COLUMN " + quote_name(names[i]);
            out_->catalog_sql.push_back("DELETE FROM main.vantro_columns" + where +
                                        " AND column_name=" + quote_text(names[i]));
            constraints_drop_column_sql(owner, s.table.name, names[i], &out_->catalog_sql);
            generated_drop(owner, s.table.name, names[i]);
        }
        out_->alters_columns = true;
        out_->schema_first = true;
        // The columns after the dropped ones move up.
        out_->catalog_sql.push_back(
            "UPDATE main.vantro_columns SET column_id=(SELECT count(*) FROM main.vantro_columns c WHERE c.owner="
            "main.vantro_columns.owner AND c.table_name=main.vantro_columns.table_name AND c.column_id<="
            "main.vantro_columns.column_id)" +
            where);
        return true;
    }
    if (s.alter_action == "RENAME COLUMN") {
        if (has(s.name2)) return fail(957, s.name_offset);
        out_->sql = target + " RENAME COLUMN " + quote_name(s.name) + " TO " + quote_name(s.name2);
        out_->alters_columns = true;
        out_->catalog_sql.push_back("UPDATE main.vantro_columns SET column_name=" + quote_text(s.name2) + where +
                                    " AND column_name=" + quote_text(s.name));
        constraints_rename_column_sql(owner, s.table.name, s.name, s.name2, &out_->catalog_sql);
        out_->catalog_sql.push_back("UPDATE main.vantro_generated_columns SET column_name=" + quote_text(s.name2) +
                                    where + " AND column_name=" + quote_text(s.name));
        return true;
    }
    return fail(3001, s.table.offset);
}

bool Translator::create_index(Statement& s) {
    std::string owner = owner_of(s.table);
    std::string index_owner = s.index.owner.empty() ? owner : s.index.owner;
    if (index_owner != owner) return fail(3001, s.index.offset);
    if (reserved_by_sqlite(s.index.name)) return fail(953, s.index.name_offset);
    if (ctx_.catalog->object_exists(owner, s.index.name)) return fail(955, s.index.name_offset);
    std::vector<ColumnInfo> cols;
    if (!ctx_.catalog->table_columns(owner, s.table.name, &cols)) return fail(942, s.table.offset);
    if (!ctx_.catalog->may_change(owner, s.table.name, "INDEX", "CREATE ANY INDEX")) return fail(1031, s.table.offset);
    Scope table_scope;
    table_scope.bare = true;
    Source columns;
    columns.columns = cols;
    table_scope.sources.push_back(columns);
    // Expression keys are kept with their text as typed and the hidden column Oracle
    // names them by (SYS_NCnnnnn$), numbered after the table's columns and the hidden
    // columns of the table's other function-based indexes.
    std::string key = quote_text(owner) + "," + quote_text(s.index.name) + "," + quote_text(s.table.name);
    out_->catalog_sql.push_back("DELETE FROM main.vantro_index_expressions WHERE owner=" + quote_text(owner) +
                                " AND index_name=" + quote_text(s.index.name));
    std::string list;
    for (std::size_t i = 0; i < s.columns.size(); ++i) {
        if (s.index_exprs[i]) {
            Expr& x = *s.index_exprs[i];
            Emitted e;
            if (!expr(x, table_scope, &e)) return false;
            if (e.aggregate) return fail(934, x.offset);
            std::string text =
                x.end > x.offset && x.end <= text_.size() ? text_.substr(x.offset, x.end - x.offset) : "";
            out_->catalog_sql.push_back(
                "INSERT INTO main.vantro_index_expressions(owner,index_name,table_name,column_position,"
                "column_expression,hidden_number) VALUES (" +
                key + "," + std::to_string(i + 1) + "," + quote_text(text) + "," + std::to_string(cols.size()) +
                "+(SELECT count(*) FROM main.vantro_index_expressions WHERE owner=" + quote_text(owner) +
                " AND table_name=" + quote_text(s.table.name) + ")+1)");
            list += std::string(i ? "," : "") + "(" + e.sql + ")" + (s.column_desc[i] ? " DESC" : "");
            continue;
        }
        bool found = false;
        for (const ColumnInfo& c : cols) found = found || c.name == s.columns[i];
        if (!found) return fail(904, s.column_offsets[i], "\"" + s.columns[i] + "\"");
        for (std::size_t j = 0; j < i; ++j)
            if (s.columns[j] == s.columns[i]) return fail(957, s.column_offsets[i]);
        list += (i ? "," : "") + quote_name(s.columns[i]) + (s.column_desc[i] ? " DESC" : "");
    }
    if (!index_partitioning(s, owner)) return false;
    out_->sql = std::string("CREATE ") + (s.unique ? "UNIQUE " : "") + "INDEX " + quote_name(owner) + "." +
                quote_name(s.index.name) + " ON " + quote_name(s.table.name) + " (" + list + ")";
    return true;
}

// An index's options and, for a LOCAL index, its partitions: one for each partition of
// the table, in the same order and with the same bounds. A unique LOCAL index must hold
// the partitioning key (each partition can only check its own rows); a bitmap index on
// a partitioned table must be LOCAL.
bool Translator::index_partitioning(Statement& s, const std::string& owner) {
    StorageClause& st = s.storage;
    TablePartitions tp;
    const bool partitioned = ctx_.catalog->table_partitions(owner, s.table.name, &tp);
    const std::vector<std::string>& keys = tp.keys;
    const std::vector<std::pair<std::string, std::string>>& parts = tp.partitions;
    if (st.local) {
        if (!partitioned) return fail(14016, st.local_offset);
        if (!st.local_partitions.empty() && st.local_partitions.size() != parts.size())
            return fail(14024, st.local_offset);
        if (s.unique)
            for (const std::string& k : keys)
                if (std::find(s.columns.begin(), s.columns.end(), k) == s.columns.end())
                    return fail(14039, st.local_offset);
    } else if (partitioned && st.index_type.compare(0, 6, "BITMAP") == 0) {
        return fail(25122, s.index.name_offset);
    }
    const std::string key = quote_text(owner) + "," + quote_text(s.index.name);
    // COMPRESS without a number: all the key columns, all but the last for a unique index.
    long long prefix = st.prefix_length;
    if (st.compression == "ENABLED" && prefix < 0)
        prefix = static_cast<long long>(s.columns.size()) - (s.unique ? 1 : 0);
    if (st.compression == "ENABLED" && (prefix < 1 || prefix > static_cast<long long>(s.columns.size()) ||
                                        (s.unique && prefix == static_cast<long long>(s.columns.size()))))
        return fail(25194, s.index.name_offset);
    auto text = [](const std::string& v) { return v.empty() ? std::string("NULL") : quote_text(v); };
    out_->catalog_sql.push_back(
        "INSERT OR REPLACE INTO main.vantro_index_options(owner,index_name,table_name,"
        "locality,compression,prefix_length,degree,visibility,status) VALUES (" +
        key + "," + quote_text(s.table.name) + "," + (st.local ? "'LOCAL'" : "NULL") + "," + text(st.compression) +
        "," + (prefix < 0 ? std::string("NULL") : std::to_string(prefix)) + "," + text(st.degree) + "," +
        text(st.visibility) + ",'VALID')");
    out_->catalog_sql.push_back("DELETE FROM main.vantro_ind_partitions WHERE owner=" + quote_text(owner) +
                                " AND index_name=" + quote_text(s.index.name));
    if (!st.local) return true;
    std::set<std::string> names;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        std::string name =
            i < st.local_partitions.size() && !st.local_partitions[i].empty() ? st.local_partitions[i] : parts[i].first;
        if (!names.insert(name).second) return fail(14012, st.local_offset);
        out_->catalog_sql.push_back(
            "INSERT INTO main.vantro_ind_partitions(owner,index_name,partition_name,partition_position,high_value,"
            "status) VALUES (" +
            key + "," + quote_text(name) + "," + std::to_string(i + 1) + "," + text(parts[i].second) + ",'USABLE')");
    }
    return true;
}

// ALTER INDEX: SQLite's index changes only for RENAME (dropped and created again under the
// new name); the rest is the index's state and options in the catalog.
bool Translator::alter_index(Statement& s) {
    const std::string owner = owner_of(s.index);
    IndexInfo info;
    if (!ctx_.catalog->index_info(owner, s.index.name, &info)) return fail(1418, s.index.offset);
    if (!ctx_.catalog->may_change(owner, info.table, "INDEX", "ALTER ANY INDEX")) return fail(1031, s.index.offset);
    const std::string where = " WHERE owner=" + quote_text(owner) + " AND index_name=" + quote_text(s.index.name);
    out_->catalog_sql.push_back(
        "INSERT OR IGNORE INTO main.vantro_index_options(owner,index_name,table_name,status)"
        " VALUES (" +
        quote_text(owner) + "," + quote_text(s.index.name) + "," + quote_text(info.table) + ",'VALID')");
    std::string sets;
    auto set = [&](const char* column, const std::string& v) {
        if (!v.empty()) sets += std::string(sets.empty() ? "" : ",") + column + "=" + quote_text(v);
    };
    const StorageClause& st = s.storage;
    set("degree", st.degree);
    set("visibility", st.visibility);
    set("compression", st.compression);
    if (s.alter_action == "REBUILD") {
        if (s.name.empty()) {
            // A partitioned index is rebuilt one partition at a time.
            if (info.local) return fail(14086, s.name_offset);
            set("status", "VALID");
        } else {
            if (std::find(info.partitions.begin(), info.partitions.end(), s.name) == info.partitions.end())
                return fail(2149, s.name_offset);
            out_->catalog_sql.push_back("UPDATE main.vantro_ind_partitions SET status='USABLE'" + where +
                                        " AND partition_name=" + quote_text(s.name));
        }
    } else if (s.alter_action == "UNUSABLE") {
        set("status", "UNUSABLE");
        out_->catalog_sql.push_back("UPDATE main.vantro_ind_partitions SET status='UNUSABLE'" + where);
    } else if (s.alter_action == "VISIBLE" || s.alter_action == "INVISIBLE") {
        set("visibility", s.alter_action);
    } else if (s.alter_action == "RENAME") {
        if (ctx_.catalog->object_exists(owner, s.name)) return fail(955, s.name_offset);
        if (reserved_by_sqlite(s.name)) return fail(953, s.name_offset);
        // SQLite keeps the CREATE INDEX as it ran, the schema prefix left out.
        const std::string old_name = quote_name(s.index.name);
        const std::size_t at = info.sql.find(old_name);
        if (info.sql.compare(0, 7, "CREATE ") != 0 || at == std::string::npos) return fail(3001, s.index.offset);
        out_->sql = "DROP INDEX " + quote_name(owner) + "." + old_name + "; " + info.sql.substr(0, at) +
                    quote_name(owner) + "." + quote_name(s.name) + info.sql.substr(at + old_name.size());
        out_->schema_first = true;
        for (const char* table : {"vantro_index_options", "vantro_ind_partitions", "vantro_index_expressions"})
            out_->catalog_sql.push_back(std::string("UPDATE main.") + table + " SET index_name=" + quote_text(s.name) +
                                        where);
        out_->catalog_sql.push_back("UPDATE main.vantro_storage SET object_name=" + quote_text(s.name) +
                                    " WHERE owner=" + quote_text(owner) +
                                    " AND object_kind='INDEX' AND object_name=" + quote_text(s.index.name));
        return true;
    }
    if (!sets.empty()) out_->catalog_sql.push_back("UPDATE main.vantro_index_options SET " + sets + where);
    return true;
}

bool Translator::drop_index(Statement& s) {
    std::string owner = owner_of(s.index);
    if (!ctx_.catalog->index_exists(owner, s.index.name)) return fail(1418, s.index.offset);
    if (!ctx_.catalog->may_change(owner, s.index.name, "", "DROP ANY INDEX")) return fail(1031, s.index.offset);
    out_->sql = "DROP INDEX " + quote_name(owner) + "." + quote_name(s.index.name);
    for (const char* table : {"vantro_index_expressions", "vantro_index_options", "vantro_ind_partitions"})
        out_->catalog_sql.push_back(std::string("DELETE FROM main.") + table + " WHERE owner=" + quote_text(owner) +
                                    " AND index_name=" + quote_text(s.index.name));
    return true;
}

// ANALYZE: the statistics are computed (or removed) by the catalog's vantro_analyze when
// the statement runs, as DDL that commits.
bool Translator::analyze(Statement& s) {
    const Statement::Analyze& a = s.analyze;
    const TableRef& target = a.index ? s.index : s.table;
    const std::string owner = owner_of(target);
    if (a.index) {
        if (!ctx_.catalog->index_exists(owner, target.name)) return fail(1418, target.offset);
    } else {
        std::vector<ColumnInfo> columns;
        if (!ctx_.catalog->table_columns(owner, target.name, &columns) ||
            (ctx_.catalog->view_restriction(owner, target.name) != 0 &&
             ctx_.catalog->view_restriction(owner, target.name) != 'M'))
            return fail(942, target.offset);
    }
    if (!ctx_.catalog->may_change(owner, target.name, "", "ANALYZE ANY")) return fail(1031, target.offset);
    out_->sql.clear();
    out_->owner = owner;
    out_->table = a.index ? std::string() : target.name;
    out_->catalog_sql.push_back("SELECT vantro_analyze(" + quote_text(owner) + "," + quote_text(target.name) + "," +
                                (a.index ? "'INDEX'" : "'TABLE'") + "," + (a.remove ? "1" : "0") + "," +
                                (a.indexes ? "1" : "0") + ")");
    return true;
}
