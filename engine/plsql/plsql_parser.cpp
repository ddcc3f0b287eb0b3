// The PL/SQL parser: turns a block's tokens into the compiled form of plsql.h. Names
// are resolved here (variables, records, cursors, exceptions) and every expression or
// embedded SQL statement is rewritten with its references as binds and translated by
// the SQL translator, so that a bad name is a compile error before anything runs. It
// evaluates nothing and runs no SQL. Stored units' parts are in plsql_parser_units.cpp.
#include "plsql/plsql_parser.h"

#include "catalog/catalog_cache.h"
#include "catalog/dictionary.h"
#include "values/errors.h"
#include "values/sql_interval.h"
#include "sql/sql_translate.h"

#include <atomic>
#include <cctype>
#include <cstring>
#include <optional>

// The columns of owner.table for %TYPE and %ROWTYPE, which resolve when the unit compiles
// with its owner's rights: also when an invoker's-rights unit is compiled for a caller.
bool plsql_anchor_columns(const PlCompileContext& ctx, const std::string& owner, const std::string& table,
                          std::vector<ColumnInfo>* cols) {
    if (!ctx.catalog) return false;
    std::optional<CatalogDefiner> owner_rights;
    if (!ctx.sql_schema.empty() && ctx.db) owner_rights.emplace(ctx.db, ctx.schema);
    if (ctx.catalog->table_columns(owner, table, cols)) return true;
    // DUAL and the dictionary's views, which every schema reaches by their names.
    if (owner != ctx.schema && owner != "SYS" && owner != "PUBLIC") return false;
    if (table == "DUAL") {
        ColumnInfo dummy;
        dummy.name = "DUMMY";
        dummy.type.code = kTypeVarchar2;
        dummy.type.size = 1;
        cols->assign(1, dummy);
        return true;
    }
    return dictionary_view_columns(table, cols);
}

namespace plsql_parsing {

namespace {

// The pragmas of declarations that only inform the compiler, the optimizer or the
// server's memory management, and so change nothing here.
const char* const kInformativePragmas[] = {"RESTRICT_REFERENCES", "SERIALLY_REUSABLE", "UDF", "INLINE", "DEPRECATE"};

bool plsql_accepted_pragma(const std::string& name) {
    for (const char* p : kInformativePragmas)
        if (name == p) return true;
    return false;
}

// The value of a number token's leading digits, capped at cap: a length or an error code
// too large to mean anything is refused by the range check of its caller, never by an
// exception out of the parser. Text without digits counts as 0.
int bounded_integer(const std::string& text, int cap) {
    long long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        v = v * 10 + (c - '0');
        if (v > cap) return cap;
    }
    return static_cast<int>(v);
}

struct Predefined {
    const char* name;
    int code;
};

const Predefined kPredefined[] = {
    {"NO_DATA_FOUND", 1403},       {"TOO_MANY_ROWS", 1422},          {"ZERO_DIVIDE", 1476},
    {"VALUE_ERROR", 6502},         {"INVALID_NUMBER", 1722},         {"DUP_VAL_ON_INDEX", 1},
    {"CURSOR_ALREADY_OPEN", 6511}, {"INVALID_CURSOR", 1001},         {"CASE_NOT_FOUND", 6592},
    {"LOGIN_DENIED", 1017},        {"NOT_LOGGED_ON", 1012},          {"PROGRAM_ERROR", 6501},
    {"STORAGE_ERROR", 6500},       {"TIMEOUT_ON_RESOURCE", 51},      {"ROWTYPE_MISMATCH", 6504},
    {"COLLECTION_IS_NULL", 6531},  {"SUBSCRIPT_BEYOND_COUNT", 6533}, {"SUBSCRIPT_OUTSIDE_LIMIT", 6532},
    {"ACCESS_INTO_NULL", 6530},    {"NO_DATA_NEEDED", 6548},         {"SYS_INVALID_ROWID", 1410},
    {"SELF_IS_NULL", 30625},
};

// The base type name a %TYPE declaration stands for, as a parameter's declared type is
// compared between a package header and its body and stored in the argument rows.
std::string anchored_type_name(const OraType& t, bool boolean) {
    struct Name {
        std::uint16_t code;
        const char* name;
    };
    static const Name kNames[] = {
        {kTypeVarchar2, "VARCHAR2"},
        {kTypeChar, "CHAR"},
        {kTypeNumber, "NUMBER"},
        {kTypeDate, "DATE"},
        {kTypeRaw, "RAW"},
        {kTypeLong, "LONG"},
        {kTypeLongRaw, "LONG RAW"},
        {kTypeClob, "CLOB"},
        {kTypeBlob, "BLOB"},
        {kTypeBfile, "BFILE"},
        {kTypeTimestamp, "TIMESTAMP"},
        {kTypeBinaryFloat, "BINARY_FLOAT"},
        {kTypeBinaryDouble, "BINARY_DOUBLE"},
        {kTypeTimestampTz, "TIMESTAMP WITH TIME ZONE"},
        {kTypeTimestampLtz, "TIMESTAMP WITH LOCAL TIME ZONE"},
        {kTypeIntervalYm, "INTERVAL YEAR TO MONTH"},
        {kTypeIntervalDs, "INTERVAL DAY TO SECOND"},
    };
    if (boolean) return "BOOLEAN";
    for (const Name& n : kNames)
        if (n.code == t.code) return n.name;
    return "NUMBER";
}

}  // namespace

void Parser::program() {
    scopes_.emplace_back();
    if (ctx_.trigger_columns) trigger_variables();
    block(&prog_->main, false);
    if (!is_op(";")) expected("; ", peek());
    ++i_;
    if (peek().kind != TokenKind::End) expected("end-of-file", peek());
}

const Token& Parser::peek(std::size_t ahead) const {
    std::size_t k = i_ + ahead;
    return k < t_.size() ? t_[k] : t_.back();
}

bool Parser::is_word(const char* w, std::size_t ahead) const {
    const Token& t = peek(ahead);
    return t.kind == TokenKind::Word && t.text == w;
}

bool Parser::is_op(const char* op, std::size_t ahead) const {
    const Token& t = peek(ahead);
    return t.kind == TokenKind::Operator && t.text == op;
}

void Parser::expected(const std::string& what, const Token& at) {
    PlCompileError e;
    position(at.offset, &e.line, &e.column);
    std::string sym = at.kind == TokenKind::End ? "end-of-file" : at.text;
    e.text = pls_message(103, sym, what);
    // A unit that does not parse is not checked further: the errors of the statements
    // before the syntax error are not its errors.
    for (auto it = statement_errors_.rbegin(); it != statement_errors_.rend(); ++it)
        if (*it < prog_->errors.size()) prog_->errors.erase(prog_->errors.begin() + static_cast<std::ptrdiff_t>(*it));
    statement_errors_.clear();
    prog_->errors.push_back(e);
    throw SyntaxStop();
}

void Parser::expect_op(const char* op) {
    if (!is_op(op)) expected(op, peek());
    ++i_;
}

void Parser::expect_word(const char* w) {
    if (!is_word(w)) expected(w, peek());
    ++i_;
}

std::string Parser::identifier() {
    const Token& t = peek();
    if (t.kind != TokenKind::Word && t.kind != TokenKind::QuotedWord) expected("an identifier", t);
    ++i_;
    return t.text;
}

void Parser::declaration_error(std::uint32_t offset, const std::string& text) {
    PlCompileError e;
    position(offset, &e.line, &e.column);
    e.text = text;
    prog_->errors.push_back(e);
}

void Parser::semantic_error(std::uint32_t offset, const std::string& text, std::uint32_t stmt_offset,
                            const char* ignored) {
    PlCompileError e;
    position(offset, &e.line, &e.column);
    e.text = text;
    // A declaration's error stays: the parse after an unknown type is not the user's.
    bool statement = std::strcmp(ignored, "PL/SQL: Item ignored") != 0;
    if (statement) statement_errors_.push_back(prog_->errors.size());
    prog_->errors.push_back(e);
    PlCompileError s;
    position(stmt_offset, &s.line, &s.column);
    s.text = ignored;
    if (statement) statement_errors_.push_back(prog_->errors.size());
    prog_->errors.push_back(s);
}

const Symbol* Parser::lookup(const std::string& name) const {
    for (auto it = scopes_.rbegin(); it != scopes_.rend(); ++it) {
        auto f = it->find(name);
        if (f != it->end()) return &f->second;
    }
    return nullptr;
}

int Parser::add_var(const std::string& name, const OraType& type, bool boolean) {
    PlVarInfo v;
    v.name = name;
    v.type = type;
    v.boolean = boolean;
    if (type.code == kTypeObject) v.type_name = last_object_type_;
    prog_->vars.push_back(v);
    return static_cast<int>(prog_->vars.size()) - 1;
}

int Parser::add_record(const std::string& name, const std::vector<ColumnInfo>& columns,
                       const std::vector<std::shared_ptr<const PlVarInfo>>* collections) {
    int slot = add_var(name, OraType(), false);
    for (std::size_t k = 0; k < columns.size(); ++k) {
        const ColumnInfo& c = columns[k];
        int f = add_var(name + "." + c.name, c.type, false);
        if (collections && k < collections->size() && (*collections)[k]) {
            PlVarInfo& fv = prog_->vars[static_cast<std::size_t>(f)];
            fv = *(*collections)[k];
            fv.name = name + "." + c.name;
        }
        if (c.type.code == kTypeObject) prog_->vars[static_cast<std::size_t>(f)].type_name = c.object_type;
        prog_->vars[static_cast<std::size_t>(slot)].fields.push_back(f);
        prog_->vars[static_cast<std::size_t>(slot)].field_names.push_back(c.name);
    }
    return slot;
}

