// Hierarchical queries: a query block with START WITH / CONNECT BY becomes a recursive
// common table expression over its one FROM item, so that SQLite yields the rows Oracle
// gives, with LEVEL, SYS_CONNECT_BY_PATH and CONNECT_BY_ROOT, in depth-first order
// (siblings in ORDER SIBLINGS BY order when given). It only writes SQL; it never runs it.
//
// The work is linear in the rows produced: nothing a row carries grows with its depth
// (except what SYS_CONNECT_BY_PATH and NOCYCLE ask for). Depth-first order comes from the
// order in which SQLite takes rows from the recursive query's queue, deepest level first
// and then sibling order: the queue then only ever holds the unvisited siblings of the
// rows on the current path, one group per level, so the rows come out depth-first
// without a sort key per row. A loop in the data is found without a list of ancestors:
// a path with more rows than the FROM item has must repeat one.
#include "values/errors.h"
#include "sql/sql_translator.h"

namespace {

// A CONNECT BY without PRIOR ends only by its condition on LEVEL. Oracle keeps a row per
// level and runs out of memory (ORA-30009) long before this many; the engine keeps
// nothing per level, so this stands in for that end instead of running forever.
const char* const kLevelLimit = "100000000";

void collect(Expr& e, Hierarchy* h) {
    if (e.kind == ExprKind::Function && e.text == "SYS_CONNECT_BY_PATH") h->paths.push_back(&e);
    if (e.kind == ExprKind::Unary && (e.text == "CONNECT_BY_ROOT" || e.text == "PRIOR")) {
        (e.text == "PRIOR" ? h->priors : h->roots).push_back(&e);
        return;
    }
    for (ExprPtr& a : e.args) collect(*a, h);
}

bool uses_prior(const Expr& e) {
    if (e.kind == ExprKind::Unary && e.text == "PRIOR") return true;
    for (const ExprPtr& a : e.args)
        if (uses_prior(*a)) return true;
    return false;
}

}  // namespace

