// The interpreter's calls: stored procedures, package members (with the session's
// package state) and the built-in packages.
#include "plsql/plsql_interpreter.h"
#include "plsql/plsql_supplied.h"

#include "catalog/catalog.h"
#include "catalog/catalog_cache.h"
#include "values/clock.h"
#include "values/errors.h"
#include "os/os.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <optional>

namespace plsql_running {

PlCompileContext Interpreter::compile_context(const std::string& owner, CatalogView* catalog) const {
    PlCompileContext ctx;
    ctx.schema = owner;
    ctx.nls_date_format = ses_->settings.nls_date_format;
    ctx.catalog = catalog;
    ctx.db = db_;
    return ctx;
}

PlPackageState* Interpreter::package_state(const std::string& qualified, std::shared_ptr<PlCachedUnit>* program,
                                           PlError* err) {
    std::size_t dot = qualified.find('.');
    std::string owner = qualified.substr(0, dot), name = qualified.substr(dot + 1);
    std::shared_ptr<PlCachedUnit> unit = plsql_package_program(ses_, owner, name, err);
    if (!unit) return nullptr;
    if (program) *program = unit;
    PlProgram* prog = &unit->program;
    PlPackageState& st = plsql_session(ses_)->packages[qualified];
    if (st.initialized && st.stamp == prog->text) return &st;
    if (st.initialized && !st.values.empty()) {
        // The package changed since this session built its state: the state is dropped
        // and the call that finds out fails; the next one starts afresh.
        plsql_session(ses_)->packages.erase(qualified);
        *err = pl_error(4068);
        std::string body = "package body \"" + qualified + "\"";
        err->trace = {ora_line(4061, body), ora_line(4065, body), ora_line(6508, ": \"" + qualified + "\"")};
        return nullptr;
    }
    st = PlPackageState();
    st.stamp = prog->text;
    st.initialized = true;
    st.values.assign(static_cast<std::size_t>(prog->package_slots), PlValue());
    Interpreter init(s_, prog, root_);
    init.attach_package(&st.values, prog->package_slots);
    BusyUnit busy(unit.get());
    if (!init.init_package(err)) {
        err->trace.push_back(ora_line(6512, "\"" + qualified + "\", line " + std::to_string(err->line)));
        plsql_session(ses_)->packages.erase(qualified);
        return nullptr;
    }
    return &st;
}

Flow Interpreter::call_package(const PlStmt& st, const std::vector<PlValue>& args, const std::vector<bool>& given) {
    std::string qualified = st.unit_owner + "." + st.unit_name;
    std::shared_ptr<PlCachedUnit> unit;
    PlError err;
    PlPackageState* state = package_state(qualified, &unit, &err);
    if (!state) {
        err.line = st.line;
        error_ = err;
        return Flow::Error;
    }
    PlProgram& callee = unit->program;
    BusyUnit busy(unit.get());
    const PlSubprogram* sub = nullptr;
    for (const PlSubprogram& c : callee.subprograms)
        if (c.subprogram_id == st.subprogram_id && c.defined) sub = &c;
    if (!sub || sub->params.size() != args.size()) return raise(pl_error(6508, ": \"" + qualified + "\""), st.line);
    // A member procedure of an object type called on an atomically null object.
    if (sub->self_member && !args.empty() && args[0].kind == PlKind::Null) return raise(pl_error(30625), st.line);
    Interpreter inner(s_, &callee, root_);
    inner.attach_package(&state->values, callee.package_slots);
    std::vector<PlValue> outs;
    // Definer's rights: the package runs with its owner's privileges; invoker's rights
    // with those of the domain it was called in.
    std::optional<CatalogDefiner> definer;
    if (!callee.invoker_rights) definer.emplace(db_, st.unit_owner);
    if (!plsql_nested_call(
            ses_, [&](PlError* e) { return inner.run_unit(args, given, &outs, e, sub); }, &err)) {
        if (!plsql_trace_full(err))
            err.trace.push_back(ora_line(6512, "\"" + qualified + "\", line " + std::to_string(err.line)));
        err.line = st.line;
        error_ = err;
        return Flow::Error;
    }
    for (std::size_t k = 0; k < outs.size(); ++k) {
        if (st.arg_modes[k] == "IN" || (st.targets[k].slot < 0 && !st.targets[k].host)) continue;
        if (!assign_out(st.targets[k], outs[k], sub->params[k].type, &err)) return raise(err, st.line);
    }
    // A function's record or collection result goes to the whole variable in slot.
    if (st.slot >= 0 && !assign_param(st.slot, inner.return_value(), sub->return_type, &err))
        return raise(err, st.line);
    return Flow::Next;
}

Flow Interpreter::call_unit(const PlStmt& st, const std::vector<PlValue>& args) {
    std::vector<bool> given;
    for (std::size_t k = 0; k < st.exprs.size(); ++k)
        given.push_back(st.exprs[k] || st.targets[k].slot >= 0 || st.targets[k].host);
    if (st.subprogram_id > 0) return call_package(st, args, given);
    PlUnitState state = PlUnitState::Missing;
    std::shared_ptr<PlCachedUnit> unit = plsql_unit_program(ses_, st.unit_owner, st.unit_name, &state);
    if (state == PlUnitState::Invalid) {
        std::string quoted = "\"" + st.unit_owner + "." + st.unit_name + "\"";
        PlError e = pl_error(4063, "procedure " + quoted);
        e.trace.push_back(ora_line(6508, ": " + quoted));
        return raise(e, st.line);
    }
    if (!unit && state == PlUnitState::Broken && plsql_session(ses_)->invoker_failure.code) {
        // An invoker's-rights unit whose SQL names what the caller's schema lacks.
        PlError e = plsql_session(ses_)->invoker_failure;
        plsql_session(ses_)->invoker_failure = PlError();
        return raise(e, st.line);
    }
    if (!unit || unit->program.params.size() != args.size()) return raise(pl_error(6508), st.line);
    PlProgram& callee = unit->program;
    BusyUnit busy(unit.get());
    Interpreter inner(s_, &callee, root_);
    std::vector<PlValue> outs;
    PlError err;
    // A stored unit runs with its owner's privileges (definer's rights), unless it is an
    // invoker's-rights unit.
    std::optional<CatalogDefiner> definer;
    if (!callee.invoker_rights) definer.emplace(db_, st.unit_owner);
    if (!plsql_nested_call(
            ses_, [&](PlError* e) { return inner.run_unit(args, given, &outs, e); }, &err)) {
        if (!plsql_trace_full(err))
            err.trace.push_back(
                ora_line(6512, "\"" + st.unit_owner + "." + st.unit_name + "\", line " + std::to_string(err.line)));
        err.line = st.line;
        error_ = err;
        return Flow::Error;
    }
    for (std::size_t k = 0; k < outs.size(); ++k) {
        if (st.arg_modes[k] == "IN" || (st.targets[k].slot < 0 && !st.targets[k].host)) continue;
        if (!assign_out(st.targets[k], outs[k], callee.params[k].type, &err)) return raise(err, st.line);
    }
    if (st.slot >= 0 && !assign_param(st.slot, inner.return_value(), callee.return_type, &err))
        return raise(err, st.line);
    return Flow::Next;
}

Flow Interpreter::call_supplied(const PlStmt& st, const PlSuppliedProc& p, const std::vector<PlValue>& args) {
    PlSuppliedCall c;
    c.session = ses_;
    c.args = args;
    for (PlSql* e : st.exprs) {
        c.types.push_back(e ? type_of(e) : OraType());
        c.given.push_back(e != nullptr);
    }
    // A variable passed IN OUT keeps whether DBMS_LOB.OPEN opened it.
    auto plain_variable = [&](std::size_t k) {
        const PlTarget& t = st.targets[k];
        return plsql_mask_bit(p.out_mask, k) && st.exprs[k] && k < st.targets.size() && !t.host && t.slot >= 0 &&
               !t.index && t.attribute < 0 && t.package.empty();
    };
    for (std::size_t k = 0; k < st.exprs.size() && k < c.args.size(); ++k)
        if (plain_variable(k)) c.args[k].lob_open = var(st.targets[k].slot).lob_open;
    PlError err;
    const bool ran = p.run(&c, &err);
    // A call that committed (a refresh) took the block's savepoint with it.
    if (sqlite3_get_autocommit(db_)) {
        ses_->in_transaction = false;
        root_->savepoint_ = false;
    }
    if (!ran) return raise(err, st.line);
    for (std::size_t k = 0; k < st.exprs.size(); ++k) {
        if (!plsql_mask_bit(p.out_mask, k) || !st.exprs[k]) continue;
        if (!assign(st.targets[k], c.args[k], c.types[k], &err)) return raise(err, st.line);
        if (plain_variable(k)) var(st.targets[k].slot).lob_open = c.args[k].lob_open;
    }
    return Flow::Next;
}

namespace {

bool comma_name_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#' ||
           (static_cast<unsigned char>(c) & 0x80);
}

// DBMS_UTILITY.COMMA_TO_TABLE's reading of a list of names: each item a name of up to
// three parts (an identifier or a quoted one) with an optional @link, blanks around it.
// The items come back as written; bad gets the text from where the list stops being one.
bool comma_list_names(const std::string& list, std::vector<std::string>* names, std::string* bad) {
    std::size_t i = 0;
    auto blanks = [&] {
        while (i < list.size() && std::isspace(static_cast<unsigned char>(list[i]))) ++i;
    };
    auto name = [&] {
        if (i < list.size() && list[i] == '"') {
            const std::size_t close = list.find('"', i + 1);
            if (close == std::string::npos || close == i + 1) return false;
            i = close + 1;
            return true;
        }
        if (i >= list.size() || !(std::isalpha(static_cast<unsigned char>(list[i])) ||
                                  (static_cast<unsigned char>(list[i]) & 0x80)))
            return false;
        while (i < list.size() && comma_name_char(list[i])) ++i;
        return true;
    };
    for (;;) {
        const std::size_t start = i;
        blanks();
        bool ok = name();
        for (int parts = 1; ok && parts < 3 && i < list.size() && list[i] == '.'; ++parts) {
            ++i;
            ok = name();
        }
        if (ok && i < list.size() && list[i] == '@') {
            ++i;
            ok = name();
            while (ok && i < list.size() && list[i] == '.') {
                ++i;
                ok = name();
            }
        }
        blanks();
        if (!ok || (i < list.size() && list[i] != ',')) {
            *bad = list.substr(start);
            return false;
        }
        names->push_back(list.substr(start, i - start));
        if (i >= list.size()) return true;
        ++i;
    }
}

}  // namespace

