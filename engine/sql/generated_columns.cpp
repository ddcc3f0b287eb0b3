// Columns whose values the engine supplies: identity columns (GENERATED ... AS IDENTITY,
// numbered by a sequence ISEQ$$_<object id of the table>), columns with DEFAULT ON NULL
// and defaults added to a table that has rows, and virtual columns (SQLite computes them
// as generated columns). Their DDL is checked and recorded here; INSERT gives the values
// the statement leaves out or sets to NULL, and INSERT and UPDATE refuse values for the
// columns no value may be given.
#include "sql/sql_translate.h"

#include "values/errors.h"
#include "sql/sql_translator.h"
#include "values/values.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

// Oracle's default MAXVALUE of an ascending identity sequence (28 nines).
const char* const kIdentityMaxValue = "9999999999999999999999999999";
const char* const kIdentityMinDescending = "-999999999999999999999999999";

// An integer option as typed; false when it is not one. Values beyond 64 bits stay as
// text and count as no bound.
bool option_value(const std::string& text, long long* value) {
    std::size_t i = text[0] == '-' ? 1 : 0;
    if (i >= text.size()) return false;
    for (std::size_t k = i; k < text.size(); ++k)
        if (!std::isdigit(static_cast<unsigned char>(text[k]))) return false;
    errno = 0;
    *value = std::strtoll(text.c_str(), nullptr, 10);
    return true;
}

std::string quoted(const std::string& owner, const std::string& table) {
    return quote_name(owner) + "." + quote_name(table);
}

// The SQL text of the identity sequence's name: ISEQ$$_ and the table's object id.
std::string sequence_name_sql(const std::string& owner, const std::string& table) {
    return "('ISEQ$$_'||(SELECT object_id FROM main.vantro_objects WHERE owner=" + quote_text(owner) +
           " AND object_name=" + quote_text(table) + " AND object_type='TABLE'))";
}

const char* declared_type_name(const OraType& t) {
    switch (t.code) {
    case kTypeNumber:
        return "NUMBER";
    case kTypeDate:
        return "DATE";
    case kTypeTimestamp:
        return "TIMESTAMP";
    case kTypeChar:
        return t.national ? "NCHAR" : "CHAR";
    case kTypeRaw:
        return "RAW";
    case kTypeClob:
        return t.national ? "NCLOB" : "CLOB";
    case kTypeBlob:
        return "BLOB";
    default:
        return t.national ? "NVARCHAR2" : "VARCHAR2";
    }
}

}  // namespace

bool Translator::generated_check(ColumnDef& c, int* identities) {
    if (!c.identity.empty()) {
        if (c.type.code != kTypeNumber) return fail(30675, c.identity_offset);
        if (++*identities > 1) return fail(30669, c.identity_offset);
        if (c.default_value) return fail(30674, c.default_value->offset);
        c.not_null = true;
    } else if (c.virtual_expr) {
        if (c.default_value) return fail(907, c.default_value->offset);
    } else if (c.default_on_null) {
        c.not_null = true;
    }
    return true;
}

bool Translator::virtual_sql(ColumnDef& c, const Scope& scope, std::string* sql) {
    Emitted e;
    if (!expr(*c.virtual_expr, scope, &e)) return false;
    if (e.aggregate) return fail(934, c.virtual_expr->offset);
    if (!c.has_type) {
        c.type = e.type;
        c.type.nullable = true;
        if ((c.type.code == kTypeVarchar2 || c.type.code == kTypeChar) && c.type.size == 0) c.type.size = 4000;
        if (c.type.code == kTypeRaw && c.type.size == 0) c.type.size = 2000;
        c.type_name = declared_type_name(c.type);
    }
    ColumnInfo target{c.name, c.type};
    std::string stored;
    if (!store_value(e, target, "", "", &stored, c.virtual_expr->offset)) return false;
    *sql = " AS (" + stored + ") VIRTUAL";
    virtual_exprs_[c.name] = stored;
    return true;
}

