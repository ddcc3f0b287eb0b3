// The PL/SQL parser's stored-unit half: procedure and function headings, package
// headers and bodies (members matched to their declarations, overloads, package
// variables and exceptions named from outside), trigger bodies (:NEW, :OLD and the
// predicates), the collections of DBMS_OUTPUT.GET_LINES, and calls of stored procedures
// with overload resolution. It evaluates nothing and runs no SQL.
#include "plsql/plsql_parser.h"
#include "catalog/catalog_cache.h"
#include "plsql/plsql_supplied.h"

#include <algorithm>

#include "values/errors.h"

namespace plsql_parsing {

// The user_id of a package's exception: the same in every program that names it.
int package_exception_id(const std::string& owner, const std::string& package, const std::string& name) {
    std::uint32_t h = 2166136261u;
    for (char c : owner + "." + package + "." + name) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    return 1000000 + static_cast<int>(h % 1000000000u);
}

// The family a declared or catalog type name belongs to, for matching overloads.
std::string argument_family(const std::string& type) {
    static const char* const kNumbers[] = {"NUMBER",   "INTEGER",  "INT",         "SMALLINT",       "NUMERIC",
                                           "DECIMAL",  "DEC",      "PLS_INTEGER", "BINARY_INTEGER", "NATURAL",
                                           "POSITIVE", "NATURALN", "POSITIVEN",   "SIGNTYPE",       "SIMPLE_INTEGER",
                                           "FLOAT",    "REAL",     "DOUBLE",      "BINARY_DOUBLE",  "BINARY_FLOAT"};
    static const char* const kTexts[] = {"VARCHAR2",  "VARCHAR",   "STRING", "CHAR",  "NCHAR",
                                         "NVARCHAR2", "CHARACTER", "CLOB",   "NCLOB", "LONG"};
    for (const char* n : kNumbers)
        if (type == n) return "NUMBER";
    for (const char* n : kTexts)
        if (type == n) return "CHAR";
    if (type == "DATE" || type == "TIMESTAMP") return "DATE";
    if (type == "BOOLEAN" || type == "PL/SQL BOOLEAN") return "BOOLEAN";
    return type;
}

namespace {

// The declared result type of stored function owner.name as the catalog records it.
std::string stored_result_type(sqlite3* db, const std::string& owner, const std::string& name) {
    sqlite3_stmt* vm = nullptr;
    std::string out;
    if (sqlite3_prepare_v2(db,
                           "SELECT data_type FROM vantro_plsql_arguments WHERE owner = ?1 AND object_name = ?2"
                           " AND package_name IS NULL AND position = 0",
                           -1, &vm, nullptr) != SQLITE_OK) {
        sqlite3_finalize(vm);
        return out;
    }
    sqlite3_bind_text(vm, 1, owner.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(vm, 2, name.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(vm) == SQLITE_ROW && sqlite3_column_text(vm, 0))
        out = reinterpret_cast<const char*>(sqlite3_column_text(vm, 0));
    sqlite3_finalize(vm);
    return out;
}

}  // namespace

namespace {

// Whether every overload of stored function owner.name ("PACKAGE.MEMBER" for a package's)
// returns a record or collection, whose catalog type names are "PACKAGE.TYPE" or "TYPE#n".
// The catalog query `sql` over the result rows (position 0) of stored function owner.name
// ("PACKAGE.MEMBER" for a package's), bound as ?1 owner, ?2 object, ?3 package; null when
// it cannot be prepared.
sqlite3_stmt* result_rows_query(sqlite3* db, const char* sql, const std::string& owner, const std::string& name) {
    sqlite3_stmt* vm = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &vm, nullptr) != SQLITE_OK) {
        sqlite3_finalize(vm);
        return nullptr;
    }
    const std::size_t dot = name.find('.');
    const std::string object = dot == std::string::npos ? name : name.substr(dot + 1);
    const std::string package = dot == std::string::npos ? std::string() : name.substr(0, dot);
    sqlite3_bind_text(vm, 1, owner.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(vm, 2, object.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(vm, 3, package.c_str(), -1, SQLITE_TRANSIENT);
    return vm;
}

bool stored_whole_result(sqlite3* db, const std::string& owner, const std::string& name) {
    sqlite3_stmt* vm = result_rows_query(db,
                                         "SELECT count(*), sum(instr(data_type, '.') > 0 OR instr(data_type, '#') > 0)"
                                         " FROM vantro_plsql_arguments WHERE owner = ?1 AND object_name = ?2"
                                         " AND coalesce(package_name, '') = ?3 AND position = 0",
                                         owner, name);
    if (!vm) return false;
    bool whole = sqlite3_step(vm) == SQLITE_ROW && sqlite3_column_int(vm, 0) > 0 &&
                 sqlite3_column_int(vm, 0) == sqlite3_column_int(vm, 1);
    sqlite3_finalize(vm);
    return whole;
}

}  // namespace

bool stored_pipelined(sqlite3* db, const std::string& owner, const std::string& name) {
    sqlite3_stmt* vm = result_rows_query(db,
                                         "SELECT 1 FROM vantro_plsql_arguments WHERE owner = ?1 AND object_name = ?2"
                                         " AND coalesce(package_name, '') = ?3 AND position = 0 AND pipelined = 'YES'",
                                         owner, name);
    if (!vm) return false;
    bool found = sqlite3_step(vm) == SQLITE_ROW;
    sqlite3_finalize(vm);
    return found;
}

bool lookup_function(void* data, const std::string& owner, const std::string& name, OraType* ret,
                     std::string* object_type) {
    FunctionLookup* f = static_cast<FunctionLookup*>(data);
    object_type->clear();
    // A result of a schema-level collection type is a value of that type to SQL.
    auto schema_result = [&](const std::string& type_name) {
        if (!f->db || type_name.find('.') == std::string::npos || !plsql_schema_type(f->db, type_name)) return;
        *object_type = type_name;
        *ret = OraType();
        ret->size = 4000;
    };
    // A local function, named so by the name hook (Parser::local_function).
    std::size_t prefix = std::char_traits<char>::length(kPlLocalPrefix);
    if (f->program && name.compare(0, prefix, kPlLocalPrefix) == 0) {
        std::string place = name.substr(prefix);
        if (place.empty() || place.size() > 9 || place.find_first_not_of("0123456789") != std::string::npos)
            return false;
        std::size_t idx = static_cast<std::size_t>(std::stoul(place));
        if (idx >= f->program->locals.size()) return false;
        *ret = f->program->locals[idx].return_type;
        if (ret->code == kTypeVarchar2 && ret->size == 0) ret->size = 4000;
        return true;
    }
    // A function calling itself: known from its own heading, stored or not.
    const PlProgram* self = f->program;
    if (self && self->is_unit && self->is_function && owner == f->schema && name == self->unit_name) {
        *ret = self->return_type;
        if (ret->code == kTypeVarchar2 && ret->size == 0) ret->size = 4000;
        schema_result(self->return_type_name);
        f->pipelined = f->pipelined || self->pipelined;
        return true;
    }
    const PlProgram* p = f->package;
    if (p && p->is_package && owner == p->package_owner) {
        std::string member = name;
        std::size_t dot = name.find('.');
        if (dot != std::string::npos) {
            if (name.compare(0, dot, p->package_name) != 0 || dot != p->package_name.size())
                member.clear();
            else
                member = name.substr(dot + 1);
        } else if (p->object_methods && member == p->package_name) {
            member.clear();
        }
        for (const PlSubprogram& sub : p->subprograms)
            if (!member.empty() && sub.name == member && sub.is_function) {
                f->whole = f->whole || (sub.return_type_name.find_first_of(".#") != std::string::npos &&
                                        !plsql_object_type_name(f->db, sub.return_type_name));
                *ret = sub.return_type;
                if (ret->code == kTypeVarchar2 && ret->size == 0) ret->size = 4000;
                schema_result(sub.return_type_name);
                f->pipelined = f->pipelined || sub.pipelined;
                return true;
            }
    }
    if (!f->db || !plsql_function_lookup(f->db, owner, name, ret, object_type)) return false;
    f->whole = f->whole || (stored_whole_result(f->db, owner, name) && !plsql_object_type_name(f->db, *object_type));
    f->pipelined = f->pipelined || stored_pipelined(f->db, owner, name);
    std::string unit = name.substr(0, name.find('.'));
    f->program->references.insert(owner + "." + unit);
    // A function made invalid by a change to what it uses is compiled again first.
    std::string status, source;
    if (plsql_object_load(f->db, owner, unit, unit == name ? "FUNCTION" : "PACKAGE", &status, &source) &&
        status != "VALID" && !plsql_unit_revalidate(f->db, f->nls_date_format, owner, unit)) {
        f->invalid = owner + "." + unit;
        return false;
    }
    return true;
}

void Parser::when_condition() {
    when_mode_ = true;
    prog_->trigger_when = expression({}, 0, true);
    when_mode_ = false;
}

void Parser::unit() {
    scopes_.emplace_back();
    PlSubprogram sub;
    subprogram_header(&sub);
    prog_->is_function = sub.is_function;
    prog_->unit_name = sub.name;
    prog_->params = sub.params;
    prog_->return_type = sub.return_type;
    prog_->return_type_name = sub.return_type_name;
    prog_->return_slot = sub.return_slot;
    prog_->pipelined = sub.pipelined;
    prog_->deterministic = sub.deterministic;
    in_function_ = sub.is_function;
    pipelined_ = sub.pipelined;
    whole_result_ = sub.is_function && whole_slot(sub.return_slot) ? sub.return_slot : -1;
    if (!is_word("IS") && !is_word("AS")) expected("AS IS", peek());
    ++i_;
    block(&prog_->main, true);
    if (!is_op(";")) expected(";", peek());
    ++i_;
    if (peek().kind != TokenKind::End) expected("end-of-file", peek());
}

void Parser::package(bool body) {
    if (scopes_.empty()) scopes_.emplace_back();
    expect_word("PACKAGE");
    if (body) expect_word("BODY");
    std::string name = identifier();
    if (is_op(".")) {
        ++i_;
        name = identifier();
    }
    prog_->is_package = true;
    prog_->package_name = name;
    prog_->package_owner = ctx_.schema;
    prog_->object_methods = !ctx_.object_type.empty();
    while (is_word("AUTHID")) {
        prog_->invoker_rights = is_word("CURRENT_USER", 1);
        i_ += 2;
    }
    if (!is_word("IS") && !is_word("AS")) expected("AS IS", peek());
    ++i_;
    prog_->package_slots = -1;
    declarations(&prog_->main, body ? DeclMode::Body : DeclMode::Header);
    if (prog_->package_slots < 0) prog_->package_slots = static_cast<int>(prog_->vars.size());
    if (body && is_word("BEGIN")) {
        ++i_;
        prog_->has_init = true;
        scopes_.emplace_back();
        statements(&prog_->main.body, {"EXCEPTION", "END"});
        handlers(&prog_->main);
        scopes_.pop_back();
    }
    expect_word("END");
    if (peek().kind == TokenKind::Word || peek().kind == TokenKind::QuotedWord) ++i_;
    expect_op(";");
    if (peek().kind != TokenKind::End) expected("end-of-file", peek());
    if (!ctx_.object_type.empty())
        for (PlSubprogram& sub : prog_->subprograms)
            sub.self_member = sub.name != name && !sub.params.empty() && sub.params[0].name == "SELF";
    if (!body) return;
    for (const PlCursorInfo& c : prog_->cursors) {
        if (c.query || !c.header_line) continue;
        PlCompileError e;
        e.line = c.header_line;
        e.column = c.header_column;
        e.text = pls_message(323, c.name);
        prog_->errors.push_back(e);
    }
    for (const PlSubprogram& sub : prog_->subprograms) {
        if (sub.defined) continue;
        PlCompileError e;
        if (sub.in_header) {
            e.line = sub.line;
            e.column = sub.column;
            e.text = pls_message(323, sub.name);
        } else {
            position(sub.offset, &e.line, &e.column);
            e.text = pls_message(328, sub.name);
        }
        prog_->errors.push_back(e);
    }
}

void Parser::with_declarations(const std::string& unit) {
    scopes_.emplace_back();
    prog_->is_package = true;
    prog_->package_name = unit;
    prog_->package_owner = ctx_.schema;
    prog_->package_slots = 0;
    while (is_word("FUNCTION") || is_word("PROCEDURE")) package_subprogram(DeclMode::Body);
    if (peek().kind != TokenKind::End) expected("function procedure", peek());
    for (const PlSubprogram& sub : prog_->subprograms) {
        if (sub.defined) continue;
        PlCompileError e;
        position(sub.offset, &e.line, &e.column);
        e.text = pls_message(328, sub.name);
        prog_->errors.push_back(e);
    }
}

void Parser::subprogram_header(PlSubprogram* sub) {
    std::string kind = identifier();
    sub->is_function = kind == "FUNCTION";
    sub->offset = peek().offset;
    position(sub->offset, &sub->line, &sub->column);
    sub->name = identifier();
    if (is_op(".")) {
        ++i_;
        sub->offset = peek().offset;
        sub->name = identifier();
    }
    if (is_op("(")) {
        ++i_;
        for (;;) {
            PlParam prm;
            std::uint32_t po = peek().offset;
            prm.name = identifier();
            if (is_word("IN")) {
                ++i_;
                prm.mode = "IN";
            }
            if (is_word("OUT")) {
                ++i_;
                prm.mode = prm.mode == "IN" ? "IN/OUT" : "OUT";
            }
            if (prm.mode.empty()) prm.mode = "IN";
            if (is_word("NOCOPY")) ++i_;
            bool boolean = false;
            if (!whole_parameter(&prm)) {
                unconstrained_ = true;
                type_spec(&prm.type, &boolean, po);
                unconstrained_ = false;
                prm.type_name = last_type_name_;
                prm.slot = add_var(prm.name, prm.type, boolean);
            }
            prog_->vars[static_cast<std::size_t>(prm.slot)].constant = prm.mode == "IN";
            if (is_op(":=") || is_word("DEFAULT")) {
                ++i_;
                prm.default_value = expression({",", ")"}, po, boolean);
            }
            Symbol sym;
            sym.index = prm.slot;
            declare(prm.name, sym);
            declare_collection_fields(prm.name, prm.slot);
            sub->params.push_back(prm);
            if (!is_op(",")) break;
            ++i_;
        }
        expect_op(")");
    }
    if (sub->is_function) {
        expect_word("RETURN");
        bool boolean = false;
        std::size_t width = 0;
        const Symbol* ts = rowtype_result(sub) ? nullptr : type_symbol_ahead(&width);
        unconstrained_ = true;
        if (sub->return_slot >= 0) {
            unconstrained_ = false;
        } else if (ts && prog_->types[static_cast<std::size_t>(ts->index)].type.code != kPlTypeRefCursor) {
            // A record or collection result is held in a whole variable of its type, which
            // RETURN fills and the caller's Call statement copies out.
            PlParam result;
            whole_parameter(&result);
            unconstrained_ = false;
            sub->return_type = number_type();
            sub->return_type_name = result.type_name;
            sub->return_slot = result.slot;
        } else {
            type_spec(&sub->return_type, &boolean, peek().offset);
            unconstrained_ = false;
            sub->return_type_name = last_type_name_;
            sub->return_slot = add_var("", sub->return_type, boolean);
        }
    }
    while (is_word("DETERMINISTIC") || is_word("PIPELINED") || is_word("PARALLEL_ENABLE") || is_word("AUTHID") ||
           is_word("RESULT_CACHE")) {
        if (is_word("PARALLEL_ENABLE") || is_word("RESULT_CACHE")) {
            // Hints for the optimizer and the server's caches, taken without effect:
            // PARALLEL_ENABLE [(PARTITION c BY ...)], RESULT_CACHE [RELIES_ON (...)].
            const bool cache = is_word("RESULT_CACHE");
            ++i_;
            const bool relies = cache && is_word("RELIES_ON");
            if (relies) ++i_;
            if ((relies || !cache) && is_op("(")) {
                int depth = 0;
                do {
                    if (is_op("(")) ++depth;
                    if (is_op(")")) --depth;
                    ++i_;
                } while (depth > 0 && peek().kind != TokenKind::End);
            }
            continue;
        }
        if (is_word("AUTHID")) {
            // A standalone unit's AUTHID DEFINER | CURRENT_USER.
            if (!prog_->is_package) prog_->invoker_rights = is_word("CURRENT_USER", 1);
            i_ += 2;
            continue;
        }
        if (is_word("DETERMINISTIC")) sub->deterministic = true;
        if (is_word("PIPELINED")) {
            // A pipelined function returns a nested table or varray, which PIPE ROW fills.
            const PlVarInfo* result =
                sub->return_slot >= 0 ? &prog_->vars[static_cast<std::size_t>(sub->return_slot)] : nullptr;
            if (!sub->is_function || !result || result->collection == PlCollection::None ||
                result->collection == PlCollection::IndexBy)
                semantic_error(peek().offset, pls_message(630), peek().offset);
            sub->pipelined = true;
        }
        ++i_;
    }
}

bool Parser::same_heading(const PlSubprogram& a, const PlSubprogram& b) {
    if (a.name != b.name || a.is_function != b.is_function || a.params.size() != b.params.size()) return false;
    if (a.is_function && argument_family(a.return_type_name) != argument_family(b.return_type_name)) return false;
    for (std::size_t k = 0; k < a.params.size(); ++k) {
        const PlParam& x = a.params[k];
        const PlParam& y = b.params[k];
        if (x.name != y.name || x.mode != y.mode || x.type_name != y.type_name) return false;
    }
    return true;
}

void Parser::package_subprogram(DeclMode mode) {
    scopes_.emplace_back();
    PlSubprogram sub;
    subprogram_header(&sub);
    bool definition = mode == DeclMode::Body && (is_word("IS") || is_word("AS"));
    PlSubprogram* slot = nullptr;
    if (mode == DeclMode::Body)
        for (PlSubprogram& d : prog_->subprograms)
            if (!d.defined && same_heading(d, sub)) slot = &d;
    if (!slot) {
        sub.in_header = mode == DeclMode::Header;
        sub.subprogram_id = static_cast<int>(prog_->subprograms.size()) + 1;
        prog_->subprograms.push_back(sub);
        slot = &prog_->subprograms.back();
    } else {
        // The definition's parameters are the ones its body uses.
        slot->params = sub.params;
        slot->return_slot = sub.return_slot;
        slot->return_type = sub.return_type;
        slot->pipelined = sub.pipelined;
    }
    if (!definition) {
        expect_op(";");
        scopes_.pop_back();
        return;
    }
    ++i_;
    int index = static_cast<int>(slot - &prog_->subprograms[0]);
    bool saved = in_function_, saved_pipelined = pipelined_;
    int saved_result = whole_result_;
    in_function_ = sub.is_function;
    pipelined_ = sub.pipelined;
    whole_result_ = sub.is_function && whole_slot(sub.return_slot) ? sub.return_slot : -1;
    PlBlock body;
    block(&body, true);
    in_function_ = saved;
    pipelined_ = saved_pipelined;
    whole_result_ = saved_result;
    expect_op(";");
    prog_->subprograms[static_cast<std::size_t>(index)].body = std::move(body);
    prog_->subprograms[static_cast<std::size_t>(index)].defined = true;
    scopes_.pop_back();
}

void Parser::trigger_variables() {
    prog_->is_trigger = true;
    prog_->trigger_timing = ctx_.trigger_timing;
    prog_->trigger_row = ctx_.trigger_row;
    for (const char* which : {"OLD", "NEW"}) {
        for (const ColumnInfo& c : *ctx_.trigger_columns) {
            int slot = add_var(std::string(which) + "." + c.name, c.type, false);
            (which[0] == 'O' ? prog_->old_slots : prog_->new_slots).push_back(slot);
        }
    }
    for (const char* pred : {"INSERTING", "UPDATING", "DELETING"}) {
        int slot = add_var(pred, number_type(1, 0), true);
        prog_->vars[static_cast<std::size_t>(slot)].constant = true;
        Symbol sym;
        sym.index = slot;
        declare(pred, sym);
        (pred[0] == 'I' ? prog_->inserting_slot : pred[0] == 'U' ? prog_->updating_slot : prog_->deleting_slot) = slot;
    }
}

int Parser::trigger_reference(std::size_t k, std::size_t b, bool colon) {
    if (!prog_->is_trigger) return -1;
    const Token& tk = t_[k];
    bool fits = colon ? tk.kind == TokenKind::Bind : (when_mode_ && tk.kind == TokenKind::Word);
    if (!fits || (tk.text != "NEW" && tk.text != "OLD")) return -1;
    if (!(k + 2 < b && t_[k + 1].kind == TokenKind::Operator && t_[k + 1].text == "." &&
          (t_[k + 2].kind == TokenKind::Word || t_[k + 2].kind == TokenKind::QuotedWord)))
        return -1;
    return trigger_column(tk.text, t_[k + 2].text, tk.offset);
}

int Parser::trigger_column(const std::string& which, const std::string& column, std::uint32_t offset) {
    if (!prog_->trigger_row) {
        PlCompileError e;
        position(offset, &e.line, &e.column);
        e.text = ora_line(4082);
        prog_->errors.push_back(e);
        return -2;
    }
    const std::vector<int>& slots = which == "NEW" ? prog_->new_slots : prog_->old_slots;
    for (std::size_t c = 0; c < ctx_.trigger_columns->size(); ++c)
        if ((*ctx_.trigger_columns)[c].name == column) return slots[c];
    PlCompileError e;
    position(offset, &e.line, &e.column);
    e.text = pls_message(49, which + "." + column);
    prog_->errors.push_back(e);
    return -2;
}

bool Parser::package_symbol(const std::string& pkg, const std::string& name, Symbol* sym, const PlProgram** header) {
    if (prog_->is_package && pkg == prog_->package_name && !scopes_.empty()) {
        auto f = scopes_.front().find(name);
        if (f == scopes_.front().end()) return false;
        *sym = f->second;
        if (header) *header = prog_;
        return true;
    }
    if (!ctx_.db) return false;
    auto it = headers_.find(pkg);
    if (it == headers_.end()) {
        std::string status, source;
        std::shared_ptr<HeaderInfo> info;
        if (plsql_object_load(ctx_.db, ctx_.schema, pkg, "PACKAGE", &status, &source)) {
            info = std::make_shared<HeaderInfo>();
            PlCompileContext cc = ctx_;
            cc.trigger_columns = nullptr;
            compile_package_header(source, cc, &info->program, &info->symbols);
        }
        it = headers_.emplace(pkg, info).first;
    }
    if (!it->second) return false;
    auto f = it->second->symbols.find(name);
    if (f == it->second->symbols.end()) return false;
    prog_->references.insert(ctx_.schema + "." + pkg);
    *sym = f->second;
    if (header) *header = &it->second->program;
    return true;
}

int Parser::package_variable(const std::string& pkg, const std::string& name, PlVarInfo* info, bool* own) {
    Symbol sym;
    const PlProgram* header = nullptr;
    if (!package_symbol(pkg, name, &sym, &header) || sym.kind != SymKind::Var) return -1;
    *info = header->vars[static_cast<std::size_t>(sym.index)];
    *own = header == prog_;
    return sym.index;
}

int Parser::package_cursor(const std::vector<std::string>& parts, std::uint32_t offset, std::uint32_t so,
                           bool quiet) {
    const int c = package_cursor_lookup(parts, offset, so, quiet);
    if (c != -1 || quiet) return c;
    std::string written = parts.empty() ? std::string() : parts[0];
    for (std::size_t k = 1; k < parts.size(); ++k) written += "." + parts[k];
    semantic_error(offset, pls_message(201, written), so);
    return -2;
}

int Parser::package_cursor_lookup(const std::vector<std::string>& parts, std::uint32_t offset, std::uint32_t so,
                                  bool quiet) {
    if (parts.size() < 2 || parts.size() > 3) return -1;
    std::string owner = parts.size() == 3 ? parts[0] : ctx_.schema;
    const std::string& pkg = parts[parts.size() - 2];
    const std::string& name = parts.back();
    std::string written = parts[0];
    for (std::size_t k = 1; k < parts.size(); ++k) written += "." + parts[k];
    Symbol sym;
    const PlProgram* header = nullptr;
    bool found = false;
    if (owner == ctx_.schema) {
        if (prog_->is_package && pkg == prog_->package_name) {
            if (package_symbol(pkg, name, &sym, &header) && sym.kind == SymKind::Cursor) return sym.index;
            if (!quiet) semantic_error(offset, pls_message(302, name), so);
            return quiet ? -1 : -2;
        }
        found = package_symbol(pkg, name, &sym, &header);
        if (!found && (headers_.find(pkg) == headers_.end() || !headers_[pkg])) return -1;
    } else {
        if (!ctx_.db) return -1;
        std::string key = owner + "." + pkg;
        auto it = headers_.find(key);
        if (it == headers_.end()) {
            std::string status, source;
            std::shared_ptr<HeaderInfo> info;
            if (plsql_object_load(ctx_.db, owner, pkg, "PACKAGE", &status, &source)) {
                info = std::make_shared<HeaderInfo>();
                PlCompileContext cc = ctx_;
                cc.schema = owner;
                cc.sql_schema.clear();
                cc.trigger_columns = nullptr;
                // The header's cursors read what its owner may read.
                CatalogDefiner definer(ctx_.db, owner);
                compile_package_header(source, cc, &info->program, &info->symbols);
            }
            it = headers_.emplace(key, info).first;
        }
        if (!it->second) return -1;
        // Another schema's package without EXECUTE on it is not there for this unit.
        if (ctx_.catalog && ctx_.catalog->object_access(owner, pkg, "EXECUTE") != 0) {
            if (!quiet) semantic_error(offset, pls_message(201, written), so);
            return quiet ? -1 : -2;
        }
        auto f = it->second->symbols.find(name);
        found = f != it->second->symbols.end();
        if (found) {
            sym = f->second;
            header = &it->second->program;
            prog_->references.insert(key);
        }
    }
    if (!found || sym.kind != SymKind::Cursor || !header) {
        if (!quiet) semantic_error(offset, pls_message(302, name), so);
        return quiet ? -1 : -2;
    }
    std::string key = owner + "." + pkg + "." + name;
    auto known = package_cursors_.find(key);
    if (known != package_cursors_.end()) return known->second;
    const PlCursorInfo& src = header->cursors[static_cast<std::size_t>(sym.index)];
    PlCursorInfo proxy;
    proxy.name = written;
    proxy.package = owner + "." + pkg;
    proxy.package_index = sym.index;
    proxy.for_update = src.for_update;
    proxy.row = src.query ? src.query->tr.columns : src.row;
    for (std::size_t k = 0; k < src.params.size(); ++k) {
        const PlVarInfo& pv = header->vars[static_cast<std::size_t>(src.params[k])];
        int slot = add_var(pv.name, pv.type, pv.boolean);
        proxy.params.push_back(slot);
        proxy.defaults.push_back(nullptr);
        proxy.remote_defaults.push_back(src.defaults[k] != nullptr);
    }
    prog_->cursors.push_back(std::move(proxy));
    int idx = static_cast<int>(prog_->cursors.size()) - 1;
    package_cursors_[key] = idx;
    return idx;
}

bool Parser::cursor_columns(int c, std::vector<ColumnInfo>* cols) const {
    const PlCursorInfo& info = prog_->cursors[static_cast<std::size_t>(c)];
    if (info.query) {
        *cols = info.query->tr.columns;
        return true;
    }
    // Declared in a package header without its query: the row it declares, if any.
    *cols = info.row;
    return !info.row.empty();
}

std::size_t Parser::dotted_ahead(std::vector<std::string>* parts) const {
    std::size_t k = 0;
    while (peek(k).kind == TokenKind::Word || peek(k).kind == TokenKind::QuotedWord) {
        parts->push_back(peek(k).text);
        ++k;
        if (!is_op(".", k)) break;
        ++k;
    }
    if (k > 0 && peek(k - 1).kind == TokenKind::Operator) --k;
    return k;
}

bool Parser::package_lacks(const std::string& pkg, const std::string& name) {
    Symbol sym;
    if (package_symbol(pkg, name, &sym, nullptr)) return false;
    const PlProgram* header = nullptr;
    if (prog_->is_package && pkg == prog_->package_name) {
        header = prog_;
    } else {
        auto it = headers_.find(pkg);
        if (it == headers_.end() || !it->second) return false;
        header = &it->second->program;
    }
    for (const PlSubprogram& sub : header->subprograms)
        if (sub.name == name) return false;
    return true;
}

namespace {

// The collection types of the supplied packages that declarations name.
struct SuppliedCollectionType {
    const char* package;  // empty: named without a package
    const char* type;
    PlCollection kind;
    std::uint32_t element_size;  // VARCHAR2 elements of this size
    const char* name;
};
const SuppliedCollectionType kSuppliedCollectionTypes[] = {
    {"DBMS_OUTPUT", "CHARARR", PlCollection::IndexBy, 32767, "DBMS_OUTPUT.CHARARR"},
    {"SYS", "DBMSOUTPUT_LINESARRAY", PlCollection::Varray, 32767, "SYS.DBMSOUTPUT_LINESARRAY"},
    {"", "DBMSOUTPUT_LINESARRAY", PlCollection::Varray, 32767, "SYS.DBMSOUTPUT_LINESARRAY"},
    {"DBMS_UTILITY", "UNCL_ARRAY", PlCollection::IndexBy, 227, "DBMS_UTILITY.UNCL_ARRAY"},
    {"DBMS_UTILITY", "LNAME_ARRAY", PlCollection::IndexBy, 4000, "DBMS_UTILITY.LNAME_ARRAY"},
    {"DBMS_UTILITY", "NAME_ARRAY", PlCollection::IndexBy, 30, "DBMS_UTILITY.NAME_ARRAY"},
};

}  // namespace

PlCollection Parser::collection_type(std::uint32_t* element_size, std::string* type_name) {
    for (const SuppliedCollectionType& t : kSuppliedCollectionTypes) {
        const bool qualified = t.package[0] != 0;
        if (qualified ? !(is_word(t.package) && is_op(".", 1) && is_word(t.type, 2)) : !is_word(t.type)) continue;
        i_ += qualified ? 3 : 1;
        *element_size = t.element_size;
        *type_name = t.name;
        return t.kind;
    }
    return PlCollection::None;
}

std::string Parser::value_family(std::size_t a, PlSql* q) const {
    if (t_[a].kind == TokenKind::Word && t_[a].text == "NULL") return "";
    if (!q || q->tr.columns.empty()) return "";
    const OraType& t = q->tr.columns[0].type;
    if (t.code == kTypeNumber) return "NUMBER";
    if (t.code == kTypeDate || t.code == kTypeTimestamp) return "DATE";
    return "CHAR";
}

int Parser::boolean_form(const Expr& e) const {
    switch (e.kind) {
    case ExprKind::Compare:
    case ExprKind::And:
    case ExprKind::Or:
    case ExprKind::Not:
    case ExprKind::IsNull:
    case ExprKind::Like:
    case ExprKind::RegexpLike:
    case ExprKind::Between:
    case ExprKind::InList:
    case ExprKind::InSubquery:
    case ExprKind::Exists:
    case ExprKind::Quantified:
    case ExprKind::IsJson:
    case ExprKind::JsonExists:
        return 1;
    case ExprKind::Multiset:
        return e.text == "MEMBER" || e.text == "SUBMULTISET" || e.text == "EMPTY" ? 1 : 0;
    case ExprKind::String:
    case ExprKind::Number:
    case ExprKind::Binary:
    case ExprKind::Concat:
    case ExprKind::Unary:
    case ExprKind::Sysdate:
    case ExprKind::User:
    case ExprKind::DateLiteral:
    case ExprKind::IntervalLiteral:
    case ExprKind::Cast:
    case ExprKind::Extract:
        return 0;
    case ExprKind::Attribute:
        return e.text == "FOUND" || e.text == "NOTFOUND" || e.text == "ISOPEN" ? 1 : 0;
    case ExprKind::Column: {
        if (e.path.size() != 1) return -1;
        const Symbol* sym = lookup(e.path[0]);
        if (sym && sym->kind == SymKind::Var) {
            const PlVarInfo& v = prog_->vars[static_cast<std::size_t>(sym->index)];
            if (!v.fields.empty() || v.collection != PlCollection::None) return -1;
            return v.boolean ? 1 : 0;
        }
        if (!sym && (e.path[0] == "TRUE" || e.path[0] == "FALSE")) return 1;
        return -1;
    }
    case ExprKind::Null:
    case ExprKind::Bind:
    case ExprKind::Star:
    case ExprKind::Subquery:
    case ExprKind::Function:
    case ExprKind::Case:
    case ExprKind::JsonFunction:
    case ExprKind::Row:
    case ExprKind::Postfix:
        return -1;
    }
    return -1;
}

int Parser::boolean_argument(std::size_t a, std::size_t b) const {
    if (a >= b || b > t_.size()) return -1;
    std::vector<Token> tokens(t_.begin() + static_cast<std::ptrdiff_t>(a), t_.begin() + static_cast<std::ptrdiff_t>(b));
    Token end;
    end.kind = TokenKind::End;
    end.offset = end.end = t_[b < t_.size() ? b : t_.size() - 1].offset;
    tokens.push_back(end);
    ExprPtr e;
    OraError err;
    if (!sql_parse_expression(tokens, &e, &err)) return -1;
    return boolean_form(*e);
}

bool Parser::stored_call(PlStmt* st, const Token& first, const std::vector<std::string>& parts,
                         const std::vector<std::pair<std::size_t, std::size_t>>& args, std::uint32_t so, int result) {
    std::vector<PlCandidate> candidates;
    std::string owner = ctx_.schema, unit, member;
    auto own_members = [&](const std::string& name) {
        for (const PlSubprogram& sub : prog_->subprograms) {
            if (sub.name != name) continue;
            PlCandidate c;
            c.subprogram_id = sub.subprogram_id;
            c.is_function = sub.is_function;
            c.return_type = sub.return_type_name;
            for (const PlParam& prm : sub.params)
                c.params.push_back(PlUnitArgument{prm.name, prm.mode, prm.default_value != nullptr, prm.type_name});
            candidates.push_back(c);
        }
    };
    std::string status, source, type;
    const Symbol* local = parts.size() == 1 ? lookup(parts[0]) : nullptr;
    if (local && local->kind == SymKind::Local) {
        unit = parts[0];
        local_candidates(*local, &candidates);
    } else {
        local = nullptr;
    }
    if (candidates.empty() && prog_->is_package &&
        (parts.size() == 1 || (parts.size() == 2 && parts[0] == prog_->package_name))) {
        unit = prog_->package_name;
        member = parts.back();
        own_members(member);
        if (candidates.empty() && parts.size() == 2) {
            semantic_error(t_[i_ - 1].offset, pls_message(302, member), so);
            return true;
        }
    }
    // A procedure calling itself, or a function whose own record or collection result goes
    // to a variable or is read directly: its own heading, whether an older version is
    // stored or not.
    if (candidates.empty() && prog_->is_unit && (!prog_->is_function || result != -1) &&
        parts.back() == prog_->unit_name && (parts.size() == 1 || (parts.size() == 2 && parts[0] == ctx_.schema))) {
        owner = ctx_.schema;
        unit = prog_->unit_name;
        PlCandidate c;
        c.is_function = prog_->is_function;
        c.return_type = prog_->return_type_name;
        for (const PlParam& prm : prog_->params)
            c.params.push_back(PlUnitArgument{prm.name, prm.mode, prm.default_value != nullptr, prm.type_name});
        candidates.push_back(c);
    }
    if (candidates.empty() && ctx_.db) {
        std::string pkg_owner = parts.size() == 3 ? parts[0] : ctx_.schema;
        std::string pkg = parts.size() == 3 ? parts[1] : parts[0];
        if (parts.size() >= 2 && (plsql_object_load(ctx_.db, pkg_owner, pkg, "PACKAGE", &status, &source) ||
                                  plsql_object_load(ctx_.db, pkg_owner, pkg, "TYPE", &status, &source))) {
            // Another schema's package without EXECUTE on it is not there for this unit.
            if (ctx_.catalog && ctx_.catalog->object_access(pkg_owner, pkg, "EXECUTE") != 0) return false;
            owner = pkg_owner;
            unit = pkg;
            member = parts.back();
            prog_->references.insert(owner + "." + unit);
            if (status != "VALID" && !plsql_unit_revalidate(ctx_.db, ctx_.nls_date_format, owner, unit)) {
                semantic_error(first.offset, pls_message(905, owner + "." + unit), so);
                return true;
            }
            candidates = plsql_package_members(ctx_.db, owner, unit, member);
            if (candidates.empty()) {
                semantic_error(t_[i_ - 1].offset, pls_message(302, member), so);
                return true;
            }
        } else if (parts.size() <= 2) {
            owner = parts.size() == 2 ? parts[0] : ctx_.schema;
            unit = parts.back();
            member.clear();
            if (!plsql_unit_load(ctx_.db, owner, unit, &type, &status, &source)) return false;
            if (ctx_.catalog && ctx_.catalog->object_access(owner, unit, "EXECUTE") != 0) return false;
            prog_->references.insert(owner + "." + unit);
            if (status != "VALID" && !plsql_unit_revalidate(ctx_.db, ctx_.nls_date_format, owner, unit)) {
                semantic_error(first.offset, pls_message(905, owner + "." + unit), so);
                return true;
            }
            PlCandidate c;
            c.is_function = type != "PROCEDURE";
            if (c.is_function) c.return_type = stored_result_type(ctx_.db, owner, unit);
            for (const PlUnitArgument& a : plsql_unit_arguments(ctx_.db, owner, unit)) c.params.push_back(a);
            candidates.push_back(c);
        }
    }
    if (candidates.empty()) return false;
    const std::string& called = member.empty() ? unit : member;
    // A statement calls procedures; a whole record or collection takes the result of a
    // function of its own type.
    // A result used directly takes any function returning a record or collection.
    const bool any_result = result == kCallResultVariable;
    std::vector<PlCandidate> procedures;
    bool functions = false;
    for (const PlCandidate& c : candidates) {
        functions = functions || c.is_function;
        bool takes = any_result     ? c.is_function && result_variable(c.return_type, false) >= 0
                     : result < 0 ? !c.is_function
                                  : c.is_function && result_fits(c.return_type, result);
        if (takes) procedures.push_back(c);
    }
    if (procedures.empty() && any_result) return false;
    if (procedures.empty() && result >= 0) {
        if (!functions) return false;
        semantic_error(first.offset, pls_message(382), so);
        return true;
    }
    if (procedures.empty()) {
        semantic_error(first.offset, pls_message(221, called), so);
        return true;
    }
    std::vector<std::string> names = st->arg_names;
    std::size_t positional = 0;
    while (positional < names.size() && names[positional].empty()) ++positional;
    // Which parameter each argument goes to, per candidate; empty when it does not fit.
    auto fit = [&](const PlCandidate& c, std::vector<std::size_t>* param_arg) {
        param_arg->assign(c.params.size(), args.size());
        if (positional > c.params.size()) return false;
        std::vector<bool> used(args.size(), false);
        for (std::size_t k = 0; k < c.params.size(); ++k) {
            if (k < positional) (*param_arg)[k] = k;
            for (std::size_t j = positional; j < names.size(); ++j)
                if (names[j] == c.params[k].name) (*param_arg)[k] = j;
            if ((*param_arg)[k] == args.size()) {
                if (!c.params[k].defaulted) return false;
            } else {
                used[(*param_arg)[k]] = true;
                // BOOLEAN goes to BOOLEAN parameters only, and they take nothing else.
                const std::pair<std::size_t, std::size_t>& range = args[(*param_arg)[k]];
                int given = boolean_argument(range.first, range.second);
                bool wanted = argument_family(c.params[k].data_type) == "BOOLEAN";
                if (given >= 0 && (given == 1) != wanted) return false;
            }
        }
        for (bool u : used)
            if (!u) return false;
        return true;
    };
    std::size_t save = i_;
    std::vector<PlSql*> values(args.size(), nullptr);
    auto value_of = [&](std::size_t k) {
        if (!values[k]) {
            i_ = args[k].first;
            values[k] = expression({",", ")"}, so);
        }
        return values[k];
    };
    std::vector<const PlCandidate*> fitting;
    std::vector<std::vector<std::size_t>> maps;
    for (const PlCandidate& c : procedures) {
        std::vector<std::size_t> m;
        if (!fit(c, &m)) continue;
        fitting.push_back(&c);
        maps.push_back(m);
    }
    std::string wrong = pls_message(306, called);
    if (fitting.empty()) {
        i_ = save;
        semantic_error(first.offset, wrong, so);
        return true;
    }
    std::size_t chosen = 0;
    if (fitting.size() > 1) {
        std::vector<std::size_t> exact;
        for (std::size_t f = 0; f < fitting.size(); ++f) {
            bool same = true;
            for (std::size_t k = 0; k < fitting[f]->params.size(); ++k) {
                std::size_t arg = maps[f][k];
                if (arg == args.size() || fitting[f]->params[k].mode == "OUT") continue;
                if (whole_argument(args[arg].first, args[arg].second) >= 0) {
                    same = same &&
                           fitting[f]->params[k].data_type ==
                               prog_->vars[static_cast<std::size_t>(whole_argument(args[arg].first, args[arg].second))]
                                   .type_name;
                    continue;
                }
                std::string fam = value_family(args[arg].first, value_of(arg));
                same = same && (fam.empty() || fam == argument_family(fitting[f]->params[k].data_type));
            }
            if (same) exact.push_back(f);
        }
        if (exact.size() != 1) {
            i_ = save;
            semantic_error(first.offset, pls_message(307, called), so);
            return true;
        }
        chosen = exact[0];
    }
    const PlCandidate& c = *fitting[chosen];
    if (any_result) result = result_variable(c.return_type, true);
    st->kind = PlStmtKind::Call;
    st->slot = result;
    st->unit_owner = owner;
    st->unit_name = unit;
    st->subprogram_id = member.empty() ? 0 : c.subprogram_id;
    st->name = owner + "." + (member.empty() ? unit : unit + "." + member);
    if (local) {
        st->local = c.subprogram_id;
        st->subprogram_id = 0;
        st->unit_owner.clear();
        st->unit_name.clear();
        st->name = unit;
    }
    st->arg_names.clear();
    for (std::size_t k = 0; k < c.params.size(); ++k) {
        const PlUnitArgument& prm = c.params[k];
        std::size_t arg = maps[chosen][k];
        st->arg_names.push_back(prm.name);
        st->arg_modes.push_back(prm.mode);
        PlTarget tg;
        PlSql* value = nullptr;
        // A record or collection parameter (its type named "NAME#n" or "PACKAGE.NAME") takes
        // a whole variable of the same type, passed as the variable itself.
        bool whole_param = prm.data_type.find_first_of(".#") != std::string::npos &&
                           !plsql_object_type_name(ctx_.db, prm.data_type);
        int whole = arg == args.size() ? -1 : whole_argument(args[arg].first, args[arg].second);
        if (arg != args.size() && (whole >= 0 || whole_param)) {
            if (whole < 0 || !whole_param || prog_->vars[static_cast<std::size_t>(whole)].type_name != prm.data_type) {
                semantic_error(first.offset, wrong, so);
                tg.slot = -1;
            } else {
                tg = pl_var_target(whole);
                if (prm.mode != "IN" && prog_->vars[static_cast<std::size_t>(whole)].constant)
                    semantic_error(t_[args[arg].first].offset, pls_message(363, " '" + t_[args[arg].first].text + "'"),
                                   so);
            }
        } else if (arg == args.size()) {
            tg.slot = -1;
        } else {
            if (prm.mode != "OUT") value = value_of(arg);
            if (prm.mode != "IN") {
                i_ = args[arg].first;
                TokenKind kind = peek().kind;
                if (kind != TokenKind::Word && kind != TokenKind::QuotedWord && kind != TokenKind::Bind) {
                    semantic_error(peek().offset, pls_message(363, " '" + peek().text + "'"), so);
                    tg.slot = -1;
                } else {
                    tg = target(so);
                }
                if (tg.slot >= 0 && i_ != args[arg].second)
                    semantic_error(t_[args[arg].first].offset, pls_message(363), so);
            }
        }
        st->exprs.push_back(value);
        st->targets.push_back(tg);
    }
    i_ = save;
    return true;
}

// A supplied package's procedure (plsql_supplied.h): the arguments put in the order of
// its parameters; an OUT or IN OUT one is a variable, read (its expression) and written
// back (its target). False when name is none of them.
bool Parser::supplied_call(PlStmt* st, const Token& first, const std::string& member,
                           const std::vector<std::pair<std::size_t, std::size_t>>& args, std::uint32_t so) {
    const PlSuppliedProc* sp = plsql_supplied_procedure(st->name);
    if (!sp) return false;
    std::vector<std::string> params = plsql_supplied_params(*sp);
    std::vector<int> arg_of(params.size(), -1);
    bool wrong = args.size() > params.size();
    for (std::size_t k = 0; k < args.size() && !wrong; ++k) {
        std::size_t p = k;
        if (!st->arg_names[k].empty())
            p = static_cast<std::size_t>(std::find(params.begin(), params.end(), st->arg_names[k]) - params.begin());
        wrong = p >= params.size() || arg_of[p] >= 0;
        if (!wrong) arg_of[p] = static_cast<int>(k);
    }
    for (int p = 0; p < sp->min_args && !wrong; ++p) wrong = arg_of[static_cast<std::size_t>(p)] < 0;
    if (wrong) {
        semantic_error(first.offset, pls_message(306, member), so);
        return true;
    }
    std::size_t count = 0;
    for (std::size_t p = 0; p < params.size(); ++p)
        if (arg_of[p] >= 0) count = p + 1;
    std::size_t save = i_;
    st->arg_names.assign(count, std::string());
    for (std::size_t p = 0; p < count; ++p) {
        if (arg_of[p] < 0) {
            // A parameter left to its default between named ones: no variable stands for it.
            PlTarget gap;
            gap.slot = -1;
            st->targets.push_back(gap);
            st->exprs.push_back(nullptr);
            continue;
        }
        const auto& range = args[static_cast<std::size_t>(arg_of[p])];
        PlTarget tg;
        if (plsql_mask_bit(sp->out_mask, static_cast<std::size_t>(p))) {
            i_ = range.first;
            TokenKind kind = peek().kind;
            if (kind != TokenKind::Word && kind != TokenKind::QuotedWord && kind != TokenKind::Bind) {
                semantic_error(peek().offset, pls_message(363, " '" + peek().text + "'"), so);
            } else {
                tg = target(so);
                if (i_ != range.second) semantic_error(t_[range.first].offset, pls_message(363), so);
            }
        }
        i_ = range.first;
        st->targets.push_back(tg);
        st->exprs.push_back(expression({",", ")"}, so));
    }
    i_ = save;
    return true;
}

void Parser::call(PlStmt* st, std::uint32_t so) {
    st->kind = PlStmtKind::Call;
    const Token& first = peek();
    const std::size_t object_start = i_;
    std::size_t object_end = i_ + 1;  // the object a member procedure is called on: [start, end)
    std::vector<std::string> parts{identifier()};
    const PlVarInfo* elements = collection_of(lookup(parts[0]));
    if (elements && elements->type.code == kTypeObject && !elements->record_elements() && is_op("(")) {
        // collection(i).method(args): a member procedure of an element of objects.
        std::size_t k = i_;
        for (int depth = 0; k < t_.size() && t_[k].kind != TokenKind::End; ++k) {
            if (is_op("(", k - i_)) ++depth;
            if (is_op(")", k - i_) && --depth == 0) break;
        }
        if (is_op(".", k + 1 - i_) && peek(k + 2 - i_).kind == TokenKind::Word) {
            object_end = k + 1;
            i_ = k + 2;
            parts.push_back(identifier());
        }
    }
    while (is_op(".") && parts.size() < 3) {
        ++i_;
        parts.push_back(identifier());
    }
    const std::string& name = parts[0];
    std::string member = parts.size() > 1 ? parts.back() : std::string();
    st->name = name;
    for (std::size_t k = 1; k < parts.size(); ++k) st->name += "." + parts[k];
    std::vector<std::pair<std::size_t, std::size_t>> args;
    // An empty list of arguments is as none: p();
    if (is_op("(") && is_op(")", 1)) i_ += 2;
    if (is_op("(")) {
        ++i_;
        for (;;) {
            std::string arg_name;
            if (peek().kind == TokenKind::Word && is_op("=", 1) && is_op(">", 2)) {
                arg_name = identifier();
                i_ += 2;
            }
            std::size_t a = i_;
            std::size_t b = expression_end({",", ")"});
            args.emplace_back(a, b);
            st->arg_names.push_back(arg_name);
            i_ = b;
            if (!is_op(",")) break;
            ++i_;
        }
        expect_op(")");
    }
    std::size_t after = i_;
    expect_op(";");
    PlVarInfo package_object;
    bool own_package = false;
    const bool package_method = parts.size() == 3 && !lookup(name) &&
                                package_variable(name, parts[1], &package_object, &own_package) >= 0 &&
                                package_object.collection == PlCollection::None &&
                                package_object.type.code == kTypeObject;
    if (package_method) {
        object_end = object_start + 3;  // package . variable
        member = parts[2];
    }
    if (package_method || (parts.size() == 2 && (object_variable(name) || object_end > object_start + 1))) {
        // A member procedure of an object variable (or of a package's one): the type's
        // method, the object its SELF.
        const PlVarInfo& v =
            package_method ? package_object : prog_->vars[static_cast<std::size_t>(lookup(name)->index)];
        const std::string& type_name = object_end > object_start + 1 && !package_method ? v.element_type : v.type_name;
        const std::size_t dot = type_name.find('.');
        TypeDetails details;
        bool declared = false;
        if (type_methods(type_name, &details))
            for (const TypeMethodDecl& m : details.declared)
                declared = declared || (m.name == member && m.kind == TypeMethodDecl::Kind::Member);
        if (!declared) {
            semantic_error(t_[std::min(object_end + 1, t_.size() - 1)].offset, pls_message(302, member), so);
            i_ = after + 1;
            return;
        }
        args.insert(args.begin(), {object_start, object_end});
        st->arg_names.insert(st->arg_names.begin(), std::string());
        const std::vector<std::string> method{type_name.substr(0, dot), type_name.substr(dot + 1), member};
        object_arg_ = {object_start, object_end};
        const bool called = stored_call(st, first, method, args, so);
        object_arg_ = {static_cast<std::size_t>(-1), 0};
        if (!called) semantic_error(first.offset, pls_message(302, member), so);
        i_ = after + 1;
        return;
    }
    struct Builtin {
        const char* name;
        int min_args, max_args;
        int out_mask;      // bit n: argument n is OUT
        int boolean_mask;  // bit n: parameter n is BOOLEAN (the others take no BOOLEAN)
    };
    static const Builtin kBuiltins[] = {
        {"DBMS_OUTPUT.PUT_LINE", 1, 1, 0, 0},  {"DBMS_OUTPUT.PUT", 1, 1, 0, 0},
        {"DBMS_OUTPUT.NEW_LINE", 0, 0, 0, 0},  {"DBMS_OUTPUT.ENABLE", 0, 1, 0, 0},
        {"DBMS_OUTPUT.DISABLE", 0, 0, 0, 0},   {"DBMS_OUTPUT.GET_LINE", 2, 2, 3, 0},
        {"DBMS_OUTPUT.GET_LINES", 2, 2, 3, 0}, {"RAISE_APPLICATION_ERROR", 2, 3, 0, 4},
        // The collection argument of both is named as a variable, as OUT arguments are.
        {"DBMS_UTILITY.COMMA_TO_TABLE", 3, 3, 6, 0}, {"DBMS_UTILITY.TABLE_TO_COMMA", 3, 3, 7, 0},
    };
    const Builtin* found = nullptr;
    for (const Builtin& b : kBuiltins)
        if (st->name == b.name) found = &b;
    if (!found && name != "DBMS_OUTPUT" && stored_call(st, first, parts, args, so)) {
        i_ = after + 1;
        return;
    }
    if (!found && supplied_call(st, first, member, args, so)) {
        i_ = after + 1;
        return;
    }
    if (!found) {
        if (name == "DBMS_OUTPUT" || (parts.size() == 2 && plsql_supplied_package(name)))
            semantic_error(t_[i_ - 1].offset, pls_message(302, member), so);
        else
            semantic_error(first.offset, pls_message(201, st->name), so);
        return;
    }
    int n = static_cast<int>(args.size());
    bool wrong_type = false;
    for (int k = 0; k < n && !wrong_type; ++k) {
        const std::pair<std::size_t, std::size_t>& range = args[static_cast<std::size_t>(k)];
        int given = boolean_argument(range.first, range.second);
        wrong_type = given >= 0 && (given == 1) != plsql_mask_bit(found->boolean_mask, static_cast<std::size_t>(k));
    }
    if (n < found->min_args || n > found->max_args || wrong_type) {
        semantic_error(first.offset, pls_message(306, (member.empty() ? name : member)), so);
        return;
    }
    for (int k = 0; k < n; ++k) {
        std::size_t save = i_;
        i_ = args[static_cast<std::size_t>(k)].first;
        if (plsql_mask_bit(found->out_mask, static_cast<std::size_t>(k))) {
            st->targets.push_back(target(so));
            st->exprs.push_back(nullptr);
            if (i_ != args[static_cast<std::size_t>(k)].second)
                semantic_error(t_[args[static_cast<std::size_t>(k)].first].offset, pls_message(363), so);
        } else {
            st->targets.push_back(PlTarget{});
            st->exprs.push_back(expression({",", ")"}, so));
        }
        i_ = save;
    }
    const bool comma_lists = st->name == "DBMS_UTILITY.COMMA_TO_TABLE" || st->name == "DBMS_UTILITY.TABLE_TO_COMMA";
    if (comma_lists) {
        // The name table is COMMA_TO_TABLE's third argument and TABLE_TO_COMMA's first.
        const std::size_t table = st->name == "DBMS_UTILITY.COMMA_TO_TABLE" ? 2 : 0;
        for (std::size_t k = 0; k < st->targets.size(); ++k) {
            if (!plsql_mask_bit(found->out_mask, static_cast<std::size_t>(k))) continue;
            const PlTarget& tg = st->targets[k];
            const bool named = !tg.host && tg.slot >= 0 && tg.package.empty();
            const bool collection = named && prog_->vars[static_cast<std::size_t>(tg.slot)].collection ==
                                                 PlCollection::IndexBy && prog_->vars[static_cast<std::size_t>(tg.slot)].type.code == kTypeVarchar2;
            if ((k == table) != collection || (k == table && !named)) {
                semantic_error(first.offset, pls_message(306, member), so);
                break;
            }
        }
    }
    if (st->name == "DBMS_OUTPUT.GET_LINES" || st->name == "DBMS_OUTPUT.GET_LINE") {
        bool lines = st->name == "DBMS_OUTPUT.GET_LINES";
        for (std::size_t k = 0; k < st->targets.size(); ++k) {
            const PlTarget& tg = st->targets[k];
            bool collection = !tg.host && tg.slot >= 0 && tg.package.empty() &&
                              prog_->vars[static_cast<std::size_t>(tg.slot)].collection != PlCollection::None;
            if (collection != (lines && k == 0)) {
                semantic_error(first.offset, pls_message(306, member), so);
                break;
            }
        }
    }
    i_ = after + 1;
}

void compile_package_header(const std::string& text, const PlCompileContext& ctx, PlProgram* program,
                            std::map<std::string, Symbol>* symbols) {
    program->text = text;
    std::vector<Token> tokens;
    if (!tokens_of(text, &tokens, program)) return;
    Parser p(text, tokens, ctx, program);
    try {
        p.package(false);
    } catch (const SyntaxStop&) {
    }
    *symbols = p.globals();
}

}  // namespace plsql_parsing

using namespace plsql_parsing;

bool plsql_compile_package(const std::string& header, const std::string& body, const PlCompileContext& ctx,
                           PlProgram* program) {
    std::map<std::string, Symbol> symbols;
    compile_package_header(header, ctx, program, &symbols);
    if (body.empty() || !program->errors.empty()) return program->errors.empty();
    program->text = body;
    std::vector<Token> tokens;
    if (!tokens_of(body, &tokens, program)) return false;
    Parser p(body, tokens, ctx, program, &symbols);
    try {
        p.package(true);
    } catch (const SyntaxStop&) {
        return false;
    }
    plsql_check_gotos(program);
    return program->errors.empty();
}

bool plsql_compile_with(const std::string& text, std::vector<Token> tokens, const PlCompileContext& ctx,
                        const std::string& unit, PlProgram* program) {
    program->text = text;
    split_range_dots(&tokens);
    Parser p(text, tokens, ctx, program);
    try {
        p.with_declarations(unit);
    } catch (const SyntaxStop&) {
        return false;
    }
    return program->errors.empty();
}

bool plsql_compile_unit(const std::string& text, const PlCompileContext& ctx, PlProgram* program) {
    program->text = text;
    program->is_unit = true;
    program->unit_owner = ctx.schema;
    std::vector<Token> tokens;
    OraError err;
    if (!sql_tokenize(text, &tokens, &err)) {
        PlCompileError e;
        plsql_position(text, err.offset, &e.line, &e.column);
        e.text = pls_message(103, text.substr(err.offset, 1), "begin declare");
        program->errors.push_back(e);
        return false;
    }
    split_range_dots(&tokens);
    Parser p(text, tokens, ctx, program);
    try {
        p.unit();
    } catch (const SyntaxStop&) {
        return false;
    }
    plsql_check_gotos(program);
    return program->errors.empty();
}
