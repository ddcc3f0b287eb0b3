// PIVOT and UNPIVOT: once the source's columns are known, the FROM item is rewritten as a
// query of its own over the source, which the rest of the translator reads like any
// subquery in FROM.
//   PIVOT:   SELECT <the other columns>, <each cell AS its name> FROM source
//            GROUP BY <the other columns>
//   UNPIVOT: SELECT <the other columns>, CASE n WHEN 1 THEN <label> ... END AS <name>,
//            CASE n WHEN 1 THEN <column> ... END AS <value> FROM source,
//            (SELECT 1 FROM DUAL UNION ALL SELECT 2 ...) WHERE <a value> IS NOT NULL
#include "values/errors.h"
#include "sql/sql_translator.h"

#include <algorithm>
#include <functional>

namespace {

const char* const kEntry = "VANTRO_UNPIVOT_ENTRY";

ExprPtr column_ref(const std::string& name, std::uint32_t offset) {
    auto e = std::make_unique<Expr>();
    e->kind = ExprKind::Column;
    e->path.push_back(name);
    e->path_offsets.push_back(offset);
    e->offset = e->end = offset;
    return e;
}

ExprPtr number(long long n, std::uint32_t offset) {
    auto e = std::make_unique<Expr>();
    e->kind = ExprKind::Number;
    e->text = std::to_string(n);
    e->offset = e->end = offset;
    return e;
}

bool has(const std::vector<std::string>& names, const std::string& n) {
    return std::find(names.begin(), names.end(), n) != names.end();
}

}  // namespace

bool Translator::expand_pivot(FromItem& f) {
    PivotClause& pc = *f.pivot;
    // The source's columns; what translating the source added to the statement's binds is
    // taken back, as the source is translated again inside the new query.
    std::vector<ColumnInfo> columns;
    std::size_t binds = out_->bind_names.size();
    if (f.subquery) {
        std::string ignored;
        if (!select(*f.subquery, nullptr, &columns, &ignored)) return false;
    } else {
        Source src;
        if (!table_source(f.table, &src)) return false;
        columns = src.columns;
    }
    out_->bind_names.resize(binds);
    auto known = [&](const std::string& n) {
        for (const ColumnInfo& c : columns)
            if (c.name == n) return true;
        return false;
    };

    auto sel = std::make_unique<SelectStmt>();
    sel->offset = pc.offset;
    FromItem base;
    base.table = f.table;
    base.subquery = std::move(f.subquery);
    base.alias = pc.base_alias;
    sel->from.push_back(std::move(base));
    std::vector<std::string> names;  // the new query's columns, to find a name given twice
    auto add_item = [&](ExprPtr e, const std::string& name) {
        SelectItem it;
        it.expr = std::move(e);
        it.alias = name;
        it.offset = it.end = pc.offset;
        sel->items.push_back(std::move(it));
        bool dup = has(names, name);
        names.push_back(name);
        return !dup;
    };

    if (!pc.unpivot) {
        for (const std::string& c : pc.for_columns)
            if (!known(c)) return fail(904, pc.offset, "\"" + c + "\"");
        for (const ColumnInfo& c : columns) {
            if (has(pc.for_columns, c.name) || has(pc.measure_columns, c.name)) continue;
            add_item(column_ref(c.name, pc.offset), c.name);
            sel->group_by.push_back(column_ref(c.name, pc.offset));
        }
        for (std::size_t i = 0; i < pc.cells.size(); ++i)
            if (!add_item(std::move(pc.cells[i]), pc.names[i])) return fail(918, pc.offset);
    } else {
        std::vector<std::string> used;
        for (const auto& entry : pc.in_columns)
            for (const std::string& c : entry) {
                if (!known(c)) return fail(904, pc.offset, "\"" + c + "\"");
                used.push_back(c);
            }
        for (const ColumnInfo& c : columns)
            if (!has(used, c.name)) add_item(column_ref(c.name, pc.offset), c.name);
        // CASE entry WHEN 1 THEN <what entry 1 gives> WHEN 2 ... END
        auto by_entry = [&](const std::function<ExprPtr(std::size_t)>& part) {
            auto e = std::make_unique<Expr>();
            e->kind = ExprKind::Case;
            e->offset = e->end = pc.offset;
            e->has_operand = true;
            e->args.push_back(column_ref(kEntry, pc.offset));
            for (std::size_t k = 0; k < pc.in_columns.size(); ++k) {
                e->args.push_back(number(static_cast<long long>(k + 1), pc.offset));
                e->args.push_back(part(k));
            }
            return e;
        };
        for (std::size_t n = 0; n < pc.name_columns.size(); ++n) {
            ExprPtr label = by_entry([&](std::size_t k) {
                if (!pc.in_labels[k].empty()) return std::move(pc.in_labels[k][n]);
                auto s = std::make_unique<Expr>();
                s->kind = ExprKind::String;
                for (std::size_t c = 0; c < pc.in_columns[k].size(); ++c)
                    s->text += (c ? "_" : "") + pc.in_columns[k][c];
                s->offset = s->end = pc.in_offsets[k];
                return s;
            });
            if (!add_item(std::move(label), pc.name_columns[n])) return fail(918, pc.offset);
        }
        ExprPtr any_value;
        for (std::size_t v = 0; v < pc.value_columns.size(); ++v) {
            auto value = [&](std::size_t k) { return column_ref(pc.in_columns[k][v], pc.in_offsets[k]); };
            if (!add_item(by_entry(value), pc.value_columns[v])) return fail(918, pc.offset);
            if (pc.include_nulls) continue;
            auto not_null = std::make_unique<Expr>();
            not_null->kind = ExprKind::IsNull;
            not_null->negated = true;
            not_null->offset = not_null->end = pc.offset;
            not_null->args.push_back(by_entry(value));
            if (!any_value) {
                any_value = std::move(not_null);
                continue;
            }
            auto either = std::make_unique<Expr>();
            either->kind = ExprKind::Or;
            either->offset = either->end = pc.offset;
            either->args.push_back(std::move(any_value));
            either->args.push_back(std::move(not_null));
            any_value = std::move(either);
        }
        sel->where = std::move(any_value);
        // The entries: one row each, numbered from 1.
        auto entries = std::make_unique<SelectStmt>();
        SelectStmt* block = entries.get();
        for (std::size_t k = 0; k < pc.in_columns.size(); ++k) {
            if (k) {
                block->set_op = SetOp::UnionAll;
                block->next = std::make_unique<SelectStmt>();
                block = block->next.get();
            }
            block->offset = pc.offset;
            SelectItem it;
            it.expr = number(static_cast<long long>(k + 1), pc.offset);
            it.alias = kEntry;
            block->items.push_back(std::move(it));
            FromItem dual;
            dual.table.name = "DUAL";
            dual.table.offset = dual.table.name_offset = pc.offset;
            block->from.push_back(std::move(dual));
        }
        FromItem numbered;
        numbered.join = JoinKind::Comma;
        numbered.subquery = std::move(entries);
        numbered.alias = kEntry;
        sel->from.push_back(std::move(numbered));
    }
    f.subquery = std::move(sel);
    f.table = TableRef();
    f.pivot.reset();
    return true;
}
