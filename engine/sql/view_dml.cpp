// INSERT, UPDATE and DELETE through a view. A view over one table whose columns are that
// table's columns (renamed or not) or expressions of them passes its DML on to the table:
// the statement is rewritten, one view at a time, into a statement on the view's own
// FROM table. The view's query is read from the Oracle text the catalog keeps and parsed
// with the statement grammar. Its WHERE clause joins the WHERE of an UPDATE or DELETE, so
// that they see only the rows the view shows; under WITH CHECK OPTION it is also kept as
// a condition every inserted or updated row must meet (ORA-01402). A view column that is
// an expression is virtual: it may be read, never written (ORA-01733).
//
// A view over an inner join passes a statement on to one key-preserved table: one whose
// rows each appear at most once in the join, because every other table is reached from
// it through equalities on all columns of one of that table's keys. UPDATE and INSERT go
// to the table of the columns they write, DELETE to the first key-preserved table; the
// other tables and the join's conditions become an EXISTS the target's rows must meet.
#include "sql/sql_lexer.h"
#include "sql/view_keys.h"
#include "values/errors.h"
#include "sql/sql_translator.h"

#include <algorithm>
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

// One table of a join view's FROM list.
struct JoinSource {
    std::string owner, name;
    std::string alias;  // how the view's query names it
    std::set<std::string> columns;
};

// The tables of a view over an inner join, its conditions and what each of its columns is.
struct JoinView {
    std::vector<JoinSource> sources;
    std::vector<ExprPtr> conditions;  // the conjuncts of WHERE, ON and USING, their names qualified
    bool outer = false;               // an outer join: no table is taken for key-preserved
    struct Column {
        std::string name;  // the view's
        int source = -1;   // -1: an expression
        std::string base;  // the source's column
        std::size_t item = 0;
    };
    std::vector<Column> columns;
    std::vector<bool> key_preserved;
    std::vector<std::set<std::string>> join_columns;  // per source: columns of conditions that read another source
    std::vector<bool> repeated;                       // per source: its table is named more than once
    const Column* find(const std::string& name) const {
        for (const Column& c : columns)
            if (c.name == name) return &c;
        return nullptr;
    }
};

void split_conjuncts(ExprPtr e, std::vector<ExprPtr>* out) {
    if (!e) return;
    if (e->kind == ExprKind::And) {
        for (ExprPtr& a : e->args) split_conjuncts(std::move(a), out);
        return;
    }
    out->push_back(std::move(e));
}

bool has_outer_mark(const Expr& e) {
    if (e.outer_join) return true;
    for (const ExprPtr& a : e.args)
        if (a && has_outer_mark(*a)) return true;
    return false;
}

// The source a column reference of the view's query reads: -1 none, -2 more than one.
int source_of(const JoinView& j, const Expr& e) {
    if (e.kind != ExprKind::Column) return -1;
    int found = -1;
    for (std::size_t i = 0; i < j.sources.size(); ++i) {
        const JoinSource& src = j.sources[i];
        bool match = e.path.size() == 1 ? src.columns.count(e.path[0]) > 0
                                        : e.path.size() == 2 && e.path[0] == src.alias && src.columns.count(e.path[1]);
        if (!match) continue;
        if (found >= 0) return -2;
        found = static_cast<int>(i);
    }
    return found;
}

// Qualifies the bare names of e (outside its subqueries) with their source's alias.
void qualify(const JoinView& j, Expr& e) {
    if (e.kind == ExprKind::Column && e.path.size() == 1) {
        int src = source_of(j, e);
        if (src >= 0) {
            e.path.insert(e.path.begin(), j.sources[src].alias);
            e.path_offsets.insert(e.path_offsets.begin(), e.offset);
        }
    }
    for (ExprPtr& a : e.args)
        if (a) qualify(j, *a);
}

// The (source, column) pairs e reads outside its subqueries; a subquery counts as reading
// every source.
void columns_read(const JoinView& j, const Expr& e, std::vector<std::pair<int, std::string>>* out, bool* opaque) {
    if (e.subquery) *opaque = true;
    if (e.kind == ExprKind::Column) {
        int src = source_of(j, e);
        if (src >= 0) out->emplace_back(src, e.path.back());
    }
    for (const ExprPtr& a : e.args)
        if (a) columns_read(j, *a, out, opaque);
}

