// ALTER TABLE partition maintenance: TRUNCATE, DROP, ADD, RENAME, SPLIT, MERGE, EXCHANGE,
// MOVE, MODIFY and (HASH) COALESCE PARTITION. Rows stay in the table's one SQLite table:
// a partition's rows are deleted or moved through its key condition, the catalog's
// partitions and the LOCAL indexes' partitions are written as the statement leaves them,
// and the triggers that refuse a key outside every partition (ORA-14400) follow the new
// bounds. The checks that need the bound values (ORA-14074, ORA-14080, ORA-14312,
// ORA-14313, ORA-14099) run inside the statement, before anything is changed; DDL commits.
#include "sql/partition_key.h"

#include "catalog/constraint_ddl.h"
#include "values/errors.h"

#include <algorithm>

namespace {

std::string raise_sql(int code, const std::string& a = {}, const std::string& b = {}) {
    return "vantro_raise(" + quote_text(ora_line(code, a, b)) + ")";
}

std::string literal_or_null(const std::string& v) {
    return v.empty() ? std::string("NULL") : quote_text(v);
}

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\n' || s.back() == '\t' || s.back() == '\r')) s.pop_back();
    return s;
}

// One partition of the table as the statement leaves it.
struct NewPart {
    std::string name, high;
    int from = -1;  // its index among the partitions before; -1 for one the statement makes
    StorageClause storage;
    int subpartitions = 0;
};

// A value's tokens, so that '1998' and  '1998'  or null and NULL compare equal.
std::string normalized(const std::string& text) {
    std::vector<Token> tokens;
    OraError err;
    if (!sql_tokenize(text, &tokens, &err)) return text;
    std::string out;
    for (const Token& t : tokens) out += std::to_string(static_cast<int>(t.kind)) + ":" + t.text + "\x1f";
    return out;
}

// The statement that refuses the change when another table's foreign key references
// owner.table (its references to itself do not count), as TRUNCATE TABLE does.
std::string referenced_check(const std::string& owner, const std::string& table) {
    const std::string name = quote_text(table);
    return "SELECT " + raise_sql(2266) + " FROM " + quote_name(owner) +
           ".sqlite_master m, pragma_foreign_key_list(m.name," + quote_text(owner) +
           ") f WHERE m.type='table' AND m.name<>" + name + " AND f.\"table\"=" + name + " LIMIT 1";
}

}  // namespace

bool Translator::partition_key_row(PartitionKey& key, std::vector<ExprPtr>& values, int code, std::uint32_t at,
                                   std::string* sql) {
    sql->clear();
    Scope empty;
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (!values[k]) return fail(code, at);
        Emitted v;
        std::string stored = "NULL";
        if (!expr(*values[k], empty, &v)) return false;
        if (values[k]->kind != ExprKind::Null &&
            !store_value(v, key.key_columns[k], key.owner, key.table, &stored, values[k]->offset))
            return false;
        *sql += (k ? "," : "") + stored + " AS " + quote_name(key.tp.keys[k]);
    }
    return true;
}

bool Translator::partition_below_check(PartitionKey& key, const std::string& row, std::vector<ExprPtr>& bound, int code,
                                       const std::string& a, std::string* sql) {
    PartitionKey one;
    one.owner = key.owner;
    one.table = key.table;
    one.at = key.at;
    one.tp.method = "RANGE";
    one.tp.keys = key.tp.keys;
    one.tp.partitions.emplace_back();
    one.key_columns = key.key_columns;
    one.scope = key.scope;
    one.is_default.push_back(false);
    one.bounds.emplace_back();
    for (ExprPtr& b : bound) one.bounds[0].push_back(std::move(b));
    std::string below;
    const bool ok = partition_rows_sql(one, 0, &below);
    for (std::size_t k = 0; k < bound.size(); ++k) bound[k] = std::move(one.bounds[0][k]);
    if (!ok) return false;
    *sql =
        "SELECT " + raise_sql(code, a) + " WHERE NOT EXISTS (SELECT 1 FROM (SELECT " + row + ") WHERE " + below + ")";
    return true;
}

