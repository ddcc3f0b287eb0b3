// Hierarchical queries: a query block with START WITH / CONNECT BY becomes a recursive
// common table expression over its one FROM item, so that SQLite yields the rows Oracle
// gives, with LEVEL, SYS_CONNECT_BY_PATH and CONNECT_BY_ROOT, in depth-first order
// (siblings in ORDER SIBLINGS BY order when given). It only writes SQL; it never runs it.
#include "values/errors.h"
#include "sql/sql_translator.h"

namespace {

// Rows whose level passes this in a CONNECT BY without PRIOR (nothing else ends it) fail
// instead of running until memory is gone.
const char* const kLevelLimit = "100000";

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

std::string ordinal(const std::string& rn) {
    return "printf('%010d'," + rn + ")";
}

}  // namespace

bool Translator::hierarchical_from(SelectStmt& s, Scope* scope, std::string* from, Hierarchy* h) {
    if (s.from.size() != 1 || scope->sources.size() != 1) {
        fail(3001, s.connect_by->offset);
        err_->message = "unimplemented feature: CONNECT BY over a join";
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

    // The FROM item's rows, numbered in sibling order: the numbers build each row's sort
    // key (its ancestors' numbers and its own) and tell a row from its copies on a loop.
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
                      (order.empty() ? std::string() : "ORDER BY " + order) + ") AS vantro_rn, " + a + ".* FROM " +
                      src.sql + " AS " + a + "), vantro_h AS (";

    // The parent row, as the recursive step reads it.
    Hierarchy at_parent;
    at_parent.level_sql = "vantro_p.vantro_level";
    Scope parent = base;
    parent.emit_alias = "vantro_p";
    parent.hierarchy = &at_parent;

    // Roots: LEVEL 1, the path and root values start here.
    Hierarchy at_root;
    at_root.level_sql = "1";
    Scope root = base;
    root.hierarchy = &at_root;
    std::string anchor = "SELECT 1 AS vantro_level, " + ordinal(a + ".vantro_rn") + " AS vantro_path, ','||" + a +
                         ".vantro_rn||',' AS vantro_seen";
    std::string step = "SELECT vantro_p.vantro_level+1, vantro_p.vantro_path||" + ordinal(a + ".vantro_rn") +
                       ", vantro_p.vantro_seen||" + a + ".vantro_rn||','";
    for (std::size_t i = 0; i < h->paths.size(); ++i) {
        const Expr& call = *h->paths[i];
        if (call.args.size() != 2) return fail(909, call.offset);
        Emitted v, sep;
        if (!expr(*call.args[0], base, &v) || !expr(*call.args[1], base, &sep)) return false;
        std::string piece = "coalesce(" + as_text(sep) + ",'')||coalesce(" + as_text(v) + ",'')";
        std::string col = "vantro_cbp_" + std::to_string(i);
        anchor += ", " + piece + " AS " + col;
        step += ", vantro_p." + col + "||" + piece;
    }
    for (std::size_t i = 0; i < h->roots.size(); ++i) {
        Emitted v;
        if (!expr(*h->roots[i]->args[0], base, &v)) return false;
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
    // directly; LEVEL there is the candidate's level.
    Hierarchy at_child;
    at_child.level_sql = "(vantro_p.vantro_level+1)";
    Scope child = base;
    child.prior = &parent;
    child.hierarchy = &at_child;
    Emitted cb;
    if (!expr(*s.connect_by, child, &cb)) return false;
    if (cb.aggregate) return fail(934, s.connect_by->offset);
    step += ", " + a + ".* FROM vantro_h AS vantro_p JOIN vantro_b AS " + a + " ON (" + cb.sql + ")";
    std::string seen = "instr(vantro_p.vantro_seen,','||" + a + ".vantro_rn||',')=0";
    if (!uses_prior(*s.connect_by)) {
        // Without PRIOR no row is another's ancestor in Oracle's sense: LEVEL alone bounds it.
        step += std::string(" AND (vantro_p.vantro_level<") + kLevelLimit +
                " OR vantro_raise('ORA-30009: Not enough memory for CONNECT BY operation') IS NULL)";
    } else if (s.nocycle) {
        step += " AND " + seen;
    } else {
        // The check repeats the condition so that it fails only for a real child, whatever
        // order SQLite tests the terms in.
        step += " AND CASE WHEN " + seen + " THEN 1 WHEN (" + cb.sql + ") THEN vantro_raise(" +
                quote_text("ORA-01436: CONNECT BY loop in user data") + ") ELSE 0 END";
    }
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
