// Stored functions in SQL: the translator's question whether a name is a stored (or
// package) function and of what type, and vantro_plsql_call, the SQL function that runs
// one with its SQL arguments, choosing a package function's overload by the number and
// kinds of the values. It runs no PL/SQL itself: the interpreter does the running.
#include "plsql/plsql.h"

#include "catalog/catalog.h"
#include "catalog/users_ddl.h"
#include "sql/sql_ast.h"
#include "values/errors.h"

bool plsql_schema_type(sqlite3* db, const std::string& qualified) {
    std::size_t dot = qualified.find('.');
    if (dot == std::string::npos || qualified.find('.', dot + 1) != std::string::npos) return false;
    sqlite3_stmt* vm = nullptr;
    if (sqlite3_prepare_v2(
            db, "SELECT 1 FROM main.vantro_plsql_source WHERE owner = ?1 AND name = ?2 AND type = 'TYPE' LIMIT 1", -1,
            &vm, nullptr) != SQLITE_OK) {
        sqlite3_finalize(vm);
        return false;
    }
    sqlite3_bind_text(vm, 1, qualified.c_str(), static_cast<int>(dot), SQLITE_TRANSIENT);
    sqlite3_bind_text(vm, 2, qualified.c_str() + dot + 1, -1, SQLITE_TRANSIENT);
    bool found = sqlite3_step(vm) == SQLITE_ROW;
    sqlite3_finalize(vm);
    return found;
}

bool plsql_object_type_name(sqlite3* db, const std::string& qualified) {
    const std::size_t dot = qualified.find('.');
    // "OWNER.PACKAGE.TYPE" is a package's type: a record SQL may describe as an object
    // type, yet no object type of PL/SQL.
    if (!db || dot == std::string::npos || qualified.find('.', dot + 1) != std::string::npos) return false;
    std::string source;
    ObjectTypeDecl decl;
    SqliteCatalog catalog(db);
    return catalog.type_source(qualified.substr(0, dot), qualified.substr(dot + 1), &source) &&
           sql_parse_type_declaration(source, &decl) && decl.kind == ObjectTypeDecl::Kind::Object;
}

bool plsql_package_collection(sqlite3* db, const std::string& owner, const std::string& type,
                              std::string* qualified) {
    // "PACKAGE.TYPE" is a package of owner's; "OWNER.PACKAGE.TYPE" names its owner.
    const std::size_t dot = type.find('.');
    if (dot == std::string::npos) return false;
    const std::size_t second = type.find('.', dot + 1);
    if (second != std::string::npos && type.find('.', second + 1) != std::string::npos) return false;
    const std::string name = second == std::string::npos ? owner + "." + type : type;
    const std::size_t cut = name.find('.');
    std::string source;
    SqliteCatalog catalog(db);
    if (!catalog.type_source(name.substr(0, cut), name.substr(cut + 1), &source)) return false;
    *qualified = name;
    return true;
}

