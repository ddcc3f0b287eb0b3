// Constraint rows of the catalog. Each constraint gets an id from the catalog's counter;
// an unnamed one is shown as SYS_C00 followed by its number (starting at 5000), so its
// name is stable for as long as it exists. A foreign key keeps the id of the key it
// references, found by the referenced columns (the primary key when none are given).
#include "catalog/constraints.h"

#include "sql/sql_lexer.h"
#include "sql/sql_text.h"

namespace {

void emit(const std::string& owner, const std::string& table, const ConstraintRecord& c,
          std::vector<std::string>* out) {
    std::string r_id = "NULL";
    if (c.type == 'R') {
        std::string wanted;
        for (std::size_t i = 0; i < c.r_columns.size(); ++i) wanted += (i ? "," : "") + c.r_columns[i];
        r_id = "(SELECT k.id FROM main.vantro_constraints k WHERE k.owner=" + quote_text(owner) +
               " AND k.table_name=" + quote_text(c.r_table) + " AND " +
               (wanted.empty() ? std::string("k.constraint_type='P'")
                               : "k.constraint_type IN ('P','U') AND (SELECT group_concat(column_name,',') FROM"
                                 " (SELECT column_name FROM main.vantro_cons_columns WHERE constraint_id=k.id"
                                 " ORDER BY position))=" +
                                     quote_text(wanted)) +
               " ORDER BY k.constraint_type LIMIT 1)";
    }
    std::string id = c.id > 0 ? std::to_string(c.id) : std::string("NULL");
    out->push_back(
        "INSERT INTO main.vantro_constraints(id,owner,constraint_name,constraint_type,table_name,search_condition,"
        "r_constraint_id,delete_rule,status,validated,is_deferrable,is_deferred) VALUES (" +
        id + "," + quote_text(owner) + "," + (c.name.empty() ? std::string("NULL") : quote_text(c.name)) + ",'" +
        c.type + "'," + quote_text(table) + "," +
        (c.type == 'C' ? quote_text(c.search_condition) : std::string("NULL")) + "," + r_id + "," +
        (c.type == 'R' ? quote_text(c.delete_rule) : std::string("NULL")) + "," +
        (c.state.disabled ? "'DISABLED'" : "'ENABLED'") + "," +
        (c.state.novalidate ? "'NOT VALIDATED'" : "'VALIDATED'") + "," +
        (c.state.deferrable ? "'DEFERRABLE'" : "'NOT DEFERRABLE'") + "," +
        (c.state.deferred ? "'DEFERRED'" : "'IMMEDIATE'") + ")");
    // Without a number of its own the row just inserted is the newest one.
    std::string constraint_id = c.id > 0 ? id : std::string("(SELECT max(id) FROM main.vantro_constraints)");
    for (std::size_t i = 0; i < c.columns.size(); ++i)
        out->push_back("INSERT INTO main.vantro_cons_columns(constraint_id,column_name,position) VALUES (" +
                       constraint_id + "," + quote_text(c.columns[i]) + "," +
                       (c.column_positions ? std::to_string(i + 1) : std::string("NULL")) + ")");
}

std::string text_of(const Expr& e, const std::string& text) {
    if (e.end <= e.offset || e.end > text.size()) return std::string();
    return text.substr(e.offset, e.end - e.offset);
}

}  // namespace

std::string constraints_system_name(long long id) {
    return "SYS_C00" + std::to_string(id + 4999);
}

void constraints_record_sql(const std::string& owner, const std::string& table, const ConstraintRecord& c,
                            std::vector<std::string>* out) {
    emit(owner, table, c, out);
}

void constraints_column_sql(const std::string& owner, const std::string& table, const ColumnDef& c, bool in_primary_key,
                            bool inline_keys, const std::string& statement_text, std::vector<std::string>* out) {
    if (c.default_value) {
        std::string text = text_of(*c.default_value, statement_text);
        out->push_back(
            "INSERT OR REPLACE INTO main.vantro_column_defaults(owner,table_name,column_name,data_default)"
            " VALUES (" +
            quote_text(owner) + "," + quote_text(table) + "," + quote_text(c.name) + "," + quote_text(text) + ")");
    }
    if (c.not_null && !c.primary_key && !in_primary_key) {
        ConstraintRecord r;
        r.name = c.not_null_name;
        r.search_condition = "\"" + c.name + "\" IS NOT NULL";
        r.columns = {c.name};
        r.column_positions = false;
        r.state = c.not_null_state;
        emit(owner, table, r, out);
    }
    if (!inline_keys) return;
    if (c.primary_key || c.unique) {
        ConstraintRecord r;
        r.type = c.primary_key ? 'P' : 'U';
        r.name = c.primary_key ? c.primary_key_name : c.unique_name;
        r.columns = {c.name};
        emit(owner, table, r, out);
    }
    if (!c.references.name.empty()) {
        ConstraintRecord r;
        r.type = 'R';
        r.name = c.references_name;
        r.columns = {c.name};
        r.r_table = c.references.name;
        r.r_columns = c.ref_columns;
        r.delete_rule = c.on_delete.empty() ? "NO ACTION" : c.on_delete;
        emit(owner, table, r, out);
    }
    if (c.check) {
        ConstraintRecord r;
        r.name = c.check_name;
        r.search_condition = text_of(*c.check, statement_text);
        r.columns = {c.name};
        r.column_positions = false;
        emit(owner, table, r, out);
    }
}

