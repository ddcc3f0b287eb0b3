// Oracle-to-SQLite translation, the statement half: queries and DML (the DDL of the SQL
// grammar is in sql_translate_ddl.cpp). Every name is resolved here or in the expression
// half (sql_translate_expr.cpp), so that a wrong table or column is reported with
// Oracle's error at the token the user typed; every Oracle rule SQLite lacks (the empty
// string as NULL, || ignoring NULLs, exact division, dates as text in the session
// format, stored values converted to the column's type) becomes a call of one of the
// engine's SQL functions (sql_functions.cpp).
// It never runs SQL.
#include "sql/sql_translate.h"

#include "catalog/constraints.h"
#include "values/errors.h"
#include "values/number_bytes.h"
#include "values/sql_dialect.h"
#include "values/sql_functions.h"
#include "values/sql_interval.h"
#include "sql/sql_translate_xml.h"
#include "sql/sql_translator.h"
#include "sql/storage.h"
#include "values/utf8.h"
#include "values/values.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <set>

std::string order_key(const OraType& t, const std::string& sql, const std::string& keyed);
std::string family_name(const OraType& t);

// How the statement names the rows of owner.table: the table, or this session's rows of
// a global temporary table. A view is stored in its schema file and cannot read a
// session's rows.
bool Translator::rows_sql(const std::string& owner, const std::string& table, std::uint32_t offset, std::string* sql) {
    int code = 0;
    if (!ctx_.catalog->temporary_rows(owner, table, sql, &code)) {
        *sql = quote_name(owner) + "." + quote_name(table);
        return true;
    }
    if (!code && ctx_.stored_in_schema) code = 3001;
    if (code) return fail(code, offset), false;
    return true;
}

bool Translator::may_use(const std::string& owner, const std::string& name, const char* privilege,
                         std::uint32_t offset) {
    const int code = ctx_.catalog->object_access(owner, name, privilege);
    if (code > 0) return fail(code, offset), false;
    return true;
}

// DML keeps every index of its table up to date, so it cannot run while an index it
// may not skip (a unique one, or one that enforces a key) is UNUSABLE.
bool Translator::indexes_usable(const std::string& owner, const std::string& table, std::uint32_t offset) {
    const std::string unusable = ctx_.catalog->unusable_index(owner, table, true);
    if (unusable.empty()) return true;
    return fail(1502, offset, unusable), false;
}

// The object a synonym names: an unqualified name the schema's own synonym or a public
// one, owner.name only owner's own synonym.
bool Translator::synonym_target(const TableRef& t, std::string* owner, std::string* target) {
    const bool found = t.owner.empty() ? ctx_.catalog->synonym_target(ctx_.schema, t.name, owner, target)
                                       : ctx_.catalog->private_synonym_target(t.owner, t.name, owner, target);
    if (found && owner->empty()) *owner = t.owner.empty() ? ctx_.schema : t.owner;
    return found;
}

bool Translator::table_source(const TableRef& t, Source* src, const char* privilege) {
    if (t.owner.empty()) {
        for (auto it = query_names_.rbegin(); it != query_names_.rend(); ++it) {
            if (it->name != t.name) continue;
            src->columns = it->columns;
            src->sql = it->sql.empty() ? quote_name(t.name) : it->sql;
            src->alias = t.name;
            return true;
        }
    }
    std::string owner = owner_of(t);
    if (!ctx_.catalog->table_columns(owner, t.name, &src->columns)) {
        if ((t.owner.empty() || t.owner == "SYS" || t.owner == "PUBLIC") && t.name != "DUAL" &&
            ctx_.catalog->dictionary_view(t.name, &src->columns, &src->sql)) {
            src->alias = t.name;
            return true;
        }
        std::string syn_owner, syn_target;
        if (t.name != "DUAL" && synonym_target(t, &syn_owner, &syn_target)) {
            src->alias = t.name;
            if (ctx_.catalog->table_columns(syn_owner, syn_target, &src->columns)) {
                src->rowid_owner = syn_owner;
                src->rowid_table = syn_target;
                return may_use(syn_owner, syn_target, privilege, t.offset) &&
                       rows_sql(syn_owner, syn_target, t.offset, &src->sql);
            }
            if ((syn_owner == "SYS" || syn_owner == "PUBLIC") &&
                ctx_.catalog->dictionary_view(syn_target, &src->columns, &src->sql))
                return true;
            // A target the session holds no privilege on is hidden, as if named directly.
            return fail(ctx_.catalog->object_access(syn_owner, syn_target, privilege) == 942 ? 942 : 980, t.offset),
                   false;
        }
        if ((t.owner.empty() || t.owner == "SYS") && t.name == "DUAL") {
            ColumnInfo dummy;
            dummy.name = "DUMMY";
            dummy.type = varchar_type(1);
            src->columns.push_back(dummy);
            src->sql = ctx_.stored_in_schema ? "(SELECT 'X' AS \"DUMMY\")" : "\"main\".\"DUAL\"";
            src->alias = "DUAL";
            return true;
        }
        return fail(942, t.offset);
    }
    src->alias = t.name;
    src->rowid_owner = owner;
    src->rowid_table = t.name;
    return may_use(owner, t.name, privilege, t.offset) && rows_sql(owner, t.name, t.offset, &src->sql);
}

const Expr* find_rownum(const Expr& e) {
    if (is_rownum(e)) return &e;
    for (const ExprPtr& a : e.args)
        if (const Expr* r = find_rownum(*a)) return r;
    return nullptr;
}

const Expr* find_analytic(const Expr& e) {
    if (e.over) return &e;
    for (const ExprPtr& a : e.args)
        if (const Expr* r = find_analytic(*a)) return r;
    return nullptr;
}

// *limit: -2 when conjunct does not use ROWNUM, -1 when it keeps every row, else the
// number of rows it lets through. Other uses of ROWNUM in WHERE are refused.
bool Translator::rownum_limit(const Expr& c, long long* limit) {
    *limit = -2;
    const Expr* r = find_rownum(c);
    if (!r) return true;
    if (c.kind == ExprKind::Compare && c.args.size() == 2) {
        bool left = is_rownum(*c.args[0]) && c.args[1]->kind == ExprKind::Number;
        bool right = is_rownum(*c.args[1]) && c.args[0]->kind == ExprKind::Number;
        if (left || right) {
            double n = std::atof((left ? c.args[1] : c.args[0])->text.c_str());
            std::string op = c.text;
            if (right) op = op == "<" ? ">" : op == ">" ? "<" : op == "<=" ? ">=" : op == ">=" ? "<=" : op;
            long long whole = static_cast<long long>(n);
            bool integral = static_cast<double>(whole) == n;
            if (op == "<=")
                *limit = n < 1 ? 0 : static_cast<long long>(std::floor(n));
            else if (op == "<")
                *limit = n <= 1 ? 0 : (integral ? whole - 1 : static_cast<long long>(std::floor(n)));
            else if (op == "=")
                *limit = n == 1 ? 1 : 0;
            else if (op == ">")
                *limit = n < 1 ? -1 : 0;
            else if (op == ">=")
                *limit = n <= 1 ? -1 : 0;
            else if (op == "<>" || op == "!=")
                *limit = n < 1 || !integral ? -1 : whole - 1;
            else
                return fail(3001, r->offset), false;
            return true;
        }
    }
    return fail(3001, r->offset), false;
}

void split_conjuncts(Expr* e, std::vector<Expr*>* out) {
    if (e->kind == ExprKind::And) {
        split_conjuncts(e->args[0].get(), out);
        split_conjuncts(e->args[1].get(), out);
    } else {
        out->push_back(e);
    }
}

void outer_join_columns(const Expr& e, std::vector<const Expr*>* out) {
    if (e.kind == ExprKind::Column && e.outer_join) out->push_back(&e);
    for (const ExprPtr& a : e.args) outer_join_columns(*a, out);
}

// The FROM item (index in s.from) whose columns carry (+) in conjunct, -1 when none does.
// Oracle allows (+) on one table per conjunct and not inside OR (ORA-01719).
bool Translator::outer_join_target(const Expr& conjunct, const SelectStmt& s, const Scope& scope, int* target) {
    *target = -1;
    std::vector<const Expr*> cols;
    outer_join_columns(conjunct, &cols);
    if (cols.empty()) return true;
    if (conjunct.kind == ExprKind::Or) return fail(1719, conjunct.offset), false;
    for (const Expr* c : cols) {
        int found = -1;
        const std::string& name = c->path.back();
        std::string qualifier = c->path.size() >= 2 ? c->path[c->path.size() - 2] : std::string();
        for (std::size_t i = 0; i < scope.sources.size() && i < s.from.size(); ++i) {
            const Source& src = scope.sources[i];
            if (!qualifier.empty() && src.alias != qualifier) continue;
            for (const ColumnInfo& col : src.columns)
                if (col.name == name) found = static_cast<int>(i);
        }
        if (found < 0) return fail(904, c->offset, "\"" + name + "\"");
        if (*target >= 0 && *target != found) return fail(1468, c->offset), false;
        *target = found;
    }
    return true;
}

namespace {

// Whether a query (or any query inside it) reads the table or query name `name`.
bool reads_name(const SelectStmt& s, const std::string& name);

bool expr_reads_name(const Expr& e, const std::string& name) {
    if (e.subquery && reads_name(*e.subquery, name)) return true;
    for (const ExprPtr& a : e.args)
        if (a && expr_reads_name(*a, name)) return true;
    return false;
}

bool reads_name(const SelectStmt& s, const std::string& name) {
    for (const SelectStmt* b = &s; b; b = b->next.get()) {
        for (const FromItem& f : b->from) {
            if (f.subquery ? reads_name(*f.subquery, name) : (f.table.owner.empty() && f.table.name == name))
                return true;
            if (f.on && expr_reads_name(*f.on, name)) return true;
        }
        for (const SelectItem& it : b->items)
            if (expr_reads_name(*it.expr, name)) return true;
        if (b->where && expr_reads_name(*b->where, name)) return true;
        if (b->having && expr_reads_name(*b->having, name)) return true;
    }
    return false;
}

// The value of a text literal as the translator wrote it ('it''s'); false for any other SQL.
bool literal_value(const std::string& sql, std::string* value) {
    if (sql.size() < 2 || sql.front() != '\'' || sql.back() != '\'') return false;
    value->clear();
    for (std::size_t i = 1; i + 1 < sql.size(); ++i) {
        if (sql[i] == '\'') {
            if (i + 2 >= sql.size() || sql[i + 1] != '\'') return false;
            ++i;
        }
        *value += sql[i];
    }
    return true;
}

}  // namespace

