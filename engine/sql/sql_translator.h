// The translator's shared pieces: name scopes, translated expressions and the
// Translator class whose statement and expression halves live in sql_translate.cpp and
// sql_translate_expr.cpp. Internal to the engine; the rest of the engine uses
// sql_translate.h.
#pragma once

#include "sql/sql_ast.h"
#include "sql/sql_text.h"
#include "sql/sql_translate.h"
#include "sql/sql_type_details.h"

#include <map>
#include <set>
#include <string>
#include <vector>

struct ViewLevel;   // a view DML passes through (view_dml.cpp)
struct BlockNames;  // ... and the names a subquery of the statement reads

struct Source {
    std::string alias;  // upper case or as quoted
    std::string sql;    // how the FROM clause names it
    std::vector<ColumnInfo> columns;
    // When not empty, the name each column has in the FROM rows (JSON_TABLE's rows come
    // in generic columns); otherwise the columns' own names.
    std::vector<std::string> stored;
    std::string stored_name(std::size_t i) const { return stored.empty() ? columns[i].name : stored[i]; }
    // For a table or view of the schemas: its owner and name, for the rows' ROWID.
    std::string rowid_owner, rowid_table;
};

// The extra columns of a CONNECT BY block's rows: LEVEL, one running path per
// SYS_CONNECT_BY_PATH call and one root value per CONNECT_BY_ROOT operator.
struct Hierarchy {
    std::string alias;                // the rows' alias in the block's FROM clause
    std::string level_sql;            // what LEVEL reads
    std::vector<const Expr*> paths;   // SYS_CONNECT_BY_PATH calls, numbered by position
    std::vector<const Expr*> roots;   // CONNECT_BY_ROOT operators, likewise
    std::vector<const Expr*> priors;  // PRIOR outside CONNECT BY: the parent row's values
    bool leaf = false;                // CONNECT_BY_ISLEAF is read
    std::string leaf_sql;             // what CONNECT_BY_ISLEAF reads (empty: not here)
};

struct Scope {
    std::vector<Source> sources;
    std::set<std::string> using_names;  // columns joined with USING: one merged column each
    std::vector<std::string> using_order;  // ... in the order the joins name them (first in *)
    // The items a USING or NATURAL join merged a column of: "ALIAS.COLUMN", true for
    // NATURAL. Such a column cannot be named with that item's qualifier.
    std::map<std::string, bool> merged_columns;
    const Scope* outer = nullptr;
    bool bare = false;                     // emit columns without a qualifier (CHECK constraints)
    std::string emit_alias;                // when set, columns found here are qualified with it
    const Hierarchy* hierarchy = nullptr;  // the block is a hierarchical query
    const Scope* prior = nullptr;          // inside CONNECT BY: where PRIOR operands are read
    // The FROM items before a lateral inline view: their columns are read as ?1, ?2, ...
    // of the view's own statement, and the SQL of each is kept here in that order.
    std::vector<std::string>* lateral_args = nullptr;
};

// True when column e names a column of the block's own FROM rows, not one of an outer
// query's (which is a constant within the block's groups).
bool local_column(const Expr& e, const Scope& scope);

struct Emitted {
    std::string sql;
    OraType type;
    bool aggregate = false;
    std::string literal;   // a number literal's text as typed
    bool trimmed = false;  // a CHAR column's value, stored without its trailing blanks
    bool text_literal = false;
    bool whole = false;  // a NUMBER that is always an integer of 64 bits (ROWNUM, COUNT)
    std::string object_type = {};  // "OWNER.NAME" for a value of a schema-level object or collection type
};

