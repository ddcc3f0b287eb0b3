// INSERT, UPDATE and DELETE through a view. A view over one table whose columns are that
// table's columns (renamed or not) or expressions of them passes its DML on to the table:
// the statement is rewritten, one view at a time, into a statement on the view's own
// FROM table. The view's query is read from the Oracle text the catalog keeps and parsed
// with the statement grammar. Its WHERE clause joins the WHERE of an UPDATE or DELETE, so
// that they see only the rows the view shows; under WITH CHECK OPTION it is also kept as
// a condition every inserted or updated row must meet (ORA-01402). A view column that is
// an expression is virtual: it may be read, never written (ORA-01733).
#include "sql/sql_lexer.h"
#include "values/errors.h"
#include "sql/sql_translator.h"

#include <set>

namespace {

// The query of a view's text, without the WITH READ ONLY or WITH CHECK OPTION that may end it.
bool parse_view_query(const std::string& text, std::unique_ptr<SelectStmt>* out) {
    std::vector<Token> tokens;
    OraError ignored;
    if (!sql_tokenize(text, &tokens, &ignored)) return false;
    int depth = 0;
    for (std::size_t k = 0; k + 1 < tokens.size(); ++k) {
        const Token& t = tokens[k];
        if (t.kind == TokenKind::Operator && t.text == "(") ++depth;
        if (t.kind == TokenKind::Operator && t.text == ")") --depth;
        const Token& next = tokens[k + 1];
        if (depth == 0 && t.kind == TokenKind::Word && t.text == "WITH" && next.kind == TokenKind::Word &&
            (next.text == "READ" || next.text == "CHECK")) {
            Token end;
            end.offset = end.end = t.offset;
            tokens.resize(k);
            tokens.push_back(end);
            break;
        }
    }
    Statement s;
    if (!sql_parse(tokens, &s, &ignored) || s.kind != StatementKind::Select || !s.select) return false;
    *out = std::move(s.select);
    return true;
}

// True when e, outside its subqueries, reads ROWNUM or calls an aggregate or analytic function.
bool computes_over_rows(const Expr& e) {
    if (e.kind == ExprKind::Column && e.path.size() == 1 && e.path[0] == "ROWNUM") return true;
    if (e.kind == ExprKind::Function && (e.over || is_aggregate_call(e))) return true;
    for (const ExprPtr& a : e.args)
        if (a && computes_over_rows(*a)) return true;
    return false;
}

// A query whose rows are not one-for-one rows of its tables: no DML passes through it.
bool rows_are_derived(const SelectStmt& q) {
    if (q.distinct || q.next || !q.group_by.empty() || !q.grouping.empty() || q.having || q.connect_by ||
        q.start_with || !q.with.empty() || q.offset_rows || q.fetch_rows || q.from.empty())
        return true;
    for (const FromItem& f : q.from)
        if (f.subquery || f.pivot || f.json_table || f.collection || f.collection) return true;
    for (const SelectItem& it : q.items)
        if (computes_over_rows(*it.expr)) return true;
    return q.where && computes_over_rows(*q.where);
}

// How many views a DML statement may pass through before the chain counts as a circle.
constexpr int kViewDepthLimit = 64;

ExprPtr conjunction(ExprPtr a, ExprPtr b) {
    if (!a) return b;
    if (!b) return a;
    auto e = std::make_unique<Expr>();
    e->kind = ExprKind::And;
    e->offset = a->offset;
    e->end = a->end;
    e->args.push_back(std::move(a));
    e->args.push_back(std::move(b));
    return e;
}

}  // namespace

// One view of the chain from a DML target down to its table: what each of its columns is.
struct ViewLevel {
    std::string text;                     // the view's query as the catalog keeps it
    std::string target;                   // how the statement names the view (its alias, else its name)
    std::string owner, name;              // the view
    std::string base_alias;               // how the view's query names its table
    std::set<std::string> table_columns;  // the columns of that table
    struct Column {
        std::string name;      // the view's column
        std::string base;      // the table's column behind it; empty for an expression
        std::size_t item = 0;  // the select item of an expression
    };
    std::vector<Column> columns;
    const Column* find(const std::string& column) const {
        for (const Column& c : columns)
            if (c.name == column) return &c;
        return nullptr;
    }
};

