// Calls in named and mixed notation (f(a, c => 1)). A supplied package function gets its
// arguments put in its parameters' order here, from the table of its parameter names
// (values/named_params.cpp), with the documented default of a parameter left out before a
// later one; a stored
// function gets the names passed to vantro_plsql_call, which matches them to the
// parameters of the overload it runs. Built-in SQL functions take no names.
#include "values/errors.h"
#include "values/named_params.h"
#include "sql/sql_translator.h"

#include <cstring>

namespace {

// A literal as the parser would give it: NULL, a number or a string.
ExprPtr literal_expr(const char* sql, std::uint32_t offset) {
    ExprPtr e(new Expr);
    e->offset = e->end = offset;
    if (std::strcmp(sql, "NULL") == 0) {
        e->kind = ExprKind::Null;
    } else if (sql[0] == '\'') {
        e->kind = ExprKind::String;
        e->text.assign(sql + 1, std::strlen(sql) - 2);
    } else {
        e->kind = ExprKind::Number;
        e->text = sql;
    }
    return e;
}

}  // namespace

bool Translator::named_call(Expr& e, const Scope& scope, Emitted* out, bool* done) {
    *done = false;
    const std::vector<std::string> names = e.extras->arg_names;
    bool any_named = false;
    for (std::size_t i = 0; i < e.args.size(); ++i) {
        if (!names[i].empty()) {
            any_named = true;
        } else if (any_named) {
            return fail(6553, e.args[i]->offset, "312",
                        "a positional parameter association may not follow a named association");
        }
    }
    std::vector<std::string> path = e.path;
    if (path.empty()) path.push_back(e.text);
    const std::string member = path.back();
    const std::string wrong = "wrong number or types of arguments in call to '" + member + "'";
    if (const NamedFunction* f = named_function(e.text)) {
        // Put the arguments in the parameters' order and go on as a call by position.
        const std::size_t count = named_param_count(*f);
        std::vector<ExprPtr> slots(count);
        for (std::size_t i = 0; i < e.args.size(); ++i) {
            std::size_t slot = i;
            if (!names[i].empty())
                for (slot = 0; slot < count && names[i] != f->params[slot].name;) ++slot;
            if (slot >= count || slots[slot]) return fail(6553, e.args[i]->offset, "306", wrong);
            slots[slot] = std::move(e.args[i]);
        }
        std::size_t given = count;
        while (given > 0 && !slots[given - 1]) --given;
        for (std::size_t k = 0; k < count; ++k)
            if (!slots[k] && !f->params[k].default_value) return fail(6553, e.offset, "306", wrong);
        e.args.clear();
        for (std::size_t k = 0; k < given; ++k)
            e.args.push_back(slots[k] ? std::move(slots[k]) : literal_expr(f->params[k].default_value, e.offset));
        e.extras.reset();
        return true;
    }
    std::vector<Emitted> args(e.args.size());
    for (std::size_t i = 0; i < e.args.size(); ++i)
        if (!expr(*e.args[i], scope, &args[i])) return false;
    if (stored_call(path, args, out, &names)) {
        *done = true;
        return true;
    }
    // No stored function: a name that is no function at all is ORA-00904 as without the
    // names; a built-in function takes no names.
    std::uint32_t named_at = e.offset;
    for (std::size_t i = 0; i < e.args.size(); ++i)
        if (!names[i].empty() && named_at == e.offset) named_at = e.args[i]->offset;
    e.extras.reset();
    Emitted positional;
    if (!function_call(e, scope, &positional) && err_->code == 904) return false;
    return fail(907, named_at);
}