bool is_char(const OraType& t);
bool is_date(const OraType& t);
bool is_timestamp(const OraType& t);  // TIMESTAMP, with or without a time zone
bool is_zoned(const OraType& t);      // TIMESTAMP WITH [LOCAL] TIME ZONE
// sql compared by its instant where t is zoned (the VANTRO_TZ collation), so that GROUP BY,
// DISTINCT, the set operators and window partitions and orders take equal instants as one
// value whatever their offsets; sql as it is for other types.
std::string by_instant(const OraType& t, const std::string& sql);
bool is_number(const OraType& t);
// Whether a NUMBER of type t may hold a value wider than an integer or a double (stored as
// Oracle's number bytes), and sql ordered by its numeric value where it may.
bool may_be_wide(const OraType& t);
std::string number_order_key(const OraType& t, const std::string& sql);
OraType number_type();
OraType varchar_type(std::uint32_t size);
OraType date_type();
// Oracle's datatype families for the rule that the branches of a CASE (and the blocks
// of a UNION) must agree.
const char* type_family(const OraType& t);
bool same_family(const OraType& a, const OraType& b);
// The type that holds values of both a and b (b's text size given).
OraType wider(const OraType& a, const OraType& b, std::uint32_t b_text_size);
bool is_aggregate_call(const Expr& e);
// GROUPING, GROUPING_ID and GROUP_ID.
bool is_grouping_call(const Expr& e);
// True when the block is written by grouping_block: its GROUP BY has ROLLUP, CUBE,
// GROUPING SETS or composite columns, or it reads GROUPING, GROUPING_ID or GROUP_ID.
bool uses_grouping_sets(const SelectStmt& s);
// Keeps a pointer at a value while one part of a statement is written.
template <typename T>
struct PointerGate {
    T*& ptr;
    T* saved;
    PointerGate(T*& p, T* value) : ptr(p), saved(p) { ptr = value; }
    ~PointerGate() { ptr = saved; }
    PointerGate(const PointerGate&) = delete;
    PointerGate& operator=(const PointerGate&) = delete;
};
// The ancestors a row of a recursive query carries, as ",key,key,...,": the list starts
// with the root's key (or empty), each child adds a key, and a key is looked up whole, so
// keys must not contain a comma.
std::string ancestry_first(const std::string& key);
std::string ancestry_add(const std::string& list, const std::string& key);
std::string ancestry_has(const std::string& list, const std::string& key);
// One row's key in such a list from the values of columns of `alias`: equal values
// (NULL equal to NULL) give equal keys, different values different ones.
std::string row_key(const std::string& alias, const std::vector<std::string>& columns);

// True for the functions that exist only as analytic functions (ROW_NUMBER, LAG, ...).
bool analytic_only_function(const std::string& name);
// Whether name is one of the analytic table's functions (the aggregates among them).
bool analytic_function_name(const std::string& name);

// STDDEV, MEDIAN, PERCENTILE_CONT and the other statistical aggregates.
bool statistic_function(const std::string& name);

// A block's WHERE split into conjuncts: which became the ON condition of an old-style
// outer join (the FROM item's index, -1 for none) and which limit the rows by ROWNUM.
struct WhereParts {
    std::vector<Expr*> conjuncts;
    std::vector<int> outer_target;
    std::vector<bool> is_limit;
    bool any_outer = false;
    bool any_limit = false;
    long long row_limit = -1;  // the smallest ROWNUM limit, -1 for none
};

// A block's select list as written: the items' SQL, the result columns, and the items
// that are not aggregates (checked against GROUP BY).
struct SelectList {
    std::string items;
    std::vector<ColumnInfo> cols;
    bool any_aggregate = false;
    std::vector<const Expr*> plain_columns;
    std::vector<std::string> item_sql;   // each result column's expression, as the FROM rows compute it
    std::vector<std::string> item_text;  // each result column as written into the select list, before its alias
};

// A block whose rows a ROWNUM limit wrapped in a subquery: each result column's
// expression, and the ORDER BY keys that are none of them, computed inside the limited
// rows as the hidden columns "vantro_ok1", "vantro_ok2" ...
struct RowLimitedBlock {
    std::vector<std::string> items;
    std::vector<std::string> hidden_keys;
};
// The number of nodes of e's tree.
std::size_t expr_nodes(const Expr& e);
// True for the pseudo-column ROWNUM written alone.
bool is_rownum(const Expr& e);

// The rows of a block grouped by ROLLUP, CUBE or GROUPING SETS (or reading GROUPING):
// one GROUP BY per grouping set, joined by UNION ALL into a subquery whose columns are
// each grouping expression (NULL where its set leaves it out), each aggregate the block
// reads, each expression's GROUPING bit and GROUP_ID. The block's select list, HAVING
// and ORDER BY are written over that subquery.
struct GroupedRows {
    std::vector<std::string> groups;  // each distinct grouping expression as the FROM rows read it
    std::vector<Emitted> group_values;
    std::size_t group_nodes = 0;                      // the size of the largest
    std::vector<Emitted> aggregates;                  // the aggregate calls read, as the FROM rows compute them
    std::map<const Expr*, std::size_t> aggregate_of;  // each call's column
    bool sealed = false;                              // the subquery is written: no column can join it
};

// Keeps analytic_ok_ at a value while one part of a statement is written.
struct AnalyticGate {
    bool& flag;
    bool saved;
    AnalyticGate(bool& f, bool value) : flag(f), saved(f) { flag = value; }
    ~AnalyticGate() { flag = saved; }
    AnalyticGate(const AnalyticGate&) = delete;
    AnalyticGate& operator=(const AnalyticGate&) = delete;
};