bool Translator::identity_catalog(const std::string& owner, const std::string& table, const ColumnDef& c,
                                  bool has_rows) {
    const IdentityOptions& o = c.identity_options;
    // The table's highest number exists only for a column that is already an identity.
    if (o.start_limit) return fail(1722, o.start_offset);
    long long inc = 1, cache = 20;
    if (!o.increment.empty() && !option_value(o.increment, &inc)) return fail(1722, c.identity_offset);
    if (inc == 0) return fail(4002, c.identity_offset);
    const bool ascending = inc > 0;
    // A bound beyond 64 bits (the defaults among them) is kept as typed and acts as none.
    std::string min_text = ascending ? "1" : kIdentityMinDescending;
    std::string max_text = ascending ? kIdentityMaxValue : "-1";
    long long minv = ascending ? 1 : LLONG_MIN, maxv = ascending ? LLONG_MAX : -1;
    if (!o.min_value.empty()) {
        if (!option_value(o.min_value, &minv)) return fail(1722, c.identity_offset);
        min_text = o.min_value;
    }
    if (!o.max_value.empty()) {
        if (!option_value(o.max_value, &maxv)) return fail(1722, c.identity_offset);
        max_text = o.max_value;
    }
    if (minv >= maxv) return fail(4004, c.identity_offset);
    long long start = ascending ? minv : maxv;
    std::string start_text = ascending ? min_text : max_text;
    if (!o.start.empty()) {
        if (!option_value(o.start, &start) || errno == ERANGE) return fail(1722, c.identity_offset);
        if (start < minv) return fail(4006, c.identity_offset);
        if (start > maxv) return fail(4008, c.identity_offset);
        start_text = o.start;
    }
    if (o.no_cache)
        cache = 0;
    else if (!o.cache.empty() && (!option_value(o.cache, &cache) || cache < 2))
        return fail(4010, c.identity_offset);
    const std::string seq = sequence_name_sql(owner, table);
    const std::string cycle = o.cycle ? "'Y'" : "'N'", order = o.order ? "'Y'" : "'N'";
    std::vector<std::string>& out = out_->catalog_sql;
    // The table takes its object id now, so that the sequence can be named after it.
    out.push_back(
        "INSERT OR IGNORE INTO main.vantro_objects(owner,object_name,object_type,created,last_ddl_time) VALUES (" +
        quote_text(owner) + "," + quote_text(table) +
        ",'TABLE',datetime('now','localtime'),datetime('now','localtime'))");
    out.push_back(
        "INSERT INTO main.vantro_sequences(sequence_owner,sequence_name,min_value,max_value,increment_by,cycle_flag,"
        "order_flag,cache_size,last_number,next_value) VALUES (" +
        quote_text(owner) + "," + seq + "," + quote_text(min_text) + "," + quote_text(max_text) + "," +
        std::to_string(inc) + "," + cycle + "," + order + "," + std::to_string(cache) + "," + quote_text(start_text) +
        "," + std::to_string(start) + ")");
    std::string options = "START WITH: " + start_text + ", INCREMENT BY: " + std::to_string(inc) +
                          ", MAX_VALUE: " + max_text + ", MIN_VALUE: " + min_text +
                          ", CYCLE_FLAG: " + (o.cycle ? "Y" : "N") + ", CACHE_SIZE: " + std::to_string(cache) +
                          ", ORDER_FLAG: " + (o.order ? "Y" : "N");
    out.push_back(
        "INSERT OR REPLACE INTO main.vantro_generated_columns(owner,table_name,column_name,kind,generation,on_null,"
        "sequence_name,fill_sql,identity_options) VALUES (" +
        quote_text(owner) + "," + quote_text(table) + "," + quote_text(c.name) + ",'I'," + quote_text(c.identity) +
        "," + (c.default_on_null ? "1" : "0") + "," + seq + ",'vantro_sequence('||quote(" + quote_text(owner) +
        ")||','||quote(" + seq + ")||',1)'," + quote_text(options) + ")");
    out.push_back(
        "INSERT OR REPLACE INTO main.vantro_column_defaults(owner,table_name,column_name,data_default) VALUES (" +
        quote_text(owner) + "," + quote_text(table) + "," + quote_text(c.name) + ",'\"" + owner + "\".\"'||" + seq +
        "||'\".nextval')");
    if (!has_rows) return true;
    // The rows the table already has are numbered in their order, and the sequence goes
    // on after them.
    const std::string target = quoted(owner, table);
    out.push_back("UPDATE " + target + " AS vantro_t SET " + quote_name(c.name) + "=" + std::to_string(start) + "+" +
                  std::to_string(inc) +
                  "*(vantro_n.n-1) FROM (SELECT rowid AS r,row_number() OVER (ORDER BY rowid)"
                  " AS n FROM " +
                  target + ") AS vantro_n WHERE vantro_t.rowid=vantro_n.r");
    out.push_back("UPDATE main.vantro_sequences SET next_value=next_value+increment_by*(SELECT count(*) FROM " +
                  target + "),last_number=CAST(next_value+increment_by*(SELECT count(*) FROM " + target +
                  ") AS TEXT) WHERE sequence_owner=" + quote_text(owner) + " AND sequence_name=" + seq);
    return true;
}

