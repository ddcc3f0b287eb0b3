// MERGE INTO target USING source ON (condition): written as SQLite statements run one
// after the other in the statement's transaction. A check that no target row matches
// two source rows (ORA-30926) comes first; then the UPDATE of the matched rows (UPDATE
// ... FROM source), the INSERT of the source rows no target row matches, and last the
// DELETE WHERE of the updated rows. The columns of the ON condition cannot be updated
// (ORA-38104), so which rows match does not change while the statements run; the
// DELETE leaves alone the rows the INSERT added (their rowids are above the bound
// taken before it).
#include "values/errors.h"
#include "sql/sql_translator.h"

namespace {

using Step = Translation::MergeStep;

// The names of the target's columns the condition reads.
void target_columns_read(const Expr& e, const Source& target, const Source& source, std::vector<const Expr*>* out) {
    std::vector<const Expr*> work{&e};
    while (!work.empty()) {
        const Expr* x = work.back();
        work.pop_back();
        if (x->kind == ExprKind::Column && (x->path.size() == 1 || x->path.size() == 2)) {
            const std::string& name = x->path.back();
            auto has = [&](const Source& s) {
                for (const ColumnInfo& c : s.columns)
                    if (c.name == name) return true;
                return false;
            };
            bool mine = x->path.size() == 2 ? x->path[0] == target.alias : has(target) && !has(source);
            if (mine && has(target)) out->push_back(x);
        }
        for (const ExprPtr& a : x->args)
            if (a) work.push_back(a.get());
    }
}

}  // namespace

bool Translator::merge_update(Statement& s, const Source& target, const Scope& both, const std::string& source_sql,
                              const std::string& on) {
    std::vector<const Expr*> on_columns;
    target_columns_read(*s.merge_on, target, both.sources[1], &on_columns);
    std::string owner = owner_of(s.table);
    std::string sets;
    for (std::size_t i = 0; i < s.sets.size(); ++i) {
        const ColumnInfo* col = nullptr;
        for (const ColumnInfo& c : target.columns)
            if (c.name == s.sets[i].first) col = &c;
        if (!col) return fail(904, s.set_offsets[i], "\"" + s.sets[i].first + "\"");
        for (const Expr* c : on_columns)
            if (c->path.back() == col->name)
                return fail(38104, s.set_offsets[i], "\"" + target.alias + "\".\"" + col->name + "\"");
        for (std::size_t j = 0; j < i; ++j)
            if (s.sets[j].first == col->name) return fail(957, s.set_offsets[i]);
        if (!update_generated(owner, s.table.name, col->name, s.set_offsets[i])) return false;
        std::string stored;
        if (is_default_value(*s.sets[i].second)) {
            stored = column_default(owner, s.table.name, col->name);
        } else {
            Emitted v;
            if (!expr(*s.sets[i].second, both, &v)) return false;
            if (v.aggregate) return fail(934, s.sets[i].second->offset);
            if (!store_value(v, *col, owner, s.table.name, &stored, s.sets[i].second->offset)) return false;
        }
        sets += (i ? "," : "") + quote_name(col->name) + "=" + stored;
        out_->set_columns.push_back(col->name);
    }
    std::string where;
    if (s.where) {
        Emitted w;
        if (!expr(*s.where, both, &w)) return false;
        if (w.aggregate) return fail(934, s.where->offset);
        where = " AND (" + w.sql + ")";
    }
    const std::string t = quote_name(target.alias);
    out_->merge_steps.push_back({Step::Role::Unstable, "SELECT 1 FROM " + target.sql + " AS " + t + " JOIN " +
                                                           source_sql + " ON " + on + where + " GROUP BY " + t +
                                                           ".rowid HAVING count(*)>1 LIMIT 1"});
    if (s.merge_delete)
        out_->merge_steps.push_back({Step::Role::Bound, "SELECT coalesce(max(rowid),0) FROM " + target.sql});
    out_->merge_steps.push_back({Step::Role::Counted, "UPDATE " + target.sql + " AS " + t + " SET " + sets + " FROM " +
                                                          source_sql + " WHERE " + on + where});
    return true;
}

