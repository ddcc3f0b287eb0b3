// Nested aggregates: SELECT MAX(COUNT(*)) FROM t GROUP BY k. The inner aggregates make one
// row per group, the outer ones fold those rows into a single row. The block is rewritten
// before it is translated: the arguments of each outer aggregate become the columns of a
// subquery that keeps the block's FROM, WHERE, GROUP BY and HAVING; the outer block reads
// that subquery.
#include "values/errors.h"
#include "sql/sql_translator.h"

#include <functional>

namespace {

bool nested_has_aggregate(const Expr& e) {
    if (is_aggregate_call(e)) return true;
    for (const ExprPtr& a : e.args)
        if (a && nested_has_aggregate(*a)) return true;
    return false;
}

// A COUNT, SUM, AVG, MIN or MAX call whose arguments hold an aggregate: the outer one of a
// nesting. Other outer aggregates keep their ORA-00935.
bool nested_outer_call(const Expr& e) {
    if (!is_aggregate_call(e) || e.json_gen || e.xml || !e.path.empty()) return false;
    if (e.text != "COUNT" && e.text != "SUM" && e.text != "AVG" && e.text != "MIN" && e.text != "MAX") return false;
    for (const ExprPtr& a : e.args)
        if (a && nested_has_aggregate(*a)) return true;
    return false;
}

bool nested_anywhere(const Expr& e) {
    if (nested_outer_call(e)) return true;
    for (const ExprPtr& a : e.args)
        if (a && nested_anywhere(*a)) return true;
    return false;
}

}  // namespace

bool Translator::nested_aggregates(SelectStmt& s) {
    bool nested = false;
    for (const SelectItem& it : s.items) nested = nested || (it.expr && nested_anywhere(*it.expr));
    if (!nested) return true;
    if (s.group_by.empty() && s.grouping.empty()) {
        for (const SelectItem& it : s.items)
            if (it.expr && nested_anywhere(*it.expr)) return fail(978, it.expr->offset);
    }
    auto inner = std::make_unique<SelectStmt>();
    inner->offset = s.offset;
    // Moves each outer aggregate's arguments into the subquery's select list; anything
    // else that reads the rows (a column, an aggregate of one level) is not one value for
    // the single result row.
    std::function<bool(ExprPtr&, bool)> lift = [&](ExprPtr& e, bool under_outer) -> bool {
        if (!e) return true;
        if (!under_outer && nested_outer_call(*e)) {
            for (ExprPtr& a : e->args) {
                if (!a) continue;
                SelectItem item;
                item.alias = "VANTRO$NESTED" + std::to_string(inner->items.size() + 1);
                item.offset = a->offset;
                item.end = a->end;
                auto column = std::make_unique<Expr>();
                column->kind = ExprKind::Column;
                column->path = {item.alias};
                column->path_offsets = {a->offset};
                column->offset = a->offset;
                column->end = a->end;
                item.expr = std::move(a);
                a = std::move(column);
                inner->items.push_back(std::move(item));
            }
            return true;
        }
        if (!under_outer && (is_aggregate_call(*e) || e->kind == ExprKind::Column))
            return fail(937, e->offset);
        for (ExprPtr& a : e->args)
            if (!lift(a, under_outer)) return false;
        return true;
    };
    for (SelectItem& it : s.items)
        if (!lift(it.expr, false)) return false;
    inner->from = std::move(s.from);
    inner->where = std::move(s.where);
    inner->group_by = std::move(s.group_by);
    inner->grouping = std::move(s.grouping);
    inner->having = std::move(s.having);
    inner->start_with = std::move(s.start_with);
    inner->connect_by = std::move(s.connect_by);
    inner->nocycle = s.nocycle;
    inner->siblings_order = std::move(s.siblings_order);
    s.from.clear();
    s.where.reset();
    s.group_by.clear();
    s.grouping.clear();
    s.having.reset();
    s.start_with.reset();
    s.connect_by.reset();
    FromItem rows;
    rows.join = JoinKind::First;
    rows.table.offset = s.offset;
    rows.subquery = std::move(inner);
    rows.alias = "VANTRO$GROUPS";
    s.from.push_back(std::move(rows));
    return true;
}