bool Translator::hierarchical_from(SelectStmt& s, Scope* scope, std::string* from, Hierarchy* h) {
    if (s.from.size() != 1 || scope->sources.size() != 1) {
        fail(3001, s.connect_by->offset, ": CONNECT BY over a join");
        return false;
    }
    Source& src = scope->sources[0];
    if (src.alias.empty()) src.alias = "VANTRO_ROWS";
    const std::string a = quote_name(src.alias);
    h->alias = src.alias;
    h->paths.clear();
    h->roots.clear();
    h->priors.clear();
    for (SelectItem& it : s.items) collect(*it.expr, h);
    if (s.where) collect(*s.where, h);
    for (ExprPtr& g : s.group_by) collect(*g, h);
    if (s.having) collect(*s.having, h);
    for (OrderItem& o : s.order_by) collect(*o.expr, h);

    // The FROM item's rows, numbered in sibling order (the number orders the queue among
    // siblings and tells a row from its copies on a loop), each with the count of rows.
    Scope base;
    base.outer = scope->outer;
    base.sources.push_back(src);
    std::string order;
    for (OrderItem& o : s.siblings_order) {
        Emitted e;
        if (!expr(*o.expr, base, &e)) return false;
        bool nulls_first = o.nulls == 1 || (o.nulls == 0 && o.descending);
        order += (order.empty() ? "" : ",") + e.sql + (o.descending ? " DESC" : " ASC") +
                 (nulls_first ? " NULLS FIRST" : " NULLS LAST");
    }
    std::string sql = "(WITH RECURSIVE vantro_b AS (SELECT row_number() OVER (" +
                      (order.empty() ? std::string() : "ORDER BY " + order) +
                      ") AS vantro_rn, count(*) OVER () AS vantro_n, " + a + ".* FROM " + src.sql + " AS " + a +
                      "), vantro_h AS (";

    // The parent row, as the recursive step reads it.
    Hierarchy at_parent;
    at_parent.level_sql = "vantro_p.vantro_level";
    Scope parent = base;
    parent.emit_alias = "vantro_p";
    parent.hierarchy = &at_parent;

    // A child row as the recursive step makes it: the candidate row read directly, its
    // parent through PRIOR, LEVEL the candidate's level.
    Hierarchy at_child;
    at_child.level_sql = "(vantro_p.vantro_level+1)";
    Scope child = base;
    child.prior = &parent;
    child.hierarchy = &at_child;

    // Roots: LEVEL 1, the path and root values start here.
    Hierarchy at_root;
    at_root.level_sql = "1";
    Scope root = base;
    root.hierarchy = &at_root;
    // Only NOCYCLE needs each row's ancestors (as ",rn,rn,...,"): it must leave out the
    // one child that closes a loop and keep the rest.
    bool prior = uses_prior(*s.connect_by);
    bool track_ancestors = prior && s.nocycle;
    std::string anchor = "SELECT 1 AS vantro_level";
    std::string step = "SELECT vantro_p.vantro_level+1";
    if (track_ancestors) {
        anchor += ", ','||" + a + ".vantro_rn||',' AS vantro_seen";
        step += ", vantro_p.vantro_seen||" + a + ".vantro_rn||','";
    }
    for (std::size_t i = 0; i < h->paths.size(); ++i) {
        const Expr& call = *h->paths[i];
        if (call.args.size() != 2) return fail(909, call.offset);
        // Each row adds its own piece, with its own LEVEL.
        std::string pieces[2];
        for (int k = 0; k < 2; ++k) {
            Emitted v, sep;
            const Scope& at = k == 0 ? root : child;
            if (!expr(*call.args[0], at, &v) || !expr(*call.args[1], at, &sep)) return false;
            pieces[k] = "coalesce(" + as_text(sep) + ",'')||coalesce(" + as_text(v) + ",'')";
        }
        std::string col = "vantro_cbp_" + std::to_string(i);
        anchor += ", " + pieces[0] + " AS " + col;
        step += ", vantro_p." + col + "||" + pieces[1];
    }
    for (std::size_t i = 0; i < h->roots.size(); ++i) {
        Emitted v;
        if (!expr(*h->roots[i]->args[0], root, &v)) return false;
        std::string col = "vantro_root_" + std::to_string(i);
        anchor += ", " + v.sql + " AS " + col;
        step += ", vantro_p." + col;
    }
    // PRIOR outside CONNECT BY: the parent's value, NULL on a root.
    for (std::size_t i = 0; i < h->priors.size(); ++i) {
        Emitted v;
        if (!expr(*h->priors[i]->args[0], parent, &v)) return false;
        std::string col = "vantro_prior_" + std::to_string(i);
        anchor += ", NULL AS " + col;
        step += ", " + v.sql;
    }
    anchor += ", " + a + ".* FROM vantro_b AS " + a;
    if (s.start_with) {
        Emitted w;
        if (!expr(*s.start_with, root, &w)) return false;
        if (w.aggregate) return fail(934, s.start_with->offset);
        anchor += " WHERE " + w.sql;
    }

    // Children: CONNECT BY reads the parent row through PRIOR and the candidate row
    // directly.
    Emitted cb;
    if (!expr(*s.connect_by, child, &cb)) return false;
    if (cb.aggregate) return fail(934, s.connect_by->offset);
    step += ", " + a + ".* FROM vantro_h AS vantro_p JOIN vantro_b AS " + a + " ON (" + cb.sql + ")";
    if (!prior) {
        // Without PRIOR no row is another's ancestor in Oracle's sense: LEVEL alone bounds it.
        step += std::string(" AND (vantro_p.vantro_level<") + kLevelLimit + " OR vantro_raise(" +
                quote_text(ora_line(30009, "CONNECT BY")) + ") IS NULL)";
    } else if (track_ancestors) {
        step += " AND instr(vantro_p.vantro_seen,','||" + a + ".vantro_rn||',')=0";
    } else {
        // A child at a depth beyond the number of rows repeats a row of its path: a loop.
        // The check repeats the condition so that it fails only for a real child, whatever
        // order SQLite tests the terms in.
        step += " AND CASE WHEN vantro_p.vantro_level<" + a + ".vantro_n THEN 1 WHEN (" + cb.sql +
                ") THEN vantro_raise(" + quote_text(ora_line(1436)) + ") ELSE 0 END";
    }
    // The queue's order makes the order of the rows: deepest first, then sibling order.
    step += " ORDER BY 1 DESC, vantro_rn";
    sql += anchor + " UNION ALL " + step + ") SELECT * FROM vantro_h)";
    *from = sql + " AS " + a;
    h->level_sql = a + ".vantro_level";
    scope->hierarchy = h;
    return true;
}

// LEVEL, SYS_CONNECT_BY_PATH, CONNECT_BY_ROOT and PRIOR; *handled false for anything else.
bool Translator::hierarchy_value(Expr& e, const Scope& scope, Emitted* out, bool* handled) {
    *handled = false;
    const Hierarchy* h = nullptr;
    for (const Scope* s = &scope; s && !h; s = s->outer) h = s->hierarchy;
    if (e.kind == ExprKind::Column) {
        if (e.path.size() != 1 || e.path[0] != "LEVEL") return true;
        *handled = true;
        if (!h) return fail(1788, e.offset);
        out->sql = h->level_sql;
        out->type = number_type();
        return true;
    }
    if (e.kind == ExprKind::Unary && e.text == "PRIOR" && scope.prior) {
        *handled = true;
        return expr(*e.args[0], *scope.prior, out);
    }
    bool path = e.kind == ExprKind::Function && e.text == "SYS_CONNECT_BY_PATH";
    bool root = e.kind == ExprKind::Unary && e.text == "CONNECT_BY_ROOT";
    bool prior = e.kind == ExprKind::Unary && e.text == "PRIOR";
    if (!path && !root && !prior) return true;
    *handled = true;
    const std::vector<const Expr*>* list = h ? (path ? &h->paths : root ? &h->roots : &h->priors) : nullptr;
    std::size_t index = 0;
    while (list && index < list->size() && (*list)[index] != &e) ++index;
    if (!list || index == list->size()) return fail(976, e.offset);
    if (path) {
        out->sql = quote_name(h->alias) + ".vantro_cbp_" + std::to_string(index);
        out->type = varchar_type(4000);
        return true;
    }
    Emitted v;
    if (!expr(*e.args[0], scope, &v)) return false;
    out->sql = quote_name(h->alias) + (root ? ".vantro_root_" : ".vantro_prior_") + std::to_string(index);
    out->type = v.type;
    out->trimmed = v.trimmed;
    return true;
}
