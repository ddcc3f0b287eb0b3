// Partition-extended names: FROM t PARTITION (p) | PARTITION FOR (keys), and the same as
// the target of INSERT, UPDATE and DELETE. The table keeps every partition's rows, so a
// partition is the condition its bounds put on the key: below its own RANGE bound and not
// below the previous one, one of its LIST values (DEFAULT: none of the others'), or its
// bucket of ORA_HASH for HASH. SUBPARTITION is refused: subpartition bounds are not kept.
#include "sql/partition_key.h"

#include "values/errors.h"

#include <algorithm>

namespace {

void place_at(Expr& e, std::uint32_t at) {
    e.offset = at;
    e.end = at;
    for (ExprPtr& a : e.args)
        if (a) place_at(*a, at);
}

ExprPtr column_expr(const std::string& name) {
    ExprPtr c(new Expr);
    c->kind = ExprKind::Column;
    c->path = {name};
    return c;
}

std::string join(const std::vector<std::string>& parts, const char* op, const char* none) {
    if (parts.empty()) return none;
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "(" : std::string(" ") + op + " (") + p + ")";
    return parts.size() == 1 ? out : "(" + out + ")";
}

}  // namespace

bool parse_stored_bounds(const std::string& high, std::uint32_t at, std::vector<ExprPtr>* values, bool* is_default,
                         std::vector<std::string>* texts) {
    *is_default = false;
    std::vector<Token> tokens;
    OraError err;
    if (!sql_tokenize(high, &tokens, &err)) return false;
    std::vector<Token> piece;
    int depth = 0;
    for (const Token& t : tokens) {
        const bool end = t.kind == TokenKind::End || (depth == 0 && t.kind == TokenKind::Operator && t.text == ",");
        if (!end) {
            if (t.kind == TokenKind::Operator && t.text == "(") ++depth;
            if (t.kind == TokenKind::Operator && t.text == ")") --depth;
            piece.push_back(t);
            continue;
        }
        if (piece.empty()) break;
        if (texts) texts->push_back(high.substr(piece.front().offset, piece.back().end - piece.front().offset));
        if (piece.size() == 1 && piece[0].kind == TokenKind::Word && piece[0].text == "MAXVALUE") {
            values->emplace_back();
        } else if (piece.size() == 1 && piece[0].kind == TokenKind::Word && piece[0].text == "DEFAULT") {
            *is_default = true;
        } else {
            Token stop;
            stop.offset = stop.end = piece.back().end;
            piece.push_back(stop);
            ExprPtr v;
            if (!sql_parse_expression(piece, &v, &err)) return false;
            place_at(*v, at);
            values->push_back(std::move(v));
        }
        piece.clear();
        if (t.kind == TokenKind::End) break;
    }
    return true;
}

bool Translator::partition_key(const std::string& owner, const std::string& table,
                               const std::vector<ColumnInfo>& columns, std::uint32_t at, PartitionKey* key) {
    key->owner = owner;
    key->table = table;
    key->at = at;
    // ORA-14501: the table has no partitions to name.
    if (!ctx_.catalog->table_partitions(owner, table, &key->tp)) return fail(14501, at);
    for (const std::string& k : key->tp.keys)
        for (const ColumnInfo& c : columns)
            if (c.name == k) key->key_columns.push_back(c);
    if (key->key_columns.size() != key->tp.keys.size()) return fail(3001, at);
    for (const auto& p : key->tp.partitions) {
        key->bounds.emplace_back();
        bool is_default = false;
        if (key->tp.method != "HASH" && !parse_stored_bounds(p.second, at, &key->bounds.back(), &is_default))
            return fail(3001, at);
        key->is_default.push_back(is_default);
    }
    Source src;
    src.columns = columns;
    key->scope.bare = true;
    key->scope.sources.push_back(src);
    return true;
}