// EXCHANGE PARTITION p WITH TABLE t2: the partition's rows and t2's trade places, t2's
// checked against the partition's bounds unless WITHOUT VALIDATION. The columns must
// agree by position in number (ORA-14096) and type (ORA-14097); names may differ.
bool Translator::partition_exchange(Statement& s, PartitionKey& key, std::size_t p, const std::vector<ColumnInfo>& cols,
                                    std::vector<std::string>* statements) {
    Statement::PartitionChange& c = s.partition_change;
    const std::string owner2 = owner_of(c.exchange);
    std::vector<ColumnInfo> cols2;
    std::string view;
    if (!ctx_.catalog->table_columns(owner2, c.exchange.name, &cols2) ||
        ctx_.catalog->view_text(owner2, c.exchange.name, &view))
        return fail(942, c.exchange.offset);
    if (!ctx_.catalog->may_change(owner2, c.exchange.name, "ALTER", "ALTER ANY TABLE"))
        return fail(1031, c.exchange.offset);
    TablePartitions other;
    if (ctx_.catalog->table_partitions(owner2, c.exchange.name, &other)) return fail(14095, c.exchange.offset);
    std::string rows2;
    int temporary = 0;
    if (ctx_.catalog->temporary_rows(owner2, c.exchange.name, &rows2, &temporary))
        return fail(14095, c.exchange.offset);
    if (cols2.size() != cols.size()) return fail(14096, c.exchange.offset);
    for (std::size_t i = 0; i < cols.size(); ++i) {
        const OraType &a = cols[i].type, &b = cols2[i].type;
        if (a.code != b.code || a.size != b.size || a.precision != b.precision || a.scale != b.scale ||
            a.national != b.national || cols[i].object_type != cols2[i].object_type)
            return fail(14097, c.exchange.offset);
    }
    std::string rows;
    if (!partition_rows_sql(key, p, &rows)) return false;
    const std::string t1 = quote_name(key.owner) + "." + quote_name(key.table);
    const std::string t2 = quote_name(owner2) + "." + quote_name(c.exchange.name);
    std::string list1, list2, as_t1;
    for (std::size_t i = 0; i < cols.size(); ++i) {
        list1 += (i ? "," : "") + quote_name(cols[i].name);
        list2 += (i ? "," : "") + quote_name(cols2[i].name);
        as_t1 += (i ? "," : "") + quote_name(cols2[i].name) + " AS " + quote_name(cols[i].name);
    }
    // ORA-14099: a row of t2 whose key falls outside the partition.
    if (!c.without_validation)
        statements->push_back("SELECT " + raise_sql(14099) + " FROM (SELECT " + as_t1 + " FROM " + t2 + ") WHERE NOT " +
                              rows + " LIMIT 1");
    statements->push_back(referenced_check(key.owner, key.table));
    statements->push_back(referenced_check(owner2, c.exchange.name));
    const std::string swap = "temp.\"vantro$exchange\"";
    statements->push_back("DROP TABLE IF EXISTS " + swap);
    statements->push_back("CREATE TABLE " + swap + " AS SELECT " + list1 + " FROM " + t1 + " WHERE " + rows);
    statements->push_back("DELETE FROM " + t1 + " WHERE " + rows);
    statements->push_back("INSERT INTO " + t1 + " (" + list1 + ") SELECT " + list2 + " FROM " + t2);
    statements->push_back("DELETE FROM " + t2);
    statements->push_back("INSERT INTO " + t2 + " (" + list2 + ") SELECT " + list1 + " FROM " + swap);
    statements->push_back("DROP TABLE " + swap);
    return true;
}

