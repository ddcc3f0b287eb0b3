// The PL/SQL interpreter: runs a compiled block on the session's connection. Every
// expression and SQL statement is a SQLite statement prepared from its translation,
// with the block's variables, cursor attributes and the caller's OCI binds bound as
// parameters; this file only moves values, follows the control flow and raises and
// handles Oracle errors. It never evaluates an operator or a function itself.
#include "plsql/plsql_interpreter.h"

#include "catalog/catalog.h"
#include "catalog/catalog_cache.h"
#include "values/clock.h"
#include "values/errors.h"
#include "os/os.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace plsql_running {

bool Interpreter::run_unit(const std::vector<PlValue>& args, const std::vector<bool>& given,
                           std::vector<PlValue>* out_values, PlError* err, const PlSubprogram* sub) {
    const std::vector<PlParam>& params = sub ? sub->params : p_->params;
    const PlBlock& body = sub ? sub->body : p_->main;
    bool is_function = sub ? sub->is_function : p_->is_function;
    return_slot_ = sub ? sub->return_slot : p_->return_slot;
    for (std::size_t k = 0; k < params.size(); ++k) {
        const PlParam& prm = params[k];
        PlValue v;
        OraType from = prm.type;
        if (!given[k] && prm.default_value) {
            if (!eval(prm.default_value, &v, err)) return false;
            from = type_of(prm.default_value);
        } else if (prm.mode != "OUT") {
            v = args[k];
        }
        if (!assign_param(prm.slot, v, from, err)) {
            if (err->line == 0) err->line = 1;
            return false;
        }
    }
    // A pipelined function's result starts empty; each PIPE ROW adds an element to it, and
    // the caller reads them all once the function has ended.
    const bool pipelined = sub ? sub->pipelined : p_->pipelined;
    if (pipelined && return_slot_ >= 0) var(return_slot_).coll = std::make_shared<PlCollectionData>();
    Flow f = block(body);
    if (f == Flow::Error) {
        *err = error_;
        return false;
    }
    if (is_function && !pipelined && f != Flow::Return) {
        *err = pl_error(6503);
        err->line = last_line(body);
        return false;
    }
    out_values->clear();
    if (return_slot_ >= 0) return_value_ = param_value(return_slot_);
    for (const PlParam& prm : params) out_values->push_back(param_value(prm.slot));
    return true;
}

bool Interpreter::init_package(PlError* err) {
    Flow f = block(p_->main);
    if (f == Flow::Error) {
        *err = error_;
        return false;
    }
    return true;
}

bool Interpreter::run_trigger(const std::string& event, std::vector<PlValue>* old_values,
                              std::vector<PlValue>* new_values, bool* fire, PlError* err) {
    for (std::size_t k = 0; k < old_values->size() && k < p_->old_slots.size(); ++k)
        var(p_->old_slots[k]) = (*old_values)[k];
    for (std::size_t k = 0; k < new_values->size() && k < p_->new_slots.size(); ++k)
        var(p_->new_slots[k]) = (*new_values)[k];
    var(p_->inserting_slot) = int_value(event == "INSERT" ? 1 : 0);
    var(p_->updating_slot) = int_value(event == "UPDATE" ? 1 : 0);
    var(p_->deleting_slot) = int_value(event == "DELETE" ? 1 : 0);
    bool ok = run_trigger_body(fire, err);
    finish_unit();
    for (std::size_t k = 0; k < new_values->size() && k < p_->new_slots.size(); ++k)
        (*new_values)[k] = var(p_->new_slots[k]);
    return ok;
}

bool Interpreter::run_trigger_body(bool* fire, PlError* err) {
    if (p_->trigger_when) {
        if (!test(p_->trigger_when, fire, err)) return false;
        if (!*fire) return true;
    }
    *fire = true;
    Flow f = block(p_->main);
    if (f == Flow::Error) {
        *err = error_;
        if (err->code == 0) err->code = 6510;
        return false;
    }
    return true;
}