// What an INSERT does about the table's generated columns (Translator::insert_generated).
struct InsertFill {
    std::vector<bool> is_default;                            // per target: VALUES gave DEFAULT
    std::vector<std::string> coalesce;                       // per target: what replaces a NULL (ON NULL columns)
    std::vector<std::string> fill;                           // per target: the generated value, for DEFAULT
    std::vector<std::pair<std::string, std::string>> added;  // columns left out: name and value
    bool defaulted(std::size_t i) const { return i < is_default.size() && is_default[i]; }
};

class Translator {
public:
    Translator(const std::string& text, const TranslateContext& ctx, Translation* out, OraError* err)
        : text_(text), ctx_(ctx), out_(out), err_(err) {}

    bool statement(Statement& s);
    bool expression(Expr& e, bool condition);

private:
    const std::string& text_;
    const TranslateContext& ctx_;
    Translation* out_;
    OraError* err_;
    std::string store_owner_;  // the INSERT ... SELECT target, for the store conversions' messages
    std::string store_table_;
    std::map<const SelectStmt*, Hierarchy> hierarchies_;  // of the CONNECT BY blocks, for their ORDER BY

    // The query names of the WITH clauses being written, innermost last.
    struct QueryName {
        std::string name;
        std::vector<ColumnInfo> columns;
        std::string sql;  // how a FROM clause reads it, when not by its own name
    };
    std::vector<QueryName> query_names_;
    // The units of the PL/SQL declarations of the WITH clauses being written, innermost
    // last: the unit's name and its functions' result types.
    struct DeclaredUnit {
        std::string unit;
        std::map<std::string, OraType> functions;
    };
    std::vector<DeclaredUnit> declared_units_;
    bool with_clause(SelectStmt& s, std::string* sql);
    // The recursive member of a WITH element with SEARCH or CYCLE: its rows carry their
    // depth and their ancestors' keys beside the element's columns.
    struct RecursiveStep {
        const SelectStmt* block = nullptr;  // the member's query block
        std::string source_sql;             // how it reads the rows found so far
        std::vector<std::string> cycle_columns;
        bool found = false;  // the block read those rows
    };
    RecursiveStep* recursion_ = nullptr;
    bool search_cycle_element(SelectStmt::Factored& f, const std::vector<ColumnInfo>& anchor,
                              const std::string& anchor_sql, std::vector<ColumnInfo>* cols, std::string* text);
    // The extra select items and WHERE condition of the member block (see RecursiveStep).
    bool recursive_step_parts(SelectStmt& s, const Scope& scope, std::string* items, std::string* where);
    // OFFSET ... FETCH ... of a query whose SQL (with its ORDER BY) is *sql.
    bool row_limiting(SelectStmt& s, const std::vector<ColumnInfo>& cols, const std::vector<std::string>& order_keys,
                      std::string* sql);

    bool fail(int code, std::uint32_t offset, const std::string& arg = {}, const std::string& arg2 = {}) {
        *err_ = ora_error(code, arg, arg2);
        err_->offset = offset;
        return false;
    }

