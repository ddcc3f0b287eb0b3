// GROUP BY ROLLUP, CUBE, GROUPING SETS and composite columns, with GROUPING,
// GROUPING_ID and GROUP_ID. The grouping sets are expanded; each becomes one GROUP BY of
// the block's FROM rows, the results are joined by UNION ALL into a subquery, and the
// block's select list, HAVING and ORDER BY read that subquery: a grouping expression
// reads its column (NULL in the rows of a set without it), an aggregate call its own.
#include "values/errors.h"
#include "sql/sql_translator.h"

#include <algorithm>

namespace {

using GroupSet = std::vector<std::size_t>;  // indexes of GroupedRows::groups, ascending

// Oracle's limit is higher; more sets than this make a statement too large to run.
constexpr std::size_t kMaxGroupingSets = 4096;
// SQLite joins at most 500 blocks in one compound query: larger unions are nested.
constexpr std::size_t kBlocksPerUnion = 200;

const char* const kGroupedAlias = "vantro_gs";

GroupSet set_union(const GroupSet& a, const GroupSet& b) {
    GroupSet r = a;
    r.insert(r.end(), b.begin(), b.end());
    std::sort(r.begin(), r.end());
    r.erase(std::unique(r.begin(), r.end()), r.end());
    return r;
}

std::string grouped_column(const char* prefix, std::size_t i) {
    return std::string(kGroupedAlias) + "." + prefix + std::to_string(i);
}

bool reads_grouping_call(const Expr& e) {
    std::vector<const Expr*> work{&e};
    while (!work.empty()) {
        const Expr* x = work.back();
        work.pop_back();
        if (is_grouping_call(*x)) return true;
        for (const ExprPtr& a : x->args)
            if (a) work.push_back(a.get());
        if (x->over) {
            for (const ExprPtr& p : x->over->partition) work.push_back(p.get());
            for (const OrderItem& o : x->over->order) work.push_back(o.expr.get());
        }
    }
    return false;
}

}  // namespace

bool local_column(const Expr& e, const Scope& scope) {
    const std::string& name = e.path.back();
    std::string qualifier = e.path.size() == 2 ? e.path[0] : e.path.size() == 3 ? e.path[1] : std::string();
    if (qualifier.empty() && scope.using_names.count(name)) return true;
    for (const Source& src : scope.sources) {
        if (!qualifier.empty() && src.alias != qualifier) continue;
        for (const ColumnInfo& c : src.columns)
            if (c.name == name) return true;
    }
    return false;
}

bool is_grouping_call(const Expr& e) {
    return e.kind == ExprKind::Function && !e.over && e.path.empty() &&
           (e.text == "GROUPING" || e.text == "GROUPING_ID" || e.text == "GROUP_ID");
}

bool uses_grouping_sets(const SelectStmt& s) {
    if (!s.grouping.empty()) return true;
    if (s.group_by.empty()) return false;
    for (const SelectItem& it : s.items)
        if (it.expr && reads_grouping_call(*it.expr)) return true;
    if (s.having && reads_grouping_call(*s.having)) return true;
    for (const OrderItem& o : s.order_by)
        if (reads_grouping_call(*o.expr)) return true;
    return false;
}

bool Translator::group_index(Expr& e, const Scope& scope, GroupedRows& rows, std::size_t* index) {
    Emitted g;
    if (!expr(e, scope, &g)) return false;
    if (g.aggregate) return fail(934, e.offset), err_->message = "group function is not allowed here", false;
    auto it = std::find(rows.groups.begin(), rows.groups.end(), g.sql);
    *index = static_cast<std::size_t>(it - rows.groups.begin());
    if (it == rows.groups.end()) {
        rows.groups.push_back(g.sql);
        rows.group_values.push_back(g);
        rows.group_nodes = std::max(rows.group_nodes, expr_nodes(e));
    }
    return true;
}