bool Interpreter::check_binds(PlError* err) {
    for (const auto& q : p_->sql)
        for (const std::string& n : q->tr.bind_names)
            if (n[0] != '#' && !host(n, err)) return false;
    for (const std::string& n : p_->host_targets)
        if (!host(n, err)) return false;
    return true;
}

int Interpreter::last_line(const PlBlock& b) {
    int line = 1;
    for (const PlStmt& st : b.body) line = st.line;
    return line;
}

bool Interpreter::run(PlError* err) {
    Flow f = block(p_->main);
    if (f == Flow::Error) {
        *err = error_;
        if (savepoint_) {
            std::string sql = std::string("ROLLBACK TO ") + kSavepoint;
            sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
        }
        release_savepoint();
        OraError restored;
        plsql_autonomous_restore(ses_, &restored);
        return false;
    }
    release_savepoint();
    return flush_hosts(err);
}

Flow Interpreter::raise(PlError e, int line) {
    if (e.line == 0 || e.trace.empty()) e.line = line;
    error_ = std::move(e);
    return Flow::Error;
}

void Interpreter::release_savepoint() {
    if (!savepoint_) return;
    std::string sql = std::string("RELEASE ") + kSavepoint;
    sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
    savepoint_ = false;
}

}  // namespace plsql_running

using plsql_running::Interpreter;

namespace {

// The types of the block's typed binds by placeholder name; a positional bind names the
// placeholder of its position in order of first appearance, as the binds are read.
void plsql_typed_hosts(const StmtHandle* s, std::map<std::string, OraType>* types) {
    std::vector<std::string> order;
    for (const BindHandle* b : s->binds) {
        if (!b->typed) continue;
        if (!b->name.empty()) {
            (*types)[b->name] = b->ora_type;
            continue;
        }
        if (order.empty())
            for (const Token& t : s->tokens)
                if (t.kind == TokenKind::Bind && std::find(order.begin(), order.end(), t.text) == order.end())
                    order.push_back(t.text);
        if (b->position >= 1 && b->position <= order.size()) types->emplace(order[b->position - 1], b->ora_type);
    }
}

// How many compiled anonymous blocks a session keeps; more start the memory afresh.
constexpr std::size_t kKeptBlocks = 32;

std::string compiled_block_key(const StmtHandle* s, const PlCompileContext& ctx) {
    // The types of typed binds are part of what the block was compiled for.
    std::string key = ctx.schema + '\x1f' + ctx.nls_date_format + '\x1f';
    for (const auto& h : ctx.host_types)
        key += h.first + ':' + std::to_string(h.second.code) + ',' + std::to_string(h.second.size) + ',' +
               std::to_string(h.second.precision) + ',' + std::to_string(h.second.scale) +
               (h.second.char_used ? "c" : "") + (h.second.national ? "n" : "") + '\x1f';
    return key + s->text;
}

// The block of s compiled before in this catalog generation and not running now (a
// block may run itself again through dynamic SQL), or null.
std::shared_ptr<PlCachedUnit> compiled_block(const StmtHandle* s, const PlCompileContext& ctx,
                                             PlSessionState* state) {
    const std::uint64_t generation = catalog_generation(ctx.db);
    if (generation == 0 || generation != state->blocks_generation) {
        state->blocks.clear();
        state->blocks_generation = generation;
        return nullptr;
    }
    if (s->token_error.code) return nullptr;
    auto it = state->blocks.find(compiled_block_key(s, ctx));
    if (it == state->blocks.end() || it->second->busy) return nullptr;
    return it->second;
}

void keep_compiled_block(const StmtHandle* s, const PlCompileContext& ctx, PlSessionState* state,
                         const std::shared_ptr<PlCachedUnit>& block) {
    // Compiling may have written the catalog (a stored unit made valid again): only a
    // block compiled within one generation is kept.
    if (s->token_error.code || state->blocks_generation == 0 || catalog_generation(ctx.db) != state->blocks_generation)
        return;
    if (state->blocks.size() >= kKeptBlocks) state->blocks.clear();
    block->nls_date_format = ctx.nls_date_format;
    state->blocks.emplace(compiled_block_key(s, ctx), block);
}

}  // namespace