bool plsql_function_lookup(void* data, const std::string& owner, const std::string& name, OraType* ret,
                           std::string* object_type) {
    sqlite3* db = static_cast<sqlite3*>(data);
    sqlite3_stmt* vm = nullptr;
    // "PACKAGE.FUNCTION" names a package's public function (the first overload's type).
    std::size_t dot = name.find('.');
    const char* sql =
        dot == std::string::npos
            ? "SELECT a.data_type FROM vantro_plsql_objects o JOIN vantro_plsql_arguments a ON a.owner = o.owner AND"
              " a.object_name = o.name AND a.package_name IS NULL AND a.position = 0"
              " WHERE o.owner = ?1 AND o.name = ?2 AND o.type = 'FUNCTION'"
            : "SELECT a.data_type FROM vantro_plsql_objects o JOIN vantro_plsql_arguments a ON a.owner = o.owner AND"
              " a.package_name = o.name AND a.object_name = ?3 AND a.position = 0"
              " WHERE o.owner = ?1 AND o.name = ?2 AND o.type IN ('PACKAGE', 'TYPE') ORDER BY a.subprogram_id";
    if (sqlite3_prepare_v2(db, sql, -1, &vm, nullptr) != SQLITE_OK) {
        sqlite3_finalize(vm);
        return false;
    }
    std::string unit = name.substr(0, dot);
    std::string member = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    sqlite3_bind_text(vm, 1, owner.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(vm, 2, unit.c_str(), -1, SQLITE_TRANSIENT);
    if (dot != std::string::npos) sqlite3_bind_text(vm, 3, member.c_str(), -1, SQLITE_TRANSIENT);
    bool found = sqlite3_step(vm) == SQLITE_ROW;
    std::string type =
        found && sqlite3_column_text(vm, 0) ? reinterpret_cast<const char*>(sqlite3_column_text(vm, 0)) : "";
    sqlite3_finalize(vm);
    // Another schema's function needs EXECUTE on it (or on its package).
    if (!found || users_object_access(db, owner, unit, "EXECUTE") != 0) return false;
    // The types a function result has in SQL by its catalog type name; others are text.
    static const struct {
        const char* name;
        std::uint16_t code;
        std::uint32_t size;
    } kResultTypes[] = {
        {"NUMBER", kTypeNumber, 22},
        {"BINARY_INTEGER", kTypeNumber, 22},
        {"FLOAT", kTypeNumber, 22},
        {"PL/SQL BOOLEAN", kTypeNumber, 22},
        {"DATE", kTypeDate, 7},
        {"TIMESTAMP", kTypeTimestamp, 11},
        {"REF CURSOR", kPlTypeRefCursor, 0},
        {"RAW", kTypeRaw, 2000},
        {"LONG RAW", kTypeLongRaw, 32760},
        {"BLOB", kTypeBlob, 4000},
    };
    *ret = OraType();
    ret->code = kTypeVarchar2;
    ret->size = 4000;
    // A schema-level collection reaches SQL as its constructor text, a value of its type.
    object_type->clear();
    if (plsql_schema_type(db, type)) *object_type = type;
    else
        plsql_package_collection(db, owner, type, object_type);
    for (const auto& t : kResultTypes)
        if (type == t.name) {
            ret->code = t.code;
            ret->size = t.size;
        }
    return true;
}

bool plsql_arguments_fit(const std::vector<PlParam>& params, const std::vector<std::string>& names,
                         std::vector<std::size_t>* slots) {
    if (names.size() > params.size()) return false;
    std::vector<bool> given(params.size(), false);
    std::vector<std::size_t> placed;
    for (std::size_t k = 0; k < names.size(); ++k) {
        std::size_t slot = k;
        if (!names[k].empty()) {
            slot = 0;
            while (slot < params.size() && params[slot].name != names[k]) ++slot;
        }
        if (slot >= params.size() || given[slot]) return false;
        given[slot] = true;
        placed.push_back(slot);
    }
    for (std::size_t k = 0; k < params.size(); ++k)
        if (!given[k] && !params[k].default_value) return false;
    if (slots) slots->swap(placed);
    return true;
}

namespace {

void call_error(sqlite3_context* ctx, const PlError& e, const std::string& unit) {
    std::string text = ora_format(e.code, e.message);
    for (const std::string& t : e.trace) text += t + "\n";
    if (!plsql_trace_full(e))
        text += ora_line(6512, "\"" + unit + "\", line " + std::to_string(e.line));
    else
        text.pop_back();
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

void sql_error(sqlite3_context* ctx, const std::string& text) {
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

PlValue sql_value(sqlite3_value* v) {
    PlValue out;
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        out.kind = PlKind::Int;
        out.i = sqlite3_value_int64(v);
        break;
    case SQLITE_FLOAT:
        out.kind = PlKind::Real;
        out.d = sqlite3_value_double(v);
        break;
    case SQLITE_NULL:
        break;
    default: {
        const unsigned char* t = sqlite3_value_text(v);
        int n = sqlite3_value_bytes(v);
        if (t && n > 0) {
            out.kind = PlKind::Text;
            out.s.assign(reinterpret_cast<const char*>(t), static_cast<std::size_t>(n));
        }
        break;
    }
    }
    return out;
}

// type: the function's result type; a RAW or BLOB result is a blob to SQLite.
void sql_result(sqlite3_context* ctx, const PlValue& r, const OraType& type) {
    switch (r.kind) {
    case PlKind::Null:
        sqlite3_result_null(ctx);
        break;
    case PlKind::Int:
        sqlite3_result_int64(ctx, r.i);
        break;
    case PlKind::Real:
        if (!r.s.empty())
            sqlite3_result_blob(ctx, r.s.data(), static_cast<int>(r.s.size()), SQLITE_TRANSIENT);
        else
            sqlite3_result_double(ctx, r.d);
        break;
    case PlKind::Text:
        if (type.code == kTypeRaw || type.code == kTypeLongRaw || type.code == kTypeBlob)
            sqlite3_result_blob(ctx, r.s.data(), static_cast<int>(r.s.size()), SQLITE_TRANSIENT);
        else
            sqlite3_result_text(ctx, r.s.data(), static_cast<int>(r.s.size()), SQLITE_TRANSIENT);
        break;
    }
}

// Whether SQL values suit the parameters they go to: numbers for numbers, text for the rest.
bool suits(const std::vector<PlParam>& params, const std::vector<std::size_t>& slots, sqlite3_value** argv) {
    for (std::size_t k = 0; k < slots.size(); ++k) {
        int t = sqlite3_value_type(argv[k]);
        if (t == SQLITE_NULL) continue;
        bool number = params[slots[k]].type.code == kTypeNumber;
        if (number != (t == SQLITE_INTEGER || t == SQLITE_FLOAT)) return false;
    }
    return true;
}

// The function's name and the parameter names its arguments carry: "PKG.F\"\"C" is F
// called with an argument by position and one named C (the translator's stored_call).
std::string split_names(const std::string& called, std::size_t count, std::vector<std::string>* names) {
    const std::size_t quote = called.find('"');
    names->assign(count, std::string());
    if (quote == std::string::npos) return called;
    std::size_t k = 0, at = quote;
    while (at != std::string::npos && k < count) {
        const std::size_t next = called.find('"', at + 1);
        (*names)[k++] = called.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1);
        at = next;
    }
    return called.substr(0, quote);
}

// Runs a function with the SQL arguments (slots: the parameter of each) and sets the SQL
// result.
void run_for_sql(sqlite3_context* ctx, SessionHandle* ses, PlProgram* program, const PlSubprogram* sub,
                 std::vector<PlValue>* pkg_values, const std::vector<std::size_t>& slots, sqlite3_value** argv,
                 const std::string& unit) {
    const std::vector<PlParam>& params = sub ? sub->params : program->params;
    // A cursor is a value for PL/SQL only: a query the client sent cannot show one.
    if ((sub ? sub->return_type : program->return_type).code == kPlTypeRefCursor &&
        plsql_session(ses)->running.empty()) {
        sql_error(ctx, ora_format(932, ora_message(932, "-", "CURSOR")));
        return;
    }
    std::vector<PlValue> args(params.size());
    std::vector<bool> given(params.size(), false);
    for (std::size_t k = 0; k < slots.size(); ++k) {
        args[slots[k]] = sql_value(argv[k]);
        given[slots[k]] = true;
    }
    PlValue result;
    PlError err;
    if (!plsql_run_function(ses, program, sub, pkg_values, args, given, &result, &err)) {
        call_error(ctx, err, unit);
        return;
    }
    sql_result(ctx, result, sub ? sub->return_type : program->return_type);
}

// A local function of the running block ("VANTRO$LOCAL.<place>"). Its error goes to
// the interpreter whole, through the session, besides SQLite's text of it.
void run_local_for_sql(sqlite3_context* ctx, SessionHandle* ses, const std::string& name, int argc,
                       sqlite3_value** argv, const std::vector<std::string>& names) {
    std::vector<PlValue> args;
    for (int k = 0; k < argc; ++k) args.push_back(sql_value(argv[k]));
    std::string place = name.substr(std::char_traits<char>::length(kPlLocalPrefix));
    int index = place.empty() || place.size() > 9 || place.find_first_not_of("0123456789") != std::string::npos
                    ? -1
                    : std::stoi(place);
    PlValue result;
    PlError err;
    OraType type;
    // Arguments in named notation: one value per parameter, and which of them are given.
    std::vector<bool> given;
    bool named = false;
    for (const std::string& n : names) named = named || !n.empty();
    if (named) {
        const PlSubprogram* sub = plsql_running_local(ses, index);
        std::vector<std::size_t> slots;
        if (!sub || !plsql_arguments_fit(sub->params, names, &slots)) {
            sql_error(ctx, ora_line(6553, "306", pls_body(306, sub ? sub->name : name)));
            return;
        }
        std::vector<PlValue> placed(sub->params.size());
        given.assign(sub->params.size(), false);
        for (std::size_t k = 0; k < slots.size(); ++k) {
            placed[slots[k]] = args[k];
            given[slots[k]] = true;
        }
        args.swap(placed);
    }
    if (!plsql_run_local(ses, index, args, &result, &err, &type, named ? &given : nullptr)) {
        PlSessionState* state = plsql_session(ses);
        state->local_failed = true;
        state->local_error = err;
        sql_error(ctx, ora_format(err.code, err.message));
        return;
    }
    sql_result(ctx, result, type);
}

// vantro_plsql_call(owner, name, args...): runs a stored function, or a package's
// function when name is "PACKAGE.FUNCTION", for SQL.
void fn_plsql_call(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    SessionHandle* ses = static_cast<SessionHandle*>(sqlite3_user_data(ctx));
    if (argc < 2 || !ses->server || !ses->server->db) return;
    // The called unit's SQL statements are SQL again, whatever expression calls it.
    PlsqlExpressionScope sql_text(ses->settings, false);
    auto text = [&](int k) {
        const unsigned char* t = sqlite3_value_text(argv[k]);
        return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
    };
    std::vector<std::string> names;
    std::string owner = text(0), name = split_names(text(1), static_cast<std::size_t>(argc - 2), &names),
                unit = owner + "." + name;
    if (name.compare(0, std::char_traits<char>::length(kPlLocalPrefix), kPlLocalPrefix) == 0) {
        run_local_for_sql(ctx, ses, name, argc - 2, argv + 2, names);
        return;
    }
    std::size_t dot = name.find('.');
    if (dot != std::string::npos) {
        std::string package = owner + "." + name.substr(0, dot), member = name.substr(dot + 1);
        std::shared_ptr<PlCachedUnit> compiled;
        PlError err;
        PlPackageState* st = plsql_package_state(ses, package, &compiled, &err);
        if (!st) {
            std::string t = ora_format(err.code, err.message);
            for (const std::string& line : err.trace) t += line + "\n";
            if (!t.empty() && t.back() == '\n') t.pop_back();
            sql_error(ctx, t);
            return;
        }
        PlProgram& callee = compiled->program;
        BusyUnit busy(compiled.get());
        const PlSubprogram* chosen = nullptr;
        std::vector<std::size_t> chosen_slots, slots;
        for (const PlSubprogram& sub : callee.subprograms) {
            if (sub.name != member || !sub.is_function || !sub.defined || !plsql_arguments_fit(sub.params, names, &slots))
                continue;
            if (!chosen || (suits(sub.params, slots, argv + 2) && !suits(chosen->params, chosen_slots, argv + 2))) {
                chosen = &sub;
                chosen_slots = slots;
            }
        }
        if (!chosen) {
            sql_error(ctx, ora_line(6553, "306", pls_body(306, member)));
            return;
        }
        if (chosen->self_member && argc > 2 && sqlite3_value_type(argv[2]) == SQLITE_NULL) {
            // A member method called on an atomically null object.
            std::string t = ora_format(30625, ora_message(30625));
            if (!t.empty() && t.back() == '\n') t.pop_back();
            sql_error(ctx, t);
            return;
        }
        run_for_sql(ctx, ses, &callee, chosen, &st->values, chosen_slots, argv + 2, package);
        return;
    }
    PlUnitState found = PlUnitState::Missing;
    std::shared_ptr<PlCachedUnit> callee = plsql_unit_program(ses, owner, name, &found);
    if (found == PlUnitState::Missing || (callee && callee->type != "FUNCTION")) {
        PlError e = pl_error(6508);
        e.line = 1;
        call_error(ctx, e, unit);
        return;
    }
    if (!callee && found == PlUnitState::Broken && plsql_session(ses)->invoker_failure.code) {
        // An invoker's-rights function whose SQL names what the caller's schema lacks.
        PlError e = plsql_session(ses)->invoker_failure;
        plsql_session(ses)->invoker_failure = PlError();
        std::string failure = ora_format(e.code, e.message);
        for (const std::string& t : e.trace) failure += t + "\n";
        if (!failure.empty() && failure.back() == '\n') failure.pop_back();
        sql_error(ctx, failure);
        return;
    }
    if (!callee) {
        sql_error(ctx, ora_line(6575, name));
        return;
    }
    std::vector<std::size_t> slots;
    if (!plsql_arguments_fit(callee->program.params, names, &slots)) {
        sql_error(ctx, ora_line(6553, "306", pls_body(306, name)));
        return;
    }
    BusyUnit busy(callee.get());
    run_for_sql(ctx, ses, &callee->program, nullptr, nullptr, slots, argv + 2, unit);
}

}  // namespace

bool plsql_functions_register(sqlite3* db, SessionHandle* session) {
    return sqlite3_create_function(db, "vantro_plsql_call", -1, SQLITE_UTF8, session, fn_plsql_call, nullptr,
                                   nullptr) == SQLITE_OK &&
           plsql_triggers_register(db, session) && plsql_xmlgen_register(db, session);
}