// A fresh copy of the expression behind a virtual column, its bare names qualified with the
// table's alias so that they keep reading the table wherever the expression is put.
static bool view_item(const ViewLevel& v, std::size_t item, ExprPtr* out) {
    std::unique_ptr<SelectStmt> q;
    if (!parse_view_query(v.text, &q) || item >= q->items.size()) return false;
    *out = std::move(q->items[item].expr);
    std::vector<Expr*> todo{out->get()};
    while (!todo.empty()) {
        Expr* e = todo.back();
        todo.pop_back();
        if (e->kind == ExprKind::Column && e->path.size() == 1 && v.table_columns.count(e->path[0])) {
            e->path.insert(e->path.begin(), v.base_alias);
            e->path_offsets.insert(e->path_offsets.begin(), e->offset);
        }
        for (ExprPtr& a : e->args)
            if (a) todo.push_back(a.get());
    }
    return true;
}

// The columns of a subquery's FROM tables and of the blocks around it: a bare name among
// them is theirs, not the view's. Unknown when a FROM item is no table of the catalog.
struct BlockNames {
    bool known = true;
    std::set<std::string> names;
};

// Rewrites the references e makes to the view's columns into the table's. At the top
// level (block null) a bare name or one qualified with the view's name may be a view
// column; inside a subquery a bare one is taken for it only when no table of the
// subquery (or of a block around it) has a column of that name.
bool Translator::view_columns_to_table(const ViewLevel& v, ExprPtr& e, const BlockNames* block) {
    if (!e) return true;
    if (e->kind == ExprKind::Column) {
        bool qualified = e->path.size() == 2 && e->path[0] == v.target;
        bool owned = e->path.size() == 3 && e->path[0] == v.owner && e->path[1] == v.name;
        bool bare = e->path.size() == 1 && (!block || (block->known && !block->names.count(e->path[0])));
        if (qualified || owned || bare) {
            const ViewLevel::Column* c = v.find(e->path.back());
            if (!c) {
                // A bare name that is no view column may be a pseudo-column or a PL/SQL name.
                if (e->path.size() == 1) return true;
                std::string shown;
                for (const std::string& p : e->path) shown += (shown.empty() ? "\"" : ".\"") + p + "\"";
                return fail(904, e->offset, shown);
            }
            if (!c->base.empty()) {
                std::uint32_t at = e->offset;
                e->path = {v.base_alias, c->base};
                e->path_offsets = {at, at};
                return true;
            }
            ExprPtr copy;
            if (!view_item(v, c->item, &copy)) return fail(1732, e->offset);
            copy->offset = e->offset;
            copy->end = e->end;
            e = std::move(copy);
            return true;
        }
        return true;
    }
    for (ExprPtr& a : e->args)
        if (!view_columns_to_table(v, a, block)) return false;
    if (e->over) {
        for (ExprPtr& p : e->over->partition)
            if (!view_columns_to_table(v, p, block)) return false;
        for (OrderItem& o : e->over->order)
            if (!view_columns_to_table(v, o.expr, block)) return false;
    }
    if (e->subquery && !view_columns_in_query(v, *e->subquery, block)) return false;
    return true;
}

bool Translator::view_columns_in_query(const ViewLevel& v, SelectStmt& q, const BlockNames* outer) {
    for (SelectStmt* b = &q; b; b = b->next.get()) {
        BlockNames names;
        if (outer) names = *outer;
        names.known = names.known && b->with.empty();
        for (FromItem& f : b->from) {
            std::vector<ColumnInfo> cols;
            if (f.subquery || f.pivot || f.json_table || f.collection ||
                !ctx_.catalog->table_columns(owner_of(f.table), f.table.name, &cols))
                names.known = false;
            for (const ColumnInfo& c : cols) names.names.insert(c.name);
        }
        for (SelectItem& it : b->items)
            if (!view_columns_to_table(v, it.expr, &names)) return false;
        for (FromItem& f : b->from) {
            if (f.subquery && !view_columns_in_query(v, *f.subquery, &names)) return false;
            if (!view_columns_to_table(v, f.on, &names)) return false;
        }
        for (ExprPtr* p : {&b->where, &b->having, &b->start_with, &b->connect_by})
            if (!view_columns_to_table(v, *p, &names)) return false;
        for (ExprPtr& g : b->group_by)
            if (!view_columns_to_table(v, g, &names)) return false;
        for (OrderItem& o : b->order_by)
            if (!view_columns_to_table(v, o.expr, &names)) return false;
    }
    return true;
}