sword plsql_execute(StmtHandle* s, OCIError* errhp) {
    SessionHandle* ses = s->session;
    ServerHandle* srv = ses->server;
    ses->settings.statement_time = clock_now_stored();
    ses->settings.statement_timestamp.clear();

    SqliteCatalog catalog(srv->db);
    PlCompileContext ctx;
    ctx.schema = ses->settings.current_schema.empty() ? ses->user : ses->settings.current_schema;
    ctx.nls_date_format = ses->settings.nls_date_format;
    ctx.catalog = &catalog;
    ctx.db = srv->db;
    plsql_typed_hosts(s, &ctx.host_types);
    PlSessionState* state = plsql_session(ses);
    std::shared_ptr<PlCachedUnit> block = compiled_block(s, ctx, state);
    if (!block) {
        // Text the tokenizer refused is compiled from the text, which reports where.
        block = std::make_shared<PlCachedUnit>();
        PlProgram& program = block->program;
        bool compiled = s->token_error.code ? plsql_compile(s->text, ctx, &program)
                                            : plsql_compile_tokens(s->text, s->tokens, ctx, &program, true);
        if (compiled) {
            keep_compiled_block(s, ctx, state, block);
        } else {
            std::string text;
            for (std::size_t k = 0; k < program.errors.size(); ++k) {
                const PlCompileError& e = program.errors[k];
                std::string line = std::to_string(e.line), column = std::to_string(e.column);
                text += k == 0 ? ora_message(6550, line, column, e.text) : "\n" + ora_line(6550, line, column, e.text);
            }
            if (ErrorHandle* eh = error_handle(errhp)) eh->parse_offset = 0;
            return error_set(errhp, 6550, text);
        }
    }
    BusyUnit running(block.get());
    Interpreter interp(s, &block->program);
    PlError err;
    srv->busy = true;
    if (!interp.check_binds(&err)) return error_set(errhp, err.code, err.message);
    bool ok = interp.run(&err);
    srv->busy = false;
    // The client's block is over: no cursor variable is left to read what it opened and
    // kept (cursors given back through binds have moved to the caller's handles).
    if (state->running.empty() && state->call_depth == 0) {
        for (const auto& c : state->ref_cursors) plsql_with_release_holder(ses, c.second.get());
        state->ref_cursors.clear();
    }
    s->executed = true;
    if (!ok) {
        int code = err.code;
        std::string message = err.message;
        if (code == 0) {
            code = 6510;
            message = ora_message(6510);
        }
        for (const std::string& t : err.trace) message += "\n" + t;
        message += "\n" + ora_line(6512, "line " + std::to_string(err.line));
        return error_set(errhp, code, message);
    }
    s->row_count = 1;
    return OCI_SUCCESS;
}