    std::string owner_of(const TableRef& t) const { return t.owner.empty() ? ctx_.schema : t.owner; }
    bool rows_sql(const std::string& owner, const std::string& table, std::uint32_t offset, std::string* sql);
    bool synonym_target(const TableRef& t, std::string* owner, std::string* target);
    bool indexes_usable(const std::string& owner, const std::string& table, std::uint32_t offset);
    bool table_source(const TableRef& t, Source* src, const char* privilege = "SELECT");
    // Fails with the ORA- error when the session may not use owner.name for privilege.
    bool may_use(const std::string& owner, const std::string& name, const char* privilege, std::uint32_t offset);
    // The ROWID pseudo-column of the rows of scope (qualifier: of that source only).
    bool rowid_column(const Expr& e, const Scope& scope, const std::string& qualifier, Emitted* out, bool* handled);
    bool select(SelectStmt& s, const Scope* outer, std::vector<ColumnInfo>* cols, std::string* sql,
                const std::vector<ColumnInfo>* store_types = nullptr);
    bool select_query(SelectStmt& s, const Scope* outer, std::vector<ColumnInfo>* cols, std::string* sql,
                      const std::vector<ColumnInfo>* store_types);
    bool select_block(SelectStmt& s, const Scope* outer, std::vector<ColumnInfo>* cols, std::string* sql,
                      const std::vector<ColumnInfo>* store_types);
    // The clauses of one query block, in the order select_block writes them.
    bool from_clause(SelectStmt& s, Scope* scope, std::string* from, std::vector<std::string>* pieces);
    bool using_condition(const FromItem& f, Scope* scope, std::string* on);
    void natural_columns(FromItem* f, const Scope& scope);
    // Rewrites a block whose select list nests aggregates (MAX(COUNT(*))) into one that
    // aggregates the rows of its grouped subquery; false with ORA-00978 without GROUP BY.
    bool nested_aggregates(SelectStmt& s);
    bool where_parts(SelectStmt& s, const Scope& scope, WhereParts* w);
    bool old_style_joins(SelectStmt& s, const Scope& scope, const WhereParts& w, const std::vector<std::string>& pieces,
                         std::string* from);
    bool select_items(SelectStmt& s, const Scope& scope, const std::vector<ColumnInfo>* store_types, SelectList* list);
    bool star_item(SelectItem& it, const Scope& scope, const std::vector<ColumnInfo>* store_types, SelectList* list);
    bool where_clause(SelectStmt& s, const Scope& scope, WhereParts* w, const SelectList& list, const std::string& from,
                      std::string* text);
    bool group_clauses(SelectStmt& s, const Scope& scope, const SelectList& list, std::string* text, bool* grouping);
    // ROLLUP, CUBE and GROUPING SETS (sql_translate_grouping.cpp).
    GroupedRows* grouped_ = nullptr;                           // the block whose grouped rows expressions read now
    std::map<const SelectStmt*, GroupedRows> grouped_blocks_;  // for their ORDER BY
    std::map<const SelectStmt*, std::vector<std::string>> block_item_text_;  // each block's result columns' SQL
    std::string result_column_sql(const SelectStmt& s, std::size_t k, const std::string& name) const;
    // The blocks whose rows a ROWNUM limit wrapped in a subquery: their ORDER BY finds its
    // keys among the result columns and the hidden key columns.
    std::map<const SelectStmt*, RowLimitedBlock> row_limited_blocks_;
    bool row_limited_keys(SelectStmt& s, const Scope& scope, const SelectList& list, long long row_limit,
                          std::string* text, RowLimitedBlock* limited);
    bool grouping_block(SelectStmt& s, const Scope& scope, const std::string& from, WhereParts& w,
                        const std::vector<ColumnInfo>* store_types, std::vector<ColumnInfo>* cols, std::string* sql);
    bool grouping_sets(SelectStmt& s, const Scope& scope, GroupedRows& rows,
                       std::vector<std::vector<std::size_t>>* sets);
    bool grouping_element_sets(GroupingElement& g, const Scope& scope, GroupedRows& rows,
                               std::vector<std::vector<std::size_t>>* sets);
    bool group_index(Expr& e, const Scope& scope, GroupedRows& rows, std::size_t* index);
    // The grouping expression e is, as the FROM rows read it (-1 when none).
    bool find_group(Expr& e, const Scope& scope, const GroupedRows& rows, int* index);
    bool grouped_value(Expr& e, const Scope& scope, Emitted* out, bool* handled);
    bool grouping_call(Expr& e, const Scope& scope, Emitted* out);
    bool grouped_aggregate(Expr& e, const Scope& scope, Emitted* out);
    bool order_aggregates(Expr& e, const Scope& scope);
    bool expr(Expr& e, const Scope& scope, Emitted* out);
    // The kinds of expression expr() dispatches to.
    bool interval_operation(const Expr& e, const Emitted& a, const Emitted& b, Emitted* out);
    bool literal(const Expr& e, Emitted* out);
    bool bind(const Expr& e, Emitted* out);
    bool unary(Expr& e, const Scope& scope, Emitted* out);
    bool condition(Expr& e, const Scope& scope, Emitted* out);
    bool in_list(Expr& e, const Scope& scope, Emitted* out);
    bool quantified(Expr& e, const Scope& scope, Emitted* out);
    bool subquery(Expr& e, const Scope& scope, Emitted* out);
    // sql_translate_rows.cpp: a row of values (a, b, ...) compared with a row, a list of
    // rows or a subquery's rows.
    bool row_condition(Expr& e, const Scope& scope, Emitted* out);
    bool row_values(Expr& row, const Scope& scope, std::vector<Emitted>* out);
    bool row_equal(const std::vector<Emitted>& lhs, Expr& row, const Scope& scope, std::uint32_t at, std::string* sql);
    bool row_subquery(const std::vector<Emitted>& lhs, SelectStmt& q, const Scope& scope, std::uint32_t at,
                      std::string* values, std::string* rows, std::string* equal);
    bool case_expr(Expr& e, const Scope& scope, Emitted* out);
    bool column(Expr& e, const Scope& scope, Emitted* out);
    // Asks ctx_.names about e; *handled is false when the hook does not know it.
    bool host_name(const Expr& e, Emitted* out, bool* handled);
    void resolved(const NameResolution& r, Emitted* out);
    bool rownum_limit(const Expr& conjunct, long long* limit);
    bool outer_join_target(const Expr& conjunct, const SelectStmt& s, const Scope& scope, int* target);
    std::string using_column(const Scope& scope, const std::string& name, OraType* type) const;
    bool function(Expr& e, const Scope& scope, Emitted* out);
    bool json(Expr& e, const Scope& scope, Emitted* out);
    // JSON_OBJECT, JSON_ARRAY, JSON_OBJECTAGG and JSON_ARRAYAGG (sql_translate_json_gen.cpp).
    bool json_generate(Expr& e, const Scope& scope, Emitted* out);
    bool json_gen_value(const Expr& arg, const Emitted& v, bool format_json, std::string* sql);
    // XMLELEMENT, XMLFOREST, XMLAGG and the other SQL/XML functions (sql_translate_xml.cpp).
    bool xml_generate(Expr& e, const Scope& scope, Emitted* out);
    // Appends ",flags,key" for each ORDER BY key of an ordered aggregate (JSON_ARRAYAGG,
    // XMLAGG): flags 1 descending, 2 nulls first. ORA-00935 for a nested aggregate.
    bool aggregate_order_keys(std::vector<OrderItem>& keys, const Scope& scope, std::string* sql);
    // A JSON_TABLE FROM item: the call of vantro_json_table over the document, which may
    // read the sources of scope (the items to its left).
    bool json_table_source(FromItem& f, const Scope& scope, Source* src);
    // A LATERAL (or APPLY) inline view of the items of left: the rows of vantro_lateral_rows.
    bool lateral_source(FromItem& f, const Scope& left, Source* src);
    // TABLE(collection) in FROM: one row per element (sql_translate_collections.cpp).
    bool collection_source(FromItem& f, const Scope& scope, Source* src);
    bool xplan_arguments(const Expr& call, const char* member, std::vector<const Expr*>* slots);
    bool multiset(Expr& e, const Scope& scope, Emitted* out);
    // The collection type value names, with its declaration; fails with ORA-00932 when
    // value is of no collection type.
    bool collection_of(const Emitted& value, std::uint32_t offset, ObjectTypeDecl* decl);
    // The item kind of the elements of collection type decl, as vantro_object takes it.
    static std::string collection_kind(const ObjectTypeDecl& decl);
    // CAST and EXTRACT (sql_translate_cast.cpp).
    bool cast(Expr& e, const Scope& scope, Emitted* out);
    bool extract(Expr& e, const Scope& scope, Emitted* out);
    // Analytic calls (with OVER) and LISTAGG (sql_translate_analytic.cpp).
    bool analytic_ok_ = false;  // the clause being written may hold analytic functions
    bool analytic(Expr& e, const Scope& scope, Emitted* out);
    bool listagg(Expr& e, const Scope& scope, Emitted* out);
    // window: the OVER clause of an analytic call (the call is then no aggregate), or empty.
    bool keep_aggregate(Expr& e, const Scope& scope, Emitted* out, const std::string& window = {});
    // The statistical aggregates and percentiles, as aggregates (statistic) and as the
    // call before OVER (statistic_call).
    bool statistic(Expr& e, const Scope& scope, Emitted* out);
    bool statistic_call(Expr& e, const Scope& scope, std::string* sql, Emitted* out);
    // PIVOT and UNPIVOT: the FROM item becomes a query over its source (sql_translate_pivot.cpp).
    bool expand_pivot(FromItem& f);
    bool listagg_call(Expr& e, const std::vector<Emitted>& args, std::string* sql, OraType* type);
    bool window_sql(WindowSpec& w, const Scope& scope, const std::string& frame_override, std::string* sql,
                    bool* aggregate);
    // The ORDER BY items of a window; numeric_keys orders wide numbers by their keys.
    bool order_items_sql(std::vector<OrderItem>& items, const Scope& scope, std::string* sql, bool* aggregate,
                         bool numeric_keys = true);
    bool function_call(Expr& e, const Scope& scope, Emitted* out);
    // Calls nested more than kDeepCalls deep are cut every few levels into parts that
    // vantro_eval computes one after the other, each a statement of its own reading the
    // results of the parts below it and the row's values as parameters, so that SQLite's
    // parser, whose stack is small, never meets the depth of the nesting.
    static constexpr int kDeepCalls = 6;
    static constexpr int kMaxParts = 60;  // vantro_eval takes at most 127 arguments
    int call_nesting_ = 0;                // calls being written, outermost first
    int cut_every_ = 0;                   // inside a deep nest: the levels per part
    std::vector<std::string> parts_;      // the parts written so far, innermost first
    std::vector<std::string> row_args_;   // the row's values the parts read, as :r1, :r2 ...
    // The WITH CHECK OPTION conditions of the views a DML statement goes through, in the
    // terms of its table's columns.
    std::vector<ExprPtr> view_checks_;
    std::string view_alias_;  // ... and how they name the table
    bool hoist_ok_ = false;   // the statement being written may call vantro_eval
    // sql (a column or bind of the statement) as a part reads it.
    std::string row_value(const std::string& sql);
    // Chains of +, -, ||, *, /, AND and OR of one precedence level; from this many terms
    // an associative chain is written as a balanced tree.
    static constexpr std::size_t kBalancedChain = 32;
    bool chain(Expr& e, const Scope& scope, Emitted* out);
    bool balanced_chain(const std::vector<Expr*>& spine, std::vector<Emitted>& terms, Emitted* out);
    bool operation(const Expr& e, const Emitted& a, const Emitted& b, Emitted* out);
    // names: the parameter name of each argument given in named notation (empty for one by
    // position), passed on to vantro_plsql_call.
    bool stored_call(const std::vector<std::string>& path, const std::vector<Emitted>& args, Emitted* out,
                     const std::vector<std::string>* names = nullptr);
    // A call whose arguments carry parameter names (sql_translate_named.cpp): a supplied
    // function's call is put in positional order (done false: translate it on), a stored
    // function's written with its names (done true); anything else is ORA-00907.
    bool named_call(Expr& e, const Scope& scope, Emitted* out, bool* done);
    // Schema-level object and collection types (sql_translate_objects.cpp).
    bool object_type_decl(const std::string& owner, const std::string& name, ObjectTypeDecl* decl);
    bool object_constructor(const Expr& e, const std::vector<std::string>& path, const std::vector<Emitted>& args,
                            Emitted* out, bool* handled);
    bool object_attribute(const Expr& e, const Scope& scope, Emitted* out, bool* handled);
    // call(...).attribute: an attribute of the object the call returns (ORA-22806 when it
    // returns no object).
    bool object_field(Expr& e, const Scope& scope, Emitted* out);
    // A subscript, member or method applied to a call's result in SQL: a member of an
    // object reads its attribute, a method is called on it; SQL has no subscripts
    // (ORA-22806, the result being no object).
    bool postfix(Expr& e, const Scope& scope, Emitted* out);
    // The method details of object type "OWNER.NAME"; false when it is no object type.
    bool object_type_details(const std::string& object_type, TypeDetails* details);
    // Member function method of object value object called with args (SELF left out): NULL
    // for a NULL object, as SQL calls methods. ORA-00904 (shown) when the type has none.
    bool method_call(const Emitted& object, const std::string& method, const std::vector<Emitted>& args,
                     std::uint32_t offset, const std::string& shown, Emitted* out);
    // A comparison of two objects of one type: by its MAP method's values or its ORDER
    // method's answer; without either, equality compares the values and an order is
    // ORA-22950. handled false when the operands are not such objects.
    bool object_comparison(const Emitted& a, const Expr& ea, const std::string& op, const Emitted& b,
                           const Expr& eb, std::uint32_t offset, Emitted* out, bool* handled);
    // An object value as an ORDER BY key: its MAP method's value (ORA-03001 for a type of
    // an ORDER method, ORA-22950 for one of neither); collections and other values stay.
    bool map_order_key(Emitted* e, std::uint32_t offset);
    bool plsql_expression_ = false;  // a PL/SQL expression, not a SQL statement, is being written
    // Attribute attribute of object value object (ORA-22806 when it is no object).
    bool attribute_of_object(const Emitted& object, const std::string& attribute, std::uint32_t offset,
                             std::uint32_t attribute_offset, Emitted* out);
    // Whether path names a method of an object type ([owner.]type.method) or of an object
    // column (alias.column.method) of scope.
    bool object_method(const std::vector<std::string>& path, const Scope& scope);
    bool object_column(ColumnDef& c, const std::string& table_owner);
    // CREATE TABLE ... OF type: the table's columns become the type's attributes, with the
    // constraints the statement gives them; the table is recorded as an object table.
    bool object_table_columns(Statement& s, const std::string& owner);
    // The FROM item of that alias when it is an object table (its type in *object_type), else null.
    // An object type named [owner.]name as "OWNER.NAME"; ORA-00902 when there is none.
    bool named_object_type(const std::string& written, std::uint32_t offset, std::string* object_type);
    // x IS [NOT] OF (types) and TREAT(x AS type), over types without subtypes.
    bool is_of_type(Expr& e, const Scope& scope, Emitted* out);
    bool treat(Expr& e, const Scope& scope, Emitted* out);
    // Fails with ORA-00932 unless v is an object of object_type ("OWNER.NAME").
    bool object_value_of(const Emitted& v, const std::string& object_type, std::uint32_t offset);
    const Source* object_table_source(const std::string& alias, const Scope& scope, std::string* object_type);
    // VALUE(alias) of an object table: the row as an object of the table's type; *found
    // false when the alias names no object table.
    bool object_table_row(const std::string& alias, std::uint32_t offset, const Scope& scope, Emitted* out,
                          bool* found);
    bool object_attribute_target(const ColumnInfo& column, const std::string& attribute, std::uint32_t offset,
                                 std::string* kinds, int* index, ColumnInfo* item);
    bool comparison_operands(Emitted* a, Emitted* b, std::uint32_t offset);
    // a op b for a comparison operator, after comparison_operands; ax and bx are the
    // operands' expressions.
    static std::string compare_sql(const Emitted& a, const Expr& ax, const std::string& op, const Emitted& b,
                                   const Expr& bx);
    std::string as_text(const Emitted& e) const;
    // The name of an unaliased select item: a column's own, else the expression's text
    // without blanks in upper case, cut to 128 bytes, the longest name (*cut tells when it was).
    std::string derived_name(const Expr& e, bool* cut = nullptr) const;
    std::uint32_t text_size(const Emitted& e) const;
    bool ungrouped(Expr& e, const Scope& scope, const std::vector<std::string>& groups, std::size_t group_nodes,
                   const Expr** bad);
    bool store_value(const Emitted& v, const ColumnInfo& target, const std::string& owner, const std::string& table,
                     std::string* sql, std::uint32_t offset);
    bool record_values(const Expr& rec, int code, const std::string& arg, std::vector<ExprPtr>* out);
    bool column_sql(ColumnDef& c, std::string* sql, bool with_constraints);
    bool default_sql(const ColumnDef& c, std::string* stored);
    // Identity, DEFAULT ON NULL and virtual columns (generated_columns.cpp).
    const Scope* table_scope_ = nullptr;  // the table's columns, for virtual column expressions
    bool adding_column_ = false;          // ALTER TABLE ... ADD: SQLite keeps no default
    std::vector<GeneratedColumn> generated_cache_;
    std::map<std::string, std::string> virtual_exprs_;  // virtual column: its SQLite expression
    std::string generated_cache_owner_;
    bool generated_check(ColumnDef& c, int* identities);
    bool virtual_sql(ColumnDef& c, const Scope& scope, std::string* sql);
    bool identity_catalog(const std::string& owner, const std::string& table, const ColumnDef& c, bool has_rows);
    void generated_catalog(const std::string& owner, const std::string& table, const ColumnDef& c,
                           const std::string& fill_sql);
    // The catalog rows of c's identity, virtual expression or engine-given default;
    // adding: ALTER TABLE ... ADD, which also gives the rows the table has their value.
    bool generated_record(const std::string& owner, const std::string& table, const ColumnDef& c, bool adding);
    bool modify_default(const std::string& owner, const std::string& table, const std::vector<ColumnInfo>& cols,
                        ColumnDef& c);
    void generated_drop(const std::string& owner, const std::string& table, const std::string& column);
    bool insert_generated(const std::string& owner, const std::string& table, const std::vector<ColumnInfo>& targets,
                          const std::vector<std::uint32_t>& offsets, InsertFill* f);
    bool update_generated(const std::string& owner, const std::string& table, const std::string& column,
                          std::uint32_t offset);
    std::string column_default(const std::string& owner, const std::string& table, const std::string& column);
    void catalog_insert(const std::string& owner, const std::string& table, const ColumnDef& c, int column_id);

