// The PL/SQL declarations of a query's WITH clause (WITH FUNCTION ..., PROCEDURE ...):
// compiled with the statement into a package body of its own, which the session keeps
// beside the stored units, under a name no stored object can take, until the statement
// runs again or is freed. Its functions are called from the query like a package's.
#include "plsql/plsql.h"

#include "catalog/catalog.h"
#include "catalog/dictionary_ddl.h"
#include "sql/sql_ast.h"
#include "values/errors.h"

bool plsql_with_declarations(void* data, std::uint32_t begin, std::uint32_t end, std::string* unit,
                             std::map<std::string, OraType>* functions, OraError* err) {
    // A view's declarations are only checked here, in the text of its CREATE VIEW: they
    // are compiled from the view's text when its query calls them.
    const bool view = plsql_view_unit(*unit);
    const ViewDeclarationSource* source = view ? static_cast<const ViewDeclarationSource*>(data) : nullptr;
    StmtHandle* s = static_cast<StmtHandle*>(view ? source->statement_data : data);
    const std::string& source_text = view ? *source->text : s->text;
    SessionHandle* ses = s->session;
    PlSessionState* state = plsql_session(ses);
    std::string owner = view                                   ? *source->owner
                        : ses->settings.current_schema.empty() ? ses->user
                                                               : ses->settings.current_schema;
    if (!view) *unit = "VANTRO$WITH" + std::to_string(++state->with_serial);
    std::vector<Token> tokens;
    for (const Token& t : view ? *source->tokens : s->tokens)
        if (t.kind != TokenKind::End && t.offset >= begin && t.end <= end) tokens.push_back(t);
    Token last;
    last.offset = last.end = end;
    tokens.push_back(last);
    auto compiled = std::make_shared<PlCachedUnit>();
    compiled->type = "PACKAGE";
    compiled->nls_date_format = ses->settings.nls_date_format;
    SqliteCatalog catalog(ses->server->db);
    PlCompileContext cc;
    cc.schema = owner;
    cc.nls_date_format = ses->settings.nls_date_format;
    cc.catalog = &catalog;
    cc.db = ses->server->db;
    if (!plsql_compile_with(source_text, std::move(tokens), cc, *unit, &compiled->program)) {
        std::string text;
        for (std::size_t k = 0; k < compiled->program.errors.size(); ++k) {
            const PlCompileError& e = compiled->program.errors[k];
            std::string line = std::to_string(e.line), column = std::to_string(e.column);
            text += k == 0 ? ora_message(6550, line, column, e.text) : "\n" + ora_line(6550, line, column, e.text);
        }
        err->code = 6550;
        err->message = text;
        err->offset = 0;
        return false;
    }
    for (const PlSubprogram& sub : compiled->program.subprograms) {
        if (!sub.is_function) continue;
        OraType type = sub.return_type;
        if (type.code == kTypeVarchar2 && type.size == 0) type.size = 4000;
        (*functions)[sub.name] = type;
    }
    if (view) return true;
    state->with_units[owner + "." + *unit] = {s, compiled};
    s->with_plsql = true;
    return true;
}

void plsql_with_release(SessionHandle* ses, const StmtHandle* s) {
    plsql_with_release_holder(ses, s);
}

void plsql_with_move(SessionHandle* ses, const void* from, const void* to) {
    if (!ses) return;
    for (auto& unit : plsql_session(ses)->with_units)
        if (unit.second.first == from) unit.second.first = to;
}

void plsql_with_release_holder(SessionHandle* ses, const void* s) {
    if (!ses) return;
    PlSessionState* state = plsql_session(ses);
    for (auto it = state->with_units.begin(); it != state->with_units.end();) {
        if (it->second.first != s) {
            ++it;
            continue;
        }
        state->packages.erase(it->first);
        it = state->with_units.erase(it);
    }
}

bool plsql_view_unit(const std::string& unit) {
    return unit.rfind(kViewUnitPrefix, 0) == 0;
}

bool plsql_view_unit_load(const PlCompileContext& ctx, const std::string& owner, const std::string& unit,
                          PlProgram* program, PlError* err) {
    std::string qualified = owner + "." + unit;
    auto missing = [&] {
        err->code = 6508;
        err->message = ora_message(6508, ": \"" + qualified + "\"");
        return false;
    };
    std::string text;
    std::vector<Token> tokens;
    OraError parse_err;
    Statement parsed;
    const std::string view = unit.substr(std::char_traits<char>::length(kViewUnitPrefix));
    if (!ctx.catalog || !ctx.catalog->view_text(owner, view, &text) || !sql_tokenize(text, &tokens, &parse_err) ||
        !sql_parse(tokens, &parsed, &parse_err) || !parsed.select)
        return missing();
    const SelectStmt& q = *parsed.select;
    if (q.plsql_begin == q.plsql_end) return missing();
    std::vector<Token> declared;
    for (const Token& t : tokens)
        if (t.kind != TokenKind::End && t.offset >= q.plsql_begin && t.end <= q.plsql_end) declared.push_back(t);
    Token last;
    last.offset = last.end = q.plsql_end;
    declared.push_back(last);
    if (!plsql_compile_with(text, std::move(declared), ctx, unit, program)) {
        err->code = 6575;
        err->message = ora_message(6575, qualified);
        return false;
    }
    return true;
}