int Parser::add_ref(PlSql* q, const PlRef& r, const OraType& type) {
    q->refs.push_back(r);
    std::string name = "#" + std::to_string(q->refs.size() - 1);
    q->bind_types[name] = type;
    return static_cast<int>(q->refs.size()) - 1;
}

int Parser::record_field(const PlVarInfo& rec, const std::string& field) {
    for (std::size_t k = 0; k < rec.field_names.size(); ++k)
        if (rec.field_names[k] == field) return rec.fields[k];
    return -1;
}

PlSql* Parser::new_sql(std::size_t at) {
    prog_->sql.push_back(std::make_unique<PlSql>());
    PlSql* q = prog_->sql.back().get();
    position(t_[at].offset, &q->line, &q->column);
    return q;
}

std::size_t Parser::expression_end(const std::set<std::string>& stops) {
    std::size_t k = i_;
    int depth = 0;
    int cases = 0;
    for (; k < t_.size() && t_[k].kind != TokenKind::End; ++k) {
        const Token& tk = t_[k];
        if (tk.kind == TokenKind::Operator) {
            if (tk.text == "(")
                ++depth;
            else if (tk.text == ")" && depth > 0) {
                --depth;
                continue;
            }
            if (depth == 0 && cases == 0) {
                if (stops.count(tk.text)) break;
                if (tk.text == "." && k + 1 < t_.size() && t_[k + 1].text == "." && stops.count("..")) break;
            }
        } else if (tk.kind == TokenKind::Word && depth == 0) {
            if (tk.text == "CASE")
                ++cases;
            else if (tk.text == "END" && cases > 0) {
                --cases;
                continue;
            }
            if (cases == 0 && stops.count(tk.text)) break;
        }
    }
    if (k == i_) expected("an expression", peek());
    return k;
}

PlSql* Parser::expression(const std::set<std::string>& stops, std::uint32_t stmt_offset, bool condition) {
    std::size_t a = i_;
    std::size_t b = a == object_arg_.first ? object_arg_.second : expression_end(stops);
    PlSql* q = new_sql(a);
    compile_expression(a, b, q, stmt_offset, condition);
    i_ = b;
    return q;
}

bool Parser::type_spec(OraType* type, bool* boolean, std::uint32_t decl_offset) {
    *boolean = false;
    std::size_t start = i_;
    if (peek().kind == TokenKind::Word &&
        (is_op("%", 1) || (is_op(".", 1) && is_op("%", 3)) || (is_op(".", 1) && is_op(".", 3) && is_op("%", 5)))) {
        std::vector<std::string> parts{identifier()};
        while (is_op(".")) {
            ++i_;
            parts.push_back(identifier());
        }
        expect_op("%");
        std::string attr = identifier();
        if (attr == "TYPE") {
            last_type_name_ = "NUMBER";
            if (parts.size() == 1) {
                const Symbol* s = lookup(parts[0]);
                if (s && s->kind == SymKind::Var) {
                    const PlVarInfo& v = prog_->vars[static_cast<std::size_t>(s->index)];
                    *type = v.type;
                    *boolean = v.boolean;
                    last_type_name_ = anchored_type_name(*type, *boolean);
                    if (v.type.code == kTypeObject && v.collection == PlCollection::None) {
                        last_object_type_ = v.type_name;
                        last_type_name_ = v.type_name;
                    }
                    return true;
                }
            } else {
                std::string owner = parts.size() == 3 ? parts[0] : ctx_.schema;
                const std::string& table = parts[parts.size() - 2];
                std::vector<ColumnInfo> cols;
                const Symbol* s = parts.size() == 2 ? lookup(parts[0]) : nullptr;
                if (s && s->kind == SymKind::Var) {
                    int f = record_field(prog_->vars[static_cast<std::size_t>(s->index)], parts[1]);
                    if (f >= 0) {
                        *type = prog_->vars[static_cast<std::size_t>(f)].type;
                        *boolean = prog_->vars[static_cast<std::size_t>(f)].boolean;
                        last_type_name_ = anchored_type_name(*type, *boolean);
                        return true;
                    }
                }
                if (plsql_anchor_columns(ctx_, owner, table, &cols))
                    for (const ColumnInfo& c : cols)
                        if (c.name == parts.back()) {
                            *type = c.type;
                            type->nullable = true;
                            last_type_name_ = anchored_type_name(*type, false);
                            return true;
                        }
            }
            std::string shown = parts[0];
            for (std::size_t k = 1; k < parts.size(); ++k) shown += "." + parts[k];
            semantic_error(t_[start].offset, pls_message(201, shown), decl_offset, "PL/SQL: Item ignored");
            *type = number_type();
            return true;
        }
        if (attr != "ROWTYPE") expected("TYPE ROWTYPE", t_[i_ - 1]);
        return false;
    }
    std::string name = identifier();
    last_type_name_ = name;
    *type = OraType();
    if (ref_cursor_type(name)) {
        type->code = kPlTypeRefCursor;
        last_type_name_ = "REF CURSOR";
        return true;
    }
    auto length = [&](std::uint32_t deflt, bool required) {
        if (!is_op("(")) {
            if (required && !unconstrained_) {
                PlCompileError e;
                position(t_[i_ - 1].offset, &e.line, &e.column);
                e.text = pls_message(215);
                prog_->errors.push_back(e);
            }
            return unconstrained_ ? 0u : deflt;
        }
        ++i_;
        const Token& n = peek();
        if (n.kind != TokenKind::Number) expected("an integer", n);
        ++i_;
        std::uint32_t v = static_cast<std::uint32_t>(bounded_integer(n.text, 1 << 30));
        if (is_word("CHAR") || is_word("BYTE")) ++i_;
        expect_op(")");
        if (v < 1 || v > 32767) {
            PlCompileError e;
            position(n.offset, &e.line, &e.column);
            e.text = pls_message(215);
            prog_->errors.push_back(e);
        }
        return v;
    };
    if (name == "NUMBER" || name == "NUMERIC" || name == "DECIMAL" || name == "DEC") {
        int p = 0, s = 0;
        if (is_op("(")) {
            ++i_;
            if (peek().kind == TokenKind::Number) {
                std::uint32_t at = peek().offset;
                p = bounded_integer(identifier_number(), 1000);
                if (p < 1 || p > 38) declaration_error(at, pls_message(216));
            } else if (is_op("*")) {
                ++i_;
            }
            if (is_op(",")) {
                ++i_;
                bool neg = is_op("-");
                if (neg) ++i_;
                std::uint32_t at = peek().offset;
                s = bounded_integer(identifier_number(), 1000) * (neg ? -1 : 1);
                if (s < -84 || s > 127) declaration_error(at, pls_message(217));
            }
            expect_op(")");
        }
        *type = number_type(p, s);
    } else if (name == "INTEGER" || name == "INT" || name == "SMALLINT" || name == "PLS_INTEGER" ||
               name == "BINARY_INTEGER" || name == "NATURAL" || name == "POSITIVE" || name == "NATURALN" ||
               name == "POSITIVEN" || name == "SIMPLE_INTEGER" || name == "SIGNTYPE") {
        *type = number_type(38, 0);
    } else if (name == "BINARY_DOUBLE" || name == "BINARY_FLOAT") {
        type->code = name == "BINARY_FLOAT" ? kTypeBinaryFloat : kTypeBinaryDouble;
        type->size = name == "BINARY_FLOAT" ? 4 : 8;
    } else if (name == "FLOAT" || name == "REAL" || name == "DOUBLE") {
        if (name == "DOUBLE") expect_word("PRECISION");
        if (is_op("(")) length(0, false);
        *type = number_type();
    } else if (name == "VARCHAR2" || name == "VARCHAR" || name == "STRING" || name == "NVARCHAR2") {
        type->code = kTypeVarchar2;
        type->size = length(1, true);
    } else if (name == "CHAR" || name == "NCHAR" || name == "CHARACTER") {
        type->code = kTypeChar;
        type->size = length(1, false);
    } else if (name == "LONG" && is_word("RAW")) {
        ++i_;
        last_type_name_ = "LONG RAW";
        type->code = kTypeLongRaw;
        type->size = 32760;
    } else if (name == "LONG") {
        type->code = kTypeVarchar2;
        type->size = 32760;
    } else if (name == "RAW") {
        // Bytes, kept as they are; a RAW's length counts bytes.
        type->code = kTypeRaw;
        type->size = length(1, true);
    } else if (name == "BLOB") {
        type->code = kTypeBlob;
        type->size = 4000;
    } else if (name == "CLOB" || name == "NCLOB" || name == "XMLTYPE") {
        // An XMLTYPE variable holds the value's text.
        type->code = kTypeClob;
        type->size = 4000;
    } else if (name == "DATE") {
        type->code = kTypeDate;
        type->size = 7;
    } else if (name == "TIMESTAMP") {
        type->code = kTypeTimestamp;
        type->size = 11;
        type->scale = static_cast<std::int8_t>(datetime_precision(6));
        // WITH TIME ZONE keeps the offset; WITH LOCAL TIME ZONE moves the value to the
        // database's zone and shows it in the session's, as the column types do.
        if (is_word("WITH")) {
            ++i_;
            bool local = is_word("LOCAL");
            if (local) ++i_;
            expect_word("TIME");
            expect_word("ZONE");
            type->code = local ? kTypeTimestampLtz : kTypeTimestampTz;
            type->size = local ? 11 : 13;
        }
    } else if (name == "INTERVAL") {
        bool year = is_word("YEAR");
        if (!year && !is_word("DAY")) expected("YEAR DAY", peek());
        ++i_;
        int lead = datetime_precision(2);
        expect_word("TO");
        expect_word(year ? "MONTH" : "SECOND");
        *type = year ? interval_ym_type(lead) : interval_ds_type(lead, datetime_precision(6));
    } else if (name == "ROWID" || name == "UROWID") {
        type->code = kTypeRowid;
        type->size = name == "ROWID" ? 18 : length(4000, false);
    } else if (name == "BOOLEAN") {
        *type = number_type(1, 0);
        *boolean = true;
    } else if (object_type_spec(name, type)) {
        // A schema-level object type: the variable holds the object's constructor text.
    } else {
        semantic_error(t_[start].offset, pls_message(201, name), decl_offset, "PL/SQL: Item ignored");
        *type = number_type();
    }
    return true;
}