bool Translator::partition_rows_sql(PartitionKey& key, std::size_t i, std::string* sql) {
    const std::vector<std::string>& cols = key.tp.keys;
    // coalesce(column op bound, 0): a NULL key compares as false.
    auto compare = [&](const std::string& col, const char* op, ExprPtr& bound, std::string* out) {
        Expr cmp;
        cmp.kind = ExprKind::Compare;
        cmp.text = op;
        cmp.offset = cmp.end = key.at;
        cmp.args.push_back(column_expr(col));
        cmp.args.push_back(std::move(bound));
        Emitted e;
        const bool ok = expr(cmp, key.scope, &e);
        bound = std::move(cmp.args[1]);
        *out = "coalesce(" + e.sql + ",0)";
        return ok;
    };
    if (key.tp.method == "RANGE") {
        // Below a bound, column by column: a lower column, or an equal one with the rest
        // below; MAXVALUE is above every value, NULL included.
        auto below = [&](std::vector<ExprPtr>& bound, std::string* out) {
            std::string b = "0";
            for (std::size_t c = bound.size(); c-- > 0;) {
                if (!bound[c]) {
                    b = "1";
                    continue;
                }
                std::string lt, eq;
                if (!compare(cols[c], "<", bound[c], &lt) || !compare(cols[c], "=", bound[c], &eq)) return false;
                b = "(" + lt + " OR (" + eq + " AND " + b + "))";
            }
            *out = b;
            return true;
        };
        std::string own, previous = "0";
        if (!below(key.bounds[i], &own) || (i > 0 && !below(key.bounds[i - 1], &previous))) return false;
        *sql = "(" + own + " AND NOT " + previous + ")";
        return true;
    }
    if (key.tp.method == "LIST") {
        auto tests = [&](std::size_t p, std::vector<std::string>* out) {
            for (ExprPtr& v : key.bounds[p]) {
                if (v && v->kind == ExprKind::Null) {
                    out->push_back(quote_name(cols[0]) + " IS NULL");
                    continue;
                }
                std::string eq;
                if (!v) return fail(3001, key.at);
                if (!compare(cols[0], "=", v, &eq)) return false;
                out->push_back(eq);
            }
            return true;
        };
        std::vector<std::string> mine;
        if (!key.is_default[i]) {
            if (!tests(i, &mine)) return false;
            *sql = join(mine, "OR", "0");
            return true;
        }
        for (std::size_t p = 0; p < key.bounds.size(); ++p)
            if (p != i && !tests(p, &mine)) return false;
        *sql = "NOT " + join(mine, "OR", "0");
        return true;
    }
    // HASH: Oracle's bucket rule over n partitions: the hash modulo the next power of two,
    // folded into the lower half when it names no partition.
    if (cols.size() != 1) return fail(3001, key.at);
    Expr hash;
    hash.kind = ExprKind::Function;
    hash.text = "ORA_HASH";
    hash.offset = hash.end = key.at;
    hash.args.push_back(column_expr(cols[0]));
    Emitted h;
    if (!expr(hash, key.scope, &h)) return false;
    const long long n = static_cast<long long>(key.tp.partitions.size());
    long long m = 1;
    while (m < n) m *= 2;
    const std::string v = "CAST(coalesce(" + h.sql + ",0) AS INTEGER)";
    *sql = "((CASE WHEN " + v + " % " + std::to_string(m) + " < " + std::to_string(n) + " THEN " + v + " % " +
           std::to_string(m) + " ELSE " + v + " % " + std::to_string(m > 1 ? m / 2 : 1) +
           " END) = " + std::to_string(i) + ")";
    return true;
}