ExprPtr column_ref(const std::string& alias, const std::string& column, std::uint32_t at) {
    auto e = std::make_unique<Expr>();
    e->kind = ExprKind::Column;
    e->path = {alias, column};
    e->path_offsets = {at, at};
    e->offset = e->end = at;
    return e;
}

// Reads a join view's query (its FROM items keep their tables; ON clauses move into
// j.conditions). False when an item is not a table or view the catalog knows.
bool load_join(CatalogView* catalog, const std::string& owner, SelectStmt& q, JoinView* j) {
    for (FromItem& f : q.from) {
        if (f.table.owner.empty()) f.table.owner = owner;
        if (f.join == JoinKind::Left || f.join == JoinKind::Right || f.join == JoinKind::Full) j->outer = true;
        JoinSource src;
        src.owner = f.table.owner;
        src.name = f.table.name;
        src.alias = f.alias.empty() ? f.table.name : f.alias;
        std::vector<ColumnInfo> cols;
        if (!catalog->table_columns(src.owner, src.name, &cols)) return false;
        for (const ColumnInfo& c : cols) src.columns.insert(c.name);
        for (const std::string& u : f.using_columns) {
            // USING (c): the column of this table equals the same column of the first before it.
            for (const JoinSource& before : j->sources) {
                if (!before.columns.count(u)) continue;
                auto eq = std::make_unique<Expr>();
                eq->kind = ExprKind::Compare;
                eq->text = "=";
                eq->args.push_back(column_ref(before.alias, u, f.table.offset));
                eq->args.push_back(column_ref(src.alias, u, f.table.offset));
                j->conditions.push_back(std::move(eq));
                break;
            }
        }
        j->sources.push_back(std::move(src));
        split_conjuncts(std::move(f.on), &j->conditions);
        f.join = j->sources.size() == 1 ? JoinKind::First : JoinKind::Comma;
        f.using_columns.clear();
    }
    split_conjuncts(std::move(q.where), &j->conditions);
    for (ExprPtr& c : j->conditions) {
        if (has_outer_mark(*c)) j->outer = true;
        qualify(*j, *c);
    }
    for (std::size_t i = 0; i < q.items.size(); ++i) {
        const Expr& e = *q.items[i].expr;
        if (e.kind == ExprKind::Star) {
            for (std::size_t k = 0; k < j->sources.size(); ++k) {
                if (!e.path.empty() && e.path.back() != j->sources[k].alias) continue;
                std::vector<ColumnInfo> cols;
                catalog->table_columns(j->sources[k].owner, j->sources[k].name, &cols);
                for (const ColumnInfo& c : cols) j->columns.push_back({c.name, static_cast<int>(k), c.name, i});
            }
            continue;
        }
        const int src = source_of(*j, e);
        j->columns.push_back({std::string(), src >= 0 ? src : -1, src >= 0 ? e.path.back() : std::string(), i});
    }
    // Key-preserved: every other source is reached through equalities on all columns
    // of one of its keys, from sources already reached or from values of no source.
    const std::size_t n = j->sources.size();
    struct Equality {
        int source;
        std::string column;
        int from;  // -1: a value of no source
    };
    std::vector<Equality> equalities;
    j->join_columns.assign(n, {});
    for (const ExprPtr& c : j->conditions) {
        std::vector<std::pair<int, std::string>> read;
        bool opaque = false;
        columns_read(*j, *c, &read, &opaque);
        std::set<int> sources;
        for (const auto& r : read) sources.insert(r.first);
        if (sources.size() > 1 || (opaque && !sources.empty()))
            for (const auto& r : read) j->join_columns[r.first].insert(r.second);
        if (c->kind != ExprKind::Compare || c->text != "=" || opaque) continue;
        for (int side = 0; side < 2; ++side) {
            const Expr& a = *c->args[side];
            const Expr& b = *c->args[1 - side];
            const int sa = source_of(*j, a);
            if (sa < 0) continue;
            std::vector<std::pair<int, std::string>> other;
            bool other_opaque = false;
            columns_read(*j, b, &other, &other_opaque);
            if (other_opaque) continue;
            if (other.empty())
                equalities.push_back({sa, a.path.back(), -1});
            else if (b.kind == ExprKind::Column && other[0].first != sa)
                equalities.push_back({sa, a.path.back(), other[0].first});
        }
    }
    std::vector<std::vector<std::vector<std::string>>> keys(n);
    for (std::size_t k = 0; k < n; ++k) keys[k] = catalog->unique_keys(j->sources[k].owner, j->sources[k].name);
    j->key_preserved.assign(n, false);
    j->repeated.assign(n, false);
    for (std::size_t k = 0; k < n; ++k)
        for (std::size_t m = 0; m < n; ++m)
            if (m != k && j->sources[m].owner == j->sources[k].owner && j->sources[m].name == j->sources[k].name)
                j->repeated[k] = true;
    if (j->outer) return true;
    for (std::size_t start = 0; start < n; ++start) {
        std::vector<bool> reached(n, false);
        reached[start] = true;
        for (bool grew = true; grew;) {
            grew = false;
            for (std::size_t k = 0; k < n; ++k) {
                if (reached[k]) continue;
                for (const std::vector<std::string>& key : keys[k]) {
                    bool whole = true;
                    for (const std::string& col : key) {
                        bool bound = false;
                        for (const Equality& e : equalities)
                            bound = bound || (e.source == static_cast<int>(k) && e.column == col &&
                                              (e.from < 0 || reached[e.from]));
                        whole = whole && bound;
                    }
                    if (whole) {
                        reached[k] = grew = true;
                        break;
                    }
                }
            }
        }
        j->key_preserved[start] = std::find(reached.begin(), reached.end(), false) == reached.end();
    }
    return true;
}