// The optional (n) of a datetime or interval type: 0..9, else ORA-30088 there.
int Parser::datetime_precision(int deflt) {
    if (!is_op("(")) return deflt;
    ++i_;
    const Token& n = peek();
    int v = bounded_integer(identifier_number(), 1000);
    expect_op(")");
    if (v > 9) {
        declaration_error(n.offset, ora_line(30088));
        return deflt;
    }
    return v;
}

bool Parser::ref_cursor_type(const std::string& name) {
    last_cursor_ = PlVarInfo();
    if (name == "SYS_REFCURSOR") return true;
    if (is_op(".") && peek(1).kind == TokenKind::Word) {
        // package.type: a REF CURSOR type of a package header.
        Symbol sym;
        const PlProgram* header = nullptr;
        if (!package_symbol(name, peek(1).text, &sym, &header) || sym.kind != SymKind::Type || !header) return false;
        const PlVarInfo& t = header->types[static_cast<std::size_t>(sym.index)];
        if (t.type.code != kPlTypeRefCursor) return false;
        last_cursor_.strong_cursor = t.strong_cursor;
        last_cursor_.cursor_row = t.cursor_row;
        i_ += 2;
        return true;
    }
    const Symbol* s = lookup(name);
    if (!s || s->kind != SymKind::Type) return false;
    const PlVarInfo& t = prog_->types[static_cast<std::size_t>(s->index)];
    if (t.type.code != kPlTypeRefCursor) return false;
    last_cursor_.strong_cursor = t.strong_cursor;
    last_cursor_.cursor_row = t.cursor_row;
    return true;
}

std::string Parser::identifier_number() {
    const Token& n = peek();
    if (n.kind != TokenKind::Number) expected("an integer", n);
    ++i_;
    return n.text;
}

bool Parser::rowtype_columns(const std::vector<std::string>& parts, std::vector<ColumnInfo>* cols) {
    if (parts.size() == 1) {
        const Symbol* s = lookup(parts[0]);
        if (s && s->kind == SymKind::Cursor) return cursor_columns(s->index, cols);
    }
    if (parts.size() >= 2) {
        int c = package_cursor(parts, 0, 0, true);
        if (c >= 0) return cursor_columns(c, cols);
    }
    std::string owner = parts.size() == 2 ? parts[0] : ctx_.schema;
    return plsql_anchor_columns(ctx_, owner, parts.back(), cols);
}

void Parser::declarations(PlBlock* b, DeclMode mode) {
    bool subprograms_seen = false;
    for (;;) {
        if (mode == DeclMode::Block && is_word("BEGIN")) {
            undefined_locals();
            break;
        }
        if (mode == DeclMode::Header && is_word("END")) break;
        if (mode == DeclMode::Body && (is_word("BEGIN") || is_word("END"))) break;
        std::uint32_t decl_offset = peek().offset;
        statement_offset_ = decl_offset;
        if (peek().kind == TokenKind::End) expected(mode == DeclMode::Block ? "begin" : "end", peek());
        if (mode != DeclMode::Block && (is_word("PROCEDURE") || is_word("FUNCTION"))) {
            if (mode == DeclMode::Body && !subprograms_seen)
                prog_->package_slots = static_cast<int>(prog_->vars.size());
            subprograms_seen = true;
            package_subprogram(mode);
            continue;
        }
        if (mode == DeclMode::Block && (is_word("PROCEDURE") || is_word("FUNCTION"))) {
            subprograms_seen = true;
            local_subprogram();
            continue;
        }
        if (is_word("PRAGMA") && plsql_accepted_pragma(peek(1).text)) {
            // Pragmas that only inform the compiler or the optimizer: taken without effect.
            i_ += 2;
            if (is_op("(")) {
                int depth = 0;
                do {
                    if (is_op("(")) ++depth;
                    if (is_op(")")) --depth;
                    ++i_;
                } while (depth > 0 && peek().kind != TokenKind::End);
            }
            expect_op(";");
            continue;
        }
        if (subprograms_seen && mode == DeclMode::Body) expected("begin end function pragma procedure", peek());
        if (subprograms_seen && mode == DeclMode::Block && !is_word("PRAGMA"))
            expected("begin function pragma procedure", peek());
        if (is_word("PRAGMA") && is_word("AUTONOMOUS_TRANSACTION", 1)) {
            // A subprogram, trigger or top-level block runs as a transaction of its own;
            // a package's own declarations cannot.
            std::uint32_t at = peek().offset;
            i_ += 2;
            expect_op(";");
            if (mode != DeclMode::Block || !b)
                declaration_error(at, pls_message(710, "AUTONOMOUS_TRANSACTION"));
            else
                b->autonomous = true;
            continue;
        }
        if (is_word("PRAGMA")) {
            ++i_;
            expect_word("EXCEPTION_INIT");
            expect_op("(");
            std::string name = identifier();
            expect_op(",");
            bool neg = is_op("-");
            if (neg) ++i_;
            std::uint32_t at = peek().offset;
            std::string digits = peek().text;
            int code = bounded_integer(identifier_number(), 1 << 30);
            // Oracle takes 100 (no data found as SQLCODE has it) or a negative number above
            // -10,000,000 other than -1403 (no data found's other number).
            if (neg ? code < 1 || code >= 10000000 || code == 1403 : code != 100)
                declaration_error(at, pls_message(701, (neg ? "-" : "") + digits));
            expect_op(")");
            expect_op(";");
            auto f = scopes_.back().find(name);
            if (f != scopes_.back().end() && f->second.kind == SymKind::Exception) {
                f->second.exception.code = neg ? code : -code;
                if (f->second.exception.code < 0) f->second.exception.code = -f->second.exception.code;
                f->second.exception.user_id = 0;
            }
            continue;
        }
        if (is_word("CURSOR")) {
            ++i_;
            std::string name = identifier();
            // The parameters are variables seen by the cursor's query only.
            PlCursorInfo cursor;
            cursor.name = name;
            cursor.package_level = mode != DeclMode::Block && prog_->is_package;
            scopes_.emplace_back();
            if (is_op("(")) {
                ++i_;
                for (;;) {
                    std::string param = identifier();
                    if (is_word("IN")) ++i_;
                    OraType type;
                    bool boolean = false;
                    unconstrained_ = true;
                    type_spec(&type, &boolean, decl_offset);
                    unconstrained_ = false;
                    int slot = add_var(param, type, boolean);
                    PlSql* init = nullptr;
                    if (is_op(":=") || is_word("DEFAULT")) {
                        ++i_;
                        init = expression({",", ")"}, decl_offset, boolean);
                    }
                    cursor.params.push_back(slot);
                    cursor.defaults.push_back(init);
                    Symbol s;
                    s.index = slot;
                    declare(param, s);
                    if (!is_op(",")) break;
                    ++i_;
                }
                expect_op(")");
            }
            if (is_word("RETURN")) {
                // RETURN rowtype: the query's own row is the cursor's row. The declared row
                // (table%ROWTYPE, cursor%ROWTYPE or a record type) is what users outside
                // the package see of a cursor whose query is in the body.
                ++i_;
                std::vector<std::string> parts;
                while (peek().kind == TokenKind::Word || peek().kind == TokenKind::QuotedWord) {
                    parts.push_back(peek().text);
                    ++i_;
                    if (!is_op(".")) break;
                    ++i_;
                }
                if (is_op("%") && is_word("ROWTYPE", 1)) {
                    rowtype_columns(parts, &cursor.row);
                } else if (parts.size() == 1) {
                    const Symbol* t = lookup(parts[0]);
                    if (t && t->kind == SymKind::Type) {
                        const PlVarInfo& ty = prog_->types[static_cast<std::size_t>(t->index)];
                        if (ty.record_type) cursor.row = ty.record_fields;
                    }
                }
                while (!is_word("IS") && !is_op(";") && peek().kind != TokenKind::End) ++i_;
            }
            if (mode == DeclMode::Header && is_op(";")) {
                // A package header may declare the cursor and leave its query to the body.
                ++i_;
                scopes_.pop_back();
                position(decl_offset, &cursor.header_line, &cursor.header_column);
                prog_->cursors.push_back(std::move(cursor));
                Symbol s;
                s.kind = SymKind::Cursor;
                s.index = static_cast<int>(prog_->cursors.size()) - 1;
                declare(name, s);
                continue;
            }
            expect_word("IS");
            std::size_t a = i_;
            std::size_t e = expression_end({";"});
            PlSql* q = new_sql(a);
            cursor_decl_ = &cursor;
            compile_statement({{a, e}}, q, decl_offset);
            cursor_decl_ = nullptr;
            scopes_.pop_back();
            i_ = e;
            expect_op(";");
            cursor.query = q;
            if (mode == DeclMode::Body) {
                // The body's definition of a cursor its header declared.
                auto declared = scopes_.back().find(name);
                if (declared != scopes_.back().end() && declared->second.kind == SymKind::Cursor) {
                    PlCursorInfo& slot = prog_->cursors[static_cast<std::size_t>(declared->second.index)];
                    if (!slot.query) {
                        cursor.header_line = slot.header_line;
                        cursor.header_column = slot.header_column;
                        slot = std::move(cursor);
                        continue;
                    }
                }
            }
            prog_->cursors.push_back(std::move(cursor));
            int idx = static_cast<int>(prog_->cursors.size()) - 1;
            if (mode == DeclMode::Block) b->cursors.push_back(idx);
            Symbol s;
            s.kind = SymKind::Cursor;
            s.index = idx;
            declare(name, s);
            continue;
        }
        if (is_word("TYPE")) {
            type_declaration(decl_offset);
            continue;
        }
        if (is_word("SUBTYPE")) expected("an identifier", peek());
        std::string name = identifier();
        if (collection_declaration(b, name, decl_offset)) continue;
        std::uint32_t element_size = 0;
        std::string supplied_type;
        PlCollection collection = collection_type(&element_size, &supplied_type);
        if (collection != PlCollection::None) {
            OraType line;
            line.code = kTypeVarchar2;
            line.size = element_size;
            int slot = add_var(name, line, false);
            prog_->vars[static_cast<std::size_t>(slot)].collection = collection;
            prog_->vars[static_cast<std::size_t>(slot)].limit = 2147483647;
            prog_->vars[static_cast<std::size_t>(slot)].type_name = supplied_type;
            expect_op(";");
            PlDecl d;
            d.slot = slot;
            b->decls.push_back(d);
            Symbol s;
            s.index = slot;
            declare(name, s);
            continue;
        }
        if (is_word("EXCEPTION")) {
            ++i_;
            expect_op(";");
            Symbol s;
            s.kind = SymKind::Exception;
            s.exception.name = name;
            s.exception.user_id = next_exception_id();
            if (mode != DeclMode::Block)
                s.exception.user_id = package_exception_id(prog_->package_owner, prog_->package_name, name);
            declare(name, s);
            continue;
        }
        bool constant = false;
        if (is_word("CONSTANT")) {
            ++i_;
            constant = true;
        }
        // %ROWTYPE declares a record.
        std::size_t save = i_;
        std::vector<std::string> parts;
        if (peek().kind == TokenKind::Word) {
            parts.push_back(identifier());
            while (is_op(".") && peek(1).kind == TokenKind::Word) {
                ++i_;
                parts.push_back(identifier());
            }
        }
        if (is_op("%") && is_word("ROWTYPE", 1)) {
            // "x%ROWTYPE;" with the declared name left out: no source named.
            if (parts.empty())
                expected("constant exception <an identifier> <a double-quoted delimited-identifier>", peek());
            i_ += 2;
            std::vector<ColumnInfo> cols;
            if (!rowtype_columns(parts, &cols))
                semantic_error(t_[save].offset, pls_message(201, parts.back()), decl_offset, "PL/SQL: Item ignored");
            int slot = add_record(name, cols);
            expect_op(";");
            Symbol s;
            s.index = slot;
            declare(name, s);
            continue;
        }
        i_ = save;
        OraType type;
        bool boolean = false;
        type_spec(&type, &boolean, decl_offset);
        if (type.code == kPlTypeRefCursor && mode != DeclMode::Block) declaration_error(decl_offset, pls_message(994));
        bool not_null = false;
        if (is_word("NOT") && is_word("NULL", 1)) {
            i_ += 2;
            not_null = true;
        }
        const PlIntRange range = integer_subtype_range(last_type_name_);
        // SIMPLE_INTEGER, NATURALN and POSITIVEN are NOT NULL by their definition.
        if (last_type_name_ == "SIMPLE_INTEGER" || last_type_name_ == "NATURALN" || last_type_name_ == "POSITIVEN")
            not_null = true;
        PlDecl d;
        d.slot = add_var(name, type, boolean);
        prog_->vars[static_cast<std::size_t>(d.slot)].int_range = range;
        if (type.code == kPlTypeRefCursor) {
            prog_->vars[static_cast<std::size_t>(d.slot)].strong_cursor = last_cursor_.strong_cursor;
            prog_->vars[static_cast<std::size_t>(d.slot)].cursor_row = last_cursor_.cursor_row;
        }
        prog_->vars[static_cast<std::size_t>(d.slot)].constant = constant;
        prog_->vars[static_cast<std::size_t>(d.slot)].not_null = not_null;
        if (is_op(":=") || is_word("DEFAULT")) {
            ++i_;
            std::size_t value_at = i_;
            d.init = expression({";"}, decl_offset, boolean);
            object_value_check(prog_->vars[static_cast<std::size_t>(d.slot)], false, d.init, value_at, i_, decl_offset);
        } else if (constant || not_null) {
            PlCompileError e;
            position(peek().offset, &e.line, &e.column);
            e.text = constant ? pls_message(322, name) : pls_message(218);
            prog_->errors.push_back(e);
        }
        expect_op(";");
        Symbol s;
        s.index = d.slot;
        declare(name, s);
        b->decls.push_back(d);
    }
}

