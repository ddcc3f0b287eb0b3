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
//
// The SEARCH and CYCLE clauses of recursive WITH use the same queue order and the same
// list of ancestors (see search_cycle_element).
#include <algorithm>

#include "values/errors.h"
#include "sql/sql_translator.h"

namespace {

// A CONNECT BY without PRIOR ends only by its condition on LEVEL. Oracle keeps a row per
// level and runs out of memory (ORA-30009) long before this many; the engine keeps
// nothing per level, so this stands in for that end instead of running forever.
const char* const kLevelLimit = "100000000";

void collect(Expr& e, Hierarchy* h) {
    if (e.kind == ExprKind::Column && e.path.size() == 1 && e.path[0] == "CONNECT_BY_ISLEAF") h->leaf = true;
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

std::string ancestry_first(const std::string& key) {
    return "(','||" + key + "||',')";
}

std::string ancestry_add(const std::string& list, const std::string& key) {
    return "(" + list + "||" + key + "||',')";
}

std::string ancestry_has(const std::string& list, const std::string& key) {
    return "(instr(" + list + ",','||" + key + "||',')>0)";
}

// quote() writes each value as an SQL literal, which ends where it began, so the joined
// literals read back one way only; hex() then keeps the list's commas out of the key.
std::string row_key(const std::string& alias, const std::vector<std::string>& columns) {
    std::string joined;
    for (const std::string& c : columns)
        joined += (joined.empty() ? "" : "||','||") + std::string("quote(") + alias + "." + quote_name(c) + ")";
    return "hex(" + joined + ")";
}

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
    h->leaf = false;
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
        order += (order.empty() ? "" : ",") + (e.whole ? e.sql : number_order_key(e.type, e.sql)) +
                 (o.descending ? " DESC" : " ASC") + (nulls_first ? " NULLS FIRST" : " NULLS LAST");
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
        anchor += ", " + ancestry_first(a + ".vantro_rn") + " AS vantro_seen";
        step += ", " + ancestry_add("vantro_p.vantro_seen", a + ".vantro_rn");
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
        step += " AND NOT " + ancestry_has("vantro_p.vantro_seen", a + ".vantro_rn");
    } else {
        // A child at a depth beyond the number of rows repeats a row of its path: a loop.
        // The check repeats the condition so that it fails only for a real child, whatever
        // order SQLite tests the terms in.
        step += " AND CASE WHEN vantro_p.vantro_level<" + a + ".vantro_n THEN 1 WHEN (" + cb.sql +
                ") THEN vantro_raise(" + quote_text(ora_line(1436)) + ") ELSE 0 END";
    }
    // The queue's order makes the order of the rows: deepest first, then sibling order.
    step += " ORDER BY 1 DESC, vantro_rn";
    sql += anchor + " UNION ALL " + step + ")";
    if (h->leaf) {
        // CONNECT_BY_ISLEAF: 1 when no row of the FROM item meets the CONNECT BY condition
        // as a child of this one. The condition reads the parent as vantro_p and the
        // candidate as the FROM item's alias, as in the recursive step.
        sql += " SELECT vantro_p.*, NOT EXISTS (SELECT 1 FROM vantro_b AS " + a + " WHERE " + cb.sql +
               ") AS vantro_leaf FROM vantro_h AS vantro_p)";
    } else {
        sql += " SELECT * FROM vantro_h)";
    }
    *from = sql + " AS " + a;
    h->level_sql = a + ".vantro_level";
    h->leaf_sql = h->leaf ? a + ".vantro_leaf" : std::string();
    scope->hierarchy = h;
    return true;
}