// WITH name [(columns)] AS (query), ...: each name is known to the queries after it and
// to the main query; a query that reads its own name is recursive (an anchor, UNION ALL,
// and a member that reads the rows found so far).
bool Translator::with_clause(SelectStmt& s, std::string* sql) {
    bool recursive = false;
    std::string text;
    for (std::size_t i = 0; i < s.with.size(); ++i) {
        SelectStmt::Factored& f = s.with[i];
        for (std::size_t j = 0; j < i; ++j)
            if (s.with[j].name == f.name) return fail(32031, f.offset);
        QueryName q;
        q.name = f.name;
        std::vector<ColumnInfo> cols;
        std::string body;
        bool recursive_element = reads_name(*f.query, f.name);
        if (!recursive_element && (f.search || f.cycle))
            return fail(32480, f.search ? f.search->offset : f.cycle->offset);
        if (recursive_element) {
            if (f.columns.empty()) return fail(32039, f.offset);
            if (!f.query->next || f.query->set_op != SetOp::UnionAll) return fail(32040, f.offset);
            // The anchor gives the columns their types; the recursive member reads them.
            std::unique_ptr<SelectStmt> rest = std::move(f.query->next);
            SetOp op = f.query->set_op;
            f.query->set_op = SetOp::None;
            std::vector<ColumnInfo> anchor;
            std::string anchor_sql;
            bool ok = select(*f.query, nullptr, &anchor, &anchor_sql);
            f.query->next = std::move(rest);
            f.query->set_op = op;
            if (!ok) return false;
            if (anchor.size() != f.columns.size()) return fail(32038, f.offset);
            for (std::size_t k = 0; k < anchor.size(); ++k) anchor[k].name = f.columns[k];
            q.columns = anchor;
            if (f.search || f.cycle) {
                std::string element;
                if (!search_cycle_element(f, anchor, anchor_sql, &q.columns, &element)) return false;
                text += std::string(i ? ", " : "") + element;
                query_names_.push_back(q);
                recursive = true;
                continue;
            }
            query_names_.push_back(q);
            ok = select(*f.query, nullptr, &cols, &body);
            query_names_.pop_back();
            if (!ok) return false;
            recursive = true;
        } else if (!select(*f.query, nullptr, &cols, &body)) {
            return false;
        }
        if (!f.columns.empty()) {
            if (f.columns.size() != cols.size()) return fail(32038, f.offset);
            for (std::size_t k = 0; k < cols.size(); ++k) cols[k].name = f.columns[k];
        }
        q.columns = cols;
        text += std::string(i ? ", " : "") + quote_name(f.name) + "(";
        for (std::size_t k = 0; k < cols.size(); ++k) text += (k ? "," : "") + quote_name(cols[k].name);
        text += ") AS (" + body + ")";
        query_names_.push_back(q);
    }
    *sql = std::string(recursive ? "WITH RECURSIVE " : "WITH ") + text + " ";
    return true;
}

bool Translator::select(SelectStmt& s, const Scope* outer, std::vector<ColumnInfo>* cols, std::string* sql,
                        const std::vector<ColumnInfo>* store_types) {
    std::size_t names_before = query_names_.size();
    std::size_t units_before = declared_units_.size();
    if (s.plsql_begin != s.plsql_end) {
        // The PL/SQL declarations are compiled with the statement, and their functions
        // shadow stored ones of the same name within this query.
        if (!ctx_.with_plsql) return fail(3001, s.plsql_begin, ": PL/SQL declarations in a stored query");
        DeclaredUnit u;
        if (!ctx_.with_plsql(ctx_.with_plsql_data, s.plsql_begin, s.plsql_end, &u.unit, &u.functions, err_))
            return false;
        declared_units_.push_back(std::move(u));
    }
    std::string with;
    bool ok = (s.with.empty() || with_clause(s, &with)) && select_query(s, outer, cols, sql, store_types);
    query_names_.resize(names_before);
    declared_units_.resize(units_before);
    if (ok) *sql = with + *sql;
    return ok;
}

// WITH TIES and PERCENT rank the rows in an outer query that sees only the result
// columns; an ORDER BY key that is none of them (a column of the FROM tables that is not
// selected, an expression) becomes a hidden column at the end of the select list, and
// ORDER BY names it. A name that is a result column keeps its place.
static void hide_order_keys(SelectStmt& s) {
    if (s.next || s.distinct || s.hidden_items != 0 || !s.fetch_rows || !(s.fetch_ties || s.fetch_percent)) return;
    for (OrderItem& o : s.order_by) {
        if (o.expr->kind == ExprKind::Number) continue;
        if (o.expr->kind == ExprKind::Column && o.expr->path.size() == 1) {
            bool selected = false;
            for (const SelectItem& item : s.items) {
                const std::string& name = o.expr->path[0];
                selected = selected || item.alias == name ||
                           (item.expr->kind == ExprKind::Star && item.expr->path.empty()) ||
                           (item.alias.empty() && item.expr->kind == ExprKind::Column && !item.expr->path.empty() &&
                            item.expr->path.back() == name);
            }
            if (selected) continue;
        }
        SelectItem hidden;
        hidden.alias = "VANTRO_ORDER_KEY" + std::to_string(++s.hidden_items);
        hidden.offset = o.expr->offset;
        auto name = std::make_unique<Expr>();
        name->kind = ExprKind::Column;
        name->path.push_back(hidden.alias);
        name->path_offsets.push_back(o.expr->offset);
        name->offset = o.expr->offset;
        hidden.expr = std::move(o.expr);
        o.expr = std::move(name);
        s.items.push_back(std::move(hidden));
    }
}

// SQLite joins at most 500 blocks in one compound SELECT; Oracle knows no such limit. A
// longer compound is cut into runs of blocks, each read as a subquery. Set operators
// apply from left to right, so a leading run stands in for its blocks; a run of one
// associative operator (UNION ALL, UNION, INTERSECT) is cut into runs side by side,
// which keeps the subqueries shallow.
static const char* compound_operator(SetOp op) {
    switch (op) {
    case SetOp::Union:
        return " UNION ";
    case SetOp::UnionAll:
        return " UNION ALL ";
    case SetOp::Intersect:
        return " INTERSECT ";
    case SetOp::Minus:
        return " EXCEPT ";
    case SetOp::None:
        break;
    }
    return "";
}

static std::string compound_text(std::vector<std::string> terms, std::vector<SetOp> ops) {
    constexpr std::size_t kRun = 400;  // blocks per compound, below SQLite's 500
    auto join = [&](std::size_t from, std::size_t to) {
        std::string text;
        for (std::size_t k = from; k < to; ++k) {
            if (k > from) text += compound_operator(ops[k - 1]);
            text += terms[k];
        }
        return text;
    };
    while (terms.size() > kRun) {
        bool associative = ops[0] != SetOp::Minus;
        for (SetOp op : ops) associative = associative && op == ops[0];
        std::vector<std::string> runs;
        std::vector<SetOp> run_ops;
        if (associative) {
            for (std::size_t from = 0; from < terms.size(); from += kRun) {
                runs.push_back("SELECT * FROM (" + join(from, std::min(terms.size(), from + kRun)) + ")");
                if (from > 0) run_ops.push_back(ops[0]);
            }
        } else {
            runs.push_back("SELECT * FROM (" + join(0, kRun) + ")");
            for (std::size_t k = kRun; k < terms.size(); ++k) {
                runs.push_back(std::move(terms[k]));
                run_ops.push_back(ops[k - 1]);
            }
        }
        terms = std::move(runs);
        ops = std::move(run_ops);
    }
    return join(0, terms.size());
}