void Parser::block(PlBlock* b, bool unit_body) {
    scopes_.emplace_back();
    if (unit_body) {
        declarations(b, DeclMode::Block);
    } else if (is_word("DECLARE")) {
        ++i_;
        declarations(b, DeclMode::Block);
    }
    expect_word("BEGIN");
    statements(&b->body, {"EXCEPTION", "END"});
    handlers(b);
    expect_word("END");
    if (peek().kind == TokenKind::Word && !is_word("IF") && !is_word("LOOP")) ++i_;
    scopes_.pop_back();
}

void Parser::handlers(PlBlock* b) {
    if (!is_word("EXCEPTION")) return;
    ++i_;
    while (is_word("WHEN")) {
        ++i_;
        PlHandler h;
        bool others = false;
        for (;;) {
            const Token& n = peek();
            std::string name = identifier();
            if (name == "OTHERS") {
                others = true;
            } else {
                PlExceptionInfo ex;
                if (is_op(".") && (peek(1).kind == TokenKind::Word)) {
                    ++i_;
                    name += "." + identifier();
                }
                if (!exception_named(name, &ex)) semantic_error(n.offset, pls_message(201, name), n.offset);
                h.exceptions.push_back(ex);
            }
            if (!is_word("OR")) break;
            ++i_;
        }
        if (others) h.exceptions.clear();
        expect_word("THEN");
        statements(&h.body, {"WHEN", "END"});
        b->handlers.push_back(std::move(h));
    }
}

bool Parser::exception_named(const std::string& name, PlExceptionInfo* ex) {
    const Symbol* s = lookup(name);
    if (s && s->kind == SymKind::Exception) {
        *ex = s->exception;
        return true;
    }
    std::size_t dot = name.find('.');
    if (dot != std::string::npos) {
        Symbol sym;
        if (package_symbol(name.substr(0, dot), name.substr(dot + 1), &sym, nullptr) &&
            sym.kind == SymKind::Exception) {
            *ex = sym.exception;
            return true;
        }
    }
    for (const Predefined& p : kPredefined)
        if (name == p.name) {
            ex->name = name;
            ex->code = p.code;
            return true;
        }
    return false;
}

void Parser::statements(std::vector<PlStmt>* out, const std::set<std::string>& ends) {
    for (;;) {
        const Token& t = peek();
        if (t.kind == TokenKind::End) expected("end", t);
        if (t.kind == TokenKind::Word && ends.count(t.text)) break;
        statement(out);
    }
    if (out->empty())
        expected("begin case declare exit for goto if loop null raise return select update while", peek());
}