// A join view's select list and rows as DML sees them: false when the view is no inner
// or outer join of tables and views.
bool read_join_view(CatalogView* catalog, const std::string& owner, const std::string& text, std::size_t shown,
                    std::unique_ptr<SelectStmt>* q, JoinView* j) {
    if (!parse_view_query(text, q) || rows_are_derived(**q) || !load_join(catalog, owner, **q, j)) return false;
    return j->columns.size() == shown;
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
        std::string alias;     // a join view's: how its query names the column's table
    };
    // A join view: the FROM item of the target table, and whether a column of another
    // table is read through the join (where only the target's row is in reach).
    int join_target = -1;
    bool through_join = false;
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

// The rest of a join view's rows around its target table: its other tables, and the
// join's conditions, which name the target's row as the view's query names its table.
static bool join_rest(CatalogView* catalog, const ViewLevel& v, std::unique_ptr<SelectStmt>* out) {
    std::unique_ptr<SelectStmt> q;
    JoinView j;
    if (!parse_view_query(v.text, &q) || !load_join(catalog, v.owner, *q, &j) || v.join_target < 0 ||
        static_cast<std::size_t>(v.join_target) >= q->from.size())
        return false;
    auto rest = std::make_unique<SelectStmt>();
    rest->offset = q->offset;
    for (std::size_t i = 0; i < q->from.size(); ++i) {
        if (static_cast<int>(i) == v.join_target) continue;
        rest->from.push_back(std::move(q->from[i]));
        rest->from.back().join = rest->from.size() == 1 ? JoinKind::First : JoinKind::Comma;
    }
    for (ExprPtr& c : j.conditions) rest->where = conjunction(std::move(rest->where), std::move(c));
    *out = std::move(rest);
    return true;
}