// While the DML target is a view: refuses what cannot pass through it, else rewrites the
// statement onto the view's table and goes on with that (a view of a view).
bool Translator::view_dml_target(Statement& s) {
    view_checks_.clear();
    view_alias_.clear();
    bool checking = false;
    for (int depth = 0;; ++depth) {
        bool first = depth == 0;
        std::string owner = owner_of(s.table);
        std::string target = s.alias.empty() ? s.table.name : s.alias;
        char kind = ctx_.catalog->view_restriction(owner, s.table.name);
        std::vector<ColumnInfo> shown;
        std::string syn_owner, syn_target;
        if (!kind && first && s.table.owner.empty() && !ctx_.catalog->table_columns(owner, s.table.name, &shown) &&
            ctx_.catalog->synonym_target(ctx_.schema, s.table.name, &syn_owner, &syn_target)) {
            // A synonym of a view: the statement goes through the view.
            owner = syn_owner.empty() ? ctx_.schema : syn_owner;
            kind = ctx_.catalog->view_restriction(owner, syn_target);
            if (kind) {
                s.table.owner = owner;
                s.table.name = syn_target;
            }
        }
        if (!kind) return true;
        if (first) {
            const char* use = s.kind == StatementKind::Insert   ? "INSERT"
                              : s.kind == StatementKind::Update ? "UPDATE"
                                                                : "DELETE";
            if (!may_use(owner, s.table.name, use, s.table.offset)) return false;
        }
        if (kind == 'M') return fail(1732, s.table.offset);
        if (kind == 'O') return fail(42399, s.table.offset);
        // Views replaced one over the other can end up reading each other.
        if (depth == kViewDepthLimit) return fail(1731, s.table.offset);
        ViewLevel v;
        v.owner = owner;
        v.name = s.table.name;
        v.target = target;
        std::unique_ptr<SelectStmt> q;
        if (!ctx_.catalog->view_text(owner, s.table.name, &v.text) ||
            !ctx_.catalog->table_columns(owner, s.table.name, &shown) || !parse_view_query(v.text, &q) ||
            rows_are_derived(*q))
            return fail(1732, s.table.offset);
        if (q->from.size() != 1) {
            // A join view: no column maps to a key-preserved table the engine knows of.
            if (s.kind == StatementKind::Delete) return fail(1732, s.table.offset);
            std::uint32_t at = s.table.offset;
            if (s.kind == StatementKind::Update && !s.set_offsets.empty()) at = s.set_offsets[0];
            if (s.kind == StatementKind::Insert && !s.column_offsets.empty()) at = s.column_offsets[0];
            return fail(1779, at);
        }
        FromItem& f = q->from[0];
        // The view's names are the view owner's: an unqualified table is in its schema.
        if (f.table.owner.empty()) f.table.owner = owner;
        f.table.offset = s.table.offset;
        v.base_alias = f.alias.empty() ? f.table.name : f.alias;
        view_alias_ = v.base_alias;
        std::vector<ColumnInfo> table;
        if (!ctx_.catalog->table_columns(f.table.owner, f.table.name, &table)) return fail(1732, s.table.offset);
        for (const ColumnInfo& c : table) v.table_columns.insert(c.name);
        for (std::size_t i = 0; i < q->items.size(); ++i) {
            const Expr& e = *q->items[i].expr;
            if (e.kind == ExprKind::Star) {
                for (const ColumnInfo& c : table) v.columns.push_back({c.name, c.name, i});
                continue;
            }
            // A name the table lacks (SYSTIMESTAMP, USER ...) is an expression as well.
            bool plain = e.kind == ExprKind::Column && v.table_columns.count(e.path.back()) &&
                         (e.path.size() == 1 || (e.path.size() == 2 && e.path[0] == v.base_alias));
            v.columns.push_back({std::string(), plain ? e.path.back() : std::string(), i});
        }
        if (v.columns.size() != shown.size()) return fail(1732, s.table.offset);
        for (std::size_t i = 0; i < shown.size(); ++i) v.columns[i].name = shown[i].name;

        // The statement's own clauses, in the table's terms.
        for (ExprPtr& r : s.returning)
            if (!view_columns_to_table(v, r, nullptr)) return false;
        for (ExprPtr& c : view_checks_)
            if (!view_columns_to_table(v, c, nullptr)) return false;
        if (s.kind == StatementKind::Insert) {
            // INSERT INTO (subquery) maps the view's columns onto the table's.
            auto tq = std::make_unique<SelectStmt>();
            tq->offset = s.table.offset;
            for (const ViewLevel::Column& c : v.columns) {
                SelectItem it;
                it.expr = std::make_unique<Expr>();
                it.expr->offset = s.table.offset;
                if (!c.base.empty()) {
                    it.expr->kind = ExprKind::Column;
                    it.expr->path = {c.base};
                    it.expr->path_offsets = {s.table.offset};
                }
                it.alias = c.name;
                tq->items.push_back(std::move(it));
            }
            tq->from.push_back(std::move(q->from[0]));
            s.target_query = std::move(tq);
            if (!insert_target_query(s)) return false;
        } else {
            for (std::size_t i = 0; i < s.sets.size(); ++i) {
                const ViewLevel::Column* c = v.find(s.sets[i].first);
                if (!c) return fail(904, s.set_offsets[i], "\"" + s.sets[i].first + "\"");
                if (c->base.empty()) return fail(1733, s.set_offsets[i]);
                s.sets[i].first = c->base;
                if (!view_columns_to_table(v, s.sets[i].second, nullptr)) return false;
            }
            if (!view_columns_to_table(v, s.where, nullptr)) return false;
            s.where = conjunction(std::move(s.where), std::move(q->where));
            s.table = f.table;
            s.alias = f.alias;
        }
        if (kind == 'V') checking = true;
        if (checking) {
            // Parsed again: the copy above went into the statement's WHERE.
            std::unique_ptr<SelectStmt> again;
            if (!parse_view_query(v.text, &again)) return fail(1732, s.table.offset);
            if (again->where) view_checks_.push_back(std::move(again->where));
        }
    }
}