bool Translator::select_query(SelectStmt& s, const Scope* outer, std::vector<ColumnInfo>* cols, std::string* sql,
                              const std::vector<ColumnInfo>* store_types) {
    std::string text;
    std::vector<ColumnInfo> first_cols;
    std::vector<std::string> terms;
    std::vector<SetOp> ops;  // ops[k] joins terms[k] and terms[k + 1]
    hide_order_keys(s);
    for (SelectStmt* b = &s; b; b = b->next.get()) {
        std::vector<ColumnInfo> bc;
        std::string bs;
        if (!select_block(*b, outer, &bc, &bs, store_types)) return false;
        if (b == &s) {
            first_cols = bc;
        } else if (bc.size() != first_cols.size()) {
            return fail(1789, b->offset), false;
        } else {
            for (std::size_t i = 0; i < bc.size(); ++i) {
                bool null_item = i < b->items.size() && b->items[i].expr->kind == ExprKind::Null;
                if (!null_item && first_cols[i].type.size == 0 && first_cols[i].type.code == kTypeVarchar2) {
                    first_cols[i].type = bc[i].type;
                    continue;
                }
                if (!null_item && !same_family(first_cols[i].type, bc[i].type)) {
                    std::uint32_t at = i < b->items.size() ? b->items[i].offset : b->offset;
                    return fail(1790, at), false;
                }
                Emitted other;
                other.type = bc[i].type;
                first_cols[i].type = wider(first_cols[i].type, bc[i].type, text_size(other));
            }
        }
        terms.push_back(std::move(bs));
        if (b->next) ops.push_back(b->set_op);
    }
    text = compound_text(std::move(terms), std::move(ops));
    std::vector<std::string> order_keys;  // each ORDER BY item as a result column, empty when it is none
    if (!s.order_by.empty()) {
        // ORDER BY sees the result columns by name or position, and, for a simple query,
        // the tables of its FROM clause.
        Scope scope;
        scope.outer = outer;
        auto hierarchy = hierarchies_.find(&s);
        if (s.connect_by && hierarchy != hierarchies_.end()) scope.hierarchy = &hierarchy->second;
        if (!s.next) {
            for (FromItem& f : s.from) {
                Source src;
                if (f.json_table) {
                    if (!json_table_source(f, scope, &src)) return false;
                } else if (f.collection) {
                    if (!collection_source(f, scope, &src)) return false;
                } else if (f.subquery && f.lateral) {
                    if (!lateral_source(f, scope, &src)) return false;
                } else if (f.subquery) {
                    std::string ignored;
                    if (!select(*f.subquery, nullptr, &src.columns, &ignored)) return false;
                    src.alias = f.alias;
                } else if (!table_source(f.table, &src)) {
                    return false;
                }
                if (!f.alias.empty()) src.alias = f.alias;
                scope.sources.push_back(std::move(src));
            }
        }
        // A compound query orders by result columns only. Where one of them may hold wide
        // numbers, which sort by their key, the compound is read as a subquery whose
        // columns the keys name (by position when two of them share a name).
        bool keyed_compound = false;
        bool positional_compound = false;
        if (s.next) {
            std::set<std::string> names;
            for (const ColumnInfo& c : first_cols) names.insert(c.name);
            for (const OrderItem& o : s.order_by) {
                const ColumnInfo* c = nullptr;
                if (o.expr->kind == ExprKind::Number) {
                    int pos = std::atoi(o.expr->text.c_str());
                    if (pos >= 1 && static_cast<std::size_t>(pos) <= first_cols.size()) c = &first_cols[pos - 1];
                } else if (o.expr->kind == ExprKind::Column && o.expr->path.size() == 1) {
                    for (const ColumnInfo& col : first_cols)
                        if (col.name == o.expr->path[0]) c = &col;
                }
                keyed_compound = keyed_compound || (c && may_be_wide(c->type));
            }
            if (keyed_compound && names.size() == first_cols.size()) {
                text = "SELECT * FROM (" + text + ")";
            } else if (keyed_compound) {
                // Result columns that share a name are told apart by position: the
                // compound's columns are renamed by a common table expression and given
                // their names back outside it.
                positional_compound = true;
                std::string renamed, named;
                for (std::size_t k = 0; k < first_cols.size(); ++k) {
                    const std::string name = "\"vantro_c" + std::to_string(k + 1) + "\"";
                    renamed += (k ? "," : "") + name;
                    named += (k ? ", " : "") + name + " AS " + quote_name(first_cols[k].name);
                }
                text = "SELECT " + named + " FROM (WITH \"vantro_cq\"(" + renamed + ") AS (" + text +
                       ") SELECT * FROM \"vantro_cq\")";
            }
        }
        // The name an ORDER BY key of a keyed compound reads result column k by.
        auto compound_column = [&](std::size_t k) {
            return positional_compound ? "\"vantro_c" + std::to_string(k + 1) + "\"" : quote_name(first_cols[k].name);
        };
        text += " ORDER BY ";
        AnalyticGate analytic(analytic_ok_, true);
        for (std::size_t i = 0; i < s.order_by.size(); ++i) {
            OrderItem& o = s.order_by[i];
            std::string item;
            bool done = false;
            if (o.expr->kind == ExprKind::Number) {
                int pos = std::atoi(o.expr->text.c_str());
                if (pos < 1 || static_cast<std::size_t>(pos) > first_cols.size())
                    return fail(1785, o.expr->offset), false;
                // A zoned timestamp or interval sorts by its key, named by the column.
                const std::size_t k = static_cast<std::size_t>(pos - 1);
                item = s.next && !keyed_compound
                           ? o.expr->text
                           : order_key(first_cols[k].type, keyed_compound ? compound_column(k) : o.expr->text,
                                       keyed_compound ? compound_column(k)
                                                      : result_column_sql(s, k, quote_name(first_cols[k].name)));
                done = true;
                order_keys.push_back(s.next ? quote_name(first_cols[pos - 1].name)
                                            : order_key(first_cols[pos - 1].type, quote_name(first_cols[pos - 1].name),
                                                        quote_name(first_cols[pos - 1].name)));
            } else if (o.expr->kind == ExprKind::Column && o.expr->path.size() == 1) {
                for (const ColumnInfo& c : first_cols) {
                    if (c.name == o.expr->path[0]) {
                        const std::size_t k = static_cast<std::size_t>(&c - first_cols.data());
                        item = s.next && !keyed_compound ? quote_name(c.name)
                               : keyed_compound
                                   ? order_key(c.type, compound_column(k), compound_column(k))
                                   : order_key(c.type, quote_name(c.name), result_column_sql(s, k, quote_name(c.name)));
                        done = true;
                        break;
                    }
                }
                if (done) order_keys.push_back(item);
            }
            if (!done) order_keys.emplace_back();
            if (!order_keys.back().empty()) {
                bool first = o.nulls == 1 || (o.nulls == 0 && o.descending);
                order_keys.back() +=
                    std::string(o.descending ? " DESC" : " ASC") + (first ? " NULLS FIRST" : " NULLS LAST");
            }
            if (!done) {
                if (s.next) return fail(1785, o.expr->offset), false;
                Emitted e;
                auto grouped = grouped_blocks_.find(&s);
                PointerGate<GroupedRows> rows(grouped_, grouped == grouped_blocks_.end() ? nullptr : &grouped->second);
                if (!expr(*o.expr, scope, &e)) return false;
                auto limited = row_limited_blocks_.find(&s);
                if (!e.object_type.empty() && limited == row_limited_blocks_.end() &&
                    !map_order_key(&e, o.expr->offset))
                    return false;
                item = order_key(e.type, e.sql, e.sql);
                if (limited != row_limited_blocks_.end()) {
                    // The FROM rows are inside the limited subquery: the key is one of the
                    // result columns or one of the hidden key columns computed beside them.
                    const std::vector<std::string>& items = limited->second.items;
                    const std::vector<std::string>& keys = limited->second.hidden_keys;
                    std::size_t k = 0;
                    while (k < items.size() && items[k] != e.sql) ++k;
                    std::size_t h = 0;
                    while (h < keys.size() && keys[h] != e.sql) ++h;
                    if (k < items.size() && k < first_cols.size()) {
                        // By position: two result columns may share a name.
                        item = order_key(e.type, std::to_string(k + 1), quote_name(first_cols[k].name));
                    } else if (h < keys.size()) {
                        const std::string hidden = "\"vantro_ok" + std::to_string(h + 1) + "\"";
                        item = order_key(e.type, hidden, hidden);
                    } else {
                        std::string name;
                        for (const std::string& part : o.expr->path) name += (name.empty() ? "" : ".") + part;
                        return fail(904, o.expr->offset, name.empty() ? std::string() : "\"" + name + "\"");
                    }
                }
            }
            bool nulls_first = o.nulls == 1 || (o.nulls == 0 && o.descending);
            text += (i ? "," : "") + item + (o.descending ? " DESC" : " ASC") +
                    (nulls_first ? " NULLS FIRST" : " NULLS LAST");
        }
    }
    if (s.hidden_items != 0) {
        if (s.hidden_items > first_cols.size()) return fail(3001, s.fetch_offset), false;
        first_cols.resize(first_cols.size() - s.hidden_items);
    }
    if ((s.offset_rows || s.fetch_rows) && !row_limiting(s, first_cols, order_keys, &text)) return false;
    *cols = first_cols;
    *sql = text;
    return true;
}

// OFFSET n ROWS skips n rows, FETCH FIRST n ROWS ONLY keeps n (PERCENT: that share of the
// rows, rounded up), WITH TIES adds the rows that sort equal to the last one kept.
// Negative counts and NULL count as 0, fractions are cut.
bool Translator::row_limiting(SelectStmt& s, const std::vector<ColumnInfo>& cols,
                              const std::vector<std::string>& order_keys, std::string* sql) {
    Scope none;
    auto count_sql = [&](Expr* e, std::string* out) {
        if (!e) {
            *out = "0";
            return true;
        }
        Emitted v;
        if (!expr(*e, none, &v)) return false;
        if (v.aggregate) return fail(934, e->offset), false;
        if (is_date(v.type)) return fail(932, e->offset, "NUMBER", "DATE"), false;
        std::string n = is_number(v.type) ? v.sql : "vantro_to_number(" + v.sql + ")";
        *out = s.fetch_percent && e == s.fetch_rows.get() ? "max(0,coalesce(" + n + ",0))"
                                                          : "max(0,coalesce(CAST(" + n + " AS INTEGER),0))";
        return true;
    };
    std::string offset, rows;
    if (!count_sql(s.offset_rows.get(), &offset)) return false;
    if (s.fetch_rows && !count_sql(s.fetch_rows.get(), &rows)) return false;
    if (!s.fetch_percent && !s.fetch_ties) {
        *sql += " LIMIT " + (s.fetch_rows ? rows : std::string("-1")) + " OFFSET " + offset;
        return true;
    }
    // The rows numbered in the query's order, with their rank and the number of rows.
    bool ties = s.fetch_ties && !order_keys.empty();
    std::string order;
    for (const std::string& k : order_keys) {
        if (k.empty()) return fail(3001, s.fetch_offset), false;
        order += (order.empty() ? "" : ",") + k;
    }
    std::string names;
    for (const ColumnInfo& c : cols) names += (names.empty() ? "" : ",") + quote_name(c.name);
    std::string over = order.empty() ? "OVER ()" : "OVER (ORDER BY " + order + ")";
    std::string numbered = "SELECT *, row_number() " + over + " AS vantro_rn, rank() " + over +
                           " AS vantro_rk, count(*) OVER () AS vantro_cnt FROM (" + *sql + ")";
    std::string limit = s.fetch_percent ? "(CAST(" + rows + "*vantro_cnt/100.0 AS INTEGER)+(" + rows +
                                              "*vantro_cnt/100.0>CAST(" + rows + "*vantro_cnt/100.0 AS INTEGER)))"
                                        : rows;
    std::string last = "(" + offset + "+" + limit + ")";
    if (!ties) {
        *sql = "SELECT " + names + " FROM (" + numbered + ") WHERE vantro_rn>" + offset + " AND vantro_rn<=" + last +
               " ORDER BY vantro_rn";
        return true;
    }
    *sql = "SELECT " + names + " FROM (SELECT *, max(CASE WHEN vantro_rn<=" + last +
           " THEN vantro_rk END) OVER () AS vantro_last FROM (" + numbered + ")) WHERE vantro_rn>" + offset +
           " AND vantro_rk<=vantro_last ORDER BY vantro_rn";
    return true;
}

// The join word before a FROM item.
static const char* join_word(JoinKind j) {
    switch (j) {
    case JoinKind::First:
        return "";
    case JoinKind::Comma:
        return ", ";
    case JoinKind::Inner:
        return " JOIN ";
    case JoinKind::Left:
        return " LEFT JOIN ";
    case JoinKind::Right:
        return " RIGHT JOIN ";
    case JoinKind::Full:
        return " FULL JOIN ";
    case JoinKind::Cross:
        return " CROSS JOIN ";
    }
    return "";
}

// JOIN ... USING (columns): ON with the merged names keeps every side addressable by its
// alias.
bool Translator::using_condition(const FromItem& f, Scope* scope, std::string* on) {
    const Source& right = scope->sources.back();
    for (const std::string& u : f.using_columns) {
        bool left_has = false, right_has = false;
        for (std::size_t k = 0; k + 1 < scope->sources.size(); ++k)
            for (const ColumnInfo& c : scope->sources[k].columns) left_has = left_has || c.name == u;
        for (const ColumnInfo& c : right.columns) right_has = right_has || c.name == u;
        if (!left_has || !right_has) return fail(904, f.table.offset, "\"" + u + "\"");
        Scope left = *scope;
        left.sources.pop_back();
        OraType t;
        std::size_t k = 0;
        while (right.columns[k].name != u) ++k;
        *on += (on->empty() ? "" : " AND ") + using_column(left, u, &t) + "=" + quote_name(right.alias) + "." +
               quote_name(right.stored_name(k));
        if (scope->using_names.insert(u).second) scope->using_order.push_back(u);
        for (const Source& src : scope->sources)
            for (const ColumnInfo& c : src.columns)
                if (c.name == u) scope->merged_columns.emplace(src.alias + "." + u, f.natural);
    }
    return true;
}

// NATURAL JOIN: the columns of the new item whose names an item before it has, in the
// new item's column order. None makes it a join of every row with every row.
void Translator::natural_columns(FromItem* f, const Scope& scope) {
    f->using_columns.clear();
    const Source& right = scope.sources.back();
    for (const ColumnInfo& c : right.columns) {
        bool left_has = false;
        for (std::size_t k = 0; k + 1 < scope.sources.size(); ++k)
            for (const ColumnInfo& l : scope.sources[k].columns) left_has = left_has || l.name == c.name;
        if (left_has && std::find(f->using_columns.begin(), f->using_columns.end(), c.name) == f->using_columns.end())
            f->using_columns.push_back(c.name);
    }
}

