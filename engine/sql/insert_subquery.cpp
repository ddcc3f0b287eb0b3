// INSERT INTO (SELECT ... FROM t) [(columns)] VALUES / SELECT: the subquery names the
// table and which of its columns the values go to, as the export's INSERT statements
// write it. The statement is rewritten to an INSERT into t itself; the subquery's WHERE
// clause does not restrict the rows (there is no WITH CHECK OPTION). It only rewrites
// the syntax tree; names are checked against the catalog and no SQL is run.
#include "values/errors.h"
#include "sql/sql_translator.h"

bool Translator::insert_target_query(Statement& s) {
    SelectStmt& q = *s.target_query;
    if (q.next || q.from.size() != 1 || q.from[0].subquery || !q.group_by.empty() || q.having || q.distinct ||
        q.connect_by) {
        fail(1732, q.offset);
        return false;
    }
    const FromItem& f = q.from[0];
    std::string owner = owner_of(f.table);
    std::vector<ColumnInfo> table_columns;
    if (!ctx_.catalog->table_columns(owner, f.table.name, &table_columns)) return fail(942, f.table.offset);
    std::string alias = f.alias.empty() ? f.table.name : f.alias;
    // The view's columns: the name each select item shows and the table column behind it.
    std::vector<std::pair<std::string, std::string>> view;
    for (const SelectItem& it : q.items) {
        const Expr& e = *it.expr;
        if (e.kind == ExprKind::Star) {
            if (!e.path.empty() && e.path[0] != alias) return fail(904, e.offset, "\"" + e.path[0] + "\"");
            for (const ColumnInfo& c : table_columns) view.emplace_back(c.name, c.name);
            continue;
        }
        bool qualified_ok = e.path.size() == 1 || (e.path.size() == 2 && e.path[0] == alias);
        if (e.kind != ExprKind::Column || !qualified_ok) {
            view.emplace_back(it.alias.empty() ? derived_name(e) : it.alias, std::string());
            continue;
        }
        bool found = false;
        for (const ColumnInfo& c : table_columns) found = found || c.name == e.path.back();
        if (!found) return fail(904, e.offset, "\"" + e.path.back() + "\"");
        view.emplace_back(it.alias.empty() ? e.path.back() : it.alias, e.path.back());
    }
    std::vector<std::string> targets;
    std::vector<std::uint32_t> offsets;
    if (s.columns.empty()) {
        for (const auto& v : view) {
            targets.push_back(v.second);
            offsets.push_back(q.offset);
        }
    } else {
        for (std::size_t i = 0; i < s.columns.size(); ++i) {
            const std::pair<std::string, std::string>* match = nullptr;
            for (const auto& v : view)
                if (v.first == s.columns[i]) match = &v;
            if (!match) return fail(904, s.column_offsets[i], "\"" + s.columns[i] + "\"");
            targets.push_back(match->second);
            offsets.push_back(s.column_offsets[i]);
        }
    }
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (targets[i].empty()) {
            fail(1733, offsets[i]);
            return false;
        }
    }
    s.table = f.table;
    s.columns = targets;
    s.column_offsets = offsets;
    s.target_query.reset();
    out_->owner = owner;
    out_->table = s.table.name;
    return true;
}