bool Translator::partition_condition(const std::string& owner, const std::string& table, const PartitionExtension& ext,
                                     const std::vector<ColumnInfo>& columns, std::uint32_t at, std::string* sql) {
    PartitionKey key;
    if (!partition_key(owner, table, columns, at, &key)) return false;
    // Subpartitions are counted, their bounds not kept: their rows cannot be told apart.
    if (ext.sub) return fail(3001, ext.offset);
    if (!ext.name.empty()) {
        const std::size_t i = key.find(ext.name);
        if (i == key.tp.partitions.size()) return fail(2149, ext.name_offset);
        return partition_rows_sql(key, i, sql);
    }
    // PARTITION FOR (keys): the rows in the partition the keys fall in, found among all.
    if (ext.keys.size() > key.tp.keys.size()) return fail(14017, ext.keys[key.tp.keys.size()]->offset);
    if (ext.keys.size() < key.tp.keys.size()) return fail(14018, ext.offset);
    // Keys above an INTERVAL table's last bound fall in partitions the table only implies.
    if (key.tp.interval) return fail(3001, ext.offset);
    std::string values;
    Scope empty;
    for (std::size_t c = 0; c < ext.keys.size(); ++c) {
        Emitted v;
        std::string stored;
        if (!expr(*ext.keys[c], empty, &v) ||
            !store_value(v, key.key_columns[c], owner, table, &stored, ext.keys[c]->offset))
            return false;
        values += (c ? "," : "") + stored + " AS " + quote_name(key.tp.keys[c]);
    }
    std::vector<std::string> any;
    for (std::size_t i = 0; i < key.tp.partitions.size(); ++i) {
        std::string rows;
        if (!partition_rows_sql(key, i, &rows)) return false;
        any.push_back("EXISTS (SELECT 1 FROM (SELECT " + values + ") WHERE " + rows + ") AND " + rows);
    }
    *sql = join(any, "OR", "0");
    return true;
}

bool Translator::partition_source(const TableRef& t, Source* src) {
    if (!table_source(t, src)) return false;
    std::string view;
    // Only a table has partitions: a view, a query name or a dictionary view has none.
    if (src->rowid_table.empty() || ctx_.catalog->view_text(src->rowid_owner, src->rowid_table, &view))
        return fail(14109, t.partition->offset);
    std::string rows;
    if (!partition_condition(src->rowid_owner, src->rowid_table, *t.partition, src->columns, t.offset, &rows))
        return false;
    // The rowid is carried so that ROWID still reads the table's rows.
    src->sql = "(SELECT rowid AS rowid,* FROM " + src->sql + " WHERE " + rows + ")";
    return true;
}

bool Translator::partition_insert_check(const Statement& s, const std::string& owner,
                                        const std::vector<ColumnInfo>& all, const std::vector<std::string>& named,
                                        std::string* rows) {
    if (named.empty()) return fail(3001, s.table.partition->offset);
    std::string condition;
    if (!partition_condition(owner, s.table.name, *s.table.partition, all, s.table.offset, &condition)) return false;
    std::string names, row;
    for (const std::string& n : named) names += (names.empty() ? "" : ",") + quote_name(n);
    for (const ColumnInfo& c : all) {
        const bool given = std::find(named.begin(), named.end(), c.name) != named.end();
        row += (row.empty() ? "" : ",") + (given ? "\"vantro_part\"." + quote_name(c.name) : std::string("NULL")) +
               " AS " + quote_name(c.name);
    }
    // Each row is checked before it is written; a row outside the partition ends the
    // statement with ORA-14401.
    *rows = "WITH \"vantro_part\"(" + names + ") AS MATERIALIZED (" + *rows + ") SELECT " + names +
            " FROM \"vantro_part\" WHERE CASE WHEN EXISTS (SELECT 1 FROM (SELECT " + row + ") WHERE " + condition +
            ") THEN 1 ELSE vantro_raise(" + quote_text(ora_line(14401)) + ") END";
    return true;
}

bool Translator::partition_target(const Statement& s) {
    if (!s.table.partition) return true;
    std::string view;
    if (ctx_.catalog->view_text(owner_of(s.table), s.table.name, &view)) return fail(14109, s.table.partition->offset);
    return true;
}

bool Translator::partition_where(const Statement& s, const Source& target, std::string* where) {
    if (!s.table.partition) return true;
    if (target.rowid_table.empty()) return fail(14109, s.table.partition->offset);
    std::string rows;
    if (!partition_condition(target.rowid_owner, target.rowid_table, *s.table.partition, target.columns, s.table.offset,
                             &rows))
        return false;
    *where = rows;
    return true;
}
