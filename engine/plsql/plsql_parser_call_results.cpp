// Results of calls used directly in PL/SQL expressions: f(x).field, f(x)(i), f(x).count,
// f(x).exists(i), pkg.f(1)(2), f.count. A function whose result is a record or a collection
// gives no SQL value, so each such call becomes a Call statement of the expression's
// PlSql::before, run into a hidden variable of the function's result type just before the
// expression, and the syntax tree names that variable instead of the call. Calls of
// functions returning single values are left to the translator.
#include "plsql/plsql_parser.h"

#include "values/errors.h"

#include <algorithm>

namespace plsql_parsing {

namespace {

const char kRowtypeSuffix[] = "%ROWTYPE";

bool rowtype_result_name(const std::string& type) {
    const std::size_t n = sizeof kRowtypeSuffix - 1;
    return type.size() > n && type.compare(type.size() - n, n, kRowtypeSuffix) == 0;
}

// The parts of "A.B.C" without the %ROWTYPE suffix.
std::vector<std::string> name_parts(std::string name) {
    std::vector<std::string> parts;
    for (std::size_t dot; (dot = name.find('.')) != std::string::npos; name.erase(0, dot + 1))
        parts.push_back(name.substr(0, dot));
    parts.push_back(name);
    return parts;
}

}  // namespace

std::size_t Parser::token_at(std::uint32_t offset) const {
    auto it = std::lower_bound(t_.begin(), t_.end(), offset,
                               [](const Token& t, std::uint32_t at) { return t.offset < at; });
    return static_cast<std::size_t>(it - t_.begin());
}

int Parser::result_variable(const std::string& return_type, bool make) {
    if (rowtype_result_name(return_type)) {
        std::vector<ColumnInfo> cols;
        if (!rowtype_columns(name_parts(return_type.substr(0, return_type.size() - (sizeof kRowtypeSuffix - 1))),
                             &cols) ||
            cols.empty())
            return -1;
        if (!make) return 0;
        int slot = add_record("", cols);
        prog_->vars[static_cast<std::size_t>(slot)].type_name = return_type;
        return slot;
    }
    // A type of this program ("NAME#n"), or one named "PACKAGE.TYPE" or "OWNER.TYPE".
    int index = -1;
    for (std::size_t k = 0; k < prog_->types.size() && index < 0; ++k)
        if (declared_type_name(static_cast<int>(k)) == return_type) index = static_cast<int>(k);
    if (index < 0) {
        std::vector<std::string> parts = name_parts(return_type);
        const Symbol* s = parts.size() == 2 ? type_named(parts[0], parts[1]) : nullptr;
        if (!s || s->kind != SymKind::Type || declared_type_name(s->index) != return_type) return -1;
        index = s->index;
    }
    const PlVarInfo& type = prog_->types[static_cast<std::size_t>(index)];
    if (type.type.code == kPlTypeRefCursor || (!type.record_type && type.collection == PlCollection::None))
        return -1;
    return make ? whole_variable("", index) : 0;
}

int Parser::hoist_call(Expr& base, PlSql* q, std::uint32_t so, std::vector<std::string>* rest) {
    if (base.path.empty() && base.text.empty()) return -1;
    const std::vector<std::string> path = base.kind == ExprKind::Function && base.path.empty()
                                              ? std::vector<std::string>{base.text}
                                              : base.path;
    if (path.empty() || base.path_offsets.size() < path.size()) return -1;
    const Symbol* s = lookup(path[0]);
    if (s && s->kind != SymKind::Local) return -1;  // a variable, cursor or type: no call
    std::vector<std::pair<std::size_t, std::size_t>> args;
    std::size_t first_part = 1, last_part = 1;
    if (base.kind == ExprKind::Function) {
        if (base.over || base.star || base.distinct || base.extras || path.size() > 3) return -1;
        for (const ExprPtr& a : base.args) args.emplace_back(token_at(a->offset), token_at(a->end));
        first_part = last_part = path.size();
    } else if (base.kind == ExprKind::Column) {
        // A function without parentheses: the longest name that still leaves a member.
        last_part = std::min<std::size_t>(path.size() - 1, 3);
    } else {
        return -1;
    }
    for (std::size_t k = first_part; k <= last_part; ++k) {
        const std::vector<std::string> parts(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(k));
        PlVarInfo package_var;
        bool own = false;
        if (k == 2 && package_variable(parts[0], parts[1], &package_var, &own) >= 0) return -1;
        const std::size_t saved = i_;
        i_ = token_at(base.path_offsets[k - 1]) + 1;
        PlStmt call;
        position(base.offset, &call.line, &call.column);
        call.arg_names.assign(args.size(), std::string());
        const bool mine = stored_call(&call, t_[token_at(base.offset)], parts, args, so, kCallResultVariable);
        i_ = saved;
        if (!mine) continue;
        // An error of the call (wrong arguments, an unknown member) is recorded already.
        if (call.kind != PlStmtKind::Call || call.slot < 0) return -2;
        const std::string hidden = "#RESULT" + std::to_string(++hidden_vars_);
        prog_->vars[static_cast<std::size_t>(call.slot)].name = hidden;
        Symbol sym;
        sym.index = call.slot;
        declare(hidden, sym);
        rest->assign(path.begin() + static_cast<std::ptrdiff_t>(k), path.end());
        if (base.kind == ExprKind::Function && !base.field.empty()) rest->push_back(base.field);
        q->before.push_back(std::move(call));
        return sym.index;
    }
    return -1;
}

void Parser::hoist_call_results(ExprPtr& e, PlSql* q, std::uint32_t so) {
    if (!e) return;
    Expr& x = *e;
    const bool candidate = x.kind == ExprKind::Postfix ||
                           (x.kind == ExprKind::Function && !x.field.empty() && !x.over) ||
                           (x.kind == ExprKind::Column && x.path.size() >= 2);
    if (candidate) {
        // The steps applied to the call, innermost first.
        std::vector<Expr*> steps;
        Expr* base = &x;
        while (base->kind == ExprKind::Postfix) {
            steps.push_back(base);
            base = base->args[0].get();
        }
        std::reverse(steps.begin(), steps.end());
        std::vector<std::string> rest;
        const int slot = hoist_call(*base, q, so, &rest);
        if (slot == -2) {
            ExprPtr null_value(new Expr);
            null_value->kind = ExprKind::Null;
            null_value->offset = x.offset;
            null_value->end = x.end;
            e = std::move(null_value);
            return;
        }
        if (slot >= 0) {
            // The hidden variable with the members after the call: var.field, var.count.
            const std::string& var = prog_->vars[static_cast<std::size_t>(slot)].name;
            ExprPtr ref(new Expr);
            ref->kind = ExprKind::Column;
            ref->offset = base->offset;
            ref->end = base->end;
            ref->path.push_back(var);
            for (const std::string& r : rest) ref->path.push_back(r);
            ref->path_offsets.assign(ref->path.size(), base->offset);
            const bool collection = prog_->vars[static_cast<std::size_t>(slot)].collection != PlCollection::None;
            for (Expr* step : steps) {
                const std::uint32_t at = step->path_offsets.empty() ? step->offset : step->path_offsets[0];
                // Subscripts and methods apply to the collection itself.
                const bool plain = collection && ref->kind == ExprKind::Column && ref->path.size() == 1;
                if (step->text.empty() && plain) {
                    // var(i): an element.
                    ref->kind = ExprKind::Function;
                    ref->text = var;
                    ref->path.clear();
                    ref->args.push_back(std::move(step->args[1]));
                } else if (!step->text.empty() && !step->has_operand && ref->kind == ExprKind::Column) {
                    ref->path.push_back(step->text);
                    ref->path_offsets.push_back(at);
                } else if (!step->text.empty() && !step->has_operand && ref->field.empty()) {
                    // var(i).field of a collection of records.
                    ref->field = step->text;
                    ref->field_offset = at;
                } else if (!step->text.empty() && step->has_operand && plain) {
                    // var.method(args): EXISTS, NEXT, PRIOR.
                    ref->kind = ExprKind::Function;
                    ref->path = {var, step->text};
                    ref->path_offsets = {base->offset, at};
                    ref->text = var + "." + step->text;
                    for (std::size_t k = 1; k < step->args.size(); ++k) ref->args.push_back(std::move(step->args[k]));
                } else {
                    // A subscript or method of a record or of an element.
                    semantic_error(at, pls_message(382), so);
                    ref.reset(new Expr);
                    ref->kind = ExprKind::Null;
                    break;
                }
                ref->end = step->end;
            }
            ref->offset = x.offset;
            ref->end = x.end;
            e = std::move(ref);
            // Subscripts and method arguments may call such functions too.
            for (ExprPtr& a : e->args) hoist_call_results(a, q, so);
            return;
        }
    }
    for (ExprPtr& a : x.args) hoist_call_results(a, q, so);
}

}  // namespace plsql_parsing