// The inline view is translated as a statement of its own whose references to the items
// before it are parameters; the FROM clause calls vantro_lateral_rows with its text and
// those columns, and reads its columns as c1, c2, ... A view that takes binds of the
// statement (or PL/SQL names) is not run this way (ORA-03001), nor one with more columns
// or references than the function holds.
bool Translator::lateral_source(FromItem& f, const Scope& left, Source* src) {
    Scope items;
    items.sources = left.sources;
    std::vector<std::string> args;
    items.lateral_args = &args;
    const std::size_t binds = out_->bind_names.size();
    std::string sub;
    if (!select(*f.subquery, &items, &src->columns, &sub)) return false;
    if (out_->bind_names.size() != binds || src->columns.size() > static_cast<std::size_t>(kLateralMaxColumns) ||
        args.size() > static_cast<std::size_t>(kLateralMaxArgs))
        return fail(3001, f.subquery->offset);
    src->sql = "vantro_lateral_rows(" + quote_text(sub);
    for (const std::string& a : args) src->sql += "," + a;
    src->sql += ")";
    for (std::size_t i = 0; i < src->columns.size(); ++i) src->stored.push_back("c" + std::to_string(i + 1));
    src->alias = f.alias;
    return true;
}

bool Translator::from_clause(SelectStmt& s, Scope* scope, std::string* from, std::vector<std::string>* pieces) {
    for (FromItem& f : s.from) {
        Source src;
        if (f.json_table) {
            if (!json_table_source(f, *scope, &src)) return false;
        } else if (f.collection) {
            if (!collection_source(f, *scope, &src)) return false;
        } else if (f.subquery && f.lateral) {
            if (!lateral_source(f, *scope, &src)) return false;
        } else if (f.subquery) {
            std::string sub;
            if (!select(*f.subquery, nullptr, &src.columns, &sub)) return false;
            src.sql = "(" + sub + ")";
            // A subquery without an alias cannot be named in the query, but the columns a
            // USING or NATURAL join merges are read through each item's name.
            bool name_join = false;
            for (const FromItem& other : s.from) name_join = name_join || other.natural || !other.using_columns.empty();
            if (f.alias.empty() && name_join) src.alias = "vantro_sq" + std::to_string(scope->sources.size());
        } else if (f.table.partition ? !partition_source(f.table, &src) : !table_source(f.table, &src)) {
            return false;
        }
        if (!f.alias.empty()) src.alias = f.alias;
        for (const Source& other : scope->sources)
            if (other.alias == src.alias && !f.alias.empty()) return fail(918, f.table.offset);
        *from += join_word(f.join);
        std::size_t piece_start = from->size();
        *from += src.sql + " AS " + quote_name(src.alias);
        scope->sources.push_back(std::move(src));
        if (f.natural) natural_columns(&f, *scope);
        if (f.on) {
            Emitted on;
            if (!expr(*f.on, *scope, &on)) return false;
            *from += " ON " + on.sql;
        } else if (!f.using_columns.empty()) {
            std::string on;
            if (!using_condition(f, scope, &on)) return false;
            *from += " ON " + on;
        } else if (f.apply_outer) {
            *from += " ON 1";
        }
        pieces->push_back(from->substr(piece_start));
    }
    return true;
}

bool Translator::where_parts(SelectStmt& s, const Scope& scope, WhereParts* w) {
    if (!s.where) return true;
    split_conjuncts(s.where.get(), &w->conjuncts);
    for (Expr* c : w->conjuncts) {
        int target = -1;
        if (!outer_join_target(*c, s, scope, &target)) return false;
        w->outer_target.push_back(target);
        w->any_outer = w->any_outer || target >= 0;
    }
    // ROWNUM compared with a constant in a WHERE conjunct limits the rows the block
    // produces; Oracle numbers rows before DISTINCT, grouping and ORDER BY, so the limit is
    // applied to the filtered rows and the block is wrapped before any of those apply.
    w->is_limit.assign(w->conjuncts.size(), false);
    for (std::size_t k = 0; k < w->conjuncts.size(); ++k) {
        long long limit = -2;
        if (!rownum_limit(*w->conjuncts[k], &limit)) return false;
        if (limit == -2) continue;
        w->is_limit[k] = true;
        w->any_limit = true;
        if (limit >= 0 && (w->row_limit < 0 || limit < w->row_limit)) w->row_limit = limit;
    }
    return true;
}

// Oracle's (+) operator: the conjuncts of WHERE that mark a table's columns become the
// ON condition of a LEFT JOIN of that table, placed after the tables it depends on.
bool Translator::old_style_joins(SelectStmt& s, const Scope& scope, const WhereParts& w,
                                 const std::vector<std::string>& pieces, std::string* from) {
    std::string rebuilt;
    bool first = true;
    for (std::size_t i = 0; i < s.from.size(); ++i) {
        bool is_target = false;
        for (int t : w.outer_target) is_target = is_target || t == static_cast<int>(i);
        if (is_target) continue;
        if (!first && s.from[i].join != JoinKind::Comma && s.from[i].join != JoinKind::First)
            return fail(25156, s.from[i].table.offset), false;
        rebuilt += (first ? "" : ", ") + pieces[i];
        first = false;
    }
    if (first) return fail(1416, s.where->offset), false;
    for (std::size_t i = 0; i < s.from.size(); ++i) {
        std::string on;
        for (std::size_t k = 0; k < w.conjuncts.size(); ++k) {
            if (w.outer_target[k] != static_cast<int>(i)) continue;
            Emitted c;
            if (!expr(*w.conjuncts[k], scope, &c)) return false;
            on += (on.empty() ? "" : " AND ") + c.sql;
        }
        if (on.empty()) continue;
        if (s.from[i].join != JoinKind::Comma && s.from[i].join != JoinKind::First)
            return fail(25156, s.from[i].table.offset), false;
        rebuilt += " LEFT JOIN " + pieces[i] + " ON " + on;
    }
    *from = rebuilt;
    return true;
}

// t.* or *: every column of the matching sources, a USING column once.
bool Translator::star_item(SelectItem& it, const Scope& scope, const std::vector<ColumnInfo>* store_types,
                           SelectList* list) {
    bool matched = false;
    bool merged = it.expr->path.empty() && !scope.using_names.empty();
    // Unqualified, the merged columns come first, in the order the joins name them; then
    // every other column of each item.
    std::vector<std::pair<const Source*, std::size_t>> order;
    if (merged)
        for (const std::string& u : scope.using_order)
            for (const Source& src : scope.sources) {
                std::size_t k = 0;
                while (k < src.columns.size() && src.columns[k].name != u) ++k;
                if (k == src.columns.size()) continue;
                order.emplace_back(&src, k);
                break;
            }
    for (const Source& src : scope.sources) {
        if (!it.expr->path.empty() && src.alias != it.expr->path[0]) continue;
        for (std::size_t k = 0; k < src.columns.size(); ++k)
            if (!merged || !scope.using_names.count(src.columns[k].name)) order.emplace_back(&src, k);
    }
    for (const auto& [src_ptr, k] : order) {
        const Source& src = *src_ptr;
        matched = true;
        {
            const ColumnInfo& c = src.columns[k];
            std::string v = quote_name(src.alias) + "." + quote_name(src.stored_name(k));
            if (merged && scope.using_names.count(c.name)) {
                OraType t;
                v = using_column(scope, c.name, &t);
            }
            if (store_types && list->cols.size() < store_types->size()) {
                Emitted e;
                e.sql = v;
                e.type = c.type;
                const ColumnInfo& target = (*store_types)[list->cols.size()];
                if (!store_value(e, target, store_owner_, store_table_, &v, it.offset)) return false;
            }
            list->items += (list->items.empty() ? "" : ", ") + by_instant(c.type, v) + " AS " + quote_name(c.name);
            list->item_text.push_back(by_instant(c.type, v));
            list->item_sql.push_back(v);
            list->cols.push_back(c);
            list->cols.back().named_by_column = true;
        }
    }
    if (!matched) return fail(904, it.expr->offset, "\"" + it.expr->path[0] + "\"");
    return true;
}

// True when an argument of e, at any depth outside subqueries, is an aggregate call.
static bool holds_aggregate_call(const Expr& e) {
    std::vector<const Expr*> work;
    for (const ExprPtr& a : e.args)
        if (a) work.push_back(a.get());
    while (!work.empty()) {
        const Expr* x = work.back();
        work.pop_back();
        if (is_aggregate_call(*x)) return true;
        if (x->subquery) continue;
        for (const ExprPtr& a : x->args)
            if (a) work.push_back(a.get());
    }
    return false;
}

bool Translator::select_items(SelectStmt& s, const Scope& scope, const std::vector<ColumnInfo>* store_types,
                              SelectList* list) {
    for (SelectItem& it : s.items) {
        if (it.expr->kind == ExprKind::Star) {
            if (!star_item(it, scope, store_types, list)) return false;
            continue;
        }
        Emitted e;
        if (!expr(*it.expr, scope, &e)) return false;
        list->any_aggregate = list->any_aggregate || e.aggregate;
        // An item that holds an aggregate beside other terms (ename || max(sal),
        // nvl(ename, max(sal))) is checked too: only what lies outside its aggregates
        // must be grouped. An item that is an aggregate call itself is not.
        const bool aggregate_item = e.aggregate && it.expr->kind == ExprKind::Function &&
                                    (is_aggregate_call(*it.expr) || !holds_aggregate_call(*it.expr));
        if (!aggregate_item) list->plain_columns.push_back(it.expr.get());
        ColumnInfo c;
        c.name = it.alias.empty() ? derived_name(*it.expr, &c.name_cut) : it.alias;
        c.aliased = !it.alias.empty();
        c.named_by_column = it.alias.empty() && it.expr->kind == ExprKind::Column;
        c.type = e.type;
        if (c.type.code == kTypeChar && it.expr->kind != ExprKind::String && it.expr->kind != ExprKind::Column &&
            it.expr->kind != ExprKind::Cast)
            c.type.code = kTypeVarchar2;
        std::string v = e.sql;
        if (store_types && list->cols.size() < store_types->size()) {
            const ColumnInfo& target = (*store_types)[list->cols.size()];
            if (!store_value(e, target, store_owner_, store_table_, &v, it.offset)) return false;
        }
        list->items += (list->items.empty() ? "" : ", ") + by_instant(c.type, v) + " AS " + quote_name(c.name);
        list->item_text.push_back(by_instant(c.type, v));
        list->item_sql.push_back(e.sql);
        list->cols.push_back(c);
    }
    return true;
}