void constraints_catalog_sql(const std::string& owner, const std::string& table, const std::vector<ColumnDef>& columns,
                             const std::vector<TableConstraint>& constraints, const std::string& statement_text,
                             std::vector<std::string>* out) {
    for (const ColumnDef& c : columns) {
        // A primary key's columns are NOT NULL through the key, without a check of their own.
        bool in_key = false;
        for (const TableConstraint& k : constraints)
            if (k.kind == TableConstraint::Kind::PrimaryKey)
                for (const std::string& col : k.columns) in_key = in_key || col == c.name;
        constraints_column_sql(owner, table, c, in_key, true, statement_text, out);
    }
    for (const TableConstraint& k : constraints) {
        ConstraintRecord r;
        r.name = k.name;
        r.columns = k.columns;
        switch (k.kind) {
        case TableConstraint::Kind::PrimaryKey:
            r.type = 'P';
            break;
        case TableConstraint::Kind::Unique:
            r.type = 'U';
            break;
        case TableConstraint::Kind::ForeignKey:
            r.type = 'R';
            r.r_table = k.references.name;
            r.r_columns = k.ref_columns;
            r.delete_rule = k.on_delete.empty() ? "NO ACTION" : k.on_delete;
            break;
        case TableConstraint::Kind::Check:
            r.type = 'C';
            r.search_condition = k.check ? text_of(*k.check, statement_text) : std::string();
            r.column_positions = false;
            break;
        }
        emit(owner, table, r, out);
    }
}

void constraints_drop_sql(const std::string& owner, const std::string& table, std::vector<std::string>* out) {
    std::string where = " WHERE owner=" + quote_text(owner) + " AND table_name=" + quote_text(table);
    out->push_back(
        "DELETE FROM main.vantro_cons_columns WHERE constraint_id IN (SELECT id FROM main.vantro_constraints" + where +
        ")");
    out->push_back("DELETE FROM main.vantro_constraints" + where);
    out->push_back("DELETE FROM main.vantro_column_defaults" + where);
}

void constraints_rename_column_sql(const std::string& owner, const std::string& table, const std::string& from,
                                   const std::string& to, std::vector<std::string>* out) {
    std::string where = " WHERE owner=" + quote_text(owner) + " AND table_name=" + quote_text(table);
    out->push_back("UPDATE main.vantro_cons_columns SET column_name=" + quote_text(to) + " WHERE column_name=" +
                   quote_text(from) + " AND constraint_id IN (SELECT id FROM main.vantro_constraints" + where + ")");
    out->push_back("UPDATE main.vantro_constraints SET search_condition=vantro_rename_name(search_condition," +
                   quote_text(from) + "," + quote_text(to) + ")" + where + " AND constraint_type='C'");
    out->push_back("UPDATE main.vantro_column_defaults SET column_name=" + quote_text(to) + where +
                   " AND column_name=" + quote_text(from));
}

void constraints_drop_column_sql(const std::string& owner, const std::string& table, const std::string& column,
                                 std::vector<std::string>* out) {
    std::string where = " WHERE owner=" + quote_text(owner) + " AND table_name=" + quote_text(table);
    out->push_back(
        "DELETE FROM main.vantro_constraints" + where +
        " AND id IN (SELECT constraint_id FROM main.vantro_cons_columns WHERE column_name=" + quote_text(column) + ")");
    out->push_back(
        "DELETE FROM main.vantro_cons_columns WHERE constraint_id NOT IN (SELECT id FROM"
        " main.vantro_constraints)");
    out->push_back("DELETE FROM main.vantro_column_defaults" + where + " AND column_name=" + quote_text(column));
}

std::string constraints_rename_in_condition(const std::string& text, const std::string& from, const std::string& to) {
    std::vector<Token> tokens;
    OraError err;
    if (!sql_tokenize(text, &tokens, &err)) return text;
    bool plain = !to.empty();
    for (std::size_t i = 0; i < to.size(); ++i) {
        unsigned char ch = static_cast<unsigned char>(to[i]);
        plain = plain && ((ch >= 'A' && ch <= 'Z') ||
                          (i > 0 && ((ch >= '0' && ch <= '9') || ch == '_' || ch == '$' || ch == '#')));
    }
    std::string out;
    std::size_t at = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if ((t.kind != TokenKind::Word && t.kind != TokenKind::QuotedWord) || t.text != from) continue;
        // A name before "(" is a function's.
        if (i + 1 < tokens.size() && tokens[i + 1].kind == TokenKind::Operator && tokens[i + 1].text == "(") continue;
        out += text.substr(at, t.offset - at);
        out += t.kind == TokenKind::Word && plain ? to : "\"" + to + "\"";
        at = t.end;
    }
    return out + text.substr(at);
}

namespace {

void fn_rename_name(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    auto arg = [&](int i) {
        const unsigned char* t = sqlite3_value_text(argv[i]);
        return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
    };
    std::string renamed = constraints_rename_in_condition(arg(0), arg(1), arg(2));
    sqlite3_result_text(ctx, renamed.c_str(), static_cast<int>(renamed.size()), SQLITE_TRANSIENT);
}

}  // namespace

bool constraints_functions_register(sqlite3* db) {
    return sqlite3_create_function(db, "vantro_rename_name", 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   fn_rename_name, nullptr, nullptr) == SQLITE_OK;
}