PlTarget Parser::target(std::uint32_t stmt_offset) {
    PlTarget tg;
    const Token& t = peek();
    const bool whole_token = i_ == object_arg_.first;
    int trigger_slot = trigger_reference(i_, t_.size(), true);
    if (trigger_slot != -1) {
        if (trigger_slot >= 0 && (t.text == "OLD" || prog_->trigger_timing == PlTriggerTiming::After)) {
            PlCompileError e;
            position(t.offset, &e.line, &e.column);
            e.text = t.text == "OLD" ? ora_line(4085) : ora_line(4084);
            prog_->errors.push_back(e);
        }
        i_ += 3;
        tg.slot = trigger_slot;
        return tg;
    }
    if (t.kind == TokenKind::Word && !lookup(t.text) && is_op(".", 1) && peek(2).kind == TokenKind::Word) {
        PlVarInfo info;
        bool own = false;
        int slot = package_variable(t.text, peek(2).text, &info, &own);
        if (slot >= 0) {
            i_ += 3;
            tg.slot = slot;
            if (!own) {
                tg.package = ctx_.schema + "." + t.text;
                tg.info = std::make_shared<PlVarInfo>(info);
            }
            if (info.collection == PlCollection::None && info.type.code == kTypeObject && is_op(".") && !whole_token) {
                // package.variable.attribute of a package's object variable
                ++i_;
                const Token& a = peek();
                identifier();
                object_attribute_target(info.type_name, a, &tg, stmt_offset);
            }
            if (info.constant)
                semantic_error(t.offset, pls_message(363, " '" + t.text + "." + info.name + "'"), stmt_offset);
            return tg;
        }
    }
    if (t.kind == TokenKind::Bind) {
        ++i_;
        tg.host = true;
        tg.name = t.text;
        prog_->host_targets.push_back(t.text);
        return tg;
    }
    std::string name = identifier();
    const Symbol* s = lookup(name);
    if (!s && self_attribute(name)) {
        // An attribute of SELF named alone inside a method.
        const PlVarInfo& self = prog_->vars[static_cast<std::size_t>(self_slot())];
        tg.slot = self_slot();
        object_attribute_target(self.type_name, t, &tg, stmt_offset);
        if (self.constant) semantic_error(t.offset, pls_message(363, " 'SELF'"), stmt_offset);
        return tg;
    }
    if (!s || s->kind != SymKind::Var) {
        semantic_error(t.offset, pls_message(201, name), stmt_offset);
        tg.slot = -1;
        return tg;
    }
    tg.slot = s->index;
    const PlVarInfo& v = prog_->vars[static_cast<std::size_t>(s->index)];
    if (v.collection != PlCollection::None && is_op("(")) {
        ++i_;
        tg.index = expression({")"}, stmt_offset);
        expect_op(")");
        if (v.type.code == kTypeObject && is_op(".") && !whole_token) {
            // collection(i).attribute of a collection of objects
            ++i_;
            const Token& f = peek();
            identifier();
            object_attribute_target(v.element_type, f, &tg, stmt_offset);
            return tg;
        }
        if (v.record_elements() && is_op(".")) {
            // collection(i).field of a collection of records
            ++i_;
            const Token& f = peek();
            std::string field = identifier();
            tg.field = element_field(v, field);
            if (tg.field < 0) {
                semantic_error(f.offset, pls_message(302, field), stmt_offset);
                tg.field = 0;
            }
        }
        return tg;
    }
    if (v.collection == PlCollection::None && v.type.code == kTypeObject && is_op(".") && !whole_token) {
        ++i_;
        const Token& f = peek();
        identifier();
        object_attribute_target(v.type_name, f, &tg, stmt_offset);
        if (v.constant) semantic_error(t.offset, pls_message(363, " '" + name + "'"), stmt_offset);
        return tg;
    }
    if (!v.fields.empty() && is_op(".")) {
        ++i_;
        const Token& f = peek();
        std::string field = identifier();
        tg.slot = record_field(v, field);
        if (tg.slot < 0) {
            semantic_error(f.offset, pls_message(302, field), stmt_offset);
            tg.slot = s->index;
        }
        const PlVarInfo& fv = prog_->vars[static_cast<std::size_t>(tg.slot)];
        if (tg.slot != s->index && fv.collection != PlCollection::None && is_op("(")) {
            // record.field(i) of a field of a collection type
            ++i_;
            tg.index = expression({")"}, stmt_offset);
            expect_op(")");
        } else if (tg.slot != s->index && fv.collection == PlCollection::None && fv.type.code == kTypeObject &&
                   is_op(".")) {
            // record.field.attribute of a field of an object type
            ++i_;
            const Token& a = peek();
            identifier();
            object_attribute_target(fv.type_name, a, &tg, stmt_offset);
        }
    }
    if (prog_->vars[static_cast<std::size_t>(tg.slot)].constant)
        semantic_error(t.offset, pls_message(363, " '" + name + "'"), stmt_offset);
    return tg;
}

// The statements that start with a keyword, and the method that reads each (from its
// keyword on). Anything else is an assignment or a procedure call.
const Parser::StatementRule Parser::kStatementRules[] = {
    {"NULL", &Parser::null_statement},
    {"BEGIN", &Parser::block_statement},
    {"DECLARE", &Parser::block_statement},
    {"IF", &Parser::if_statement},
    {"CASE", &Parser::case_statement},
    {"LOOP", &Parser::loop_statement},
    {"WHILE", &Parser::while_statement},
    {"FOR", &Parser::for_loop},
    {"EXIT", &Parser::exit_statement},
    {"CONTINUE", &Parser::exit_statement},
    {"SELECT", &Parser::select_into},
    {"WITH", &Parser::select_into},
    {"INSERT", &Parser::dml_statement},
    {"UPDATE", &Parser::dml_statement},
    {"DELETE", &Parser::dml_statement},
    {"MERGE", &Parser::dml_statement},
    {"COMMIT", &Parser::commit_statement},
    {"ROLLBACK", &Parser::rollback_statement},
    {"SAVEPOINT", &Parser::savepoint_statement},
    {"OPEN", &Parser::open_statement},
    {"CLOSE", &Parser::cursor_statement},
    {"FETCH", &Parser::cursor_statement},
    {"RETURN", &Parser::return_statement},
    {"RAISE", &Parser::raise_statement},
    {"FORALL", &Parser::forall_statement},
    {"EXECUTE", &Parser::execute_statement},
    {"GOTO", &Parser::goto_statement},
};

void Parser::statement(std::vector<PlStmt>* out) {
    struct Nesting {
        int& n;
        explicit Nesting(int& depth) : n(depth) { ++n; }
        ~Nesting() { --n; }
    } nesting(nesting_);
    if (nesting_ > kMaxNesting) {
        PlCompileError e;
        position(peek().offset, &e.line, &e.column);
        e.text = pls_message(102);
        prog_->errors.push_back(e);
        throw SyntaxStop();
    }
    std::string label;
    std::vector<std::string> labels;
    while (is_op("<") && is_op("<", 1)) {
        i_ += 2;
        label = identifier();
        labels.push_back(label);
        expect_op(">");
        expect_op(">");
    }
    const Token& t = peek();
    PlStmt st;
    st.labels = labels;
    position(t.offset, &st.line, &st.column);
    std::uint32_t so = t.offset;
    statement_offset_ = so;
    if (collection_method_ahead()) {
        collection_method(&st, so);
        out->push_back(std::move(st));
        return;
    }
    if (t.kind == TokenKind::Bind ||
        (t.kind == TokenKind::Word &&
         (is_op(":=", 1) || (is_op(".", 1) && is_op(":=", 3)) || (is_op(".", 1) && is_op(".", 3) && is_op(":=", 5)))) ||
        element_assignment_ahead()) {
        assignment(&st, so);
        out->push_back(std::move(st));
        return;
    }
    if (t.kind != TokenKind::Word) expected("begin case declare end exit for if loop null raise return select", t);
    if (t.text == "PIPE" && is_word("ROW", 1)) {
        pipe_statement(&st, so);
        out->push_back(std::move(st));
        return;
    }
    StatementParse parse = &Parser::call;
    for (const StatementRule& r : kStatementRules)
        if (t.text == r.word) parse = r.parse;
    (this->*parse)(&st, so);
    if (st.kind == PlStmtKind::Loop || st.kind == PlStmtKind::While || st.kind == PlStmtKind::ForRange ||
        st.kind == PlStmtKind::ForCursor)
        st.name = label;
    out->push_back(std::move(st));
}

void Parser::assignment(PlStmt* st, std::uint32_t so) {
    st->kind = PlStmtKind::Assign;
    st->targets.push_back(target(so));
    expect_op(":=");
    const PlTarget& tg = st->targets[0];
    if (!tg.host && !tg.index && tg.package.empty() && whole_result_call(st, tg.slot, so)) {
        expect_op(";");
        return;
    }
    if (!tg.host && tg.slot >= 0 && !tg.index && tg.package.empty() &&
        prog_->vars[static_cast<std::size_t>(tg.slot)].collection != PlCollection::None) {
        collection_value(st, tg.slot, so);
        expect_op(";");
        return;
    }
    if (record_assignment(st, so) || element_copy(st, so)) return;
    bool boolean = !tg.host && tg.slot >= 0 &&
                   (tg.info ? tg.info->boolean : prog_->vars[static_cast<std::size_t>(tg.slot)].boolean);
    if (tg.field >= 0)
        boolean = prog_->vars[static_cast<std::size_t>(tg.slot)].field_boolean[static_cast<std::size_t>(tg.field)];
    std::size_t value_at = i_;
    st->exprs.push_back(expression({";"}, so, boolean));
    // A cursor variable takes only another cursor reference (or NULL), and its reference
    // is no value of any other type.
    const PlSql* q = st->exprs.back();
    if (!tg.host && tg.slot >= 0 && tg.attribute < 0 && tg.field < 0)
        object_value_check(tg.info ? *tg.info : prog_->vars[static_cast<std::size_t>(tg.slot)], tg.index != nullptr, q,
                           value_at, i_, so);
    if (!tg.host && tg.slot >= 0 && !tg.index && !q->tr.columns.empty()) {
        const PlVarInfo& info = tg.info ? *tg.info : prog_->vars[static_cast<std::size_t>(tg.slot)];
        bool to_cursor = info.type.code == kPlTypeRefCursor;
        bool from_cursor = q->tr.columns[0].type.code == kPlTypeRefCursor;
        bool null_value = i_ == value_at + 1 && t_[value_at].kind == TokenKind::Word && t_[value_at].text == "NULL";
        if (to_cursor != from_cursor && !null_value) semantic_error(t_[value_at].offset, pls_message(382), so);
    }
    expect_op(";");
}

void Parser::null_statement(PlStmt* st, std::uint32_t) {
    ++i_;
    expect_op(";");
    st->kind = PlStmtKind::Null;
}

void Parser::block_statement(PlStmt* st, std::uint32_t) {
    st->kind = PlStmtKind::Block;
    st->block = std::make_shared<PlBlock>();
    block(st->block.get(), false);
    expect_op(";");
}

void Parser::if_statement(PlStmt* st, std::uint32_t so) {
    ++i_;
    st->kind = PlStmtKind::If;
    for (;;) {
        st->exprs.push_back(expression({"THEN"}, so, true));
        expect_word("THEN");
        st->bodies.emplace_back();
        statements(&st->bodies.back(), {"ELSIF", "ELSE", "END"});
        if (is_word("ELSIF")) {
            ++i_;
            continue;
        }
        break;
    }
    if (is_word("ELSE")) {
        ++i_;
        st->bodies.emplace_back();
        statements(&st->bodies.back(), {"END"});
        st->has_else = true;
    }
    expect_word("END");
    expect_word("IF");
    expect_op(";");
}