// The WHERE clause without the conjuncts that became outer joins or a row limit. ROWNUM
// counts the rows before DISTINCT and grouping: with one source, the limited rows become
// the source itself (and w->row_limit is spent).
bool Translator::where_clause(SelectStmt& s, const Scope& scope, WhereParts* w, const SelectList& list,
                              const std::string& from, std::string* text) {
    if (!s.where) return true;
    if (!w->any_outer && !w->any_limit) {
        Emitted c;
        if (!expr(*s.where, scope, &c)) return false;
        if (c.aggregate) return fail(934, s.where->offset), false;
        *text += " WHERE " + c.sql;
        return true;
    }
    // With one source the limited rows become that source under its own alias, so that
    // the select list, grouping and ORDER BY still name its columns.
    bool limit_source = w->row_limit >= 0 && scope.sources.size() == 1 && !w->any_outer && !s.connect_by;
    std::string where;
    for (std::size_t k = 0; k < w->conjuncts.size(); ++k) {
        if (w->outer_target[k] >= 0 || w->is_limit[k]) continue;
        Emitted c;
        if (!expr(*w->conjuncts[k], scope, &c)) return false;
        if (c.aggregate) return fail(934, w->conjuncts[k]->offset), false;
        where += (where.empty() ? "" : " AND ") + c.sql;
    }
    if (limit_source) {
        const Source& src = scope.sources[0];
        const std::string alias = quote_name(src.alias);
        // A table's rows keep their rowid through the subquery, for ROWID in the select list.
        std::string view;
        bool table = !src.rowid_table.empty() && !ctx_.catalog->view_text(src.rowid_owner, src.rowid_table, &view);
        *text = std::string("SELECT ") + (s.distinct ? "DISTINCT " : "") + list.items + " FROM (SELECT " +
                (table ? alias + ".rowid AS rowid, " : std::string()) + alias + ".* FROM " + from +
                (where.empty() ? "" : " WHERE " + where) + " LIMIT " + std::to_string(w->row_limit) + " OFFSET 0) AS " +
                alias;
        w->row_limit = -1;
    } else if (!where.empty()) {
        *text += " WHERE " + where;
    }
    return true;
}

// GROUP BY and HAVING. Oracle refuses a select item that is neither grouped nor an
// aggregate; SQLite would silently pick a value from some row.
bool Translator::group_clauses(SelectStmt& s, const Scope& scope, const SelectList& list, std::string* text,
                               bool* grouping) {
    std::vector<std::string> groups;
    std::size_t group_nodes = 0;
    if (!s.group_by.empty()) {
        *text += " GROUP BY ";
        for (std::size_t i = 0; i < s.group_by.size(); ++i) {
            Emitted g;
            if (!expr(*s.group_by[i], scope, &g)) return false;
            groups.push_back(g.sql);
            group_nodes = std::max(group_nodes, expr_nodes(*s.group_by[i]));
            *text += (i ? "," : "") + by_instant(g.type, g.sql);
        }
    }
    *grouping = list.any_aggregate || !groups.empty() || s.having != nullptr;
    if (*grouping) {
        AnalyticGate analytic(analytic_ok_, true);  // the items were written: this only compares them
        for (const Expr* pc : list.plain_columns) {
            const Expr* bad = nullptr;
            if (!ungrouped(const_cast<Expr&>(*pc), scope, groups, group_nodes, &bad)) return false;
            if (bad) return fail(groups.empty() ? 937 : 979, bad->offset);
        }
    }
    if (s.having) {
        Emitted h;
        if (!expr(*s.having, scope, &h)) return false;
        const Expr* bad = nullptr;
        if (!ungrouped(*s.having, scope, groups, group_nodes, &bad)) return false;
        if (bad) return fail(979, bad->offset);
        *text += " HAVING " + h.sql;
    }
    return true;
}

bool Translator::select_block(SelectStmt& s, const Scope* outer, std::vector<ColumnInfo>* cols, std::string* sql,
                              const std::vector<ColumnInfo>* store_types) {
    AnalyticGate no_analytic(analytic_ok_, false);
    PointerGate<GroupedRows> not_grouped(grouped_, nullptr);
    if (!nested_aggregates(s)) return false;
    for (FromItem& f : s.from)
        if (f.pivot && !expand_pivot(f)) return false;
    Scope scope;
    scope.outer = outer;
    Hierarchy& hierarchy = hierarchies_[&s];
    std::string from;
    std::vector<std::string> from_pieces;  // each FROM item as emitted, without its join word
    if (!from_clause(s, &scope, &from, &from_pieces)) return false;
    if (s.connect_by && !hierarchical_from(s, &scope, &from, &hierarchy)) return false;
    WhereParts w;
    if (!where_parts(s, scope, &w)) return false;
    if (w.any_outer && !old_style_joins(s, scope, w, from_pieces, &from)) return false;
    if (uses_grouping_sets(s)) return grouping_block(s, scope, from, w, store_types, cols, sql);
    SelectList list;
    {
        AnalyticGate analytic(analytic_ok_, true);
        if (!select_items(s, scope, store_types, &list)) return false;
    }
    std::string step_items, step_where;
    if (recursion_ && recursion_->block == &s) {
        if (list.any_aggregate || w.any_limit) return fail(32486, s.offset), false;
        if (!recursive_step_parts(s, scope, &step_items, &step_where)) return false;
    }
    std::string text =
        std::string("SELECT ") + (s.distinct ? "DISTINCT " : "") + list.items + step_items + " FROM " + from;
    std::size_t before_where = text.size();
    if (!where_clause(s, scope, &w, list, from, &text)) return false;
    for (const ExprPtr& c : s.for_update_of) {
        // FOR UPDATE OF names columns of the query's tables.
        Emitted ignored;
        if (!expr(*c, scope, &ignored)) return false;
    }
    if (!step_where.empty()) {
        // The member's own condition, if any, is the one WHERE that where_clause appended.
        static const std::string kWhere = " WHERE ";
        if (text.size() > before_where && text.compare(before_where, kWhere.size(), kWhere) == 0)
            text = text.substr(0, before_where) + " WHERE (" + text.substr(before_where + kWhere.size()) + ") AND " +
                   step_where;
        else
            text += " WHERE " + step_where;
    }
    bool grouping = false;
    if (!group_clauses(s, scope, list, &text, &grouping)) return false;
    if (w.row_limit >= 0) {
        if (s.distinct || grouping) return fail(3001, s.where->offset), false;
        // Analytic functions see the rows the limit lets through; limiting this block's
        // result afterwards would have computed them over every row.
        for (const SelectItem& it : s.items)
            if (const Expr* a = it.expr ? find_analytic(*it.expr) : nullptr) return fail(3001, a->offset), false;
        RowLimitedBlock limited;
        limited.items = list.item_sql;
        if (!row_limited_keys(s, scope, list, w.row_limit, &text, &limited)) return false;
        row_limited_blocks_[&s] = std::move(limited);
    }
    block_item_text_[&s] = list.item_text;
    *cols = std::move(list.cols);
    *sql = text;
    return true;
}

// What an ORDER BY key computed from result column k of the query s reads: the column's
// expression where the block is a plain one (a name inside an expression would be looked up
// in the FROM tables first, and could be ambiguous or another column), else its name.
std::string Translator::result_column_sql(const SelectStmt& s, std::size_t k, const std::string& name) const {
    // OFFSET and FETCH rank the rows in an outer query, which sees the result columns only.
    if (s.next || s.offset_rows || s.fetch_rows || row_limited_blocks_.count(&s)) return name;
    auto it = block_item_text_.find(&s);
    if (it == block_item_text_.end() || k >= it->second.size()) return name;
    return "(" + it->second[k] + ")";
}

// Wraps a block's rows in the subquery that a ROWNUM limit cuts. Oracle numbers the rows
// before it sorts them, and its ORDER BY may name any column of the FROM tables: a key
// that is not a result column is computed inside the limited rows as a hidden column, and
// the wrapper selects the result columns only.
bool Translator::row_limited_keys(SelectStmt& s, const Scope& scope, const SelectList& list, long long row_limit,
                                  std::string* text, RowLimitedBlock* limited) {
    std::string keys;
    if (!s.next) {
        AnalyticGate analytic(analytic_ok_, true);
        for (OrderItem& o : s.order_by) {
            if (o.expr->kind == ExprKind::Number) continue;
            bool named = false;
            if (o.expr->kind == ExprKind::Column && o.expr->path.size() == 1)
                for (const ColumnInfo& c : list.cols) named = named || c.name == o.expr->path[0];
            if (named) continue;
            Emitted e;
            if (!expr(*o.expr, scope, &e)) return false;
            if (e.aggregate) return fail(3001, o.expr->offset), false;
            if (const Expr* a = find_analytic(*o.expr)) return fail(3001, a->offset), false;
            bool selected = false;
            for (const std::string& item : list.item_sql) selected = selected || item == e.sql;
            for (const std::string& key : limited->hidden_keys) selected = selected || key == e.sql;
            if (selected) continue;
            limited->hidden_keys.push_back(e.sql);
            keys += ", " + e.sql + " AS \"vantro_ok" + std::to_string(limited->hidden_keys.size()) + "\"";
        }
    }
    // OFFSET 0 keeps SQLite from moving an outer ORDER BY into the limited block (it may
    // otherwise pick the first rows of the sorted result instead of the rows as read).
    const std::string cut = " LIMIT " + std::to_string(row_limit) + " OFFSET 0)";
    if (keys.empty()) {
        *text = "SELECT * FROM (" + *text + cut;
        return true;
    }
    // The inner result columns are renamed by position, as two of them may share a name.
    const std::string head = std::string("SELECT ") + (s.distinct ? "DISTINCT " : "") + list.items;
    if (text->compare(0, head.size(), head) != 0 || list.item_text.size() != list.cols.size())
        return fail(3001, s.offset), false;
    std::string inner, outer;
    for (std::size_t i = 0; i < list.cols.size(); ++i) {
        const std::string name = "\"vantro_c" + std::to_string(i + 1) + "\"";
        inner += (i ? ", " : "") + list.item_text[i] + " AS " + name;
        outer += (i ? ", " : "") + name + " AS " + quote_name(list.cols[i].name);
    }
    *text = "SELECT " + outer + " FROM (SELECT " + inner + keys + text->substr(head.size()) + cut;
    return true;
}

// How ORDER BY sorts a value of type t: zoned timestamps by their UTC instant and
// intervals by their signed length (their stored text orders neither); other values as
// they are (sql), the key read from keyed.
std::string order_key(const OraType& t, const std::string& sql, const std::string& keyed) {
    if (is_zoned(t)) return "vantro_tz_utc(" + keyed + ")";
    if (is_interval(t)) return "vantro_interval_key(" + keyed + ")";
    if (may_be_wide(t)) return "vantro_num_key(" + keyed + ")";
    return sql;
}

// The stored form of v in a TIMESTAMP WITH [LOCAL] TIME ZONE or INTERVAL column (or CAST
// target) of type t; false when v's type cannot become one (ORA-00932).
bool datetime_store_sql(const Emitted& v, const OraType& t, std::string* sql) {
    if (is_interval(t)) {
        std::string value;
        if (v.type.code == t.code)
            value = v.sql;
        else if (is_char(v.type))
            value = "vantro_text_to_interval(" + v.sql + "," + (t.code == kTypeIntervalYm ? "1" : "0") + ")";
        else
            return false;
        *sql = "vantro_interval_store(" + value + "," + std::to_string(t.precision) + "," +
               std::to_string(t.code == kTypeIntervalDs ? t.scale : 0) + ")";
        return true;
    }
    if (!is_date(v.type) && !is_char(v.type)) return false;
    std::string value = v.type.code == kTypeDate ? "(" + v.sql + "||'.000000')" : v.sql;
    *sql = "vantro_tz_store(" + value + "," + std::to_string(t.scale) + "," + (is_char(v.type) ? "1" : "0") + "," +
           (t.code == kTypeTimestampLtz ? "1" : "0") + ")";
    return true;
}