// A column of another table of a join view, read for the target's row: the one value the
// join gives it (the target is key-preserved), as a scalar subquery.
static bool join_value(CatalogView* catalog, const ViewLevel& v, const std::string& alias, const std::string& column,
                       std::uint32_t at, ExprPtr* e) {
    std::unique_ptr<SelectStmt> rest;
    if (!join_rest(catalog, v, &rest)) return false;
    SelectItem it;
    it.expr = column_ref(alias, column, at);
    rest->items.push_back(std::move(it));
    auto sub = std::make_unique<Expr>();
    sub->kind = ExprKind::Subquery;
    sub->offset = (*e)->offset;
    sub->end = (*e)->end;
    sub->subquery = std::move(rest);
    *e = std::move(sub);
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
                const std::string& alias = c->alias.empty() ? v.base_alias : c->alias;
                if (v.through_join && alias != v.base_alias) {
                    if (!join_value(ctx_.catalog, v, alias, c->base, at, &e)) return fail(1732, at);
                    return true;
                }
                e->path = {alias, c->base};
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
        if (!kind && first && !ctx_.catalog->table_columns(owner, s.table.name, &shown) &&
            synonym_target(s.table, &syn_owner, &syn_target)) {
            // A synonym of a view: the statement goes through the view.
            owner = syn_owner;
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
            JoinView j;
            if (!load_join(ctx_.catalog, owner, *q, &j) || j.columns.size() != shown.size())
                return fail(1732, s.table.offset);
            for (std::size_t i = 0; i < shown.size(); ++i) j.columns[i].name = shown[i].name;
            // The target: the one table the written columns belong to, or for DELETE the
            // first key-preserved table.
            int into = -1;
            if (s.kind == StatementKind::Delete) {
                for (std::size_t i = 0; i < j.sources.size() && into < 0; ++i)
                    if (j.key_preserved[i]) into = static_cast<int>(i);
                if (into < 0) return fail(1752, s.table.offset);
            } else {
                std::vector<std::pair<std::string, std::uint32_t>> written;
                if (s.kind == StatementKind::Update)
                    for (std::size_t i = 0; i < s.sets.size(); ++i)
                        written.emplace_back(s.sets[i].first, s.set_offsets[i]);
                else if (s.columns.empty())
                    for (const JoinView::Column& c : j.columns) written.emplace_back(c.name, s.table.offset);
                else
                    for (std::size_t i = 0; i < s.columns.size(); ++i)
                        written.emplace_back(s.columns[i], s.column_offsets[i]);
                // Under WITH CHECK OPTION a join view takes no INSERT, and no UPDATE of
                // its join columns or of a table it names twice.
                if (s.kind == StatementKind::Insert && (kind == 'V' || checking)) return fail(1733, s.table.offset);
                for (const auto& w : written) {
                    const JoinView::Column* c = j.find(w.first);
                    if (!c) return fail(904, w.second, "\"" + w.first + "\"");
                    if (c->source < 0) return fail(1733, w.second);
                    if (!j.key_preserved[c->source]) return fail(1779, w.second);
                    if ((kind == 'V' || checking) &&
                        (j.repeated[c->source] || j.join_columns[c->source].count(c->base)))
                        return fail(1733, w.second);
                    if (into >= 0 && into != c->source) return fail(1776, w.second);
                    into = c->source;
                }
                if (into < 0) return fail(1779, s.table.offset);
            }
            v.join_target = into;
            v.base_alias = j.sources[into].alias;
            for (const std::string& c : j.sources[into].columns) v.table_columns.insert(c);
            for (const JoinView::Column& c : j.columns)
                v.columns.push_back(
                    {c.name, c.base, c.item, c.source >= 0 ? j.sources[c.source].alias : std::string()});
            view_alias_ = v.base_alias;
            FromItem& f = q->from[into];
            f.table.offset = s.table.offset;
            // RETURNING and SET values read another table's column through the join.
            v.through_join = true;
            for (ExprPtr& r : s.returning)
                if (!view_columns_to_table(v, r, nullptr)) return false;
            for (ExprPtr& c : view_checks_)
                if (!view_columns_to_table(v, c, nullptr)) return false;
            if (s.kind == StatementKind::Insert) {
                auto tq = std::make_unique<SelectStmt>();
                tq->offset = s.table.offset;
                for (const ViewLevel::Column& c : v.columns) {
                    SelectItem it;
                    it.expr = std::make_unique<Expr>();
                    it.expr->offset = s.table.offset;
                    if (!c.base.empty() && c.alias == v.base_alias) {
                        it.expr->kind = ExprKind::Column;
                        it.expr->path = {c.base};
                        it.expr->path_offsets = {s.table.offset};
                    }
                    it.alias = c.name;
                    tq->items.push_back(std::move(it));
                }
                f.join = JoinKind::First;
                tq->from.push_back(std::move(f));
                s.target_query = std::move(tq);
                if (!insert_target_query(s)) return false;
            } else {
                for (std::size_t i = 0; i < s.sets.size(); ++i) {
                    s.sets[i].first = v.find(s.sets[i].first)->base;
                    if (!view_columns_to_table(v, s.sets[i].second, nullptr)) return false;
                }
                // The WHERE joins the other tables: the target's rows that are rows of the view.
                v.through_join = false;
                if (!view_columns_to_table(v, s.where, nullptr)) return false;
                std::unique_ptr<SelectStmt> rest;
                if (!join_rest(ctx_.catalog, v, &rest)) return fail(1732, s.table.offset);
                rest->where = conjunction(std::move(rest->where), std::move(s.where));
                SelectItem one;
                one.expr = std::make_unique<Expr>();
                one.expr->kind = ExprKind::Number;
                one.expr->text = "1";
                one.expr->offset = s.table.offset;
                rest->items.push_back(std::move(one));
                auto exists = std::make_unique<Expr>();
                exists->kind = ExprKind::Exists;
                exists->offset = exists->end = s.table.offset;
                exists->subquery = std::move(rest);
                s.where = std::move(exists);
                s.table = f.table;
                s.alias = f.alias;
            }
            if (kind == 'V') checking = true;
            if (checking) {
                // The conditions on the target's own columns are what its rows must keep
                // meeting; the others read the join columns, which stay as they are.
                std::unique_ptr<SelectStmt> again;
                JoinView ja;
                if (!parse_view_query(v.text, &again) || !load_join(ctx_.catalog, owner, *again, &ja))
                    return fail(1732, s.table.offset);
                for (ExprPtr& c : ja.conditions) {
                    std::vector<std::pair<int, std::string>> read;
                    bool opaque = false;
                    columns_read(ja, *c, &read, &opaque);
                    bool own = !opaque && !read.empty();
                    for (const auto& r : read) own = own && r.first == into;
                    if (own) view_checks_.push_back(std::move(c));
                }
            }
            continue;
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
                for (const ColumnInfo& c : table) v.columns.push_back({c.name, c.name, i, std::string()});
                continue;
            }
            // A name the table lacks (SYSTIMESTAMP, USER ...) is an expression as well.
            bool plain = e.kind == ExprKind::Column && v.table_columns.count(e.path.back()) &&
                         (e.path.size() == 1 || (e.path.size() == 2 && e.path[0] == v.base_alias));
            v.columns.push_back({std::string(), plain ? e.path.back() : std::string(), i, std::string()});
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

namespace {

bool column_uses(CatalogView* catalog, const std::string& owner, const std::string& view,
                 std::vector<ViewColumnUse>* out, int depth) {
    out->clear();
    const char kind = catalog->view_restriction(owner, view);
    std::string text;
    std::vector<ColumnInfo> shown;
    if (!kind || kind == 'M' || !catalog->view_text(owner, view, &text) || !catalog->table_columns(owner, view, &shown))
        return false;
    for (const ColumnInfo& c : shown) {
        ViewColumnUse use;
        use.name = c.name;
        out->push_back(use);
    }
    std::unique_ptr<SelectStmt> q;
    JoinView j;
    if (kind == 'O' || depth >= kViewDepthLimit || !read_join_view(catalog, owner, text, shown.size(), &q, &j))
        return true;
    const bool joined = j.sources.size() > 1;
    for (std::size_t i = 0; i < j.columns.size(); ++i) {
        const JoinView::Column& c = j.columns[i];
        if (c.source < 0 || !j.key_preserved[c.source]) continue;
        ViewColumnUse& use = (*out)[i];
        use.updatable = use.insertable = use.deletable = true;
        if (joined && kind == 'V') {
            use.insertable = false;
            use.updatable = !j.repeated[c.source] && !j.join_columns[c.source].count(c.base);
        }
        // A column of a view passes on what that view allows for it.
        std::vector<ViewColumnUse> inner;
        const JoinSource& src = j.sources[c.source];
        if (!column_uses(catalog, src.owner, src.name, &inner, depth + 1)) continue;
        const ViewColumnUse* below = nullptr;
        for (const ViewColumnUse& u : inner)
            if (u.name == c.base) below = &u;
        use.updatable = use.updatable && below && below->updatable;
        use.insertable = use.insertable && below && below->insertable;
        use.deletable = below && below->deletable;
    }
    return true;
}

}  // namespace

bool view_column_uses(CatalogView* catalog, const std::string& owner, const std::string& view,
                      std::vector<ViewColumnUse>* out) {
    return column_uses(catalog, owner, view, out, 0);
}