// LEVEL, SYS_CONNECT_BY_PATH, CONNECT_BY_ROOT and PRIOR; *handled false for anything else.
bool Translator::hierarchy_value(Expr& e, const Scope& scope, Emitted* out, bool* handled) {
    *handled = false;
    const Hierarchy* h = nullptr;
    for (const Scope* s = &scope; s && !h; s = s->outer) h = s->hierarchy;
    if (e.kind == ExprKind::Column) {
        if (e.path.size() != 1 || (e.path[0] != "LEVEL" && e.path[0] != "CONNECT_BY_ISLEAF")) return true;
        *handled = true;
        if (!h) return fail(1788, e.offset);
        if (e.path[0] == "CONNECT_BY_ISLEAF") {
            // Not in START WITH or CONNECT BY, where the rows' children are not known yet.
            if (h->leaf_sql.empty()) return fail(976, e.offset);
            out->sql = h->leaf_sql;
            out->type = number_type();
            out->whole = true;
            return true;
        }
        out->sql = h->level_sql;
        out->type = number_type();
        out->whole = true;
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

// A recursive WITH element with SEARCH or CYCLE becomes two: a recursive query named
// vantro_w_<name> whose rows add their depth and their ancestors' cycle keys to the
// element's columns, and the element itself, which reads it and adds the ordering
// column (the rows' number in the order the recursion yields them) and the cycle mark.
// The queue order of the recursion makes the search order, as for CONNECT BY: deepest
// level first for DEPTH FIRST, lowest level first for BREADTH FIRST, then the BY keys.
bool Translator::search_cycle_element(SelectStmt::Factored& f, const std::vector<ColumnInfo>& anchor,
                                      const std::string& anchor_sql, std::vector<ColumnInfo>* cols, std::string* text) {
    auto position = [&](const std::string& name) -> std::size_t {
        for (std::size_t k = 0; k < f.columns.size(); ++k)
            if (f.columns[k] == name) return k + 1;
        return 0;
    };
    std::string order;
    if (f.search) {
        const SelectStmt::Search& s = *f.search;
        if (position(s.column)) return fail(32046, s.column_offset);
        std::vector<std::size_t> seen;
        for (const OrderItem& o : s.keys) {
            std::size_t at = 0;
            if (o.expr->kind == ExprKind::Column && o.expr->path.size() == 1) at = position(o.expr->path[0]);
            if (!at) return fail(32489, o.expr->offset);
            if (std::find(seen.begin(), seen.end(), at) != seen.end()) return fail(32483, o.expr->offset);
            seen.push_back(at);
            bool nulls_first = o.nulls == 1 || (o.nulls == 0 && o.descending);
            order += "," + std::to_string(at) + (o.descending ? " DESC" : " ASC") +
                     (nulls_first ? " NULLS FIRST" : " NULLS LAST");
        }
        order = " ORDER BY " + std::to_string(f.columns.size() + 1) + (s.breadth ? " ASC" : " DESC") + order;
    }
    std::vector<std::string> cycle_columns;
    if (f.cycle) {
        const SelectStmt::Cycle& c = *f.cycle;
        if (position(c.mark_column)) return fail(32048, c.mark_column_offset);
        if (f.search && f.search->column == c.mark_column) return fail(32482, c.mark_column_offset);
        for (std::size_t k = 0; k < c.columns.size(); ++k) {
            if (!position(c.columns[k])) return fail(32485, c.column_offsets[k]);
            if (std::find(cycle_columns.begin(), cycle_columns.end(), c.columns[k]) != cycle_columns.end())
                return fail(32484, c.column_offsets[k]);
            cycle_columns.push_back(c.columns[k]);
        }
        for (const Expr* v : {c.mark.get(), c.no_mark.get()})
            if (v->kind != ExprKind::String || v->text.size() != 1) return fail(32047, v->offset);
        if (c.mark->text == c.no_mark->text) return fail(32481, c.no_mark->offset);
    }

    SelectStmt& member = *f.query->next;
    if (member.next) return fail(32486, member.offset);
    const std::string inner = quote_name("VANTRO_W_" + f.name);
    QueryName rows;
    rows.name = f.name;
    rows.columns = anchor;
    rows.sql = inner;
    query_names_.push_back(rows);
    RecursiveStep step;
    step.block = &member;
    step.source_sql = inner;
    step.cycle_columns = cycle_columns;
    std::vector<ColumnInfo> member_cols;
    std::string member_sql;
    bool ok;
    {
        PointerGate<RecursiveStep> gate(recursion_, &step);
        ok = select(member, nullptr, &member_cols, &member_sql);
    }
    query_names_.pop_back();
    if (!ok) return false;
    if (!step.found) return fail(32486, member.offset);
    if (member_cols.size() != anchor.size()) return fail(1789, member.offset);

    std::string names;
    for (const std::string& c : f.columns) names += (names.empty() ? "" : ",") + quote_name(c);
    *text = inner + "(" + names + ",vantro_level,vantro_seen) AS (SELECT *, 1, ',' FROM (" + anchor_sql +
            ") UNION ALL " + member_sql + order + "), " + quote_name(f.name) + "(" + names;
    std::string values = names;
    *cols = anchor;
    if (f.search) {
        *text += "," + quote_name(f.search->column);
        values += ", row_number() OVER ()";
        ColumnInfo c;
        c.name = f.search->column;
        c.type = number_type();
        cols->push_back(c);
    }
    if (f.cycle) {
        *text += "," + quote_name(f.cycle->mark_column);
        values += ", CASE WHEN " + ancestry_has("vantro_seen", row_key(inner, cycle_columns)) + " THEN " +
                  quote_text(f.cycle->mark->text) + " ELSE " + quote_text(f.cycle->no_mark->text) + " END";
        ColumnInfo c;
        c.name = f.cycle->mark_column;
        c.type = varchar_type(1);
        cols->push_back(c);
    }
    *text += ") AS (SELECT " + values + " FROM " + inner + ")";
    return true;
}

// The member reads the rows found so far once, in its own FROM clause, without grouping:
// each row it makes is one level below the row it read, and a row that repeats an
// ancestor's cycle key (it was marked) has no children.
bool Translator::recursive_step_parts(SelectStmt& s, const Scope& scope, std::string* items, std::string* where) {
    const Source* self = nullptr;
    int reads = 0;
    for (const Source& src : scope.sources)
        if (src.sql == recursion_->source_sql) self = &src, ++reads;
    if (reads != 1 || s.connect_by || s.distinct || !s.group_by.empty() || !s.grouping.empty() || s.having)
        return fail(32486, s.offset);
    recursion_->found = true;
    const std::string p = quote_name(self->alias);
    *items = ", " + p + ".vantro_level+1, ";
    if (recursion_->cycle_columns.empty()) {
        *items += p + ".vantro_seen";
        return true;
    }
    std::string key = row_key(p, recursion_->cycle_columns);
    *items += ancestry_add(p + ".vantro_seen", key);
    *where = "NOT " + ancestry_has(p + ".vantro_seen", key);
    return true;
}
