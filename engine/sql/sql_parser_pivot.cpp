// PIVOT and UNPIVOT after a FROM item. PIVOT's aggregates are written once per IN value
// as agg(CASE WHEN for = value THEN arg END): the aggregate and the value are parsed
// again from their tokens for each cell, so that every cell owns its syntax tree.
#include "sql/sql_parser.h"

#include <algorithm>

namespace sql_grammar {

namespace {

// The names of the columns an expression reads (the last part of each column reference).
void read_columns(const Expr& e, std::vector<std::string>* out) {
    if (e.kind == ExprKind::Column && !e.path.empty()) {
        if (std::find(out->begin(), out->end(), e.path.back()) == out->end()) out->push_back(e.path.back());
        return;
    }
    for (const ExprPtr& a : e.args)
        if (a) read_columns(*a, out);
}

bool constant(const Expr& e) {
    switch (e.kind) {
    case ExprKind::String:
    case ExprKind::Number:
    case ExprKind::Null:
    case ExprKind::DateLiteral:
    case ExprKind::IntervalLiteral:
        return true;
    case ExprKind::Unary:
    case ExprKind::Binary:
    case ExprKind::Concat:
        for (const ExprPtr& a : e.args)
            if (!a || !constant(*a)) return false;
        return true;
    default:
        return false;
    }
}

}  // namespace

// One cell of the pivot: aggregate agg_at over the rows whose FOR columns equal the
// value(s) at value_at.
bool Parser::pivot_cell(std::size_t agg_at, std::size_t value_at, const std::vector<std::string>& for_columns,
                        std::size_t width, PivotClause* pc) {
    seek(agg_at);
    ExprPtr agg;
    if (!expr(&agg)) return false;
    seek(value_at);
    std::vector<ExprPtr> values;
    bool tuple = width > 1;
    if (tuple && !expect_op("(", 906)) return false;
    do {
        ExprPtr v;
        if (!expr(&v)) return false;
        values.push_back(std::move(v));
    } while (tuple && values.size() < width && accept_op(","));
    if (tuple && !expect_op(")", 907)) return false;
    ExprPtr cond;
    for (std::size_t k = 0; k < width; ++k) {
        ExprPtr column = make(ExprKind::Column, values[k]->offset);
        column->path.push_back(for_columns[k]);
        column->path_offsets.push_back(values[k]->offset);
        ExprPtr eq = make(ExprKind::Compare, values[k]->offset);
        eq->text = "=";
        eq->args.push_back(std::move(column));
        eq->args.push_back(std::move(values[k]));
        if (!cond) {
            cond = std::move(eq);
            continue;
        }
        ExprPtr both = make(ExprKind::And, cond->offset);
        both->args.push_back(std::move(cond));
        both->args.push_back(std::move(eq));
        cond = std::move(both);
    }
    ExprPtr when = make(ExprKind::Case, agg->offset);
    when->args.push_back(std::move(cond));
    if (agg->star) {
        ExprPtr one = make(ExprKind::Number, agg->offset);
        one->text = "1";
        when->args.push_back(std::move(one));
        agg->star = false;
    } else {
        when->args.push_back(std::move(agg->args[0]));
        agg->args.clear();
    }
    agg->args.push_back(std::move(when));
    pc->cells.push_back(std::move(agg));
    return true;
}

// PIVOT ( agg [[AS] alias], ... FOR column | (columns) IN ( value | (values) [[AS] alias], ... ) )
bool Parser::pivot_clause(FromItem* f) {
    auto pc = std::make_unique<PivotClause>();
    pc->offset = cur().offset;
    next();
    if (is_word("XML")) return fail(3001, ": PIVOT XML");
    if (!expect_op("(", 906)) return false;
    std::vector<std::size_t> agg_at;
    std::vector<std::string> agg_alias;
    do {
        agg_at.push_back(pos());
        ExprPtr a;
        if (!expr(&a)) return false;
        if (a->kind != ExprKind::Function || a->over || a->args.size() > 1 || (a->args.empty() && !a->star)) {
            seek(agg_at.back());
            return fail(56902);
        }
        for (const ExprPtr& arg : a->args) read_columns(*arg, &pc->measure_columns);
        std::string alias;
        if (accept_word("AS")) {
            if (!identifier(&alias)) return fail(904, "\"" + cur().text + "\"");
        } else if (!is_word("FOR")) {
            identifier(&alias);
        }
        agg_alias.push_back(alias);
    } while (accept_op(","));
    if (!expect_word("FOR", 905)) return false;
    if (is_op("(")) {
        if (!name_list(&pc->for_columns)) return false;
    } else {
        std::string c;
        if (!identifier(&c)) return fail(904, "\"" + cur().text + "\"");
        pc->for_columns.push_back(c);
    }
    if (!expect_word("IN", 905) || !expect_op("(", 906)) return false;
    if (is_word("SELECT") || is_word("ANY")) return fail(3001, ": PIVOT IN with a subquery or ANY");
    const std::size_t width = pc->for_columns.size();
    std::vector<std::size_t> value_at;
    std::vector<std::string> value_name;
    do {
        value_at.push_back(pos());
        std::size_t first = pos();
        if (width > 1 && !expect_op("(", 906)) return false;
        for (std::size_t k = 0; k < width; ++k) {
            if (k && !expect_op(",", 907)) return false;
            ExprPtr v;
            std::size_t at = pos();
            if (!expr(&v)) return false;
            if (!constant(*v)) {
                seek(at);
                return fail(56901);
            }
        }
        if (width > 1 && !expect_op(")", 907)) return false;
        // The column is named by the value as written ('CLERK' keeps its quotes), or by
        // its alias.
        std::string text;
        for (std::size_t k = first; k < pos(); ++k) {
            const Token& t = t_[k];
            if (width > 1 && (k == first || k + 1 == pos())) continue;
            if (t.kind == TokenKind::String) {
                text += "'";
                for (char c : t.text) text += c == '\'' ? std::string("''") : std::string(1, c);
                text += "'";
            } else {
                text += t.text == "," ? "_" : t.text;
            }
        }
        std::string alias;
        if (accept_word("AS")) {
            if (!identifier(&alias)) return fail(904, "\"" + cur().text + "\"");
        } else {
            identifier(&alias);
        }
        value_name.push_back(alias.empty() ? text : alias);
    } while (accept_op(","));
    if (!expect_op(")", 907) || !expect_op(")", 907)) return false;
    const std::size_t end = pos();
    for (std::size_t i = 0; i < value_at.size(); ++i)
        for (std::size_t j = 0; j < agg_at.size(); ++j) {
            if (!pivot_cell(agg_at[j], value_at[i], pc->for_columns, width, pc.get())) return false;
            pc->names.push_back(agg_alias[j].empty() ? value_name[i] : value_name[i] + "_" + agg_alias[j]);
        }
    seek(end);
    f->pivot = std::move(pc);
    return true;
}

// UNPIVOT [INCLUDE|EXCLUDE NULLS] ( value | (values) FOR name | (names)
//   IN ( column | (columns) [AS label | (labels)], ... ) )
bool Parser::unpivot_clause(FromItem* f) {
    auto pc = std::make_unique<PivotClause>();
    pc->unpivot = true;
    pc->offset = cur().offset;
    next();
    if (accept_word("INCLUDE")) {
        pc->include_nulls = true;
        if (!expect_word("NULLS", 905)) return false;
    } else if (accept_word("EXCLUDE") && !expect_word("NULLS", 905)) {
        return false;
    }
    if (!expect_op("(", 906)) return false;
    auto names = [&](std::vector<std::string>* out) {
        if (is_op("(")) return name_list(out);
        std::string c;
        if (!identifier(&c)) return fail(904, "\"" + cur().text + "\"");
        out->push_back(c);
        return true;
    };
    if (!names(&pc->value_columns)) return false;
    if (!expect_word("FOR", 905)) return false;
    if (!names(&pc->name_columns)) return false;
    if (!expect_word("IN", 905) || !expect_op("(", 906)) return false;
    do {
        pc->in_offsets.push_back(cur().offset);
        std::vector<std::string> columns;
        if (!names(&columns)) return false;
        if (columns.size() != pc->value_columns.size()) return fail(1730);
        std::vector<ExprPtr> labels;
        if (accept_word("AS")) {
            bool tuple = accept_op("(");
            do {
                ExprPtr v;
                std::size_t at = pos();
                if (!expr(&v)) return false;
                if (!constant(*v)) {
                    seek(at);
                    return fail(56901);
                }
                labels.push_back(std::move(v));
            } while (tuple && accept_op(","));
            if (tuple && !expect_op(")", 907)) return false;
            if (labels.size() != pc->name_columns.size()) return fail(1730);
        } else if (pc->name_columns.size() != 1) {
            return fail(1730);
        }
        pc->in_columns.push_back(std::move(columns));
        pc->in_labels.push_back(std::move(labels));
    } while (accept_op(","));
    if (!expect_op(")", 907) || !expect_op(")", 907)) return false;
    f->pivot = std::move(pc);
    return true;
}

}  // namespace sql_grammar