void Translator::generated_catalog(const std::string& owner, const std::string& table, const ColumnDef& c,
                                   const std::string& fill_sql) {
    std::string row =
        "INSERT OR REPLACE INTO main.vantro_generated_columns(owner,table_name,column_name,kind,"
        "generation,on_null,fill_sql) VALUES (" +
        quote_text(owner) + "," + quote_text(table) + "," + quote_text(c.name) + ",";
    if (c.virtual_expr) {
        // The expression as SQLite computes it: what DROP COLUMN looks for.
        out_->catalog_sql.push_back(row + "'V','ALWAYS',0," + quote_text(virtual_exprs_[c.name]) + ")");
        const Expr& e = *c.virtual_expr;
        std::string text = e.end > e.offset && e.end <= text_.size() ? text_.substr(e.offset, e.end - e.offset) : "";
        out_->catalog_sql.push_back(
            "INSERT OR REPLACE INTO main.vantro_column_defaults(owner,table_name,column_name,data_default) VALUES (" +
            quote_text(owner) + "," + quote_text(table) + "," + quote_text(c.name) + "," + quote_text(text) + ")");
        return;
    }
    out_->catalog_sql.push_back(row + "'D',NULL," + (c.default_on_null ? "1" : "0") + "," + quote_text(fill_sql) + ")");
}

void Translator::generated_drop(const std::string& owner, const std::string& table, const std::string& column) {
    std::string where = " WHERE owner=" + quote_text(owner) + " AND table_name=" + quote_text(table) +
                        (column.empty() ? "" : " AND column_name=" + quote_text(column));
    out_->catalog_sql.push_back("DELETE FROM main.vantro_sequences WHERE sequence_owner=" + quote_text(owner) +
                                " AND sequence_name IN (SELECT sequence_name FROM main.vantro_generated_columns" +
                                where + ")");
    out_->catalog_sql.push_back("DELETE FROM main.vantro_generated_columns" + where);
}

bool Translator::insert_generated(const std::string& owner, const std::string& table,
                                  const std::vector<ColumnInfo>& targets, const std::vector<std::uint32_t>& offsets,
                                  InsertFill* f) {
    std::vector<GeneratedColumn> generated;
    ctx_.catalog->generated_columns(owner, table, &generated);
    f->coalesce.assign(targets.size(), std::string());
    f->fill.assign(targets.size(), std::string());
    for (const GeneratedColumn& g : generated) {
        bool named = false;
        for (std::size_t i = 0; i < targets.size(); ++i) {
            if (targets[i].name != g.name) continue;
            named = true;
            if (g.kind != 'V') f->fill[i] = g.fill_sql;
            if (f->defaulted(i)) continue;
            if (g.kind == 'V') return fail(54013, offsets[i]);
            if (g.kind == 'I' && g.always) return fail(32795, offsets[i]);
            if (g.on_null) f->coalesce[i] = g.fill_sql;
        }
        if (!named && g.kind != 'V' && !g.fill_sql.empty()) f->added.push_back({g.name, g.fill_sql});
    }
    return true;
}