void Parser::loop_statement(PlStmt* st, std::uint32_t) {
    ++i_;
    st->kind = PlStmtKind::Loop;
    loop_body(st);
}

void Parser::while_statement(PlStmt* st, std::uint32_t so) {
    ++i_;
    st->kind = PlStmtKind::While;
    st->exprs.push_back(expression({"LOOP"}, so, true));
    expect_word("LOOP");
    loop_body(st);
}

void Parser::exit_statement(PlStmt* st, std::uint32_t so) {
    st->kind = is_word("EXIT") ? PlStmtKind::Exit : PlStmtKind::Continue;
    ++i_;
    if (peek().kind == TokenKind::Word && !is_word("WHEN")) st->name = identifier();
    if (is_word("WHEN")) {
        ++i_;
        st->exprs.push_back(expression({";"}, so, true));
    }
    expect_op(";");
}

void Parser::dml_statement(PlStmt* st, std::uint32_t so) {
    st->kind = PlStmtKind::Dml;
    std::size_t a = i_;
    std::size_t e = expression_end({";"});
    // RETURNING expr, ... [BULK COLLECT] INTO targets: the targets are PL/SQL variables,
    // which the SQL grammar sees as placeholders of their own; the values come back as
    // the rows of the statement's RETURNING clause.
    std::size_t ret = expression_end({"RETURNING", "RETURN", ";"});
    std::size_t into = e;
    if (ret < e) {
        i_ = ret;
        for (std::size_t k = ret; k < e; ++k)
            if (t_[k].kind == TokenKind::Word && (t_[k].text == "INTO" || t_[k].text == "BULK")) {
                into = k;
                break;
            }
    }
    PlSql* q = new_sql(a);
    if (into < e) {
        i_ = into;
        if (is_word("BULK")) {
            ++i_;
            expect_word("COLLECT");
            st->bulk = true;
        }
        expect_word("INTO");
        std::uint32_t target_offset = peek().offset;
        into_targets(st, so);
        if (i_ != e) expected(";", peek());
        // RETURNING ... INTO record: one value per field, in the fields' order.
        if (!st->bulk && st->targets.size() == 1 && !st->targets[0].host && st->targets[0].slot >= 0 &&
            !st->targets[0].index && st->targets[0].package.empty()) {
            std::vector<int> fields = prog_->vars[static_cast<std::size_t>(st->targets[0].slot)].fields;
            if (!fields.empty()) {
                st->targets.clear();
                for (int f : fields) st->targets.push_back(pl_var_target(f));
            }
        }
        std::vector<Token> tail;
        Token w = t_[into];
        w.kind = TokenKind::Word;
        w.text = "INTO";
        tail.push_back(w);
        for (std::size_t k = 0; k < st->targets.size(); ++k) {
            Token b = t_[into];
            if (k) {
                b.kind = TokenKind::Operator;
                b.text = ",";
                tail.push_back(b);
            }
            b.kind = TokenKind::Bind;
            b.text = "#RETURNING" + std::to_string(k + 1);
            tail.push_back(b);
        }
        compile_statement({{a, into}}, q, so, tail);
        if (st->bulk) bulk_targets(st, q->tr.returning.size(), target_offset, so);
    } else {
        compile_statement({{a, e}}, q, so);
    }
    st->exprs.push_back(q);
    i_ = e;
    expect_op(";");
}

void Parser::commit_statement(PlStmt* st, std::uint32_t) {
    ++i_;
    if (is_word("WORK")) ++i_;
    expect_op(";");
    st->kind = PlStmtKind::Commit;
}

void Parser::rollback_statement(PlStmt* st, std::uint32_t) {
    ++i_;
    if (is_word("WORK")) ++i_;
    st->kind = PlStmtKind::Rollback;
    if (is_word("TO")) {
        ++i_;
        if (is_word("SAVEPOINT")) ++i_;
        st->name = identifier();
    }
    expect_op(";");
}

void Parser::savepoint_statement(PlStmt* st, std::uint32_t) {
    ++i_;
    st->kind = PlStmtKind::Savepoint;
    st->name = identifier();
    expect_op(";");
}

int Parser::cursor_variable_ahead(std::size_t ahead) const {
    if (peek(ahead).kind != TokenKind::Word) return -1;
    const Symbol* s = lookup(peek(ahead).text);
    if (!s || s->kind != SymKind::Var) return -1;
    return prog_->vars[static_cast<std::size_t>(s->index)].type.code == kPlTypeRefCursor ? s->index : -1;
}

void Parser::open_statement(PlStmt* st, std::uint32_t so) {
    int var = cursor_variable_ahead(1);
    if (peek(1).kind != TokenKind::Bind && var < 0) {
        cursor_statement(st, so);
        return;
    }
    // OPEN :rc FOR query: a REF CURSOR the caller bound as a statement handle; OPEN v FOR
    // query: the cursor variable v.
    ++i_;
    st->kind = PlStmtKind::OpenFor;
    const Token& var_token = peek();
    if (var >= 0) {
        st->cursor_var = true;
        st->slot = var;
        const PlVarInfo& info = prog_->vars[static_cast<std::size_t>(var)];
        if (info.constant) semantic_error(peek().offset, pls_message(363, " '" + info.name + "'"), so);
    } else {
        st->name = peek().text;
        prog_->host_targets.push_back(st->name);
    }
    ++i_;
    expect_word("FOR");
    if (!is_word("SELECT") && !is_word("WITH") && !is_op("(")) {
        // OPEN :rc FOR text [USING ...]: a query built at run time; its row cannot be
        // checked against a strong type's, which therefore takes static queries only.
        if (var >= 0 && prog_->vars[static_cast<std::size_t>(var)].strong_cursor)
            semantic_error(var_token.offset, pls_message(455, var_token.text), so);
        st->kind = PlStmtKind::Execute;
        st->open_dynamic = true;
        st->exprs.push_back(expression({"USING", ";"}, so));
        if (is_word("USING")) {
            ++i_;
            using_arguments(st, so);
        }
        expect_op(";");
        return;
    }
    std::size_t a = i_;
    std::size_t e = expression_end({";"});
    PlSql* q = new_sql(a);
    compile_statement({{a, e}}, q, so);
    if (var >= 0 && q->tr.kind == StatementKind::Select) {
        const PlVarInfo& info = prog_->vars[static_cast<std::size_t>(var)];
        if (info.strong_cursor && !plsql_rows_match(q->tr.columns, info.cursor_row))
            semantic_error(t_[a].offset, pls_message(382), so);
    }
    st->exprs.push_back(q);
    i_ = e;
    expect_op(";");
}

// The values of a declared cursor's parameters, (a, b, ...) after its name in OPEN or a
// cursor FOR loop (st->slot is the cursor): as many as it has parameters, fewer when the
// rest have defaults.
void Parser::cursor_arguments(PlStmt* st, std::uint32_t so) {
    const PlCursorInfo& cursor = prog_->cursors[static_cast<std::size_t>(st->slot)];
    const Token& at = peek();
    bool fits = true;
    // One value per parameter, in the parameters' order (nullptr: the default); by
    // position, then by name (p => value).
    st->cursor_args.assign(cursor.params.size(), nullptr);
    if (is_op("(")) {
        ++i_;
        std::size_t position = 0;
        bool named = false;
        while (!is_op(")")) {
            std::size_t k = position;
            if (peek().kind == TokenKind::Word && is_op("=", 1) && is_op(">", 2)) {
                named = true;
                k = cursor.params.size();
                const std::string name = identifier();
                for (std::size_t p = 0; p < cursor.params.size(); ++p)
                    if (prog_->vars[static_cast<std::size_t>(cursor.params[p])].name == name) k = p;
                i_ += 2;
            } else if (named) {
                fits = false;  // a value by position after one by name
            }
            PlSql* value = expression({",", ")"}, so);
            if (k < cursor.params.size() && !st->cursor_args[k])
                st->cursor_args[k] = value;
            else
                fits = false;
            ++position;
            if (!is_op(",")) break;
            ++i_;
        }
        expect_op(")");
    }
    for (std::size_t k = 0; fits && k < cursor.params.size(); ++k)
        fits = st->cursor_args[k] != nullptr || cursor.defaults[k] != nullptr ||
               (k < cursor.remote_defaults.size() && cursor.remote_defaults[k]);
    if (!fits) semantic_error(at.offset, pls_message(306, cursor.name), so);
}

// OPEN, CLOSE or FETCH of a declared cursor.
void Parser::cursor_statement(PlStmt* st, std::uint32_t so) {
    st->kind = is_word("OPEN") ? PlStmtKind::Open : (is_word("CLOSE") ? PlStmtKind::Close : PlStmtKind::Fetch);
    ++i_;
    const Token& n = peek();
    int var = cursor_variable_ahead();
    std::vector<std::string> parts;
    std::size_t width = dotted_ahead(&parts);
    if (parts.size() >= 2 && var < 0) {
        // pkg.c or owner.pkg.c: a package's cursor.
        i_ += width;
        int c = package_cursor(parts, n.offset, so, false);
        if (c >= 0) {
            st->slot = c;
            if (st->kind == PlStmtKind::Open) cursor_arguments(st, so);
        }
    }
    std::string name = parts.size() >= 2 && var < 0 ? std::string() : identifier();
    const Symbol* s = name.empty() ? nullptr : lookup(name);
    if (name.empty()) {
        // read above
    } else if (var >= 0 && st->kind != PlStmtKind::Open) {
        st->cursor_var = true;
        st->slot = var;
    } else if (!s || s->kind != SymKind::Cursor) {
        semantic_error(n.offset, pls_message(201, name), so);
    } else {
        st->slot = s->index;
        if (st->kind == PlStmtKind::Open) cursor_arguments(st, so);
    }
    if (st->kind == PlStmtKind::Fetch) {
        if (is_word("BULK")) {
            ++i_;
            expect_word("COLLECT");
            st->bulk = true;
        }
        expect_word("INTO");
        std::uint32_t target_offset = peek().offset;
        into_targets(st, so);
        if (st->bulk) {
            if (is_word("LIMIT")) {
                ++i_;
                st->limit = expression({";"}, so);
            }
            std::vector<ColumnInfo> cols;
            if (st->slot >= 0 && !st->cursor_var) cursor_columns(st->slot, &cols);
            // A cursor variable's columns are known when it is opened: the targets are
            // checked against its rows then.
            bulk_targets(st, cols.size(), target_offset, so);
        }
    }
    expect_op(";");
}