bool plsql_run_function(SessionHandle* ses, PlProgram* program, const PlSubprogram* sub,
                        std::vector<PlValue>* pkg_values, const std::vector<PlValue>& args,
                        const std::vector<bool>& given, PlValue* result, PlError* err) {
    // SQL passes single values: a nested table or varray of a type SQL knows comes as its
    // constructor text; a record or an associative array parameter takes none of them.
    const std::string& unit_owner = program->is_package ? program->package_owner : program->unit_owner;
    const std::vector<PlParam>& params = sub ? sub->params : program->params;
    std::vector<std::size_t> collections;  // the arguments to be made collections
    for (std::size_t k = 0; k < params.size(); ++k) {
        const PlVarInfo& v = program->vars[static_cast<std::size_t>(params[k].slot)];
        std::string package_type;
        const bool sql_collection =
            v.fields.empty() && v.collection != PlCollection::None && v.collection != PlCollection::IndexBy &&
            (plsql_schema_type(ses->server->db, v.type_name) ||
             plsql_package_collection(ses->server->db, unit_owner, v.type_name, &package_type));
        if (sql_collection && k < args.size()) {
            collections.push_back(k);
        } else if (!v.fields.empty() || v.collection != PlCollection::None) {
            *err = pl_error(902);
            return false;
        }
    }
    StmtHandle holder;
    holder.session = ses;
    holder.env = ses->env;  // the handles dynamic SQL allocates hang off it
    Interpreter interp(&holder, program);
    std::vector<PlValue> made;
    const std::vector<PlValue>* call_args = &args;
    if (!collections.empty()) {
        made = args;
        for (std::size_t k : collections)
            if (!interp.collection_argument(program->vars[static_cast<std::size_t>(params[k].slot)], args[k],
                                            &made[k], err))
                return false;
        call_args = &made;
    }
    interp.run_inside_statement();
    if (pkg_values) interp.attach_package(pkg_values, program->package_slots);
    std::vector<PlValue> outs;
    std::optional<CatalogDefiner> definer;
    if (!program->invoker_rights)
        definer.emplace(ses->server->db, program->is_package ? program->package_owner : program->unit_owner);
    bool ok = plsql_nested_call(
        ses, [&](PlError* e) { return interp.run_unit(*call_args, given, &outs, e, sub); }, err);
    interp.finish_unit();
    if (!ok) return false;
    *result = interp.return_value();
    // A collection of a schema-level type, or a package's nested table or varray type that
    // SQL can describe, is SQL's value of that type, its constructor text; a record or an
    // associative array is no value of SQL.
    const int slot = sub ? sub->return_slot : program->return_slot;
    if (result->coll && slot >= 0) {
        const PlVarInfo& info = program->vars[static_cast<std::size_t>(slot)];
        const std::string& owner = unit_owner;
        std::string package_type;
        if (info.collection != PlCollection::IndexBy &&
            (plsql_schema_type(ses->server->db, info.type_name) ||
             plsql_package_collection(ses->server->db, owner, info.type_name, &package_type))) {
            PlValue text;
            text.kind = PlKind::Text;
            text.s = interp.collection_text(info, *result);
            *result = text;
        }
    }
    if (!result->fields.empty() || result->coll) {
        *err = pl_error(902);
        return false;
    }
    return true;
}

PlPackageState* plsql_package_state(SessionHandle* ses, const std::string& qualified,
                                    std::shared_ptr<PlCachedUnit>* program, PlError* err) {
    StmtHandle holder;
    holder.session = ses;
    holder.env = ses->env;  // the handles dynamic SQL allocates hang off it
    PlProgram empty;
    Interpreter root(&holder, &empty);
    root.run_inside_statement();
    return root.package_state(qualified, program, err);
}

bool plsql_run_trigger(SessionHandle* ses, PlProgram* program, const std::string& event,
                       std::vector<PlValue>* old_values, std::vector<PlValue>* new_values, bool* fired, PlError* err) {
    StmtHandle holder;
    holder.session = ses;
    holder.env = ses->env;  // the handles dynamic SQL allocates hang off it
    Interpreter interp(&holder, program);
    if (program->trigger_row) interp.run_inside_statement();
    PlSessionState* state = plsql_session(ses);
    ++state->trigger_depth;
    bool ok = interp.run_trigger(event, old_values, new_values, fired, err);
    --state->trigger_depth;
    return ok;
}

std::int64_t plsql_take_redone_rows(SessionHandle* ses) {
    PlSessionState* st = plsql_session(ses);
    std::int64_t n = st->redone_rows;
    st->redone_rows = 0;
    return n;
}
