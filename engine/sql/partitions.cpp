// CREATE TABLE ... PARTITION BY: the table stays one SQLite table. The partitions are
// recorded for the dictionary (USER_PART_TABLES, USER_TAB_PARTITIONS,
// USER_PART_KEY_COLUMNS), and a row whose key falls in no partition is refused with
// ORA-14400 by two triggers on the table. This module does not touch rows itself.
#include "sql/sql_translate.h"

#include "catalog/constraint_ddl.h"
#include "values/errors.h"
#include "sql/sql_text.h"
#include "sql/sql_translator.h"

#include <algorithm>

#include <set>

namespace {

std::string number_or_null(long long v) {
    return v < 0 ? std::string("NULL") : std::to_string(v);
}

std::string text_or_null(const std::string& v) {
    return v.empty() ? std::string("NULL") : quote_text(v);
}

}  // namespace

// Checks the key and the bounds, and writes the catalog rows and the triggers that keep
// every row inside a partition (none for HASH or INTERVAL, where every key has one).
bool Translator::partitioned_table(const std::string& owner, Statement& s, const Scope& scope,
                                   std::vector<std::string>* enforcement) {
    Partitioning& p = s.partitioning;
    const std::string table = s.table.name;
    auto column_known = [&](const std::string& name) {
        for (const ColumnDef& c : s.column_defs)
            if (c.name == name) return true;
        return false;
    };
    for (std::size_t i = 0; i < p.columns.size(); ++i)
        if (!column_known(p.columns[i])) return fail(904, p.column_offsets[i], "\"" + p.columns[i] + "\"");
    for (const std::string& c : p.sub_columns)
        if (!column_known(c)) return fail(904, p.offset, "\"" + c + "\"");
    if (p.method == "LIST" && p.columns.size() != 1) return fail(3001, p.column_offsets[1]);
    std::set<std::string> names;
    int position = 0;
    for (PartitionDef& d : p.partitions) {
        ++position;
        if (d.name.empty()) d.name = "SYS_P" + std::to_string(position);
        // ORA-14012: a partition name is used once in its table.
        if (!names.insert(d.name).second) return fail(14012, d.offset);
        if (p.method == "RANGE" && d.values.size() != p.columns.size())
            return fail(d.values.size() > p.columns.size() ? 14017 : 14018, d.values_offset);
    }
    // One condition that holds when the row (its columns under their own names) falls in
    // some partition.
    auto compare = [&](const std::string& col, const char* op, ExprPtr& bound, std::string* out) {
        Expr cmp;
        cmp.kind = ExprKind::Compare;
        cmp.text = op;
        cmp.args.push_back(std::make_unique<Expr>());
        cmp.args[0]->kind = ExprKind::Column;
        cmp.args[0]->path = {col};
        cmp.args.push_back(std::move(bound));
        Emitted e;
        const bool ok = expr(cmp, scope, &e);
        bound = std::move(cmp.args[1]);
        *out = "coalesce(" + e.sql + ",0)";
        return ok;
    };
    std::string fits;
    if (p.method == "RANGE" && !p.interval && !p.partitions.empty()) {
        // Below the last bound, compared column by column: a key is below when a column is
        // lower, or equal with the rest below; MAXVALUE is above every value, NULL too.
        PartitionDef& last = p.partitions.back();
        std::string below = "0";
        for (std::size_t i = p.columns.size(); i-- > 0;) {
            if (!last.values[i]) {
                below = "1";
                continue;
            }
            std::string lt, eq;
            if (!compare(p.columns[i], "<", last.values[i], &lt) || !compare(p.columns[i], "=", last.values[i], &eq))
                return false;
            below = "(" + lt + " OR (" + eq + " AND " + below + "))";
        }
        if (below != "1") fits = below;
    } else if (p.method == "LIST") {
        bool any_default = false, null_listed = false;
        std::vector<std::string> tests;
        for (PartitionDef& d : p.partitions) {
            any_default = any_default || d.is_default;
            for (ExprPtr& v : d.values) {
                if (v->kind == ExprKind::Null) {
                    null_listed = true;
                    continue;
                }
                std::string eq;
                if (!compare(p.columns[0], "=", v, &eq)) return false;
                tests.push_back(eq);
            }
        }
        if (!any_default) {
            if (null_listed) tests.push_back(quote_name(p.columns[0]) + " IS NULL");
            if (tests.empty()) tests.push_back("0");
            for (const std::string& t : tests) fits += (fits.empty() ? "" : " OR ") + t;
        }
    }
    if (!fits.empty()) {
        std::string row = "SELECT ";
        for (std::size_t i = 0; i < s.column_defs.size(); ++i)
            row +=
                (i ? ",NEW." : "NEW.") + quote_name(s.column_defs[i].name) + " AS " + quote_name(s.column_defs[i].name);
        const std::string raise = constraint_raise_sql(14400, ora_message(14400));
        for (const char* event : {"INSERT", "UPDATE"})
            enforcement->push_back(
                "CREATE TRIGGER " + quote_name(owner) + "." + quote_name("VANTRO$PT" + table + event) + " BEFORE " +
                event + " ON " + quote_name(table) + " FOR EACH ROW WHEN NOT EXISTS (SELECT 1 FROM (" + row + ") AS " +
                quote_name(table) + " WHERE " + fits + ") BEGIN SELECT RAISE(ABORT," + raise + "); END");
    }
    const std::string key = quote_text(owner) + "," + quote_text(table);
    std::string interval;
    if (p.interval) interval = text_.substr(p.interval->offset, p.interval->end - p.interval->offset);
    out_->catalog_sql.push_back(
        "INSERT OR REPLACE INTO main.vantro_part_tables(owner,table_name,partitioning_type,subpartitioning_type,"
        "partition_count,def_subpartition_count,partitioning_key_count,subpartitioning_key_count,interval) VALUES (" +
        key + "," + quote_text(p.method) + "," + quote_text(p.sub_method.empty() ? "NONE" : p.sub_method) + "," +
        std::to_string(p.partitions.size()) + "," +
        std::to_string(p.sub_method.empty() ? 0 : std::max(1, p.sub_count)) + "," + std::to_string(p.columns.size()) +
        "," + std::to_string(p.sub_columns.size()) + "," + text_or_null(interval) + ")");
    for (std::size_t i = 0; i < p.columns.size(); ++i)
        out_->catalog_sql.push_back(
            "INSERT INTO main.vantro_part_key_columns(owner,table_name,column_name,column_position) VALUES (" + key +
            "," + quote_text(p.columns[i]) + "," + std::to_string(i + 1) + ")");
    position = 0;
    for (const PartitionDef& d : p.partitions) {
        std::string high;
        if (d.is_default)
            high = "DEFAULT";
        else if (d.values_end > d.values_offset)
            high = text_.substr(d.values_offset, d.values_end - d.values_offset);
        while (!high.empty() && (high.back() == ' ' || high.back() == '\n' || high.back() == '\t')) high.pop_back();
        out_->catalog_sql.push_back(
            "INSERT INTO main.vantro_tab_partitions(owner,table_name,partition_name,partition_position,high_value,"
            "subpartition_count,tablespace_name,pct_free,logging) VALUES (" +
            key + "," + quote_text(d.name) + "," + std::to_string(++position) + "," + text_or_null(high) + "," +
            std::to_string(d.subpartitions) + "," +
            text_or_null(d.storage.tablespace.empty() ? s.storage.tablespace : d.storage.tablespace) + "," +
            number_or_null(d.storage.pct_free >= 0 ? d.storage.pct_free : s.storage.pct_free) + "," +
            text_or_null(d.storage.logging.empty() ? s.storage.logging : d.storage.logging) + ")");
    }
    return true;
}