void Parser::return_statement(PlStmt* st, std::uint32_t so) {
    ++i_;
    if (pipelined_) {
        // A pipelined function's rows are piped: RETURN only ends it.
        if (!is_op(";")) {
            semantic_error(peek().offset, pls_message(633), so);
            i_ = expression_end({";"});
        }
        expect_op(";");
        st->kind = PlStmtKind::Return;
        return;
    }
    if (!is_op(";") && whole_result_ >= 0) {
        // A record or collection result: RETURN takes a whole variable of the same type.
        const Symbol* s = peek().kind == TokenKind::Word ? lookup(peek().text) : nullptr;
        int from = s && s->kind == SymKind::Var && is_op(";", 1) ? s->index : -1;
        PlStmt call;
        call.line = st->line;
        call.column = st->column;
        std::size_t width = 0;
        const PlVarInfo& result = prog_->vars[static_cast<std::size_t>(whole_result_)];
        if (from < 0 && whole_result_call(&call, whole_result_, so)) {
            // RETURN f(x): the call puts its result into this function's result.
            st->bodies.emplace_back();
            st->bodies[0].push_back(std::move(call));
        } else if (from < 0 && result.collection != PlCollection::None && !result.record_elements() &&
                   type_symbol_ahead(&width)) {
            // RETURN type(e1, e2, ...): the new collection is this function's result.
            call.targets.push_back(pl_var_target(whole_result_));
            collection_value(&call, whole_result_, so);
            st->bodies.emplace_back();
            st->bodies[0].push_back(std::move(call));
        } else if (from < 0 || !whole_slot(from) ||
                   !result_fits(prog_->vars[static_cast<std::size_t>(whole_result_)].type_name, from)) {
            semantic_error(peek().offset, pls_message(382), so);
            i_ = expression_end({";"});
        } else {
            st->slot = from;
            ++i_;
        }
    } else if (!is_op(";")) {
        if (!in_function_) {
            PlCompileError e;
            position(peek().offset, &e.line, &e.column);
            e.text = pls_message(372);
            prog_->errors.push_back(e);
        }
        st->exprs.push_back(expression({";"}, so));
    } else if (in_function_) {
        PlCompileError e;
        position(peek().offset, &e.line, &e.column);
        e.text = pls_message(503);
        prog_->errors.push_back(e);
    }
    expect_op(";");
    st->kind = PlStmtKind::Return;
}

void Parser::pipe_statement(PlStmt* st, std::uint32_t so) {
    const std::uint32_t at = peek().offset;
    i_ += 2;  // PIPE ROW
    st->kind = PlStmtKind::PipeRow;
    const std::uint32_t value_at = peek().offset;
    std::size_t open = 0;
    while (is_op("(", open)) ++open;
    const bool null_literal = is_word("NULL", open) && is_op(";", 2 * open + 1);
    if (pipelined_ && whole_result_ >= 0 && open == 1 && peek(1).kind == TokenKind::Word && is_op(")", 2) &&
        is_op(";", 3) && prog_->vars[static_cast<std::size_t>(whole_result_)].record_elements()) {
        // PIPE ROW (record) of a collection of records: a record of the element's fields.
        const Symbol* rs = lookup(peek(1).text);
        const PlVarInfo& result = prog_->vars[static_cast<std::size_t>(whole_result_)];
        if (rs && rs->kind == SymKind::Var) {
            const PlVarInfo& rec = prog_->vars[static_cast<std::size_t>(rs->index)];
            if (!rec.fields.empty() && rec.collection == PlCollection::None) {
                if (rec.fields.size() != result.record_fields.size() ||
                    (!result.element_type.empty() && rec.type_name != result.element_type))
                    semantic_error(value_at, pls_message(382), so);
                st->name = "RECORD";
                st->slot = rs->index;
                i_ += 3;
                expect_op(";");
                return;
            }
        }
    }
    st->exprs.push_back(expression({";"}, so));
    if (!pipelined_) {
        semantic_error(at, pls_message(629), so);
    } else if (whole_result_ >= 0) {
        // The row is an element of the result: an object of the element type for a
        // collection of objects (or NULL), a plain value otherwise.
        const PlSql* q = st->exprs.back();
        const PlVarInfo& v = prog_->vars[static_cast<std::size_t>(whole_result_)];
        const std::string given = q->tr.columns.empty() ? std::string() : q->tr.columns[0].object_type;
        if (v.record_elements() || (given != v.element_type && !null_literal))
            semantic_error(value_at, pls_message(382), so);
    }
    expect_op(";");
}

void Parser::raise_statement(PlStmt* st, std::uint32_t so) {
    ++i_;
    st->kind = PlStmtKind::Raise;
    if (!is_op(";")) {
        const Token& n = peek();
        std::string name = identifier();
        if (is_op(".") && peek(1).kind == TokenKind::Word) {
            ++i_;
            name += "." + identifier();
        }
        if (!exception_named(name, &st->exception)) semantic_error(n.offset, pls_message(201, name), so);
    } else {
        st->name = "reraise";
    }
    expect_op(";");
}

void Parser::loop_body(PlStmt* st) {
    st->bodies.emplace_back();
    statements(&st->bodies.back(), {"END"});
    expect_word("END");
    expect_word("LOOP");
    if (peek().kind == TokenKind::Word) ++i_;
    expect_op(";");
}

void Parser::case_statement(PlStmt* st, std::uint32_t so) {
    ++i_;
    st->kind = PlStmtKind::If;
    // CASE selector WHEN v THEN ...: the selector is evaluated once into a variable of
    // its own, which each WHEN compares with its value.
    std::string hidden;
    if (!is_word("WHEN")) {
        st->selector = expression({"WHEN"}, so);
        OraType type = st->selector->tr.columns.empty() ? OraType() : st->selector->tr.columns[0].type;
        hidden = "#CASE" + std::to_string(++hidden_vars_);
        st->slot = add_var(hidden, type, false);
        Symbol sym;
        sym.index = st->slot;
        declare(hidden, sym);
    }
    while (is_word("WHEN")) {
        ++i_;
        std::size_t a = i_;
        std::size_t b = expression_end({"THEN"});
        PlSql* q = new_sql(a);
        if (hidden.empty()) {
            compile_expression(a, b, q, so, true);
        } else {
            std::vector<Token> tokens(t_.begin() + static_cast<std::ptrdiff_t>(a),
                                      t_.begin() + static_cast<std::ptrdiff_t>(b));
            Token end;
            end.kind = TokenKind::End;
            end.offset = end.end = t_[b].offset;
            tokens.push_back(end);
            ExprPtr value;
            OraError err;
            q->condition = true;
            if (!sql_parse_expression(tokens, &value, &err)) {
                translate_error(err, err.offset, FunctionLookup(), so, false);
            } else {
                ExprPtr cmp(new Expr);
                cmp->kind = ExprKind::Compare;
                cmp->text = "=";
                cmp->offset = value->offset;
                cmp->end = value->end;
                ExprPtr sel(new Expr);
                sel->kind = ExprKind::Column;
                sel->path = {hidden};
                sel->path_offsets = {value->offset};
                sel->offset = value->offset;
                cmp->args.push_back(std::move(sel));
                cmp->args.push_back(std::move(value));
                compile_tree(cmp, q, so, true);
            }
        }
        i_ = b;
        st->exprs.push_back(q);
        expect_word("THEN");
        st->bodies.emplace_back();
        statements(&st->bodies.back(), {"WHEN", "ELSE", "END"});
    }
    if (st->exprs.empty()) expected("when", peek());
    if (is_word("ELSE")) {
        ++i_;
        st->bodies.emplace_back();
        statements(&st->bodies.back(), {"END"});
        st->has_else = true;
    } else {
        st->name = "case";
    }
    expect_word("END");
    expect_word("CASE");
    expect_op(";");
}