bool Translator::store_value(const Emitted& v, const ColumnInfo& target, const std::string& owner,
                             const std::string& table, std::string* sql, std::uint32_t offset) {
    const OraType& t = target.type;
    // An XMLTYPE column takes XMLTYPE values and text that reads as an XML document.
    if (target.object_type == kXmlTypeName && v.object_type.empty() && v.sql != "NULL") {
        if (!is_char(v.type) && v.type.code != kTypeClob) return fail(932, offset, "-", family_name(v.type)), false;
        *sql = "vantro_xmltype(" + v.sql + ",0)";
        return true;
    }
    // A value of an object or collection type goes only into a column of that type.
    if (!target.object_type.empty() || !v.object_type.empty()) {
        if (v.object_type == target.object_type || (v.sql == "NULL" && v.object_type.empty())) {
            *sql = v.sql;
            return true;
        }
        auto shown = [](const std::string& object_type, const OraType& type) {
            return object_type.empty() ? family_name(type) : object_type.substr(object_type.find('.') + 1);
        };
        return fail(932, offset, shown(target.object_type, t), shown(v.object_type, v.type)), false;
    }
    // The column's name for the store functions' error texts (ORA-12899).
    auto colname = [&]() {
        return owner.empty() ? std::string("NULL")
                             : quote_text("\"" + owner + "\".\"" + table + "\".\"" + target.name + "\"");
    };
    switch (t.code) {
    case kTypeNumber:
        if (is_date(v.type)) return fail(932, offset, "NUMBER", "DATE"), false;
        if (!v.literal.empty() && is_number(v.type)) {
            // A literal is stored as the store function would store it, computed here so
            // that SQLite parses and runs no call per value; a literal the function would
            // refuse keeps the call, which gives the error as the statement runs.
            Decimal d;
            NumberStored n;
            if (decimal_parse(v.literal.c_str(), v.literal.size(), &d) &&
                number_store_decimal(d, t.precision, t.scale, &n) == 0) {
                *sql = stored_number_sql(n);
                return true;
            }
        }
        // A literal is handed over as typed, so that the store function reads its digits
        // exactly; a binary NaN or infinity is no NUMBER.
        *sql = "vantro_store_number(" +
               (v.type.code == kTypeBinaryDouble || v.type.code == kTypeBinaryFloat
                    ? "vantro_binary_number(" + v.sql + ")"
                    : (v.literal.empty() ? v.sql : quote_text(v.literal))) +
               "," +
               std::to_string(t.precision) + "," + std::to_string(t.scale) + ")";
        return true;
    case kTypeBinaryFloat:
    case kTypeBinaryDouble:
        // Numbers and text (Inf, NaN and numbers beyond NUMBER's range too) convert.
        if (!is_number(v.type) && !is_char(v.type) && v.sql != "NULL")
            return fail(932, offset, family_name(t), family_name(v.type)), false;
        *sql = "vantro_cast_binary(" + (v.literal.empty() ? v.sql : quote_text(v.literal)) + "," +
               (t.code == kTypeBinaryFloat ? "1" : "0") + ")";
        return true;
    case kTypeTimestampTz:
    case kTypeTimestampLtz:
    case kTypeIntervalYm:
    case kTypeIntervalDs:
        if (!datetime_store_sql(v, t, sql)) return fail(932, offset, family_name(t), family_name(v.type)), false;
        return true;
    case kTypeDate:
    case kTypeTimestamp:
        if (is_zoned(v.type))
            *sql = t.code == kTypeDate
                       ? "substr(vantro_tz_local(" + v.sql + "," + (v.type.code == kTypeTimestampLtz ? "1" : "0") +
                             "),1,19)"
                       : "vantro_tz_local(" + v.sql + "," + (v.type.code == kTypeTimestampLtz ? "1" : "0") + ")";
        else if (is_interval(v.type))
            return fail(932, offset, "DATE", family_name(v.type)), false;
        else if (t.code == kTypeTimestamp && v.type.code == kTypeDate)
            *sql = "(" + v.sql + "||'.000000')";
        else if (t.code == kTypeDate && is_timestamp(v.type))
            *sql = "substr(" + v.sql + ",1,19)";
        else if (is_date(v.type))
            *sql = v.sql;
        else if (is_number(v.type))
            return fail(932, offset, "DATE", "NUMBER"), false;
        else
            *sql = (t.code == kTypeDate ? "vantro_to_date(" : "vantro_to_timestamp(") + v.sql + ")";
        return true;
    case kTypeRaw:
    case kTypeBlob:
    case kTypeLongRaw:
        *sql = (v.type.code == kTypeRaw || v.type.code == kTypeBlob || v.type.code == kTypeLongRaw)
                   ? v.sql
                   : "vantro_hextoraw(" + v.sql + "," + std::to_string(t.code == kTypeRaw ? t.size : 0) + "," +
                         colname() + ")";
        return true;
    default: {
        std::string text;
        if (v.text_literal && !v.trimmed && literal_value(v.sql, &text)) {
            // A text literal that fits the column is stored as it stands (a CHAR column's
            // trailing blanks cut, '' as NULL), as the store function would store it.
            if (t.code == kTypeChar)
                while (!text.empty() && text.back() == ' ') text.pop_back();
            std::size_t maximum = t.code == kTypeVarchar2 || t.code == kTypeChar ? t.size : 0;
            bool in_chars = t.char_used || t.national;
            std::size_t actual = in_chars ? utf8_length(text) : text.size();
            std::size_t byte_limit = t.code == kTypeChar ? 2000 : 4000;
            if (text.empty()) {
                *sql = "NULL";
                return true;
            }
            if (maximum == 0 || (actual <= maximum && (!in_chars || text.size() <= byte_limit))) {
                *sql = quote_text(text);
                return true;
            }
        }
        *sql = "vantro_store_text(" + as_text(v) + "," +
               std::to_string(t.code == kTypeVarchar2 || t.code == kTypeChar ? t.size : 0) + "," +
               (t.code == kTypeChar ? "1" : "0") + "," + colname() + "," + (t.char_used || t.national ? "1" : "0") +
               ")";
        return true;
    }
    }
}

// A copy of an expression made of names, literals, placeholders, operators and plain
// calls; false for anything else (subqueries, CASE, analytic calls ...).
static bool copy_simple_expr(const Expr& from, ExprPtr* out) {
    switch (from.kind) {
    case ExprKind::String:
    case ExprKind::Number:
    case ExprKind::Null:
    case ExprKind::Bind:
    case ExprKind::Column:
    case ExprKind::Unary:
    case ExprKind::Binary:
    case ExprKind::Concat:
    case ExprKind::Function:
        break;
    default:
        return false;
    }
    if (from.subquery || from.over || from.extras || from.json || from.json_gen || from.xml) return false;
    auto e = std::make_unique<Expr>();
    e->kind = from.kind;
    e->text = from.text;
    e->path = from.path;
    e->path_offsets = from.path_offsets;
    e->distinct = from.distinct;
    e->star = from.star;
    e->field = from.field;
    e->field_offset = from.field_offset;
    e->offset = from.offset;
    e->end = from.end;
    for (const ExprPtr& a : from.args) {
        ExprPtr c;
        if (!copy_simple_expr(*a, &c)) return false;
        e->args.push_back(std::move(c));
    }
    *out = std::move(e);
    return true;
}

// The fields of a host-language record named as a whole, each as a column reference
// rec.field in the order the record declares them. False with ORA-error code when no host
// knows the name as a record.
bool Translator::record_values(const Expr& rec, int code, const std::string& arg, std::vector<ExprPtr>* out) {
    std::vector<std::string> fields;
    if (!ctx_.names || ctx_.names->record_fields(rec, &fields) != NameHook::Answer::Resolved)
        return arg.empty() ? fail(code, rec.offset) : fail(code, rec.offset, arg);
    if (rec.kind == ExprKind::Function) {
        // An element of a host's collection of records, element(i): one element(i).field
        // per field, each with a copy of the subscript.
        for (const std::string& f : fields) {
            auto e = std::make_unique<Expr>();
            e->kind = ExprKind::Function;
            e->text = rec.text;
            e->path_offsets = rec.path_offsets;
            e->offset = rec.offset;
            e->end = rec.end;
            e->field = f;
            e->field_offset = rec.offset;
            ExprPtr subscript;
            if (!copy_simple_expr(*rec.args[0], &subscript)) return fail(3001, rec.args[0]->offset);
            e->args.push_back(std::move(subscript));
            out->push_back(std::move(e));
        }
        return true;
    }
    for (const std::string& f : fields) {
        auto e = std::make_unique<Expr>();
        e->kind = ExprKind::Column;
        e->path = rec.path;
        e->path.push_back(f);
        e->path_offsets = rec.path_offsets;
        e->path_offsets.push_back(rec.offset);
        e->offset = rec.offset;
        e->end = rec.end;
        out->push_back(std::move(e));
    }
    return true;
}