bool Translator::merge_insert(Statement& s, const Source& target, const Source& source, const std::string& source_sql,
                              const std::string& on) {
    std::string owner = owner_of(s.table);
    std::vector<ColumnInfo> targets;
    if (s.columns.empty()) {
        targets = target.columns;
    } else {
        for (std::size_t i = 0; i < s.columns.size(); ++i) {
            const ColumnInfo* found = nullptr;
            for (const ColumnInfo& c : target.columns)
                if (c.name == s.columns[i]) found = &c;
            if (!found) return fail(904, s.column_offsets[i], "\"" + s.columns[i] + "\"");
            for (std::size_t j = 0; j < i; ++j)
                if (s.columns[j] == s.columns[i]) return fail(957, s.column_offsets[i]);
            targets.push_back(*found);
        }
    }
    std::vector<ExprPtr>& row = s.values[0];
    if (row.size() < targets.size()) return fail(947, row.back()->end);
    if (row.size() > targets.size()) return fail(913, row[targets.size()]->offset);
    // The inserted values and the insert's WHERE read the source row only.
    Scope rows;
    rows.sources.push_back(source);
    // Identity columns, DEFAULT ON NULL and the other values the engine supplies, as for
    // INSERT: a value refused where none may be given, NULLs and left-out columns filled.
    std::vector<std::uint32_t> offsets;
    InsertFill fill;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        offsets.push_back(s.columns.empty() ? row[i]->offset : s.column_offsets[i]);
        fill.is_default.push_back(is_default_value(*row[i]));
    }
    if (!insert_generated(owner, s.table.name, targets, offsets, &fill)) return false;
    std::string names, values;
    for (std::size_t i = 0; i < row.size(); ++i) {
        std::string stored;
        if (fill.defaulted(i)) {
            if (fill.fill[i].empty()) continue;  // the column's own DEFAULT
            stored = fill.fill[i];
        } else {
            Emitted v;
            if (!expr(*row[i], rows, &v)) return false;
            if (v.aggregate) return fail(934, row[i]->offset);
            if (!store_value(v, targets[i], owner, s.table.name, &stored, row[i]->offset)) return false;
            if (!fill.coalesce[i].empty()) stored = "coalesce(" + stored + "," + fill.coalesce[i] + ")";
        }
        names += (names.empty() ? "" : ",") + quote_name(targets[i].name);
        values += (values.empty() ? "" : ",") + stored;
    }
    for (const auto& a : fill.added) {
        names += (names.empty() ? "" : ",") + quote_name(a.first);
        values += (values.empty() ? "" : ",") + a.second;
    }
    if (names.empty() && !targets.empty()) {
        // Every value DEFAULT: the first column's default, written out.
        names = quote_name(targets[0].name);
        values = column_default(owner, s.table.name, targets[0].name);
    }
    std::string where;
    if (s.merge_insert_where) {
        Emitted w;
        if (!expr(*s.merge_insert_where, rows, &w)) return false;
        if (w.aggregate) return fail(934, s.merge_insert_where->offset);
        where = " AND (" + w.sql + ")";
    }
    out_->merge_steps.push_back({Step::Role::Counted, "INSERT INTO " + target.sql + " (" + names + ") SELECT " +
                                                          values + " FROM " + source_sql +
                                                          " WHERE NOT EXISTS (SELECT 1 FROM " + target.sql + " AS " +
                                                          quote_name(target.alias) + " WHERE " + on + ")" + where});
    return true;
}

bool Translator::merge(Statement& s) {
    // MERGE does not pass through views: a read-only one answers as for any DML.
    if (char kind = ctx_.catalog->view_restriction(owner_of(s.table), s.table.name))
        return fail(kind == 'O' ? 42399 : 1732, s.table.offset);
    Source target;
    if (!table_source(s.table, &target)) return false;
    if (!target.rowid_table.empty() && !indexes_usable(target.rowid_owner, target.rowid_table, s.table.offset))
        return false;
    if (!s.alias.empty()) target.alias = s.alias;
    FromItem& f = s.merge_source;
    Source source;
    std::string source_sql;
    if (f.subquery) {
        std::string sub;
        if (!select(*f.subquery, nullptr, &source.columns, &sub)) return false;
        source_sql = "(" + sub + ")";
    } else {
        if (f.table.partition ? !partition_source(f.table, &source) : !table_source(f.table, &source)) return false;
        source_sql = source.sql;
    }
    if (!f.alias.empty()) source.alias = f.alias;
    if (source.alias.empty()) source.alias = "vantro_source";
    source_sql += " AS " + quote_name(source.alias);
    Scope both;
    both.sources.push_back(target);
    both.sources.push_back(source);
    Emitted on;
    if (!expr(*s.merge_on, both, &on)) return false;
    if (on.aggregate) return fail(934, s.merge_on->offset);
    if (s.merge_update && !merge_update(s, target, both, source_sql, on.sql)) return false;
    if (s.merge_insert && !merge_insert(s, target, source, source_sql, on.sql)) return false;
    if (s.merge_delete) {
        // Only the rows the UPDATE changed are deleted; with its own WHERE those are not
        // told apart from the matched rows it left alone.
        if (s.where) return fail(3001, s.merge_delete->offset), false;
        Emitted d;
        if (!expr(*s.merge_delete, both, &d)) return false;
        if (d.aggregate) return fail(934, s.merge_delete->offset);
        const std::string t = quote_name(target.alias);
        out_->merge_steps.push_back({Step::Role::Uncounted, "DELETE FROM " + target.sql + " AS " + t + " WHERE " + t +
                                                                ".rowid<=:vantro_bound AND EXISTS (SELECT 1 FROM " +
                                                                source_sql + " WHERE " + on.sql + " AND (" + d.sql +
                                                                "))"});
    }
    return true;
}
