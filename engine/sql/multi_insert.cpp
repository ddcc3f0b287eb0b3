// INSERT ALL and INSERT FIRST: written as SQLite statements run one after the other in
// the statement's transaction. The subquery runs once, its rows kept in a temporary table
// of the connection (one per column count; the statement removes its rows at its end and
// reads only rows above the largest rowid it found, so a statement run by a trigger of
// another finds its own rows only); each INTO clause is then an INSERT ... SELECT from
// those rows, limited by its WHEN condition (under FIRST, and for ELSE, also by the
// conditions before it not holding). A sequence read in the values draws one number per
// subquery row whichever INTO clauses read it, as Oracle draws it once per row.
#include "values/errors.h"
#include "sql/sql_translator.h"

#include <set>

namespace {

using Step = Translation::MergeStep;

std::string stored_column(std::size_t i) {
    return "c" + std::to_string(i + 1);
}

// The names that may be sequences read by NEXTVAL or CURRVAL (seq.NEXTVAL, owner.seq.NEXTVAL).
void sequence_names(const Expr& e, std::set<std::string>* out) {
    if (e.kind == ExprKind::Column && (e.path.size() == 2 || e.path.size() == 3) &&
        (e.path.back() == "NEXTVAL" || e.path.back() == "CURRVAL")) {
        std::string key;
        for (std::size_t i = 0; i + 1 < e.path.size(); ++i) key += e.path[i] + ".";
        out->insert(key);
    }
    for (const ExprPtr& a : e.args)
        if (a) sequence_names(*a, out);
}

}  // namespace

std::string Translator::multi_sequence(const std::string& call, bool next) {
    std::size_t i = 0;
    while (i < multi_rows_->sequences.size() && multi_rows_->sequences[i].first != call) ++i;
    if (i == multi_rows_->slots) return {};
    if (i == multi_rows_->sequences.size()) multi_rows_->sequences.emplace_back(call, false);
    if (next) multi_rows_->sequences[i].second = true;
    return quote_name(multi_rows_->alias) + "." + quote_name(stored_column(multi_rows_->first_sequence + i));
}

bool Translator::multi_insert(Statement& s) {
    hoist_ok_ = false;  // several statements: no part may be computed ahead of them
    std::vector<ColumnInfo> cols;
    std::string sub;
    // The subquery is no place for a sequence (ORA-02287).
    no_sequences_ = true;
    bool ok = select(*s.select, nullptr, &cols, &sub);
    no_sequences_ = false;
    if (!ok) return false;
    std::set<std::string> names;
    for (InsertBranch& b : s.insert_branches)
        for (std::unique_ptr<Statement>& into : b.intos)
            for (std::vector<ExprPtr>& row : into->values)
                for (ExprPtr& v : row)
                    if (v) sequence_names(*v, &names);
    MultiRows rows;
    rows.alias = "vantro_rows";
    rows.first_sequence = cols.size();
    rows.slots = names.size();
    const std::size_t width = cols.size() + names.size();
    const std::string table = "temp." + quote_name("VANTRO$INSERT_ROWS_" + std::to_string(width));
    // A view of the kept rows: the subquery's column names, then the same columns by
    // position under names no unquoted identifier can spell.
    Source src;
    src.alias = rows.alias;
    src.sql = table;
    for (std::size_t i = 0; i < cols.size(); ++i) {
        src.columns.push_back(cols[i]);
        src.stored.push_back(stored_column(i));
    }
    for (std::size_t i = 0; i < cols.size(); ++i) {
        src.columns.push_back(cols[i]);
        src.columns.back().name = "vantro_c" + std::to_string(i + 1);
        src.stored.push_back(stored_column(i));
    }
    rows.scope.sources.push_back(src);
    const std::string mine = quote_name(rows.alias) + ".rowid>:vantro_bound";
    std::vector<Step> inserts;
    std::vector<std::string> earlier;  // the WHEN conditions so far
    {
        PointerGate<MultiRows> gate(multi_rows_, &rows);
        for (InsertBranch& b : s.insert_branches) {
            std::string where = " WHERE " + mine;
            if (s.insert_first || b.is_else)
                for (const std::string& c : earlier) where += " AND coalesce(" + c + ",0)=0";
            if (b.when) {
                Emitted w;
                if (!expr(*b.when, rows.scope, &w)) return false;
                if (w.aggregate) return fail(934, b.when->offset);
                where += " AND (" + w.sql + ")";
                earlier.push_back("(" + w.sql + ")");
            }
            rows.from_where = "FROM " + table + " AS " + quote_name(rows.alias) + where;
            for (std::unique_ptr<Statement>& into : b.intos) {
                if (into->values.empty()) {
                    // INTO without VALUES: the subquery's select list, in order.
                    std::vector<ExprPtr> row;
                    for (std::size_t i = 0; i < cols.size(); ++i) {
                        auto e = std::make_unique<Expr>();
                        e->kind = ExprKind::Column;
                        e->path.push_back("vantro_c" + std::to_string(i + 1));
                        e->offset = s.select->offset;
                        e->end = s.select->offset;
                        row.push_back(std::move(e));
                    }
                    into->values.push_back(std::move(row));
                }
                out_->owner = owner_of(into->table);
                out_->table = into->table.name;
                out_->sql.clear();
                if (!insert(*into)) return false;
                Step step;
                step.sql = out_->sql;
                step.owner = out_->owner;
                step.table = out_->table;
                inserts.push_back(std::move(step));
            }
        }
    }
    std::string columns, numbers;
    for (std::size_t i = 0; i < width; ++i) columns += (i ? "," : "") + quote_name(stored_column(i));
    for (std::size_t i = 0; i < names.size(); ++i) {
        numbers += ",";
        if (i < rows.sequences.size())
            numbers += rows.sequences[i].first + (rows.sequences[i].second ? "1)" : "0)");
        else
            numbers += "NULL";
    }
    // The statement's target, as its first INTO clause names it.
    out_->owner = inserts[0].owner;
    out_->table = inserts[0].table;
    auto& steps = out_->merge_steps;
    steps.push_back({Step::Role::Uncounted, "CREATE TEMP TABLE IF NOT EXISTS " + table + "(" + columns + ")"});
    steps.push_back({Step::Role::Bound, "SELECT coalesce(max(rowid),0) FROM " + table});
    steps.push_back({Step::Role::Uncounted, "INSERT INTO " + table + " SELECT *" + numbers + " FROM (" + sub + ")"});
    for (Step& st : inserts) steps.push_back(std::move(st));
    steps.push_back({Step::Role::Uncounted, "DELETE FROM " + table + " WHERE rowid>:vantro_bound"});
    out_->sql.clear();
    out_->insert_values = false;
    return true;
}