bool Translator::insert(Statement& s) {
    out_->insert_values = !s.select;
    if (s.values_record) {
        std::vector<ExprPtr> row;
        if (!record_values(*s.values_record, 906, "", &row)) return false;
        s.values.clear();
        s.values.push_back(std::move(row));
        s.values_record.reset();
    }
    if (s.target_query && !insert_target_query(s)) return false;
    if (!partition_target(s) || !view_dml_target(s)) return false;
    std::vector<ColumnInfo> all;
    std::string syn_owner, syn_target;
    // A synonym names the table the rows go into.
    if (!ctx_.catalog->table_columns(owner_of(s.table), s.table.name, &all) &&
        synonym_target(s.table, &syn_owner, &syn_target)) {
        s.table.owner = syn_owner;
        s.table.name = syn_target;
    }
    std::string owner = owner_of(s.table);
    std::string target_sql = quote_name(owner) + "." + quote_name(s.table.name);
    if (!ctx_.catalog->table_columns(owner, s.table.name, &all)) {
        // The session's plan table stands in for a PLAN_TABLE the schema lacks.
        if (!s.table.owner.empty() || s.table.name != "PLAN_TABLE" ||
            !ctx_.catalog->dictionary_view(s.table.name, &all, &target_sql))
            return fail(942, s.table.offset);
    } else if (!may_use(owner, s.table.name, "INSERT", s.table.offset) ||
               !indexes_usable(owner, s.table.name, s.table.offset) ||
               !rows_sql(owner, s.table.name, s.table.offset, &target_sql)) {
        return false;
    }
    std::vector<ColumnInfo> targets;
    if (s.columns.empty()) {
        targets = all;
    } else {
        for (std::size_t i = 0; i < s.columns.size(); ++i) {
            const ColumnInfo* found = nullptr;
            for (const ColumnInfo& c : all)
                if (c.name == s.columns[i]) found = &c;
            if (!found) return fail(904, s.column_offsets[i], "\"" + s.columns[i] + "\"");
            for (std::size_t j = 0; j < i; ++j)
                if (s.columns[j] == s.columns[i]) return fail(957, s.column_offsets[i]);
            targets.push_back(*found);
        }
    }
    // Where a value for a generated column is refused: the column named, else the value.
    std::vector<std::uint32_t> offsets;
    InsertFill fill;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        std::uint32_t at = s.select ? s.select->offset : s.table.offset;
        if (!s.columns.empty())
            at = s.column_offsets[i];
        else if (!s.select && i < s.values[0].size())
            at = s.values[0][i]->offset;
        offsets.push_back(at);
        fill.is_default.push_back(!s.select && i < s.values[0].size() && is_default_value(*s.values[0][i]));
    }
    if (!insert_generated(owner, s.table.name, targets, offsets, &fill)) return false;
    std::string names, added_values;
    std::vector<std::string> named;  // the columns the statement gives values, in order
    for (std::size_t i = 0; i < targets.size(); ++i)
        if (!fill.defaulted(i) || !fill.fill[i].empty()) named.push_back(targets[i].name);
    for (const auto& a : fill.added) {
        named.push_back(a.first);
        added_values += "," + a.second;
    }
    for (const std::string& n : named) names += (names.empty() ? "" : ",") + quote_name(n);
    std::string sql = "INSERT INTO " + target_sql + (names.empty() ? " DEFAULT VALUES" : " (" + names + ") ");
    std::string rows;  // the rows inserted: VALUES (...) or a query
    Scope empty;
    if (s.select) {
        store_owner_ = owner;
        store_table_ = s.table.name;
        std::vector<ColumnInfo> cols;
        std::string sub;
        if (!select(*s.select, nullptr, &cols, &sub, &targets)) return false;
        if (cols.size() < targets.size()) return fail(947, s.select->offset);
        if (cols.size() > targets.size()) return fail(913, s.select->offset);
        bool wrapped = !fill.added.empty();
        for (const std::string& c : fill.coalesce) wrapped = wrapped || !c.empty();
        if (wrapped) {
            // The query's rows are read by position, their NULLs and missing columns filled.
            std::string list, values;
            for (std::size_t i = 0; i < targets.size(); ++i) {
                std::string name = "vantro_c" + std::to_string(i + 1);
                list += (i ? "," : "") + name;
                values += (i ? "," : "") +
                          (fill.coalesce[i].empty() ? name : "coalesce(" + name + "," + fill.coalesce[i] + ")");
            }
            sub =
                "WITH vantro_rows(" + list + ") AS (" + sub + ") SELECT " + values + added_values + " FROM vantro_rows";
        }
        rows = sub;
    } else {
        std::vector<ExprPtr>& row = s.values[0];
        std::string object_type;
        if (row.size() == 1 && targets.size() > 1 && s.columns.empty() && !multi_rows_ && fill.added.empty() &&
            ctx_.catalog->object_table_type(owner, s.table.name, &object_type)) {
            // VALUES (object) into an object table: a column per attribute of the object.
            Emitted v;
            if (!expr(*row[0], empty, &v)) return false;
            if (v.aggregate) return fail(934, row[0]->offset);
            // One plain value for a row of several attributes is too few.
            if (v.object_type.empty()) return fail(947, row[0]->end);
            if (!object_value_of(v, object_type, row[0]->offset)) return false;
            std::string values;
            for (std::size_t i = 0; i < targets.size(); ++i) {
                Emitted item;
                std::string stored;
                if (!attribute_of_object(v, targets[i].name, row[0]->offset, row[0]->offset, &item) ||
                    !store_value(item, targets[i], owner, s.table.name, &stored, row[0]->offset))
                    return false;
                if (!fill.coalesce[i].empty()) stored = "coalesce(" + stored + "," + fill.coalesce[i] + ")";
                values += (values.empty() ? "" : ",") + stored;
            }
            rows = "VALUES (" + values + ")";
        } else {
            if (row.size() < targets.size()) return fail(947, row.empty() ? s.table.offset : row.back()->end);
            if (row.size() > targets.size()) return fail(913, row[targets.size()]->offset);
            std::string values;
            for (std::size_t i = 0; i < row.size(); ++i) {
                std::string stored;
                if (fill.defaulted(i)) {
                    // DEFAULT: the generated value, else the column is left to SQLite's default.
                    if (fill.fill[i].empty()) continue;
                    stored = fill.fill[i];
                } else {
                    Emitted v;
                    if (!expr(*row[i], multi_rows_ ? multi_rows_->scope : empty, &v)) return false;
                    if (v.aggregate) return fail(934, row[i]->offset);
                    if (!store_value(v, targets[i], owner, s.table.name, &stored, row[i]->offset)) return false;
                    if (!fill.coalesce[i].empty()) stored = "coalesce(" + stored + "," + fill.coalesce[i] + ")";
                }
                values += (values.empty() ? "" : ",") + stored;
            }
            values += added_values;
            if (values.size() && values[0] == ',') values.erase(0, 1);
            if (multi_rows_) {
                // One row for each of the subquery's rows the INTO clause takes.
                if (names.empty()) return fail(3001, s.table.offset);
                rows = "SELECT " + values + " " + multi_rows_->from_where;
            } else if (!names.empty()) {
                rows = "VALUES (" + values + ")";
            }
        }
    }
    if (!view_checks_.empty() && !names.empty()) {
        // Through a view WITH CHECK OPTION: each row is checked before it is written, the
        // columns it gives no value read as NULL. The rows are materialized so that a value
        // drawn from a sequence is drawn once for the check and the row together.
        std::vector<std::string> values;
        for (const ColumnInfo& c : all) {
            bool given = std::find(named.begin(), named.end(), c.name) != named.end();
            values.push_back(given ? "\"vantro_ins\"." + quote_name(c.name) : "NULL");
        }
        std::string check;
        if (!view_check_sql(all, values, &check)) return false;
        rows = "WITH \"vantro_ins\"(" + names + ") AS MATERIALIZED (" + rows + ") SELECT " + names +
               " FROM \"vantro_ins\" WHERE " + check;
    }
    if (s.table.partition && !partition_insert_check(s, owner, all, named, &rows)) return false;
    sql += rows;
    Scope row;
    row.bare = true;
    Source self;
    self.alias = view_alias_;  // through a view, RETURNING names the table as the view did
    self.columns = all;
    // RETURNING ROWID: the new row's, of the table the row goes to.
    self.rowid_owner = owner;
    self.rowid_table = s.table.name;
    row.sources.push_back(self);
    if (!returning(s, row, &sql)) return false;
    out_->sql = sql;
    return true;
}

bool Translator::returning(Statement& s, const Scope& scope, std::string* sql) {
    if (s.returning.empty()) return true;
    hoist_ok_ = false;  // the RETURNING values are also written as a list of their own
    *sql += " RETURNING ";
    for (std::size_t i = 0; i < s.returning.size(); ++i) {
        Emitted e;
        if (!expr(*s.returning[i], scope, &e)) return false;
        if (e.aggregate) return fail(934, s.returning[i]->offset);
        *sql += (i ? "," : "") + e.sql;
        out_->returning_sql += (i ? "," : "") + e.sql;
        out_->returning.push_back({derived_name(*s.returning[i]), e.type});
    }
    out_->out_binds = s.returning_into;
    return true;
}

bool Translator::update(Statement& s) {
    if (!partition_target(s) || !view_dml_target(s)) return false;
    Source src;
    if (!table_source(s.table, &src, "UPDATE")) return false;
    if (!src.rowid_table.empty() && !indexes_usable(src.rowid_owner, src.rowid_table, s.table.offset)) return false;
    if (s.set_row) {
        // SET ROW = rec: the table's columns in order, each from the record's field in the
        // same place.
        std::vector<ExprPtr> fields;
        std::uint32_t at = s.set_row->offset;
        if (!ctx_.names || ctx_.names->record_fields(*s.set_row, nullptr) == NameHook::Answer::NotMine) {
            // Not a record: an ordinary column called ROW.
            s.sets.emplace_back("ROW", std::move(s.set_row));
            s.set_offsets.push_back(at);
        } else {
            if (!record_values(*s.set_row, 904, "\"ROW\"", &fields)) return false;
            if (fields.size() < src.columns.size()) return fail(947, at);
            if (fields.size() > src.columns.size()) return fail(913, at);
            s.sets.clear();
            s.set_offsets.clear();
            for (std::size_t i = 0; i < fields.size(); ++i) {
                s.sets.emplace_back(src.columns[i].name, std::move(fields[i]));
                s.set_offsets.push_back(at);
            }
        }
        s.set_row.reset();
    }
    std::string owner = owner_of(s.table);
    if (!s.alias.empty()) src.alias = s.alias;
    Scope scope;
    scope.bare = true;
    scope.sources.push_back(src);
    std::string sql = "UPDATE " + src.sql + " AS " + quote_name(src.alias) + " SET ";
    for (const auto& set : s.sets) out_->set_columns.push_back(set.first);
    scope.bare = false;
    std::map<std::string, std::string> new_values;  // each column SET names: its stored value
    for (std::size_t i = 0; i < s.sets.size(); ++i) {
        const ColumnInfo* target = nullptr;
        for (const ColumnInfo& c : src.columns)
            if (c.name == s.sets[i].first) target = &c;
        const std::string attribute = i < s.set_attributes.size() ? s.set_attributes[i] : std::string();
        std::string object_type;
        if (!target && attribute.empty() && s.sets[i].first == src.alias && !src.rowid_table.empty() &&
            ctx_.catalog->object_table_type(src.rowid_owner, src.rowid_table, &object_type)) {
            // SET alias = object: each attribute column of an object table's row from the object.
            Emitted v;
            if (!expr(*s.sets[i].second, scope, &v)) return false;
            if (!object_value_of(v, object_type, s.sets[i].second->offset)) return false;
            for (const ColumnInfo& c : src.columns) {
                if (new_values.count(c.name)) return fail(957, s.set_offsets[i]);
                if (!update_generated(owner, s.table.name, c.name, s.set_offsets[i])) return false;
                Emitted item;
                std::string stored;
                if (!attribute_of_object(v, c.name, s.sets[i].second->offset, s.sets[i].second->offset, &item) ||
                    !store_value(item, c, owner, s.table.name, &stored, s.sets[i].second->offset))
                    return false;
                sql += (sql.back() == ' ' ? "" : ",") + quote_name(c.name) + "=" + stored;
                new_values[c.name] = stored;
            }
            continue;
        }
        if (!target) return fail(904, s.set_offsets[i], "\"" + s.sets[i].first + "\"");
        // Oracle refuses a column SET twice (SQLite would keep the last value).
        if (new_values.count(target->name)) return fail(957, s.set_offsets[i]);
        if (!update_generated(owner, s.table.name, target->name, s.set_offsets[i])) return false;
        std::string stored;
        if (is_default_value(*s.sets[i].second)) {
            if (!attribute.empty()) return fail(936, s.sets[i].second->offset);
            stored = column_default(owner, s.table.name, target->name);
            sql += (sql.back() == ' ' ? "" : ",") + quote_name(target->name) + "=" + stored;
            new_values[target->name] = stored;
            continue;
        }
        Emitted v;
        if (!expr(*s.sets[i].second, scope, &v)) return false;
        if (!attribute.empty()) {
            // One attribute of an object column: the object with that item replaced.
            std::string kinds;
            int index = 0;
            ColumnInfo item;
            if (!object_attribute_target(*target, attribute, s.set_offsets[i], &kinds, &index, &item)) return false;
            if (!store_value(v, item, owner, s.table.name, &stored, s.sets[i].second->offset)) return false;
            Emitted value;
            value.sql = stored;
            value.type = item.type;
            // A datetime attribute keeps its stored text.
            stored = "vantro_object_set(" + quote_name(target->name) + "," + std::to_string(index) + "," +
                     quote_text(kinds) + "," + (is_date(item.type) ? stored : as_text(value)) + ")";
        } else if (!store_value(v, *target, owner, s.table.name, &stored, s.sets[i].second->offset)) {
            return false;
        }
        sql += (sql.back() == ' ' ? "" : ",") + quote_name(target->name) + "=" + stored;
        new_values[target->name] = stored;
    }
    std::string where;
    if (!dml_partition_where(s, scope, src, &where)) return false;
    if (!view_checks_.empty()) {
        // Through a view WITH CHECK OPTION: each row the WHERE picks is checked with its
        // new values before it is written.
        std::vector<std::string> values;
        for (const ColumnInfo& c : src.columns) {
            auto set = new_values.find(c.name);
            values.push_back(set != new_values.end() ? set->second : quote_name(src.alias) + "." + quote_name(c.name));
        }
        std::string check;
        if (!view_check_sql(src.columns, values, &check)) return false;
        where = where.empty() ? check : "(" + where + ") AND CASE WHEN (" + where + ") THEN " + check + " ELSE 0 END";
    }
    if (!where.empty()) sql += " WHERE " + where;
    Scope row;
    row.bare = true;
    row.sources.push_back(src);
    if (!returning(s, row, &sql)) return false;
    out_->sql = sql;
    return true;
}

