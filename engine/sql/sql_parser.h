// The recursive-descent parser shared by the grammar's files: the query and DML
// grammar (sql_parser.cpp) and the DDL grammar (sql_parser_ddl.cpp). Internal to sql/.
#pragma once

#include "sql/sql_ast.h"
#include "sql/token_cursor.h"

#include "values/errors.h"

#include <cstdint>
#include <string>
#include <vector>

struct TypeDetails;

namespace sql_grammar {

// Words that end an expression or a select item and so can never be an alias.
inline const char* const kReserved[] = {
    "ALL",   "ALTER",   "AND",    "ANY",    "AS",       "ASC",    "BETWEEN",   "BY",    "CHECK",  "CONNECT", "CREATE",
    "CROSS", "DEFAULT", "DELETE", "DESC",   "DISTINCT", "DROP",   "ELSE",      "END",   "EXISTS", "FOR",     "FROM",
    "FULL",  "GROUP",   "HAVING", "IN",     "INNER",    "INSERT", "INTERSECT", "INTO",  "IS",     "JOIN",    "LEFT",
    "LIKE",  "MINUS",   "NOT",    "NULL",   "ON",       "OR",     "ORDER",     "OUTER", "RIGHT",  "SELECT",  "SET",
    "START", "THEN",    "UNION",  "UPDATE", "USING",    "VALUES", "WHEN",      "WHERE", "WITH"};

// JSON_OBJECT, JSON_ARRAY, JSON_OBJECTAGG and JSON_ARRAYAGG, which have a grammar of their own.
bool json_generation_name(const std::string& name);
// The SQL/XML functions, likewise (sql_parser_xml.cpp).
bool xml_function_name(const std::string& name);
// The value text of a named constant of the binary types (BINARY_DOUBLE_NAN ...), with
// single set for a BINARY_FLOAT one; nullptr for any other word.
const char* binary_constant_text(const std::string& word, bool* single);

// Deeper nesting than this is refused rather than allowed to exhaust the stack.
inline constexpr int kMaxDepth = 200;

inline bool is_reserved(const std::string& w) {
    for (const char* r : kReserved)
        if (w == r) return true;
    return false;
}

class Parser : TokenCursor {
public:
    Parser(const std::vector<Token>& tokens, OraError* err) : TokenCursor(tokens), err_(err) {}

    bool statement(Statement* s);
    bool type_declaration(ObjectTypeDecl* out);
    bool type_details(ObjectTypeDecl* decl, TypeDetails* details);
    void type_method(TypeDetails* details);
    bool whole_expression(ExprPtr* out) {
        if (!expr(out)) return false;
        if (!at_end()) return fail(cur().kind == TokenKind::Operator && cur().text == ")" ? 907 : 933);
        return true;
    }
    // A SQL statement's parse: conditions are no values in function arguments.
    void take_values_only() { sql_values_ = true; }

private:
    // NATURAL before [INNER | LEFT | RIGHT | FULL [OUTER]] JOIN: a join, not an alias.
    bool natural_join_next() const {
        if (!is_word("NATURAL")) return false;
        return word_at(1, "JOIN") || word_at(1, "INNER") || word_at(1, "LEFT") || word_at(1, "RIGHT") ||
               word_at(1, "FULL");
    }
    OraError* err_;
    bool failed_ = false;
    // WITH FUNCTION in a subquery: allowed by the hint WITH_PLSQL, or below a top-level
    // query that declares PL/SQL itself. top_query_: the next query is the statement's own.
    bool plsql_allowed_ = false;
    bool top_query_ = false;
    int depth_ = 0;  // nesting of parentheses and subqueries, bounded to keep the stack safe
    // Set for a SQL statement: its function arguments are values, not conditions (which only
    // PL/SQL expressions and LNNVL take).
    bool sql_values_ = false;

    bool fail(int code, const std::string& arg = {}) {
        if (!failed_) {
            *err_ = ora_error(code, arg);
            err_->offset = cur().offset;
            failed_ = true;
        }
        return false;
    }
    // Nesting beyond kMaxDepth: ORA-03095 at the token where it happens.
    bool too_deep() { return fail(3095, std::to_string(kMaxDepth)); }
    bool expect_word(const char* w, int code) { return accept_word(w) || fail(code); }
    bool expect_op(const char* o, int code) { return accept_op(o) || fail(code); }
    // An identifier: an unreserved word or a quoted word.
    bool identifier(std::string* out, std::uint32_t* offset = nullptr) {
        if (cur().kind == TokenKind::QuotedWord || (cur().kind == TokenKind::Word && !is_reserved(cur().text))) {
            *out = cur().text;
            if (offset) *offset = cur().offset;
            ++p_;
            return true;
        }
        return false;
    }

