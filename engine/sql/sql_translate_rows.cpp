// Rows of values compared with rows: (a, b) = (1, 2), (a, b) IN ((1, 2), (3, 4)),
// (a, b) IN (subquery), (a, b) = ANY | ALL (...) and (a, b) = (single-row subquery).
// Two rows are equal when each pair of values is, with the three-valued logic of AND, so
// a NULL in either row leaves the answer UNKNOWN unless another pair differs; NOT IN
// follows from it. Only = and <> compare rows (ORA-01796 for the other operators).
#include "values/errors.h"
#include "sql/sql_translator.h"

// The values of a row on the left of a comparison.
bool Translator::row_values(Expr& row, const Scope& scope, std::vector<Emitted>* out) {
    for (auto& item : row.args) {
        if (item->kind == ExprKind::Row) return fail(920, item->offset);
        Emitted v;
        if (!expr(*item, scope, &v)) return false;
        out->push_back(v);
    }
    return true;
}

// The equality of the values lhs with row, as one SQL condition.
bool Translator::row_equal(const std::vector<Emitted>& lhs, Expr& row, const Scope& scope, std::uint32_t at,
                           std::string* sql) {
    if (row.kind != ExprKind::Row) return fail(920, row.offset);
    if (row.args.size() > lhs.size()) return fail(913, row.args[lhs.size()]->offset);
    if (row.args.size() < lhs.size()) return fail(947, row.offset);
    std::string terms;
    for (std::size_t i = 0; i < lhs.size(); ++i) {
        if (row.args[i]->kind == ExprKind::Row) return fail(920, row.args[i]->offset);
        Emitted a = lhs[i], b;
        if (!expr(*row.args[i], scope, &b)) return false;
        if (!comparison_operands(&a, &b, at)) return false;
        terms += (i ? " AND " : "") + ("(" + a.sql + "=" + b.sql + ")");
    }
    *sql = "(" + terms + ")";
    return true;
}

// The rows of subquery q compared with the values lhs: values is the row of lhs as SQLite
// compares it, rows a query of q's rows in the same form, and equal the equality of the
// two (q's columns named vantro_r1, vantro_r2 ... in rows).
bool Translator::row_subquery(const std::vector<Emitted>& lhs, SelectStmt& q, const Scope& scope, std::uint32_t at,
                              std::string* values, std::string* rows, std::string* equal) {
    std::vector<ColumnInfo> cols;
    std::string sub;
    if (!select(q, &scope, &cols, &sub)) return false;
    if (cols.size() > lhs.size()) return fail(913, q.offset);
    if (cols.size() < lhs.size()) return fail(947, q.offset);
    // The subquery's columns are renamed by position, so that names in the values still
    // reach the outer query's columns and columns of one name stay apart.
    std::string names, list;
    for (std::size_t i = 0; i < cols.size(); ++i) {
        std::string name = "vantro_r" + std::to_string(i + 1);
        Emitted a = lhs[i], c;
        c.sql = name;
        c.type = cols[i].type;
        if (!comparison_operands(&a, &c, at)) return false;
        names += (i ? "," : "") + name;
        *values += (i ? "," : "") + a.sql;
        list += (i ? "," : "") + c.sql + " AS " + name;
        *equal += (i ? " AND " : "") + ("(" + a.sql + "=" + name + ")");
    }
    *values = "(" + *values + ")";
    *rows = "WITH vantro_row(" + names + ") AS (" + sub + ") SELECT " + list + " FROM vantro_row";
    *equal = "(" + *equal + ")";
    return true;
}

bool Translator::row_condition(Expr& e, const Scope& scope, Emitted* out) {
    Expr& row = *e.args[0];
    std::vector<Emitted> lhs;
    if (!row_values(row, scope, &lhs)) return false;
    out->type = number_type();
    for (const Emitted& v : lhs) out->aggregate = out->aggregate || v.aggregate;
    const bool compare = e.kind == ExprKind::Compare, quantified = e.kind == ExprKind::Quantified;
    if ((compare || quantified) && e.text != "=" && e.text != "<>") return fail(1796, e.offset);
    // = ANY is IN and <> ALL is NOT IN; = ALL is every row equal, and <> ANY its negation.
    bool in = e.kind == ExprKind::InList || e.kind == ExprKind::InSubquery ||
              (quantified && e.text == "=" && !e.star) || (quantified && e.text == "<>" && e.star);
    bool negated = e.negated || (quantified && e.text == "<>");
    if (compare) {
        Expr* other = e.args[1].get();
        if (other->kind == ExprKind::Subquery) {
            // One row at most (ORA-01427); none compares as a row of NULLs.
            std::string values, rows, equal;
            if (!row_subquery(lhs, *other->subquery, scope, e.offset, &values, &rows, &equal)) return false;
            // SQLite compares the row with the subquery's first row and gives the bare
            // columns of an aggregate query the values of its one row (NULL without rows).
            std::string first;
            for (std::size_t i = 0; i < lhs.size(); ++i) {
                std::string name = "vantro_r" + std::to_string(i + 1);
                first += i ? "," + name : "CASE WHEN count(*)>1 THEN vantro_error(1427) ELSE " + name + " END";
            }
            out->sql = "(" + values + "=(SELECT " + first + " FROM (" + rows + ")))";
            if (e.text == "<>") out->sql = "(NOT " + out->sql + ")";
            return true;
        }
        // (a, b) = ((1, 2)): a list of one row.
        if (other->kind == ExprKind::Row && other->args.size() == 1 && other->args[0]->kind == ExprKind::Row)
            other = other->args[0].get();
        std::string equal;
        if (!row_equal(lhs, *other, scope, e.offset, &equal)) return false;
        out->sql = e.text == "<>" ? "(NOT " + equal + ")" : equal;
        return true;
    }
    if (e.subquery) {
        std::string values, rows, equal;
        if (!row_subquery(lhs, *e.subquery, scope, e.offset, &values, &rows, &equal)) return false;
        if (in) {
            out->sql = "(" + values + (negated ? " NOT IN (" : " IN (") + rows + "))";
            return true;
        }
        // = ALL: FALSE when a row differs, else UNKNOWN when a comparison is, else TRUE. The
        // values are compared inside the subquery, where SQLite takes no aggregate of the
        // outer query.
        if (out->aggregate) return fail(3001, e.offset, ": = ALL or <> ANY with a row of aggregates");
        std::string from = "(SELECT 1 FROM (" + rows + ") WHERE ";
        std::string all = "(CASE WHEN EXISTS " + from + "NOT " + equal + ") THEN 0 WHEN EXISTS " + from + equal +
                          " IS NULL) THEN NULL ELSE 1 END)";
        out->sql = negated ? "(NOT " + all + ")" : all;
        return true;
    }
    // A list of rows: IN is a chain of OR, = ALL one of AND.
    std::string terms;
    for (std::size_t i = 1; i < e.args.size(); ++i) {
        std::string equal;
        if (!row_equal(lhs, *e.args[i], scope, e.offset, &equal)) return false;
        terms += (i > 1 ? (in ? " OR " : " AND ") : "") + equal;
    }
    out->sql = negated ? "(NOT (" + terms + "))" : "(" + terms + ")";
    return true;
}