bool Translator::alter_partition(Statement& s, const std::string& owner, const std::vector<ColumnInfo>& cols) {
    Statement::PartitionChange& c = s.partition_change;
    const std::string& table = s.table.name;
    PartitionKey key;
    if (!partition_key(owner, table, cols, s.table.offset, &key)) return false;
    const auto& parts = key.tp.partitions;
    const bool hash = key.tp.method == "HASH";
    std::vector<std::size_t> named;
    for (std::size_t i = 0; i < c.names.size(); ++i) {
        const std::size_t at = key.find(c.names[i]);
        if (at == parts.size()) return fail(2149, c.name_offsets[i]);
        named.push_back(at);
    }
    std::vector<NewPart> next;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        next.emplace_back();
        next.back().name = parts[i].first;
        next.back().high = parts[i].second;
        next.back().from = static_cast<int>(i);
    }
    // A name no partition has once the statement is done (system names, SYS_Pn).
    auto unused_name = [&]() {
        for (int n = static_cast<int>(parts.size()) + 1;; ++n) {
            const std::string name = "SYS_P" + std::to_string(n);
            bool used = false;
            for (const NewPart& x : next) used = used || x.name == name;
            if (!used) return name;
        }
    };
    // ORA-14012: a partition the statement makes takes a name no other partition keeps.
    auto name_free = [&](const std::string& name, std::uint32_t at) {
        for (const NewPart& x : next)
            if (x.name == name) return fail(14012, at);
        return true;
    };
    const std::string target = quote_name(owner) + "." + quote_name(table);
    std::vector<std::string> statements;
    auto delete_rows = [&]() {
        std::string any;
        for (std::size_t i : named) {
            std::string rows;
            if (!partition_rows_sql(key, i, &rows)) return false;
            any += (any.empty() ? "(" : " OR (") + rows + ")";
        }
        statements.push_back(referenced_check(owner, table));
        statements.push_back("DELETE FROM " + target + " WHERE " + any);
        return true;
    };
    bool catalog_changes = true, bounds_change = false;
    const std::string& action = c.action;
    if (action == "TRUNCATE") {
        if (!delete_rows()) return false;
        catalog_changes = false;
    } else if (action == "MOVE" || action == "MODIFY") {
        // Storage only, which the one table does not keep per partition.
        catalog_changes = false;
    } else if (action == "DROP") {
        if (hash) return fail(14255, c.offset);
        std::vector<bool> gone(parts.size(), false);
        for (std::size_t i : named) gone[i] = true;
        if (std::find(gone.begin(), gone.end(), false) == gone.end()) return fail(14083, c.name_offsets.back());
        if (!delete_rows()) return false;
        next.erase(std::remove_if(next.begin(), next.end(), [&](const NewPart& x) { return gone[x.from]; }),
                   next.end());
        bounds_change = true;
    } else if (action == "COALESCE") {
        // HASH only: the last partition's rows join the bucket the hash rule now gives them.
        if (!hash) return fail(14259, c.offset);
        if (parts.size() == 1) return fail(14083, c.offset);
        next.pop_back();
    } else if (action == "RENAME") {
        for (const NewPart& x : next)
            if (x.name == c.new_name) return fail(14082, c.new_name_offset);
        next[named[0]].name = c.new_name;
    } else if (action == "ADD") {
        if (key.tp.interval) return fail(14760, c.offset);
        for (PartitionDef& d : c.partitions) {
            if (d.name.empty()) d.name = unused_name();
            if (!name_free(d.name, d.offset)) return false;
            const bool has_bounds = d.values_end > d.values_offset || d.is_default;
            if (hash && has_bounds) return fail(933, d.values_offset);
            if (!hash && !has_bounds) return fail(905, d.offset);
            if (key.tp.method == "RANGE") {
                if (d.values.size() != key.tp.keys.size())
                    return fail(d.values.size() > key.tp.keys.size() ? 14017 : 14018, d.values_offset);
                // ORA-14074: above the last partition's bound (MAXVALUE has none above it).
                std::string row, check;
                if (!partition_key_row(key, key.bounds.back(), 14074, d.values_offset, &row) ||
                    !partition_below_check(key, row, d.values, 14074, "", &check))
                    return false;
                statements.push_back(check);
            } else if (key.tp.method == "LIST") {
                // ORA-14312: a value is listed by one partition only; none is added beside DEFAULT.
                for (std::size_t j = 0; j < next.size(); ++j)
                    if (j < key.is_default.size() && key.is_default[j]) return fail(14323, d.offset);
                for (ExprPtr& v : d.values) {
                    std::vector<ExprPtr> one;
                    one.push_back(std::move(v));
                    std::string row;
                    const bool ok = partition_key_row(key, one, 3001, d.offset, &row);
                    v = std::move(one[0]);
                    if (!ok) return false;
                    const std::string written = text_.substr(v->offset, v->end - v->offset);
                    for (std::size_t j = 0; j < parts.size(); ++j) {
                        std::string rows;
                        if (!partition_rows_sql(key, j, &rows)) return false;
                        statements.push_back("SELECT " + raise_sql(14312, written, parts[j].first) + " FROM (SELECT " +
                                             row + ") WHERE " + rows);
                    }
                }
            }
            NewPart n;
            n.name = d.name;
            n.high = d.is_default ? std::string("DEFAULT")
                                  : trimmed(text_.substr(d.values_offset, d.values_end - d.values_offset));
            if (hash) n.high.clear();
            n.storage = d.storage;
            n.subpartitions = d.subpartitions;
            next.push_back(std::move(n));
            // A later partition of the same statement is checked against this one.
            key.tp.partitions.emplace_back(next.back().name, next.back().high);
            key.bounds.emplace_back();
            bool is_default = false;
            if (!hash && !parse_stored_bounds(next.back().high, s.table.offset, &key.bounds.back(), &is_default))
                return fail(3001, d.offset);
            key.is_default.push_back(is_default);
        }
        bounds_change = true;
    } else if (action == "SPLIT") {
        if (hash) return fail(14255, c.offset);
        const std::size_t p = named[0];
        next[p].name.clear();  // the split partition's name may be taken again
        for (PartitionDef& d : c.partitions) {
            if (d.name.empty()) d.name = unused_name();
            if (!name_free(d.name, d.offset)) return false;
            next[p].name = d.name;  // holds the first name while the second is chosen
        }
        const std::string split_text = trimmed(text_.substr(c.split_offset, c.split_end - c.split_offset));
        NewPart lower, upper;
        lower.name = c.partitions[0].name;
        lower.storage = c.partitions[0].storage;
        upper.name = c.partitions[1].name;
        upper.storage = c.partitions[1].storage;
        if (key.tp.method == "RANGE") {
            if (c.split_list) return fail(14080, c.split_offset);
            if (c.split_values.size() != key.tp.keys.size())
                return fail(c.split_values.size() > key.tp.keys.size() ? 14017 : 14018, c.split_offset);
            // ORA-14080: the bound lies strictly between the partition's lower and upper bounds.
            std::string row, check;
            if (!partition_key_row(key, c.split_values, 14080, c.split_offset, &row) ||
                !partition_below_check(key, row, key.bounds[p], 14080, "", &check))
                return false;
            statements.push_back(check);
            if (p > 0) {
                if (!partition_key_row(key, key.bounds[p - 1], 14080, c.split_offset, &row) ||
                    !partition_below_check(key, row, c.split_values, 14080, "", &check))
                    return false;
                statements.push_back(check);
            }
            lower.high = split_text;
            upper.high = parts[p].second;
        } else {
            if (!c.split_list) return fail(14080, c.split_offset);
            // VALUES (v, ...): the values go to the first partition, the rest of the split
            // partition's (or its DEFAULT) to the second.
            std::vector<ExprPtr> stored;
            std::vector<std::string> texts;
            bool is_default = false;
            if (!parse_stored_bounds(parts[p].second, s.table.offset, &stored, &is_default, &texts))
                return fail(3001, c.split_offset);
            std::vector<bool> moved(texts.size(), false);
            for (ExprPtr& v : c.split_values) {
                const std::string written = text_.substr(v->offset, v->end - v->offset);
                std::vector<ExprPtr> one;
                one.push_back(std::move(v));
                std::string row;
                const bool ok = partition_key_row(key, one, 3001, c.split_offset, &row);
                v = std::move(one[0]);
                if (!ok) return false;
                if (!is_default) {
                    bool found = false;
                    for (std::size_t k = 0; k < texts.size(); ++k)
                        if (!moved[k] && normalized(texts[k]) == normalized(written)) found = moved[k] = true;
                    if (!found) return fail(14313, v->offset, written, parts[p].first);
                }
                // ORA-14313: the value is not one the split partition holds.
                std::string rows;
                if (!partition_rows_sql(key, p, &rows)) return false;
                statements.push_back("SELECT " + raise_sql(14313, written, parts[p].first) +
                                     " WHERE NOT EXISTS (SELECT 1 FROM (SELECT " + row + ") WHERE " + rows + ")");
            }
            std::string rest;
            for (std::size_t k = 0; k < texts.size(); ++k)
                if (!moved[k]) rest += (rest.empty() ? "" : ", ") + texts[k];
            if (!is_default && rest.empty()) return fail(14314, c.split_offset);
            lower.high = split_text;
            upper.high = is_default ? std::string("DEFAULT") : rest;
        }
        next[p] = std::move(lower);
        next.insert(next.begin() + static_cast<long>(p) + 1, std::move(upper));
    } else if (action == "MERGE") {
        if (hash) return fail(14255, c.offset);
        std::size_t lo = std::min(named[0], named[1]), hi = std::max(named[0], named[1]);
        if (lo == hi || (key.tp.method == "RANGE" && hi != lo + 1)) return fail(14274, c.name_offsets[1]);
        NewPart merged;
        if (key.tp.method == "RANGE")
            merged.high = parts[hi].second;
        else if (key.is_default[lo] || key.is_default[hi])
            merged.high = "DEFAULT";
        else
            merged.high = parts[lo].second + ", " + parts[hi].second;
        next.erase(next.begin() + static_cast<long>(hi));
        next[lo].name.clear();
        merged.name = c.new_name.empty() ? unused_name() : c.new_name;
        if (!name_free(merged.name, c.new_name_offset)) return false;
        next[lo] = std::move(merged);
    } else if (action == "EXCHANGE") {
        if (!partition_exchange(s, key, named[0], cols, &statements)) return false;
        catalog_changes = false;
    } else {
        return fail(3001, c.offset);
    }
    const std::string where = " WHERE owner=" + quote_text(owner) + " AND table_name=" + quote_text(table);
    const std::string local = " WHERE owner=" + quote_text(owner) +
                              " AND index_name IN (SELECT index_name FROM main.vantro_index_options" + where +
                              " AND locality='LOCAL')";
    // A partition made without SUBPARTITIONS n gets the table's default count (none when
    // the table is not composite).
    auto subpartitions = [&](const NewPart& x) {
        if (x.subpartitions > 0) return std::to_string(x.subpartitions);
        return "(SELECT CASE WHEN subpartitioning_type='NONE' THEN 0 ELSE def_subpartition_count END FROM "
               "main.vantro_part_tables" +
               where + ")";
    };
    if (catalog_changes) {
        // The partitions as the statement leaves them. A LOCAL index's partitions are known
        // by position: those of kept partitions move (through negative positions, so that
        // none collides), those of partitions made are added under the partitions' names.
        std::vector<bool> kept(parts.size(), false);
        for (const NewPart& x : next)
            if (x.from >= 0) kept[x.from] = true;
        for (std::size_t i = 0; i < parts.size(); ++i)
            if (!kept[i])
                out_->catalog_sql.push_back("DELETE FROM main.vantro_tab_partitions" + where +
                                            " AND partition_name=" + quote_text(parts[i].first));
        for (std::size_t j = 0; j < next.size(); ++j)
            if (next[j].from >= 0)
                out_->catalog_sql.push_back("UPDATE main.vantro_ind_partitions SET partition_position=-" +
                                            std::to_string(j + 1) + local +
                                            " AND partition_position=" + std::to_string(next[j].from + 1));
        out_->catalog_sql.push_back("DELETE FROM main.vantro_ind_partitions" + local + " AND partition_position>0");
        for (std::size_t j = 0; j < next.size(); ++j) {
            const NewPart& x = next[j];
            const std::string position = std::to_string(j + 1);
            if (x.from >= 0) {
                out_->catalog_sql.push_back("UPDATE main.vantro_tab_partitions SET partition_name=" +
                                            quote_text(x.name) + ",partition_position=" + position + where +
                                            " AND partition_name=" + quote_text(parts[x.from].first));
                continue;
            }
            out_->catalog_sql.push_back(
                "INSERT INTO main.vantro_tab_partitions(owner,table_name,partition_name,partition_position,"
                "high_value,subpartition_count,tablespace_name,pct_free,logging) VALUES (" +
                quote_text(owner) + "," + quote_text(table) + "," + quote_text(x.name) + "," + position + "," +
                literal_or_null(x.high) + "," + subpartitions(x) + "," + literal_or_null(x.storage.tablespace) + "," +
                (x.storage.pct_free >= 0 ? std::to_string(x.storage.pct_free) : std::string("NULL")) + "," +
                literal_or_null(x.storage.logging) + ")");
            out_->catalog_sql.push_back(
                "INSERT INTO main.vantro_ind_partitions(owner,index_name,partition_name,partition_position,"
                "high_value,status) SELECT owner,index_name," +
                quote_text(x.name) + ",-" + position + "," + literal_or_null(x.high) +
                ",'USABLE' FROM main.vantro_index_options" + where + " AND locality='LOCAL'");
        }
        out_->catalog_sql.push_back("UPDATE main.vantro_ind_partitions SET partition_position=-partition_position" +
                                    local + " AND partition_position<0");
        out_->catalog_sql.push_back(
            "UPDATE main.vantro_part_tables SET partition_count=" + std::to_string(next.size()) + where);
    }
    if (bounds_change && !hash && !key.tp.interval) {
        // The triggers that refuse a key outside every partition, from the new bounds.
        PartitionKey now;
        now.owner = owner;
        now.table = table;
        now.at = key.at;
        now.tp.method = key.tp.method;
        now.tp.keys = key.tp.keys;
        now.key_columns = key.key_columns;
        now.scope = key.scope;
        for (const NewPart& x : next) {
            now.tp.partitions.emplace_back(x.name, x.high);
            now.bounds.emplace_back();
            bool is_default = false;
            if (!parse_stored_bounds(x.high, key.at, &now.bounds.back(), &is_default)) return fail(3001, key.at);
            now.is_default.push_back(is_default);
        }
        std::string fits;
        for (std::size_t i = 0; i < next.size(); ++i) {
            std::string rows;
            if (!partition_rows_sql(now, i, &rows)) return false;
            fits += (fits.empty() ? "(" : " OR (") + rows + ")";
        }
        std::string row = "SELECT ";
        for (std::size_t i = 0; i < cols.size(); ++i)
            row += (i ? ",NEW." : "NEW.") + quote_name(cols[i].name) + " AS " + quote_name(cols[i].name);
        const std::string raise = constraint_raise_sql(14400, ora_message(14400));
        for (const char* event : {"INSERT", "UPDATE"}) {
            const std::string trigger = quote_name(owner) + "." + quote_name("VANTRO$PT" + table + event);
            statements.push_back("DROP TRIGGER IF EXISTS " + trigger);
            statements.push_back("CREATE TRIGGER " + trigger + " BEFORE " + event + " ON " + quote_name(table) +
                                 " FOR EACH ROW WHEN NOT EXISTS (SELECT 1 FROM (" + row + ") AS " + quote_name(table) +
                                 " WHERE " + fits + ") BEGIN SELECT RAISE(ABORT," + raise + "); END");
        }
    }
    std::string sql;
    for (const std::string& st : statements) sql += (sql.empty() ? "" : "; ") + st;
    out_->sql = sql.empty() ? "SELECT 0 WHERE 0" : sql;
    return true;
}