// The condition of the WHERE of UPDATE or DELETE. ROWNUM compared with a constant limits
// the rows the statement changes: the first rows that meet the other conditions, chosen
// by a query of the target's rowids.
bool Translator::dml_where(Expr& where, const Scope& scope, const Source& target, std::string* condition_sql) {
    std::vector<Expr*> conjuncts;
    split_conjuncts(&where, &conjuncts);
    std::string condition;
    long long row_limit = -1;
    bool limited = false;
    for (Expr* c : conjuncts) {
        long long limit = -2;
        if (!rownum_limit(*c, &limit)) return false;
        if (limit != -2) {
            limited = true;
            if (limit >= 0 && (row_limit < 0 || limit < row_limit)) row_limit = limit;
            continue;
        }
        Emitted w;
        if (!expr(*c, scope, &w)) return false;
        condition += (condition.empty() ? "" : " AND ") + std::string("(") + w.sql + ")";
    }
    if (!limited) {
        Emitted w;
        if (!expr(where, scope, &w)) return false;
        *condition_sql = w.sql;
        return true;
    }
    *condition_sql = "rowid IN (SELECT rowid FROM " + target.sql + " AS " + quote_name(target.alias) +
                     (condition.empty() ? std::string() : " WHERE " + condition) +
                     (row_limit >= 0 ? " LIMIT " + std::to_string(row_limit) : std::string()) + ")";
    return true;
}

bool Translator::del(Statement& s) {
    if (!partition_target(s) || !view_dml_target(s)) return false;
    Source src;
    if (!table_source(s.table, &src, "DELETE")) return false;
    if (!src.rowid_table.empty() && !indexes_usable(src.rowid_owner, src.rowid_table, s.table.offset)) return false;
    if (!s.alias.empty()) src.alias = s.alias;
    Scope scope;
    scope.sources.push_back(src);
    std::string sql = "DELETE FROM " + src.sql + " AS " + quote_name(src.alias);
    std::string where;
    if (!dml_partition_where(s, scope, src, &where)) return false;
    if (!where.empty()) sql += " WHERE " + where;
    Scope row;
    row.bare = true;
    row.sources.push_back(src);
    if (!returning(s, row, &sql)) return false;
    out_->sql = sql;
    return true;
}

// Under NLS_LENGTH_SEMANTICS CHAR, a VARCHAR2 or CHAR column declared without BYTE or
// CHAR counts its length in characters.
void Translator::apply_length_semantics(Statement& s) {
    if (!ctx_.char_semantics) return;
    for (ColumnDef& c : s.column_defs)
        if ((c.type.code == kTypeVarchar2 || c.type.code == kTypeChar) && !c.type.national && !c.byte_used)
            c.type.char_used = true;
}

bool Translator::statement(Statement& s) {
    out_->kind = s.kind;
    hoist_ok_ = s.kind == StatementKind::Select || s.kind == StatementKind::Insert || s.kind == StatementKind::Update ||
                s.kind == StatementKind::Delete;
    switch (s.kind) {
    case StatementKind::Select: {
        std::string sql;
        if (!select(*s.select, nullptr, &out_->columns, &sql)) return false;
        out_->sql = sql;
        return true;
    }
    case StatementKind::Insert:
        if (!s.insert_branches.empty()) return multi_insert(s);
        if (!insert(s)) return false;
        return true;
    case StatementKind::Update:
        if (!update(s)) return false;
        return true;
    case StatementKind::Delete:
        if (!del(s)) return false;
        return true;
    case StatementKind::Merge:
        return merge(s);
    case StatementKind::CreateTable:
        apply_length_semantics(s);
        if (!create_table(s)) return false;
        out_->catalog_sql.push_back(storage_catalog_sql(owner_of(s.table), s.table.name, false, s.storage));
        return true;
    case StatementKind::DropTable:
        return drop_table(s);
    case StatementKind::TruncateTable:
        return truncate_table(s);
    case StatementKind::AlterTable:
        if (s.analyze.active) return analyze(s);
        apply_length_semantics(s);
        return alter_table(s);
    case StatementKind::CreateIndex:
        if (!create_index(s)) return false;
        out_->catalog_sql.push_back(storage_catalog_sql(owner_of(s.index), s.index.name, true, s.storage));
        return true;
    case StatementKind::DropIndex:
        return drop_index(s);
    case StatementKind::AlterIndex:
        return alter_index(s);
    case StatementKind::Commit:
    case StatementKind::Rollback:
        return true;
    case StatementKind::Savepoint:
    case StatementKind::RollbackToSavepoint:
        out_->name = s.name;
        return true;
    case StatementKind::AlterSession:
        // The schema here; the names and other values when the session applies them
        // (values/session_params.h). Any user's schema may be current; it is attached
        // now, or (inside a transaction) when it is first reached after the transaction.
        for (const SessionSetting& set : s.settings)
            if (set.name == "CURRENT_SCHEMA" && (set.value == "PUBLIC" || (!ctx_.catalog->schema_exists(set.value) &&
                                                                           !ctx_.catalog->user_exists(set.value))))
                return fail(1435, set.value_offset);
        out_->settings = s.settings;
        return true;
    case StatementKind::SetConstraints:
        for (const TableRef& t : s.set_constraints) {
            NamedObject c;
            c.owner = owner_of(t);
            c.name = t.name;
            c.offset = t.offset;
            out_->constraints.push_back(c);
        }
        out_->deferred = s.constraints_deferred;
        return true;
    case StatementKind::SetTransaction:
        out_->read_only = s.transaction_read_only;
        return true;
    case StatementKind::AlterTableConstraint:
    case StatementKind::CreateView:
    case StatementKind::DropView:
    case StatementKind::CreateSequence:
    case StatementKind::AlterSequence:
    case StatementKind::DropSequence:
    case StatementKind::CreateSynonym:
    case StatementKind::DropSynonym:
    case StatementKind::Comment:
    case StatementKind::CreateUnit:
    case StatementKind::AlterUnit:
    case StatementKind::DropUnit:
    case StatementKind::CreateTrigger:
    case StatementKind::AlterTrigger:
    case StatementKind::DropTrigger:
    case StatementKind::ExplainPlan:
    case StatementKind::CreateUser:
    case StatementKind::AlterUser:
    case StatementKind::DropUser:
    case StatementKind::CreateDimension:
    case StatementKind::AlterDimension:
    case StatementKind::DropDimension:
    case StatementKind::AlterView:
    case StatementKind::Rename:
    case StatementKind::Purge:
    case StatementKind::Flashback:
    case StatementKind::CreateRole:
    case StatementKind::DropRole:
    case StatementKind::Grant:
    case StatementKind::Revoke:
    case StatementKind::PlsqlBlock:
        break;  // not the SQL grammar's: the front door routes these elsewhere
    }
    return fail(900, 0);
}

bool sql_translate(const std::string& text, const TranslateContext& ctx, Translation* out, OraError* err) {
    std::vector<Token> tokens;
    if (!sql_tokenize(text, &tokens, err)) return false;
    Statement s;
    if (!sql_parse(tokens, &s, err)) return false;
    return sql_translate_parsed(text, s, ctx, out, err);
}

bool sql_translate_parsed(const std::string& text, Statement& s, const TranslateContext& ctx, Translation* out,
                          OraError* err) {
    *out = Translation();
    out->parsed = true;
    out->kind = s.kind;
    out->owner = s.table.owner.empty() ? ctx.schema : s.table.owner;
    out->table = s.table.name;
    Translator t(text, ctx, out, err);
    return t.statement(s);
}

bool sql_translate_expression(const std::string& text, Expr& e, bool condition, const TranslateContext& ctx,
                              Translation* out, OraError* err) {
    *out = Translation();
    out->parsed = true;
    Translator t(text, ctx, out, err);
    return t.expression(e, condition);
}

int sql_statement_type(const std::string& text) {
    std::vector<Token> tokens;
    OraError err;
    if (!sql_tokenize(text, &tokens, &err)) {
        // An identifier too long still leaves the kind of statement to the words before it,
        // so that a PL/SQL block reports it as PL/SQL does.
        if (err.code != 972 || !sql_tokenize(text.substr(0, err.offset), &tokens, &err)) return 0;
    }
    return sql_statement_type(tokens);
}

int sql_statement_type(const std::vector<Token>& tokens) {
    if (tokens.empty() || tokens[0].kind != TokenKind::Word) {
        if (!tokens.empty() && tokens[0].kind == TokenKind::Operator && tokens[0].text == "(") return 1;
        return 0;
    }
    const std::string& w = tokens[0].text;
    if (w == "SELECT" || w == "WITH") return 1;
    if (w == "UPDATE") return 2;
    if (w == "DELETE") return 3;
    if (w == "INSERT") return 4;
    if (w == "MERGE") return 16;
    if (w == "CREATE") return 5;
    if (w == "DROP") return 6;
    if (w == "ALTER") return 7;
    if (w == "BEGIN") return 8;
    if (w == "DECLARE") return 9;
    return 0;
}

// The WHERE of an UPDATE or DELETE; on a partition, the partition's condition too, with
// the statement's own WHERE (and a ROWNUM limit's choice of rows) judged within its rows.
bool Translator::dml_partition_where(Statement& s, const Scope& scope, const Source& src, std::string* where) {
    std::string part;
    if (!partition_where(s, src, &part)) return false;
    Source within = src;
    if (!part.empty()) within.sql = "(SELECT rowid AS rowid,* FROM " + src.sql + " WHERE " + part + ")";
    if (s.where && !dml_where(*s.where, scope, within, where)) return false;
    if (!part.empty()) *where = where->empty() ? part : part + " AND (" + *where + ")";
    return true;
}