    // Replaces the FROM clause of a CONNECT BY block with the recursive query that yields
    // its rows in depth-first order; scope keeps the one source under its alias.
    bool hierarchical_from(SelectStmt& s, Scope* scope, std::string* from, Hierarchy* h);
    bool hierarchy_value(Expr& e, const Scope& scope, Emitted* out, bool* handled);

    bool insert(Statement& s);
    // INSERT ALL | FIRST (multi_insert.cpp): the subquery's rows are kept in a temporary
    // table, each INTO clause inserts from it. While an INTO clause is written, its values
    // read the rows through multi_rows_; a sequence's NEXTVAL and CURRVAL there read the
    // row's one number, drawn when the rows were kept.
    struct MultiRows {
        Scope scope;             // the subquery's columns by name, and vantro_c1 ... by position
        std::string from_where;  // FROM the kept rows WHERE the INTO clause's condition
        std::string alias;
        std::vector<std::pair<std::string, bool>> sequences;  // "vantro_sequence(owner,name,", NEXTVAL read
        std::size_t first_sequence = 0;                       // the stored column of the first one, counted from 0
        std::size_t slots = 0;                                // the columns kept for sequences
    };
    MultiRows* multi_rows_ = nullptr;
    bool no_sequences_ = false;  // a multi-table insert's subquery: NEXTVAL and CURRVAL are refused
    bool multi_insert(Statement& s);
    // The column of the kept rows that holds a sequence's number (multi_rows_ set); call is
    // the vantro_sequence call without its last argument.
    std::string multi_sequence(const std::string& call, bool next);
    // INSERT INTO (SELECT ... FROM t): rewrites s to insert into t's underlying columns.
    bool insert_target_query(Statement& s);
    bool returning(Statement& s, const Scope& scope, std::string* sql);
    bool update(Statement& s);
    bool del(Statement& s);
    bool dml_where(Expr& where, const Scope& scope, const Source& target, std::string* condition_sql);
    // MERGE (sql_translate_merge.cpp).
    bool merge(Statement& s);
    bool merge_update(Statement& s, const Source& target, const Scope& both, const std::string& source_sql,
                      const std::string& on);
    bool merge_insert(Statement& s, const Source& target, const Source& source, const std::string& source_sql,
                      const std::string& on);
    bool create_table(Statement& s);
    bool drop_table(Statement& s);
    bool drop_table_of(Statement& s);
    bool create_mview_log(Statement& s);
    bool drop_mview(Statement& s);
    bool analyze(Statement& s);
    bool create_table_as(Statement& s, const std::string& owner);
    bool partitioned_table(const std::string& owner, Statement& s, const Scope& scope,
                           std::vector<std::string>* enforcement);
    bool organized_by_index(const std::string& owner, const Statement& s,
                            const std::vector<TableConstraint>& constraints);
    bool truncate_table(Statement& s);
    // DML through a view (view_dml.cpp).
    bool view_dml_target(Statement& s);
    bool view_columns_to_table(const ViewLevel& v, ExprPtr& e, const BlockNames* block);
    bool view_columns_in_query(const ViewLevel& v, SelectStmt& q, const BlockNames* outer);
    bool view_check_sql(const std::vector<ColumnInfo>& columns, const std::vector<std::string>& values,
                        std::string* sql);
    void apply_length_semantics(Statement& s);
    bool alter_table(Statement& s);
    bool create_index(Statement& s);
    bool drop_index(Statement& s);
    bool alter_index(Statement& s);
    bool index_partitioning(Statement& s, const std::string& owner);
    // Partition-extended names and partition maintenance (partition_rows.cpp,
    // partition_ddl.cpp). A partition's rows are those whose key meets its bounds.
    struct PartitionKey;
    // The condition, on the bare columns of owner.table, that holds for the rows of the
    // partition ext names; at: where the table was named.
    bool partition_condition(const std::string& owner, const std::string& table, const PartitionExtension& ext,
                             const std::vector<ColumnInfo>& columns, std::uint32_t at, std::string* sql);
    // The condition that holds for the rows of the partition at index i of key's partitions.
    bool partition_rows_sql(PartitionKey& key, std::size_t i, std::string* sql);
    bool partition_key(const std::string& owner, const std::string& table, const std::vector<ColumnInfo>& columns,
                       std::uint32_t at, PartitionKey* key);
    // FROM t PARTITION (p): the table's rows read through the partition's condition.
    bool partition_source(const TableRef& t, Source* src);
    // The check an INSERT INTO t PARTITION (p) makes of each row (ORA-14401).
    bool partition_insert_check(const Statement& s, const std::string& owner, const std::vector<ColumnInfo>& all,
                                const std::vector<std::string>& named, std::string* rows);
    bool alter_partition(Statement& s, const std::string& owner, const std::vector<ColumnInfo>& cols);
    // The key values as one row of the key columns: "v1 AS k1, ..." (MAXVALUE: refused with code).
    bool partition_key_row(PartitionKey& key, std::vector<ExprPtr>& values, int code, std::uint32_t at,
                           std::string* sql);
    // A statement that fails with code (its message's arguments a and b) unless the key
    // row is below bound, compared as RANGE keys are.
    bool partition_below_check(PartitionKey& key, const std::string& row, std::vector<ExprPtr>& bound, int code,
                               const std::string& a, std::string* sql);
    bool partition_exchange(Statement& s, PartitionKey& key, std::size_t p, const std::vector<ColumnInfo>& cols,
                            std::vector<std::string>* statements);
    // A DML target named with a partition: ORA-14109 for a view (before the view is seen
    // through); then the partition's condition (empty for the whole table).
    bool partition_target(const Statement& s);
    bool partition_where(const Statement& s, const Source& target, std::string* where);
    bool dml_partition_where(Statement& s, const Scope& scope, const Source& src, std::string* where);
};