// The grouping sets one element of GROUP BY stands for.
bool Translator::grouping_element_sets(GroupingElement& g, const Scope& scope, GroupedRows& rows,
                                       std::vector<GroupSet>* sets) {
    using Kind = GroupingElement::Kind;
    sets->clear();
    switch (g.kind) {
    case Kind::Single: {
        std::size_t i = 0;
        if (!group_index(*g.expr, scope, rows, &i)) return false;
        sets->push_back({i});
        return true;
    }
    case Kind::List: {
        GroupSet one;
        for (GroupingElement& item : g.items) {
            std::size_t i = 0;
            if (!group_index(*item.expr, scope, rows, &i)) return false;
            one.push_back(i);
        }
        sets->push_back(set_union(one, {}));
        return true;
    }
    case Kind::Rollup:
    case Kind::Cube: {
        std::vector<GroupSet> columns;  // each element's expressions
        for (GroupingElement& item : g.items) {
            std::vector<GroupSet> one;
            if (!grouping_element_sets(item, scope, rows, &one)) return false;
            columns.push_back(one[0]);
        }
        if (g.kind == Kind::Rollup) {
            // (a, b, c): (a, b, c), (a, b), (a), ().
            for (std::size_t k = columns.size() + 1; k-- > 0;) {
                GroupSet u;
                for (std::size_t j = 0; j < k; ++j) u = set_union(u, columns[j]);
                sets->push_back(u);
            }
            return true;
        }
        if (columns.size() > 12) return fail(3001, g.offset), false;
        // Every subset of the elements, the whole first.
        std::size_t all = (std::size_t{1} << columns.size()) - 1;
        for (std::size_t mask = all + 1; mask-- > 0;) {
            GroupSet u;
            for (std::size_t j = 0; j < columns.size(); ++j)
                if (mask & (std::size_t{1} << (columns.size() - 1 - j))) u = set_union(u, columns[j]);
            sets->push_back(u);
        }
        return true;
    }
    case Kind::Sets:
        for (GroupingElement& item : g.items) {
            std::vector<GroupSet> one;
            if (!grouping_element_sets(item, scope, rows, &one)) return false;
            if (sets->size() + one.size() > kMaxGroupingSets)
                return fail(3001, item.offset), false;
            sets->insert(sets->end(), one.begin(), one.end());
        }
        return true;
    }
    return true;
}

// The block's grouping sets: the elements of GROUP BY concatenated, each set of one
// joined with each of the next.
bool Translator::grouping_sets(SelectStmt& s, const Scope& scope, GroupedRows& rows, std::vector<GroupSet>* sets) {
    *sets = {GroupSet{}};
    for (GroupingElement& g : s.grouping) {
        std::vector<GroupSet> mine;
        if (!grouping_element_sets(g, scope, rows, &mine)) return false;
        if (sets->size() * mine.size() > kMaxGroupingSets)
            return fail(3001, g.offset), false;
        std::vector<GroupSet> joined;
        for (const GroupSet& a : *sets)
            for (const GroupSet& b : mine) joined.push_back(set_union(a, b));
        *sets = std::move(joined);
    }
    return true;
}

bool Translator::find_group(Expr& e, const Scope& scope, const GroupedRows& rows, int* index) {
    *index = -1;
    std::size_t binds = out_->bind_names.size();
    Emitted b;
    bool ok;
    {
        PointerGate<GroupedRows> plain(grouped_, nullptr);
        ok = expr(e, scope, &b);
    }
    out_->bind_names.resize(binds);  // only compared: its placeholders are never bound
    if (!ok) return false;
    auto it = std::find(rows.groups.begin(), rows.groups.end(), b.sql);
    if (it != rows.groups.end()) *index = static_cast<int>(it - rows.groups.begin());
    return true;
}