bool Translator::update_generated(const std::string& owner, const std::string& table, const std::string& column,
                                  std::uint32_t offset) {
    if (generated_cache_owner_ != owner + "." + table) {
        ctx_.catalog->generated_columns(owner, table, &generated_cache_);
        generated_cache_owner_ = owner + "." + table;
    }
    for (const GeneratedColumn& g : generated_cache_) {
        if (g.name != column) continue;
        if (g.kind == 'V') return fail(54017, offset);
        if (g.kind == 'I' && g.always) return fail(32796, offset);
    }
    return true;
}

// The value SET column = DEFAULT gives: an identity column's next number, a DEFAULT ON
// NULL value, the column's DEFAULT, else NULL. Asked after update_generated.
std::string Translator::column_default(const std::string& owner, const std::string& table, const std::string& column) {
    for (const GeneratedColumn& g : generated_cache_)
        if (g.name == column && !g.fill_sql.empty()) return g.fill_sql;
    std::string sql = ctx_.catalog->column_default(owner, table, column);
    return sql.empty() ? "NULL" : "(" + sql + ")";
}

bool Translator::generated_record(const std::string& owner, const std::string& table, const ColumnDef& c, bool adding) {
    if (!c.identity.empty()) return identity_catalog(owner, table, c, adding);
    if (c.virtual_expr) {
        generated_catalog(owner, table, c, "");
        return true;
    }
    if (!c.default_on_null && !(adding && c.default_value)) return true;
    std::string stored;
    if (!default_sql(c, &stored)) return false;
    if (stored.empty()) return true;
    generated_catalog(owner, table, c, stored);
    // The rows the table has take the default, as in Oracle.
    if (adding) out_->sql += "; UPDATE " + quoted(owner, table) + " SET " + quote_name(c.name) + "=" + stored;
    return true;
}

// ALTER TABLE ... MODIFY column DEFAULT [ON NULL] expr: SQLite cannot change a column's
// default, so the engine's insert path gives it from now on. ON NULL needs the column to
// be NOT NULL already (making it so is ALTER TABLE ... MODIFY column NOT NULL).
bool Translator::modify_default(const std::string& owner, const std::string& table, const std::vector<ColumnInfo>& cols,
                                ColumnDef& c) {
    const ColumnInfo* column = nullptr;
    for (const ColumnInfo& x : cols)
        if (x.name == c.name) column = &x;
    if (!column) return fail(904, c.offset, "\"" + c.name + "\"");
    std::vector<GeneratedColumn> generated;
    ctx_.catalog->generated_columns(owner, table, &generated);
    for (const GeneratedColumn& g : generated)
        if (g.name == c.name && g.kind != 'D') return fail(3001, c.offset);
    if (c.default_on_null && column->type.nullable) return fail(3001, c.default_value->offset);
    c.type = column->type;
    std::string stored;
    if (!default_sql(c, &stored)) return false;
    const std::string key = quote_text(owner) + "," + quote_text(table) + "," + quote_text(c.name);
    const std::string where = " WHERE owner=" + quote_text(owner) + " AND table_name=" + quote_text(table) +
                              " AND column_name=" + quote_text(c.name);
    out_->sql = "SELECT 1";
    out_->catalog_sql.push_back("DELETE FROM main.vantro_generated_columns" + where);
    out_->catalog_sql.push_back("DELETE FROM main.vantro_column_defaults" + where);
    const Expr& e = *c.default_value;
    // DEFAULT NULL: the engine gives NULL, whatever default SQLite keeps for the column.
    if (stored.empty()) {
        generated_catalog(owner, table, c, "NULL");
        return true;
    }
    std::string typed = e.end > e.offset && e.end <= text_.size() ? text_.substr(e.offset, e.end - e.offset) : "";
    out_->catalog_sql.push_back(
        "INSERT INTO main.vantro_column_defaults(owner,table_name,column_name,data_default) VALUES (" + key + "," +
        quote_text(typed) + ")");
    generated_catalog(owner, table, c, stored);
    return true;
}