    bool table_ref(TableRef* ref);
    bool select(std::unique_ptr<SelectStmt>* out);
    bool select_nested(std::unique_ptr<SelectStmt>* out);
    bool select_block(SelectStmt* s);
    bool from_item(FromItem* f);
    bool table_function_ahead() const;
    bool apply_next() const;
    bool pivot_clause(FromItem* f);
    bool unpivot_clause(FromItem* f);
    bool pivot_cell(std::size_t agg, std::size_t value, const std::vector<std::string>& for_columns, std::size_t width,
                    PivotClause* pc);
    bool expr(ExprPtr* out);
    bool value_expr(ExprPtr* out);
    bool or_expr(ExprPtr* out);
    bool and_expr(ExprPtr* out);
    bool not_expr(ExprPtr* out);
    bool predicate(ExprPtr* out);
    bool regexp_like(ExprPtr* out);
    bool is_json(ExprPtr lhs, bool negated, ExprPtr* out);
    bool json_exists(ExprPtr* out);
    bool json_function(ExprPtr* out);
    bool json_head(Expr* e);
    bool json_returning(JsonClauses* j);
    bool json_behaviour(Expr* e, bool query);
    bool json_generation(ExprPtr* out);  // sql_parser_json_gen.cpp
    bool json_gen_clauses(Expr* e);
    bool xml_function(ExprPtr* out);  // sql_parser_xml.cpp
    bool xml_named_list(Expr* e, const char* function);
    bool xml_passing(Expr* e);
    bool xml_namespaces(std::string* prolog);
    bool xml_method_suffix(ExprPtr* out);
    bool xml_table(FromItem* f);
    bool json_table(FromItem* f);
    bool json_table_columns(std::vector<JsonTableColumn>* columns, int depth);
    bool json_table_column(JsonTableColumn* c, int depth);
    bool json_table_path(std::string* out);
    bool row_compared() const;
    bool paren_list() const;
    bool row_value(ExprPtr* out);
    bool row_operand(const Expr& lhs, ExprPtr* out);
    bool additive(ExprPtr* out);
    bool multiplicative(ExprPtr* out);
    bool unary(ExprPtr* out);
    bool primary(ExprPtr* out);
    bool case_expr(ExprPtr* out);
    bool order_list(std::vector<OrderItem>* items);
    bool call_suffix(Expr* e);
    // Subscripts, members and method calls applied to the result of call *e.
    bool postfix_chain(ExprPtr* e);
    bool call_arguments(Expr* e);
    bool window(WindowSpec* w);
    bool frame_bound(FrameBound* b);
    bool row_limiting(SelectStmt* s);
    bool grouping_element(GroupingElement* g, int level);
    bool factoring(SelectStmt* s);
    bool plsql_declaration();
    bool search_clause(SelectStmt::Factored* f);
    bool cycle_clause(SelectStmt::Factored* f);
    bool datetime_literal(ExprPtr* out);
    bool interval_literal(ExprPtr* out);
    bool cast_expr(ExprPtr* out);
    bool treat_expr(ExprPtr* out);
    bool type_name(std::string* name);
    // value converted to BINARY_FLOAT (single) or BINARY_DOUBLE: a literal 2.5f or 1D, or a
    // named constant such as BINARY_DOUBLE_INFINITY.
    ExprPtr binary_literal(ExprPtr value, bool single);
    bool cast_type(Expr* e);
    bool extract_expr(ExprPtr* out);
    bool translate_using_expr(ExprPtr* out, bool* handled);
    bool trim_expr(ExprPtr* out, bool* handled);
    bool interval_precision(int* out, int fallback);
    bool column_def(ColumnDef* c);
    bool datatype(ColumnDef* c, bool user_types = false);
    bool column_constraints(ColumnDef* c);
    bool generated_clause(ColumnDef* c);
    bool identity_options(IdentityOptions* o);
    bool table_clauses(Statement* s);
    bool table_attribute();
    void segment_attributes(StorageClause* st);
    bool partition_by(Partitioning* p);
    bool subpartition_by(Partitioning* p);
    bool partition_def(Partitioning* p, PartitionDef* d);
    bool subpartition_list();
    bool paren_list_skip();
    bool on_commit_clause(Statement* s);
    bool table_constraint(TableConstraint* c);
    bool constraint_state(ConstraintState* st);
    bool name_list(std::vector<std::string>* names, std::vector<std::uint32_t>* offsets = nullptr);
    bool create(Statement* s);
    bool materialized_view(Statement* s);
    bool object_table(Statement* s);
    bool drop(Statement* s);
    bool alter(Statement* s);
    bool analyze(Statement* s);
    bool alter_session(Statement* s);
    bool set_transaction(Statement* s);
    bool user_clauses(AccessClause* a, bool create);
    bool grant_or_revoke(Statement* s);
    bool access_name(std::string* out, std::uint32_t* offset);
    bool insert(Statement* s);
    bool multi_insert(Statement* s);
    bool insert_values(Statement* s);
    bool update(Statement* s);
    bool del(Statement* s);
    bool merge(Statement* s);
    bool set_list(Statement* s);
    bool for_update(SelectStmt* q);
    bool dml_where(Statement* s);
    bool returning(Statement* s);
    void storage_clauses(StorageClause* st, bool index);
    bool index_properties(StorageClause* st);
    bool alter_index(Statement* s);
    bool partition_extension(TableRef* ref);
    bool partition_change(Statement* s);
    bool partition_names(Statement::PartitionChange* c);
    bool split_clause(Statement::PartitionChange* c);
    bool storage_parameters(StorageClause* st);
    bool size(long long* out);

    ExprPtr make(ExprKind k, std::uint32_t offset) {
        ExprPtr e(new Expr);
        e->kind = k;
        e->offset = offset;
        return e;
    }
};

}  // namespace sql_grammar