// The rows a statement writes through a view WITH CHECK OPTION must stay visible through
// it: a condition that is 1 for a row whose values (values: the SQLite expression of each
// of the table's columns) meet every check, and fails the statement with ORA-01402 for
// one that does not (a check that is NULL fails too, as the row would not be shown). The
// row is named as the checks name the table.
bool Translator::view_check_sql(const std::vector<ColumnInfo>& columns, const std::vector<std::string>& values,
                                std::string* sql) {
    Source row;
    row.alias = view_alias_;
    row.columns = columns;
    Scope scope;
    scope.sources.push_back(row);
    std::string conditions;
    for (ExprPtr& c : view_checks_) {
        Emitted e;
        if (!expr(*c, scope, &e)) return false;
        conditions += (conditions.empty() ? "(" : " AND (") + e.sql + ")";
    }
    std::string list;
    for (std::size_t i = 0; i < columns.size(); ++i)
        list += (i ? "," : "") + values[i] + " AS " + quote_name(columns[i].name);
    *sql = "CASE WHEN EXISTS (SELECT 1 FROM (SELECT " + list + ") AS " + quote_name(view_alias_) + " WHERE " +
           conditions + ") THEN 1 ELSE vantro_raise(" + quote_text(ora_line(1402)) + ") END";
    return true;
}