void Parser::for_loop(PlStmt* st, std::uint32_t so) {
    ++i_;
    std::string index = identifier();
    expect_word("IN");
    scopes_.emplace_back();
    // A cursor FOR loop: over a query in parentheses, or over a declared cursor (with its
    // parameters' values in parentheses).
    const Symbol* named = peek().kind == TokenKind::Word ? lookup(peek().text) : nullptr;
    std::vector<std::string> parts;
    std::size_t width = dotted_ahead(&parts);
    // pkg.c LOOP, or pkg.c(...) when it names a cursor (pkg.f(...) .. n is a range's bound).
    bool packaged = parts.size() >= 2 && (is_word("LOOP", width) ||
                                          (is_op("(", width) && package_cursor(parts, 0, 0, true) >= 0));
    if (is_op("(") || (peek().kind == TokenKind::Word && is_word("LOOP", 1)) ||
        (named && named->kind == SymKind::Cursor && is_op("(", 1)) || packaged) {
        st->kind = PlStmtKind::ForCursor;
        PlSql* q = nullptr;
        std::vector<ColumnInfo> cols;
        if (packaged) {
            // FOR r IN pkg.c [(arguments)] LOOP: a package's cursor.
            const Token& n = peek();
            i_ += width;
            int c = package_cursor(parts, n.offset, so, false);
            if (c < 0) {
                prog_->cursors.push_back(pl_query_cursor(nullptr));
                c = static_cast<int>(prog_->cursors.size()) - 1;
                st->targets.push_back(pl_var_target(c));
            } else {
                st->targets.push_back(pl_var_target(c));
                st->slot = c;
                cursor_arguments(st, so);
                cursor_columns(c, &cols);
            }
        } else if (is_op("(")) {
            ++i_;
            std::size_t a = i_;
            std::size_t e = expression_end({")"});
            q = new_sql(a);
            compile_statement({{a, e}}, q, so);
            i_ = e;
            expect_op(")");
            prog_->cursors.push_back(pl_query_cursor(q));
            st->exprs.push_back(nullptr);
            st->targets.push_back(pl_var_target(static_cast<int>(prog_->cursors.size()) - 1));
        } else {
            const Token& n = peek();
            std::string name = identifier();
            const Symbol* s = lookup(name);
            if (!s || s->kind != SymKind::Cursor) {
                semantic_error(n.offset, pls_message(201, name), so);
                prog_->cursors.push_back(pl_query_cursor(nullptr));
                st->targets.push_back(pl_var_target(static_cast<int>(prog_->cursors.size()) - 1));
            } else {
                q = prog_->cursors[static_cast<std::size_t>(s->index)].query;
                if (!q) cursor_columns(s->index, &cols);
                st->targets.push_back(pl_var_target(s->index));
                st->slot = s->index;
                cursor_arguments(st, so);
            }
        }
        if (q) cols = q->tr.columns;
        st->slot = add_record(index, cols);
    } else {
        st->kind = PlStmtKind::ForRange;
        if (is_word("REVERSE")) {
            ++i_;
            st->reverse = true;
        }
        st->exprs.push_back(expression({".."}, so));
        expect_op(".");
        expect_op(".");
        st->exprs.push_back(expression({"LOOP"}, so));
        st->slot = add_var(index, number_type(38, 0), false);
        prog_->vars[static_cast<std::size_t>(st->slot)].constant = true;
    }
    Symbol s;
    s.index = st->slot;
    declare(index, s);
    expect_word("LOOP");
    loop_body(st);
    scopes_.pop_back();
}

void Parser::into_targets(PlStmt* st, std::uint32_t so) {
    for (;;) {
        st->targets.push_back(target(so));
        if (!is_op(",")) break;
        ++i_;
    }
}

void Parser::select_into(PlStmt* st, std::uint32_t so) {
    st->kind = PlStmtKind::SelectInto;
    // Static SQL declares no PL/SQL in a WITH clause (dynamic SQL may).
    if (is_word("WITH") && (is_word("FUNCTION", 1) || is_word("PROCEDURE", 1)) && !is_word("AS", 2) && !is_op("(", 2))
        expected("an identifier a double-quoted delimited-identifier", peek(1));
    std::size_t a = i_;
    std::size_t into = expression_end({"BULK", "INTO", ";"});
    bool bulk = into + 2 < t_.size() && t_[into].text == "BULK" && t_[into + 1].text == "COLLECT" &&
                t_[into + 2].text == "INTO";
    if (!bulk && !is_word("INTO") && !(into < t_.size() && t_[into].text == "INTO")) {
        i_ = into;
        PlCompileError e;
        position(t_[into].offset, &e.line, &e.column);
        e.text = pls_message(428);
        prog_->errors.push_back(e);
        expect_op(";");
        return;
    }
    i_ = into + (bulk ? 3 : 1);
    std::uint32_t target_offset = peek().offset;
    into_targets(st, so);
    std::size_t rest = i_;
    std::size_t e = expression_end({";"});
    PlSql* q = new_sql(a);
    compile_statement({{a, into}, {rest, e}}, q, so);
    st->exprs.push_back(q);
    i_ = e;
    expect_op(";");
    if (bulk) {
        st->bulk = true;
        bulk_targets(st, q->tr.columns.size(), target_offset, so);
        return;
    }
    // A whole collection takes no row's value: one of a PL/SQL type is no SQL value, and
    // one of a schema's type is not read back from SQL by this engine.
    for (const PlTarget& t : st->targets) {
        if (t.host || t.slot < 0 || t.index) continue;
        const PlVarInfo& v = prog_->vars[static_cast<std::size_t>(t.slot)];
        if (v.collection == PlCollection::None) continue;
        if (v.type_name.find('.') == std::string::npos)
            semantic_error(target_offset, pls_message(597, v.name), so, "PL/SQL: SQL Statement ignored");
        else
            semantic_error(target_offset, pls_message(999, "a whole collection read from SQL"), so,
                           "PL/SQL: SQL Statement ignored");
        return;
    }
    if (q->tr.columns.empty()) return;
    std::size_t want = q->tr.columns.size();
    std::size_t have = st->targets.size();
    if (have == 1 && !st->targets[0].host && st->targets[0].slot >= 0 &&
        !prog_->vars[static_cast<std::size_t>(st->targets[0].slot)].fields.empty())
        have = prog_->vars[static_cast<std::size_t>(st->targets[0].slot)].fields.size();
    if (have == 1 && st->targets[0].index && st->targets[0].field < 0 &&
        prog_->vars[static_cast<std::size_t>(st->targets[0].slot)].record_elements())
        have = prog_->vars[static_cast<std::size_t>(st->targets[0].slot)].record_fields.size();
    if (have != want)
        semantic_error(t_[rest].offset, "PL/SQL: " + ora_line(want > have ? 947 : 913), so,
                       "PL/SQL: SQL Statement ignored");
}

// "1..9" tokenizes as "1", ".", ".9": gives the range operator its second dot back.
void split_range_dots(std::vector<Token>* tokens) {
    for (std::size_t k = 0; k + 1 < tokens->size(); ++k) {
        Token& n = (*tokens)[k + 1];
        if ((*tokens)[k].kind == TokenKind::Operator && (*tokens)[k].text == "." && n.kind == TokenKind::Number &&
            n.text.size() > 1 && n.text[0] == '.' && (*tokens)[k].end == n.offset) {
            Token dot = (*tokens)[k];
            dot.offset = n.offset;
            dot.end = n.offset + 1;
            n.text.erase(0, 1);
            n.offset += 1;
            tokens->insert(tokens->begin() + static_cast<std::ptrdiff_t>(k + 1), dot);
        }
    }
}

// The identifier the tokenizer found too long at offset: a quoted one as written, another
// in upper case.
std::string long_identifier(const std::string& text, std::size_t at) {
    if (at < text.size() && text[at] == '"') {
        std::size_t close = text.find('"', at + 1);
        return text.substr(at + 1, close == std::string::npos ? std::string::npos : close - at - 1);
    }
    std::string name;
    for (std::size_t k = at; k < text.size(); ++k) {
        unsigned char c = static_cast<unsigned char>(text[k]);
        if (!std::isalnum(c) && c != '_' && c != '$' && c != '#' && c < 0x80) break;
        name += static_cast<char>(std::toupper(c));
    }
    return name;
}

// Tokens of text, or a compile error in program.
bool tokens_of(const std::string& text, std::vector<Token>* tokens, PlProgram* program) {
    OraError err;
    if (!sql_tokenize(text, tokens, &err)) {
        PlCompileError e;
        plsql_position(text, err.offset, &e.line, &e.column);
        if (err.code == 972)
            e.text = pls_message(114, long_identifier(text, err.offset));
        else
            e.text = pls_message(103, text.substr(err.offset, 1), "begin declare");
        program->errors.push_back(e);
        return false;
    }
    split_range_dots(tokens);
    return true;
}

int next_exception_id() {
    // Package exceptions are numbered from 1000000 up; these stay below.
    static std::atomic<int> next{1};
    int id = next.fetch_add(1);
    if (id >= 999999) next.store(1);
    return id % 999999 + 1;
}

}  // namespace plsql_parsing

using namespace plsql_parsing;

PlProgram::~PlProgram() {
    for (auto& q : sql)
        if (q->vm) sqlite3_finalize(q->vm);
}

void plsql_position(const std::string& text, std::uint32_t offset, int* line, int* column) {
    int l = 1;
    std::size_t line_start = 0;
    for (std::size_t k = 0; k < offset && k < text.size(); ++k)
        if (text[k] == '\n') {
            ++l;
            line_start = k + 1;
        }
    *line = l;
    *column = static_cast<int>(offset - line_start) + 1;
}

bool plsql_compile(const std::string& text, const PlCompileContext& ctx, PlProgram* program) {
    std::vector<Token> tokens;
    if (!tokens_of(text, &tokens, program)) {
        program->text = text;
        return false;
    }
    return plsql_compile_tokens(text, std::move(tokens), ctx, program, false);
}

bool plsql_compile_tokens(const std::string& text, std::vector<Token> tokens, const PlCompileContext& ctx,
                          PlProgram* program, bool split) {
    program->text = text;
    if (split) split_range_dots(&tokens);
    Parser p(text, tokens, ctx, program);
    try {
        p.program();
    } catch (const SyntaxStop&) {
        return false;
    }
    plsql_check_gotos(program);
    if (!ctx.trigger_when.empty() && program->errors.empty()) {
        std::vector<Token> when;
        if (!tokens_of(ctx.trigger_when, &when, program)) return false;
        Parser w(ctx.trigger_when, when, ctx, program, &p.globals());
        try {
            w.when_condition();
        } catch (const SyntaxStop&) {
            return false;
        }
    }
    return program->errors.empty();
}