// An aggregate call as a column of the grouped rows, the same call sharing one.
bool Translator::grouped_aggregate(Expr& e, const Scope& scope, Emitted* out) {
    GroupedRows& rows = *grouped_;
    std::size_t k = 0;
    auto known = rows.aggregate_of.find(&e);
    if (known != rows.aggregate_of.end()) {
        k = known->second;
    } else {
        Emitted a;
        {
            PointerGate<GroupedRows> plain(grouped_, nullptr);
            if (!expr(e, scope, &a)) return false;
        }
        auto it = std::find_if(rows.aggregates.begin(), rows.aggregates.end(),
                               [&](const Emitted& x) { return x.sql == a.sql; });
        k = static_cast<std::size_t>(it - rows.aggregates.begin());
        if (it == rows.aggregates.end()) {
            if (rows.sealed) return fail(3001, e.offset), false;
            rows.aggregates.push_back(a);
        }
        rows.aggregate_of[&e] = k;
    }
    *out = rows.aggregates[k];
    out->sql = grouped_column("vantro_a", k);
    out->aggregate = true;
    out->literal.clear();
    out->text_literal = false;
    return true;
}

// GROUPING(e) is 1 in the rows of a set without e; GROUPING_ID(a, b, ...) reads those
// bits as a binary number, the first the most significant; GROUP_ID() numbers the
// repeats of a grouping set from 0.
bool Translator::grouping_call(Expr& e, const Scope& scope, Emitted* out) {
    if (e.star || e.distinct) return fail(936, e.offset);
    *out = Emitted();
    out->type = number_type();
    out->aggregate = true;
    if (e.text == "GROUP_ID") {
        if (!e.args.empty()) return fail(909, e.offset);
        out->sql = std::string(kGroupedAlias) + ".vantro_gid";
        return true;
    }
    if (e.args.empty() || (e.text == "GROUPING" && e.args.size() != 1)) return fail(909, e.offset);
    std::string bits;
    for (ExprPtr& a : e.args) {
        int index = -1;
        if (!find_group(*a, scope, *grouped_, &index)) return false;
        if (index < 0) return fail(979, a->offset);
        std::string bit = grouped_column("vantro_b", static_cast<std::size_t>(index));
        bits = bits.empty() ? bit : "(" + bits + "*2+" + bit + ")";
    }
    out->sql = bits;
    return true;
}

// How expr() writes e while a grouped block's expressions are written: GROUPING calls
// and aggregates read their columns, a part that is a grouping expression reads its
// column, a column of the FROM rows anywhere else is refused (ORA-00979); the rest is
// written as usual, its parts coming back here (*handled false).
bool Translator::grouped_value(Expr& e, const Scope& scope, Emitted* out, bool* handled) {
    *handled = true;
    if (is_grouping_call(e)) return grouping_call(e, scope, out);
    if (is_aggregate_call(e)) return grouped_aggregate(e, scope, out);
    GroupedRows& rows = *grouped_;
    if (!e.subquery && e.kind != ExprKind::Bind && expr_nodes(e) <= rows.group_nodes && !reads_grouping_call(e)) {
        int index = -1;
        if (!find_group(e, scope, rows, &index)) return false;
        if (index >= 0) {
            *out = rows.group_values[static_cast<std::size_t>(index)];
            out->sql = grouped_column("vantro_g", static_cast<std::size_t>(index));
            out->literal.clear();
            out->text_literal = false;
            return true;
        }
    }
    if (e.kind == ExprKind::Column && local_column(e, scope)) return fail(979, e.offset);
    *handled = false;
    return true;
}

// Adds the aggregate calls of an ORDER BY item to the grouped rows before they are
// written (ORDER BY itself is written after the block, by select_query).
bool Translator::order_aggregates(Expr& e, const Scope& scope) {
    std::vector<Expr*> work{&e};
    while (!work.empty()) {
        Expr* x = work.back();
        work.pop_back();
        if (x->subquery) continue;
        if (is_aggregate_call(*x)) {
            Emitted ignored;
            if (!grouped_aggregate(*x, scope, &ignored)) return false;
            continue;
        }
        for (ExprPtr& a : x->args)
            if (a) work.push_back(a.get());
        if (x->over) {
            for (ExprPtr& p : x->over->partition) work.push_back(p.get());
            for (OrderItem& o : x->over->order) work.push_back(o.expr.get());
        }
    }
    return true;
}