Flow Interpreter::call(const PlStmt& st) {
    PlError err;
    std::vector<PlValue> args(st.exprs.size());
    if (!st.unit_name.empty() && st.exprs.size() != st.targets.size()) return Flow::Next;
    for (std::size_t k = 0; k < st.exprs.size(); ++k) {
        if (st.exprs[k] && !eval(st.exprs[k], &args[k], &err)) return raise(err, st.line);
        // A whole record or collection argument is passed by its variable.
        if (!st.exprs[k] && k < st.targets.size() && whole_target(st.targets[k]))
            args[k] = param_value(st.targets[k].slot);
    }
    if (st.local >= 0) return call_local(st, args);
    if (!st.unit_name.empty()) return call_unit(st, args);
    if (const PlSuppliedProc* sp = plsql_supplied_procedure(st.name)) return call_supplied(st, *sp, args);
    DbmsOutput* out = &plsql_session(ses_)->output;
    const std::string& n = st.name;
    auto text_arg = [&](std::size_t k) { return text_of(args[k], type_of(st.exprs[k])); };
    bool ok = true;
    if (n == "DBMS_OUTPUT.PUT_LINE") {
        ok = dbms_output_put(out, text_arg(0), &err) && dbms_output_new_line(out, &err);
    } else if (n == "DBMS_OUTPUT.PUT") {
        ok = dbms_output_put(out, text_arg(0), &err);
    } else if (n == "DBMS_OUTPUT.NEW_LINE") {
        ok = dbms_output_new_line(out, &err);
    } else if (n == "DBMS_OUTPUT.ENABLE") {
        std::int64_t size = 20000;
        bool unlimited = false;
        if (!args.empty()) {
            PlValue num;
            OraType t;
            t.code = kTypeNumber;
            if (!convert_number(args[0], type_of(st.exprs[0]), t, &num, &err)) return raise(err, st.line);
            unlimited = num.kind == PlKind::Null;
            size = num.kind == PlKind::Int ? num.i : static_cast<std::int64_t>(num.d);
        }
        dbms_output_enable(out, unlimited, size);
    } else if (n == "DBMS_OUTPUT.DISABLE") {
        dbms_output_disable(out);
    } else if (n == "DBMS_OUTPUT.GET_LINE") {
        std::string line;
        bool got = dbms_output_get_line(out, &line);
        PlValue lv;
        if (got && !line.empty()) {
            lv.kind = PlKind::Text;
            lv.s = line;
        }
        OraType text_type;
        text_type.size = 32767;
        OraType num;
        num.code = kTypeNumber;
        ok = assign(st.targets[0], lv, text_type, &err) && assign(st.targets[1], int_value(got ? 0 : 1), num, &err);
    } else if (n == "DBMS_OUTPUT.GET_LINES") {
        // numlines says how many lines are wanted and comes back as how many were read.
        PlValue wanted;
        const PlTarget& count = st.targets[1];
        if (count.host) {
            HostState* h = host(count.name, &err);
            if (!h || !host_read(h, &err)) return raise(err, st.line);
            wanted = h->value;
        } else {
            wanted = var(count.slot);
        }
        OraType num;
        num.code = kTypeNumber;
        PlValue n_wanted;
        if (!convert_number(wanted, num, num, &n_wanted, &err)) return raise(err, st.line);
        std::int64_t limit = n_wanted.kind == PlKind::Int ? n_wanted.i : static_cast<std::int64_t>(n_wanted.d);
        PlValue lines = empty_collection();
        std::string line;
        while (lines.coll->size < limit && dbms_output_get_line(out, &line)) {
            PlValue lv;
            if (!line.empty()) {
                lv.kind = PlKind::Text;
                lv.s = line;
            }
            ++lines.coll->size;
            lines.coll->items[PlKey{lines.coll->size, std::string()}] = lv;
        }
        std::int64_t read = lines.coll->size;
        var(st.targets[0].slot) = lines;
        ok = assign(count, int_value(read), num, &err);
    } else if (n == "DBMS_UTILITY.COMMA_TO_TABLE") {
        // Each name of the list, as written between its commas, in elements 1..n; element
        // n+1 is NULL. A part that is no [schema.]name[.part][@link] is ORA-20001.
        std::vector<std::string> names;
        std::string bad;
        if (!comma_list_names(args[0].kind == PlKind::Null ? std::string() : text_arg(0), &names, &bad))
            return raise(make_error(20001, "comma-separated list invalid near " + bad), st.line);
        PlValue table = empty_collection();
        for (const std::string& name : names) {
            PlValue v;
            v.kind = PlKind::Text;
            v.s = name;
            ++table.coll->size;
            table.coll->items[PlKey{table.coll->size, std::string()}] = v;
        }
        table.coll->items[PlKey{table.coll->size + 1, std::string()}] = PlValue();
        ++table.coll->size;
        OraType num;
        num.code = kTypeNumber;
        var(st.targets[2].slot) = table;
        ok = assign(st.targets[1], int_value(static_cast<std::int64_t>(names.size())), num, &err);
    } else if (n == "DBMS_UTILITY.TABLE_TO_COMMA") {
        // Elements 1, 2 ... up to the first that is missing or NULL, joined by commas.
        const PlValue& table = var(st.targets[0].slot);
        std::string list;
        std::int64_t count = 0;
        if (table.coll)
            for (std::int64_t k = 1;; ++k) {
                auto it = table.coll->items.find(PlKey{k, std::string()});
                if (it == table.coll->items.end() || it->second.kind == PlKind::Null) break;
                list += (count++ ? "," : "") + text_of(it->second, p_->vars[static_cast<std::size_t>(st.targets[0].slot)].type);
            }
        OraType num;
        num.code = kTypeNumber;
        OraType text;
        text.size = 32767;
        PlValue lv;
        if (!list.empty()) {
            lv.kind = PlKind::Text;
            lv.s = list;
        }
        ok = assign(st.targets[1], int_value(count), num, &err) && assign(st.targets[2], lv, text, &err);
    } else if (n == "RAISE_APPLICATION_ERROR") {
        PlValue num;
        OraType t;
        t.code = kTypeNumber;
        if (!convert_number(args[0], type_of(st.exprs[0]), t, &num, &err)) return raise(err, st.line);
        std::int64_t code = num.kind == PlKind::Int ? num.i : static_cast<std::int64_t>(num.d);
        if (num.kind == PlKind::Null || code > -20000 || code < -20999)
            return raise(pl_error(21000, text_of(args[0], type_of(st.exprs[0]))), st.line);
        std::string msg = text_arg(1);
        if (msg.size() > 2048) msg.resize(2048);
        return raise(make_error(static_cast<int>(-code), msg), st.line);
    }
    if (!ok) return raise(err, st.line);
    return Flow::Next;
}

}  // namespace plsql_running