bool Translator::grouping_block(SelectStmt& s, const Scope& scope, const std::string& from, WhereParts& w,
                                const std::vector<ColumnInfo>* store_types, std::vector<ColumnInfo>* cols,
                                std::string* sql) {
    if (w.any_limit) return fail(3001, s.where->offset), false;
    for (const SelectItem& it : s.items)
        if (it.expr->kind == ExprKind::Star) return fail(979, it.expr->offset);
    if (s.grouping.empty()) {  // a plain GROUP BY read by GROUPING: its one set
        for (ExprPtr& g : s.group_by) {
            GroupingElement one;
            one.offset = g->offset;
            one.expr = std::move(g);
            s.grouping.push_back(std::move(one));
        }
        s.group_by.clear();
    }
    GroupedRows& rows = grouped_blocks_[&s];
    rows = GroupedRows();
    std::vector<GroupSet> sets;
    if (!grouping_sets(s, scope, rows, &sets)) return false;
    std::string where;
    SelectList list;
    if (!where_clause(s, scope, &w, list, from, &where)) return false;
    std::string having;
    {
        PointerGate<GroupedRows> grouped(grouped_, &rows);
        {
            AnalyticGate analytic(analytic_ok_, true);
            if (!select_items(s, scope, store_types, &list)) return false;
        }
        if (s.having) {
            Emitted h;
            if (!expr(*s.having, scope, &h)) return false;
            having = " WHERE " + h.sql;
        }
        if (!s.next)
            for (OrderItem& o : s.order_by)
                if (!order_aggregates(*o.expr, scope)) return false;
    }
    rows.sealed = true;
    std::vector<std::string> blocks;
    for (std::size_t k = 0; k < sets.size(); ++k) {
        const GroupSet& set = sets[k];
        std::string items, by, bits;
        for (std::size_t i = 0; i < rows.groups.size(); ++i) {
            bool in = std::binary_search(set.begin(), set.end(), i);
            std::string name = "vantro_g" + std::to_string(i);
            items += (in ? rows.groups[i] : std::string("NULL")) + " AS " + name + ",";
            if (in) by += (by.empty() ? " GROUP BY " : ",") + name;
            bits += std::string(in ? "0" : "1") + " AS vantro_b" + std::to_string(i) + ",";
        }
        for (std::size_t j = 0; j < rows.aggregates.size(); ++j)
            items += rows.aggregates[j].sql + " AS vantro_a" + std::to_string(j) + ",";
        auto repeats = std::count(sets.begin(), sets.begin() + static_cast<std::ptrdiff_t>(k), set);
        blocks.push_back("SELECT " + items + bits + std::to_string(repeats) +
                         " AS vantro_gid,count(*) AS vantro_n FROM " + from + where + by);
    }
    std::string inner;
    for (std::size_t k = 0; k < blocks.size(); k += kBlocksPerUnion) {
        std::string chunk;
        for (std::size_t j = k; j < blocks.size() && j < k + kBlocksPerUnion; ++j)
            chunk += (j > k ? " UNION ALL " : "") + blocks[j];
        inner +=
            blocks.size() <= kBlocksPerUnion ? chunk : (k ? " UNION ALL " : "") + ("SELECT * FROM (" + chunk + ")");
    }
    *sql = std::string("SELECT ") + (s.distinct ? "DISTINCT " : "") + list.items + " FROM (" + inner + ") AS " +
           kGroupedAlias + having;
    *cols = std::move(list.cols);
    return true;
}
